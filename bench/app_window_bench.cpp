// The program's drawing window: a full repaint of a 2000 x 1500 window
// holding 1 000 000 segments, one frame of a rubber-band drag over it (the
// goal is at most 16 ms whatever the drawing holds), and opening a
// 1 000 000-point HPGL file until its first paint, beside kalvex-cli info
// reading the same file.
#include <benchmark/benchmark.h>

#include "cli.h"
#include "main_form.h"
#include "mdi_child.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;
constexpr int kSegments = 1000000;
constexpr int kPoints = 1000000;

QApplication& application() {
  static int argc = 1;
  static char name[] = "app_window_bench";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("XDG_CONFIG_HOME", "/tmp/kalvex-bench-config", 1);
  static QApplication app(argc, argv);
  return app;
}

void settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// A program window with one drawing window of kWidth x kHeight pixels.
struct Window {
  TMainForm form;
  TMDIChild* child = nullptr;
  Window() {
    form.scripted().active = true;
    form.show();
  }
  void size_child() {
    child = form.current_child();
    QMdiSubWindow* frame = form.area()->activeSubWindow();
    frame->showNormal();
    frame->resize(kWidth + (frame->width() - child->width()), kHeight + (frame->height() - child->height()));
    form.resize(kWidth + 200, kHeight + 300);
    settle();
  }
};

// Segments spread over the A4 page, 0.05 inch long, in a grid.
void fill_segments(MainDB& doc, int n) {
  gr_curve_style pen{};
  pen.width = 0.3f / 25.4f;
  const gr_fill_area_style nofill{};
  const int side = 1000;
  for (int i = 0; i < n; ++i) {
    const double x = 0.5 + 10.5 * (i % side) / side, y = 0.5 + 7.0 * (i / side) / (n / side);
    gr_segment s{{x, y}, {x + 0.05, y + 0.03}};
    doc.AddElem(FGB_SEGMENT, &s, pen, nofill, 1);
  }
}

void BM_FullRepaint(benchmark::State& state) {
  application();
  Window w;
  w.form.logic().new_document();
  w.size_child();
  fill_segments(w.child->view().document(), kSegments);
  for (auto _ : state) {
    w.child->invalidate();
    w.child->ensure_buffer();
  }
  state.counters["width"] = w.child->width();
  state.counters["height"] = w.child->height();
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond)->Iterations(5);

// One mouse move of a select drag that spans the whole window: the band is
// drawn over the back buffer; the drawing is not painted again.
void BM_RubberBandFrame(benchmark::State& state) {
  application();
  Window w;
  w.form.logic().new_document();
  w.size_child();
  const int n = int(state.range(0));
  fill_segments(w.child->view().document(), n);
  w.child->ensure_buffer();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(w.child, &press);
  int step = 0;
  for (auto _ : state) {
    const double x = kWidth - 10 - (step % 2) * 7, y = kHeight - 10 - (step % 2) * 5;
    ++step;
    QMouseEvent move(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w.child, &move);
    w.child->repaint();  // paints now what the move asked for
  }
  state.counters["elements"] = n;
}
BENCHMARK(BM_RubberBandFrame)->Arg(1000)->Arg(kSegments)->Unit(benchmark::kMillisecond)->Iterations(50);

// An HPGL file of kPoints points: polylines of 1000 points.
std::string hpgl_file() {
  const std::string path = (std::filesystem::temp_directory_path() / "kalvex_bench_1m.hpg").string();
  if (std::filesystem::exists(path)) return path;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fputs("IN;SP1;", f);
  for (int i = 0; i < kPoints; ++i) {
    const int x = 400 + (i % 1000) * 10, y = 400 + (i / 1000) * 7;
    if (i % 1000 == 0) std::fprintf(f, "PU%d,%d;PD", x, y);
    std::fprintf(f, i % 1000 == 999 ? "%d,%d;\n" : "%d,%d,", x, y + (i % 2) * 3);
  }
  std::fputs("PU;SP0;\n", f);
  std::fclose(f);
  return path;
}

void BM_OpenUntilFirstPaint(benchmark::State& state) {
  application();
  const std::string path = hpgl_file();
  for (auto _ : state) {
    Window w;
    w.form.resize(kWidth, kHeight);
    settle();
    const auto t0 = std::chrono::steady_clock::now();
    w.form.logic().open_path(path);
    settle();
    TMDIChild* c = w.form.current_child();
    c->ensure_buffer();
    const auto t1 = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    state.counters["elements"] = c->view().document().GetCountElems();
  }
}
BENCHMARK(BM_OpenUntilFirstPaint)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_CliInfo(benchmark::State& state) {
  const std::string path = hpgl_file();
  for (auto _ : state) {
    FILE* out = std::fopen("/dev/null", "w");
    kalvex::cli::Io io;
    io.out = out;
    io.err = out;
    const int status = kalvex::cli::run({"kalvex-cli", "info", path}, io);
    std::fclose(out);
    if (status != 0) state.SkipWithError("kalvex-cli info failed");
  }
}
BENCHMARK(BM_CliInfo)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
