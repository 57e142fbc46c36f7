// HPGL reader: labels (LB) and symbols (SM), drawn as a plotter draws
// them, with a single-stroke font: each stroke becomes a polyline of the
// document in the pen in force.
//
// Size: SI width,height in centimetres, or SR in percent of the distance
// between P1 and P2; a character cell is 1.5 widths wide and a line 2
// heights high. Direction: DI run,rise absolute, DR relative to P1-P2.
// Slant: SL, the tangent of the angle. Label origin (LO 1-9): left, centre
// or right of the first line against the pen position, and bottom, middle
// or top. The label text runs up to the label terminator (DT; ETX at
// first); carriage return and line feed move the pen as on paper.
#include "convert/hpgl_reader_p.h"
#include "text/stroke_font_p.h"

#include <cmath>

namespace fgb::conv::hpgl {

namespace {

constexpr double kCellWidths = 1.5;   // a character cell, in character widths
constexpr double kLineHeights = 2.0;  // a line, in character heights

}  // namespace

// Strokes of the font, in plotter units, into the reader.
class LabelStrokes final : public text::StrokeSink {
 public:
  explicit LabelStrokes(Reader& r) : r_(r) {}
  void stroke(const gr_cpoint* pts, uint32_t n) override { r_.emit_plotter_stroke(pts, n, false); }

 private:
  Reader& r_;
};

// Character height and width and the unit direction of the baseline, in
// plotter units.
void Reader::text_frame(double& h, double& w, double& dx, double& dy) const {
  if (size_relative_) {
    w = char_w_ / 100 * std::fabs(p2x_ - p1x_);
    h = char_h_ / 100 * std::fabs(p2y_ - p1y_);
  } else {
    w = char_w_ * kPlotterUnitsPerCm;
    h = char_h_ * kPlotterUnitsPerCm;
  }
  double run = dir_x_, rise = dir_y_;
  if (dir_relative_) run *= p2x_ - p1x_, rise *= p2y_ - p1y_;
  const double len = std::hypot(run, rise);
  if (len > 0 && std::isfinite(len)) {
    dx = run / len, dy = rise / len;
  } else {
    dx = 1, dy = 0;
  }
}

// Text from (ox, oy) plotter units along the baseline; with move_pen the pen
// ends after the last character.
void Reader::draw_text(std::string_view text, double ox, double oy, bool move_pen) {
  double h, w, dx, dy;
  text_frame(h, w, dx, dy);
  fgb_text_layout l{};
  l.origin = {ox, oy};
  l.height = h;
  l.width = w;
  l.pitch = w * kCellWidths;
  l.dir_x = dx;
  l.dir_y = dy;
  l.slant = slant_;
  LabelStrokes out(*this);
  const uint32_t missing = text::stroke_text(text, l, out);
  for (uint32_t i = 0; i < missing; ++i) rep_.add("LB character", FGB_REPORT_APPROXIMATED, label_at_);
  if (move_pen) {
    const double len = text::stroke_text_length(text, l);
    x_ = ox + len * dx;
    y_ = oy + len * dy;
  }
}

// LB text<terminator>.
void Reader::label(size_t at) {
  note_hpgl2();
  flush();
  const uint8_t *from, *to;
  label_at_ = at;
  const bool terminated = tok_.take_until(terminator_, from, to);
  std::string_view text(reinterpret_cast<const char*>(from), static_cast<size_t>(to - from));
  std::string with_terminator;
  if (print_terminator_ && terminated) {  // DT t,0: the terminator is printed too
    with_terminator.assign(text);
    with_terminator += static_cast<char>(terminator_);
    text = with_terminator;
  }
  double h, w, dx, dy;
  text_frame(h, w, dx, dy);
  const double pitch = w * kCellWidths, line = h * kLineHeights;
  // The label origin moves the first line against the pen position.
  const int lo = origin_ > 10 ? origin_ - 10 : origin_;
  if (lo >= 2 && lo <= 9) {
    fgb_text_layout l{};
    l.height = h, l.width = w, l.pitch = pitch;
    const size_t eol = text.find_first_of("\r\n");
    const double len = text::stroke_text_length(text.substr(0, eol), l);
    const double along = lo >= 7 ? -len : lo >= 4 ? -len / 2 : 0;
    const int row = (lo - 1) % 3;  // 0 bottom, 1 middle, 2 top
    const double up = row == 0 ? 0 : row == 1 ? -h / 2 : -h;
    x_ += along * dx - up * dy;
    y_ += along * dy + up * dx;
  }
  label_start_x_ = x_, label_start_y_ = y_;
  size_t run = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '\0';
    if (i < text.size() && c != '\r' && c != '\n' && c != '\b') continue;
    if (i > run) draw_text(text.substr(run, i - run), x_, y_, true);
    run = i + 1;
    if (c == '\r') {
      x_ = label_start_x_, y_ = label_start_y_;
    } else if (c == '\n') {
      x_ += line * dy, y_ -= line * dx;
      label_start_x_ += line * dy, label_start_y_ -= line * dx;
    } else if (c == '\b') {
      x_ -= pitch * dx, y_ -= pitch * dy;
    }
  }
  start_path_here();
}

