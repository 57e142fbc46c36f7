// Infinite lines: construction, projection, signed distance, intersection.
// Invariants: the signed distance is positive on the left of the direction;
// two points closer than the tolerance make no line; parallel lines meet
// only when they coincide (result 2, parameter of the second base point).
#include <geomkit/gr_types.h>

#include "core/gr_poly_p.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

gr_line line_at(double x, double y, double angle) {
  gr_line l;
  l.p = {x, y};
  gr_direct_by_angle(&l.dir, angle);
  return l;
}

TEST(LineByTwoPoints, RefusesPointsCloserThanTolerance) {
  struct Row {
    const char* name;
    gr_cpoint a, b;
    int result;
  } rows[] = {
      {"half the tolerance", {1, 1}, {1 + 0.5e-5, 1}, 0},
      {"identical", {1, 1}, {1, 1}, 0},
      {"just over", {1, 1}, {1, 1 + 1.01e-5}, 1},
      {"ordinary", {0, 0}, {3, 4}, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_line l{{-9, -9}, {0.125, 0.25}};
    EXPECT_EQ(gr_line_by_two_points(&l, &r.a, &r.b), r.result);
    EXPECT_EQ(l.p.x, r.a.x);
    EXPECT_EQ(l.p.y, r.a.y);
    if (r.result == 0) {
      EXPECT_EQ(l.dir.sin, 0.125);  // direction left unwritten
      EXPECT_EQ(l.dir.cos, 0.25);
    }
  }
}

TEST(LineMeasures, SignedDistanceIsPositiveOnTheLeft) {
  struct Row {
    const char* name;
    gr_line line;
    gr_cpoint pt;
    double deriv, proj;
  } rows[] = {
      {"left of +x", line_at(0, 0, 0), {2, 3}, 3, 2},
      {"right of +x", line_at(0, 0, 0), {-2, -3}, -3, -2},
      {"left of -x is below", {{1, 1}, {0, -1}}, {5, 0}, 1, -4},
      {"left of +y is -x", {{0, 0}, {1, 0}}, {-2, 7}, 2, 7},
      {"diagonal", line_at(1, 1, M_PI / 4), {1, 3}, std::sqrt(2.0), std::sqrt(2.0)},
      {"far base point", line_at(1e6, -1e6, 0.3), {1e6, -1e6 + 1}, std::cos(0.3), std::sin(0.3)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_NEAR(gr_deriv_line_cpoint(&r.line, &r.pt), r.deriv, 1e-9);
    EXPECT_NEAR(gr_proj_cpoint_on_line(&r.pt, &r.line), r.proj, 1e-9);
    // The internal measure must agree to the bit: hatching mixes the two.
    geomkit::LineMeasure lm(r.line);
    EXPECT_EQ(lm.deriv(r.pt), gr_deriv_line_cpoint(&r.line, &r.pt));
    EXPECT_EQ(lm.proj(r.pt), gr_proj_cpoint_on_line(&r.pt, &r.line));
    gr_cpoint back;
    gr_conv_linepar_to_cpoint(&back, &r.line, r.proj);
    EXPECT_NEAR(gr_deriv_line_cpoint(&r.line, &back), 0, 1e-9);
  }
}

TEST(IntersectLineLine, CrossingParallelAndCoincident) {
  struct Row {
    const char* name;
    gr_line l1, l2;
    int result;
    double t;  // when result != 0
  } rows[] = {
      {"perpendicular", line_at(0, 0, 0), line_at(3, -5, M_PI / 2), 1, 3},
      {"crossing behind base", line_at(0, 0, 0), line_at(-2, 1, -M_PI / 4), 1, -1},
      {"same direction, other line", line_at(0, 0, 0.7), line_at(0, 1, 0.7), 0, 0},
      {"same line, opposite directions", line_at(0, 0, 0), {{4, 0}, {0, -1}}, 2, 4},
      {"same line, same direction", line_at(1, 1, M_PI / 4), line_at(-1, -1, M_PI / 4), 2,
       -2 * std::sqrt(2.0)},
      {"parallel within tolerance, offset 0.5e-5", line_at(0, 0, 0), line_at(7, 0.5e-5, 0), 2, 7},
      {"parallel, offset 2e-5", line_at(0, 0, 0), line_at(7, 2e-5, 0), 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    double t = 12345;
    EXPECT_EQ(gr_intersect_line_line(&t, &r.l1, &r.l2), r.result);
    if (r.result)
      EXPECT_NEAR(t, r.t, 1e-12);
    else
      EXPECT_EQ(t, 12345);
  }
}

TEST(IntersectLineLine, NearlyParallelBeyondToleranceStillCrosses) {
  // det just above 1e-5: the crossing formula applies, far away.
  gr_line l1 = line_at(0, 0, 0), l2 = line_at(0, 1, 2e-5);
  double t = 0;
  EXPECT_EQ(gr_intersect_line_line(&t, &l1, &l2), 1);
  EXPECT_NEAR(t, -1 / std::tan(2e-5), 1);
}

TEST(NormaliseRect, SwapsInvertedAxes) {
  gr_xy_rect r{5, -1, 2, 3};
  geomkit::normalise_rect(r);
  EXPECT_EQ(r.x1, 2);
  EXPECT_EQ(r.x2, 5);
  EXPECT_EQ(r.y1, -1);
  EXPECT_EQ(r.y2, 3);
}

}  // namespace
