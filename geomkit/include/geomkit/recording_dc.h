// A device context that draws nothing and records every call, with its
// integer arguments and the objects and modes in force, so that tests can
// check exactly what a drawing routine asked of the device.
#ifndef GEOMKIT_RECORDING_DC_H
#define GEOMKIT_RECORDING_DC_H

#include <geomkit/device_context.h>

#include <string>
#include <vector>

struct GrRecordedCall {
  std::string op;             // the GDI name: "MoveToEx", "LineTo", "SetMapMode", "SelectObject", ...
  std::vector<int> args;      // integer arguments in call order (points as x, y);
                              // SelectObject: the object's type; SetPixel: x, y, colour
  std::vector<POINT> points;  // the point array of Polygon, PolyPolygon and PolyBezier;
                              // LineTo: the piece's start (current position) and end
  std::vector<int> counts;    // PolyPolygon's per-polygon counts
  std::string text;           // TextOutA's characters
  // State in force when the call was made (after it, for setters).
  int map_mode = MM_TEXT;
  LOGPEN pen{};
  LOGBRUSH brush{};
  LOGFONTA font{};
  int rop2 = R2_COPYPEN;
  int fill_mode = ALTERNATE;
};

// A straight piece drawn by LineTo, from the current position.
struct GrRecordedLine {
  POINT from;
  POINT to;
  int map_mode;
  LOGPEN pen;
};

class GR_API GrRecordingDC : public GrDeviceContext {
 public:
  GrRecordingDC();
  ~GrRecordingDC() override;

  std::vector<GrRecordedCall> calls;

  void clear();
  // Number of calls of one operation.
  int count(const std::string& op) const;
  // The LineTo pieces in order.
  std::vector<GrRecordedLine> lines() const;

  int SetMapMode(int mode) override;
  BOOL SetWindowExtEx(int x, int y, SIZE* old) override;
  BOOL SetViewportExtEx(int x, int y, SIZE* old) override;
  BOOL SetWindowOrgEx(int x, int y, POINT* old) override;
  BOOL SetViewportOrgEx(int x, int y, POINT* old) override;
  BOOL OffsetWindowOrgEx(int dx, int dy, POINT* old) override;
  BOOL OffsetViewportOrgEx(int dx, int dy, POINT* old) override;
  HGDIOBJ SelectObject(HGDIOBJ obj) override;
  int SetROP2(int mode) override;
  int SetPolyFillMode(int mode) override;
  int SetBkMode(int mode) override;
  UINT SetTextAlign(UINT align) override;
  int SetArcDirection(int direction) override;
  BOOL MoveToEx(int x, int y, POINT* old) override;
  BOOL LineTo(int x, int y) override;
  BOOL Polygon(const POINT* pts, int count) override;
  BOOL PolyPolygon(const POINT* pts, const int* counts, int polygons) override;
  BOOL Ellipse(int left, int top, int right, int bottom) override;
  BOOL Rectangle(int left, int top, int right, int bottom) override;
  BOOL Arc(int left, int top, int right, int bottom, int xstart, int ystart, int xend, int yend) override;
  BOOL PolyBezier(const POINT* pts, DWORD count) override;
  COLORREF SetPixel(int x, int y, COLORREF color) override;
  BOOL TextOutA(int x, int y, const char* text, int length) override;

 private:
  GrRecordedCall& record(const char* op, std::vector<int> args);
};

#endif
