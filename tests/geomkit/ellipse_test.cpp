// Ellipses and elliptic arcs: construction from a centre and two vertices,
// polar angles turned into parameters, the point/parameter conversion, the
// line intersection, boxes and the rectangle hit test.
// Invariants: the point at a range end lies on the ray at the polar angle
// it was made from; the box of an elliptic arc holds every point of it.
#include <geomkit/gr_circle.h>
#include "core/gr_circle_p.h"
#include <geomkit/gr_poly.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using geomkit::kPi;
using geomkit::kTwoPi;

gr_direct dir_of(double angle) { return gr_direct{std::sin(angle), std::cos(angle)}; }

TEST(EllipseConstruct, FromCentreAndTwoVertices) {
  struct Row {
    const char* name;
    gr_cpoint c, va, vb;
    double a, b, dir_sin, dir_cos;
  };
  const Row rows[] = {
      {"axis aligned", {1, 1}, {4, 1}, {1, 3}, 3, 2, 0, 1},
      {"vb off the perpendicular: its distance from the axis", {0, 0}, {0, 2}, {5, 1}, 2, 5, 1, 0},
      {"va at the centre: b and dir from vb", {0, 0}, {0, 0}, {0, -3}, 0, 3, -1, 0},
      {"both at the centre", {2, 2}, {2, 2}, {2, 2}, 0, 0, 0, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_ellip e;
    gr_set_ellip_c_va_vb(&e, &r.c, &r.va, &r.vb);
    EXPECT_NEAR(e.a, r.a, 1e-12);
    EXPECT_NEAR(e.b, r.b, 1e-12);
    EXPECT_NEAR(e.dir.sin, r.dir_sin, 1e-12);
    EXPECT_NEAR(e.dir.cos, r.dir_cos, 1e-12);
    EXPECT_EQ(e.c.x, r.c.x);
  }
}

TEST(EllipseConstruct, RangeEndsLieOnTheirPolarRays) {
  const gr_cpoint c{1, -1};
  const gr_cpoint va{1 + 3 * std::cos(0.4), -1 + 3 * std::sin(0.4)};
  const gr_cpoint vb{1 - std::sin(0.4), -1 + std::cos(0.4)};  // b = 1
  for (double phi1 : {-3.0, -1.2, 0.0, 0.7, 2.0, 3.1, 5.0, 8.0}) {
    gr_trellip arc;
    gr_set_trellip_c_va_vb(&arc, &c, &va, &vb, phi1, phi1 + 1.0);
    const gr_ellip e{arc.c, arc.dir, arc.a, arc.b};
    for (const auto& [phi, t] : {std::pair{phi1, arc.t1}, std::pair{phi1 + 1.0, arc.t2}}) {
      gr_cpoint p;
      gr_conv_ellpar_to_cpoint(&p, &e, t);
      // The polar angle of p from the first axis is phi (modulo a turn).
      const double polar = std::atan2(p.y - c.y, p.x - c.x) - 0.4;
      EXPECT_NEAR(std::remainder(polar - phi, kTwoPi), 0.0, 1e-9) << phi;
    }
  }
}

TEST(EllipseConstruct, FullTurnAndFlatEllipse) {
  const gr_ellip e{{0, 0}, {0, 1}, 2, 1};
  gr_trellip arc;
  gr_set_trellip_ellip(&arc, &e, 1.0, 1.1 + kTwoPi);
  EXPECT_EQ(arc.t1, 0.0);
  // (0, 2 pi) of polar angles ends a rounding step short of a turn; the
  // box is still the whole ellipse's.
  gr_xy_rect box;
  gr_get_trellip_dims(&box, &arc);
  EXPECT_NEAR(box.x1, -2, 1e-12);
  EXPECT_NEAR(box.x2, 2, 1e-12);
  EXPECT_NEAR(box.y1, -1, 1e-12);
  EXPECT_NEAR(box.y2, 1, 1e-12);

  // A first semi-axis within the tolerance: the range is not written.
  const gr_ellip flat{{0, 0}, {0, 1}, 0.5e-5, 1};
  arc.t1 = 7;
  arc.t2 = 8;
  gr_set_trellip_ellip(&arc, &flat, 0.1, 0.2);
  EXPECT_EQ(arc.t1, 7.0);
  EXPECT_EQ(arc.t2, 8.0);

  // b = 0 and a polar angle along the axis: the axis end, not a NaN.
  const gr_ellip needle{{0, 0}, {0, 1}, 2, 0};
  gr_set_trellip_ellip(&arc, &needle, 0.0, 1.0);
  EXPECT_EQ(arc.t1, 0.0);
  EXPECT_FALSE(std::isnan(arc.t2));
}

TEST(EllipseParameter, PointAndParameterRoundTrip) {
  const gr_ellip e{{2, 1}, dir_of(0.9), 3, 1.5};
  for (double t = -3.1; t <= kPi; t += 0.25) {
    gr_cpoint p;
    gr_conv_ellpar_to_cpoint(&p, &e, t);
    double back = 0;
    ASSERT_EQ(gr_conv_cpoint_to_ellpar(&back, &e, &p), 1);
    EXPECT_NEAR(back, t, 1e-9);
  }
  double t = 5;
  const gr_ellip dot{{0, 0}, {0, 1}, 0, 1e-6};
  EXPECT_EQ(gr_conv_cpoint_to_ellpar(&t, &dot, &dot.c), 0);
  const gr_ellip needle{{0, 0}, dir_of(0.3), 2, 0};
  const gr_cpoint p{1, 1};
  ASSERT_EQ(gr_conv_cpoint_to_ellpar(&t, &needle, &p), 1);
  EXPECT_NEAR(t, 0.3, 1e-12);  // the angle of the axis itself
}

TEST(EllipseIntersect, LineAgainstEllipse) {
  struct Row {
    const char* name;
    gr_line line;
    gr_ellip e;
    int n;
    double t0, t1;
  };
  const gr_ellip wide{{0, 0}, {0, 1}, 2, 1};
  const Row rows[] = {
      {"through the centre along the axis", {{-5, 0}, {0, 1}}, wide, 2, 3, 7},
      {"vertical through the centre", {{0, -5}, {1, 0}}, wide, 2, 4, 6},
      {"tangent at the top", {{0, 1}, {0, 1}}, wide, 1, 0, 0},
      {"miss", {{0, 1.1}, {0, 1}}, wide, 0, 0, 0},
      {"rotated ellipse, its own axis", {{0, 0}, dir_of(kPi / 4)}, {{0, 0}, dir_of(kPi / 4), 2, 1}, 2, -2, 2},
      {"flat: segment crossed", {{0.5, -5}, {1, 0}}, {{0, 0}, {0, 1}, 2, 0}, 1, 5, 0},
      {"flat: segment on the line", {{-5, 0}, {0, 1}}, {{0, 0}, {0, 1}, 2, 0}, 2, 3, 7},
      {"flat: segment missed", {{3, -5}, {1, 0}}, {{0, 0}, {0, 1}, 2, 0}, 0, 0, 0},
      {"point-like", {{-5, 0}, {0, 1}}, {{0, 0}, {0, 1}, 1e-6, 1e-6}, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    double t[2] = {0, 0};
    ASSERT_EQ(geomkit::isct_line_ellip(t, r.line, r.e), r.n);
    if (r.n >= 1) {
      EXPECT_NEAR(t[0], r.t0, 1e-9);
    }
    if (r.n == 2) {
      EXPECT_NEAR(t[1], r.t1, 1e-9);
    }
  }
}

// Boxes of rotated elliptic arcs hold the sampled arc and exceed it by no
// more than the sampling error.
TEST(EllipseBox, HoldsTheSampledArcAndNoMore) {
  for (double rot : {0.0, 0.3, 1.2, 2.5, -0.8}) {
    for (double t1 = -3.0; t1 < 3.2; t1 += 0.7) {
      for (double len : {0.3, 1.5, 3.0, 4.5, kTwoPi}) {
        double n1 = t1, n2 = t1 + len;
        geomkit::normalise_arc_range(n1, n2);
        const gr_trellip arc{{1, 2}, dir_of(rot), 3, 1.2, n1, n2};
        gr_xy_rect box;
        gr_get_trellip_dims(&box, &arc);
        const gr_ellip e{arc.c, arc.dir, arc.a, arc.b};
        const double sweep = std::min(geomkit::sweep_of_range(n1, n2), kTwoPi);
        gr_xy_rect s{INFINITY, INFINITY, -INFINITY, -INFINITY};
        for (int i = 0; i <= 4000; ++i) {
          gr_cpoint p;
          gr_conv_ellpar_to_cpoint(&p, &e, n1 + sweep * i / 4000);
          s = gr_xy_rect{std::min(s.x1, p.x), std::min(s.y1, p.y), std::max(s.x2, p.x), std::max(s.y2, p.y)};
        }
        SCOPED_TRACE(testing::Message() << rot << " " << t1 << " " << len);
        ASSERT_LE(box.x1, s.x1 + 1e-12);
        ASSERT_LE(box.y1, s.y1 + 1e-12);
        ASSERT_GE(box.x2, s.x2 - 1e-12);
        ASSERT_GE(box.y2, s.y2 - 1e-12);
        ASSERT_GE(box.x1, s.x1 - 1e-5);
        ASSERT_GE(box.y1, s.y1 - 1e-5);
        ASSERT_LE(box.x2, s.x2 + 1e-5);
        ASSERT_LE(box.y2, s.y2 + 1e-5);
      }
    }
  }
}

TEST(EllipseBox, WholeEllipse) {
  const gr_ellip e{{0, 0}, dir_of(kPi / 2), 3, 1};  // standing upright
  gr_xy_rect box;
  gr_get_ellip_dims(&box, &e);
  EXPECT_NEAR(box.x1, -1, 1e-12);
  EXPECT_NEAR(box.x2, 1, 1e-12);
  EXPECT_NEAR(box.y1, -3, 1e-12);
  EXPECT_NEAR(box.y2, 3, 1e-12);
  const gr_ellip dot{{5, 5}, {0, 1}, 0, 0};
  gr_get_ellip_dims(&box, &dot);
  EXPECT_EQ(box.x1, 5.0);
  EXPECT_EQ(box.y2, 5.0);
}

TEST(EllipseHit, RectangleAgainstEllipse) {
  const gr_ellip wide{{0, 0}, {0, 1}, 2, 1};
  struct Row {
    const char* name;
    gr_ellip e;
    gr_xy_rect rect;
    int code;
  };
  const Row rows[] = {
      {"ellipse inside", wide, {-3, -2, 3, 2}, GR_FIGURE_IN_RECT},
      {"rectangle inside", wide, {-1, -0.3, 1, 0.3}, GR_RECT_IN_FIGURE},
      {"rectangle on the centre", wide, {-0.1, -0.1, 0.1, 0.1}, GR_RECT_IN_FIGURE},
      {"crossing", wide, {1.5, -0.2, 3, 0.2}, GR_OUTLINES_CROSS},
      {"apart", wide, {2.5, 0.5, 4, 2}, GR_NO_CONTACT},
      {"inside the ellipse's box but outside the ellipse", wide, {1.7, 0.7, 1.9, 0.9}, GR_NO_CONTACT},
      {"point-like ellipse", {{0, 0}, {0, 1}, 0, 0}, {-1, -1, 1, 1}, GR_NO_CONTACT},
      {"corners swapped", wide, {3, 2, -3, -2}, GR_FIGURE_IN_RECT},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_xy_rect rect = r.rect;
    EXPECT_EQ(gr_layout_rect_ellip(&rect, &r.e), r.code);
  }
}

}  // namespace
