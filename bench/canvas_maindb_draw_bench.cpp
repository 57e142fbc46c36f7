// MainDB::Draw of 1 000 000 segment elements onto the Qt device context,
// painting into a 2 000 x 2 000 raster image (what a drawing window does on
// every repaint, minus the screen), in nanoseconds per element.
#include <benchmark/benchmark.h>

#include <canvas/canvas.h>
#include <fgb/fgb.h>

#include "lattice_drawing.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <memory>

namespace {

using lattice::fill;
using lattice::kElements;
constexpr int kSide = 2000;  // image pixels; two pixels per inch of drawing

// Fonts and the raster engine want an application object; one for the run.
void ensure_application() {
  static int argc = 1;
  static char name[] = "canvas_maindb_draw_bench";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(argc, argv);
}

void BM_MainDBDrawQt(benchmark::State& state) {
  ensure_application();
  MainDB doc;
  fill(doc);
  QImage image(kSide, kSide, QImage::Format_RGB32);
  // Drawing units to image pixels, y up.
  gr_ctrans view{0, double(kSide), 2.0, 0, 1, 1, -1};
  for (auto _ : state) {
    QPainter painter(&image);
    canvas::QtDeviceContext dc(painter);
    dc.fill(RGB(255, 255, 255));
    doc.Draw(fgb_for_draw_gdb{&dc, &view}, 3);
  }
  state.counters["ns_per_elem"] =
      benchmark::Counter(double(kElements) * state.iterations() * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_MainDBDrawQt)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
