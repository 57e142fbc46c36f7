// The graphics database on large drawings: appending, undo snapshots,
// selection and drawing of 1 000 000 segment elements.
//
//   BM_AddElemSegments    MainDB::AddElem of 1 000 000 segments (elements/s);
//                         store_bytes_per_elem is the object-store memory of
//                         one segment element, from the cell and datum sizes
//                         (cells_per_elem cells of 24 bytes, data in 8-byte
//                         size classes behind a 4-byte length word);
//                         rss_bytes_per_elem is the resident-memory growth
//                         of the first run, which also counts page records.
//   BM_CreateUndo         one undo snapshot of a 1 000 000-segment document
//                         (a deep copy); peak_rss_mb after the chain is full.
//   BM_SelectClick        a click (mode 1) and
//   BM_SelectRubberBand   a dragged rectangle (mode 0) on 1 000 000 elements.
//   BM_DrawCounting       MainDB::Draw of 1 000 000 segments onto a device that
//                         counts the lines asked of it and records nothing.
#include <benchmark/benchmark.h>

#include <fgb/fgb.h>
#include <geomkit/device_context.h>

#include "lattice_drawing.h"

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

using lattice::fill;
using lattice::kElements;
using lattice::kGrid;
using lattice::resident_bytes;
using lattice::segment_at;

double peak_rss_mb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024.0;
}

// Object-store bytes of one segment element: the shape datum and the cells
// holding it (shape, element, link). Elements added one after another with
// the same pen share one curve style cell and datum.
double store_bytes_per_segment() {
  auto chunk = [](int n) { return 4 + 8 * ((n + 7) / 8); };
  const int cells = 3;
  return cells * 24.0 + chunk(static_cast<int>(sizeof(gr_segment)));
}

void BM_AddElemSegments(benchmark::State& state) {
  bool first = true;
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<MainDB>();
    long before = resident_bytes();
    state.ResumeTiming();
    fill(*doc, kElements);
    state.PauseTiming();
    if (first) {
      state.counters["rss_bytes_per_elem"] = double(resident_bytes() - before) / kElements;
      first = false;
    }
    benchmark::DoNotOptimize(doc->GetCountElems());
    doc.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kElements);
  state.counters["store_bytes_per_elem"] = store_bytes_per_segment();
  state.counters["cells_per_elem"] = 3;
}
BENCHMARK(BM_AddElemSegments)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CreateUndo(benchmark::State& state) {
  MainDB doc(nullptr);
  fill(doc, kElements);
  for (auto _ : state) doc.CreateUndo();  // past 9 snapshots the oldest is recycled
  state.counters["peak_rss_mb"] = peak_rss_mb();
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_CreateUndo)->Unit(benchmark::kMillisecond)->Iterations(12);

void BM_SelectClick(benchmark::State& state) {
  MainDB doc;
  fill(doc, kElements);
  // Around the middle of the segment of element 500 500.
  gr_segment s = segment_at(kElements / 2 + kGrid / 2);
  double cx = (s.p1.x + s.p2.x) / 2, cy = (s.p1.y + s.p2.y) / 2;
  for (auto _ : state) {
    addParam rq{1, 0, {cx - 0.05, cy - 0.05, cx + 0.05, cy + 0.05}};
    doc.SelectElems(&rq, 1);
  }
  state.counters["selected"] = doc.GetCountElemsS();
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_SelectClick)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SelectRubberBand(benchmark::State& state) {
  MainDB doc;
  fill(doc, kElements);
  for (auto _ : state) {
    // A quarter of the drawing, dragged from top right to bottom left.
    addParam rq{0, 0, {kGrid / 2.0 + 0.1, kGrid / 2.0 + 0.1, -0.1, -0.1}};
    doc.SelectElems(&rq, 1);
  }
  state.counters["selected"] = doc.GetCountElemsS();
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_SelectRubberBand)->Unit(benchmark::kMillisecond)->Iterations(5);

// Counts the lines drawn; keeps the base class's state (pens, position).
struct CountingDC : GrDeviceContext {
  long lines = 0;
  BOOL LineTo(int x, int y) override {
    ++lines;
    return GrDeviceContext::LineTo(x, y);
  }
};

void BM_DrawCounting(benchmark::State& state) {
  MainDB doc;
  fill(doc, kElements);
  CountingDC dc;
  gr_ctrans view{0, 0, 100, 0, 1, 1, -1};  // 100 device units per inch, y up
  for (auto _ : state) {
    dc.lines = 0;
    doc.Draw(fgb_for_draw_gdb{&dc, &view}, 3);
  }
  state.counters["lines"] = dc.lines;
  state.counters["ns_per_elem"] =
      benchmark::Counter(double(kElements) * state.iterations() * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_DrawCounting)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
