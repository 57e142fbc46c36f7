// Ellipses and elliptic arcs: construction, the conversion between points
// and parameters, and the line intersections.
//
// In the ellipse's own frame (u along dir, v across it) the point at
// parameter t is (a cos t, b sin t); the polar angle phi of that point
// satisfies tan t = (a / b) tan phi.
#include <geomkit/gr_circle.h>
#include "core/gr_circle_p.h"
#include <geomkit/gr_poly.h>

#include <cmath>

namespace {

// The ellipse parameter of the point on the ray at polar angle phi (from
// dir): the angle of (sin a sin(phi) / k, cos b cos(phi) / k) with
// k = sqrt(b^2 cos^2 phi + a^2 sin^2 phi). k vanishes only on a flat
// ellipse along the ray itself, where the axis end at phi is meant.
double param_of_polar(double a, double b, double phi) noexcept {
  const double s = std::sin(phi), co = std::cos(phi);
  const double k = std::sqrt(b * b * co * co + a * a * s * s);
  if (!(k > 0)) return phi;
  const gr_direct d{a * s / k, b * co / k};
  return gr_angle_by_direct(&d);
}

// The parameter range of gr_set_trellip_*: a full turn of polar angles
// becomes (0, 2 pi), anything less is reduced by whole turns; both ends
// are then turned into ellipse parameters.
void set_range(gr_trellip& out, double phi1, double phi2) noexcept {
  geomkit::normalise_arc_range(phi1, phi2);
  out.t1 = param_of_polar(out.a, out.b, phi1);
  out.t2 = param_of_polar(out.a, out.b, phi2);
}

void ellip_of_trellip(gr_ellip& e, const gr_trellip& arc) noexcept {
  e.c = arc.c;
  e.dir = arc.dir;
  e.a = arc.a;
  e.b = arc.b;
}

}  // namespace

// ---- construction ----

void gr_set_ellip_c_va_vb(gr_ellip* out, const gr_cpoint* c, const gr_cpoint* va,
                          const gr_cpoint* vb) noexcept {
  if (!out || !c || !va || !vb) return;
  const gr_cpoint ua{va->x - c->x, va->y - c->y};
  const gr_cpoint ub{vb->x - c->x, vb->y - c->y};
  const double a = gr_vect_len(&ua);
  out->c = *c;
  out->a = a;
  if (a > GR_LMES_PREC) {
    gr_vect_dir(&out->dir, &ua);
    // Perpendicular: dir turned by +90 degrees (sin' = cos, cos' = -sin).
    out->b = std::fabs(ub.x * -out->dir.sin + ub.y * out->dir.cos);
    return;
  }
  const double lb = gr_vect_len(&ub);
  out->b = lb;
  if (lb > GR_LMES_PREC) {
    gr_vect_dir(&out->dir, &ub);
  } else {
    out->dir = gr_direct{0.0, 1.0};
  }
}

void gr_set_trellip_c_va_vb(gr_trellip* out, const gr_cpoint* c, const gr_cpoint* va, const gr_cpoint* vb,
                            double phi1, double phi2) noexcept {
  if (!out || !c || !va || !vb) return;
  gr_ellip e;
  gr_set_ellip_c_va_vb(&e, c, va, vb);
  out->c = e.c;
  out->dir = e.dir;
  out->a = e.a;
  out->b = e.b;
  if (e.a > GR_LMES_PREC) set_range(*out, phi1, phi2);
}

void gr_set_trellip_ellip(gr_trellip* out, const gr_ellip* ellip, double phi1, double phi2) noexcept {
  if (!out || !ellip) return;
  const gr_ellip e = *ellip;
  out->c = e.c;
  out->dir = e.dir;
  out->a = e.a;
  out->b = e.b;
  if (e.a > GR_LMES_PREC) set_range(*out, phi1, phi2);
}

// ---- points and parameters ----

void gr_conv_ellpar_to_cpoint(gr_cpoint* out, const gr_ellip* ellip, double t) noexcept {
  if (!out || !ellip) return;
  const double u = ellip->a * std::cos(t), v = ellip->b * std::sin(t);
  const double s = ellip->dir.sin, co = ellip->dir.cos;
  out->x = ellip->c.x + u * co - v * s;
  out->y = ellip->c.y + u * s + v * co;
}

