// The program's dialogs behind the main window's hooks (DialogHost): the
// page setup, pen and options dialogs, printing, the editor window, the
// hatch and inset dialog and the progress window. The windows are thin;
// their logic is in session/ (preference_form.h, printing.h,
// editor_form.h, hatch_form.h, window_place.h).
//
// While a document runs a long operation (between its progress start and
// end reports) the progress window and the drawing windows repaint between
// the reports; user input waits until the operation ends, closing the main
// window or a drawing window is refused, and the editor's messages are
// handled afterwards.
#ifndef KALVEX_APP_DIALOG_HOOKS_H
#define KALVEX_APP_DIALOG_HOOKS_H

#include "dialog_common.h"

#include <session/editor_form.h>
#include <session/field_numbers.h>
#include <session/hatch_form.h>
#include <session/main_window.h>
#include <session/preference_form.h>
#include <session/window_place.h>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class QPrinter;
class QWidget;
class TMainForm;
class TPreference;
class TOptions;
class TPrintp;
class TEditor;
class THATCH;
class TInfo_Hatch;

class DialogHooks final : public QObject, public kalvex::session::DialogHost {
 public:
  explicit DialogHooks(TMainForm& form);
  ~DialogHooks() override;

  // DialogHost
  void print(kalvex::session::DrawingView* view) override;
  void editor(kalvex::session::DrawingView* view) override;
  void page_setup(kalvex::session::DrawingView* view) override;
  void pen(kalvex::session::DrawingView* view) override;
  void no_selection(kalvex::session::DrawingView* view) override;
  void options() override;
  void hatch(kalvex::session::DrawingView* view, bool inset_page) override;
  std::string approximation_text() override;
  std::string max_elements_text() override;
  std::string group_separator() override;
  void apply_units(int units) override;
  void progress(kalvex::session::DrawingView* view, std::intptr_t wparam) override;

  // The windows, made on first use and kept (the editor and progress
  // windows only while they are open).
  TPreference* preference_dialog();
  TOptions* options_dialog();
  TPrintp* print_choice();
  THATCH* hatch_dialog();
  TEditor* editor_window() const;
  TInfo_Hatch* progress_window() const;
  kalvex::session::PreferenceForm& preference_form();
  kalvex::session::HatchForm& hatch_form() { return hatch_; }
  const kalvex::session::ProgressWindow& progress_state() const { return progress_; }

  // Prints the drawing on a printer already chosen (the print dialog's
  // part done): natural size or fit to page. A PDF file is written beside
  // its name and renamed over it when complete. Returns what failed, empty
  // when the page was printed.
  std::string print_on(QPrinter& printer, kalvex::session::DrawingView& view, bool natural);

  // Paints the progress window has had, and how often the event loop ran
  // during operations (for the benchmarks and tests).
  long progress_paints() const;
  long progress_pumps() const { return pumps_; }
  // Progress reports handled, and when the last one came.
  long progress_reports() const { return reports_; }
  std::chrono::steady_clock::time_point last_progress_report() const { return last_report_; }
  // Shortest time between two runs of the event loop during an operation.
  void set_pump_interval_ms(int ms) { pump_ms_ = ms; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void editor_message(int message, int wparam);
  void pump();
  void place_progress_window();

  TMainForm& form_;
  std::unique_ptr<kalvex::session::PreferenceForm> pref_;
  kalvex::session::HatchForm hatch_;
  std::shared_ptr<kalvex::session::EditorForm> editor_form_;
  QPointer<TPreference> pref_dialog_;
  QPointer<TOptions> options_;
  QPointer<TPrintp> print_choice_;
  QPointer<THATCH> hatch_dialog_;
  QPointer<TEditor> editor_;
  QPointer<TInfo_Hatch> progress_window_;
  std::unique_ptr<QPrinter> printer_;
  kalvex::session::ProgressWindow progress_{0, 0};
  QElapsedTimer since_pump_;
  int pump_ms_ = 30;
  long pumps_ = 0;
  long reports_ = 0;
  std::chrono::steady_clock::time_point last_report_{};
  bool pumping_ = false;                       // the event loop runs inside an operation
  long paints_before_ = 0;                     // paints of progress windows already freed
  std::vector<std::pair<int, int>> deferred_;  // editor messages held during an operation
};

#endif
