// The device context: what every picture of the system is drawn onto.
//
// GrDeviceContext keeps the state a GDI device context keeps - map mode,
// window and viewport origins and extents (with the isotropic rule), the
// selected pen, brush and font, the current position, the line raster
// operation, the polygon fill mode, the background mode, the text alignment
// and the arc direction - and offers the GDI operations under their GDI
// names. The base class draws nothing: back-ends (the recording device of
// <geomkit/recording_dc.h>, the Qt device of canvas/) override the drawing
// operations, draw, and call the base so that the state stays right.
//
// Every operation takes logical coordinates as 32-bit integers; callers
// truncate their doubles toward zero before calling.
//
// Mapping (device = viewport origin + (logical - window origin) * scale):
//   MM_TEXT        scale ( 1,  1): one logical unit is one device pixel, y down
//   MM_LOMETRIC    0.1 mm, MM_HIMETRIC 0.01 mm, MM_LOENGLISH 0.01 inch,
//   MM_HIENGLISH   0.001 inch, MM_TWIPS 1/1440 inch: y up, scale from the
//                  device's resolution (device_dpi)
//   MM_ANISOTROPIC scale = viewport extent / window extent per axis
//   MM_ISOTROPIC   s = min(|vx / wx|, |vy / wy|); the effective viewport
//                  extent is (sign(vx) s |wx|, sign(vy) s |wy|), and that is
//                  what GetViewportExtEx reports: the limiting axis exactly
//                  as requested, the other rounded away from zero, so that
//                  setting the reported extent again keeps the same mapping
// Setting an extent is refused (FALSE, nothing changes) outside the two
// scalable modes, and so is a zero extent. Setting another map mode resets
// the extents to (1, 1); setting the mode in force changes nothing. Origins
// apply in every mode. DPtoLP and LPtoDP round to the nearest integer
// (saturating at the 32-bit range). Back-ends should draw through mapping(),
// which keeps the scale in double precision.
//
// Objects: a fresh context has the stock BLACK_PEN, WHITE_BRUSH and
// SYSTEM_FONT selected. DeleteObject refuses (FALSE) an object that is still
// selected into a context, as the platform does; stock objects are shared
// and never deleted. Handles are checked against a registry before use, so
// a stale handle is refused rather than read.
//
// Back-ends: override a drawing operation, call the base first (it checks
// the arguments and moves the current position) and draw only when it
// returns TRUE; override the setters to track state, calling the base.
#ifndef GEOMKIT_DEVICE_CONTEXT_H
#define GEOMKIT_DEVICE_CONTEXT_H

#include <geomkit/gr_dc.h>

#include <cstdint>
#include <vector>

// A pen, extended pen, brush or font. Created by the functions below,
// selected into device contexts, deleted with DeleteObject. Stock objects
// are shared and never deleted.
struct GR_API GrGdiObject {
  int type = 0;               // OBJ_PEN, OBJ_EXTPEN, OBJ_BRUSH or OBJ_FONT
  bool stock = false;         // a stock object: DeleteObject ignores it
  LOGPEN pen{};               // pens: style (with the ExtCreatePen type and cap bits), width, colour
  std::vector<DWORD> dashes;  // extended pens with PS_USERSTYLE: dash, gap, ... in logical units
  LOGBRUSH brush{};           // brushes
  LOGFONTA font{};            // fonts
};

// Widths are in logical units, 0 (or negative) drawing one device pixel.
GR_API HPEN CreatePen(int style, int width, COLORREF color) noexcept;
GR_API HPEN CreatePenIndirect(const LOGPEN* logpen) noexcept;
// Geometric pens (PS_GEOMETRIC) take their colour from the brush and may
// carry a user dash pattern (PS_USERSTYLE, 1 to 16 entries; any other style
// needs count 0). Cosmetic pens are one device pixel wide whatever width says.
GR_API HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD count,
                         const DWORD* dashes) noexcept;
GR_API HBRUSH CreateSolidBrush(COLORREF color) noexcept;
GR_API HBRUSH CreateHatchBrush(int hatch, COLORREF color) noexcept;
GR_API HBRUSH CreateBrushIndirect(const LOGBRUSH* logbrush) noexcept;
GR_API HFONT CreateFontIndirectA(const LOGFONTA* logfont) noexcept;
GR_API HGDIOBJ GetStockObject(int which) noexcept;
// Copies the object's LOGPEN (16 bytes), LOGBRUSH (12) or LOGFONTA (60) into
// out when size is large enough; returns the bytes copied, 0 on failure;
// with out null, returns the bytes needed. An extended pen reads as a LOGPEN
// (line style without the type and end-cap bits, width, colour).
GR_API int GetObjectA(HGDIOBJ obj, int size, void* out) noexcept;
GR_API DWORD GetObjectType(HGDIOBJ obj) noexcept;
GR_API BOOL DeleteObject(HGDIOBJ obj) noexcept;
// Objects created and not yet deleted (stock objects excluded): lets tests
// check that drawing code deletes what it creates.
GR_API long gdi_live_object_count() noexcept;