// u, v: the point in the frame of the axes scaled to the unit circle. The
// pair is exact for points on the ellipse and is not normalised for others.
int gr_conv_cpoint_to_ellpar(double* out_t, const gr_ellip* ellip, const gr_cpoint* pt) noexcept {
  if (!out_t || !ellip || !pt) return 0;
  const auto flat = [](double x) { return x >= 0 && x <= GR_LMES_PREC; };
  if (flat(ellip->a) && flat(ellip->b)) return 0;
  if (flat(ellip->a) || flat(ellip->b)) {
    *out_t = gr_angle_by_direct(&ellip->dir);
    return 1;
  }
  const double dx = pt->x - ellip->c.x, dy = pt->y - ellip->c.y;
  const double s = ellip->dir.sin, co = ellip->dir.cos;
  const double u = (dx * co + dy * s) / ellip->a;
  const double v = (dx * -s + dy * co) / ellip->b;
  const gr_direct d{v, u};
  *out_t = gr_angle_by_direct(&d);
  return 1;
}

// ---- intersections ----

namespace geomkit {

// In the ellipse's frame the line is (ub + t du, vb + t dv); putting it into
// u^2 / a^2 + v^2 / b^2 = 1 gives A t^2 + 2 B t + C = 0 with
//   A = du^2 b^2 + dv^2 a^2,  B = ub du b^2 + vb dv a^2,
// and the discriminant B^2 - A C = a^2 b^2 (A - w^2), w = vb du - ub dv.
int isct_line_ellip(double t[2], const gr_line& line, const gr_ellip& e) noexcept {
  const bool a_flat = e.a <= GR_LMES_PREC, b_flat = e.b <= GR_LMES_PREC;
  if (a_flat && b_flat) return 0;
  if (a_flat || b_flat) {
    const double s = a_flat ? e.b : e.a;
    const gr_segment seg{{e.c.x - s * e.dir.cos, e.c.y - s * e.dir.sin},
                         {e.c.x + s * e.dir.cos, e.c.y + s * e.dir.sin}};
    const int code = gr_isct_line_segment(&t[0], &line, &seg);
    if (code == GR_ISCT_ONE) return 1;
    if (code != GR_ISCT_ON_LINE) return 0;
    const double t0 = gr_proj_cpoint_on_line(&seg.p1, &line);
    const double t1 = gr_proj_cpoint_on_line(&seg.p2, &line);
    t[0] = t0 < t1 ? t0 : t1;
    t[1] = t0 < t1 ? t1 : t0;
    return 2;
  }
  const double s = e.dir.sin, co = e.dir.cos;
  const double px = line.p.x - e.c.x, py = line.p.y - e.c.y;
  const double ub = px * co + py * s, vb = px * -s + py * co;
  const double du = line.dir.cos * co + line.dir.sin * s;
  const double dv = line.dir.cos * -s + line.dir.sin * co;
  const double a2 = e.a * e.a, b2 = e.b * e.b;
  const double A = du * du * b2 + dv * dv * a2;
  const double root_a = std::sqrt(A);
  const double w = std::fabs(vb * du - ub * dv);
  if (!(w <= root_a)) return 0;
  const double B = ub * du * b2 + vb * dv * a2;
  if (root_a - w < GR_LMES_PREC) {  // touching
    t[0] = -B / A;
    return 1;
  }
  const double disc = a2 * b2 * (A - w * w);
  const double root = std::sqrt(disc > 0 ? disc : 0.0);
  t[0] = (-B - root) / A;
  t[1] = (-B + root) / A;
  return 2;
}

int isct_line_trellip(double t[2], const gr_line& line, gr_trellip& arc, double* arc_par) noexcept {
  normalise_arc_range(arc.t1, arc.t2);
  gr_ellip e;
  ellip_of_trellip(e, arc);
  double all[2];
  const int n = isct_line_ellip(all, line, e);
  int on = 0;
  double off[2];
  int n_off = 0;
  for (int i = 0; i < n; ++i) {
    gr_cpoint pt;
    gr_conv_linepar_to_cpoint(&pt, &line, all[i]);
    double par = 0;
    gr_conv_cpoint_to_ellpar(&par, &e, &pt);
    par = reduce_by_turns(par);
    if (angle_on_arc(par, arc.t1, arc.t2)) {
      if (arc_par) arc_par[on] = par;
      t[on++] = all[i];
    } else {
      off[n_off++] = all[i];
    }
  }
  for (int i = 0; i < n_off; ++i) t[on + i] = off[i];
  return on;
}

}  // namespace geomkit
