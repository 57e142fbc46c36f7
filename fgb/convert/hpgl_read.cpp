// HPGL reader: the pen-plotter commands PU, PD, PA, AA, CI and SP in
// absolute plotter units (1016 per inch), and the HP-GL/2 commands that
// files of other programs use: real numbers, PR, IP/SC scaling, RO, IW, PE,
// rectangles, AR, LT, polygons, labels and symbols (see hpgl_reader_p.h).
// What the reader does not know it skips and counts in the import report.
//
// The file is a stream of tokens (hpgl_tokens_p.h). Mnemonics are read in
// either case; printer-language escape sequences around the plot are passed
// over.
//
// Paths: the open path always starts where the pen stood when it began. PU
// and the other commands that end it ("flush") add it as a polyline (3 or
// more points, closed when its ends coincide) or a segment (2 points), in
// the pen of the last SP before the flush.
#include "convert/hpgl_reader_p.h"

#include <cmath>

namespace fgb::conv::hpgl {

namespace {

// HPGL pens: the line width (inches) each pen stands for.
double pen_table_width(int pen) {
  switch (pen) {
    case 1: return 0.055;
    case 3: return 0.025;
    case 4: return 0.039;
    default: return 0.012;
  }
}

// Polygon points EP and FP may draw beyond 16 per byte of the file.
constexpr uint64_t kPolygonBudgetFloor = 4096;

constexpr int key(char a, char b) { return (static_cast<uint8_t>(a) << 8) | static_cast<uint8_t>(b); }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

}  // namespace

// ---- the page sink ------------------------------------------------------------

void PageSink::measure(int kind, const void* shape) {
  switch (kind) {
    case kPolyline: {
      const auto* p = static_cast<const gr_polyline*>(shape);
      const gr_cpoint* pts = p->pnt;
      double lo = pts[0].x, hi = lo;
      for (uint32_t i = 1; i < p->n; ++i) {
        lo = std::min(lo, pts[i].x);
        hi = std::max(hi, pts[i].x);
      }
      extend(lo, hi);
      break;
    }
    case kSegment: {
      const auto* s = static_cast<const gr_segment*>(shape);
      extend(std::min(s->p1.x, s->p2.x), std::max(s->p1.x, s->p2.x));
      break;
    }
    case kCircle: {
      const auto* c = static_cast<const gr_circle*>(shape);
      extend(c->c.x - c->r, c->c.x + c->r);
      break;
    }
    case kArc: {
      const gr_trcircle a = arc_of_record(shape);
      extend(a.c.x - a.r, a.c.x + a.r);
      break;
    }
    default: break;
  }
}

bool PageSink::extent(double& lo, double& hi) const {
  if (track_) {
    lo = min_x_, hi = max_x_;
    return drawn_;
  }
  gr_xy_rect r;
  to_.box(&r);
  lo = r.x1, hi = r.x2;
  return r.x1 <= r.x2;
}

// ---- the command loop -----------------------------------------------------------

Reader::Reader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt)
    : tok_(data, size),
      sink_(sink),
      meter_(opt.progress, opt.progress_user, size),
      rep_(opt.report, data, size, true) {
  // EP and FP may draw a polygon buffer more than once: all together no more
  // than a multiple of the file (a polygon is never larger than its file).
  poly_budget_ = 16 * static_cast<uint64_t>(size) + kPolygonBudgetFloor;
}

int Reader::run() {
  char m0, m1;
  while (tok_.mnemonic(m0, m1)) {  // stray numbers and bytes are passed over
    meter_.at(tok_.offset());
    if (m0 == 'P') {
      if (m1 == 'U') {
        pen_up();
        continue;
      }
      if (m1 == 'D') {
        pen_down();
        continue;
      }
      if (m1 == 'A') {
        plot_absolute();
        continue;
      }
    }
    command(m0, m1);
  }
  flush();
  if (rep_.active()) {
    rep_.dialect(hpgl2_ ? "HP-GL/2" : "HP-GL");
    rep_.units(scaled_ || sc_type_ >= 0 ? "1/1016 inch (plotter units); user units by SC"
                                        : "1/1016 inch (plotter units)",
               kInchPerPlotterUnit);
    if (pages_ > 1) {
      for (int i = 1; i < pages_; ++i) rep_.add("PG", FGB_REPORT_NOTE, 0);
    }
  }
  rep_.finish();
  meter_.finish();
  return added_ ? 1 : 0;
}

