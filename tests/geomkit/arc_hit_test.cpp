// Arcs and circles against rectangles: the arc's box from its extreme
// points, and the rectangle hit tests of circles and arcs.
// Invariants: an arc's box holds every point of the arc and is no larger
// than the arc needs; a rectangle crossing a visible part of an arc reports
// a crossing whatever range the arc is stored with (issue 3).
#include <geomkit/gr_circle.h>
#include "core/gr_circle_p.h"
#include <geomkit/gr_poly.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using geomkit::kPi;
using geomkit::kTwoPi;

// The box of points sampled along the arc's counter-clockwise sweep.
gr_xy_rect sampled_box(const gr_trcircle& arc, int steps) {
  const double sweep = geomkit::sweep_of_range(arc.a1, arc.a2);
  const gr_circle c{arc.c, arc.r};
  gr_xy_rect box{INFINITY, INFINITY, -INFINITY, -INFINITY};
  for (int i = 0; i <= steps; ++i) {
    gr_cpoint p;
    gr_conv_cirpar_to_cpoint(&p, &c, arc.a1 + std::min(sweep, kTwoPi) * i / steps);
    box.x1 = std::min(box.x1, p.x);
    box.y1 = std::min(box.y1, p.y);
    box.x2 = std::max(box.x2, p.x);
    box.y2 = std::max(box.y2, p.y);
  }
  return box;
}

