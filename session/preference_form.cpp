#include <session/defaults.h>
#include <session/drawing_view.h>
#include <session/preference_form.h>

#include <cmath>
#include <string>

namespace kalvex::session {

const char* const kPageNames[kPageCount] = {"A4",     "A3",    "A2", "DP  1545", "KODAK (30 x 40)",
                                            "Letter", "Castom"};
const char* const kUnitNames[4] = {"inch", "millimeter", "pixel", "santimeter"};

namespace {

// Significant digits of the numbers the dialog writes: the platform's
// general format.
constexpr int kGeneralDigits = 15;
// The pen width label's digits.
constexpr int kLabelDigits = 6;

// One row of the page-size table: width and height (the larger first) in
// inches, millimetres and centimetres. Pixels are the inches times the
// resolution, or for KODAK the millimetres times the resolution / 25.4.
struct PageRow {
  double in_w, in_h;
  double mm_w, mm_h;
  double cm_w, cm_h;
  bool mm_whole;    // millimetres written as integers
  bool px_from_mm;  // pixels from the millimetres
};

// By page index; DP 1545 and Castom have no size.
constexpr PageRow kRows[kPageCount] = {
    {11.693, 8.268, 297, 210, 29.7, 21, true, false},
    {16.536, 11.693, 420, 297, 42, 29.7, true, false},
    {23.386, 16.536, 594, 420, 59.4, 42, true, false},
    {0, 0, 0, 0, 0, 0, false, false},
    {400 / kMmPerInch, 300 / kMmPerInch, 400, 300, 40, 30, true, true},
    {11, 8.5, 279.4, 215.9, 27.94, 21.59, false, false},
    {0, 0, 0, 0, 0, 0, false, false},
};

std::string whole(double v) { return std::to_string(static_cast<long long>(v)); }

// Digits of the integer part of v (at least one).
int integer_digits(double v) {
  double a = std::trunc(std::fabs(v));
  int n = 1;
  while (a >= 10 && n < kGeneralDigits) {
    a = std::trunc(a / 10);
    ++n;
  }
  return n;
}

int valid_units(int u) { return u >= kInch && u <= kCentimetre ? u : kInch; }

// The size of the selection the main window shows after the units changed.
FormOutcome show_selection_of(const DrawingView* current, int units, double resolution) {
  FormOutcome o;
  o.units = units;
  if (current) {
    o.show_size = true;
    o.size = size_in_units(current->info().dim_s, units, resolution);
  }
  return o;
}

}  // namespace

PageSizeText page_size_text(int page, int units, double r, const NumberStyle& style) {
  PageSizeText t;
  if (page < 0 || page >= kPageCount || page == kPageDP1545 || page == kPageCastom) return t;
  const PageRow& row = kRows[page];
  double w = 0, h = 0;
  switch (valid_units(units)) {
    case kInch:
      w = row.in_w;
      h = row.in_h;
      break;
    case kMillimetre:
      if (row.mm_whole) {
        t.set = true;
        t.width = whole(row.mm_w);
        t.height = whole(row.mm_h);
        return t;
      }
      w = row.mm_w;
      h = row.mm_h;
      break;
    case kPixel:
      w = row.px_from_mm ? row.mm_w * r / kMmPerInch : row.in_w * r;
      h = row.px_from_mm ? row.mm_h * r / kMmPerInch : row.in_h * r;
      break;
    case kCentimetre:
      w = row.cm_w;
      h = row.cm_h;
      break;
  }
  t.set = true;
  t.width = format_general(w, kGeneralDigits, style);
  t.height = format_general(h, kGeneralDigits, style);
  return t;
}

std::string pen_width_label(const std::string& text, const NumberStyle& style) {
  if (text.empty()) return "0  inchs";
  const auto mm = parse_field_number(text, style);
  if (!mm) return "?  inchs";
  return format_general(*mm / kMmPerInch, kLabelDigits, style) + "  inchs";
}

gr_cpoint size_in_units(gr_cpoint in, int units, double resolution) {
  double k = 1.0;
  switch (units) {
    case kMillimetre: k = kMmPerInch; break;
    case kPixel: k = resolution; break;
    case kCentimetre: k = 2.54; break;
    default: break;
  }
  return {in.x * k, in.y * k};
}

// ---------------------------------------------------------------------------

PreferenceForm::PreferenceForm(PageSetup& preference, PenSetting& pen, NumberStyle style)
    : preference_(preference), pen_(pen), style_(std::move(style)) {
  // The width field and the pen width are written with the user's
  // separator; the label follows the pen width.
  width_ = format_general(11.693, kGeneralDigits, style_);
  height_ = format_general(8.268, kGeneralDigits, style_);
  pen_width_ = format_general(pen_.width_mm, kGeneralDigits, style_);
  pen_colour_ = pen_.colour;
  pen_label_ = pen_width_label(pen_width_, style_);
}

void PreferenceForm::set_pen_colour(uint32_t colour) {
  pen_colour_ = colour;
  pen_.colour = colour;
}

void PreferenceForm::set_pen_width_text(std::string t) {
  pen_width_ = std::move(t);
  pen_label_ = pen_width_label(pen_width_, style_);
  // The field is the setting new drawing windows take, once it is a number.
  if (const auto mm = parse_field_number(pen_width_, style_); mm && *mm >= 0) pen_.width_mm = *mm;
}

// The main window's settings take whatever the fields hold as numbers.
void PreferenceForm::keep_numbers() {
  preference_.units = units_index_ < 0 ? kInch : units_index_;
  preference_.page_index = page_index_ < 0 ? kPageA4 : page_index_;
  preference_.portrait = portrait_;
  if (const auto r = parse_field_number(resolution_, style_); r && *r > 0) preference_.resolution = *r;
  if (const auto w = parse_field_number(width_, style_)) preference_.width = *w;
  if (const auto h = parse_field_number(height_, style_)) preference_.height = *h;
}

void PreferenceForm::show_page_setup(const PageSetup& s) {
  units_index_ = valid_units(s.units);
  page_index_ = s.page_index >= 0 && s.page_index < kPageCount ? s.page_index : kPageA4;
  resolution_ = format_general(s.resolution, kGeneralDigits, style_);
  width_ = format_general(s.width, kGeneralDigits, style_);
  height_ = format_general(s.height, kGeneralDigits, style_);
  portrait_ = s.portrait;
  keep_numbers();
}

FormOutcome PreferenceForm::apply_page_settings(const DrawingView* current) {
  if (!current) return {};
  const int units = units_index_ < 0 ? kInch : units_index_;
  const FieldRead r = read_field("Resolution", resolution_, style_);
  if (!r.ok()) return FormOutcome{r.error};
  size_enabled_ = false;
  const int page = page_index_ < 0 ? kPageA4 : page_index_;
  if (page == kPageCastom) {
    size_enabled_ = true;
  } else if (const PageSizeText t = page_size_text(page, units, r.value, style_); t.set) {
    width_ = t.width;
    height_ = t.height;
  }
  keep_numbers();
  return show_selection_of(current, units, r.value);
}

FormOutcome PreferenceForm::choose_units(int units, const DrawingView* current) {
  if (units < kInch || units > kCentimetre) return {};
  units_index_ = units;
  keep_numbers();
  FormOutcome o = apply_page_settings(current);
  o.units = units;
  return o;
}

FormOutcome PreferenceForm::choose_page(int page, const DrawingView* current) {
  if (page < 0 || page >= kPageCount) return {};
  page_index_ = page;
  keep_numbers();
  return apply_page_settings(current);
}

FormOutcome PreferenceForm::follow_preference(const DrawingView* current) {
  const PageSetup wanted = preference_;
  show_page_setup(wanted);
  FormOutcome o = apply_page_settings(current);
  if (current) {
    const PageSetup own = current->page_setup();
    if (own.units == wanted.units && own.page_index == wanted.page_index &&
        own.resolution == wanted.resolution && own.width == wanted.width && own.height == wanted.height &&
        own.portrait == wanted.portrait) {
      width_ = format_general(own.width, kGeneralDigits, style_);
      height_ = format_general(own.height, kGeneralDigits, style_);
      keep_numbers();
    }
  }
  return o;
}

FormOutcome PreferenceForm::page_ok(DrawingView* current) {
  FormOutcome o;
  o.close = true;
  if (!current) return o;
  PageSetup s;
  s.units = units_index_ < 0 ? kInch : units_index_;
  s.page_index = page_index_ < 0 ? kPageA4 : page_index_;
  s.portrait = portrait_;
  const FieldRead r = read_field("Resolution", resolution_, style_);
  const FieldRead w = read_field("Width", width_, style_);
  const FieldRead h = read_field("Height", height_, style_);
  for (const FieldRead* f : {&r, &w, &h})
    if (!f->ok()) return FormOutcome{f->error};
  if (!(r.value > 0)) return FormOutcome{"The resolution must be more than 0 dots per inch"};
  s.resolution = r.value;
  s.width = w.value;
  s.height = h.value;
  current->reload_page_setup(s);
  keep_numbers();
  o.repaint = true;
  o.units = s.units;
  o.show_size = true;
  o.size = size_in_units(current->info().dim_s, s.units, s.resolution);
  return o;
}

FormOutcome PreferenceForm::page_cancel(const DrawingView* current) {
  FormOutcome o;
  if (current) {
    const PageSetup s = current->page_setup();
    show_page_setup(s);
    // The resolution with two more significant digits than its integer
    // part has: 300 stays "300", 300.125 becomes "300.13".
    resolution_ = format_general(s.resolution, integer_digits(s.resolution) + 2, style_);
    o = apply_page_settings(current);
    // The drawing keeps its own page size.
    width_ = format_general(s.width, kGeneralDigits, style_);
    height_ = format_general(s.height, kGeneralDigits, style_);
    keep_numbers();
  }
  o.close = o.error.empty();
  return o;
}

FormOutcome PreferenceForm::pen_ok(DrawingView* current) {
  const FieldRead w = read_field("Ширина пера", pen_width_, style_);
  if (!w.ok()) return FormOutcome{w.error};
  if (w.value < 0) return FormOutcome{"The pen width cannot be less than 0"};
  pen_.colour = pen_colour_;
  pen_.width_mm = w.value;
  FormOutcome o;
  o.close = true;
  if (!current) return o;
  // Stored as a float, as the document keeps widths.
  const double width_in = static_cast<float>(w.value / kMmPerInch);
  if (current->document().GetCountElemsS() != 0)
    current->apply_pen(pen_colour_, width_in);
  else
    current->set_pen(pen_colour_, width_in);
  return o;
}

}  // namespace kalvex::session
