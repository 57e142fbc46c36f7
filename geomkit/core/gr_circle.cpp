// Circles and arcs: transforms, construction, the conversion between points
// and angles, the distance test and the line intersection.
#include <geomkit/gr_circle.h>
#include "core/gr_circle_p.h"

#include <cmath>

using geomkit::kPi;

static_assert(sizeof(gr_circle) == 24 && sizeof(gr_trcircle) == 40 && sizeof(gr_thick_circle) == 32 &&
                  sizeof(gr_thick_trcircle) == 48 && sizeof(gr_ellip) == 48 && sizeof(gr_trellip) == 64,
              "record sizes are part of the interface");

namespace {

gr_cpoint midpoint(const gr_cpoint& a, const gr_cpoint& b) noexcept {
  return gr_cpoint{(a.x + b.x) / 2, (a.y + b.y) / 2};
}

gr_cpoint minus(const gr_cpoint& a, const gr_cpoint& b) noexcept { return gr_cpoint{a.x - b.x, a.y - b.y}; }

// Perpendicular bisector of p and q: through their midpoint, running from
// the direction towards p turned by -90 degrees. False when p and q
// coincide exactly (no direction).
bool bisector(gr_line& out, const gr_cpoint& p, const gr_cpoint& q) noexcept {
  out.p = midpoint(p, q);
  const gr_cpoint v = minus(p, out.p);
  if (v.x == 0 && v.y == 0) return false;
  gr_direct towards{0.0, 1.0};
  gr_vect_dir(&towards, &v);
  out.dir.sin = -towards.cos;  // turned by -90 degrees
  out.dir.cos = towards.sin;
  return true;
}

}  // namespace

// ---- transforms ----

void gr_circle_ctrans(gr_circle* out, const gr_circle* in, const gr_ctrans* t) noexcept {
  if (!out || !in) return;
  const gr_cpoint c = gr_vector_ctrans(in->c.x, in->c.y, t);
  const double r = t ? in->r * t->scale : in->r;  // the sign flags mirror, never shrink
  out->c = c;
  out->r = r;
}

void gr_trcircle_ctrans(gr_trcircle* out, const gr_trcircle* in, const gr_ctrans* t) noexcept {
  if (!out || !in) return;
  const gr_cpoint c = gr_vector_ctrans(in->c.x, in->c.y, t);
  const double r = t ? in->r * t->scale : in->r;
  const double a1 = in->a1, a2 = in->a2;
  out->c = c;
  out->r = r;
  out->a1 = a1;
  out->a2 = a2;
}

// ---- construction ----

gr_circle* gr_circle_cr(const gr_cpoint* c, double r, gr_circle* out) noexcept {
  if (!out || !c) return out;
  out->c = *c;
  out->r = r;
  return out;
}

gr_circle* gr_circle_2p(const gr_cpoint* p1, const gr_cpoint* p2, gr_circle* out) noexcept {
  if (!out || !p1 || !p2) return out;
  const gr_cpoint m = midpoint(*p1, *p2);
  out->r = gr_dist_cpoints(p1, p2) / 2;
  out->c = m;
  return out;
}

// With m the midpoint, u the unit vector from p2 to p1 and
// h = sqrt(r^2 - |p1 - p2|^2 / 4): centre = m + h (-u.y, u.x).
// No such circle when r is below half the distance, and no side to put the
// centre on when the points coincide within GR_LMES_PREC: then out becomes
// the smallest circle through both points (centre m, radius half the
// distance) and the result is 0.
int gr_circle_2pr(const gr_cpoint* p1, const gr_cpoint* p2, double r, gr_circle* out) noexcept {
  if (!out || !p1 || !p2) return 0;
  const gr_cpoint m = midpoint(*p1, *p2);
  const gr_cpoint d = minus(*p1, *p2);
  const double dist = gr_vect_len(&d);
  const double half = dist / 2;
  if (!(dist >= GR_LMES_PREC) || !(r >= half)) {
    out->c = m;
    out->r = half;
    return 0;
  }
  const gr_cpoint u{d.x / dist, d.y / dist};
  // r == half can leave r^2 - half^2 a rounding step below zero.
  const double h2 = r * r - dist * dist / 4;
  const double h = h2 > 0 ? std::sqrt(h2) : 0.0;
  out->c = gr_cpoint{m.x + h * -u.y, m.y + h * u.x};
  out->r = r;
  return 1;
}

