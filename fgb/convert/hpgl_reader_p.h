// The HPGL reader's state and commands, shared by its source files:
//  hpgl_read.cpp      the command loop, pens, PU/PD/PA/PR, flushing;
//  hpgl_curves.cpp    AA/AR/CI arcs and circles;
//  hpgl2_setup.cpp    IN/DF, IP/SC scaling, RO, IW clipping, PG pages, LT, PW, PC;
//  hpgl2_pe.cpp       PE polyline-encoded data;
//  hpgl2_shapes.cpp   EA/ER/RA/RR rectangles, PM/EP/FP polygons;
//  hpgl2_text.cpp     LB labels and SM symbols in the stroke font, SI/SR/DI/DR/SL/DT/LO/CP.
//
// Positions are kept in plotter units (1016 per inch) of the plotter's own
// axes. Numbers of a file become plotter units through the scaling in force
// (SC; none at first); plotter units become document inches by division by
// 1016, then the rotation (RO) and the offset of the page (PG). A file that
// uses none of these reads through the same arithmetic as the plain
// reader: the fast path (simple_) is taken whenever nothing of them is in
// force.
#ifndef FGB_CONVERT_HPGL_READER_P_H
#define FGB_CONVERT_HPGL_READER_P_H

#include "convert/hpgl_tokens_p.h"
#include "convert/path_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/report_p.h"
#include "convert/sink_p.h"

#include <cmath>
#include <string_view>
#include <vector>

namespace fgb::conv::hpgl {

constexpr double kPlotterUnitsPerInch = 1016.0;
constexpr double kInchPerPlotterUnit = 1.0 / kPlotterUnitsPerInch;
constexpr double kPi = 3.141592653589793;
constexpr double kRadPerDeg = kPi / 180.0;
constexpr double kPlotterUnitsPerCm = 400.0;

// The scaling points P1 and P2 when a file sets none, in plotter units: those
// of hp2xx, the established reader files are compared with.
constexpr double kDefaultP1x = 0.0, kDefaultP1y = 0.0;
constexpr double kDefaultP2x = 33600.0, kDefaultP2y = 47520.0;

// Forwards to the reader's sink, and tells the x extent of all that was
// drawn, for placing the next page (PG): the sink's own box when it keeps
// one (a document does, at no cost here), else one kept here.
class PageSink final : public ElementSink {
 public:
  explicit PageSink(ElementSink& to) : to_(to) {
    gr_xy_rect r;
    track_ = !to.box(&r);
  }
  void add(int kind, const void* shape, const gr_curve_style& style) override {
    if (track_) measure(kind, shape);
    to_.add(kind, shape, style);
  }
  void add_filled(int kind, const void* shape, const gr_curve_style& style,
                  const gr_fill_area_style& fill) override {
    if (track_) measure(kind, shape);
    to_.add_filled(kind, shape, style, fill);
  }
  bool box(gr_xy_rect* out) const override { return to_.box(out); }
  // False when nothing was drawn.
  bool extent(double& lo, double& hi) const;

 private:
  void measure(int kind, const void* shape);
  void extend(double lo, double hi) {
    if (!drawn_) {
      min_x_ = lo, max_x_ = hi, drawn_ = true;
    } else {
      if (lo < min_x_) min_x_ = lo;
      if (hi > max_x_) max_x_ = hi;
    }
  }
  ElementSink& to_;
  bool track_ = true;
  bool drawn_ = false;
  double min_x_ = 0, max_x_ = 0;
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
  int run();

 private:
  friend class LabelStrokes;

  // ---- hpgl_read.cpp ----
  void command(char m0, char m1);
  void unknown(char m0, char m1, size_t at);
  bool next_argument(Token& t) { return tok_.argument(t); }
  // Numbers of a command up to the next mnemonic, at most max of them (the
  // rest are passed over); non-numbers are passed over too.
  int numbers(double* out, int max);
  void start_path_here() {
    path_.clear();
    push_position();
  }
  void append_here() { push_position(); }
  void push_position() {
    if (out_plain_) {
      path_.push(x_ * kInchPerPlotterUnit, y_ * kInchPerPlotterUnit);
    } else {
      const gr_cpoint p = out_point(x_ * kInchPerPlotterUnit, y_ * kInchPerPlotterUnit);
      path_.push(p.x, p.y);
    }
  }
  const gr_curve_style& path_style();
  void flush();
  void pen_up();
  void pen_down();
  void plot_absolute();
  void plot_relative();
  void draw_pairs(bool drawing);
  void select_pen();
  // A point of the file (user units when scaled) in plotter units; relative
  // to the position in force for relative moves.
  void to_plotter(double ux, double uy, bool relative, double& px, double& py) const {
    if (relative) {
      px = x_ + (scaled_ ? sx_ * ux : ux);
      py = y_ + (scaled_ ? sy_ * uy : uy);
    } else {
      px = scaled_ ? sx_ * ux + tx_ : ux;
      py = scaled_ ? sy_ * uy + ty_ : uy;
    }
  }
  // The general move and draw: clipping, polygon mode, symbols.
  void move_to(double px, double py);
  void line_to(double px, double py);
  void point_done();  // after each point of a coordinate list: the symbol (SM)

  // ---- hpgl_curves.cpp ----
  void arc_absolute();
  void arc_relative();
  // The arc from the pen position around (cx_in, cy_in), inches of the
  // plotter's axes.
  void arc(double cx_in, double cy_in, double sweep, double chord);
  void circle();

