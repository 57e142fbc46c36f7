// The sweep itself: the fast crossing index gives exactly what the full
// crossing lists give, and where the sweep's contour is kept or replaced
// by the coverage contour.
#include "offset_support.h"

#include "offset/offset_engine_p.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

using namespace offset_support;
using offset_corpus::Ring;
namespace off = geomkit::offset;

// Identical loops, bit for bit, and the same number of comparisons.
TEST(OffsetSweep, FastCrossingsGiveTheQuadraticResult) {
  for (const Case& c : corpus()) {
    for (double d : c.distances) {
      SCOPED_TRACE(c.name + " d=" + std::to_string(d));
      off::Options quad, fast;
      quad.crossings = off::CrossingMode::kQuadratic;
      quad.check = fast.check = false;
      std::vector<off::Loop> a, b;
      off::Report ra, rb;
      int ka = off::eqvidist(c.ring.data(), static_cast<uint32_t>(c.ring.size()), d, quad, a, &ra);
      int kb = off::eqvidist(c.ring.data(), static_cast<uint32_t>(c.ring.size()), d, fast, b, &rb);
      EXPECT_EQ(ka, kb);
      EXPECT_EQ(ra.comparisons, rb.comparisons);
      expect_same_loops(a, b);
    }
  }
}

// A piece list finds the node the plain walk of the insertion rule stops
// at, also once it is long enough to be kept in blocks and holds nodes out
// of order by less than the tolerance; and takes insertions, truncations
// and erasures as a plain array would.
TEST(OffsetSweep, PieceListsFindWhereThePlainWalkStops) {
  std::mt19937 rng(16);
  std::uniform_real_distribution<double> u01(0, 1);
  for (int round = 0; round < 10; ++round) {
    off::PieceList list;
    std::vector<off::Node> plain;
    auto walk = [&](double p) {
      size_t pos = 0;
      while (pos < plain.size() && p - plain[pos].par >= off::kTol) ++pos;
      return pos;
    };
    for (int step = 0; step < 2000; ++step) {
      // Values in clusters narrower than the tolerance.
      const double p = std::floor(u01(rng) * 300) * 1e-3 + u01(rng) * 2 * off::kTol;
      const off::Node* at = nullptr;
      const size_t pos = list.position(p, &at);
      ASSERT_EQ(pos, walk(p));
      ASSERT_EQ(at != nullptr, pos < plain.size());
      if (at) {
        ASSERT_EQ(at->par, plain[pos].par);
      }
      const double op = u01(rng);
      if (op < 0.9) {
        const off::Node nd{step, p};
        list.insert(pos, nd);
        plain.insert(plain.begin() + static_cast<std::ptrdiff_t>(pos), nd);
      } else if (op < 0.94) {
        const size_t k = static_cast<size_t>(u01(rng) * static_cast<double>(plain.size() + 1));
        list.truncate(k);
        plain.resize(std::min(k, plain.size()));
      } else if (op < 0.98) {
        const size_t k = static_cast<size_t>(u01(rng) * 0.3 * static_cast<double>(plain.size()));
        list.drop_front(k);
        plain.erase(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(std::min(k, plain.size())));
      } else {
        auto odd = [](const off::Node& nd) { return nd.partner % 3 == 1; };
        list.erase_if(odd);
        std::erase_if(plain, odd);
      }
      ASSERT_EQ(list.size(), plain.size());
    }
    const std::vector<off::Node>& flat = list;
    ASSERT_EQ(flat.size(), plain.size());
    size_t k = 0;
    for (const off::Node& nd : list) {
      EXPECT_EQ(nd.partner, plain[k].partner);
      EXPECT_EQ(flat[k].par, plain[k].par);
      EXPECT_EQ(list[k].par, plain[k].par);
      ++k;
    }
  }
}

const Case& find_case(const std::vector<Case>& all, const std::string& name) {
  for (const Case& c : all)
    if (c.name == name) return c;
  static const Case none{"missing", {}, {}};
  ADD_FAILURE() << "no corpus case " << name;
  return none;
}

off::Report run(const Case& c, double d, std::vector<off::Loop>& out, const off::Options& opt = {}) {
  off::Report rep;
  off::eqvidist(c.ring.data(), static_cast<uint32_t>(c.ring.size()), d, opt, out, &rep);
  return rep;
}

