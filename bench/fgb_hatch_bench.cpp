// The hatch beside Clipper on star-shaped outlines 200 mm across (smooth,
// with small jitter, with random spikes: see offset_corpus.h) at 1 000,
// 10 000 and 100 000 vertices, hatched every 0.2 mm.
//
// Core/<outline>/<n> times the hatch of one element as MainDB::Hatch runs
// it (the edge scan: the lines, their parameters and the segments, handed
// to a sink that only counts them) and, in the same run, reports
//   clipper_ms    Clipper intersecting the polygon with the same lines (open
//                 paths clipped by the closed polygon, even-odd),
//   scan_ms       the edge scan, timed the same way,
//   ratio         scan_ms / clipper_ms,
//   plain_ms      the library's intersection of every line with the whole
//                 outline (the reference the scan must agree with),
//   segments, clipper_segments, length_diff  (|our total length - Clipper's|
//                 / Clipper's): a check that the two agree.
// Document/<outline>/<n> times MainDB::Hatch end to end on a document
// holding the outline selected: undo snapshot, work document, hatch and the
// AddElem of every segment.
#include "outline_bench.h"
#include "db/hatch_p.h"

#include <fgb/main_db.h>
#include <geomkit/gr_poly.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace outline_bench;

constexpr double kStep = 0.2 / 25.4;  // 0.2 mm in inches

struct CountingSink final : fgb::HatchSink {
  long segments = 0;
  double length = 0;
  void line(double) override {}
  void segment(const gr_segment& s) override {
    ++segments;
    length += s.p2.x - s.p1.x;
  }
};

#ifdef KALVEX_HAVE_CLIPPER
// The hatch lines as open paths across the polygon's box, at the heights
// the hatch uses (two steps below the box, while below two steps above).
ClipperLib::Paths hatch_lines(const Ring& r) {
  double x1 = INFINITY, x2 = -INFINITY, y1 = INFINITY, y2 = -INFINITY;
  for (const gr_cpoint& q : r) {
    x1 = std::fmin(x1, q.x);
    x2 = std::fmax(x2, q.x);
    y1 = std::fmin(y1, q.y);
    y2 = std::fmax(y2, q.y);
  }
  ClipperLib::Paths lines;
  const auto lx = static_cast<ClipperLib::cInt>(std::llround((x1 - 1) * kClipperScale));
  const auto rx = static_cast<ClipperLib::cInt>(std::llround((x2 + 1) * kClipperScale));
  for (double y = y1 - 2 * kStep; y < y2 + 2 * kStep; y += kStep) {
    const auto iy = static_cast<ClipperLib::cInt>(std::llround(y * kClipperScale));
    lines.push_back({ClipperLib::IntPoint(lx, iy), ClipperLib::IntPoint(rx, iy)});
  }
  return lines;
}

ClipperLib::Paths clipper_hatch(const ClipperLib::Path& poly, const ClipperLib::Paths& lines) {
  ClipperLib::Clipper c;
  c.AddPaths(lines, ClipperLib::ptSubject, false);
  c.AddPath(poly, ClipperLib::ptClip, true);
  ClipperLib::PolyTree tree;
  c.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftEvenOdd, ClipperLib::pftEvenOdd);
  ClipperLib::Paths open;
  ClipperLib::OpenPathsFromPolyTree(tree, open);
  return open;
}
#endif

void core_bench(benchmark::State& state, Outline kind, int n) {
  const Ring ring = offset_corpus::bench_star(kind, n);
  const auto pl = to_pline(ring);
  long segments = 0;
  double length = 0;
  for (auto _ : state) {
    CountingSink sink;
    fgb::hatch_element(FGB_POLYLINE, pl.get(), kStep, 0, fgb::HatchPath::kScan, sink);
    benchmark::DoNotOptimize(sink.segments);
    segments = sink.segments;
    length = sink.length;
  }
  const double scan_s = seconds_per_call([&] {
    CountingSink sink;
    fgb::hatch_element(FGB_POLYLINE, pl.get(), kStep, 0, fgb::HatchPath::kScan, sink);
    benchmark::DoNotOptimize(sink.segments);
  });
  const double plain_s = seconds_per_call(
      [&] {
        CountingSink sink;
        fgb::hatch_element(FGB_POLYLINE, pl.get(), kStep, 0, fgb::HatchPath::kPlain, sink);
        benchmark::DoNotOptimize(sink.segments);
      },
      n >= 100000 ? 2 : 1000);
  state.counters["scan_ms"] = scan_s * 1e3;
  state.counters["plain_ms"] = plain_s * 1e3;
  state.counters["segments"] = static_cast<double>(segments);
#ifdef KALVEX_HAVE_CLIPPER
  const ClipperLib::Path poly = to_path(ring);
  const ClipperLib::Paths lines = hatch_lines(ring);
  ClipperLib::Paths open;
  const double clip_s = seconds_per_call([&] { open = clipper_hatch(poly, lines); });
  double clip_len = 0;
  for (const auto& p : open)
    for (size_t i = 1; i < p.size(); ++i)
      clip_len += std::fabs(static_cast<double>(p[i].X - p[i - 1].X)) / kClipperScale;
  state.counters["clipper_ms"] = clip_s * 1e3;
  state.counters["ratio"] = scan_s / clip_s;
  state.counters["clipper_segments"] = static_cast<double>(open.size());
  state.counters["length_diff"] = clip_len > 0 ? std::fabs(length - clip_len) / clip_len : 0;
#endif
}

void document_bench(benchmark::State& state, Outline kind, int n) {
  const auto pl = to_pline(offset_corpus::bench_star(kind, n));
  H_param h{};
  h.step = kStep;
  h.offset = 0;
  h.all = 1;
  h.style.width = 0.3f / 25.4f;
  long added = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<MainDB>(nullptr);
    doc->AddElem(FGB_POLYLINE, pl.get(), h.style, gr_fill_area_style{}, 2);
    state.ResumeTiming();
    doc->Hatch(&h, -2);
    state.PauseTiming();
    added = doc->GetCountElemsS() - 1;
    doc.reset();
    state.ResumeTiming();
  }
  state.counters["segments"] = static_cast<double>(added);
}

int register_all() {
  for (Outline kind : {Outline::kSmooth, Outline::kJitter, Outline::kSpikes})
    for (int n : {1000, 10000, 100000}) {
      const std::string tag = std::string(name_of(kind)) + "/" + std::to_string(n);
      benchmark::RegisterBenchmark(("Core/" + tag).c_str(), core_bench, kind, n)
          ->Unit(benchmark::kMillisecond);
    }
  for (Outline kind : {Outline::kSmooth, Outline::kJitter, Outline::kSpikes})
    for (int n : {1000, 10000, 100000}) {
      const std::string tag = std::string(name_of(kind)) + "/" + std::to_string(n);
      benchmark::RegisterBenchmark(("Document/" + tag).c_str(), document_bench, kind, n)
          ->Unit(benchmark::kMillisecond);
    }
  return 0;
}

const int registered = register_all();

}  // namespace

BENCHMARK_MAIN();