  // ---- hpgl2_setup.cpp ----
  void initialize(bool full);  // IN (full) and DF
  void input_points();         // IP
  void scale();                // SC
  void update_scaling();
  void rotate();        // RO
  void input_window();  // IW
  void page();          // PG
  void line_type();     // LT
  void pen_width();     // PW
  void pen_colour();    // PC
  void update_mode();
  gr_cpoint out_point(double x_in, double y_in) const;
  gr_trcircle out_arc(gr_trcircle a) const;
  bool inside(double px, double py) const {
    return px >= clip_lo_x_ && px <= clip_hi_x_ && py >= clip_lo_y_ && py <= clip_hi_y_;
  }
  // The part of the segment a-b inside the clip window: false when none.
  bool clip_segment(double& ax, double& ay, double& bx, double& by) const;

  // ---- hpgl2_pe.cpp ----
  void polyline_encoded();  // PE

  // ---- hpgl2_shapes.cpp ----
  void rectangle(bool relative, bool filled, char m0, char m1, size_t at);  // EA ER RA RR
  void polygon_mode();                                                      // PM
  void edge_polygon(bool fill = false);                                     // EP (FP with fill)
  void fill_polygon(size_t at);                                             // FP
  // A stroke given in plotter units: clipped, turned into document inches
  // and added in the pen in force.
  void emit_plotter_stroke(const gr_cpoint* pts, uint32_t n, bool closed);

  // ---- hpgl2_text.cpp ----
  void label(size_t at);  // LB
  void symbol_mode();     // SM
  void draw_symbol();
  void define_terminator();            // DT
  void character_size(bool relative);  // SI SR
  void direction(bool relative);       // DI DR
  void slant();                        // SL
  void label_origin();                 // LO
  void character_plot();               // CP
  void skip_quoted();                  // CO
  void text_frame(double& h, double& w, double& dx, double& dy) const;
  void draw_text(std::string_view text, double ox, double oy, bool move_pen);

  void note_hpgl2() { hpgl2_ = true; }

  Tokenizer tok_;
  PageSink sink_;
  ProgressMeter meter_;
  Reporter rep_;
  PathBuffer path_;
  PathBuffer scratch_;
  bool pen_is_up_ = true;
  bool pa_path_open_ = false;
  bool added_ = false;
  bool hpgl2_ = false;        // something only HP-GL/2 has was met
  double x_ = 0.0, y_ = 0.0;  // pen position, plotter units
  int pen_ = 0;
  double aa_args_[4] = {0.0, 0.0, 0.0, 0.0};  // missing AA numbers keep their last values

  // Modes; simple_ when none of them is in force (the plain reader's path).
  bool simple_ = true;
  bool relative_ = false;                     // PR
  bool scaled_ = false;                       // SC
  double sx_ = 1, sy_ = 1, tx_ = 0, ty_ = 0;  // user units to plotter units
  double p1x_ = kDefaultP1x, p1y_ = kDefaultP1y, p2x_ = kDefaultP2x, p2y_ = kDefaultP2y;
  double sc_[7] = {0, 0, 0, 0, 0, 50, 50};  // the SC numbers in force
  int sc_type_ = -1;                        // -1 none, 0 anisotropic, 1 isotropic, 2 point factor
  bool out_plain_ = true;                   // no rotation and no page offset
  int rotation_ = 0;                        // RO / 90
  double page_dx_ = 0.0;                    // inches
  double first_page_x_ = 0.0;               // where the first page's drawing starts (inches)
  double last_page_right_ = -INFINITY;      // right edge of all drawn at the last PG
  int pages_ = 1;
  bool clip_ = false;  // IW
  double clip_lo_x_ = 0, clip_lo_y_ = 0, clip_hi_x_ = 0, clip_hi_y_ = 0;
  float dash_ = 0.0f;       // LT: dash length of the style, 0 solid
  gr_curve_style style_{};  // path_style(), valid unless style_dirty_
  bool style_dirty_ = true;
  // PW and PC: pen widths (inches) and colours set by the file.
  static constexpr int kPens = 256;
  std::vector<float> width_of_pen_;       // empty until PW; NaN: unset
  std::vector<gr_rgbcol> colour_of_pen_;  // empty until PC
  std::vector<uint8_t> coloured_;

  // Polygon mode (PM): sub-polygons in plotter units.
  bool polygon_mode_ = false;
  std::vector<gr_cpoint> poly_;
  std::vector<uint32_t> poly_starts_;
  std::vector<uint8_t> poly_open_;  // per sub-polygon: left with the pen lifted (PU), not closed by EP
  void start_subpolygon(double px, double py) {
    poly_starts_.push_back(static_cast<uint32_t>(poly_.size()));
    poly_open_.push_back(0);
    poly_.push_back(gr_cpoint{px, py});
  }
  uint64_t poly_budget_ = 0;  // points EP and FP may still draw

  // Text.
  uint8_t terminator_ = 0x03;
  bool print_terminator_ = false;
  uint8_t symbol_ = 0;  // SM character, 0 off
  bool size_relative_ = true;
  double char_w_ = 0.75, char_h_ = 1.5;  // percent of P2 - P1 (SR) or cm (SI)
  bool dir_relative_ = false;
  double dir_x_ = 1, dir_y_ = 0;
  double slant_ = 0;
  int origin_ = 1;                                // LO
  double label_start_x_ = 0, label_start_y_ = 0;  // where a carriage return goes
  size_t label_at_ = 0;                           // offset of the label being drawn, for the report
};

}  // namespace fgb::conv::hpgl

#endif