// Where the sweep's contour is the offset, it is the result, vertex for
// vertex (the coverage contour only checks it).
TEST(OffsetSweep, KeepsItsContourWhereItIsRight) {
  const std::vector<Case> all = corpus();
  const struct {
    const char* name;
    double d;
  } rows[] = {
      {"square", 1},
      {"square (reversed)", -1},
      {"triangle", -0.3},
      {"triangle (reversed)", 0.3},
      {"convex 60", 0.5},
      {"convex 60", -0.5},
      {"regular 200", -1},
      {"regular 200 (reversed)", 1},
      {"star 40", 0.2},
      {"star 40", -0.2},
      {"star 300", -0.1},
      {"comb narrow teeth", 0.05},
      {"comb narrow teeth", -0.045},
      {"comb wide gaps", 0.25},
      {"dumbbell", -0.19},
      {"dumbbell", 0.5},
      {"notched", 0.5},
      {"notched (reversed)", -0.2},
      {"noisy rect", 0.3},
      {"near collinear", -0.02},
      {"spiral", -0.12},
      {"spiral (reversed)", 0.16},
      {"jitter star", -0.02},
      {"spiky star", 0.02},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.name) + " d=" + std::to_string(r.d));
    const Case& c = find_case(all, r.name);
    std::vector<off::Loop> raw, out;
    off::Options unchecked;
    unchecked.check = false;
    run(c, r.d, raw, unchecked);
    EXPECT_EQ(run(c, r.d, out).outcome, off::SweepOutcome::kKept);
    ASSERT_EQ(raw.size(), out.size());
    for (size_t k = 0; k < raw.size(); ++k) EXPECT_EQ(raw[k].lines, out[k].lines);
  }
}

#ifdef KALVEX_HAVE_CLIPPER
// Where the sweep builds something other than the offset, the coverage
// contour replaces it. Each row is a kind of wrong result the sweep gives
// on a simple polygon; the replacement agrees with Clipper.
TEST(OffsetSweep, ReplacesItsContourWhereItIsNotTheOffset) {
  const std::vector<Case> all = corpus();
  const struct {
    const char* name;
    double d;
    const char* fault;
  } rows[] = {
      {"convex 60", -1.5, "shrunk past short edges: turned-over lines kept"},
      {"convex 60", -2.5, "shrunk away entirely: a loop kept"},
      {"comb wide gaps", -0.16, "teeth and spine shrunk away: empty loops kept"},
      {"dumbbell", -0.25, "shrunk into two squares: one loop lost"},
      {"star 40", -0.5, "shrunk into three loops: one lost"},
      {"dumbbell", -0.6, "two loops, self-intersecting"},
      {"clover", -0.2, "lobes pinched off: self-intersecting loops"},
      {"noisy rect", -0.3, "short edges on long sides: self-intersecting"},
      {"near collinear", -0.2, "nearly collinear edges: stray loops"},
      {"star 40 (reversed)", 0.2, "grown, clockwise: valleys not cut away"},
      {"star 300", 0.1, "grown: valleys not cut away"},
      {"clover", 0.3, "grown: necks not cut away"},
      {"spiral", 0.16, "grown turns fuse: the inner loop lost"},
      {"notched (reversed)", 0.2, "grown slot closes: a degenerate loop kept"},
      {"spiky star", 0.08, "grown spikes: valleys not cut away"},
      {"spiky star", -0.02, "shrunk spikes: self-intersecting"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.name) + " d=" + std::to_string(r.d) + ": " + r.fault);
    const Case& c = find_case(all, r.name);
    std::vector<off::Loop> out;
    EXPECT_EQ(run(c, r.d, out).outcome, off::SweepOutcome::kWrong);
    std::vector<Ring> mine, ref = clipper_offset(c.ring, r.d);
    for (const off::Loop& lp : out) mine.emplace_back(lp.pts.begin(), lp.pts.end() - 1);
    EXPECT_EQ(mine.size(), ref.size());
    EXPECT_NEAR(std::fabs(net_area(mine)), std::fabs(net_area(ref)), 1e-6);
    EXPECT_TRUE(simple_outlines(mine));
  }
}
#endif

// The side of the offset comes from a probe 0.001 off the polygon; where
// it crosses a part thinner than that, the verdict is flipped back.
TEST(OffsetSweep, ProbeThroughAThinPartIsMended) {
  const Ring sliver = offset_corpus::rect(0, 0, 2, 0.0005);
  std::vector<off::Loop> out;
  off::Report rep;
  off::eqvidist(sliver.data(), 4, -0.0001, off::Options{}, out, &rep);
  EXPECT_TRUE(rep.side_mended);
  off::eqvidist(sliver.data(), 4, 0.0001, off::Options{}, out, &rep);
  EXPECT_FALSE(rep.side_mended);
}

}  // namespace