// SM c: the character c is drawn centred on every point of the coordinate
// lists that follow; SM alone ends it.
void Reader::symbol_mode() {
  note_hpgl2();
  const int c = tok_.peek();
  if (c > 32 && c < 127 && c != ';') {
    tok_.take();
    symbol_ = static_cast<uint8_t>(c);
  } else {
    symbol_ = 0;
  }
  update_mode();
}

void Reader::point_done() {
  if (symbol_) draw_symbol();
}

void Reader::draw_symbol() {
  double h, w, dx, dy;
  text_frame(h, w, dx, dy);
  const double x = x_, y = y_;
  const char c = static_cast<char>(symbol_);
  // Centred: half the body back along the baseline, half the height down.
  const double ox = x - w / 2 * dx + h / 2 * dy, oy = y - w / 2 * dy - h / 2 * dx;
  draw_text(std::string_view(&c, 1), ox, oy, false);  // the open path is not touched
}

// DT t[,mode]: the label terminator; mode 0 prints it, 1 (the default)
// does not. DT alone: ETX, not printed.
void Reader::define_terminator() {
  note_hpgl2();
  const int c = tok_.peek();
  if (c < 0 || c == ';') {
    terminator_ = 0x03;
    print_terminator_ = false;
    return;
  }
  tok_.take();
  terminator_ = static_cast<uint8_t>(c);
  double mode = 1;
  if (tok_.peek() == ',') numbers(&mode, 1);
  print_terminator_ = mode == 0;
}

// SI width,height (cm) / SR width,height (percent of P2 - P1); alone, the
// default size.
void Reader::character_size(bool relative) {
  note_hpgl2();
  double a[2];
  const int n = numbers(a, 2);
  size_relative_ = relative;
  if (n == 2 && std::isfinite(a[0]) && std::isfinite(a[1])) {
    char_w_ = a[0], char_h_ = a[1];
  } else if (relative) {
    char_w_ = 0.75, char_h_ = 1.5;
  } else {
    char_w_ = 0.19, char_h_ = 0.27;
  }
}

// DI run,rise / DR run,rise; alone, along x.
void Reader::direction(bool relative) {
  note_hpgl2();
  double a[2];
  const int n = numbers(a, 2);
  dir_relative_ = relative;
  if (n == 2 && std::isfinite(a[0]) && std::isfinite(a[1]) && (a[0] != 0 || a[1] != 0)) {
    dir_x_ = a[0], dir_y_ = a[1];
  } else {
    dir_x_ = 1, dir_y_ = 0;
  }
}

void Reader::slant() {
  note_hpgl2();
  double a = 0;
  numbers(&a, 1);
  slant_ = std::isfinite(a) ? std::clamp(a, -100.0, 100.0) : 0.0;
}

void Reader::label_origin() {
  note_hpgl2();
  double a = 1;
  const int n = numbers(&a, 1);
  origin_ = n && a >= 1 && a <= 19 ? static_cast<int>(a) : 1;
}

// CP spaces,lines: the pen moves by character cells and lines; alone, to
// the start of the next line.
void Reader::character_plot() {
  note_hpgl2();
  flush();
  double a[2];
  const int n = numbers(a, 2);
  double h, w, dx, dy;
  text_frame(h, w, dx, dy);
  const double pitch = w * kCellWidths, line = h * kLineHeights;
  if (n < 2) {
    x_ = label_start_x_ + line * dy, y_ = label_start_y_ - line * dx;
    label_start_x_ = x_, label_start_y_ = y_;
  } else if (std::isfinite(a[0]) && std::isfinite(a[1])) {
    const double along = std::clamp(a[0], -1e6, 1e6) * pitch, up = std::clamp(a[1], -1e6, 1e6) * line;
    x_ += along * dx - up * dy;
    y_ += along * dy + up * dx;
  }
  start_path_here();
}

// CO "text": a comment.
void Reader::skip_quoted() {
  while (tok_.peek() == ' ') tok_.take();
  if (tok_.peek() != '"') return;
  tok_.take();
  const uint8_t *from, *to;
  tok_.take_until('"', from, to);
}

}  // namespace fgb::conv::hpgl
