// The logic of the hatch and inset dialog (THATCH) and of the progress
// window (TInfo_Hatch).
//
// The dialog has two pages, "Hatch" and "Inset". Opening it on a page
// enables that page only; its OK or Cancel disables it again, so that
// Enter and Escape always act on the page in use. OK reads the fields into
// a plan (what to call on the document, and whether the dialog closes);
// run() then makes the calls, after the window layer has closed the
// dialog.
#ifndef KALVEX_SESSION_HATCH_FORM_H
#define KALVEX_SESSION_HATCH_FORM_H

#include <session/drawing.h>
#include <session/field_numbers.h>

#include <fgb/fgb.h>

#include <functional>
#include <string>

namespace kalvex::session {

class DrawingView;

enum class HatchPage { Hatch = 0, Inset = 1 };

// Dialog results.
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;
// The preset that makes the hatch take the dialog's own pen.
constexpr int kPresetOwnPen = -2;

struct HatchFields {
  // "Hatch" page.
  int mode = 0;  // 0 "Hatch polypolygons only"; 1 and 2 are disabled
  bool match = false;  // RadioButton4 "Соответствие" (else RadioButton5 "без соответствия")
  std::string step = "1";    // Edit1 "Length between lines"
  int step_units = 0;        // ComboBox1: 0 "mm", 1 "inch" (both distances of the page)
  std::string offset = "0";  // Edit2 "Offset from  border"
  // "Inset" page.
  std::string inset = "2";        // Edit3 "Inset", millimetres
  std::string inset_count = "1";  // Edit4 "Match", an integer
};

// What an OK asks for.
struct HatchPlan {
  enum class Action { None, Hatch, Inset };
  Action action = Action::None;
  bool close = false;  // the dialog closes with `result`
  int result = 0;
  std::string error;  // non-empty: show it; nothing was changed
  // Hatch: the request, the preset and the Bezier steps of the grouping.
  H_param param{};
  int preset = kPresetOwnPen;
  long steps = 0;
  // Inset: the distance (inches) and the number of contours.
  double distance = 0;
  long count = 0;
};

class HatchForm {
 public:
  HatchFields fields;

  // Shows the dialog on a page: that page in front and enabled, the other
  // disabled.
  void open(HatchPage page);
  HatchPage page() const { return page_; }
  bool hatch_enabled() const { return hatch_enabled_; }
  bool inset_enabled() const { return inset_enabled_; }

  // Reads the options dialog's curve approximation for the grouping; false
  // when it holds no number (the reader has said so).
  using StepsReader = std::function<bool(long&)>;

  // "Hatch" OK: with the drawing's pen, step and offset in inches, the
  // "Inset" field's number stored as the drawing's pen preset; step 0 does
  // nothing.
  HatchPlan hatch_ok(DrawingView* current, const StepsReader& steps);
  HatchPlan hatch_cancel();
  // "Inset" OK: distance in inches and the count.
  HatchPlan inset_ok(DrawingView* current);
  HatchPlan inset_cancel();
  // Enter and Escape act on the enabled page ("Hatch" while "Inset" is
  // disabled).
  HatchPlan enter(DrawingView* current, const StepsReader& steps);
  HatchPlan escape();

  // Makes the plan's calls on the drawing's document: grouping, then the
  // hatch; or the inset. When one of them stops on its element budget or
  // on memory, the document is left as it was before the plan and the
  // message comes back (raise: how the user sets another budget); empty
  // when done.
  static std::string run(const HatchPlan& plan, DrawingView* current, const char* raise = kRaiseInOptions);

  const NumberStyle& style() const { return style_; }
  void set_style(NumberStyle s) { style_ = std::move(s); }

 private:
  HatchPage page_ = HatchPage::Hatch;
  bool hatch_enabled_ = false;
  bool inset_enabled_ = false;
  NumberStyle style_;
};

}  // namespace kalvex::session

#endif
