// The coverage contour finds the crossings of the offset lines and locates
// the points it judges either through uniform grids or through the pruning
// tree, which drops the cells the contour cannot pass. Invariants: both
// give the same loops, point for point, and the same verdict, on every
// corpus case and on needle stars, where the tree drops nearly everything;
// a cell's pair search misses no pair of parts that meet in the cell; the
// distance rule is used only on outlines that do not cross themselves.
#include "offset_support.h"

#include "offset/offset_cover_p.h"
#include "offset/offset_engine_p.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

namespace {

using namespace offset_support;
using offset_corpus::Ring;
namespace off = geomkit::offset;

TEST(OffsetCover, PruningTreeGivesTheGridsContour) {
  std::vector<Case> cases = corpus();
  const double mm = 1 / 25.4;
  cases.push_back({"urchin 1000", offset_corpus::urchin(1000), {-0.5 * mm, 0.5 * mm, -2 * mm}});
  cases.push_back(
      {"urchin 10000, first 1000", offset_corpus::prefix(offset_corpus::urchin(10000), 1000), {-0.5 * mm}});
  for (const Case& c : cases) {
    for (double d : c.distances) {
      SCOPED_TRACE(c.name + " d=" + std::to_string(d));
      off::Options grids, tree;
      grids.sweep = tree.sweep = false;  // the coverage contour alone
      grids.cover = off::CoverMode::kGrids;
      tree.cover = off::CoverMode::kTree;
      std::vector<off::Loop> a, b;
      const auto n = static_cast<uint32_t>(c.ring.size());
      EXPECT_EQ(off::eqvidist(c.ring.data(), n, d, grids, a), off::eqvidist(c.ring.data(), n, d, tree, b));
      expect_same_loops(a, b);
    }
  }
}

// Random segments through a box, many nearly parallel, some ending inside
// it, some along its sides and through its corners: every pair that meets
// in the box (brute force, exactly) is among the pairs found.
TEST(OffsetCover, CellPairsMissNoMeetingPair) {
  std::mt19937 rng(16);
  std::uniform_real_distribution<double> u(-1, 2);
  const gr_xy_rect box{0, 0, 1, 1};
  auto orient = [](const gr_cpoint& a, const gr_cpoint& b, const gr_cpoint& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  };
  off::CellPairs finder;
  for (int round = 0; round < 200; ++round) {
    std::vector<off::CellPart> parts;
    const double tilt = u(rng);
    const int n = 2 + round % 60;
    for (int k = 0; k < n; ++k) {
      gr_cpoint a{u(rng), u(rng)}, b{u(rng), u(rng)};
      if (k % 3 == 0) b = {a.x + 3, a.y + 3 * tilt + 0.01 * u(rng)};  // nearly parallel
      if (k % 7 == 0) a = {0, u(rng) > 0.5 ? 0.0 : 1.0};              // from a corner
      if (k % 11 == 0) b = {std::clamp(b.x, 0.0, 1.0), 0};            // along the bottom
      double t0 = 0, t1 = 0;
      if (!off::clip_unit(a, b, box, &t0, &t1)) continue;
      const gr_cpoint p{a.x + t0 * (b.x - a.x), a.y + t0 * (b.y - a.y)};
      const gr_cpoint q{a.x + t1 * (b.x - a.x), a.y + t1 * (b.y - a.y)};
      parts.push_back({p, q, t0 > 0 && t1 < 1});
    }
    std::set<std::pair<size_t, size_t>> found;
    finder.find(box, parts, 1e-9, [&](size_t i, size_t j) { found.insert({i, j}); });
    for (size_t i = 0; i < parts.size(); ++i)
      for (size_t j = i + 1; j < parts.size(); ++j) {
        const off::CellPart &s = parts[i], &t = parts[j];
        const double o1 = orient(s.p, s.q, t.p), o2 = orient(s.p, s.q, t.q);
        const double o3 = orient(t.p, t.q, s.p), o4 = orient(t.p, t.q, s.q);
        if (o1 * o2 <= 0 && o3 * o4 <= 0 && (o1 != 0 || o2 != 0)) {
          EXPECT_TRUE(found.count({i, j})) << "round " << round << ": parts " << i << " and " << j;
        }
      }
  }
}

TEST(OffsetCover, SimplePolygonsAreToldFromSelfCrossingOnes) {
  using offset_corpus::rect;
  const struct {
    const char* name;
    Ring ring;
    bool simple;
  } rows[] = {
      {"square", rect(0, 0, 1, 1), true},
      {"comb", offset_corpus::comb(12, 0.1, 0.08, 1.5, 0.5), true},
      {"urchin 1000", offset_corpus::urchin(1000), true},
      {"bow tie", {{0, 0}, {1, 1}, {1, 0}, {0, 1}}, false},
      {"vertex on an edge", {{0, 0}, {2, 0}, {2, 2}, {1, 0}, {0, 2}}, false},
      {"urchin 10000, first 1000", offset_corpus::prefix(offset_corpus::urchin(10000), 1000), false},
  };
  for (const auto& r : rows) EXPECT_EQ(off::polygon_is_simple(r.ring), r.simple) << r.name;
}

}  // namespace
