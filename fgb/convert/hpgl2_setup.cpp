// HPGL reader: the set-up commands. IN and DF reset; IP and SC scale the
// file's numbers (user units) onto plotter units; RO turns the plot; IW
// clips it; PG starts a new page beside the last; LT, PW and PC shape the
// pens.
#include "convert/hpgl_reader_p.h"

#include <cmath>

namespace fgb::conv::hpgl {

namespace {

// Pages of a PG file are laid left to right this far apart (inches).
constexpr double kPageGap = 10.0 / 25.4;

// Line types become one dash length of the style (device units, as the
// drawing's pens measure them): the style holds a single length, so each
// pattern becomes an even dash, dotted for the dot types.
constexpr float kDotDash = 1.0f;
constexpr float kShortDash = 4.0f;
constexpr float kLongDash = 8.0f;

}  // namespace

void Reader::update_mode() {
  out_plain_ = rotation_ == 0 && page_dx_ == 0.0;
  simple_ = !scaled_ && !relative_ && !clip_ && !polygon_mode_ && symbol_ == 0 && out_plain_;
}

// Inches of the plotter's axes to document inches: the rotation of RO (about
// the origin, counter-clockwise, as hp2xx turns it), then the page's offset.
gr_cpoint Reader::out_point(double x, double y) const {
  gr_cpoint p{x, y};
  switch (rotation_) {
    case 1: p = {-y, x}; break;
    case 2: p = {-x, -y}; break;
    case 3: p = {y, -x}; break;
    default: break;
  }
  p.x += page_dx_;
  return p;
}

gr_trcircle Reader::out_arc(gr_trcircle a) const {
  a.c = out_point(a.c.x, a.c.y);
  const double turn = rotation_ * (kPi / 2);
  if (turn != 0) {
    a.a1 = std::remainder(a.a1 + turn, 2 * kPi);
    a.a2 = std::remainder(a.a2 + turn, 2 * kPi);
  }
  return a;
}

// IN resets everything but the pen position and the pen; DF keeps the
// scaling points and the rotation as well.
void Reader::initialize(bool full) {
  if (full) {
    pen_is_up_ = true;
    pa_path_open_ = false;
    rotation_ = 0;
    p1x_ = kDefaultP1x, p1y_ = kDefaultP1y, p2x_ = kDefaultP2x, p2y_ = kDefaultP2y;
  } else {
    note_hpgl2();
  }
  flush();
  polygon_mode_ = false;
  poly_.clear();
  poly_starts_.clear();
  poly_open_.clear();
  relative_ = false;
  sc_type_ = -1;
  scaled_ = false;
  clip_ = false;
  dash_ = 0.0f;
  style_dirty_ = true;
  symbol_ = 0;
  terminator_ = 0x03;
  print_terminator_ = false;
  size_relative_ = true;
  char_w_ = 0.75, char_h_ = 1.5;
  dir_relative_ = false;
  dir_x_ = 1, dir_y_ = 0;
  slant_ = 0;
  origin_ = 1;
  update_mode();
  flush();
}

// IP p1x,p1y[,p2x,p2y]: the scaling points; with two numbers P2 keeps its
// distance from P1; with none, the defaults.
void Reader::input_points() {
  double a[4];
  const int n = numbers(a, 4);
  if (n == 0) {
    p1x_ = kDefaultP1x, p1y_ = kDefaultP1y, p2x_ = kDefaultP2x, p2y_ = kDefaultP2y;
  } else if (n >= 2) {
    if (n == 4) {
      p1x_ = a[0], p1y_ = a[1], p2x_ = a[2], p2y_ = a[3];
    } else {
      p2x_ += a[0] - p1x_, p2y_ += a[1] - p1y_;
      p1x_ = a[0], p1y_ = a[1];
    }
  }
  if (sc_type_ >= 0) update_scaling();
}

// SC xmin,xmax,ymin,ymax[,type[,left,bottom]] (type 0 anisotropic, 1
// isotropic), SC xmin,xfactor,ymin,yfactor,2 (point factor); without
// numbers, no scaling.
void Reader::scale() {
  double a[7] = {0, 0, 0, 0, 0, 50, 50};
  const int n = numbers(a, 7);
  if (n < 4) {
    sc_type_ = -1;
    scaled_ = false;
    update_mode();
    return;
  }
  const int type = n >= 5 ? static_cast<int>(a[4]) : 0;
  sc_type_ = type == 1 || type == 2 ? type : 0;
  for (int i = 0; i < 7; ++i) sc_[i] = a[i];
  if (n < 7) sc_[6] = 50;
  if (n < 6) sc_[5] = 50;
  update_scaling();
}

// user -> plotter: px = sx * ux + tx, py = sy * uy + ty.
//   anisotropic: (xmin, ymin) on P1, (xmax, ymax) on P2;
//   isotropic:   one factor, the smaller of the two, the range placed in
//                the P1-P2 rectangle left and bottom percent into the room left;
//   point factor: (xmin, ymin) on P1, xfactor and yfactor plotter units per unit.
void Reader::update_scaling() {
  const double dx = p2x_ - p1x_, dy = p2y_ - p1y_;
  double sx, sy, tx, ty;
  if (sc_type_ == 2) {
    sx = sc_[1], sy = sc_[3];
    tx = p1x_ - sc_[0] * sx, ty = p1y_ - sc_[2] * sy;
  } else {
    const double ux = sc_[1] - sc_[0], uy = sc_[3] - sc_[2];
    if (ux == 0 || uy == 0) {  // a range of nothing scales nothing
      scaled_ = false;
      update_mode();
      return;
    }
    sx = dx / ux, sy = dy / uy;
    double ox = 0, oy = 0;
    if (sc_type_ == 1) {
      const double f = std::min(std::fabs(sx), std::fabs(sy));
      const double left = std::clamp(sc_[5], 0.0, 100.0) / 100, bottom = std::clamp(sc_[6], 0.0, 100.0) / 100;
      ox = (std::fabs(dx) - f * std::fabs(ux)) * left * (dx < 0 ? -1 : 1);
      oy = (std::fabs(dy) - f * std::fabs(uy)) * bottom * (dy < 0 ? -1 : 1);
      sx = std::copysign(f, sx), sy = std::copysign(f, sy);
    }
    tx = p1x_ + ox - sc_[0] * sx, ty = p1y_ + oy - sc_[2] * sy;
  }
  if (!std::isfinite(sx) || !std::isfinite(sy) || !std::isfinite(tx) || !std::isfinite(ty) || sx == 0 ||
      sy == 0) {
    scaled_ = false;
  } else {
    sx_ = sx, sy_ = sy, tx_ = tx, ty_ = ty;
    scaled_ = true;
  }
  update_mode();
}

// RO angle: 0, 90, 180 or 270; other angles are not plotter rotations.
void Reader::rotate() {
  double a = 0;
  const int n = numbers(&a, 1);
  const double q = n ? a / 90 : 0;
  if (q == std::trunc(q) && std::fabs(q) < 1e6) {
    flush();
    rotation_ = ((static_cast<int>(q) % 4) + 4) % 4;
    update_mode();
    flush();
  } else {
    rep_.add("RO", FGB_REPORT_SKIPPED, tok_.offset());
  }
}

// IW x1,y1,x2,y2: only what lies inside is drawn; without numbers, all.
void Reader::input_window() {
  double a[4];
  const int n = numbers(a, 4);
  flush();
  if (n < 4) {
    clip_ = false;
  } else {
    double ax, ay, bx, by;
    to_plotter(a[0], a[1], false, ax, ay);
    to_plotter(a[2], a[3], false, bx, by);
    clip_lo_x_ = std::min(ax, bx), clip_hi_x_ = std::max(ax, bx);
    clip_lo_y_ = std::min(ay, by), clip_hi_y_ = std::max(ay, by);
    clip_ = std::isfinite(clip_lo_x_) && std::isfinite(clip_lo_y_) && std::isfinite(clip_hi_x_) &&
            std::isfinite(clip_hi_y_);
  }
  update_mode();
  flush();
}

// Liang-Barsky: the segment's parameter range inside each pair of window
// edges, intersected.
bool Reader::clip_segment(double& ax, double& ay, double& bx, double& by) const {
  double t0 = 0, t1 = 1;
  const double dx = bx - ax, dy = by - ay;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax - clip_lo_x_, clip_hi_x_ - ax, ay - clip_lo_y_, clip_hi_y_ - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      if (t > t0) t0 = t;
    } else {
      if (t < t0) return false;
      if (t < t1) t1 = t;
    }
  }
  const double x0 = ax, y0 = ay;
  if (t1 < 1) bx = x0 + t1 * dx, by = y0 + t1 * dy;
  if (t0 > 0) ax = x0 + t0 * dx, ay = y0 + t0 * dy;
  return true;
}

