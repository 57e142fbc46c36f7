// The Qt canvas: the device context every picture of the program is drawn
// onto, over a QPainter, and the rendering of a drawing into PNG, PDF and
// SVG files.
//
// QtDeviceContext is the GrDeviceContext of the screen, the printer and the
// image and vector files. The base class keeps the GDI state (map mode,
// extents and origins with the isotropic rule, selected objects, current
// position, modes); this class keeps the painter's transform equal to the
// logical-to-device mapping and turns every operation into one QPainter call.
// What a GDI caller relies on and Qt does differently is mended here:
//   - pens: width in logical units, scaled with the mapping, never thinner
//     than one device pixel; width 0 and cosmetic pens are one device pixel;
//     one-pixel lines leave out their last pixel, as LineTo does;
//   - arcs run counter-clockwise in logical space (increasing angle) whatever
//     the sign of the mapping;
//   - text is upright whatever the y direction, its height is lfHeight in
//     logical units, and it is placed by the text alignment;
//   - Rectangle, Ellipse and Arc boxes leave out their right and bottom
//     device pixel.
// Raster operations (SetROP2) work on raster targets (QImage, widgets). A
// PDF, SVG or printer page has no picture underneath to combine with, so
// there every mode that combines with the destination (R2_NOTXORPEN
// included) draws like R2_COPYPEN: once over white paper that is what the
// inverting pen shows; drawing it again does not erase it.
#ifndef CANVAS_CANVAS_H
#define CANVAS_CANVAS_H

#include <geomkit/device_context.h>

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPoint>
#include <QTransform>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPaintDevice;

namespace canvas {

class QtDeviceContext : public GrDeviceContext {
 public:
  // Draws through an active painter, in the coordinate system the painter
  // has now (its device pixels, normally). The painter's state is saved here
  // and restored by the destructor; the painter must outlive the device.
  explicit QtDeviceContext(QPainter& painter);
  ~QtDeviceContext() override;

  QPainter& painter() { return *painter_; }
  // Size of the paint device in device pixels.
  int device_width() const { return device_w_; }
  int device_height() const { return device_h_; }
  // Whether the raster operations of SetROP2 combine with the picture.
  bool raster_ops() const { return raster_ops_; }

  // Colours the GDI keeps beside the selected objects: text (default black)
  // and background (default white, for OPAQUE text, hatches and dashes).
  COLORREF SetTextColor(COLORREF color);
  COLORREF SetBkColor(COLORREF color);

  // Fills the whole paint device with a colour (ignores mapping and ROP).
  void fill(COLORREF color);

  HGDIOBJ SelectObject(HGDIOBJ obj) override;
  int SetROP2(int mode) override;
  int SetBkMode(int mode) override;
  BOOL LineTo(int x, int y) override;
  BOOL PolylineRuns(const POINT* pts, const DWORD* counts, DWORD runs) override;
  BOOL Polygon(const POINT* pts, int count) override;
  BOOL PolyPolygon(const POINT* pts, const int* counts, int polygons) override;
  BOOL Ellipse(int left, int top, int right, int bottom) override;
  BOOL Rectangle(int left, int top, int right, int bottom) override;
  BOOL Arc(int left, int top, int right, int bottom, int xstart, int ystart, int xend, int yend) override;
  BOOL PolyBezier(const POINT* pts, DWORD count) override;
  COLORREF SetPixel(int x, int y, COLORREF color) override;
  BOOL TextOutA(int x, int y, const char* text, int length) override;

  double device_dpi_x() const override { return dpi_x_; }
  double device_dpi_y() const override { return dpi_y_; }
  // The device's surface, cut by the painter's clip, in logical units.
  int GetClipBox(RECT* out) const override;

 protected:
  void mapping_changed() override;

 private:
  // What the selected pen asks for, copied at selection so that nothing
  // reads the GDI object while drawing.
  struct SelectedPen {
    DWORD style = PS_SOLID;  // GDI style with type and cap bits
    bool extended = false;   // made by ExtCreatePen
    int width = 0;           // logical units
    COLORREF color = 0;
    bool brush_null = false;    // extended pen over a BS_NULL brush
    std::vector<DWORD> dashes;  // PS_USERSTYLE entries
  };

  void sync();  // brings pen, brush and composition up to date
  void build_pen();
  void build_brush();
  bool pen_scales_with_mapping() const;
  // The logical rectangle whose device box is [l, r) x [t, b) in pixels.
  QRectF device_exclusive_box(int left, int top, int right, int bottom) const;
  void draw_text(int x, int y, const char* text, int length);
  QColor rop_color(COLORREF c) const;

  QPainter* painter_;
  QTransform base_;  // the painter's transform when the device was made
  Mapping map_{};
  double dpi_x_ = 96.0, dpi_y_ = 96.0;
  int device_w_ = 0, device_h_ = 0;
  bool raster_ops_ = false;
  bool antialias_ = false;  // the painter's hint as found

