// Device drawing: the line primitive, plain outlines, circles, arcs, Bezier
// pieces, filled polygons, markers and text.
//
// Every exported function catches at the edge (a back-end may throw, for
// example when it runs out of memory recording calls) and restores what it
// selected through the scope guards of gr_graph_p.h, so the device context
// is left as it was found whatever happens.
#include <geomkit/gr_graph.h>

#include "draw/gr_graph_p.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace geomkit {

// ---------------------------------------------------------------------------
// Conversions and the line primitive
// ---------------------------------------------------------------------------

namespace {

// The largest magnitude a device coordinate can take.
constexpr double kDeviceMax = 2147483647.0;
constexpr double kDeviceMin = -2147483648.0;

bool is_big(double x, double y) { return std::fabs(x) > kDeviceMax || std::fabs(y) > kDeviceMax; }

// The clamp of a coordinate too large for the device: it passes through a
// 32-bit float (so its neighbour loses the same precision it did on the
// platform) and is held inside the device's range. The platform's upper
// bound was 2^31, which does not fit and wrapped round to -2^31 on
// conversion; the bound here is 2^31 - 1.
double clamp_big(double v) {
  const double c = std::clamp(v, kDeviceMin, kDeviceMax);
  return static_cast<double>(static_cast<float>(c));
}

// A point too far out for the device, taken a tenth of the way out along
// the ray from the origin: still off the page, and in range for a factor of
// ten more; clamped when even that is too far.
void tenth_of_the_way(double& x, double& y) {
  x *= 0.1;
  y *= 0.1;
  if (is_big(x, y)) {
    x = clamp_big(x);
    y = clamp_big(y);
  }
}

void put(HDC dc, double x, double y, bool draw) {
  const int ix = trunc_to_device(x);
  const int iy = trunc_to_device(y);
  if (draw) {
    dc->LineTo(ix, iy);
  } else {
    dc->MoveToEx(ix, iy, nullptr);
  }
}

}  // namespace

int32_t trunc_to_device(double v) noexcept {
  if (std::isnan(v)) return 0;
  if (v >= kDeviceMax) return INT32_MAX;
  if (v <= kDeviceMin) return INT32_MIN;
  return static_cast<int32_t>(v);
}

void moveto_lineto(HDC dc, const gr_cpoint& p, bool draw) {
  double x = p.x, y = p.y;
  if (std::isnan(x) || std::isnan(y)) return;
  const bool big = is_big(x, y);
  switch (dc->GetMapMode()) {
    case MM_TEXT:
      if (big) {
        x = clamp_big(x);
        y = clamp_big(y);
      }
      put(dc, x, y, draw);
      break;
    case MM_LOMETRIC:
    case MM_LOENGLISH:
      if (big) tenth_of_the_way(x, y);
      put(dc, x, y, draw);
      break;
    case MM_HIMETRIC:
    case MM_HIENGLISH: {
      if (!big) {
        put(dc, x, y, draw);
        break;
      }
      // Ten times coarser units reach ten times further.
      const int coarse = dc->GetMapMode() == MM_HIMETRIC ? MM_LOMETRIC : MM_LOENGLISH;
      const int previous = dc->SetMapMode(coarse);
      tenth_of_the_way(x, y);
      put(dc, x, y, draw);
      dc->SetMapMode(previous);
      break;
    }
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC: {
      if (!big) {
        put(dc, x, y, draw);
        break;
      }
      // Scale to device units here, in double precision, and draw through
      // unit extents; then put the extents back.
      SIZE v{1, 1}, w{1, 1};
      dc->GetViewportExtEx(&v);
      dc->GetWindowExtEx(&w);
      const double dx = x * v.cx / w.cx;
      const double dy = y * v.cy / w.cy;
      dc->SetWindowExtEx(1, 1, nullptr);
      dc->SetViewportExtEx(1, 1, nullptr);
      put(dc, dx, dy, draw);
      dc->SetWindowExtEx(w.cx, w.cy, nullptr);
      dc->SetViewportExtEx(v.cx, v.cy, nullptr);
      break;
    }
    default:
      // MM_TWIPS and anything unknown: no rule for huge values, so nothing
      // is drawn at all.
      break;
  }
}

// ---------------------------------------------------------------------------
// Plain outlines
// ---------------------------------------------------------------------------

void draw_polyline(const gr_polyline& pline, HDC dc) {
  const gr_cpoint* p = pline.pnt;
  moveto_lineto(dc, p[0], false);
  for (uint32_t i = 1; i < pline.n; ++i) moveto_lineto(dc, p[i], true);
  if (pline.closed) moveto_lineto(dc, p[0], true);
}

void draw_circle(const gr_circle& circle, HDC dc) {
  gr_xy_rect box{};
  gr_get_circle_dims(&box, &circle);
  ScopedSelect brush(dc, GetStockObject(NULL_BRUSH), false);
  dc->Ellipse(trunc_to_device(box.x1), trunc_to_device(box.y1), trunc_to_device(box.x2),
              trunc_to_device(box.y2));
}

