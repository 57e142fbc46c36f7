#include <session/drawing_view.h>
#include <session/editor_form.h>

#include <cmath>

namespace kalvex::session {

namespace {

// A selection narrower than this (inches) has no width to scale to a size:
// the document itself takes no factors from boxes this thin.
constexpr double kThinSelection = 0.00001;

}  // namespace

MoveEnabling EditorForm::move_enabling() const {
  const bool v = fields.vector;
  return {v, v, !v, !v};
}

ScaleEnabling EditorForm::scale_enabling() const {
  const bool p = fields.percent, prop = fields.proportional;
  return {p, p && !prop, !p, !p && !prop};
}

int EditorForm::enter_code() const {
  switch (page) {
    case EditorPage::Move: return kApplyMove;
    case EditorPage::Scale: return kApplyScale;
    case EditorPage::Rotate: break;
  }
  return 0;
}

std::string EditorForm::apply(int code, DrawingView* current, const NumberStyle& style) const {
  if (!current) return {};
  const EditorFields& f = fields;
  if (code == kApplyMove) {
    const FieldRead x = f.vector ? read_field("X", f.move_x, style) : read_field("X", f.to_x, style);
    if (!x.ok()) return x.error;
    const FieldRead y = f.vector ? read_field("Y", f.move_y, style) : read_field("Y", f.to_y, style);
    if (!y.ok()) return y.error;
    double dx = x.value, dy = y.value;
    current->units_to_inches(dx, dy);
    current->move_selection(f.vector, dx, dy);
    return {};
  }
  if (code != kApplyScale) return {};
  // With "Proportional" on, the Y field is disabled and its value unused:
  // it is not read either.
  const char* x_name = f.percent ? "X %" : "X";
  const char* y_name = f.percent ? "Y %" : "Y";
  const FieldRead a = read_field(x_name, f.percent ? f.scale_x : f.size_x, style);
  if (!a.ok()) return a.error;
  FieldRead b;
  if (!f.proportional) {
    b = read_field(y_name, f.percent ? f.scale_y : f.size_y, style);
    if (!b.ok()) return b.error;
  }
  if (f.percent) {
    current->resize_selection(true, f.proportional, a.value, b.value);
    return {};
  }
  double w = a.value, h = b.value;
  current->units_to_inches(w, h);
  // A size is reached by dividing by the selection's width and height: a
  // selection without them cannot take one (the factors would be infinite).
  const gr_cpoint d = current->document().GetDimensionS();
  if (current->document().GetCountElemsS() == 0) return "Nothing is selected to scale";
  if (!(d.x > kThinSelection) || (!f.proportional && !(d.y > kThinSelection)))
    return "The selection has no width or height to scale to a size";
  current->resize_selection(false, f.proportional, w, h);
  return {};
}

}  // namespace kalvex::session