  SelectedPen pen_sel_;
  LOGBRUSH brush_sel_{BS_SOLID, RGB(255, 255, 255), 0};
  LOGFONTA font_sel_{};
  COLORREF text_color_ = RGB(0, 0, 0);
  COLORREF bk_color_ = RGB(255, 255, 255);

  bool dirty_ = true;      // pen, brush or composition must be rebuilt
  bool skip_ = false;      // R2_NOP: nothing reaches the picture
  bool pen_null_ = false;  // the built pen draws nothing
  QPen qpen_;
  QBrush qbrush_;
  std::vector<QPoint> points_;  // reused by Polygon
  QPainterPath path_;           // reused by PolyPolygon, Arc and PolyBezier

  // The font of the last TextOutA, kept while the LOGFONT and scale stay.
  struct FontCache;
  std::unique_ptr<FontCache> font_cache_;

  // Short pieces of a one-pixel pen drawn as the pixels Qt sets for them
  // (qt_device_lines.cpp): what was learned of Qt, kept for the thread, when
  // the pen and the painter allow it now; else null.
  struct ShortPieces;
  ShortPieces* short_pieces();
};

// A painter begun on a paint device (a widget in its paint event, an image,
// a printer) with a device over it; for a widget:
//   void View::paintEvent(QPaintEvent*) {
//     canvas::PainterDC pdc(this);
//     if (!pdc.ok()) return;
//     pdc.dc().fill(RGB(255, 255, 255));
//     ... draw on &pdc.dc() ...
//   }
class PainterDC {
 public:
  explicit PainterDC(QPaintDevice* device);
  ~PainterDC();
  PainterDC(const PainterDC&) = delete;
  PainterDC& operator=(const PainterDC&) = delete;

  bool ok() const { return dc_ != nullptr; }
  QtDeviceContext& dc() { return *dc_; }

 private:
  QPainter painter_;
  std::unique_ptr<QtDeviceContext> dc_;
};

// ---------------------------------------------------------------------------
// Mapping set-ups
// ---------------------------------------------------------------------------

// A complete logical-to-device mapping, as the GDI calls set it.
struct ViewMapping {
  int map_mode = MM_TEXT;
  SIZE window_ext{1, 1};     // logical units (scalable modes only)
  POINT window_org{0, 0};    // logical point shown at the viewport origin
  SIZE viewport_ext{1, 1};   // device pixels, with sign (scalable modes only)
  POINT viewport_org{0, 0};  // device pixels

  // Map mode, window extent, viewport extent (in this order: the isotropic
  // rule needs the window extent first), then the origins. 0 if the
  // device refuses one of them.
  BOOL apply(GrDeviceContext& dc) const;

  // Isotropic, y up: the logical rectangle (left, bottom)-(right, top),
  // grown by margin (a fraction of its width and height) on each side,
  // centred on a device of width x height pixels at the largest scale that
  // fits both ways. Logical units should be no coarser than device pixels
  // for an exact picture. A rectangle with no extent is taken as one unit.
  static ViewMapping fit(double left, double bottom, double right, double top, int width, int height,
                         double margin = 0.05);
};

// ---------------------------------------------------------------------------
// Rendering to files
// ---------------------------------------------------------------------------

// The surface a drawing is rendered onto. PDF and SVG pages measure
// width / dpi by height / dpi inches, so one mapping lays out all three
// alike.
struct RenderTarget {
  int width = 0;      // device pixels, 1 .. kMaxRenderSide
  int height = 0;     // device pixels
  double dpi = 96.0;  // device pixels per inch
  COLORREF background = RGB(255, 255, 255);
  bool antialias = false;  // off: pixels as the GDI sets them
};

inline constexpr int kMaxRenderSide = 16384;

// Draws the picture; the device arrives with the mapping applied and the
// background filled.
using DrawFn = std::function<void(GrDeviceContext& dc)>;

struct RenderResult {
  bool ok = false;
  std::string error;  // what failed, for the user; empty when ok
};

// The picture as an image (Format_RGB32); a null image and an error when the
// target is unusable or drawing throws.
RenderResult render_image(const RenderTarget& target, const ViewMapping& mapping, const DrawFn& draw,
                          QImage* out) noexcept;

// The picture written to path. The file is written beside the target under
// a temporary name and renamed over it only when complete; on failure the
// target is left as it was.
RenderResult render_png(const std::string& path, const RenderTarget& target, const ViewMapping& mapping,
                        const DrawFn& draw) noexcept;
RenderResult render_pdf(const std::string& path, const RenderTarget& target, const ViewMapping& mapping,
                        const DrawFn& draw) noexcept;
RenderResult render_svg(const std::string& path, const RenderTarget& target, const ViewMapping& mapping,
                        const DrawFn& draw) noexcept;

}  // namespace canvas

#endif
