// The recording device: every call is kept with its integer arguments and
// the state in force, and passed on to the base so the state stays right.
#include <geomkit/recording_dc.h>

#include <algorithm>
#include <utility>

GrRecordingDC::GrRecordingDC() = default;
GrRecordingDC::~GrRecordingDC() = default;

void GrRecordingDC::clear() { calls.clear(); }

int GrRecordingDC::count(const std::string& op) const {
  return static_cast<int>(
      std::count_if(calls.begin(), calls.end(), [&](const GrRecordedCall& c) { return c.op == op; }));
}

std::vector<GrRecordedLine> GrRecordingDC::lines() const {
  std::vector<GrRecordedLine> out;
  for (const GrRecordedCall& c : calls) {
    if (c.op != "LineTo" || c.points.size() != 2) continue;
    out.push_back({c.points[0], c.points[1], c.map_mode, c.pen});
  }
  return out;
}

GrRecordedCall& GrRecordingDC::record(const char* op, std::vector<int> args) {
  GrRecordedCall c;
  c.op = op;
  c.args = std::move(args);
  c.map_mode = GetMapMode();
  GetObjectA(GetCurrentObject(OBJ_PEN), sizeof c.pen, &c.pen);
  GetObjectA(GetCurrentObject(OBJ_BRUSH), sizeof c.brush, &c.brush);
  GetObjectA(GetCurrentObject(OBJ_FONT), sizeof c.font, &c.font);
  c.rop2 = GetROP2();
  c.fill_mode = GetPolyFillMode();
  calls.push_back(std::move(c));
  return calls.back();
}

// ---- setters: the state after the call is recorded ----

int GrRecordingDC::SetMapMode(int mode) {
  const int r = GrDeviceContext::SetMapMode(mode);
  record("SetMapMode", {mode});
  return r;
}

BOOL GrRecordingDC::SetWindowExtEx(int x, int y, SIZE* old) {
  const BOOL r = GrDeviceContext::SetWindowExtEx(x, y, old);
  record("SetWindowExtEx", {x, y});
  return r;
}

BOOL GrRecordingDC::SetViewportExtEx(int x, int y, SIZE* old) {
  const BOOL r = GrDeviceContext::SetViewportExtEx(x, y, old);
  record("SetViewportExtEx", {x, y});
  return r;
}

BOOL GrRecordingDC::SetWindowOrgEx(int x, int y, POINT* old) {
  const BOOL r = GrDeviceContext::SetWindowOrgEx(x, y, old);
  record("SetWindowOrgEx", {x, y});
  return r;
}

BOOL GrRecordingDC::SetViewportOrgEx(int x, int y, POINT* old) {
  const BOOL r = GrDeviceContext::SetViewportOrgEx(x, y, old);
  record("SetViewportOrgEx", {x, y});
  return r;
}

BOOL GrRecordingDC::OffsetWindowOrgEx(int dx, int dy, POINT* old) {
  const BOOL r = GrDeviceContext::OffsetWindowOrgEx(dx, dy, old);
  record("OffsetWindowOrgEx", {dx, dy});
  return r;
}

BOOL GrRecordingDC::OffsetViewportOrgEx(int dx, int dy, POINT* old) {
  const BOOL r = GrDeviceContext::OffsetViewportOrgEx(dx, dy, old);
  record("OffsetViewportOrgEx", {dx, dy});
  return r;
}

HGDIOBJ GrRecordingDC::SelectObject(HGDIOBJ obj) {
  HGDIOBJ r = GrDeviceContext::SelectObject(obj);
  record("SelectObject", {static_cast<int>(GetObjectType(obj))});
  return r;
}

int GrRecordingDC::SetROP2(int mode) {
  const int r = GrDeviceContext::SetROP2(mode);
  record("SetROP2", {mode});
  return r;
}

int GrRecordingDC::SetPolyFillMode(int mode) {
  const int r = GrDeviceContext::SetPolyFillMode(mode);
  record("SetPolyFillMode", {mode});
  return r;
}

int GrRecordingDC::SetBkMode(int mode) {
  const int r = GrDeviceContext::SetBkMode(mode);
  record("SetBkMode", {mode});
  return r;
}

UINT GrRecordingDC::SetTextAlign(UINT align) {
  const UINT r = GrDeviceContext::SetTextAlign(align);
  record("SetTextAlign", {static_cast<int>(align)});
  return r;
}

int GrRecordingDC::SetArcDirection(int direction) {
  const int r = GrDeviceContext::SetArcDirection(direction);
  record("SetArcDirection", {direction});
  return r;
}

// ---- drawing: recorded with the state in force ----

BOOL GrRecordingDC::MoveToEx(int x, int y, POINT* old) {
  record("MoveToEx", {x, y});
  return GrDeviceContext::MoveToEx(x, y, old);
}

BOOL GrRecordingDC::LineTo(int x, int y) {
  POINT from{};
  GetCurrentPositionEx(&from);
  record("LineTo", {x, y}).points = {from, POINT{x, y}};
  return GrDeviceContext::LineTo(x, y);
}

BOOL GrRecordingDC::Polygon(const POINT* pts, int count) {
  GrRecordedCall& c = record("Polygon", {count});
  if (pts && count > 0) c.points.assign(pts, pts + count);
  return GrDeviceContext::Polygon(pts, count);
}

BOOL GrRecordingDC::PolyPolygon(const POINT* pts, const int* counts, int polygons) {
  GrRecordedCall& c = record("PolyPolygon", {polygons});
  const BOOL ok = GrDeviceContext::PolyPolygon(pts, counts, polygons);
  // The arrays are only read once the base has found them well formed.
  if (ok) {
    c.counts.assign(counts, counts + polygons);
    size_t total = 0;
    for (int n : c.counts) total += static_cast<size_t>(n);
    c.points.assign(pts, pts + total);
  }
  return ok;
}

BOOL GrRecordingDC::Ellipse(int left, int top, int right, int bottom) {
  record("Ellipse", {left, top, right, bottom});
  return GrDeviceContext::Ellipse(left, top, right, bottom);
}

BOOL GrRecordingDC::Rectangle(int left, int top, int right, int bottom) {
  record("Rectangle", {left, top, right, bottom});
  return GrDeviceContext::Rectangle(left, top, right, bottom);
}

BOOL GrRecordingDC::Arc(int left, int top, int right, int bottom, int xstart, int ystart, int xend,
                        int yend) {
  record("Arc", {left, top, right, bottom, xstart, ystart, xend, yend});
  return GrDeviceContext::Arc(left, top, right, bottom, xstart, ystart, xend, yend);
}

BOOL GrRecordingDC::PolyBezier(const POINT* pts, DWORD count) {
  GrRecordedCall& c = record("PolyBezier", {static_cast<int>(count)});
  const BOOL ok = GrDeviceContext::PolyBezier(pts, count);
  if (ok) c.points.assign(pts, pts + count);
  return ok;
}

COLORREF GrRecordingDC::SetPixel(int x, int y, COLORREF color) {
  record("SetPixel", {x, y, static_cast<int>(color)});
  return GrDeviceContext::SetPixel(x, y, color);
}

BOOL GrRecordingDC::TextOutA(int x, int y, const char* text, int length) {
  GrRecordedCall& c = record("TextOutA", {x, y, length});
  const BOOL ok = GrDeviceContext::TextOutA(x, y, text, length);
  if (ok && length > 0) c.text.assign(text, static_cast<size_t>(length));
  return ok;
}