void Reader::command(char m0, char m1) {
  const size_t at = tok_.offset() - 2;
  switch (key(upper(m0), upper(m1))) {
    case key('P', 'U'): pen_up(); break;
    case key('P', 'D'): pen_down(); break;
    case key('P', 'A'): plot_absolute(); break;
    case key('P', 'R'): plot_relative(); break;
    case key('A', 'A'): arc_absolute(); break;
    case key('A', 'R'): arc_relative(); break;
    case key('C', 'I'): circle(); break;
    case key('S', 'P'): select_pen(); break;
    case key('I', 'N'): initialize(true); break;
    case key('D', 'F'): initialize(false); break;
    case key('I', 'P'): input_points(); break;
    case key('S', 'C'): scale(); break;
    case key('R', 'O'): rotate(); break;
    case key('I', 'W'): input_window(); break;
    case key('P', 'G'): page(); break;
    case key('L', 'T'): line_type(); break;
    case key('P', 'W'): pen_width(); break;
    case key('P', 'C'): pen_colour(); break;
    case key('P', 'E'): polyline_encoded(); break;
    case key('E', 'A'): rectangle(false, false, m0, m1, at); break;
    case key('E', 'R'): rectangle(true, false, m0, m1, at); break;
    case key('R', 'A'): rectangle(false, true, m0, m1, at); break;
    case key('R', 'R'): rectangle(true, true, m0, m1, at); break;
    case key('P', 'M'): polygon_mode(); break;
    case key('E', 'P'): edge_polygon(); break;
    case key('F', 'P'): fill_polygon(at); break;
    case key('L', 'B'): label(at); break;
    case key('S', 'M'): symbol_mode(); break;
    case key('D', 'T'): define_terminator(); break;
    case key('S', 'I'): character_size(false); break;
    case key('S', 'R'): character_size(true); break;
    case key('D', 'I'): direction(false); break;
    case key('D', 'R'): direction(true); break;
    case key('S', 'L'): slant(); break;
    case key('L', 'O'): label_origin(); break;
    case key('C', 'P'): character_plot(); break;
    case key('C', 'O'): skip_quoted(); break;
    default: unknown(m0, m1, at); break;
  }
}

void Reader::unknown(char m0, char m1, size_t at) {
  // Commands with text arguments that could read as mnemonics: their text
  // goes with them.
  const int k = key(upper(m0), upper(m1));
  if (k == key('W', 'D') || k == key('B', 'L')) {
    const uint8_t *from, *to;
    tok_.take_until(terminator_, from, to);
  }
  if (rep_.active()) {
    const char name[2] = {m0, m1};
    rep_.add(std::string_view(name, 2), FGB_REPORT_SKIPPED, at);
  }
}

int Reader::numbers(double* out, int max) {
  Token t;
  int n = 0;
  while (next_argument(t)) {
    if (!t.is_number()) continue;
    if (n < max) out[n] = t.kind == Tok::Integer ? static_cast<double>(t.ival) : t.dval;
    if (t.kind == Tok::Real) note_hpgl2();
    ++n;
  }
  return n < max ? n : max;
}

// ---- paths ------------------------------------------------------------------------

// The style of paths in the pen in force: worked out again only after the
// pen or its width, colour or line type changed.
const gr_curve_style& Reader::path_style() {
  if (!style_dirty_) return style_;
  style_dirty_ = false;
  double width = pen_table_width(pen_);
  if (!width_of_pen_.empty() && pen_ >= 0 && pen_ < kPens && width_of_pen_[static_cast<size_t>(pen_)] >= 0)
    width = width_of_pen_[static_cast<size_t>(pen_)];
  style_ = pen_style(width, pen_);
  if (!coloured_.empty() && pen_ >= 0 && pen_ < kPens && coloured_[static_cast<size_t>(pen_)])
    style_.color = colour_of_pen_[static_cast<size_t>(pen_)];
  if (dash_ > 0) {
    style_.font.n = 1;
    style_.font.len[0] = dash_;
  }
  return style_;
}

void Reader::flush() {
  if (path_.size() >= 2 && emit_path(path_, sink_, path_style())) added_ = true;
  start_path_here();
  if (clip_ && !inside(x_, y_)) path_.clear();
}

// PU [x,y]...: ends the path; the pairs move the pen, the last one wins.
// (A single pair is the common case; further pairs are pen-up moves too.)
void Reader::pen_up() {
  pen_is_up_ = true;
  pa_path_open_ = false;
  // In a polygon, lifting the pen leaves the sub-polygon as drawn: EP does
  // not close it (as hp2xx reads it, and as drawings that outline open
  // strokes with EP are meant).
  if (polygon_mode_ && !poly_starts_.empty() && poly_.size() - poly_starts_.back() >= 2)
    poly_open_.back() = 1;
  flush();
  if (!simple_) {
    draw_pairs(false);
    return;
  }
  Token t;
  bool y_place = false;
  while (next_argument(t)) {
    if (t.kind == Tok::Integer) {
      (y_place ? y_ : x_) = static_cast<double>(t.ival);
    } else if (t.kind == Tok::Real && std::isfinite(t.dval)) {
      note_hpgl2();
      (y_place ? y_ : x_) = t.dval;
    }
    y_place = !y_place;
  }
  start_path_here();
}

