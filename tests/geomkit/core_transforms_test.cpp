// Core records: directions and angles, rectangles, transforms, length units.
// Invariants: a zero vector never changes a direction; angles lie in
// (-pi, pi] with -0.0 counting as non-negative; shrinking a rectangle never
// inverts or collapses an axis; transforms map corners independently and
// never re-normalise; a null transform is the identity.
#include <geomkit/gr_types.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.141592653589793;

TEST(VectDir, ZeroVectorLeavesOutputUntouched) {
  gr_direct d{0.25, -0.5};
  gr_cpoint zero{0, 0};
  gr_vect_dir(&d, &zero);
  EXPECT_EQ(d.sin, 0.25);
  EXPECT_EQ(d.cos, -0.5);
  gr_cpoint v{3, 4};
  gr_vect_dir(&d, &v);
  EXPECT_DOUBLE_EQ(d.sin, 0.8);
  EXPECT_DOUBLE_EQ(d.cos, 0.6);
}

TEST(VectMeasures, HugeCoordinatesStayFinite) {
  gr_cpoint a{1e300, 1e300};
  EXPECT_DOUBLE_EQ(gr_vect_len(&a), std::sqrt(2.0) * 1e300);
  gr_direct d{};
  gr_vect_dir(&d, &a);
  EXPECT_DOUBLE_EQ(d.sin, std::sqrt(0.5));
  gr_cpoint b{-1e300, 1e300};
  gr_dir_between_vects(&d, &a, &b);
  EXPECT_NEAR(d.cos, 0.0, 1e-15);
  EXPECT_DOUBLE_EQ(d.sin, 1.0);
}

TEST(DirBetweenVects, ZeroVectorGivesZeroAngle) {
  gr_cpoint a{0, 0}, b{1, 2};
  gr_direct d{-7, -7};
  gr_dir_between_vects(&d, &a, &b);
  EXPECT_EQ(d.sin, 0.0);
  EXPECT_EQ(d.cos, 1.0);
}

TEST(AngleByDirect, QuadrantsAndClamping) {
  struct Row {
    const char* name;
    gr_direct dir;
    double angle;
  } rows[] = {
      {"zero", {0, 1}, 0},
      {"pi", {0, -1}, kPi},
      {"minus zero sine is pi", {-0.0, -1}, kPi},
      {"minus half pi", {-1, 0}, -kPi / 2},
      {"sine above one clamps", {1.0000001, 0}, kPi / 2},
      {"second quadrant", {0.5, -std::sqrt(0.75)}, kPi - kPi / 6},
      {"third quadrant", {-0.5, -std::sqrt(0.75)}, kPi / 6 - kPi},
      {"fourth quadrant", {-0.5, std::sqrt(0.75)}, -kPi / 6},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_NEAR(gr_angle_by_direct(&r.dir), r.angle, 1e-15);
  }
  gr_direct pi_dir{-0.0, -1};
  EXPECT_EQ(gr_angle_by_direct(&pi_dir), kPi);
}

TEST(DirectByAngle, RoundTripsThroughAngle) {
  for (double a = -3.1; a < 3.15; a += 0.1) {
    gr_direct d;
    gr_direct_by_angle(&d, a);
    EXPECT_NEAR(gr_angle_by_direct(&d), a, 1e-12) << a;
  }
}