TEST(ArcBox, ExtremePointsOnTheArcOnly) {
  struct Row {
    const char* name;
    double a1, a2;
    gr_xy_rect box;
  };
  const Row rows[] = {
      {"upper half", 0, kPi, {-1, 0, 1, 1}},
      {"quarter", 0, kPi / 2, {0, 0, 1, 1}},
      {"full turn", 0, kTwoPi, {-1, -1, 1, 1}},
      {"left half, past pi", kPi / 2, 3 * kPi / 2, {-1, -1, 0, 1}},
      {"lower right, past pi", kPi, 7 * kPi / 4, {-1, -1, std::sqrt(0.5), 0}},
      {"wrapping through pi",
       3 * kPi / 4,
       -3 * kPi / 4,
       {-1, -std::sqrt(0.5), -std::sqrt(0.5), std::sqrt(0.5)}},
      {"wrapping through zero", 3 * kPi / 2, kPi / 4, {0, -1, 1, std::sqrt(0.5)}},
      {"small arc, no extreme", 0.1, 0.2, {std::cos(0.2), std::sin(0.1), std::cos(0.1), std::sin(0.2)}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const gr_trcircle arc{{0, 0}, 1, r.a1, r.a2};
    gr_xy_rect box;
    gr_get_trcircle_dims(&box, &arc);
    EXPECT_NEAR(box.x1, r.box.x1, 1e-12);
    EXPECT_NEAR(box.y1, r.box.y1, 1e-12);
    EXPECT_NEAR(box.x2, r.box.x2, 1e-12);
    EXPECT_NEAR(box.y2, r.box.y2, 1e-12);
  }
}

// The box holds the sampled arc and exceeds it by no more than the chord
// sag of the sampling, for ranges of every kind.
TEST(ArcBox, HoldsTheSampledArcAndNoMore) {
  for (double a1 = -6.0; a1 < 6.3; a1 += 0.53) {
    for (double a2 = -6.1; a2 < 6.3; a2 += 0.47) {
      double n1 = a1, n2 = a2;
      geomkit::normalise_arc_range(n1, n2);
      const gr_trcircle arc{{3, -2}, 2.5, n1, n2};
      gr_xy_rect box;
      gr_get_trcircle_dims(&box, &arc);
      const gr_xy_rect s = sampled_box(arc, 4000);
      const double slack = 1e-5;
      ASSERT_LE(box.x1, s.x1 + 1e-12) << a1 << " " << a2;
      ASSERT_LE(box.y1, s.y1 + 1e-12) << a1 << " " << a2;
      ASSERT_GE(box.x2, s.x2 - 1e-12) << a1 << " " << a2;
      ASSERT_GE(box.y2, s.y2 - 1e-12) << a1 << " " << a2;
      ASSERT_GE(box.x1, s.x1 - slack) << a1 << " " << a2;
      ASSERT_GE(box.y1, s.y1 - slack) << a1 << " " << a2;
      ASSERT_LE(box.x2, s.x2 + slack) << a1 << " " << a2;
      ASSERT_LE(box.y2, s.y2 + slack) << a1 << " " << a2;
    }
  }
}

TEST(CircleBox, CentreAndRadius) {
  const gr_circle c{{1, 2}, 3};
  gr_xy_rect box;
  gr_get_circle_dims(&box, &c);
  EXPECT_EQ(box.x1, -2.0);
  EXPECT_EQ(box.y1, -1.0);
  EXPECT_EQ(box.x2, 4.0);
  EXPECT_EQ(box.y2, 5.0);
}

TEST(CircleHit, RectangleAgainstCircle) {
  struct Row {
    const char* name;
    gr_xy_rect rect;
    int code;
  };
  const gr_circle unit{{0, 0}, 1};
  const Row rows[] = {
      {"circle inside", {-2, -2, 2, 2}, GR_FIGURE_IN_RECT},
      {"rectangle inside circle", {-0.3, -0.3, 0.3, 0.3}, GR_RECT_IN_FIGURE},
      {"tangent to a side from outside", {1, -0.5, 2, 0.5}, GR_OUTLINES_CROSS},
      {"crossing one side", {0.5, -0.2, 3, 0.2}, GR_OUTLINES_CROSS},
      {"apart", {2, 2, 3, 3}, GR_NO_CONTACT},
      {"apart near the corner", {0.8, 0.8, 3, 3}, GR_NO_CONTACT},
      {"box touching only at a corner of the circle's box", {1, 1, 2, 2}, GR_NO_CONTACT},
      {"given with corners swapped", {2, 2, -2, -2}, GR_FIGURE_IN_RECT},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_xy_rect rect = r.rect;
    EXPECT_EQ(gr_layout_rect_circle(&rect, &unit), r.code);
    EXPECT_LE(rect.x1, rect.x2);  // normalised in place
    EXPECT_LE(rect.y1, rect.y2);
  }
}

TEST(ArcHit, RectangleAgainstArc) {
  struct Row {
    const char* name;
    double a1, a2;
    gr_xy_rect rect;
    int code;
  };
  const Row rows[] = {
      {"circle inside the rectangle", 0, kPi / 2, {-2, -2, 2, 2}, GR_FIGURE_IN_RECT},
      {"full turn crossing", 0, kTwoPi, {0.5, -0.2, 3, 0.2}, GR_OUTLINES_CROSS},
      {"full turn around the rectangle", -1, kTwoPi, {-0.3, -0.3, 0.3, 0.3}, GR_RECT_IN_FIGURE},
      {"partial arc around the rectangle", 0, kPi, {-0.3, -0.3, 0.3, 0.3}, GR_NO_CONTACT},
      {"partial arc apart", 0, kPi, {2, 2, 3, 3}, GR_NO_CONTACT},
      {"crossing the arc", 0, kPi, {-0.2, 0.5, 0.2, 2}, GR_OUTLINES_CROSS},
      {"crossing the circle away from the arc", 0, kPi, {-0.2, -2, 0.2, -0.5}, GR_NO_CONTACT},
      {"quarter arc inside, circle crossing", 0, kPi / 2, {-0.1, -0.1, 1.1, 1.1}, GR_FIGURE_IN_RECT},
      // Ranges that wrap through pi keep their answers.
      {"wrapping arc crossed at the left",
       3 * kPi / 4,
       -3 * kPi / 4,
       {-2, -0.1, -0.5, 0.1},
       GR_OUTLINES_CROSS},
      {"wrapping arc, circle crossed on the right",
       3 * kPi / 4,
       -3 * kPi / 4,
       {0.5, -0.1, 2, 0.1},
       GR_NO_CONTACT},
      // Ranges past pi without wrapping: the stretch beyond pi is hit (issue 3).
      {"left half crossed below", kPi / 2, 3 * kPi / 2, {-1.2, -0.8, -0.5, -0.5}, GR_OUTLINES_CROSS},
      {"left half crossed at pi", kPi / 2, 3 * kPi / 2, {-2, -0.1, -0.5, 0.1}, GR_OUTLINES_CROSS},
      {"left half, circle crossed on the right", kPi / 2, 3 * kPi / 2, {0.5, -0.1, 2, 0.1}, GR_NO_CONTACT},
      {"start past pi crossed", 4.0, 5.0, {-0.2, -2, 0.2, -0.5}, GR_OUTLINES_CROSS},
      {"stored a turn up, crossed",
       kPi / 2 + kTwoPi,
       3 * kPi / 2 + kTwoPi,
       {-1.2, -0.8, -0.5, -0.5},
       GR_OUTLINES_CROSS},
      {"stored negative, crossed", -3 * kPi / 2, -kPi / 2, {-1.2, -0.8, -0.5, -0.5}, GR_OUTLINES_CROSS},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_xy_rect rect = r.rect;
    gr_trcircle arc{{0, 0}, 1, r.a1, r.a2};
    EXPECT_EQ(gr_layout_rect_trcircle(&rect, &arc), r.code);
  }
}

TEST(ArcHit, NormalisesTheRangeItIsGiven) {
  gr_xy_rect rect{-0.2, 0.5, 0.2, 2};
  gr_trcircle arc{{0, 0}, 1, kPi / 2 + 2 * kTwoPi, 3 * kPi / 2 + 2 * kTwoPi};
  EXPECT_EQ(gr_layout_rect_trcircle(&rect, &arc), GR_OUTLINES_CROSS);
  EXPECT_NEAR(arc.a1, kPi / 2, 1e-12);
  EXPECT_NEAR(arc.a2, 3 * kPi / 2, 1e-12);
}

// The arc's own line intersection: only points on the arc, moved first.
TEST(ArcHit, LineAgainstArcKeepsPointsOnTheArcFirst) {
  const gr_line horizontal{{-5, 0}, {0, 1}};  // meets the unit circle at t = 4 (left), 6 (right)
  struct Row {
    const char* name;
    double a1, a2;
    int on;
    double first;
  };
  const Row rows[] = {
      {"upper half holds both ends", 0, kPi, 2, 4},
      {"right quarter holds the right point", -kPi / 4, kPi / 4, 1, 6},
      {"left half past pi", kPi / 2, 3 * kPi / 2, 1, 4},
      {"nothing", kPi / 4, 3 * kPi / 4, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_trcircle arc{{0, 0}, 1, r.a1, r.a2};
    double t[2] = {0, 0}, par[2] = {0, 0};
    ASSERT_EQ(geomkit::isct_line_trcircle(t, horizontal, arc, par), r.on);
    if (r.on > 0) {
      EXPECT_NEAR(t[0], r.first, 1e-12);
    }
  }
}

}  // namespace
