#include <session/defaults.h>
#include <session/drawing_view.h>
#include <session/printing.h>

#include <algorithm>

namespace kalvex::session {

bool printable(const DrawingView* view) {
  if (!view) return false;
  const MainDB& d = view->document();
  return long(d.GetCountElems()) + long(d.GetCountElemsS()) != 0;
}

gr_cpoint page_in_dots(const PageSetup& p) {
  // The page's size in inches: the drawing keeps it in its display units.
  double k = 1.0;
  switch (p.units) {
    case kMillimetre: k = 1.0 / kMmPerInch; break;
    case kPixel: k = 1.0 / p.resolution; break;
    case kCentimetre: k = 1.0 / 2.54; break;
    default: break;
  }
  return {p.width * k * p.resolution, p.height * k * p.resolution};
}

PrintMapping natural_mapping(gr_cpoint dots, int pw, int ph) {
  // Integer division toward zero, as the platform's coordinates have it.
  const int32_t a = (trunc_i32(dots.x) - pw) / 2;
  const int32_t b = (trunc_i32(dots.y) - ph) / 2;
  PrintMapping m;
  m.viewport_org = {0, trunc_i32(dots.y)};
  m.window_ext = {1, 1};
  m.viewport_ext = {1, -1};
  m.window_shift = {a, -b};
  return m;
}

PrintMapping fit_mapping(gr_cpoint size, gr_cpoint corner, double r, int pw, int ph) {
  // The extent in dots. One without width or height would give an infinite
  // scale and an extent the context refuses: it counts as one dot.
  const double A = std::max(size.x * r, 1.0);
  const double B = std::max(size.y * r, 1.0);
  const double C = corner.x * r;
  const double D = corner.y * r;
  const double kx = pw / A, ky = ph / B;
  const double k = kx < ky ? kx : ky;
  const int32_t ox = trunc_i32(C - (pw / k - A) * 0.5);
  const int32_t oy = trunc_i32(-(D - (ph / k - B) * 0.5));
  PrintMapping m;
  m.viewport_org = {0, ph};
  m.window_ext = {std::max(trunc_i32(A), 1), std::max(trunc_i32(B), 1)};
  m.viewport_ext = {pw, -ph};
  m.window_shift = {ox, -oy};
  return m;
}

bool print_page(GrDeviceContext& dc, DrawingView& view, bool natural, int pw, int ph) {
  MainDB& doc = view.document();
  const double r = view.resolution();
  PrintMapping m;
  if (natural) {
    m = natural_mapping(page_in_dots(view.page_setup()), pw, ph);
  } else {
    gr_cpoint size{0, 0}, corner{0, 0};
    doc.DimensionDB_OUT(size, corner);
    m = fit_mapping(size, corner, r, pw, ph);
  }
  if (!dc.SetViewportOrgEx(m.viewport_org.x, m.viewport_org.y, nullptr)) return false;
  dc.SetMapMode(MM_ISOTROPIC);
  dc.SetWindowExtEx(m.window_ext.cx, m.window_ext.cy, nullptr);
  dc.SetViewportExtEx(m.viewport_ext.cx, m.viewport_ext.cy, nullptr);
  dc.OffsetWindowOrgEx(m.window_shift.x, m.window_shift.y, nullptr);
  HGDIOBJ old_brush = dc.SelectObject(GetStockObject(NULL_BRUSH));
  gr_ctrans t = view.transform();
  t.scale = r;
  doc.Draw(fgb_for_draw_gdb{&dc, &t}, 3);
  if (old_brush) dc.SelectObject(old_brush);
  return true;
}

}  // namespace kalvex::session