namespace {

// Where the ray from the centre at the given angle leaves the circle.
gr_cpoint ray_point(const gr_circle& circle, double angle) {
  gr_line ray{};
  ray.p = circle.c;
  gr_direct_by_angle(&ray.dir, angle);
  double t[2] = {0, 0};
  gr_cpoint out = circle.c;
  if (gr_isct_line_circle(t, &ray, &circle) == 2) gr_conv_linepar_to_cpoint(&out, &ray, t[1]);
  return out;
}

}  // namespace

void draw_trcircle(const gr_trcircle& arc, HDC dc) {
  const gr_circle circle{arc.c, arc.r};
  const gr_cpoint s = ray_point(circle, arc.a1);
  const gr_cpoint e = ray_point(circle, arc.a2);
  gr_xy_rect box{};
  gr_get_circle_dims(&box, &circle);
  ScopedSelect brush(dc, GetStockObject(NULL_BRUSH), false);
  dc->Arc(trunc_to_device(box.x1), trunc_to_device(box.y1), trunc_to_device(box.x2), trunc_to_device(box.y2),
          trunc_to_device(s.x), trunc_to_device(s.y), trunc_to_device(e.x), trunc_to_device(e.y));
}

// ---------------------------------------------------------------------------
// Scope guards
// ---------------------------------------------------------------------------

ScopedSelect::ScopedSelect(HDC dc, HGDIOBJ obj, bool owned) : dc_(dc), obj_(obj), owned_(owned) {
  try {
    previous_ = obj ? dc->SelectObject(obj) : nullptr;
  } catch (...) {
    // The destructor will not run: give back what was created.
    if (owned_ && obj_) DeleteObject(obj_);
    throw;
  }
}

ScopedSelect::~ScopedSelect() {
  try {
    if (previous_) dc_->SelectObject(previous_);
  } catch (...) {
    // The back-end failed to reselect; nothing more can be done here.
  }
  if (owned_ && obj_) DeleteObject(obj_);
}

}  // namespace geomkit

using namespace geomkit;

// ---------------------------------------------------------------------------
// Text records
// ---------------------------------------------------------------------------

int gr_get_text_sizen(int len) noexcept { return len + 52; }

int gr_get_text_size(const gr_text* text) noexcept { return text ? text->len + 52 : 0; }

gr_text* gr_alloc_buffer_for_text(int len) noexcept {
  if (len < 0 || len > INT32_MAX - 52) return nullptr;
  return static_cast<gr_text*>(std::malloc(static_cast<size_t>(len) + 52));
}

void gr_free_buffer_for_text(gr_text* p) noexcept { std::free(p); }

// ---------------------------------------------------------------------------
// Exported plain outlines
// ---------------------------------------------------------------------------

void gr_polyline_draw(const gr_polyline* pline, HDC dc) noexcept {
  if (!pline || !dc || pline->n < 2) return;
  guarded([&] { draw_polyline(*pline, dc); });
}

void gr_polylines_draw(const gr_polylines* set, HDC dc) noexcept {
  if (!set || !dc) return;
  guarded([&] {
    const gr_polyline* p = gr_polylines_first(set);
    for (int32_t i = 0; i < set->n; ++i, p = gr_polylines_next(p)) {
      if (p->n >= 2) draw_polyline(*p, dc);
    }
  });
}

void gr_segment_draw(const gr_segment* seg, HDC dc) noexcept {
  if (!seg || !dc) return;
  guarded([&] {
    moveto_lineto(dc, seg->p1, false);
    moveto_lineto(dc, seg->p2, true);
  });
}

void gr_circle_draw(const gr_circle* circle, HDC dc) noexcept {
  if (!circle || !dc) return;
  guarded([&] { draw_circle(*circle, dc); });
}

void gr_trcircle_draw(const gr_trcircle* arc, HDC dc) noexcept {
  if (!arc || !dc) return;
  guarded([&] { draw_trcircle(*arc, dc); });
}

void gr_bezier_draw(HDC dc, const gr_bezier* bez) noexcept {
  if (!bez || !dc || bez->n < 4) return;
  guarded([&] {
    const int pieces = (bez->n - 1) / 3;
    for (int k = 0; k < pieces; ++k) {
      POINT pts[4];
      for (int i = 0; i < 4; ++i) {
        const gr_cpoint& p = bez->pnt[3 * k + i];
        pts[i] = {trunc_to_device(p.x), trunc_to_device(p.y)};
      }
      if ((dc->PolyBezier(pts, 4) & 0xFFFF) == 0) break;
    }
  });
}

// ---------------------------------------------------------------------------
// Filled shapes
// ---------------------------------------------------------------------------

