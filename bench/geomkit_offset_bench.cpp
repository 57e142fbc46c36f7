// The offset engine beside Clipper's mitred offset, on star-shaped outlines
// 200 mm across (smooth, with small jitter, with random spikes, and with
// needles: see offset_corpus.h) at 1 000, 10 000 and 100 000 vertices,
// inset and outset by 0.5 mm.
//
// Each engine benchmark also times Clipper on the same polygon and reports
//   clipper_ms  Clipper's time per offset,
//   ratio       the engine's time over Clipper's,
//   area_diff   |engine area - Clipper area| / Clipper area, a check that
//               the two agree,
//   engine_mb, clipper_mb  the peak of heap memory in use during one
//               offset (counted by the allocator below).
// The Clipper_* benchmarks time Clipper alone, for the record.
//
// Urchin/N: the needle star (offset_corpus::urchin) of 10 000 vertices and
// its first 1 000 and 3 000 vertices, each closed (by a chord across the
// needles: those two cross themselves). Clipper is timed with mitre limit
// 1000, which mitres all but the sharpest needles as the engine mitres
// every corner, and limit 2, which squares them off (clipper2_ms,
// clipper2_mb); ratio is the engine over Clipper at limit 1000, and loops
// and clipper_loops count both results' contours. The machine may be
// shared: engine_cpu_ms, clipper_cpu_ms and cpu_ratio give the same
// comparison in processor time.
#include "outline_bench.h"

#include <geomkit/gr_eqvidist.h>
#include <geomkit/gr_poly.h>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <atomic>
#include <cmath>
#include <ctime>
#include <cstdlib>
#include <new>
#include <string>

// ---- a counting allocator: the heap in use, and its peak ----

namespace {

std::atomic<size_t> g_in_use{0};
std::atomic<size_t> g_peak{0};

void* counted(void* p) {
  if (!p) throw std::bad_alloc();
  const size_t now =
      g_in_use.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
  size_t peak = g_peak.load(std::memory_order_relaxed);
  while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
  return p;
}

void uncounted(void* p) {
  if (!p) return;
  g_in_use.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
  std::free(p);
}

// Processor time of this process, in seconds.
double cpu_now() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The mean processor time of f over reps calls.
template <class F>
double cpu_seconds_per_call(F&& f, int reps) {
  const double t0 = cpu_now();
  for (int k = 0; k < reps; ++k) f();
  return (cpu_now() - t0) / reps;
}

// The peak of heap memory in use while f runs, above what was in use
// before, in megabytes.
template <class F>
double peak_mb(F&& f) {
  const size_t before = g_in_use.load();
  g_peak.store(before);
  f();
  return static_cast<double>(g_peak.load() - before) / (1024.0 * 1024.0);
}

}  // namespace

void* operator new(size_t n) { return counted(std::malloc(n ? n : 1)); }
void* operator new[](size_t n) { return counted(std::malloc(n ? n : 1)); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, size_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t) noexcept { uncounted(p); }

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
ClipperLib::Paths clipper_offset(const ClipperLib::Path& path, double d, double limit = 1000) {
  ClipperLib::ClipperOffset co(limit);
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
  state.counters["engine_mb"] = peak_mb([&] {
    gr_polylines* out = nullptr;
    gr_eqvidist_polyline(pl.get(), d, &out, 1);
    gr_free_buffer_for_polylines(out);
  });
  state.counters["clipper_mb"] = peak_mb([&] { sol = clipper_offset(path, d); });
#endif
}

// The needle star or a prefix of it: see the header comment.
void urchin_bench(benchmark::State& state, int n, double d) {
  const Ring ring = offset_corpus::prefix(offset_corpus::urchin(10000), static_cast<size_t>(n));
  auto pl = to_pline(ring);
  int loops = -1;
  double area = 0;
  for (auto _ : state) {
    gr_polylines* out = nullptr;
    int ok = gr_eqvidist_polyline(pl.get(), d, &out, 1);
    benchmark::DoNotOptimize(ok);
    if (loops < 0) {
      loops = ok ? out->n : 0;
      area = ok ? engine_area(out) : 0;
    }
    gr_free_buffer_for_polylines(out);
  }
  state.counters["loops"] = loops;
  state.counters["engine_mb"] = peak_mb([&] {
    gr_polylines* out = nullptr;
    gr_eqvidist_polyline(pl.get(), d, &out, 1);
    gr_free_buffer_for_polylines(out);
  });
#ifdef KALVEX_HAVE_CLIPPER
  const ClipperLib::Path path = to_path(ring);
  ClipperLib::Paths sol;
  const double eng_s = seconds_per_call(
      [&] {
        gr_polylines* out = nullptr;
        gr_eqvidist_polyline(pl.get(), d, &out, 1);
        gr_free_buffer_for_polylines(out);
      },
      3);
  const double clip_s = seconds_per_call([&] { sol = clipper_offset(path, d, 1000); }, 3);
  const int cpu_reps = n > 3000 ? 1 : 5;
  const double eng_cpu = cpu_seconds_per_call(
      [&] {
        gr_polylines* out = nullptr;
        gr_eqvidist_polyline(pl.get(), d, &out, 1);
        gr_free_buffer_for_polylines(out);
      },
      cpu_reps);
  const double clip_cpu = cpu_seconds_per_call([&] { sol = clipper_offset(path, d, 1000); }, cpu_reps);
  const double ca = clipper_area(sol);
  state.counters["clipper_loops"] = static_cast<double>(sol.size());
  state.counters["clipper_mb"] = peak_mb([&] { sol = clipper_offset(path, d, 1000); });
  const double clip2_s = seconds_per_call([&] { sol = clipper_offset(path, d, 2); });
  state.counters["clipper2_mb"] = peak_mb([&] { sol = clipper_offset(path, d, 2); });
  state.counters["engine_ms"] = eng_s * 1e3;
  state.counters["clipper_ms"] = clip_s * 1e3;
  state.counters["clipper2_ms"] = clip2_s * 1e3;
  state.counters["ratio"] = eng_s / clip_s;
  state.counters["engine_cpu_ms"] = eng_cpu * 1e3;
  state.counters["clipper_cpu_ms"] = clip_cpu * 1e3;
  state.counters["cpu_ratio"] = eng_cpu / clip_cpu;
  state.counters["area_diff"] = ca > 0 ? std::fabs(area - ca) / ca : area;
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
        std::string tag =
            std::string(name_of(kind)) + "/" + std::to_string(n) + (d < 0 ? "/inset" : "/outset");
        benchmark::RegisterBenchmark(("Engine/" + tag).c_str(), engine_bench, kind, n, d)
            ->Unit(benchmark::kMillisecond);
#ifdef KALVEX_HAVE_CLIPPER
        benchmark::RegisterBenchmark(("Clipper/" + tag).c_str(), clipper_bench, kind, n, d)
            ->Unit(benchmark::kMillisecond);
#endif
      }
  for (int n : {1000, 3000, 10000})
    for (double d : {-kDist, kDist}) {
      std::string tag = "Urchin/" + std::to_string(n) + (d < 0 ? "/inset" : "/outset");
      benchmark::RegisterBenchmark(tag.c_str(), urchin_bench, n, d)->Unit(benchmark::kMillisecond);
    }
  return 0;
}

const int registered = register_all();

}  // namespace

BENCHMARK_MAIN();
