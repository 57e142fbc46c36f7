// Convex hull by gift wrapping.
// Invariants: the result is closed and holds each hull vertex once, in the
// order of the march; points lying on a hull edge are skipped; collinear
// input gives its two extremes, coincident input its one point; the output
// never exceeds the input's count, whatever the input.
#include <geomkit/gr_poly.h>

#include "support/poly_builders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

using testsupport::make_polyline;

std::vector<gr_cpoint> hull_of(const std::vector<gr_cpoint>& pts, int* closed = nullptr) {
  auto in = make_polyline(pts, 0);
  auto out = make_polyline(std::vector<gr_cpoint>(pts.size(), gr_cpoint{-99, -99}), -5);
  out->n = 0xDEAD;
  gr_make_convex_hull(out.get(), in.get());
  if (closed) *closed = out->closed;
  if (out->n == 0xDEAD) return {};
  EXPECT_LE(out->n, pts.size());
  return std::vector<gr_cpoint>(out->pnt, out->pnt + std::min<size_t>(out->n, pts.size()));
}

// The vertices as a set, to compare hulls whose march starts elsewhere.
std::set<std::pair<double, double>> as_set(const std::vector<gr_cpoint>& pts) {
  std::set<std::pair<double, double>> s;
  for (const gr_cpoint& p : pts) s.insert({p.x, p.y});
  return s;
}

// Reference: Andrew's monotone chain without collinear points.
std::vector<gr_cpoint> reference_hull(std::vector<gr_cpoint> p) {
  std::sort(p.begin(), p.end(),
            [](const gr_cpoint& a, const gr_cpoint& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  auto cross = [](const gr_cpoint& o, const gr_cpoint& a, const gr_cpoint& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
  };
  std::vector<gr_cpoint> h(2 * p.size());
  size_t k = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    while (k >= 2 && cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
    h[k++] = p[i];
  }
  for (size_t i = p.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
    h[k++] = p[i];
  }
  h.resize(k - 1);
  return h;
}

TEST(ConvexHull, DegenerateInput) {
  int closed = 0;
  EXPECT_TRUE(hull_of({}, &closed).empty());
  EXPECT_EQ(closed, -5);  // nothing written

  auto one = hull_of({{2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 3}}, &closed);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].x, 2);
  EXPECT_EQ(closed, -5);  // a single point leaves the flag alone

  auto near = hull_of({{0, 0}, {0.5e-5, 0}, {0, 0.7e-5}});
  ASSERT_EQ(near.size(), 1u);
  EXPECT_EQ(near[0].x, 0);
}

TEST(ConvexHull, CollinearGivesTheTwoExtremes) {
  struct Row {
    const char* name;
    std::vector<gr_cpoint> pts;
    gr_cpoint lo, hi;  // minimum then maximum along pnt[0] -> first distinct point
  } rows[] = {
      {"three in order", {{0, 0}, {1, 1}, {2, 2}}, {0, 0}, {2, 2}},
      {"extremes later", {{2, 2}, {1, 1}, {3, 3}}, {3, 3}, {1, 1}},
      {"with duplicates", {{1, 0}, {1, 0}, {3, 0}, {0, 0}, {3, 0}, {2, 0}}, {0, 0}, {3, 0}},
      {"within the tolerance of the line",
       {{0, 0}, {5, 0.5e-5}, {-5, -0.5e-5}, {2, 0}},
       {-5, -0.5e-5},
       {5, 0.5e-5}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    int closed = 0;
    auto h = hull_of(r.pts, &closed);
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(h[0].x, r.lo.x);
    EXPECT_EQ(h[0].y, r.lo.y);
    EXPECT_EQ(h[1].x, r.hi.x);
    EXPECT_EQ(h[1].y, r.hi.y);
  }
}

TEST(ConvexHull, PointsOnEdgesAreSkipped) {
  const std::set<std::pair<double, double>> square{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
  struct Row {
    const char* name;
    std::vector<gr_cpoint> pts;
  } rows[] = {
      {"corners only", {{0, 0}, {4, 0}, {4, 4}, {0, 4}}},
      {"midpoints first", {{2, 0}, {4, 2}, {2, 4}, {0, 2}, {0, 0}, {4, 0}, {4, 4}, {0, 4}}},
      {"midpoint reached before the far corner",
       {{0, 0}, {2, 0}, {1, 0}, {0, 4}, {4, 4}, {3, 0}, {4, 0}, {4, 3}}},
      {"interior and duplicates", {{1, 1}, {0, 0}, {0, 0}, {2, 3}, {4, 0}, {4, 4}, {4, 4}, {0, 4}, {0, 1}}},
      {"first pair on an edge", {{1, 0}, {3, 0}, {0, 0}, {4, 0}, {4, 4}, {0, 4}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    int closed = 0;
    auto h = hull_of(r.pts, &closed);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(h.size(), 4u);
    EXPECT_EQ(as_set(h), square);
  }
}

TEST(ConvexHull, MarchStartsFromFirstSupportingPair) {
  // (0,0)-(4,0) is the first supporting pair; the rest lie to its left, so
  // the march runs counter-clockwise.
  auto h = hull_of({{0, 0}, {4, 0}, {2, 1}, {2, 3}});
  ASSERT_EQ(h.size(), 3u);
  EXPECT_EQ(h[0].x, 0);
  EXPECT_EQ(h[1].x, 4);
  EXPECT_EQ(h[2].y, 3);
}

TEST(ConvexHull, GridPointsMatchReference) {
  // Integer points are full of collinear triples and duplicates.
  std::mt19937 rng(11);
  for (int iter = 0; iter < 300; ++iter) {
    std::uniform_int_distribution<int> coord(0, iter % 3 == 0 ? 3 : 12);
    std::uniform_int_distribution<int> count(3, 40);
    std::vector<gr_cpoint> pts(static_cast<size_t>(count(rng)));
    for (gr_cpoint& p : pts) p = {double(coord(rng)), double(coord(rng))};
    SCOPED_TRACE(testing::Message() << "iteration " << iter);
    auto ref = reference_hull(pts);
    int closed = 0;
    auto h = hull_of(pts, &closed);
    EXPECT_EQ(closed, 1);
    if (ref.size() < 3) continue;  // collinear input: covered above
    EXPECT_EQ(as_set(h), as_set(ref));
    EXPECT_EQ(h.size(), ref.size());
  }
}

TEST(ConvexHull, NonFiniteInputTerminates) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  int closed = 0;
  auto h = hull_of({{0, 0}, {inf, 1}, {nan, 2}, {1, 1}, {-1e308, 1e308}}, &closed);
  EXPECT_LE(h.size(), 5u);
  EXPECT_EQ(closed, 1);
}

}  // namespace
