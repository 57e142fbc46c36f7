// Flattening composite Bezier curves: output points per second of
// gr_conv_POLYbezier_to_polyline, beside a rival that appends piece by piece
// into a freshly grown block each time (the straightforward way), with a
// check that both give the same points.
#include <geomkit/gr_bez.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A wavy composite curve of `pieces` cubic pieces, each a few units long,
// like the outlines of lettering imported from Illustrator files.
gr_bezier* make_curve(int pieces) {
  const int n = 3 * pieces + 1;
  gr_bezier* b = gr_alloc_buffer_for_bezier(n);
  b->n = n;
  b->reserved = 0;
  for (int i = 0; i < n; ++i) {
    const double u = i * 0.37;
    b->pnt[i] = gr_cpoint{u + std::sin(1.3 * u), 2.0 * std::cos(0.7 * u) + (i % 3 == 1 ? 1.5 : 0.0)};
  }
  return b;
}

// The rival: each piece through gr_conv_bezier_to_polyline, appended by
// allocating old n + piece n - 1 points and copying.
gr_polyline* flatten_by_appending(const gr_bezier* bez, int density) {
  gr_polyline* result = nullptr;
  std::vector<unsigned char> piece_block(16 * 5 + 8), run_block;
  auto* piece = reinterpret_cast<gr_bezier*>(piece_block.data());
  piece->n = 4;
  for (int k = 0; 3 * k + 3 < bez->n; ++k) {
    std::memcpy(piece->pnt, bez->pnt + 3 * k, 4 * sizeof(gr_cpoint));
    const gr_cpoint* p = piece->pnt;
    int m;
    if (std::fabs(p[0].x - p[1].x) < GR_LMES_PREC && std::fabs(p[2].x - p[3].x) < GR_LMES_PREC &&
        std::fabs(p[0].y - p[1].y) < GR_LMES_PREC && std::fabs(p[2].y - p[3].y) < GR_LMES_PREC) {
      m = 2;
      run_block.resize(16 * 2 + 8);
      auto* run = reinterpret_cast<gr_polyline*>(run_block.data());
      run->n = 2;
      run->pnt[0] = p[1];
      run->pnt[1] = p[2];
    } else {
      std::vector<unsigned char> four(16 * 4 + 8);
      auto* approx = reinterpret_cast<gr_polyline*>(four.data());
      gr_conv_bezier_to_polyline(piece, approx, 4);
      double len = 0;
      for (int i = 0; i < 3; ++i) len += gr_dist_cpoints(&approx->pnt[i], &approx->pnt[i + 1]);
      m = static_cast<int>((len * 0.1 + 0.9) * density);
      if (m < 3) m = 2;
      run_block.resize(16 * static_cast<size_t>(m) + 8);
      gr_conv_bezier_to_polyline(piece, reinterpret_cast<gr_polyline*>(run_block.data()), m);
    }
    const auto* run = reinterpret_cast<const gr_polyline*>(run_block.data());
    if (!result) {
      result = gr_alloc_buffer_for_polyline(static_cast<int>(run->n));
      result->n = run->n;
      std::memcpy(result->pnt, run->pnt, run->n * sizeof(gr_cpoint));
      continue;
    }
    const uint32_t total = result->n + run->n - 1;
    gr_polyline* grown = gr_alloc_buffer_for_polyline(static_cast<int>(total));
    std::memcpy(grown->pnt, result->pnt, result->n * sizeof(gr_cpoint));
    std::memcpy(grown->pnt + result->n, run->pnt + 1, (run->n - 1) * sizeof(gr_cpoint));
    grown->n = total;
    gr_free_buffer_for_polyline(result);
    result = grown;
  }
  return result;
}

void BM_PolyBezierToPolyline(benchmark::State& state) {
  gr_bezier* curve = make_curve(static_cast<int>(state.range(0)));
  const int density = static_cast<int>(state.range(1));
  gr_polyline* pl = nullptr;
  int64_t points = 0;
  for (auto _ : state) {
    gr_conv_POLYbezier_to_polyline(curve, &pl, density);
    benchmark::DoNotOptimize(pl->pnt[pl->n - 1]);
    points += pl->n;
  }
  state.counters["points"] = static_cast<double>(pl->n);
  state.counters["points/s"] = benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsRate);
  gr_free_buffer_for_polyline(pl);
  gr_free_buffer_for_bezier(curve);
}

void BM_AppendingRival(benchmark::State& state) {
  gr_bezier* curve = make_curve(static_cast<int>(state.range(0)));
  const int density = static_cast<int>(state.range(1));
  // Both ways must give the same points before either is timed.
  gr_polyline* ours = gr_conv_POLYbezier_to_polyline(curve, nullptr, density);
  gr_polyline* theirs = flatten_by_appending(curve, density);
  if (ours->n != theirs->n || std::memcmp(ours->pnt, theirs->pnt, ours->n * sizeof(gr_cpoint)) != 0) {
    state.SkipWithError("the two flattenings disagree");
  }
  gr_free_buffer_for_polyline(ours);
  gr_free_buffer_for_polyline(theirs);
  int64_t points = 0;
  for (auto _ : state) {
    gr_polyline* pl = flatten_by_appending(curve, density);
    benchmark::DoNotOptimize(pl->pnt[pl->n - 1]);
    points += pl->n;
    gr_free_buffer_for_polyline(pl);
  }
  state.counters["points/s"] = benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsRate);
  gr_free_buffer_for_bezier(curve);
}

// (pieces, density): selection density 12 and box density 100.
BENCHMARK(BM_PolyBezierToPolyline)->Args({100, 12})->Args({1000, 12})->Args({1000, 100})->Args({10000, 100});
BENCHMARK(BM_AppendingRival)->Args({100, 12})->Args({1000, 12})->Args({1000, 100});

}  // namespace

BENCHMARK_MAIN();
