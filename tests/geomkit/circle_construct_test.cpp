// Circles and arcs: transforms, constructors, the conversion between points
// and angles, the distance test and the line intersection.
// Invariants: a constructed circle passes through the points it was built
// from; no constructor leaves a NaN behind, whatever points it is given.
#include <geomkit/gr_circle.h>
#include "core/gr_circle_p.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using geomkit::kPi;

constexpr double kEps = 1e-12;

TEST(CircleTransform, MapsCentreAndScalesRadius) {
  const gr_circle in{{1.0, 2.0}, 3.0};
  gr_circle out;
  gr_circle_ctrans(&out, &in, nullptr);
  EXPECT_EQ(out.c.x, 1.0);
  EXPECT_EQ(out.c.y, 2.0);
  EXPECT_EQ(out.r, 3.0);

  // Mirrored in x and scaled by 2: the radius only scales.
  const gr_ctrans t{10.0, 20.0, 2.0, 0.0, 1.0, -1, 1};
  gr_circle_ctrans(&out, &in, &t);
  EXPECT_NEAR(out.c.x, 10.0 - 2.0, kEps);
  EXPECT_NEAR(out.c.y, 20.0 + 4.0, kEps);
  EXPECT_EQ(out.r, 6.0);

  // The arc keeps its angles as they were, even when mirrored.
  const gr_trcircle arc{{1.0, 2.0}, 3.0, 0.5, 1.5};
  gr_trcircle arc_out;
  gr_trcircle_ctrans(&arc_out, &arc, &t);
  EXPECT_EQ(arc_out.a1, 0.5);
  EXPECT_EQ(arc_out.a2, 1.5);
  EXPECT_EQ(arc_out.r, 6.0);

  // In place.
  gr_circle same = in;
  gr_circle_ctrans(&same, &same, &t);
  EXPECT_EQ(same.r, 6.0);
}

TEST(CircleConstruct, CentreRadiusAndTwoPoints) {
  const gr_cpoint c{1.0, -1.0};
  gr_circle out;
  EXPECT_EQ(gr_circle_cr(&c, 2.5, &out), &out);
  EXPECT_EQ(out.r, 2.5);
  const gr_cpoint p1{0.0, 0.0}, p2{6.0, 8.0};
  EXPECT_EQ(gr_circle_2p(&p1, &p2, &out), &out);
  EXPECT_EQ(out.c.x, 3.0);
  EXPECT_EQ(out.c.y, 4.0);
  EXPECT_EQ(out.r, 5.0);
}

