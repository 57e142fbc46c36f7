// Undo on a large drawing: 1 000 000 segments on a 1000 x 1000 lattice, a
// selection of one row (1 000 elements, one after another in the list).
// Run one benchmark per process (--benchmark_filter) for the memory figures:
// the store keeps freed cells for reuse, so a second benchmark in the same
// process starts from a resident size that is not its own.
//
//   BM_UndoStepMove       the undo step (CreateUndo) of moving the selection;
//                         edit_ms is the whole edit (snapshot and move),
//                         drawing_mb the resident memory of the drawing as
//                         filled and nine_steps_mb what the selection and
//                         nine such edits added to it.
//   BM_UndoStepDelete     the undo step of deleting a freshly selected row
//                         (rows 100, 200, ... 900); select_ms is the selection
//                         of that row, which is no undo step of its own;
//                         first_select_mb what the first selection alone
//                         added (its working copy of the pages it rebuilt,
//                         whose cells the store keeps for reuse); undo_ms
//                         and redo_ms one step back and forth through them
//                         (slowest_step_ms the slowest of those steps),
//                         after_undo_redo_mb what the drawing holds beyond
//                         its own memory after all of them.
//   BM_EditEverything     re-pen every element of a selection holding all of
//                         them: the snapshot and the edit that touches everything;
//   BM_MoveEverything     the same for a move of all of them;
//   BM_SelectAll          select all (an undo step of its own).
//   BM_RandomWalk         a seeded random sequence of edits, undos, redos and
//                         selections on the million elements, the element
//                         counts checked against a model after every step;
//                         fingerprint is a hash of every notification and,
//                         every tenth step and at the end, of both sides'
//                         elements, counts and boxes: builds that behave
//                         alike print the same number.
#include <benchmark/benchmark.h>

#include <fgb/fgb.h>

#include "lattice_drawing.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <cstdio>
#include <deque>
#include <memory>
#include <random>

