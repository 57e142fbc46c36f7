// The offset engine against an independent reference, Clipper's mitred
// offset, on the generated corpus, and the distance property of every
// result. Invariants, for every case and distance:
//  - the engine finds a contour exactly when Clipper does;
//  - net areas agree within a band of 1e-5 inch along the outline, and the
//    outlines lie within 2e-5 inch of each other (Hausdorff distance);
//  - the contour is simple (no two segments cross);
//  - every point of the contour lies |d| or more from the source outline,
//    and farther than |d| only near a corner, within the corner's mitre
//    length |d| / cos(turn / 2) of its vertex.
#include "offset_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using offset_corpus::Ring;
using namespace offset_support;

constexpr double kAreaBand = 1e-5;   // inch, times the outline's length
constexpr double kHausdorff = 2e-5;  // inch

double outline_length(const std::vector<Ring>& rings) {
  double len = 0;
  for (const Ring& r : rings)
    for (size_t i = 0; i < r.size(); ++i) {
      const gr_cpoint& a = r[i];
      const gr_cpoint& b = r[(i + 1) % r.size()];
      len += std::hypot(b.x - a.x, b.y - a.y);
    }
  return len;
}

#ifdef KALVEX_HAVE_CLIPPER
TEST(OffsetReference, AgreesWithClipperMitredOffset) {
  for (const Case& c : corpus()) {
    for (double d : c.distances) {
      SCOPED_TRACE(c.name + " d=" + std::to_string(d));
      std::vector<Ring> mine;
      int ok = engine_offset(c.ring, d, &mine);
      std::vector<Ring> ref = clipper_offset(c.ring, d);
      if (ref.empty()) {
        EXPECT_EQ(ok, 0);
        continue;
      }
      ASSERT_EQ(ok, 1);
      EXPECT_EQ(mine.size(), ref.size());
      double band = kAreaBand * outline_length(ref);
      EXPECT_NEAR(std::fabs(net_area(mine)), std::fabs(net_area(ref)), band);
      double ext = 0;
      for (const gr_cpoint& p : c.ring) ext = std::max({ext, std::fabs(p.x), std::fabs(p.y)});
      EXPECT_LE(offset_corpus::hausdorff(mine, ref, ext / 400), kHausdorff);
      EXPECT_TRUE(simple_outlines(mine));
    }
  }
}

// Needle stars (offset_corpus::urchin): the 1 000-vertex one both ways, and
// the first 1 000 vertices of the 10 000-vertex one, whose inset vanishes
// like the whole star's (the slits' mitres cut through). Clipper rounds
// coordinates to 1e-7 inch, which moves a mitre point by that over the sine
// of half its corner: at these corners of under a degree, more than the
// corpus's tolerance. (The prefix's outset is left out: closed by a chord
// across the needles, the outline crosses itself, and there the engine's
// side of the offset, found at one edge, does not hold for all of it.)
TEST(OffsetReference, AgreesWithClipperOnNeedleStars) {
  using offset_corpus::prefix;
  using offset_corpus::urchin;
  const double d = 0.5 / 25.4;
  const struct {
    const char* name;
    Ring ring;
    double d;
  } rows[] = {
      {"urchin 1000 inset", urchin(1000), -d},
      {"urchin 1000 outset", urchin(1000), d},
      {"urchin 10000, first 1000, inset", prefix(urchin(10000), 1000), -d},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const size_t n = r.ring.size();
    double sharpest = offset_corpus::kPi;
    for (size_t k = 0; k < n; ++k) {
      const gr_cpoint& a = r.ring[(k + n - 1) % n];
      const gr_cpoint& v = r.ring[k];
      const gr_cpoint& b = r.ring[(k + 1) % n];
      const double ux = a.x - v.x, uy = a.y - v.y, wx = b.x - v.x, wy = b.y - v.y;
      sharpest = std::min(sharpest, std::fabs(std::atan2(ux * wy - uy * wx, ux * wx + uy * wy)));
    }
    std::vector<Ring> mine;
    const int ok = engine_offset(r.ring, r.d, &mine);
    const std::vector<Ring> ref = clipper_offset(r.ring, r.d);
    if (ref.empty()) {
      EXPECT_EQ(ok, 0);
      continue;
    }
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(mine.size(), ref.size());
    EXPECT_NEAR(std::fabs(net_area(mine)), std::fabs(net_area(ref)), kAreaBand * outline_length(ref));
    double ext = 0;
    for (const gr_cpoint& p : r.ring) ext = std::max({ext, std::fabs(p.x), std::fabs(p.y)});
    // Sampled coarser than the corpus: the outlines run along every needle,
    // and between corners they are straight (corners are always sampled).
    EXPECT_LE(offset_corpus::hausdorff(mine, ref, ext / 20), kHausdorff + 2e-7 / std::sin(sharpest / 2));
    EXPECT_TRUE(simple_outlines(mine));
  }
}
#endif

// Sample the result and measure against the source outline.
TEST(OffsetReference, ResultLiesAtTheDistanceExceptAtMitres) {
  for (const Case& c : corpus()) {
    if (c.ring.size() > 500) continue;
    const size_t n = c.ring.size();
    for (double d : c.distances) {
      SCOPED_TRACE(c.name + " d=" + std::to_string(d));
      std::vector<Ring> mine;
      if (!engine_offset(c.ring, d, &mine)) continue;
      const std::vector<Ring> src{c.ring};
      const double w = std::fabs(d);
      std::vector<double> mitre(n);
      for (size_t k = 0; k < n; ++k) {
        const gr_cpoint& a = c.ring[(k + n - 1) % n];
        const gr_cpoint& v = c.ring[k];
        const gr_cpoint& b = c.ring[(k + 1) % n];
        double turn = std::atan2((v.x - a.x) * (b.y - v.y) - (v.y - a.y) * (b.x - v.x),
                                 (v.x - a.x) * (b.x - v.x) + (v.y - a.y) * (b.y - v.y));
        mitre[k] = w / std::max(std::cos(turn / 2), 1e-9);
      }
      for (const gr_cpoint& p : offset_corpus::samples(mine, w / 4)) {
        double dist = offset_corpus::dist_to_rings(p, src);
        ASSERT_GE(dist, w - 1e-6) << "at " << p.x << ", " << p.y;
        if (dist <= w + 1e-6) continue;
        bool near_corner = false;
        for (size_t k = 0; k < n && !near_corner; ++k)
          near_corner = std::hypot(p.x - c.ring[k].x, p.y - c.ring[k].y) <= mitre[k] + 1e-6;
        ASSERT_TRUE(near_corner) << "at " << p.x << ", " << p.y << ", " << dist << " from the source";
      }
    }
  }
}

}  // namespace
