// The sweep itself: the fast crossing index gives exactly what the full
// crossing lists give, and where the sweep's contour is kept or replaced.
#include "offset_support.h"

#include "geomkit/offset_engine_p.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace offset_support;
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

TEST(OffsetSweep, OutcomesOnTheCorpus) {
  int kept = 0, wrong = 0, failed = 0;
  for (const Case& c : corpus()) {
    for (double d : c.distances) {
      std::vector<off::Loop> out;
      off::Report rep;
      off::eqvidist(c.ring.data(), static_cast<uint32_t>(c.ring.size()), d, off::Options{}, out, &rep);
      const char* what = rep.outcome == off::SweepOutcome::kKept    ? "kept"
                         : rep.outcome == off::SweepOutcome::kWrong ? "WRONG"
                         : rep.outcome == off::SweepOutcome::kFailed ? "FAILED"
                                                                     : "not run";
      kept += rep.outcome == off::SweepOutcome::kKept;
      wrong += rep.outcome == off::SweepOutcome::kWrong;
      failed += rep.outcome == off::SweepOutcome::kFailed;
      std::printf("%-28s d=%-8g %-7s loops=%zu cover=%d\n", c.name.c_str(), d, what, out.size(), rep.cover_ok);
    }
  }
  std::printf("kept %d wrong %d failed %d\n", kept, wrong, failed);
}

}  // namespace
