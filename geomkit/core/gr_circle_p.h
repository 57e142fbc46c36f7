// Internal helpers of circles, arcs and ellipses shared inside geomkit:
// the sweep of an angle or parameter range, the reduction by whole turns,
// the range normalisation of the arc hit tests and the on-arc rule, and the
// line-against-ellipse and line-against-arc intersections.
#ifndef GEOMKIT_GR_CIRCLE_P_H
#define GEOMKIT_GR_CIRCLE_P_H

#include <geomkit/gr_circle.h>
#include <geomkit/gr_types.h>

namespace geomkit {

// The library's pi and full turn, exactly as every arc rule uses them.
inline constexpr double kPi = 3.141592653589793;
inline constexpr double kTwoPi = 6.283185307179586;

// The counter-clockwise sweep of the range t1 .. t2 (angles of a circular
// arc or parameters of an elliptic one). sweep = t2 - t1, then in order:
//   1. sweep > 2 pi                        -> 2 pi
//   2. t1 > 0 and t2 <= GR_LMES_PREC       -> t2 + 2 pi - t1
//   3. t1 <= GR_LMES_PREC, t2 < 0, t1 > t2 -> t2 + 2 pi - t1
//   4. t1 > 0, t2 >= 0, t1 > t2            -> t2 + 2 pi - t1
// A sweep of 2 pi or more is a full turn. For ranges whose ends lie in
// (-2 pi, 2 pi), as the constructors and normalise_arc_range leave them,
// the result lies in [0, 2 pi + GR_LMES_PREC]; wider ranges can give a
// negative sweep, and a NaN end gives NaN: a caller that turns the sweep
// into a step count clamps it.
double sweep_of_range(double t1, double t2) noexcept;

// x reduced by whole turns toward zero: x - 2 pi trunc(x / 2 pi), in
// (-2 pi, 2 pi) with the sign of x kept. Not finite in, NaN out.
double reduce_by_turns(double x) noexcept;

// The range normalisation of the arc hit tests: a pair spanning a full turn
// or more (|a2 - a1| >= 2 pi) becomes (0, 2 pi); otherwise each end is
// reduced by whole turns.
void normalise_arc_range(double& a1, double& a2) noexcept;

// Whether the angle x in (-pi, pi] lies on the counter-clockwise range
// a1 .. a2 left by normalise_arc_range (ends included). A range with both
// ends in [-pi, pi] is tested as a1 <= x <= a2, or, when a1 > a2 (the range
// wraps through pi), as a1 <= x <= pi or -pi <= x <= a2. An end beyond pi
// either way is first moved one turn back into [-pi, pi], so a range such as
// (pi/2, 3 pi/2) keeps its part past pi; the full turn (0, 2 pi) holds
// every angle. NaN anywhere gives false.
bool angle_on_arc(double x, double a1, double a2) noexcept;

// The line against the whole ellipse, t[] receiving parameters on line:
// 0 none; 1 touching; 2 two parameters, smaller first. Both semi-axes
// within GR_LMES_PREC: 0. One of them within it: the ellipse is the segment
// c -/+ s dir (s the other semi-axis), and gr_isct_line_segment decides (the
// segment lying on the line gives its two end parameters).
int isct_line_ellip(double t[2], const gr_line& line, const gr_ellip& ellip) noexcept;

// The line against an arc: the intersections with the whole figure whose
// angle (circle) or parameter (ellipse) lies on the arc, moved to the front
// of t[] in their order; returns their number (0, 1 or 2). The range of the
// record is normalised in place (normalise_arc_range). arc_par, when not
// null, receives the angle or parameter of each returned intersection.
int isct_line_trcircle(double t[2], const gr_line& line, gr_trcircle& arc,
                       double* arc_par = nullptr) noexcept;
int isct_line_trellip(double t[2], const gr_line& line, gr_trellip& arc, double* arc_par = nullptr) noexcept;

}  // namespace geomkit

#endif
