// The coverage contour finds the crossings of the offset lines and locates
// the points it judges either through uniform grids or through the pruning
// tree, which drops the cells the contour cannot pass. Invariant: both give
// the same loops, point for point, and the same verdict, on every corpus
// case and on needle stars, where the tree drops nearly everything.
#include "offset_support.h"

#include "offset/offset_engine_p.h"

#include <gtest/gtest.h>

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
      ASSERT_EQ(a.size(), b.size());
      for (size_t k = 0; k < a.size(); ++k) {
        EXPECT_EQ(a[k].lines, b[k].lines);
        ASSERT_EQ(a[k].pts.size(), b[k].pts.size());
        for (size_t i = 0; i < a[k].pts.size(); ++i) {
          EXPECT_EQ(a[k].pts[i].x, b[k].pts[i].x);
          EXPECT_EQ(a[k].pts[i].y, b[k].pts[i].y);
        }
      }
    }
  }
}

}  // namespace
