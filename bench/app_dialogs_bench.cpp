// The program's dialogs on large drawings:
//   Print/FitToPage       printing a 1 000 000-segment drawing to a PDF file,
//                         fit to page, as the print command does it (the
//                         choice and print dialogs answered); counters: the
//                         file's size; beside it, in the same run,
//   Render/FitToPage      the same drawing rendered to a PDF of the same
//                         page size by the canvas alone (kalvex-cli render).
//   Hatch/DialogPath      hatching a 100 000-vertex closed outline every
//                         1 mm from the hatch dialog's OK, with the progress
//                         window; counters: the time from OK to the last
//                         progress report, the progress window's paints, the
//                         runs of the event loop and the reports; beside it,
//   Hatch/Document        the same grouping and hatch called on a document
//                         without a window (no progress handled).
#include <benchmark/benchmark.h>

#include "dialog_hooks.h"
#include "hatch_dialog.h"
#include "main_form.h"
#include "mdi_child.h"
#include "support/offset_corpus.h"
#include "support/poly_builders.h"

#include <canvas/canvas.h>

#include <QApplication>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrinter>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kSegments = 1000000;
constexpr int kOutlineVertices = 100000;

QApplication& application() {
  static int argc = 1;
  static char name[] = "app_dialogs_bench";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("XDG_CONFIG_HOME", "/tmp/kalvex-bench-config", 1);
  static QApplication app(argc, argv);
  return app;
}

void settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

std::filesystem::path out_dir() {
  const std::filesystem::path d = std::filesystem::temp_directory_path() / "kalvex-dialogs-bench";
  std::filesystem::create_directories(d);
  return d;
}

// Segments spread over the A4 page, 0.05 inch long, in a grid.
void fill_segments(MainDB& doc, int n) {
  gr_curve_style pen{};
  pen.width = 0.3f / 25.4f;
  const int side = 1000;
  for (int i = 0; i < n; ++i) {
    const double x = 0.5 + 10.5 * (i % side) / side, y = 0.5 + 7.0 * (i / side) / (n / side);
    gr_segment s{{x, y}, {x + 0.05, y + 0.03}};
    doc.AddElem(FGB_SEGMENT, &s, pen, gr_fill_area_style{}, 1);
  }
}

struct Program {
  TMainForm form;
  TMDIChild* child = nullptr;
  Program() {
    form.scripted().active = true;
    form.show();
    form.logic().new_document();
    settle();
    child = form.current_child();
  }
  DialogHooks& hooks() { return dynamic_cast<DialogHooks&>(form.dialogs()); }
};

void BM_PrintFitToPage(benchmark::State& state) {
  application();
  Program p;
  fill_segments(p.child->view().document(), kSegments);
  const std::filesystem::path file = out_dir() / "print.pdf";
  for (auto _ : state) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(file.string()));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    const std::string error = p.hooks().print_on(printer, p.child->view(), false);
    if (!error.empty()) state.SkipWithError(error.c_str());
  }
  state.counters["file_MB"] = double(std::filesystem::file_size(file)) / 1e6;
}

void BM_RenderFitToPage(benchmark::State& state) {
  application();
  MainDB doc(nullptr);
  fill_segments(doc, kSegments);
  const std::filesystem::path file = out_dir() / "render.pdf";
  // The printable area of the print above, at the drawing's 300 dots per inch.
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setResolution(300);
  const QRect area = printer.pageRect(QPrinter::DevicePixel).toRect();
  const canvas::RenderTarget target{area.width(), area.height(), 300.0};
  gr_cpoint dim, corner;
  doc.DimensionDB_OUT(dim, corner);
  const double r = 300;
  const canvas::ViewMapping m =
      canvas::ViewMapping::fit(corner.x * r, corner.y * r, (corner.x + dim.x) * r, (corner.y + dim.y) * r,
                               target.width, target.height, 0);
  for (auto _ : state) {
    const canvas::RenderResult res = canvas::render_pdf(file.string(), target, m, [&](GrDeviceContext& dc) {
      gr_ctrans t{};
      t.scale = r;
      t.cos = 1;
      t.xsign = t.ysign = 1;
      doc.Draw(fgb_for_draw_gdb{&dc, &t}, 3);
    });
    if (!res.ok) state.SkipWithError(res.error.c_str());
  }
  state.counters["file_MB"] = double(std::filesystem::file_size(file)) / 1e6;
}

testsupport::PolylinePtr outline() {
  return testsupport::make_polyline(
      offset_corpus::bench_star(offset_corpus::Outline::kJitter, kOutlineVertices));
}

void BM_HatchDialogPath(benchmark::State& state) {
  application();
  const auto pl = outline();
  double to_last_report = 0;
  long paints = 0, pumps = 0, reports = 0, segments = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Program p;
    MainDB& doc = p.child->view().document();
    doc.AddElem(FGB_POLYLINE, pl.get(), gr_curve_style{}, gr_fill_area_style{}, 2);
    THATCH* h = p.hooks().hatch_dialog();
    p.hooks().hatch_form().open(kalvex::session::HatchPage::Hatch);
    h->refresh();
    const long paints0 = p.hooks().progress_paints(), pumps0 = p.hooks().progress_pumps();
    const long reports0 = p.hooks().progress_reports();
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    h->hatch_ok();  // the "OK" button
    state.PauseTiming();
    to_last_report += std::chrono::duration<double>(p.hooks().last_progress_report() - t0).count();
    paints += p.hooks().progress_paints() - paints0;
    pumps += p.hooks().progress_pumps() - pumps0;
    reports += p.hooks().progress_reports() - reports0;
    segments = doc.GetCountElemsS() - 1;
    settle();
    state.ResumeTiming();
  }
  const double n = double(state.iterations());
  state.counters["ok_to_last_report_ms"] = to_last_report / n * 1e3;
  state.counters["progress_paints"] = double(paints) / n;
  state.counters["event_loop_runs"] = double(pumps) / n;
  state.counters["reports"] = double(reports) / n;
  state.counters["segments"] = double(segments);
}

void BM_HatchDocument(benchmark::State& state) {
  const auto pl = outline();
  H_param h{};
  h.step = 1 / 25.4;
  h.style.width = 0.3f / 25.4f;
  long segments = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<MainDB>(nullptr);
    doc->AddElem(FGB_POLYLINE, pl.get(), gr_curve_style{}, gr_fill_area_style{}, 2);
    state.ResumeTiming();
    doc->SetPolyToPols(14);
    doc->Hatch(&h, -2);
    state.PauseTiming();
    segments = doc->GetCountElemsS() - 1;
    doc.reset();
    state.ResumeTiming();
  }
  state.counters["segments"] = double(segments);
}

BENCHMARK(BM_PrintFitToPage)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RenderFitToPage)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HatchDialogPath)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_HatchDocument)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