// PD [x,y]...: every pair draws to that point, extending the open path.
void Reader::pen_down() {
  pen_is_up_ = false;
  pa_path_open_ = false;
  draw_pairs(true);
}

// PA x,y...: with the pen down the pairs draw, with the pen up they move.
void Reader::plot_absolute() {
  if (relative_) {
    relative_ = false;
    update_mode();
  }
  if (!pa_path_open_) {
    flush();
    pa_path_open_ = true;
  }
  draw_pairs(!pen_is_up_);
}

// PR dx,dy...: as PA, each pair relative to the pen position.
void Reader::plot_relative() {
  note_hpgl2();
  if (!relative_) {
    relative_ = true;
    update_mode();
  }
  draw_pairs(!pen_is_up_);
}

void Reader::draw_pairs(bool drawing) {
  bool y_place = false;
  double x = x_;
  for (;;) {
    int64_t v = 0;
    double value;
    const Tokenizer::Simple a = tok_.integer_argument(v);
    if (a == Tokenizer::kNoMore) {
      // A PD next (one per point in most files) goes on here, as the
      // command loop would: pen_down() is this with drawing set.
      if (!tok_.take_pen_down()) return;
      meter_.at(tok_.offset());
      pen_is_up_ = false;
      pa_path_open_ = false;
      drawing = true;
      y_place = false;
      x = x_;
      continue;
    }
    if (a == Tokenizer::kOther) {
      // Bytes of no meaning take a place without moving; reals are
      // coordinates (HP-GL/2).
      Token t;
      if (!next_argument(t)) return;
      if (t.kind == Tok::Integer) {
        value = static_cast<double>(t.ival);
      } else if (t.kind == Tok::Real && std::isfinite(t.dval)) {
        note_hpgl2();
        value = t.dval;
      } else {
        y_place = !y_place;
        continue;
      }
    } else {
      value = static_cast<double>(v);
    }
    if (!y_place) {
      x = value;
    } else if (simple_) {
      x_ = x;
      y_ = value;
      if (drawing) {
        append_here();
      } else {
        // A pen-up move also moves where the next path starts; without
        // this a later "PD x,y" would draw from a point the pen left.
        start_path_here();
      }
    } else {
      double px, py;
      to_plotter(x, value, relative_, px, py);
      if (drawing) {
        line_to(px, py);
      } else {
        move_to(px, py);
      }
      point_done();
    }
    y_place = !y_place;
  }
}

void Reader::move_to(double px, double py) {
  if (!std::isfinite(px) || !std::isfinite(py)) return;
  x_ = px;
  y_ = py;
  if (polygon_mode_) {
    start_subpolygon(px, py);
    return;
  }
  flush();
}

void Reader::line_to(double px, double py) {
  if (!std::isfinite(px) || !std::isfinite(py)) return;
  if (polygon_mode_) {
    if (poly_starts_.empty() || poly_open_.back()) start_subpolygon(x_, y_);
    poly_.push_back(gr_cpoint{px, py});
    x_ = px;
    y_ = py;
    return;
  }
  if (!clip_) {
    x_ = px;
    y_ = py;
    append_here();
    return;
  }
  double ax = x_, ay = y_, bx = px, by = py;
  const bool seen = clip_segment(ax, ay, bx, by);
  if (!seen) {
    if (path_.size() >= 2) flush();
    x_ = px;
    y_ = py;
    path_.clear();
    return;
  }
  if (ax != x_ || ay != y_ || path_.empty()) {
    // Entering the window: a new path from the edge.
    if (path_.size() >= 2 && emit_path(path_, sink_, path_style())) added_ = true;
    path_.clear();
    x_ = ax;
    y_ = ay;
    push_position();
  }
  x_ = bx;
  y_ = by;
  push_position();
  if (bx != px || by != py) {
    // Leaving it: the path ends at the edge.
    if (emit_path(path_, sink_, path_style())) added_ = true;
    path_.clear();
    x_ = px;
    y_ = py;
  }
}

// SP n: the pen of the paths flushed from now on (no number: pen 0).
void Reader::select_pen() {
  const Token t = tok_.next();
  if (t.kind == Tok::Integer) {
    pen_ = static_cast<int>(t.ival);
    style_dirty_ = true;
  } else if (t.kind == Tok::Real) {
    const double v = std::trunc(static_cast<double>(t.rval));
    pen_ = std::fabs(v) < 1e9 ? static_cast<int>(v) : 0;
    style_dirty_ = true;
  } else {
    pen_ = 0;
    style_dirty_ = true;
    if (t.kind == Tok::Mnemonic) tok_.unget(t);
  }
}

}  // namespace fgb::conv::hpgl

namespace fgb::conv {

int read_hpgl(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  hpgl::Reader reader(data, size, sink, opt);
  return reader.run();
}

}  // namespace fgb::conv
