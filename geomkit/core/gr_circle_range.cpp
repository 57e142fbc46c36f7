// Angle and parameter ranges of arcs: the sweep, the reduction by whole
// turns, the normalisation of the hit tests and the on-arc rule.
#include "core/gr_circle_p.h"

#include <cmath>

namespace geomkit {

double sweep_of_range(double t1, double t2) noexcept {
  double sweep = t2 - t1;
  if (sweep > kTwoPi) sweep = kTwoPi;
  if (t1 > 0 && t2 <= GR_LMES_PREC) sweep = t2 + kTwoPi - t1;
  if (t1 <= GR_LMES_PREC && t2 < 0 && t1 > t2) sweep = t2 + kTwoPi - t1;
  if (t1 > 0 && t2 >= 0 && t1 > t2) sweep = t2 + kTwoPi - t1;
  return sweep;
}

double reduce_by_turns(double x) noexcept { return x - kTwoPi * std::trunc(x / kTwoPi); }

void normalise_arc_range(double& a1, double& a2) noexcept {
  if (std::fabs(a2 - a1) >= kTwoPi) {
    a1 = 0.0;
    a2 = kTwoPi;
    return;
  }
  a1 = reduce_by_turns(a1);
  a2 = reduce_by_turns(a2);
}

namespace {

// Moves a reduced end lying beyond pi either way one turn back, so that the
// on-arc comparisons below, written for ends in [-pi, pi], see the same
// direction from the centre.
double into_half_turns(double a) noexcept {
  if (a > kPi) return a - kTwoPi;
  if (a < -kPi) return a + kTwoPi;
  return a;
}

}  // namespace

bool angle_on_arc(double x, double a1, double a2) noexcept {
  // The one range that covers a full turn after normalisation.
  if (a2 - a1 >= kTwoPi) return !std::isnan(x);
  // Ends already in [-pi, pi] are compared exactly as given: moving them
  // would only risk a rounding step at the boundary.
  a1 = into_half_turns(a1);
  a2 = into_half_turns(a2);
  if (a1 > a2) return (a1 <= x && x <= kPi) || (-kPi <= x && x <= a2);
  return a1 <= x && x <= a2;
}

}  // namespace geomkit
