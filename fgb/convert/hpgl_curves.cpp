// HPGL reader: arcs and circles (AA, AR, CI). Both are drawn red and
// without width, whatever the pen; a chord angle of 10 degrees or more cuts
// them into chords (segments, or a closed polyline for a circle), a smaller
// one keeps a true arc or circle element.
#include "convert/hpgl_reader_p.h"

#include <cmath>

namespace fgb::conv::hpgl {

namespace {

// Chord angles (degrees) from this value up are drawn as chords; smaller
// ones mean "as smooth as the device can", kept as true arcs and circles.
constexpr double kChordMinDegrees = 10.0;
// An AA sweep of more than this many degrees is reduced by whole turns (to
// this many turns and the remainder) before it is cut into chords: the
// chords of further turns would only repeat, and a sweep read as 2^31
// degrees must not make a billion of them.
constexpr double kMaxChordSweepDegrees = 3600.0;

// Arcs and circles from AA, AR and CI: no width, red.
constexpr int kCurvePen = 1;

}  // namespace

// AA cx,cy,sweep[,chord]: an arc from the pen position around the centre.
void Reader::arc_absolute() {
  if (pen_is_up_) return;
  flush();
  pa_path_open_ = false;
  Token t;
  int count = 0;
  while (count < 4 && next_argument(t)) {
    if (t.is_number()) aa_args_[count] = t.number();
    ++count;
  }
  if (count == 3) aa_args_[3] = 0.0;
  if (scaled_) {
    double px, py;
    to_plotter(aa_args_[0], aa_args_[1], false, px, py);
    arc(px * kInchPerPlotterUnit, py * kInchPerPlotterUnit, aa_args_[2], aa_args_[3]);
  } else {
    arc(aa_args_[0] * kInchPerPlotterUnit, aa_args_[1] * kInchPerPlotterUnit, aa_args_[2], aa_args_[3]);
  }
}

// AR dx,dy,sweep[,chord]: as AA, the centre relative to the pen position.
void Reader::arc_relative() {
  note_hpgl2();
  double a[4] = {0, 0, 0, 0};
  const int n = numbers(a, 4);
  if (pen_is_up_ || n < 3) return;
  flush();
  pa_path_open_ = false;
  double px, py;
  to_plotter(a[0], a[1], true, px, py);
  arc(px * kInchPerPlotterUnit, py * kInchPerPlotterUnit, a[2], n == 4 ? a[3] : 0.0);
}

// The arc from the pen position around (cx, cy) inches, pre-rotation.
void Reader::arc(double cx, double cy, double sweep, double chord) {
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(sweep)) return;
  const double sx = x_ * kInchPerPlotterUnit;
  const double sy = y_ * kInchPerPlotterUnit;
  const double r = std::hypot(sx - cx, sy - cy);
  if (r == 0.0) return;
  const double start = std::atan2(sy - cy, sx - cx);
  double ex, ey;
  if (chord >= kChordMinDegrees) {
    if (std::fabs(sweep) > kMaxChordSweepDegrees)
      sweep = std::fmod(sweep, 360.0) + std::copysign(kMaxChordSweepDegrees - 360.0, sweep);
    const double n = std::fabs(std::trunc(sweep / chord));  // at most 360 per turn
    const int pieces = static_cast<int>(n) + 1;
    const double span = sweep / pieces * kRadPerDeg;
    const gr_curve_style style = pen_style(0.0, kCurvePen);
    gr_cpoint a{sx, sy};
    for (int i = 1; i <= pieces; ++i) {
      const double angle = start + span * i;
      const gr_cpoint b{cx + r * std::cos(angle), cy + r * std::sin(angle)};
      if (out_plain_ && !clip_) {
        const gr_segment seg{a, b};
        sink_.add(kSegment, &seg, style);
      } else if (!clip_ || (inside(a.x * kPlotterUnitsPerInch, a.y * kPlotterUnitsPerInch) &&
                            inside(b.x * kPlotterUnitsPerInch, b.y * kPlotterUnitsPerInch))) {
        const gr_segment seg{out_point(a.x, a.y), out_point(b.x, b.y)};
        sink_.add(kSegment, &seg, style);
      }
      a = b;
    }
    ex = a.x;
    ey = a.y;
  } else {
    const double raw_end = start + sweep * kRadPerDeg;
    const double end = std::atan2(std::sin(raw_end), std::cos(raw_end));
    gr_trcircle arc{{cx, cy}, r, start, end};
    if (sweep < 0) {
      arc.a1 = end;
      arc.a2 = start;
    }
    if (!clip_ || inside(cx * kPlotterUnitsPerInch, cy * kPlotterUnitsPerInch) ||
        inside(sx * kPlotterUnitsPerInch, sy * kPlotterUnitsPerInch)) {
      const fgb_arc rec = make_arc_record(out_plain_ ? arc : out_arc(arc));
      sink_.add(kArc, &rec, pen_style(0.0, kCurvePen));
    }
    ex = cx + r * std::cos(end);
    ey = cy + r * std::sin(end);
  }
  added_ = true;
  x_ = ex * kPlotterUnitsPerInch;
  y_ = ey * kPlotterUnitsPerInch;
  path_.clear();
  if (out_plain_) {
    path_.push(ex, ey);
  } else {
    const gr_cpoint p = out_point(ex, ey);
    path_.push(p.x, p.y);
  }
}

// CI radius[,chord]: a circle around the pen position, which stays.
void Reader::circle() {
  flush();
  pa_path_open_ = false;
  Token t;
  double radius = 0.0, chord = 0.0;
  int numbers = 0;
  while (next_argument(t)) {
    if (!t.is_number()) continue;
    if (numbers == 0)
      radius = t.number();
    else if (numbers == 1)
      chord = t.number();
    ++numbers;
  }
  // A negative radius only starts the circle on the other side. In user
  // units the radius is measured along x.
  if (scaled_) radius *= sx_;
  const double r = std::fabs(radius) * kInchPerPlotterUnit;
  if (!std::isfinite(r)) return;
  const double cx = x_ * kInchPerPlotterUnit;
  const double cy = y_ * kInchPerPlotterUnit;
  if (clip_ && !inside(x_, y_)) return;
  const gr_curve_style style = pen_style(0.0, kCurvePen);
  if (chord >= kChordMinDegrees) {
    const double nv = std::trunc(360.0 / chord + 1.0);  // at most 37
    if (!(nv >= 3.0)) return;
    const int n = static_cast<int>(nv);
    PathBuffer& ring = scratch_;
    ring.clear();
    const double step = 360.0 / n * kRadPerDeg;
    const auto put = [&](double x, double y) {
      if (out_plain_) {
        ring.push(x, y);
      } else {
        const gr_cpoint p = out_point(x, y);
        ring.push(p.x, p.y);
      }
    };
    for (int i = 0; i < n; ++i) put(cx + r * std::cos(step * i), cy + r * std::sin(step * i));
    put(cx + r, cy);
    sink_.add(kPolyline, ring.polyline(true), style);
  } else {
    const gr_circle c{out_plain_ ? gr_cpoint{cx, cy} : out_point(cx, cy), r};
    sink_.add(kCircle, &c, style);
  }
  added_ = true;
}

}  // namespace fgb::conv::hpgl
