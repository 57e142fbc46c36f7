// The offset engine beside Clipper's mitred offset, on star-shaped outlines
// 200 mm across (smooth, with small jitter, with random spikes, and with
// needles: see offset_corpus.h) at 1 000, 10 000 and 100 000 vertices,
// inset and outset by 0.5 mm.
//
// Each engine benchmark also times Clipper on the same polygon and reports
//   clipper_ms  Clipper's time per offset,
//   ratio       the engine's time over Clipper's,
//   area_diff   |engine area - Clipper area| / Clipper area, a check that
//               the two agree.
// The Clipper_* benchmarks time Clipper alone, for the record.
#include "outline_bench.h"

#include <geomkit/gr_eqvidist.h>
#include <geomkit/gr_poly.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

namespace {

using namespace outline_bench;

constexpr double kDist = 0.5 / 25.4;  // 0.5 mm in inches

double engine_area(const gr_polylines* set) {
  double a = 0;
  const gr_polyline* m = gr_polylines_first(set);
  for (int i = 0; i < set->n; ++i) {
    a += offset_corpus::signed_area(Ring(m->pnt, m->pnt + m->n));
    m = gr_polylines_next(m);
  }
  return std::fabs(a);
}

#ifdef KALVEX_HAVE_CLIPPER
// Mitre limit 1000: Clipper mitres every corner the engine mitres short of
// near-reversals (see the reference test).
ClipperLib::Paths clipper_offset(const ClipperLib::Path& path, double d) {
  ClipperLib::ClipperOffset co(1000);
  co.AddPath(path, ClipperLib::jtMiter, ClipperLib::etClosedPolygon);
  ClipperLib::Paths sol;
  co.Execute(sol, d * kClipperScale);
  return sol;
}

double clipper_area(const ClipperLib::Paths& sol) {
  double a = 0;
  for (const auto& p : sol) a += ClipperLib::Area(p);
  return std::fabs(a) / (kClipperScale * kClipperScale);
}
#endif

void engine_bench(benchmark::State& state, Outline kind, int n, double d) {
  const Ring ring = offset_corpus::bench_star(kind, n);
  auto pl = to_pline(ring);
  double area = 0;
  for (auto _ : state) {
    gr_polylines* out = nullptr;
    int ok = gr_eqvidist_polyline(pl.get(), d, &out, 1);
    benchmark::DoNotOptimize(ok);
    if (ok && area == 0) area = engine_area(out);
    gr_free_buffer_for_polylines(out);
  }
#ifdef KALVEX_HAVE_CLIPPER
  const ClipperLib::Path path = to_path(ring);
  ClipperLib::Paths sol;
  const double clip_s = seconds_per_call([&] { sol = clipper_offset(path, d); });
  // The engine's mean time per iteration, from this run.
  const double eng_s = seconds_per_call([&] {
    gr_polylines* out = nullptr;
    gr_eqvidist_polyline(pl.get(), d, &out, 1);
    gr_free_buffer_for_polylines(out);
  });
  const double ca = clipper_area(sol);
  state.counters["clipper_ms"] = clip_s * 1e3;
  state.counters["engine_ms"] = eng_s * 1e3;
  state.counters["ratio"] = eng_s / clip_s;
  state.counters["area_diff"] = ca > 0 ? std::fabs(area - ca) / ca : 0;
#endif
}

#ifdef KALVEX_HAVE_CLIPPER
void clipper_bench(benchmark::State& state, Outline kind, int n, double d) {
  const ClipperLib::Path path = to_path(offset_corpus::bench_star(kind, n));
  for (auto _ : state) {
    ClipperLib::Paths sol = clipper_offset(path, d);
    benchmark::DoNotOptimize(sol.data());
  }
}
#endif

int register_all() {
  for (Outline kind : {Outline::kSmooth, Outline::kJitter, Outline::kSpikes, Outline::kNeedles})
    for (int n : {1000, 10000, 100000})
      for (double d : {-kDist, kDist}) {
        std::string tag = std::string(name_of(kind)) + "/" + std::to_string(n) + (d < 0 ? "/inset" : "/outset");
        benchmark::RegisterBenchmark(("Engine/" + tag).c_str(), engine_bench, kind, n, d)
            ->Unit(benchmark::kMillisecond);
#ifdef KALVEX_HAVE_CLIPPER
        benchmark::RegisterBenchmark(("Clipper/" + tag).c_str(), clipper_bench, kind, n, d)
            ->Unit(benchmark::kMillisecond);
#endif
      }
  return 0;
}

const int registered = register_all();

}  // namespace

BENCHMARK_MAIN();
