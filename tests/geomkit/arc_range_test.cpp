// The range rules of arcs: the sweep (four rules in order), the reduction
// by whole turns, the hit tests' normalisation and the on-arc rule.
// Invariants: for ranges with ends in (-2 pi, 2 pi) the sweep is never
// negative; every angle reached by walking the sweep from a1 lies on the
// normalised arc.
#include "core/gr_circle_p.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

namespace {

using geomkit::kPi;
using geomkit::kTwoPi;

TEST(ArcRange, SweepFollowsItsFourRulesInOrder) {
  struct Row {
    const char* name;
    double t1, t2, sweep;
  };
  const Row rows[] = {
      {"plain quarter", 0.0, kPi / 2, kPi / 2},
      {"more than a turn is clamped", -1.0, 7.0, kTwoPi},
      {"rule 2: positive start, end at zero", 1.0, 0.0, kTwoPi - 1.0},
      {"rule 2: end within tolerance above zero", 1.0, 0.5e-5, 0.5e-5 + kTwoPi - 1.0},
      {"rule 2: end negative", 1.0, -1.0, -1.0 + kTwoPi - 1.0},
      {"rule 3: both negative, decreasing", -1.0, -2.0, -2.0 + kTwoPi + 1.0},
      {"rule 3: start zero, end negative", 0.0, -1.0, kTwoPi - 1.0},
      {"rule 4: both positive, decreasing", 3.0, 1.0, 1.0 + kTwoPi - 3.0},
      {"negative to positive is plain", -1.0, 1.0, 2.0},
      {"exact full turn", 0.0, kTwoPi, kTwoPi},
      {"empty range", 1.0, 1.0, 0.0},
      {"zero-length at zero", 0.0, 0.0, 0.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_DOUBLE_EQ(geomkit::sweep_of_range(r.t1, r.t2), r.sweep);
  }
}

TEST(ArcRange, SweepOfReducedRangesIsNeverNegative) {
  for (double a1 = -6.2; a1 < 6.3; a1 += 0.1) {
    for (double a2 = -6.2; a2 < 6.3; a2 += 0.1) {
      double n1 = a1, n2 = a2;
      geomkit::normalise_arc_range(n1, n2);
      const double s = geomkit::sweep_of_range(n1, n2);
      ASSERT_GE(s, 0.0) << a1 << " " << a2;
      ASSERT_LE(s, kTwoPi + 1e-5) << a1 << " " << a2;
    }
  }
}

TEST(ArcRange, ReductionKeepsSignAndDropsWholeTurns) {
  struct Row {
    double x, reduced;
  };
  const Row rows[] = {
      {0.0, 0.0},
      {1.0, 1.0},
      {-1.0, -1.0},
      {kTwoPi + 1.0, 1.0},
      {-kTwoPi - 1.0, -1.0},
      {3 * kTwoPi + 0.5, 0.5},
      {kTwoPi, 0.0},
      {-kTwoPi, 0.0},
      {6.0, 6.0},
  };
  for (const Row& r : rows) EXPECT_NEAR(geomkit::reduce_by_turns(r.x), r.reduced, 1e-12) << r.x;
  EXPECT_TRUE(std::isnan(geomkit::reduce_by_turns(INFINITY)));
}

TEST(ArcRange, NormalisationTurnsFullTurnsIntoZeroToTwoPi) {
  double a1 = 5.0, a2 = 5.0 + kTwoPi;
  geomkit::normalise_arc_range(a1, a2);
  EXPECT_EQ(a1, 0.0);
  EXPECT_EQ(a2, kTwoPi);
  a1 = 7.0;
  a2 = 8.0;
  geomkit::normalise_arc_range(a1, a2);
  EXPECT_NEAR(a1, 7.0 - kTwoPi, 1e-12);
  EXPECT_NEAR(a2, 8.0 - kTwoPi, 1e-12);
}

TEST(ArcRange, OnArcRule) {
  struct Row {
    const char* name;
    double a1, a2, x;
    bool on;
  };
  const Row rows[] = {
      // Ranges within [-pi, pi]: the plain and the wrapping comparison.
      {"inside plain range", 0.0, kPi / 2, 0.5, true},
      {"outside plain range", 0.0, kPi / 2, -0.5, false},
      {"start included", 0.0, kPi / 2, 0.0, true},
      {"end included", 0.0, kPi / 2, kPi / 2, true},
      {"wrapping range, upper part", 3.0, -3.0, 3.1, true},
      {"wrapping range, lower part", 3.0, -3.0, -3.1, true},
      {"wrapping range, pi itself", 3.0, -3.0, kPi, true},
      {"wrapping range, outside", 3.0, -3.0, 0.0, false},
      {"wrapping range through zero", 1.0, 0.5, 2.0, true},
      {"wrapping range through zero, gap", 1.0, 0.5, 0.7, false},
      // Ranges past pi without wrapping: the stretch beyond pi counts (issue 3).
      {"beyond pi: left point", kPi / 2, 3 * kPi / 2, kPi, true},
      {"beyond pi: lower left", kPi / 2, 3 * kPi / 2, -2.0, true},
      {"beyond pi: right side excluded", kPi / 2, 3 * kPi / 2, 0.0, false},
      {"beyond pi: lower right excluded", kPi / 2, 3 * kPi / 2, -1.0, false},
      {"start beyond pi", 4.0, 5.0, 4.5 - kTwoPi, true},
      {"start beyond pi, outside", 4.0, 5.0, 0.0, false},
      {"below -pi", -5.0, -4.0, -4.5 + kTwoPi, true},
      {"below -pi, outside", -5.0, -4.0, -1.0, false},
      {"negative start, end past pi", -1.0, 4.0, -2.5, true},
      {"negative start, end past pi, gap", -1.0, 4.0, -2.0, false},
      {"full turn holds a negative angle", 0.0, kTwoPi, -1.0, true},
      {"NaN angle", 0.0, kPi, NAN, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(geomkit::angle_on_arc(r.x, r.a1, r.a2), r.on);
  }
}

// Walking the sweep from a1 reaches only angles the on-arc rule accepts,
// whatever the range, and angles well outside the sweep are refused.
TEST(ArcRange, OnArcAgreesWithTheSweep) {
  for (double a1 = -6.0; a1 < 6.2; a1 += 0.37) {
    for (double a2 = -6.0; a2 < 6.2; a2 += 0.41) {
      double n1 = a1, n2 = a2;
      geomkit::normalise_arc_range(n1, n2);
      const double sweep = geomkit::sweep_of_range(n1, n2);
      // Interior samples: the ends themselves are a rounding step away
      // from the normalised values.
      for (int i = 0; i < 20 && sweep > 1e-6; ++i) {
        const double u = sweep * (i + 0.5) / 20.0;
        const double x = std::atan2(std::sin(n1 + u), std::cos(n1 + u));
        if (std::fabs(std::fabs(x) - kPi) < 1e-9) continue;  // the seam, either sign
        ASSERT_TRUE(geomkit::angle_on_arc(x, n1, n2)) << a1 << " " << a2 << " " << u;
      }
      if (sweep < kTwoPi - 0.2) {
        const double u = sweep + 0.5 * (kTwoPi - sweep);
        const double x = std::atan2(std::sin(n1 + u), std::cos(n1 + u));
        ASSERT_FALSE(geomkit::angle_on_arc(x, n1, n2)) << a1 << " " << a2;
      }
    }
  }
}

}  // namespace
