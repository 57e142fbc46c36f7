// gr_eqvidist_polyline and gr_eqvidist_bezier at the edges: squares in
// both orientations, distances below the tolerance, repeated and
// zero-length points, degenerate and hostile input, thin parts at the side
// probe, and several offsets running at once. Invariants: a result is one
// block of closed polylines whose first point repeats as the last; a
// failure returns 0 with *out null; nothing crashes or loops on any input.
#include "offset_support.h"

#include <geomkit/gr_bez.h>
#include <geomkit/gr_eqvidist.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

namespace {

using offset_corpus::Ring;
using namespace offset_support;

struct SetFree {
  void operator()(gr_polylines* p) const { gr_free_buffer_for_polylines(p); }
};
using SetPtr = std::unique_ptr<gr_polylines, SetFree>;

SetPtr offset(const Ring& r, double d, int* ok) {
  PlinePtr p = to_pline(r);
  gr_polylines* out = reinterpret_cast<gr_polylines*>(0x1);  // must be overwritten
  *ok = gr_eqvidist_polyline(p.get(), d, &out, 1);
  return SetPtr(out);
}

std::vector<gr_cpoint> sorted_corners(const gr_polyline& p) {
  std::vector<gr_cpoint> v(p.pnt, p.pnt + p.n - 1);
  std::sort(v.begin(), v.end(),
            [](const gr_cpoint& a, const gr_cpoint& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  return v;
}

bool same_sets(const gr_polylines* a, const gr_polylines* b) {
  if (!a || !b || a->n != b->n) return false;
  const gr_polyline* p = gr_polylines_first(a);
  const gr_polyline* q = gr_polylines_first(b);
  for (int i = 0; i < a->n; ++i) {
    if (p->n != q->n || p->closed != q->closed) return false;
    for (uint32_t k = 0; k < p->n; ++k)
      if (p->pnt[k].x != q->pnt[k].x || p->pnt[k].y != q->pnt[k].y) return false;
    p = gr_polylines_next(p);
    q = gr_polylines_next(q);
  }
  return true;
}

TEST(OffsetEdgeCases, SquareGrowsAndShrinksWithMitredCorners) {
  struct Row {
    const char* name;
    bool ccw;
    double d, lo, hi;  // expected square [lo, hi]^2
  } rows[] = {
      {"ccw grown", true, 1, -1, 11},
      {"ccw shrunk", true, -1, 1, 9},
      {"cw grown", false, 1, -1, 11},
      {"cw shrunk", false, -1, 1, 9},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Ring sq = offset_corpus::rect(0, 0, 10, 10);
    if (!r.ccw) sq = offset_corpus::reversed(sq);
    int ok = 0;
    SetPtr set = offset(sq, r.d, &ok);
    ASSERT_EQ(ok, 1);
    ASSERT_EQ(set->n, 1);
    const gr_polyline& p = *gr_polylines_first(set.get());
    EXPECT_EQ(p.closed, 1);
    ASSERT_EQ(p.n, 5u);
    EXPECT_EQ(p.pnt[0].x, p.pnt[4].x);
    EXPECT_EQ(p.pnt[0].y, p.pnt[4].y);
    std::vector<gr_cpoint> c = sorted_corners(p);
    const gr_cpoint want[4] = {{r.lo, r.lo}, {r.lo, r.hi}, {r.hi, r.lo}, {r.hi, r.hi}};
    for (int k = 0; k < 4; ++k) {
      EXPECT_NEAR(c[static_cast<size_t>(k)].x, want[k].x, 1e-9);
      EXPECT_NEAR(c[static_cast<size_t>(k)].y, want[k].y, 1e-9);
    }
    // The orientation follows the input.
    EXPECT_EQ(offset_corpus::signed_area(Ring(p.pnt, p.pnt + 4)) > 0, r.ccw);
  }
}

TEST(OffsetEdgeCases, DistanceBelowToleranceFails) {
  for (double d : {0.000001, -0.000001, 0.0, -0.0, 0.9e-5}) {
    int ok = 1;
    SetPtr set = offset(offset_corpus::rect(0, 0, 10, 10), d, &ok);
    EXPECT_EQ(ok, 0) << d;
    EXPECT_EQ(set.get(), nullptr) << d;
  }
}

// Points that repeat (the last as the first, or anywhere as their
// predecessor, or within the tolerance of it) change nothing.
TEST(OffsetEdgeCases, RepeatedPointsGiveTheSameResult) {
  const Ring base = offset_corpus::star(30, 1, 2, 17);
  Ring closed = base;
  closed.push_back(base.front());
  Ring doubled;
  for (size_t i = 0; i < base.size(); ++i) {
    doubled.push_back(base[i]);
    if (i % 5 == 2) doubled.push_back(base[i]);
    if (i % 7 == 3) doubled.push_back({base[i].x + 3e-6, base[i].y - 3e-6});
  }
  for (double d : {0.1, -0.1, 0.4}) {
    int ok0 = 0, ok1 = 0, ok2 = 0;
    SetPtr a = offset(base, d, &ok0), b = offset(closed, d, &ok1);
    ASSERT_EQ(ok0, 1);
    EXPECT_EQ(ok1, 1);
    EXPECT_TRUE(same_sets(a.get(), b.get())) << "repeated last point, d=" << d;
    SetPtr c = offset(doubled, d, &ok2);
    ASSERT_EQ(ok2, 1);
    std::vector<Ring> ra, rc;
    engine_offset(base, d, &ra);
    engine_offset(doubled, d, &rc);
    EXPECT_NEAR(net_area(ra), net_area(rc), 1e-9) << "zero-length edges, d=" << d;
  }
}

TEST(OffsetEdgeCases, DegenerateInputFailsQuietly) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* name;
    Ring ring;
    double d;
  } rows[] = {
      {"no points", {}, 1},
      {"one point", {{1, 1}}, 1},
      {"two points", {{0, 0}, {1, 0}}, 1},
      {"all points equal", {{2, 2}, {2, 2}, {2, 2}, {2, 2}}, 1},
      {"equal within tolerance", {{2, 2}, {2 + 1e-6, 2}, {2, 2 + 1e-6}}, 0.5},
      {"collinear, shrunk", {{0, 0}, {1, 0}, {2, 0}}, -0.5},
      {"NaN coordinate", {{0, 0}, {nan, 0}, {1, 1}}, 1},
      {"infinite coordinate", {{0, 0}, {inf, 0}, {1, 1}}, 1},
      {"huge coordinate", {{0, 0}, {1e300, 0}, {1, 1}}, 1},
      {"NaN distance", offset_corpus::rect(0, 0, 1, 1), nan},
      {"infinite distance", offset_corpus::rect(0, 0, 1, 1), inf},
      {"inset past the middle", offset_corpus::rect(0, 0, 1, 1), -0.6},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_polylines* out = reinterpret_cast<gr_polylines*>(0x1);
    PlinePtr p(gr_alloc_buffer_for_polyline(static_cast<int>(std::max<size_t>(r.ring.size(), 1))));
    p->closed = 1;
    p->n = static_cast<uint32_t>(r.ring.size());
    std::copy(r.ring.begin(), r.ring.end(), p->pnt);
    EXPECT_EQ(gr_eqvidist_polyline(p.get(), r.d, &out, 1), 0);
    EXPECT_EQ(out, nullptr);
  }
  gr_polylines* out = nullptr;
  EXPECT_EQ(gr_eqvidist_polyline(nullptr, 1, &out, 1), 0);
  PlinePtr sq = to_pline(offset_corpus::rect(0, 0, 1, 1));
  EXPECT_EQ(gr_eqvidist_polyline(sq.get(), 1, nullptr, 1), 0);
}

// Collinear points (a polygon without area) grown by d: whatever comes out
// is a closed outline around the segment, never a crash.
TEST(OffsetEdgeCases, ZeroAreaPolygonGrowsIntoABand) {
  std::vector<Ring> out;
  if (engine_offset({{0, 0}, {1, 0}, {2, 0}}, 0.5, &out)) {
    for (const Ring& r : out) EXPECT_GE(r.size(), 3u);
    EXPECT_LE(std::fabs(net_area(out)), 3 * 1 + 1e-9);
  }
}

// The side of the offset is found with a probe 0.001 off the first long
// edge. A part thinner than that lets the probe cross to the far side,
// which would grow the shape when asked to shrink it.
TEST(OffsetEdgeCases, ThinSliverShrinksDespiteTheProbe) {
  const Ring sliver = offset_corpus::rect(0, 0, 2, 0.0005);
  for (bool ccw : {true, false}) {
    SCOPED_TRACE(ccw ? "ccw" : "cw");
    std::vector<Ring> out;
    ASSERT_EQ(engine_offset(ccw ? sliver : offset_corpus::reversed(sliver), -0.0001, &out), 1);
    EXPECT_NEAR(std::fabs(net_area(out)), 1.9998 * 0.0003, 1e-9);
    ASSERT_EQ(engine_offset(ccw ? sliver : offset_corpus::reversed(sliver), 0.0001, &out), 1);
    EXPECT_NEAR(std::fabs(net_area(out)), 2.0002 * 0.0007, 1e-9);
  }
}

// A closed composite curve is flattened, then offset like a polyline.
TEST(OffsetEdgeCases, BezierIsFlattenedThenOffset) {
  // Four quarter-circle pieces of radius 1 (k = 0.5523 control offset).
  const double k = 0.5523;
  const gr_cpoint pts[13] = {{1, 0},   {1, k},   {k, 1},  {0, 1},  {-k, 1}, {-1, k}, {-1, 0},
                             {-1, -k}, {-k, -1}, {0, -1}, {k, -1}, {1, -k}, {1, 0}};
  gr_bezier* bez = gr_alloc_buffer_for_bezier(13);
  bez->n = 13;
  std::copy(pts, pts + 13, bez->pnt);
  gr_polylines* out = nullptr;
  ASSERT_EQ(gr_eqvidist_bezier(bez, 0.5, &out, 50, 1), 1);
  ASSERT_EQ(out->n, 1);
  const gr_polyline& p = *gr_polylines_first(out);
  double rmin = INFINITY, rmax = 0;
  for (uint32_t i = 0; i < p.n; ++i) {
    double r = std::hypot(p.pnt[i].x, p.pnt[i].y);
    rmin = std::min(rmin, r);
    rmax = std::max(rmax, r);
  }
  EXPECT_NEAR(rmin, 1.5, 0.01);
  EXPECT_NEAR(rmax, 1.5, 0.01);
  gr_free_buffer_for_polylines(out);
  out = reinterpret_cast<gr_polylines*>(0x1);
  EXPECT_EQ(gr_eqvidist_bezier(nullptr, 0.5, &out, 50, 1), 0);
  EXPECT_EQ(out, nullptr);
  gr_free_buffer_for_bezier(bez);
}

// The engine keeps no state between calls: offsets computed at once on
// several threads equal the ones computed one after another.
TEST(OffsetEdgeCases, ConcurrentCallsGiveTheSameResults) {
  const std::vector<Case> cases = corpus();
  std::vector<SetPtr> seq(cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    int ok = 0;
    seq[i] = offset(cases[i].ring, cases[i].distances.back(), &ok);
  }
  std::vector<SetPtr> par(cases.size());
  std::vector<std::thread> threads;
  for (size_t t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (size_t i = t; i < cases.size(); i += 4) {
        int ok = 0;
        par[i] = offset(cases[i].ring, cases[i].distances.back(), &ok);
      }
    });
  for (std::thread& th : threads) th.join();
  for (size_t i = 0; i < cases.size(); ++i) {
    if (!seq[i]) {
      EXPECT_EQ(par[i].get(), nullptr);
      continue;
    }
    EXPECT_TRUE(same_sets(seq[i].get(), par[i].get())) << cases[i].name;
  }
}

}  // namespace
