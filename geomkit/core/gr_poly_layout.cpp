// Hit tests: a point against a segment or a polygon's region, a rectangle
// against a polygon or a segment. Rubber-band selection takes a figure when
// it lies inside the rectangle (2) or crosses its outline (3).
#include <geomkit/gr_poly.h>

#include "core/gr_poly_p.h"

#include <cmath>

using geomkit::kLmesPrec;

namespace {

// pi as the library writes it everywhere.
constexpr double kPi = 3.141592653589793;

// Room for a rectangle's polygon: a polyline record of four points.
struct RectPolygon {
  gr_polyline pline;
  gr_cpoint more[3];
};
static_assert(sizeof(RectPolygon) == 8 + 4 * sizeof(gr_cpoint), "four points in one record");

}  // namespace

extern "C" {

int gr_layout_cpoint_segment(const gr_cpoint* pt, const gr_segment* seg) noexcept {
  if (gr_segment_len(seg) < kLmesPrec)
    return gr_dist_cpoints(pt, &seg->p1) < kLmesPrec ? GR_LAYOUT_ON : GR_LAYOUT_OUTSIDE;
  gr_trline tl{};
  gr_create_trline_by_segment(&tl, seg);
  const gr_line* line = gr_trline_as_line(&tl);
  if (std::fabs(gr_deriv_line_cpoint(line, pt)) >= kLmesPrec) return GR_LAYOUT_OUTSIDE;
  const double t = gr_proj_cpoint_on_line(pt, line);
  if (std::fabs(static_cast<long double>(t) - tl.tmin) < kLmesPrec ||
      std::fabs(static_cast<long double>(t) - tl.tmax) < kLmesPrec)
    return GR_LAYOUT_ON;
  return tl.tmin < t && t < tl.tmax ? GR_LAYOUT_INSIDE : GR_LAYOUT_OUTSIDE;
}

int gr_layout_cpoint_polyline(const gr_cpoint* pt, const gr_polyline* pline) noexcept {
  // An empty polyline has no region: every point is outside.
  const uint32_t n = pline->n;
  if (n == 0) return GR_LAYOUT_OUTSIDE;
  // Closed whatever the flag says: on any of the n edges is on.
  for (uint32_t i = 0; i < n; ++i) {
    const gr_segment e{pline->pnt[i], pline->pnt[i + 1 == n ? 0 : i + 1]};
    if (gr_layout_cpoint_segment(pt, &e) != GR_LAYOUT_OUTSIDE) return GR_LAYOUT_ON;
  }
  // Winding angle: the signed angles subtended by the edges add up to
  // +-2 pi around an inside point and to 0 around an outside one.
  long double sum = 0;
  for (uint32_t i = 0; i < n; ++i) {
    gr_cpoint a, b;
    gr_vect_dif(&a, &pline->pnt[i], pt);
    gr_vect_dif(&b, &pline->pnt[i + 1 == n ? 0 : i + 1], pt);
    gr_direct d;
    gr_dir_between_vects(&d, &a, &b);
    sum += gr_angle_by_direct(&d);
  }
  return std::fabs(sum) > kPi ? GR_LAYOUT_INSIDE : GR_LAYOUT_OUTSIDE;
}

int gr_layout_rect_polyline(const gr_xy_rect* rect, const gr_polyline* pline) noexcept {
  RectPolygon rp;
  gr_polyline& rpoly = rp.pline;
  gr_conv_xy_rect_to_polyline(&rpoly, rect);
  // Any contact of a side with the outline (its ends included) is a crossing.
  for (int i = 0; i < 4; ++i) {
    const gr_segment side{rpoly.pnt[i], rpoly.pnt[(i + 1) % 4]};
    if (geomkit::segment_touches_polyline(side, *pline)) return GR_OUTLINES_CROSS;
  }
  // An empty polyline touches nothing.
  if (pline->n == 0) return GR_NO_CONTACT;
  gr_cpoint centre;
  gr_segment_middle(&centre, &rpoly.pnt[0], &rpoly.pnt[2]);
  if (gr_layout_cpoint_polyline(&centre, pline) == GR_LAYOUT_INSIDE) {
    gr_cpoint corner{rect->x1, rect->y1};
    return gr_layout_cpoint_polyline(&corner, pline) == GR_LAYOUT_INSIDE ? GR_RECT_IN_FIGURE
                                                                         : GR_FIGURE_IN_RECT;
  }
  return gr_layout_cpoint_polyline(&pline->pnt[0], &rpoly) == GR_LAYOUT_INSIDE ? GR_FIGURE_IN_RECT
                                                                               : GR_NO_CONTACT;
}

int gr_layout_rect_segm(gr_xy_rect* rect, const gr_segment* seg) noexcept {
  geomkit::normalise_rect(*rect);
  const gr_xy_rect r = *rect;
  const gr_segment s = *seg;
  RectPolygon rp;
  gr_conv_xy_rect_to_polyline(&rp.pline, &r);
  if (gr_layout_cpoint_polyline(&s.p1, &rp.pline) == GR_LAYOUT_INSIDE &&
      gr_layout_cpoint_polyline(&s.p2, &rp.pline) == GR_LAYOUT_INSIDE)
    return GR_FIGURE_IN_RECT;
  // The sides counter-clockwise, each from its corner along the rectangle.
  const gr_cpoint corner[4] = {{r.x1, r.y1}, {r.x2, r.y1}, {r.x2, r.y2}, {r.x1, r.y2}};
  const gr_direct dir[4] = {{0, 1}, {1, 0}, {0, -1}, {-1, 0}};
  for (int i = 0; i < 4; ++i) {
    const gr_line side_line{corner[i], dir[i]};
    const gr_segment side{corner[i], corner[(i + 1) % 4]};
    double t = 0;
    const int code = gr_isct_line_segment(&t, &side_line, &s);
    if (code == GR_ISCT_ONE) {
      gr_cpoint x;
      gr_conv_linepar_to_cpoint(&x, &side_line, t);
      if (gr_layout_cpoint_segment(&x, &side) != GR_LAYOUT_OUTSIDE) return GR_OUTLINES_CROSS;
    } else if (code == GR_ISCT_ON_LINE) {
      if (gr_layout_cpoint_segment(&s.p1, &side) != GR_LAYOUT_OUTSIDE ||
          gr_layout_cpoint_segment(&s.p2, &side) != GR_LAYOUT_OUTSIDE ||
          gr_layout_cpoint_segment(&corner[i], &s) == GR_LAYOUT_INSIDE ||
          gr_layout_cpoint_segment(&corner[(i + 1) % 4], &s) == GR_LAYOUT_INSIDE)
        return GR_RECT_TOUCHES;
    }
  }
  return GR_NO_CONTACT;
}

}  // extern "C"
