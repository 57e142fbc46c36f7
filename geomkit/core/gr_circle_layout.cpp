// Bounding boxes and rectangle hit tests of circles, arcs and ellipses.
//
// A circular arc is boxed as an elliptic arc with equal semi-axes. The hit
// tests answer with the rectangle codes of gr_poly.h; each normalises the
// caller's rectangle first and walks its four sides counter-clockwise.
#include <geomkit/gr_circle.h>
#include "core/gr_circle_p.h"
#include <geomkit/gr_poly.h>
#include "core/gr_poly_p.h"

#include <cmath>

using geomkit::kTwoPi;

namespace {

// ---- the rectangle's sides and polygon ----

// Side i runs from corner i to corner i + 1, counter-clockwise from
// (x1, y1): +x, +y, -x, -y.
struct RectSides {
  gr_line line[4];
  gr_segment seg[4];

  explicit RectSides(const gr_xy_rect& r) noexcept {
    const gr_cpoint corner[4] = {{r.x1, r.y1}, {r.x2, r.y1}, {r.x2, r.y2}, {r.x1, r.y2}};
    const gr_direct dir[4] = {{0.0, 1.0}, {1.0, 0.0}, {0.0, -1.0}, {-1.0, 0.0}};
    for (int i = 0; i < 4; ++i) {
      line[i] = gr_line{corner[i], dir[i]};
      seg[i] = gr_segment{corner[i], corner[(i + 1) % 4]};
    }
  }

  // Whether any of the n parameters on side i gives a point of the side
  // segment, its ends included.
  bool touches(int i, const double* t, int n) const noexcept {
    for (int k = 0; k < n; ++k) {
      gr_cpoint x;
      gr_conv_linepar_to_cpoint(&x, &line[i], t[k]);
      if (gr_layout_cpoint_segment(&x, &seg[i]) != GR_LAYOUT_OUTSIDE) return true;
    }
    return false;
  }
};

// The rectangle as a closed 4-point polyline, for the strict inside test.
class RectPolygon {
 public:
  explicit RectPolygon(const gr_xy_rect& r) noexcept { gr_conv_xy_rect_to_polyline(pline(), &r); }
  bool strictly_inside(const gr_cpoint& pt) const noexcept {
    return gr_layout_cpoint_polyline(&pt, pline()) == GR_LAYOUT_INSIDE;
  }

 private:
  gr_polyline* pline() const noexcept {
    return reinterpret_cast<gr_polyline*>(const_cast<unsigned char*>(block_));
  }
  alignas(gr_polyline) unsigned char block_[8 + 4 * sizeof(gr_cpoint)] = {};
};

gr_cpoint rect_centre(const gr_xy_rect& r) noexcept {
  return gr_cpoint{(r.x1 + r.x2) / 2, (r.y1 + r.y2) / 2};
}

// ---- boxes ----

void extend(gr_xy_rect& box, const gr_cpoint& p) noexcept {
  if (p.x < box.x1) box.x1 = p.x;
  if (p.x > box.x2) box.x2 = p.x;
  if (p.y < box.y1) box.y1 = p.y;
  if (p.y > box.y2) box.y2 = p.y;
}

// Two parameters name the same point when they differ by less than the
// tolerance modulo a turn: an extreme at the seam (+-pi) can come out of
// the intersection with either sign.
bool same_param(double p, double q) noexcept {
  return std::fabs(std::remainder(p - q, kTwoPi)) < GR_LMES_PREC;
}

// The extreme points of the whole ellipse, with s, co the components of
// dir, k1 = sqrt(a^2 s^2 + b^2 co^2) and k2 = sqrt(a^2 co^2 + b^2 s^2):
//   top    T = c + ((a^2 - b^2) s co / k1, k1)
//   right  R = c + (k2, (a^2 - b^2) s co / k2)
//   bottom = 2c - T, left = 2c - R.
// A vanishing k (a point-like ellipse) puts the extreme at the centre.
struct Extremes {
  gr_cpoint top, right, bottom, left;