TEST(CircleConstruct, TwoPointsAndRadius) {
  struct Row {
    const char* name;
    gr_cpoint p1, p2;
    double r;
    int result;
    gr_cpoint centre;
    double radius;
  };
  const double s3 = std::sqrt(3.0);
  const Row rows[] = {
      {"radius half the distance", {1, 0}, {-1, 0}, 1.0, 1, {0, 0}, 1.0},
      {"centre left of p2 -> p1", {1, 0}, {-1, 0}, 2.0, 1, {0, s3}, 2.0},
      {"swapped points, other side", {-1, 0}, {1, 0}, 2.0, 1, {0, -s3}, 2.0},
      // No circle: the smallest one through both points, result 0.
      {"radius too small", {1, 0}, {-1, 0}, 0.5, 0, {0, 0}, 1.0},
      {"negative radius", {1, 0}, {-1, 0}, -2.0, 0, {0, 0}, 1.0},
      {"NaN radius", {1, 0}, {-1, 0}, NAN, 0, {0, 0}, 1.0},
      {"coincident points", {2, 3}, {2, 3}, 1.0, 0, {2, 3}, 0.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_circle out{{99, 99}, 99};
    EXPECT_EQ(gr_circle_2pr(&r.p1, &r.p2, r.r, &out), r.result);
    EXPECT_NEAR(out.c.x, r.centre.x, kEps);
    EXPECT_NEAR(out.c.y, r.centre.y, kEps);
    EXPECT_NEAR(out.r, r.radius, kEps);
  }
}

TEST(CircleConstruct, TwoPointsAndRadiusPassesThroughBoth) {
  const gr_cpoint p1{3.0, 1.0}, p2{-2.0, 4.5};
  for (double r : {3.1, 4.0, 10.0, 1000.0}) {
    gr_circle out;
    ASSERT_EQ(gr_circle_2pr(&p1, &p2, r, &out), 1);
    EXPECT_NEAR(gr_dist_cpoints(&out.c, &p1), r, 1e-9);
    EXPECT_NEAR(gr_dist_cpoints(&out.c, &p2), r, 1e-9);
  }
}

TEST(CircleConstruct, ThreePoints) {
  struct Row {
    const char* name;
    gr_cpoint p1, p2, p3;
    int result;
    gr_cpoint centre;
    double radius;
  };
  const Row rows[] = {
      {"collinear", {0, 0}, {1, 0}, {2, 0}, 0, {}, 0},
      {"first and last equal: diameter p2 p3", {0, 0}, {1, 1}, {0, 0}, 1, {0.5, 0.5}, std::sqrt(2.0) / 2},
      {"right angle", {1, 0}, {0, 1}, {-1, 0}, 1, {0, 0}, 1.0},
      {"shifted", {6, 5}, {5, 6}, {4, 5}, 1, {5, 5}, 1.0},
      {"p1 equals p2", {1, 1}, {1, 1}, {3, 0}, 0, {}, 0},
      {"p2 equals p3", {1, 1}, {3, 0}, {3, 0}, 0, {}, 0},
      {"all equal", {1, 1}, {1, 1}, {1, 1}, 0, {}, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_circle out{{99, 99}, 99};
    EXPECT_EQ(gr_circle_3p(&r.p1, &r.p2, &r.p3, &out), r.result);
    if (r.result == 0) {
      EXPECT_EQ(out.r, 99.0);  // untouched
      continue;
    }
    EXPECT_NEAR(out.c.x, r.centre.x, 1e-9);
    EXPECT_NEAR(out.c.y, r.centre.y, 1e-9);
    EXPECT_NEAR(out.r, r.radius, 1e-9);
  }
}

TEST(CircleConstruct, ArcFromDegreesAndThickRecords) {
  const gr_cpoint c{1, 2};
  gr_trcircle arc;
  gr_creat_trcircle(&arc, &c, 3.0, 90.0, 180.0);
  EXPECT_EQ(arc.a1, kPi / 2);
  EXPECT_EQ(arc.a2, kPi);
  gr_creat_trcircle(&arc, &c, 3.0, -450.0, 720.0);  // not reduced
  EXPECT_NEAR(arc.a1, -2.5 * kPi, kEps);
  EXPECT_NEAR(arc.a2, 4 * kPi, kEps);

  gr_thick_trcircle thick;
  gr_set_thick_trcircle(&thick, 0.25, &arc);
  EXPECT_EQ(thick.thickness, 0.25);
  EXPECT_EQ(thick.a2, arc.a2);
  gr_thick_circle tc;
  const gr_circle circle{{1, 2}, 3};
  gr_set_thick_circle(&tc, 0.5, &circle);
  EXPECT_EQ(tc.r, 3.0);
  EXPECT_EQ(tc.thickness, 0.5);
}

TEST(CircleAngles, PointAndAngleRoundTrip) {
  const gr_circle circle{{2.0, -1.0}, 3.0};
  for (double a = -3.1; a <= kPi; a += 0.2) {
    gr_cpoint p;
    gr_conv_cirpar_to_cpoint(&p, &circle, a);
    double back = 0;
    ASSERT_EQ(gr_conv_cpoint_to_cirpar(&back, &circle, &p), 1);
    EXPECT_NEAR(back, a, 1e-9);
  }
  // The left point is at pi, not -pi; the centre itself reads as 0.
  const gr_cpoint left{-1.0, -1.0};
  double angle = 5;
  gr_conv_cpoint_to_cirpar(&angle, &circle, &left);
  EXPECT_EQ(angle, kPi);
  gr_conv_cpoint_to_cirpar(&angle, &circle, &circle.c);
  EXPECT_EQ(angle, 0.0);
}

TEST(CircleAngles, SignedDistanceSnapsToZeroWithinTolerance) {
  const gr_circle unit{{0, 0}, 1.0};
  struct Row {
    gr_cpoint p;
    double d;
  };
  const Row rows[] = {
      {{0.5, 0}, 0.5}, {{2, 0}, -1.0}, {{1 - 0.5e-5, 0}, 0.0}, {{1 + 0.5e-5, 0}, 0.0}, {{0, 1 - 2e-5}, 2e-5},
  };
  for (const Row& r : rows)
    EXPECT_NEAR(gr_deriv_circle_cpoint(&unit, &r.p), r.d, 1e-12) << r.p.x << "," << r.p.y;
  const gr_cpoint inside{1 - 0.5e-5, 0};
  EXPECT_EQ(gr_deriv_circle_cpoint(&unit, &inside), 0.0);
}

TEST(CircleIntersect, LineAgainstCircle) {
  struct Row {
    const char* name;
    gr_line line;
    gr_circle circle;
    int result;
    double t0, t1;
  };
  const Row rows[] = {
      {"tangent y = 1", {{0, 1}, {0, 1}}, {{0, 0}, 1}, 2, 0.0, 0.0},
      {"through centre", {{-5, 0}, {0, 1}}, {{0, 0}, 1}, 2, 4.0, 6.0},
      {"reversed direction", {{5, 0}, {0, -1}}, {{0, 0}, 1}, 2, 4.0, 6.0},
      {"vertical", {{0.6, -3}, {1, 0}}, {{0, 0}, 1}, 2, 2.2, 3.8},
      {"miss", {{0, 1.5}, {0, 1}}, {{0, 0}, 1}, 0, 0, 0},
      {"zero radius on the line", {{-1, 0}, {0, 1}}, {{0, 0}, 0}, 2, 1.0, 1.0},
      {"NaN radius", {{-1, 0}, {0, 1}}, {{0, 0}, NAN}, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    double t[2] = {-99, -99};
    ASSERT_EQ(gr_isct_line_circle(t, &r.line, &r.circle), r.result);
    if (r.result == 0) continue;
    EXPECT_NEAR(t[0], r.t0, kEps);
    EXPECT_NEAR(t[1], r.t1, kEps);
  }
}

}  // namespace