struct GR_API GrDeviceContext {
  GrDeviceContext();
  virtual ~GrDeviceContext();
  GrDeviceContext(const GrDeviceContext&) = delete;
  GrDeviceContext& operator=(const GrDeviceContext&) = delete;

  // ---- mapping ----
  // Each setter returns the previous state (through old when not null).
  virtual int SetMapMode(int mode);  // previous mode; 0 for an unknown mode
  int GetMapMode() const;
  virtual BOOL SetWindowExtEx(int x, int y, SIZE* old);
  BOOL GetWindowExtEx(SIZE* out) const;
  virtual BOOL SetViewportExtEx(int x, int y, SIZE* old);
  BOOL GetViewportExtEx(SIZE* out) const;
  virtual BOOL SetWindowOrgEx(int x, int y, POINT* old);
  BOOL GetWindowOrgEx(POINT* out) const;
  virtual BOOL SetViewportOrgEx(int x, int y, POINT* old);
  BOOL GetViewportOrgEx(POINT* out) const;
  virtual BOOL OffsetWindowOrgEx(int dx, int dy, POINT* old);
  virtual BOOL OffsetViewportOrgEx(int dx, int dy, POINT* old);
  BOOL DPtoLP(POINT* pts, int count) const;
  BOOL LPtoDP(POINT* pts, int count) const;

  // The mapping in double precision: device = origin + scale * logical.
  struct Mapping {
    double sx, sy;  // device units per logical unit, with sign
    double ox, oy;  // device position of logical (0, 0)
  };
  Mapping mapping() const;

  // ---- objects ----
  // Selects obj; returns the previously selected object of its type, or
  // null (nothing changes) for a null or deleted object.
  virtual HGDIOBJ SelectObject(HGDIOBJ obj);
  HGDIOBJ GetCurrentObject(int type) const;  // OBJ_PEN, OBJ_BRUSH, OBJ_FONT

  // ---- attributes (each setter returns the previous value) ----
  virtual int SetROP2(int mode);
  int GetROP2() const;
  virtual int SetPolyFillMode(int mode);
  int GetPolyFillMode() const;
  virtual int SetBkMode(int mode);
  int GetBkMode() const;
  virtual UINT SetTextAlign(UINT align);
  UINT GetTextAlign() const;
  virtual int SetArcDirection(int direction);
  int GetArcDirection() const;

  // ---- drawing ----
  virtual BOOL MoveToEx(int x, int y, POINT* old);
  BOOL GetCurrentPositionEx(POINT* out) const;
  virtual BOOL LineTo(int x, int y);  // draws from the current position, then moves there
  // Runs of connected lines: for each of the `runs` runs (counts[i] >= 1
  // points), MoveToEx to its first point and LineTo through the others, the
  // same pieces in the same order as those calls; the current position ends
  // at the last point. The base makes the calls one by one; a back-end may
  // draw the pieces at once where the picture stays the same.
  virtual BOOL PolylineRuns(const POINT* pts, const DWORD* counts, DWORD runs);
  virtual BOOL Polygon(const POINT* pts, int count);  // closed, filled with the brush; count >= 2
  virtual BOOL PolyPolygon(const POINT* pts, const int* counts, int polygons);
  virtual BOOL Ellipse(int left, int top, int right, int bottom);
  virtual BOOL Rectangle(int left, int top, int right, int bottom);
  // Outline arc of the ellipse inscribed in the box, from the ray through the
  // start point to the ray through the end point, in the arc direction
  // (counter-clockwise in logical space by default).
  virtual BOOL Arc(int left, int top, int right, int bottom, int xstart, int ystart, int xend, int yend);
  virtual BOOL PolyBezier(const POINT* pts, DWORD count);  // count = 3k + 1
  virtual COLORREF SetPixel(int x, int y, COLORREF color);
  virtual BOOL TextOutA(int x, int y, const char* text, int length);

  // The smallest logical rectangle holding everything a drawing call can
  // still change on the device (its surface and clip), in *out; returns
  // SIMPLEREGION (2) or COMPLEXREGION (3) then, NULLREGION (1) when nothing
  // can be changed, and RGN_ERROR (0) when the device does not know (the base
  // class and the recording device: callers then draw everything).
  virtual int GetClipBox(RECT* out) const;

  // Dots per inch of the device, for the metric and English map modes.
  virtual double device_dpi_x() const;
  virtual double device_dpi_y() const;

 protected:
  // Called after any change of map mode, origins or extents.
  virtual void mapping_changed() {}

 private:
  int map_mode_ = MM_TEXT;
  SIZE window_ext_{1, 1};
  SIZE viewport_ext_{1, 1};  // as requested
  POINT window_org_{0, 0};
  POINT viewport_org_{0, 0};
  POINT position_{0, 0};
  HGDIOBJ pen_;
  HGDIOBJ brush_;
  HGDIOBJ font_;
  int rop2_ = R2_COPYPEN;
  int fill_mode_ = ALTERNATE;
  int bk_mode_ = OPAQUE;
  UINT text_align_ = TA_LEFT | TA_TOP;
  int arc_direction_ = AD_COUNTERCLOCKWISE;
};

#endif
