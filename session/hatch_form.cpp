#include <session/defaults.h>
#include <session/drawing.h>
#include <session/drawing_view.h>
#include <session/hatch_form.h>

namespace kalvex::session {

namespace {

// ComboBox1's second item: the page's distances in inches.
constexpr int kStepsInInches = 1;

HatchPlan closing(int result) {
  HatchPlan p;
  p.close = true;
  p.result = result;
  return p;
}

HatchPlan failing(std::string error) {
  HatchPlan p;
  p.error = std::move(error);
  return p;
}

}  // namespace

void HatchForm::open(HatchPage page) {
  page_ = page;
  hatch_enabled_ = page == HatchPage::Hatch;
  inset_enabled_ = page == HatchPage::Inset;
}

HatchPlan HatchForm::hatch_ok(DrawingView* current, const StepsReader& steps) {
  if (!current) {
    hatch_enabled_ = false;
    return closing(kResultOk);
  }
  const FieldRead step = read_field("Length between lines", fields.step, style_);
  if (!step.ok()) return failing(step.error);
  const FieldRead offset = read_field("Offset from  border", fields.offset, style_);
  if (!offset.ok()) return failing(offset.error);
  // Each line one step above the previous one: a step below 0 never
  // reaches the top of the outline.
  if (step.value < 0) return failing("The length between lines cannot be less than 0");

  HatchPlan plan;
  H_param& h = plan.param;
  h.style = gr_curve_style{};
  h.style.width = static_cast<float>(current->pen_width_in());
  h.style.color = current->pen_colour();
  const double to_inches = fields.step_units == kStepsInInches ? 1.0 : 1.0 / kMmPerInch;
  h.step = step.value * to_inches;
  h.offset = offset.value * to_inches;
  h.all = 0;
  const int preset = static_cast<int>(parse_field_integer(fields.inset));
  current->set_pen_preset(preset);

  if (fields.mode == 0) {
    if (step.value == 0) return closing(kResultOk);  // nothing hatched, nothing grouped
    long n = 0;
    if (!steps || !steps(n)) return HatchPlan{};  // the reader said why
    plan.action = HatchPlan::Action::Hatch;
    plan.steps = n;
    plan.preset = fields.match ? preset : kPresetOwnPen;
  }
  plan.close = true;
  plan.result = kResultOk;
  hatch_enabled_ = false;
  return plan;
}

HatchPlan HatchForm::hatch_cancel() {
  hatch_enabled_ = false;
  return closing(kResultCancel);
}

HatchPlan HatchForm::inset_ok(DrawingView* current) {
  if (!current) return closing(kResultOk);
  const FieldRead d = read_field("Inset", fields.inset, style_);
  if (!d.ok()) return failing(d.error);
  inset_enabled_ = false;
  HatchPlan plan = closing(kResultOk);
  plan.action = HatchPlan::Action::Inset;
  plan.count = parse_field_integer(fields.inset_count);
  plan.distance = d.value * (1.0 / kMmPerInch);
  return plan;
}

HatchPlan HatchForm::inset_cancel() {
  inset_enabled_ = false;
  return closing(kResultCancel);
}

HatchPlan HatchForm::enter(DrawingView* current, const StepsReader& steps) {
  return inset_enabled_ ? inset_ok(current) : hatch_ok(current, steps);
}

HatchPlan HatchForm::escape() { return inset_enabled_ ? inset_cancel() : hatch_cancel(); }

std::string HatchForm::run(const HatchPlan& plan, DrawingView* current, const char* raise) {
  if (!current) return {};
  MainDB& doc = current->document();
  // A failed operation changed nothing but left an undo step: that step
  // goes, and the message says why.
  const auto failed = [&](const char* what) {
    if (doc.GetFailure() == FGB_FAILED_NONE) return std::string();
    std::string message = edit_error(doc, what, current->caption(), raise);
    doc.RestoreUndo();
    return message;
  };
  switch (plan.action) {
    case HatchPlan::Action::Hatch: {
      doc.SetPolyToPols(plan.steps);
      if (std::string e = failed("group"); !e.empty()) return e;
      H_param h = plan.param;
      doc.Hatch(&h, plan.preset);
      std::string e = failed("hatch");
      if (!e.empty()) doc.GetUndo();  // the grouping before it goes too
      return e;
    }
    case HatchPlan::Action::Inset: doc.Equidistant(plan.distance, plan.count); return failed("inset");
    case HatchPlan::Action::None: break;
  }
  return {};
}

}  // namespace kalvex::session