// PG: the next page goes to the right of all that is drawn, when anything
// is, so that pages do not lie on top of each other: its drawing is taken
// to start as far right of its origin as the first page's did.
void Reader::page() {
  flush();
  pen_is_up_ = true;
  double lo, hi;
  if (!sink_.extent(lo, hi) || !(hi >= last_page_right_)) return;
  if (pages_ == 1) first_page_x_ = lo;
  page_dx_ = hi + kPageGap - first_page_x_;
  last_page_right_ = std::nextafter(hi, INFINITY);  // a page that draws nothing adds none
  ++pages_;
  update_mode();
  flush();
}

// LT [type[,length[,mode]]]: without a type, solid.
void Reader::line_type() {
  double a[3];
  const int n = numbers(a, 3);
  style_dirty_ = true;
  if (n == 0) {
    dash_ = 0.0f;
    return;
  }
  note_hpgl2();
  const double type = std::fabs(a[0]);
  dash_ = type <= 1 ? kDotDash : type == 2 ? kShortDash : type < 100 ? kLongDash : 0.0f;
  rep_.add("LT", FGB_REPORT_APPROXIMATED, tok_.offset());
}

// PW width[,pen]: the width in millimetres, of one pen or of all.
void Reader::pen_width() {
  double a[2];
  const int n = numbers(a, 2);
  if (n == 0 || !(a[0] >= 0) || a[0] > 1000) return;
  note_hpgl2();
  style_dirty_ = true;
  if (width_of_pen_.empty()) width_of_pen_.assign(kPens, -1.0f);
  const auto w = static_cast<float>(a[0] / 25.4);
  if (n == 1) {
    width_of_pen_.assign(kPens, w);
  } else if (a[1] >= 0 && a[1] < kPens) {
    width_of_pen_[static_cast<size_t>(a[1])] = w;
  }
}

// PC pen,r,g,b: the pen's colour, components 0 to 255.
void Reader::pen_colour() {
  double a[4];
  const int n = numbers(a, 4);
  if (n < 4 || !(a[0] >= 0 && a[0] < kPens)) return;
  note_hpgl2();
  if (coloured_.empty()) {
    coloured_.assign(kPens, 0);
    colour_of_pen_.assign(kPens, gr_rgbcol{0, 0, 0});
  }
  const auto c = [](double v) { return static_cast<float>(std::clamp(v, 0.0, 255.0) / 255.0); };
  const auto pen = static_cast<size_t>(a[0]);
  colour_of_pen_[pen] = gr_rgbcol{c(a[1]), c(a[2]), c(a[3])};
  style_dirty_ = true;
  coloured_[pen] = 1;
}

}  // namespace fgb::conv::hpgl
