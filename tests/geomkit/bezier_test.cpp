// Bezier curves: buffers, Bernstein evaluation, the single-curve and the
// composite flattening, box and hit test, and the 32-bit binomials.
// Invariants: a flattening starts and ends on the curve's end points, every
// point it gives lies on the curve, and no density or coordinate a file can
// bring makes it allocate more than GR_BEZIER_MAX_POLYLINE_POINTS points.
#include <geomkit/gr_bez.h>
#include "core/gr_bez_p.h"
#include "core/gr_math_p.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <vector>

namespace {

struct BezFree {
  void operator()(gr_bezier* p) const { gr_free_buffer_for_bezier(p); }
};
struct PolyFree {
  void operator()(gr_polyline* p) const { gr_free_buffer_for_polyline(p); }
};
using BezPtr = std::unique_ptr<gr_bezier, BezFree>;
using PolyPtr = std::unique_ptr<gr_polyline, PolyFree>;

BezPtr make_bezier(const std::vector<gr_cpoint>& pts) {
  BezPtr b(gr_alloc_buffer_for_bezier(static_cast<int>(pts.size())));
  b->n = static_cast<int32_t>(pts.size());
  b->reserved = 0;
  for (size_t i = 0; i < pts.size(); ++i) b->pnt[i] = pts[i];
  return b;
}

PolyPtr flatten(const gr_bezier& b, int density) {
  gr_polyline* pl = nullptr;
  return PolyPtr(gr_conv_POLYbezier_to_polyline(&b, &pl, density));
}

// A piece along the x axis with evenly spread inner points: its 4-point
// flattening measures exactly its length.
std::vector<gr_cpoint> straight_run(double x0, double len) {
  return {{x0, 0}, {x0 + len / 3, 0}, {x0 + 2 * len / 3, 0}, {x0 + len, 0}};
}

// ---- buffers and transform ----

TEST(BezierRecord, SizesAndBuffers) {
  EXPECT_EQ(gr_get_bezier_sizen(0), 8);
  EXPECT_EQ(gr_get_bezier_sizen(4), 72);
  EXPECT_EQ(gr_get_bezier_sizen(-1), -1);
  EXPECT_EQ(gr_get_bezier_sizen(INT_MAX / 16), INT_MAX / 16 * 16 + 8);
  EXPECT_EQ(gr_get_bezier_sizen(INT_MAX / 16 + 1), -1);
  EXPECT_EQ(gr_alloc_buffer_for_bezier(-5), nullptr);
  BezPtr b = make_bezier({{1, 2}, {3, 4}});
  EXPECT_EQ(gr_get_bezier_size(b.get()), 40);
}

TEST(BezierRecord, TransformLeavesTheCountAlone) {
  BezPtr in = make_bezier({{1, 0}, {0, 1}, {2, 2}});
  BezPtr out = make_bezier({{0, 0}, {0, 0}, {0, 0}});
  out->n = 77;
  const gr_ctrans t{1.0, 2.0, 2.0, 0.0, 1.0, 1, -1};
  gr_bezier_ctrans(out.get(), in.get(), &t);
  EXPECT_EQ(out->n, 77);
  EXPECT_EQ(out->pnt[2].x, 5.0);
  EXPECT_EQ(out->pnt[2].y, -2.0);
  gr_bezier_ctrans(out.get(), in.get(), nullptr);
  EXPECT_EQ(out->pnt[1].y, 1.0);
}

// ---- single curve ----

TEST(BezierSingle, PointAtEndsIsExactAndOutsideIsRefused) {
  BezPtr b = make_bezier({{0.1, 0.7}, {0, 1}, {1, 1}, {1.3, -0.2}});
  gr_cpoint p{42, 42};
  ASSERT_EQ(gr_get_bezier_pnt(&p, b.get(), 0.0), 1);
  EXPECT_EQ(p.x, 0.1);
  EXPECT_EQ(p.y, 0.7);
  ASSERT_EQ(gr_get_bezier_pnt(&p, b.get(), 1.0), 1);
  EXPECT_EQ(p.x, 1.3);
  EXPECT_EQ(p.y, -0.2);
  for (double t : {1.0000001, -1e-12, double(NAN), double(INFINITY)}) {
    p = gr_cpoint{42, 42};
    EXPECT_EQ(gr_get_bezier_pnt(&p, b.get(), t), 0) << t;
    EXPECT_EQ(p.x, 42.0);
  }
}

TEST(BezierSingle, PointsOfSeveralDegrees) {
  struct Row {
    const char* name;
    std::vector<gr_cpoint> pts;
    double t;
    gr_cpoint expect;
  };
  const Row rows[] = {
      {"degree 0", {{2, 3}}, 0.4, {2, 3}},
      {"line", {{0, 0}, {4, 2}}, 0.25, {1, 0.5}},
      {"parabola apex", {{0, 0}, {1, 2}, {2, 0}}, 0.5, {1, 1}},
      {"cubic arch middle", {{0, 0}, {0, 1}, {1, 1}, {1, 0}}, 0.5, {0.5, 0.75}},
      {"cubic arch quarter", {{0, 0}, {0, 1}, {1, 1}, {1, 0}}, 0.25, {0.15625, 0.5625}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    BezPtr b = make_bezier(r.pts);
    gr_cpoint p;
    ASSERT_EQ(gr_get_bezier_pnt(&p, b.get(), r.t), 1);
    EXPECT_NEAR(p.x, r.expect.x, 1e-12);
    EXPECT_NEAR(p.y, r.expect.y, 1e-12);
  }
}

TEST(BezierSingle, TangentIsTheDerivative) {
  BezPtr b = make_bezier({{0, 0}, {1, 2}, {3, 3}, {4, 0}});
  gr_cpoint d;
  ASSERT_EQ(gr_get_bezier_tangent(&d, b.get(), 0.0), 1);
  EXPECT_EQ(d.x, 3.0);
  EXPECT_EQ(d.y, 6.0);
  ASSERT_EQ(gr_get_bezier_tangent(&d, b.get(), 1.0), 1);
  EXPECT_EQ(d.x, 3.0);
  EXPECT_EQ(d.y, -9.0);
  // Against a central difference inside the range.
  for (double t = 0.1; t < 0.95; t += 0.2) {
    gr_cpoint a, c;
    const double h = 1e-6;
    gr_get_bezier_pnt(&a, b.get(), t - h);
    gr_get_bezier_pnt(&c, b.get(), t + h);
    ASSERT_EQ(gr_get_bezier_tangent(&d, b.get(), t), 1);
    EXPECT_NEAR(d.x, (c.x - a.x) / (2 * h), 1e-5);
    EXPECT_NEAR(d.y, (c.y - a.y) / (2 * h), 1e-5);
  }
  BezPtr one = make_bezier({{1, 1}});
  EXPECT_EQ(gr_get_bezier_tangent(&d, one.get(), 0.5), 0);
  EXPECT_EQ(gr_get_bezier_tangent(&d, b.get(), 1.5), 0);
}

TEST(BezierSingle, DegreeBeyondThirtyIsRefused) {
  std::vector<gr_cpoint> pts;
  for (int i = 0; i < 32; ++i) pts.push_back({double(i), double(i % 2)});
  BezPtr too_high = make_bezier(pts);
  gr_cpoint p;
  EXPECT_EQ(gr_get_bezier_pnt(&p, too_high.get(), 0.5), 0);
  EXPECT_EQ(gr_get_bezier_tangent(&p, too_high.get(), 0.5), 0);
  pts.pop_back();  // degree 30
  BezPtr highest = make_bezier(pts);
  ASSERT_EQ(gr_get_bezier_pnt(&p, highest.get(), 0.5), 1);
  EXPECT_NEAR(p.x, 15, 1e-9);  // evenly spread x: the curve is x = 30 t
  // A huge count from a broken record never reaches an allocation.
  too_high->n = INT_MAX;
  EXPECT_EQ(gr_get_bezier_pnt(&p, too_high.get(), 0.5), 0);
  too_high->n = -3;
  EXPECT_EQ(gr_get_bezier_pnt(&p, too_high.get(), 0.5), 0);
}

TEST(BezierSingle, ConversionSpacesByCount) {
  BezPtr b = make_bezier({{0, 0}, {0, 1}, {1, 1}, {1, 0}});
  std::vector<unsigned char> block(gr_get_polyline_sizen(4));
  auto* out = reinterpret_cast<gr_polyline*>(block.data());
  out->closed = 7;
  ASSERT_EQ(gr_conv_bezier_to_polyline(b.get(), out, 4), 1);
  EXPECT_EQ(out->n, 4u);
  EXPECT_EQ(out->closed, 7);  // not written
  const gr_cpoint expect[4] = {{0, 0}, {0.15625, 0.5625}, {0.5, 0.75}, {1, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(out->pnt[i].x, expect[i].x, 1e-12) << i;
    EXPECT_NEAR(out->pnt[i].y, expect[i].y, 1e-12) << i;
  }
  EXPECT_EQ(gr_conv_bezier_to_polyline(b.get(), out, 1), 0);
  ASSERT_EQ(gr_conv_bezier_to_polyline(b.get(), out, 2), 1);
  EXPECT_EQ(out->pnt[1].x, 1.0);
}

// ---- composite curve ----

TEST(BezierComposite, PointCountPerPiece) {
  struct Row {
    const char* name;
    std::vector<gr_cpoint> pts;
    int density;
    uint32_t count;
  };
  const Row rows[] = {
      {"straight piece: its two inner points", {{0, 0}, {0, 0}, {10, 0}, {10, 0}}, 12, 2},
      {"length 10 at density 12", straight_run(0, 10), 12, 22},
      {"length 0.5 at density 1", straight_run(0, 0.5), 1, 2},
      {"length 10 at density 1: trunc(1.9) < 3", straight_run(0, 10), 1, 2},
      {"length 10 at density 2: 3", straight_run(0, 10), 2, 3},
      {"density 0", straight_run(0, 10), 0, 2},
      {"negative density", straight_run(0, 10), -5, 2},
      {"huge density is bounded", straight_run(0, 10), INT_MAX, GR_BEZIER_MAX_PIECE_POINTS},
      {"huge coordinates are bounded", straight_run(0, 1e300), 1, GR_BEZIER_MAX_PIECE_POINTS},
      {"NaN coordinates give the ends", {{0, 0}, {NAN, 1}, {1, 1}, {1, 0}}, 100, 2},
      {"trailing points are ignored", {{0, 0}, {0, 0}, {10, 0}, {10, 0}, {5, 5}, {6, 6}}, 12, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    BezPtr b = make_bezier(r.pts);
    PolyPtr pl = flatten(*b, r.density);
    ASSERT_TRUE(pl);
    EXPECT_EQ(pl->n, r.count);
  }
}

TEST(BezierComposite, StraightPieceGivesItsInnerPoints) {
  BezPtr b = make_bezier({{0, 0}, {0.000001, 0}, {10, 0.000002}, {10, 0}});
  PolyPtr pl = flatten(*b, 12);
  ASSERT_EQ(pl->n, 2u);
  EXPECT_EQ(pl->pnt[0].x, 0.000001);
  EXPECT_EQ(pl->pnt[1].y, 0.000002);
  EXPECT_EQ(pl->closed, 0);
}

TEST(BezierComposite, PiecesShareTheirJoinAndCloseWhenBackAtStart) {
  // Out below the x axis and back above it: m1 + m2 - 1 points.
  BezPtr b = make_bezier({{0, 0}, {0, -1}, {4, -1}, {4, 0}, {4, 1}, {0, 1}, {0, 0}});
  PolyPtr pl = flatten(*b, 10);
  ASSERT_TRUE(pl);
  const int m1 = geomkit::piece_point_count(b->pnt, 10);
  const int m2 = geomkit::piece_point_count(b->pnt + 3, 10);
  EXPECT_EQ(pl->n, static_cast<uint32_t>(m1 + m2 - 1));
  EXPECT_EQ(pl->closed, 1);
  EXPECT_EQ(pl->pnt[m1 - 1].x, 4.0);  // the join, once
  EXPECT_LT(pl->pnt[m1].x, 4.0);

  BezPtr open = make_bezier({{0, 0}, {0, 1}, {1, 1}, {1, 0.00002}});
  EXPECT_EQ(flatten(*open, 10)->closed, 0);
}

TEST(BezierComposite, ReplacesTheCallersBlockOnlyOnSuccess) {
  BezPtr b = make_bezier(straight_run(0, 10));
  gr_polyline* held = gr_alloc_buffer_for_polyline(3);
  gr_polyline* before = held;
  gr_polyline* got = gr_conv_POLYbezier_to_polyline(b.get(), &held, 12);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(held, got);  // the old block was freed (the sanitizer checks)

  BezPtr short_curve = make_bezier({{0, 0}, {1, 1}, {2, 0}});
  before = held;
  EXPECT_EQ(gr_conv_POLYbezier_to_polyline(short_curve.get(), &held, 12), nullptr);
  EXPECT_EQ(held, before);
  gr_free_buffer_for_polyline(held);

  // No reference: the caller owns the result.
  PolyPtr own(gr_conv_POLYbezier_to_polyline(b.get(), nullptr, 12));
  EXPECT_EQ(own->n, 22u);
}

TEST(BezierComposite, ResultBeyondItsBoundIsRefused) {
  // 257 pieces at the per-piece bound pass 2^24 points; at 1e7 units long
  // they reach it at the box's density too.
  std::vector<gr_cpoint> pts{{0, 0}};
  for (int k = 0; k < 257; ++k) {
    const double x = 1e7 * k;
    pts.insert(pts.end(), {{x + 1e7 / 3, 0}, {x + 2e7 / 3, 0}, {x + 1e7, 0}});
  }
  BezPtr b = make_bezier(pts);
  gr_polyline* held = nullptr;
  EXPECT_EQ(gr_conv_POLYbezier_to_polyline(b.get(), &held, INT_MAX), nullptr);
  gr_xy_rect box{1, 2, 3, 4};
  EXPECT_EQ(gr_get_bezier_dims(&box, b.get()), 0);
  EXPECT_EQ(box.x1, 1.0);
  const gr_xy_rect r{-1, -1, 1, 1};
  EXPECT_EQ(gr_layout_rect_bezier(&r, b.get(), INT_MAX), GR_NO_CONTACT);
}

// Every flattened point lies on the curve: it is within a hair of a dense
// sampling of its piece, and piece ends are the control points exactly.
TEST(BezierComposite, FlattenedPointsLieOnTheCurve) {
  const std::vector<gr_cpoint> pts{{0, 0}, {1, 3}, {4, 3}, {5, 0}, {6, -3}, {2, -2}, {1, -1}};
  BezPtr b = make_bezier(pts);
  PolyPtr pl = flatten(*b, 20);
  ASSERT_TRUE(pl);
  EXPECT_EQ(pl->pnt[0].x, 0.0);
  EXPECT_EQ(pl->pnt[pl->n - 1].x, 1.0);
  EXPECT_EQ(pl->pnt[pl->n - 1].y, -1.0);
  std::vector<gr_cpoint> dense;
  for (int k = 0; k < 2; ++k) {
    BezPtr piece = make_bezier({pts[3 * k], pts[3 * k + 1], pts[3 * k + 2], pts[3 * k + 3]});
    for (int i = 0; i <= 20000; ++i) {
      gr_cpoint p;
      gr_get_bezier_pnt(&p, piece.get(), i / 20000.0);
      dense.push_back(p);
    }
  }
  for (uint32_t i = 0; i < pl->n; ++i) {
    double best = INFINITY;
    for (const gr_cpoint& q : dense)
      best = std::min(best, std::hypot(q.x - pl->pnt[i].x, q.y - pl->pnt[i].y));
    ASSERT_LT(best, 1e-3) << "point " << i;
  }
}

TEST(BezierComposite, BoxIsTheBoxOfTheFlattening) {
  BezPtr b = make_bezier({{0, 0}, {0, 1}, {1, 1}, {1, 0}, {1, -3}, {-2, 0}, {-0.5, 0.5}});
  PolyPtr pl = flatten(*b, 100);
  gr_xy_rect expect, box;
  ASSERT_EQ(gr_get_polyline_dims(&expect, pl.get()), static_cast<int>(pl->n));
  ASSERT_EQ(gr_get_bezier_dims(&box, b.get()), static_cast<int>(pl->n));
  EXPECT_EQ(box.x1, expect.x1);
  EXPECT_EQ(box.y1, expect.y1);
  EXPECT_EQ(box.x2, expect.x2);
  EXPECT_EQ(box.y2, expect.y2);
  BezPtr none = make_bezier({{0, 0}, {1, 1}});
  box = gr_xy_rect{5, 5, 5, 5};
  EXPECT_EQ(gr_get_bezier_dims(&box, none.get()), 0);
  EXPECT_EQ(box.x1, 5.0);
}

TEST(BezierComposite, RectangleHitTest) {
  BezPtr arch = make_bezier({{0, 0}, {0, 1}, {1, 1}, {1, 0}});
  struct Row {
    const char* name;
    gr_xy_rect rect;
    int code;
  };
  const Row rows[] = {
      {"curve inside", {-1, -1, 2, 2}, GR_FIGURE_IN_RECT},
      {"rectangle across the top", {0.4, 0.5, 0.6, 2}, GR_OUTLINES_CROSS},
      {"far away", {5, 5, 6, 6}, GR_NO_CONTACT},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(gr_layout_rect_bezier(&r.rect, arch.get(), 12), r.code);
  }
  BezPtr none = make_bezier({{0, 0}});
  const gr_xy_rect big{-10, -10, 10, 10};
  EXPECT_EQ(gr_layout_rect_bezier(&big, none.get(), 12), GR_NO_CONTACT);
}

// ---- binomials ----

// The reduction exactly as stated: every j from 1 up to the current
// denominator, tried once each.
bool naive_binomial(uint32_t n, uint32_t k, uint32_t& out) {
  if (n < k) return false;
  if (k <= 4) return geomkit::binomial(n, k, out);
  uint32_t num = 1, den = 1;
  for (uint32_t i = 0; i < k; ++i) {
    if (num >= 2147483647u / n) {
      for (uint32_t j = 1; j <= den; ++j) {
        if (num % j == 0 && den % j == 0) {
          num /= j;
          den /= j;
        }
      }
    }
    if (static_cast<uint64_t>(num) * (n - i) > 2147483646u) return false;
    num *= n - i;
    den *= k - i;
  }
  out = num / den;
  return true;
}

TEST(Binomial, KnownValuesAndRefusals) {
  struct Row {
    uint32_t n, k;
    bool ok;
    uint32_t value;
  };
  const Row rows[] = {
      {10, 5, true, 252},   {0, 0, true, 1},           {5, 7, false, 0},      {7, 1, true, 7},
      {7, 7, true, 1},      {30, 15, true, 155117520}, {31, 16, false, 0},    {65536, 2, true, 2147450880u},
      {70000, 2, false, 0}, {100000, 5, false, 0},     {40, 5, true, 658008},
  };
  for (const Row& r : rows) {
    uint32_t v = 12345;
    EXPECT_EQ(geomkit::binomial(r.n, r.k, v), r.ok) << r.n << " " << r.k;
    EXPECT_EQ(v, r.ok ? r.value : 12345u) << r.n << " " << r.k;
  }
}

TEST(Binomial, AgreesWithTheStepByStepReduction) {
  for (uint32_t n = 0; n <= 40; ++n) {
    uint64_t exact = 1;  // C(n, k) by the multiplicative formula
    for (uint32_t k = 0; k <= n; ++k) {
      if (k > 0) exact = exact * (n - k + 1) / k;
      uint32_t fast = 0, slow = 0;
      const bool ok = geomkit::binomial(n, k, fast);
      ASSERT_EQ(ok, naive_binomial(n, k, slow)) << n << " " << k;
      if (!ok) continue;
      ASSERT_EQ(fast, slow) << n << " " << k;
      ASSERT_EQ(fast, exact) << n << " " << k;
    }
  }
}

}  // namespace