namespace {

using lattice::fill;
using lattice::kElements;
using lattice::kGrid;
using lattice::kNoFill;
using lattice::resident_mb;

double ms_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Processor time of this process so far, milliseconds.
double cpu_ms() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

// Wall and processor time summed over the stretches between start and stop.
struct Stopwatch {
  std::chrono::steady_clock::time_point t0;
  double c0 = 0, wall_ms = 0, cpu = 0;
  void start() {
    t0 = std::chrono::steady_clock::now();
    c0 = cpu_ms();
  }
  void stop() {
    wall_ms += ms_since(t0);
    cpu += cpu_ms() - c0;
  }
};

// A document filled with the lattice, and the resident memory it took.
struct Filled {
  double before = resident_mb();
  std::unique_ptr<MainDB> doc = make();
  double drawing = resident_mb() - before;
  // What the process holds now beyond the drawing.
  double added() const { return resident_mb() - before - drawing; }
  static std::unique_ptr<MainDB> make() {
    auto d = std::make_unique<MainDB>(nullptr);
    fill(*d);
    return d;
  }
};

// Selects row y (direction 1, keep 0): exactly its 1 000 segments.
void select_row(MainDB& doc, int y) {
  addParam rq{0, 0, {-0.1, y - 0.01, kGrid + 0.1, y + 0.3}};
  doc.SelectElems(&rq, 1);
}

void move_selection(MainDB& doc, double dx) {
  OperationParam param{};
  param.move = gr_cpoint{-dx, 0};
  pOperate rq{nullptr, OP_MOVE, &param};
  doc.Operation(&rq);
}

void BM_UndoStepMove(benchmark::State& state) {
  const Filled f;
  MainDB* doc = f.doc.get();
  select_row(*doc, kGrid / 2);
  Stopwatch edit;
  for (auto _ : state) {
    edit.start();
    doc->CreateUndo();
    state.PauseTiming();
    move_selection(*doc, 0.001);
    edit.stop();
    state.ResumeTiming();
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["edit_ms"] = edit.wall_ms / iterations;
  state.counters["edit_cpu_ms"] = edit.cpu / iterations;
  state.counters["drawing_mb"] = f.drawing;
  state.counters["nine_steps_mb"] = f.added();
  state.counters["selected"] = doc->GetCountElemsS();
}
BENCHMARK(BM_UndoStepMove)->Unit(benchmark::kMillisecond)->Iterations(9);

void BM_UndoStepDelete(benchmark::State& state) {
  const Filled f;
  MainDB* doc = f.doc.get();
  Stopwatch select;
  double first_select = -1;
  int row = 100;
  for (auto _ : state) {
    state.PauseTiming();
    select.start();
    select_row(*doc, row);
    select.stop();
    if (first_select < 0) first_select = f.added();
    row += 100;
    state.ResumeTiming();
    doc->CreateUndo();
    state.PauseTiming();
    doc->DeleteElemAll(2);
    state.ResumeTiming();
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["select_ms"] = select.wall_ms / iterations;
  state.counters["select_cpu_ms"] = select.cpu / iterations;
  state.counters["drawing_mb"] = f.drawing;
  state.counters["nine_steps_mb"] = f.added();
  state.counters["first_select_mb"] = first_select;
  // Back through the steps and forward again, each step timed.
  double undo_ms = 0, redo_ms = 0, slowest_ms = 0;
  auto timed = [&](void (MainDB::*step)(), double& sum) {
    const auto t0 = std::chrono::steady_clock::now();
    ((*doc).*step)();
    const double ms = ms_since(t0);
    sum += ms;
    slowest_ms = std::max(slowest_ms, ms);
  };
  for (int64_t i = 0; i < 2 * state.iterations(); ++i) timed(&MainDB::GetUndo, undo_ms);
  for (int64_t i = 0; i < 2 * state.iterations(); ++i) timed(&MainDB::GetRedo, redo_ms);
  state.counters["undo_ms"] = undo_ms / (2 * iterations);
  state.counters["redo_ms"] = redo_ms / (2 * iterations);
  state.counters["slowest_step_ms"] = slowest_ms;
  state.counters["after_undo_redo_mb"] = f.added();
  state.counters["left"] = doc->GetCountElems();
}
BENCHMARK(BM_UndoStepDelete)->Unit(benchmark::kMillisecond)->Iterations(9);

void BM_EditEverything(benchmark::State& state) {
  Filled f;
  MainDB* doc = f.doc.get();
  doc->SelectElems();
  f.drawing = resident_mb() - f.before;
  float width = 0.02f;
  for (auto _ : state) {
    doc->SetWidthPen(width);
    width += 0.001f;
  }
  state.counters["selected"] = doc->GetCountElemsS();
  state.counters["drawing_mb"] = f.drawing;
  state.counters["five_edits_mb"] = f.added();
}
BENCHMARK(BM_EditEverything)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MoveEverything(benchmark::State& state) {
  auto doc = std::make_unique<MainDB>(nullptr);
  fill(*doc);
  doc->SelectElems();
  for (auto _ : state) {
    doc->CreateUndo();  // as SetDimension: the snapshot, then the move
    move_selection(*doc, 0.5);
  }
  state.counters["selected"] = doc->GetCountElemsS();
}
BENCHMARK(BM_MoveEverything)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SelectAll(benchmark::State& state) {
  auto doc = std::make_unique<MainDB>(nullptr);
  fill(*doc);
  for (auto _ : state) {
    doc->SelectElems();
    state.PauseTiming();
    doc->GetUndo();  // everything back on the main side
    state.ResumeTiming();
  }
  state.counters["selected_at_end"] = doc->GetCountElemsS();
}
BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond)->Iterations(5);

// FNV-1a over bytes.
struct Fingerprint {
  uint64_t h = 1469598103934665603ull;
  void add(const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  }
  template <class T>
  void add(const T& v) {
    add(&v, sizeof v);
  }
};

// Every notification goes into the fingerprint, in order.
class HashingTarget : public DbNotifyTarget {
 public:
  explicit HashingTarget(Fingerprint& f) : f_(f) {}
  void SendNotify(int message, std::intptr_t wparam) override { note('S', message, wparam); }
  void PostNotify(int message, std::intptr_t wparam) override { note('P', message, wparam); }

 private:
  void note(char how, int message, std::intptr_t wparam) {
    f_.add(how);
    f_.add(message);
    f_.add(static_cast<int64_t>(wparam));
  }
  Fingerprint& f_;
};

// Both sides' elements in walking order (kind, shape bytes, curve style),
// page sizes, counts and boxes.
void add_document(Fingerprint& f, const MainDB& doc) {
  for (pages* first : {doc.GetFirstPage(), doc.GetFirstPageSelection()}) {
    for (pages* p = first; p; p = p->next) {
      long n = 0;
      for (tag_ns_handler l = p->gdb->head; !fgb_is_end_gdb(l); l = fgb_next_gdb(l), ++n) {
        tag_ns_handler shape;
        int kind = 0;
        gr_curve_style curve{};
        fgb_get_child_gdb(l, &shape, &kind, &curve, nullptr);
        f.add(kind);
        f.add(ns_get_obj_data_ptr(shape), static_cast<size_t>(ns_get_boxed_obj_size(shape)));
        f.add(&curve, FGB_CURVE_STYLE_BYTES);
      }
      f.add(n);
    }
    f.add('|');
  }
  for (gr_cpoint v : {doc.GetDimension(), doc.GetNullP(), doc.GetCenter(), doc.GetDimensionS(),
                      doc.GetNullPS(), doc.GetCenterS()})
    f.add(v);
  f.add(doc.GetCountElems());
  f.add(doc.GetCountElemsS());
}

// The million-element random walk: the kinds of steps of the test's walk
// (add an element, delete a side, re-pen the selection, select all, a move
// of the selection, selection changes, undo, redo), with a model of the two
// sides' counts and the undo history. Selection rectangles are a few
// inches wide and mostly pick elements up (direction 1), and a selection
// holding the bulk of the drawing is re-penned rather than deleted: the
// drawing keeps its million elements throughout.
void BM_RandomWalk(benchmark::State& state) {
  struct Counts {
    int main, sel;
  };
  Fingerprint fp;
  HashingTarget target(fp);
  double peak_mb = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const double before = resident_mb();
    auto doc = std::make_unique<MainDB>(&target);
    fill(*doc);
    std::mt19937 rng(20240611u);
    auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    Counts present{kElements, 0};
    std::deque<Counts> undo, redo;
    auto record_edit = [&] {
      undo.push_back(present);
      if (undo.size() > 9) undo.pop_front();
      redo.clear();
    };
    state.ResumeTiming();
    for (int step = 0; step < 200; ++step) {
      int op = pick(100);
      if (op < 25) {
        record_edit();
        int side = pick(4) == 0 ? 2 : 1;
        gr_segment s{{uni(0, kGrid), uni(0, kGrid)}, {uni(0, kGrid), uni(0, kGrid)}};
        doc->CreateElems(FGB_SEGMENT, &s, lattice::pen(), kNoFill, side);
        (side == 1 ? present.main : present.sel) += 1;
      } else if (op < 29 && present.sel < present.main) {  // never the bulk of the drawing
        record_edit();
        doc->DeleteElem(2);
        present.sel = 0;
      } else if (op < 35) {
        record_edit();
        doc->SetWidthColor(gr_rgbcol{0.5f, 0, 0}, uni(0, 0.1));
      } else if (op < 37) {
        record_edit();
        doc->SelectElems();
        present = Counts{0, present.main + present.sel};
      } else if (op < 42) {
        record_edit();
        doc->CreateUndo();  // as SetDimension: the snapshot, then the move
        move_selection(*doc, uni(-1, 1));
      } else if (op < 60) {
        double x = uni(0, kGrid), y = uni(0, kGrid), w = uni(1, 40), h = uni(1, 40);
        const int direction = pick(5) == 0 ? 2 : 1;
        addParam rq{pick(3), direction == 2 ? 1 : pick(2), {x, y, x + w, y + h}};
        doc->SelectElems(&rq, direction);
        present = Counts{doc->GetCountElems(), doc->GetCountElemsS()};
      } else if (op < 82) {
        doc->GetUndo();
        if (!undo.empty()) {
          redo.push_back(present);
          present = undo.back();
          undo.pop_back();
        }
      } else {
        doc->GetRedo();
        if (!redo.empty()) {
          undo.push_back(present);
          present = redo.back();
          redo.pop_back();
        }
      }
      if (doc->GetCountElems() != present.main || doc->GetCountElemsS() != present.sel) {
        state.SkipWithError("counts differ from the model");
        return;
      }
      if (step % 10 == 9) {
        state.PauseTiming();
        add_document(fp, *doc);
        peak_mb = std::max(peak_mb, resident_mb() - before);
        state.ResumeTiming();
      }
    }
    state.PauseTiming();
    state.counters["drawing_left"] = doc->GetCountElems() + doc->GetCountElemsS();
    doc.reset();
    state.ResumeTiming();
  }
  state.counters["steps"] = 200;
  state.counters["peak_added_mb"] = peak_mb;
  state.counters["fingerprint_low24"] = static_cast<double>(fp.h & 0xFFFFFF);
  std::printf("random walk fingerprint %016llx\n", static_cast<unsigned long long>(fp.h));
}
BENCHMARK(BM_RandomWalk)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