  explicit Extremes(const gr_trellip& e) noexcept {
    const double s = e.dir.sin, co = e.dir.cos;
    const double a2 = e.a * e.a, b2 = e.b * e.b;
    const double k1 = std::sqrt(a2 * s * s + b2 * co * co);
    const double k2 = std::sqrt(a2 * co * co + b2 * s * s);
    const double cross = (a2 - b2) * s * co;
    top = gr_cpoint{e.c.x + (k1 > 0 ? cross / k1 : 0.0), e.c.y + k1};
    right = gr_cpoint{e.c.x + k2, e.c.y + (k2 > 0 ? cross / k2 : 0.0)};
    bottom = gr_cpoint{2 * e.c.x - top.x, 2 * e.c.y - top.y};
    left = gr_cpoint{2 * e.c.x - right.x, 2 * e.c.y - right.y};
  }
};

gr_ellip ellip_of(const gr_trellip& arc) noexcept { return gr_ellip{arc.c, arc.dir, arc.a, arc.b}; }

gr_trellip trellip_of(const gr_trcircle& arc) noexcept {
  return gr_trellip{arc.c, gr_direct{0.0, 1.0}, arc.r, arc.r, arc.a1, arc.a2};
}

// The box of the arc: the whole ellipse's box for a full turn, otherwise
// the box of the two end points grown by every extreme point on the arc.
// The extremes on the arc are found by meeting the arc with the lines from
// the centre through the top and through the right point.
void trellip_box(gr_xy_rect& out, const gr_trellip& arc) noexcept {
  const Extremes ext(arc);
  if (geomkit::sweep_of_range(arc.t1, arc.t2) >= kTwoPi) {
    out = gr_xy_rect{ext.left.x, ext.bottom.y, ext.right.x, ext.top.y};
    return;
  }
  const gr_ellip e = ellip_of(arc);
  gr_cpoint p1, p2;
  gr_conv_ellpar_to_cpoint(&p1, &e, arc.t1);
  gr_conv_ellpar_to_cpoint(&p2, &e, arc.t2);
  gr_xy_rect box{p1.x, p1.y, p1.x, p1.y};
  extend(box, p2);

  const gr_cpoint* const extreme[4] = {&ext.top, &ext.right, &ext.bottom, &ext.left};
  double extreme_par[4];
  bool has_par[4];
  for (int j = 0; j < 4; ++j) has_par[j] = gr_conv_cpoint_to_ellpar(&extreme_par[j], &e, extreme[j]) != 0;

  gr_trellip work = arc;  // the intersection normalises the range it is given
  for (const gr_cpoint* through : {&ext.top, &ext.right}) {
    gr_line line;
    // An extreme within the tolerance of the centre: the ellipse is flat
    // across this axis, and the end points already bound it there.
    if (!gr_line_by_two_points(&line, &arc.c, through)) continue;
    double t[2], par[2];
    const int n = geomkit::isct_line_trellip(t, line, work, par);
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < 4; ++j) {
        if (has_par[j] && same_param(par[i], extreme_par[j])) extend(box, *extreme[j]);
      }
    }
  }
  out = box;
}

}  // namespace

// ---- bounding boxes ----

void gr_get_circle_dims(gr_xy_rect* out, const gr_circle* circle) noexcept {
  if (!out || !circle) return;
  const gr_circle c = *circle;
  *out = gr_xy_rect{c.c.x - c.r, c.c.y - c.r, c.c.x + c.r, c.c.y + c.r};
}

void gr_get_ellip_dims(gr_xy_rect* out, const gr_ellip* ellip) noexcept {
  if (!out || !ellip) return;
  const gr_trellip whole{ellip->c, ellip->dir, ellip->a, ellip->b, 0.0, kTwoPi};
  trellip_box(*out, whole);
}

void gr_get_trcircle_dims(gr_xy_rect* out, const gr_trcircle* arc) noexcept {
  if (!out || !arc) return;
  trellip_box(*out, trellip_of(*arc));
}

void gr_get_trellip_dims(gr_xy_rect* out, const gr_trellip* trellip) noexcept {
  if (!out || !trellip) return;
  trellip_box(*out, *trellip);
}

// ---- hit tests ----