TEST(RectInflate, ShrinkNeverCollapsesAnAxis) {
  struct Row {
    const char* name;
    double dx, dy;
    double width, height;  // expected extents of a 10 x 4 rectangle
  } rows[] = {
      {"grow", 1, 2, 12, 8},
      {"shrink to exactly zero refused", -5, -2, 10, 4},
      {"shrink past zero refused", -6, -3, 10, 4},
      {"shrink to a sliver", -4.9, -1.9, 0.2, 0.2},
      {"one axis refused, other applied", -5, -1, 10, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_xy_rect rect{0, 0, 10, 4};
    gr_xy_rect_inflate(&rect, r.dx, r.dy);
    EXPECT_NEAR(gr_xy_rect_width(&rect), r.width, 1e-12);
    EXPECT_NEAR(gr_xy_rect_height(&rect), r.height, 1e-12);
    EXPECT_NEAR(rect.x1 + rect.x2, 10, 1e-12);  // centre stays
  }
}

TEST(RectUnion, OutputMayAliasInput) {
  gr_xy_rect a{0, 0, 1, 1}, b{-1, 0.5, 0.5, 3};
  gr_union_xy_rect(&a, &a, &b);
  EXPECT_EQ(a.x1, -1);
  EXPECT_EQ(a.y1, 0);
  EXPECT_EQ(a.x2, 1);
  EXPECT_EQ(a.y2, 3);
}

TEST(MapRectRegions, KeepsProportionsAndMinimumCorner) {
  struct Row {
    const char* name;
    gr_xy_rect from, to;
    double scale, dx, dy;
  } rows[] = {
      {"width limits", {0, 0, 10, 5}, {100, 100, 120, 120}, 2, 100, 100},
      {"height limits", {1, 1, 3, 5}, {0, 0, 10, 2}, 0.5, -0.5, -0.5},
      {"zero-width source uses height", {2, 0, 2, 4}, {0, 0, 8, 8}, 2, -4, 0},
      {"point source keeps scale 1", {2, 3, 2, 3}, {0, 0, 8, 8}, 1, -2, -3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_ctrans t{};
    gr_map_rect_regions(&t, &r.from, &r.to);
    EXPECT_DOUBLE_EQ(t.scale, r.scale);
    EXPECT_DOUBLE_EQ(t.dx, r.dx);
    EXPECT_DOUBLE_EQ(t.dy, r.dy);
    EXPECT_EQ(t.sin, 0);
    EXPECT_EQ(t.cos, 1);
    EXPECT_EQ(t.xsign, 1);
    EXPECT_EQ(t.ysign, 1);
  }
}

TEST(VectorCtrans, RotatesByMinusTheAngleThenScalesSignsAndShifts) {
  const double s = std::sin(0.5), c = std::cos(0.5);
  struct Row {
    const char* name;
    gr_ctrans t;
    gr_cpoint in, out;
  } rows[] = {
      {"shift only", {3, -2, 1, 0, 1, 1, 1}, {1, 1}, {4, -1}},
      {"scale", {0, 0, 2.5, 0, 1, 1, 1}, {1, -2}, {2.5, -5}},
      {"quarter turn clockwise", {0, 0, 1, 1, 0, 1, 1}, {1, 0}, {0, -1}},
      {"mirror x", {10, 0, 1, 0, 1, -1, 1}, {1, 2}, {9, 2}},
      {"mirror y with scale", {0, 1, 2, 0, 1, 1, -1}, {1, 2}, {2, -3}},
      {"general", {1, 2, 3, s, c, -1, 1}, {4, 5}, {-3 * (4 * c + 5 * s) + 1, 3 * (-4 * s + 5 * c) + 2}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_cpoint p = gr_vector_ctrans(r.in.x, r.in.y, &r.t);
    EXPECT_NEAR(p.x, r.out.x, 1e-12);
    EXPECT_NEAR(p.y, r.out.y, 1e-12);
  }
  gr_cpoint id = gr_vector_ctrans(-7.25, 1e-300, nullptr);
  EXPECT_EQ(id.x, -7.25);
  EXPECT_EQ(id.y, 1e-300);
}

TEST(RectCtrans, MirroredCornersAreNotSwapped) {
  gr_ctrans t{0, 0, 1, 0, 1, -1, 1};
  gr_xy_rect in{1, 2, 3, 4}, out{};
  gr_xy_rect_ctrans(&out, &in, &t);
  EXPECT_EQ(out.x1, -1);
  EXPECT_EQ(out.x2, -3);
  EXPECT_GT(out.x1, out.x2);
  EXPECT_EQ(out.y1, 2);
  EXPECT_EQ(out.y2, 4);
  gr_xy_rect_ctrans(&in, &in, nullptr);  // in place, identity
  EXPECT_EQ(in.x1, 1);
  EXPECT_EQ(in.y2, 4);
}

TEST(LengthUnits, FactorsBothWays) {
  struct Row {
    const char* name;
    gr_lunits_kind kind;
    double to_logical, from_logical;
  } rows[] = {
      {"kind 0 is logical", 0, 1, 1},
      {"kind 1", 1, 39.370078740157481, 0.0254},
      {"kind 2", 2, 0.98425196850393704, 1.016},
      {"kind 3", 3, 0.001, 1000},
      {"unknown kind is logical", 200, 1, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_DOUBLE_EQ(gr_get_lunits(1, r.kind), r.to_logical);
    EXPECT_DOUBLE_EQ(gr_set_lunits(1, r.kind), r.from_logical);
  }
  EXPECT_DOUBLE_EQ(gr_conv_lunits(1, 1, 3), 39.370078740157481 * 1000);
  EXPECT_DOUBLE_EQ(gr_conv_lunits(25.4, 3, 1), 25.4 * 0.001 * 0.0254);
}

}  // namespace
