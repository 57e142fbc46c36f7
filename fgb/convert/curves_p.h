// Arcs of circles and ellipses as the readers hand them on: circle and arc
// elements where the curve is one, cubic Bezier pieces or chords where not.
//
// An arc is given by its centre c and two conjugate half-axis vectors u and
// v, in document inches: the point at parameter t is
//   P(t) = c + u cos t + v sin t,   t0 <= t <= t1.
// Any affine image of a circular arc has this form (u and v are the images
// of two perpendicular radii), so a reader maps c, u and v and gets the
// exact image of the curve.
#ifndef FGB_CONVERT_CURVES_P_H
#define FGB_CONVERT_CURVES_P_H

#include "convert/path_p.h"
#include "convert/sink_p.h"

#include <geomkit/gr_types.h>

namespace fgb::conv {

struct EllipticArc {
  gr_cpoint c;    // centre
  gr_cpoint u;    // P(0) - c
  gr_cpoint v;    // P(pi/2) - c
  double t0, t1;  // parameter range, t0 <= t1 <= t0 + 2 pi
};

constexpr double kTwoPi = 6.283185307179586;

// Greatest distance (inches) of a chord from the arc it replaces, where a
// curve must become chords (a polyline that has to stay one element, a
// closed outline). A tenth of the finest pen (0.005 in) of a plotter.
constexpr double kChordTolerance = 0.0005;
// Chords per arc at most, however large the arc: what a radius or a scale
// in a file can cost is bounded.
constexpr int kMaxChordsPerArc = 1024;

// Chords for a sweep (radians) of an arc of the given radius (inches).
int chords_for(double radius, double sweep) noexcept;

// The arc as chords: appends P(t) for n + 1 even steps from t0 to t1, the
// first point only when with_start is set.
void append_chords(PathBuffer& path, const EllipticArc& a, bool with_start);

// The arc as cubic Bezier pieces of at most 45 degrees (the largest
// distance from the true curve is below 5e-6 of the radius): appends the
// first point when with_start is set, then three points per piece.
void append_bezier(PathBuffer& path, const EllipticArc& a, bool with_start);

// u and v perpendicular and of one length: the arc is circular.
bool is_circular(const EllipticArc& a) noexcept;

// One element for the arc: a circle (a full turn) or an arc when it is
// circular, else a composite Bezier. scratch is reused.
void emit_arc(ElementSink& sink, const EllipticArc& a, const gr_curve_style& style, PathBuffer& scratch);

}  // namespace fgb::conv

#endif
