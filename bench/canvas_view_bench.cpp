// A drawing window's repaint of a large drawing: MainDB::Draw (mode 3, as
// the program's paint event calls it) of 1 000 000 segment elements on a
// 1000 x 1000 inch lattice onto the Qt device over a 2000 x 1500 image.
//
//   BM_ViewWhole       the whole drawing in view (1.5 pixels per inch)
//   BM_ViewOnePercent  a tenth of each axis in view (1 % of the drawing,
//                      15 pixels per inch), the rest off the image
#include <benchmark/benchmark.h>

#include <canvas/canvas.h>
#include <fgb/fgb.h>

#include "lattice_drawing.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>

namespace {

constexpr int kWidth = 2000, kHeight = 1500;

MainDB& document() {
  static MainDB* doc = [] {
    auto* d = new MainDB();
    lattice::fill(*d);
    return d;
  }();
  return *doc;
}

void ensure_application() {
  static int argc = 1;
  static char name[] = "canvas_view_bench";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(argc, argv);
}

void repaint(benchmark::State& state, const gr_ctrans& view) {
  ensure_application();
  MainDB& doc = document();
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    canvas::QtDeviceContext dc(painter);
    dc.fill(RGB(255, 255, 255));
    doc.Draw(fgb_for_draw_gdb{&dc, &view}, 3);
  }
  long dark = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
  state.counters["dark_pixels"] = static_cast<double>(dark);
}

void BM_ViewWhole(benchmark::State& state) {
  repaint(state, gr_ctrans{0, double(kHeight), 1.5, 0, 1, 1, -1});
}
BENCHMARK(BM_ViewWhole)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ViewOnePercent(benchmark::State& state) {
  // Inches 450..550 on both axes fill 1500 x 1500 pixels.
  repaint(state, gr_ctrans{-450 * 15.0, kHeight + 450 * 15.0, 15.0, 0, 1, 1, -1});
}
BENCHMARK(BM_ViewOnePercent)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