int gr_filled_polyline_draw(const gr_polyline* pline, HDC dc) noexcept {
  if (!pline || !dc) return 0;
  // Polygon counts points in an int.
  if (pline->n > static_cast<uint32_t>(INT32_MAX)) return 0;
  return guarded_result(0, [&] {
    std::vector<POINT> pts(pline->n);
    for (uint32_t i = 0; i < pline->n; ++i) {
      pts[i] = {trunc_to_device(pline->pnt[i].x), trunc_to_device(pline->pnt[i].y)};
    }
    dc->Polygon(pts.data(), static_cast<int>(pts.size()));
    return 1;
  });
}

int gr_filled_polylines_draw(const gr_polylines* set, HDC dc) noexcept {
  if (!set || !dc || set->n < 0) return 0;
  return guarded_result(0, [&] {
    std::vector<int> counts(static_cast<size_t>(set->n));
    size_t total = 0;
    const gr_polyline* p = gr_polylines_first(set);
    for (int32_t i = 0; i < set->n; ++i, p = gr_polylines_next(p)) {
      if (p->n > static_cast<uint32_t>(INT32_MAX)) return 0;
      counts[static_cast<size_t>(i)] = static_cast<int>(p->n);
      total += p->n;
    }
    std::vector<POINT> pts;
    pts.reserve(total);
    p = gr_polylines_first(set);
    for (int32_t i = 0; i < set->n; ++i, p = gr_polylines_next(p)) {
      for (uint32_t j = 0; j < p->n; ++j) {
        pts.push_back({trunc_to_device(p->pnt[j].x), trunc_to_device(p->pnt[j].y)});
      }
    }
    // All members as one shape: holes come out by the even-odd rule.
    const int previous = dc->SetPolyFillMode(ALTERNATE);
    ScopeExit restore([&] {
      if (previous) dc->SetPolyFillMode(previous);
    });
    dc->PolyPolygon(pts.data(), counts.data(), set->n);
    return 1;
  });
}

// ---------------------------------------------------------------------------
// Markers and text
// ---------------------------------------------------------------------------

void gr_styled_cpoint_draw(const gr_cpoint* pt, const gr_marker_style* marker, HDC dc) noexcept {
  if (!pt || !marker || !dc) return;
  guarded([&] {
    const double s = marker->size;
    const double h = s / 2;
    const double x = pt->x, y = pt->y;
    const COLORREF colour = gr_get_colorref(&marker->color);
    const int kind = marker->kind;
    if (kind == 0) {
      ScopedSelect brush(dc, CreateSolidBrush(colour), true);
      if (s != 0) {
        const gr_circle disc{*pt, h};
        gr_xy_rect box{};
        gr_get_circle_dims(&box, &disc);
        dc->Ellipse(trunc_to_device(box.x1), trunc_to_device(box.y1), trunc_to_device(box.x2),
                    trunc_to_device(box.y2));
      } else {
        dc->SetPixel(trunc_to_device(x), trunc_to_device(y), colour);
      }
      return;
    }
    if (kind < 1 || kind > 6) return;
    ScopedSelect pen(dc, CreatePen(PS_SOLID, 1, colour), true);
    auto move = [&](double px, double py) { moveto_lineto(dc, {px, py}, false); };
    auto line = [&](double px, double py) { moveto_lineto(dc, {px, py}, true); };
    if (kind == 1 || kind == 3) {
      move(x - h, y - h);
      line(x + h, y + h);
      move(x + h, y - h);
      line(x - h, y + h);
    }
    if (kind == 2 || kind == 3) {
      move(x, y - h);
      line(x, y + h);
      move(x - h, y);
      line(x + h, y);
    }
    if (kind == 4) draw_circle(gr_circle{*pt, h}, dc);
    if (kind == 5) {
      move(x - h, y - h);
      line(x + h, y - h);
      line(x + h, y + h);
      line(x - h, y + h);
      line(x - h, y - h);
    }
    if (kind == 6) {
      move(x - h, y - h);
      line(x + h, y - h);
      line(x, y + h);
      line(x - h, y - h);
    }
  });
}

void gr_text_draw(const gr_text* text, HDC dc) noexcept {
  if (!text || !dc || text->len < 0) return;
  guarded([&] {
    LOGFONTA lf{};
    GetObjectA(GetStockObject(ANSI_VAR_FONT), sizeof lf, &lf);
    lf.lfHeight = trunc_to_device(text->height);
    ScopedSelect font(dc, CreateFontIndirectA(&lf), true);
    const int bk = dc->SetBkMode(TRANSPARENT);
    const UINT align = dc->SetTextAlign(TA_BOTTOM);
    // Restored in the reverse order of setting, before the font goes back.
    ScopeExit restore([&] {
      dc->SetTextAlign(align);
      if (bk) dc->SetBkMode(bk);
    });
    dc->TextOutA(trunc_to_device(text->x), trunc_to_device(text->y), text->str, text->len);
  });
}