// Circle inside the rectangle: 2. A side meeting the circle: 3. Otherwise
// the circle and the rectangle are nested or apart: 0 when the rectangle's
// centre lies inside the circle, else 4.
int gr_layout_rect_circle(gr_xy_rect* rect, const gr_circle* circle) noexcept {
  if (!rect || !circle) return GR_NO_CONTACT;
  geomkit::normalise_rect(*rect);
  const gr_xy_rect r = *rect;
  const gr_circle c = *circle;
  if (c.c.x - c.r > r.x1 && c.c.x + c.r < r.x2 && c.c.y - c.r > r.y1 && c.c.y + c.r < r.y2) {
    return GR_FIGURE_IN_RECT;
  }
  const RectSides sides(r);
  for (int i = 0; i < 4; ++i) {
    double t[2];
    const int n = gr_isct_line_circle(t, &sides.line[i], &c);
    if (sides.touches(i, t, n)) return GR_OUTLINES_CROSS;
  }
  const gr_cpoint centre = rect_centre(r);
  return gr_dist_cpoints(&c.c, &centre) >= c.r ? GR_NO_CONTACT : GR_RECT_IN_FIGURE;
}

// The circle decides unless it crosses the rectangle; then the arc crosses
// when a side meets the arc itself, and otherwise lies wholly inside or
// wholly outside, which its start point tells.
int gr_layout_rect_trcircle(gr_xy_rect* rect, gr_trcircle* arc) noexcept {
  if (!rect || !arc) return GR_NO_CONTACT;
  const gr_circle circle{arc->c, arc->r};
  const int c = gr_layout_rect_circle(rect, &circle);
  if (c == GR_FIGURE_IN_RECT) return GR_FIGURE_IN_RECT;
  if (std::fabs(arc->a2 - arc->a1) >= kTwoPi) {
    if (c == GR_OUTLINES_CROSS) return GR_OUTLINES_CROSS;
    if (c == GR_RECT_IN_FIGURE) return GR_RECT_IN_FIGURE;
  }
  if (c == GR_NO_CONTACT || c == GR_RECT_IN_FIGURE) return GR_NO_CONTACT;
  const RectSides sides(*rect);
  for (int i = 0; i < 4; ++i) {
    double t[2];
    const int n = geomkit::isct_line_trcircle(t, sides.line[i], *arc);
    if (sides.touches(i, t, n)) return GR_OUTLINES_CROSS;
  }
  gr_cpoint start;
  gr_conv_cirpar_to_cpoint(&start, &circle, arc->a1);
  return RectPolygon(*rect).strictly_inside(start) ? GR_FIGURE_IN_RECT : GR_NO_CONTACT;
}

// A side meeting the ellipse: 3. The end of the first axis strictly inside
// the rectangle: 2. Otherwise nested or apart: 0 when the rectangle's
// centre lies closer to the ellipse's centre than the ellipse's radius in
// that direction, a b / sqrt(b^2 cos^2 psi + a^2 sin^2 psi), else 4.
int gr_layout_rect_ellip(gr_xy_rect* rect, const gr_ellip* ellip) noexcept {
  if (!rect || !ellip) return GR_NO_CONTACT;
  geomkit::normalise_rect(*rect);
  const gr_xy_rect r = *rect;
  const gr_ellip e = *ellip;
  if (e.a <= GR_LMES_PREC && e.b <= GR_LMES_PREC) return GR_NO_CONTACT;
  const RectSides sides(r);
  for (int i = 0; i < 4; ++i) {
    double t[2];
    const int n = geomkit::isct_line_ellip(t, sides.line[i], e);
    if (sides.touches(i, t, n)) return GR_OUTLINES_CROSS;
  }
  const gr_cpoint axis_end{e.c.x + e.a * e.dir.cos, e.c.y + e.a * e.dir.sin};
  if (RectPolygon(r).strictly_inside(axis_end)) return GR_FIGURE_IN_RECT;

  const gr_cpoint centre = rect_centre(r);
  const double d = gr_dist_cpoints(&e.c, &centre);
  // The rectangle's centre on the ellipse's centre: inside whenever the
  // ellipse has an area.
  if (d == 0) return (e.a > GR_LMES_PREC && e.b > GR_LMES_PREC) ? GR_RECT_IN_FIGURE : GR_NO_CONTACT;
  const double dx = centre.x - e.c.x, dy = centre.y - e.c.y;
  const double cos_psi = (dx * e.dir.cos + dy * e.dir.sin) / d;
  const double sin_psi = (dx * -e.dir.sin + dy * e.dir.cos) / d;
  const double k = std::sqrt(e.b * e.b * cos_psi * cos_psi + e.a * e.a * sin_psi * sin_psi);
  const double radius = k > 0 ? e.a * e.b / k : 0.0;
  return d >= radius ? GR_NO_CONTACT : GR_RECT_IN_FIGURE;
}
