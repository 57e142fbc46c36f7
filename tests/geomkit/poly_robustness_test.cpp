// Readers hand the geometry whatever a file holds: empty polylines, single
// points, repeated points, huge, tiny and non-finite coordinates. Under the
// sanitizers this suite drives every polyline function with such input.
// Invariants: nothing crashes or reads past a record; intersection counts
// never exceed the maxn capacity; hulls stay within n points.
#include <geomkit/gr_poly.h>

#include "support/poly_builders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

namespace {

using testsupport::make_polyline;
using testsupport::make_polylines;

double wild(std::mt19937& rng) {
  static const double awkward[] = {0.0,
                                   -0.0,
                                   1.0,
                                   -1.0,
                                   1e-5,
                                   0.5e-5,
                                   1e-310,
                                   1e300,
                                   -1e300,
                                   std::numeric_limits<double>::max(),
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN()};
  std::uniform_int_distribution<int> pick(0, 20);
  const int k = pick(rng);
  if (k < 13) return awkward[k];
  return std::uniform_real_distribution<double>(-3, 3)(rng);
}

TEST(PolyRobustness, WildInputNeverCrashes) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> count(0, 7);
  for (int iter = 0; iter < 3000; ++iter) {
    std::vector<gr_cpoint> pts(static_cast<size_t>(count(rng)));
    for (gr_cpoint& p : pts) p = {wild(rng), wild(rng)};
    auto pl = make_polyline(pts, iter % 2);
    gr_line line{{wild(rng), wild(rng)}, {0, 1}};
    if (iter % 3 == 0) gr_direct_by_angle(&line.dir, wild(rng));

    gr_xy_rect box{};
    gr_get_polyline_dims(&box, pl.get());
    const int cap = gr_maxn_isct_line_polyline(&line, pl.get());
    ASSERT_GE(cap, 0);
    std::vector<double> params(static_cast<size_t>(cap) + 1);
    for (int keep_all = 0; keep_all < 2; ++keep_all)
      ASSERT_LE(gr_isct_line_polyline(params.data(), &line, pl.get(), keep_all), cap);
    const gr_segment seg{{wild(rng), wild(rng)}, {wild(rng), wild(rng)}};
    gr_trline tl{};
    gr_create_trline_by_segment(&tl, &seg);
    std::vector<double> seg_params(
        static_cast<size_t>(gr_maxn_isct_line_polyline(gr_trline_as_line(&tl), pl.get())) + 1);
    gr_isct_segment_polyline(seg_params.data(), &seg, pl.get());

    gr_xy_rect rect{wild(rng), wild(rng), wild(rng), wild(rng)};
    gr_layout_rect_polyline(&rect, pl.get());
    gr_layout_rect_segm(&rect, &seg);
    const gr_cpoint pt{wild(rng), wild(rng)};
    gr_layout_cpoint_polyline(&pt, pl.get());
    gr_layout_cpoint_segment(&pt, &seg);

    auto hull = make_polyline(std::vector<gr_cpoint>(pts.size()), 0);
    hull->n = static_cast<uint32_t>(pts.size());
    gr_make_convex_hull(hull.get(), pl.get());
    ASSERT_LE(hull->n, pts.size());

    auto set = make_polylines({pts, {}, pts});
    double* buf = static_cast<double*>(std::malloc(100 * sizeof(double)));
    const int n = gr_isct_line_polylines(&buf, &line, set.get(), iter % 2);
    ASSERT_LE(n, gr_maxn_isct_line_polylines(&line, set.get()));
    std::free(buf);
    gr_get_polylines_dims(&box, set.get());
  }
}

}  // namespace
