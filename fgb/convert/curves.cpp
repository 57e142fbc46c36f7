// Arcs of circles and ellipses: chords, Bezier pieces, circle and arc elements.
#include "convert/curves_p.h"

#include <algorithm>
#include <cmath>

namespace fgb::conv {

namespace {

constexpr double kPi = 3.141592653589793;
// Bezier pieces span at most this much of the parameter.
constexpr double kBezierPieceSweep = kPi / 4;
// u and v count as perpendicular and equally long within this share of
// their length: far below what a drawing shows, far above rounding.
constexpr double kCircularTolerance = 1e-9;

gr_cpoint at(const EllipticArc& a, double t) {
  const double c = std::cos(t), s = std::sin(t);
  return gr_cpoint{a.c.x + a.u.x * c + a.v.x * s, a.c.y + a.u.y * c + a.v.y * s};
}

// dP/dt
gr_cpoint tangent(const EllipticArc& a, double t) {
  const double c = std::cos(t), s = std::sin(t);
  return gr_cpoint{-a.u.x * s + a.v.x * c, -a.u.y * s + a.v.y * c};
}

double sweep_of(const EllipticArc& a) {
  const double s = a.t1 - a.t0;
  return s > 0 ? std::min(s, kTwoPi) : 0.0;
}

}  // namespace

int chords_for(double radius, double sweep) noexcept {
  if (!(radius > kChordTolerance) || !(sweep > 0)) return 1;
  // A chord of angle phi stands r (1 - cos(phi / 2)) off its arc.
  const double phi = 2.0 * std::acos(1.0 - kChordTolerance / radius);
  const double n = std::ceil(std::min(sweep, kTwoPi) / phi);
  return n < 1 ? 1 : (n > kMaxChordsPerArc ? kMaxChordsPerArc : static_cast<int>(n));
}

void append_chords(PathBuffer& path, const EllipticArc& a, bool with_start) {
  const double sweep = sweep_of(a);
  const double r = std::max(std::hypot(a.u.x, a.u.y), std::hypot(a.v.x, a.v.y));
  const int n = chords_for(r, sweep);
  if (with_start) {
    const gr_cpoint p = at(a, a.t0);
    path.push(p.x, p.y);
  }
  for (int i = 1; i <= n; ++i) {
    const gr_cpoint p = at(a, a.t0 + sweep * i / n);
    path.push(p.x, p.y);
  }
}

// A circular arc of sweep d is close to the cubic whose inner control
// points lie on the end tangents at k = 4/3 tan(d / 4) times the radius
// from the ends; the affine image of both curves keeps that relation, so
// for P(t) the control points are P(t) + k P'(t) and P(t + d) - k P'(t + d).
void append_bezier(PathBuffer& path, const EllipticArc& a, bool with_start) {
  const double sweep = sweep_of(a);
  const int n = std::max(1, static_cast<int>(std::ceil(sweep / kBezierPieceSweep)));
  const double d = sweep / n;
  const double k = 4.0 / 3.0 * std::tan(d / 4);
  gr_cpoint p = at(a, a.t0);
  gr_cpoint dp = tangent(a, a.t0);
  if (with_start) path.push(p.x, p.y);
  for (int i = 1; i <= n; ++i) {
    const double t = a.t0 + d * i;
    const gr_cpoint q = at(a, t);
    const gr_cpoint dq = tangent(a, t);
    path.push(p.x + k * dp.x, p.y + k * dp.y);
    path.push(q.x - k * dq.x, q.y - k * dq.y);
    path.push(q.x, q.y);
    p = q;
    dp = dq;
  }
}

bool is_circular(const EllipticArc& a) noexcept {
  const double lu = std::hypot(a.u.x, a.u.y), lv = std::hypot(a.v.x, a.v.y);
  const double scale = std::max(lu, lv);
  if (!(scale > 0)) return false;
  const double dot = a.u.x * a.v.x + a.u.y * a.v.y;
  return std::fabs(lu - lv) <= kCircularTolerance * scale &&
         std::fabs(dot) <= kCircularTolerance * scale * scale;
}

void emit_arc(ElementSink& sink, const EllipticArc& a, const gr_curve_style& style, PathBuffer& scratch) {
  const double sweep = sweep_of(a);
  if (is_circular(a)) {
    const double r = std::hypot(a.u.x, a.u.y);
    if (sweep >= kTwoPi) {
      const gr_circle c{a.c, r};
      sink.add(kCircle, &c, style);
      return;
    }
    // The arc runs counter-clockwise from a1 to a2. P(t) sits at angle
    // a0 + t when v is u turned left, at a0 - t when the map mirrored.
    const double a0 = std::atan2(a.u.y, a.u.x);
    const bool left = a.u.x * a.v.y - a.u.y * a.v.x > 0;
    const gr_trcircle arc = left ? gr_trcircle{a.c, r, a0 + a.t0, a0 + a.t0 + sweep}
                                 : gr_trcircle{a.c, r, a0 - a.t0 - sweep, a0 - a.t0};
    const fgb_arc rec = make_arc_record(arc);
    sink.add(kArc, &rec, style);
    return;
  }
  scratch.clear();
  append_bezier(scratch, a, true);
  sink.add(kBezier, scratch.bezier(), style);
}

}  // namespace fgb::conv