// The bisectors of p1p2 and p2p3 meet at the centre. They coincide when
// p1 = p3 (the circle then has p2p3 as diameter). Two points coinciding
// exactly with p2 leave a bisector without direction: 0, out untouched.
int gr_circle_3p(const gr_cpoint* p1, const gr_cpoint* p2, const gr_cpoint* p3, gr_circle* out) noexcept {
  if (!out || !p1 || !p2 || !p3) return 0;
  gr_line b1, b2;
  if (!bisector(b1, *p1, *p2) || !bisector(b2, *p2, *p3)) return 0;
  double t = 0;
  const int code = gr_intersect_line_line(&t, &b1, &b2);
  if (code == 0) return 0;
  gr_cpoint centre;
  gr_conv_linepar_to_cpoint(&centre, &b1, t);
  out->r = code == 1 ? gr_dist_cpoints(p1, &centre) : gr_dist_cpoints(p3, p2) / 2;
  out->c = centre;
  return 1;
}

void gr_creat_trcircle(gr_trcircle* out, const gr_cpoint* c, double r, double a1_deg,
                       double a2_deg) noexcept {
  if (!out || !c) return;
  out->c = *c;
  out->r = r;
  out->a1 = a1_deg * kPi / 180;
  out->a2 = a2_deg * kPi / 180;
}

void gr_set_thick_circle(gr_thick_circle* out, double thickness, const gr_circle* circle) noexcept {
  if (!out || !circle) return;
  out->c = circle->c;
  out->r = circle->r;
  out->thickness = thickness;
}

void gr_set_thick_trcircle(gr_thick_trcircle* out, double thickness, const gr_trcircle* arc) noexcept {
  if (!out || !arc) return;
  out->c = arc->c;
  out->r = arc->r;
  out->a1 = arc->a1;
  out->a2 = arc->a2;
  out->thickness = thickness;
}

// ---- points and angles ----

void gr_conv_cirpar_to_cpoint(gr_cpoint* out, const gr_circle* circle, double angle) noexcept {
  if (!out || !circle) return;
  out->x = circle->c.x + circle->r * std::cos(angle);
  out->y = circle->c.y + circle->r * std::sin(angle);
}

// A point at the centre has no direction: its angle is 0.
int gr_conv_cpoint_to_cirpar(double* out_angle, const gr_circle* circle, const gr_cpoint* pt) noexcept {
  if (!out_angle || !circle || !pt) return 0;
  const gr_cpoint v = minus(*pt, circle->c);
  gr_direct dir{0.0, 1.0};
  gr_vect_dir(&dir, &v);
  *out_angle = gr_angle_by_direct(&dir);
  return 1;
}

double gr_deriv_circle_cpoint(const gr_circle* circle, const gr_cpoint* pt) noexcept {
  if (!circle || !pt) return 0.0;
  const double d = circle->r - gr_dist_cpoints(pt, &circle->c);
  return std::fabs(d) > GR_LMES_PREC ? d : 0.0;
}

// ---- intersections ----

// e: signed distance of the centre from the line; tc: the parameter of the
// centre's projection; the crossings lie h = sqrt(r^2 - e^2) either side.
int gr_isct_line_circle(double* t_pair, const gr_line* line, const gr_circle* circle) noexcept {
  if (!t_pair || !line || !circle) return 0;
  const gr_cpoint& p = line->p;
  const gr_cpoint& c = circle->c;
  const double s = line->dir.sin, co = line->dir.cos;
  const double e = (p.x - c.x) * s - (p.y - c.y) * co;
  if (!(std::fabs(e) <= circle->r)) return 0;  // a NaN radius meets nothing
  const double h = std::sqrt(circle->r * circle->r - e * e);
  const double tc = (c.y - p.y) * s + (c.x - p.x) * co;
  t_pair[0] = tc - h;
  t_pair[1] = tc + h;
  return 2;
}

namespace geomkit {

int isct_line_trcircle(double t[2], const gr_line& line, gr_trcircle& arc, double* arc_par) noexcept {
  normalise_arc_range(arc.a1, arc.a2);
  const gr_circle circle{arc.c, arc.r};
  double all[2];
  if (gr_isct_line_circle(all, &line, &circle) == 0) return 0;
  int on = 0;
  double off[2];
  int n_off = 0;
  for (double tt : all) {
    gr_cpoint pt;
    gr_conv_linepar_to_cpoint(&pt, &line, tt);
    double angle = 0;
    gr_conv_cpoint_to_cirpar(&angle, &circle, &pt);
    angle = reduce_by_turns(angle);
    if (angle_on_arc(angle, arc.a1, arc.a2)) {
      if (arc_par) arc_par[on] = angle;
      t[on++] = tt;
    } else {
      off[n_off++] = tt;
    }
  }
  for (int i = 0; i < n_off; ++i) t[on + i] = off[i];
  return on;
}

}  // namespace geomkit
