// Dashed outlines and the chord walk along ellipses.
//
// The pens the library makes are always solid; a dash pattern is drawn
// here, piece by piece through the line primitive. Along a polyline or the
// chords of an ellipse the pattern state carries from edge to edge, so a
// dash that reaches a corner continues on the next edge.
#include <geomkit/gr_graph.h>

#include "core/gr_circle_p.h"
#include "draw/gr_graph_p.h"

#include <algorithm>
#include <cmath>

namespace geomkit {

namespace {

// An edge that would take more pieces than this (a pattern tiny beside the
// figure) is drawn solid: at that density the dashes cannot be told apart
// from a line, and walking them would stall the drawing.
constexpr double kMaxDashPieces = 1 << 20;

// A full ellipse is never cut into more chords than this, however large it
// is beside the step.
constexpr double kMaxChords = 1 << 20;

gr_cpoint along(const gr_cpoint& a, const gr_cpoint& u, double d) { return {a.x + u.x * d, a.y + u.y * d}; }

// Signed progress of c beyond b on the edge's dominant axis, in the
// direction of travel from a.
double beyond(const gr_cpoint& a, const gr_cpoint& b, const gr_cpoint& c) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  if (std::fabs(dx) >= std::fabs(dy)) return dx >= 0 ? c.x - b.x : b.x - c.x;
  return dy >= 0 ? c.y - b.y : b.y - c.y;
}

}  // namespace

// The end of an edge is judged on the axis along which the edge extends
// most. (Judging on x whenever the x extent exceeds the tolerance stops a
// nearly vertical edge part-way: with an x extent of 2e-5 its x is "at the
// end" half-way along.)
bool reached_end(const gr_cpoint& a, const gr_cpoint& b, const gr_cpoint& c) noexcept {
  return beyond(a, b, c) >= -GR_LMES_PREC;
}

bool passed_end(const gr_cpoint& a, const gr_cpoint& b, const gr_cpoint& c) noexcept {
  return beyond(a, b, c) > GR_LMES_PREC;
}

// ---------------------------------------------------------------------------
// DashWalker
// ---------------------------------------------------------------------------

DashWalker::DashWalker(const gr_curve_font* font) {
  if (!font || font->n <= 0) return;
  // The lengths follow the count in memory; reach them through len.
  const float* len = font->len;
  pattern_.resize(static_cast<size_t>(font->n));
  for (size_t i = 0; i < pattern_.size(); ++i) {
    const double v = len[i];
    pattern_[i] = v > 0 ? v : 0.0;  // NaN and negative lengths advance nothing
    period_ += pattern_[i];
  }
  left_ = pattern_;
  // All lengths 0 would never advance along the line.
  solid_ = !(period_ > GR_LMES_PREC) || !std::isfinite(period_);
}

void DashWalker::restart() {
  index_ = 0;
  left_ = pattern_;
}

void DashWalker::edge(HDC dc, const gr_cpoint& a, const gr_cpoint& b) {
  const size_t n = pattern_.size();
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  current_ = a;
  if (solid_ || !(length / period_ * static_cast<double>(n) <= kMaxDashPieces)) {
    moveto_lineto(dc, b, true);
    current_ = b;
    return;
  }
  const gr_cpoint u = length > 0 ? gr_cpoint{(b.x - a.x) / length, (b.y - a.y) / length} : gr_cpoint{0, 0};
  // A used-up entry gives way to the next; past the last, start over.
  if (index_ < n && left_[index_] <= GR_LMES_PREC) ++index_;
  if (index_ >= n) restart();

  double done = 0;   // length of the edge behind the current point
  double piece = 0;  // length of the last piece
  for (;;) {
    piece = length - done >= left_[index_] ? left_[index_] : length - done;
    current_ = along(a, u, done + piece);
    moveto_lineto(dc, current_, index_ % 2 == 0);
    // The whole length consumed also ends the edge: at coordinates so large
    // that the tolerance is below their resolution the test on the axis
    // could otherwise miss.
    if (reached_end(a, b, current_) || done + piece >= length) break;
    done += piece;
    if (++index_ >= n) restart();
  }
  // The next edge continues the same dash or gap.
  left_[index_] -= piece;
}

// ---------------------------------------------------------------------------
// Dashed polylines and segments
// ---------------------------------------------------------------------------

void draw_polyline16(const gr_polyline& pline, HDC dc, const gr_curve_font* font) {
  DashWalker walker(font);
  if (walker.solid()) {
    draw_polyline(pline, dc);
    return;
  }
  const gr_cpoint* p = pline.pnt;
  moveto_lineto(dc, p[0], false);
  for (uint32_t j = 1; j < pline.n; ++j) walker.edge(dc, p[j - 1], p[j]);
  if (pline.closed) walker.edge(dc, p[pline.n - 1], p[0]);
}

void draw_segment16(const gr_segment& seg, HDC dc, const gr_curve_font* font) {
  DashWalker walker(font);
  moveto_lineto(dc, seg.p1, false);
  if (!walker.solid()) {
    // Whole entries from the first, the last one that would pass p2 left
    // out; the piece up to p2 is then drawn whatever the entry.
    const double length = std::hypot(seg.p2.x - seg.p1.x, seg.p2.y - seg.p1.y);
    const float* len = font->len;
    const size_t n = static_cast<size_t>(font->n);
    const double period = [&] {
      double sum = 0;
      for (size_t i = 0; i < n; ++i) sum += len[i] > 0 ? len[i] : 0.0f;
      return sum;
    }();
    if (length > 0 && length / period * static_cast<double>(n) <= kMaxDashPieces) {
      const gr_cpoint u{(seg.p2.x - seg.p1.x) / length, (seg.p2.y - seg.p1.y) / length};
      double done = 0;
      for (size_t i = 0;; i = (i + 1) % n) {
        const double entry = len[i] > 0 ? len[i] : 0.0;
        const gr_cpoint next = along(seg.p1, u, done + entry);
        if (passed_end(seg.p1, seg.p2, next) || done + entry > length + GR_LMES_PREC) break;
        moveto_lineto(dc, next, i % 2 == 0);
        done += entry;
        if (reached_end(seg.p1, seg.p2, next) || done >= length) break;
      }
    }
  }
  moveto_lineto(dc, seg.p2, true);
}

// ---------------------------------------------------------------------------
// The chord walk along an elliptic arc
// ---------------------------------------------------------------------------

namespace {

// Calls chord(P, last) for each chord end of the walk from the point at t1
// (already moved to by the caller) to the point at t2, or once round for a
// full turn, ending exactly at the start. Chords are about step long near
// the ends of the first axis: the parameter advances by step / k, k being
// the distance from the centre at t.
template <class Chord>
void walk_trellip(const gr_trellip& arc, double step, Chord&& chord) {
  const gr_ellip ellip{arc.c, arc.dir, arc.a, arc.b};
  const double t1 = arc.t1;
  const double sweep = sweep_of_range(arc.t1, arc.t2);
  gr_cpoint start{}, end{};
  gr_conv_ellpar_to_cpoint(&start, &ellip, arc.t1);
  gr_conv_ellpar_to_cpoint(&end, &ellip, arc.t2);
  // Bound the number of chords for figures huge beside the step.
  const double span = std::clamp(sweep, 0.0, kTwoPi) * std::max(arc.a, arc.b);
  const double advance = std::max(step, span / kMaxChords);
  double t = t1;
  while (t1 + sweep >= t) {
    const double s2 = std::sin(t) * std::sin(t);
    const double k = std::sqrt((1 - s2) * arc.a * arc.a + s2 * arc.b * arc.b);
    if (k <= GR_LMES_PREC) break;
    const double next = t + advance / k;
    if (!(next > t)) break;  // the parameter is too large to advance
    t = next;
    gr_cpoint p{};
    gr_conv_ellpar_to_cpoint(&p, &ellip, t);
    if (sweep < kTwoPi && t >= t1 + sweep) p = end;
    if (t >= t1 + kTwoPi) p = start;
    chord(p, !(t1 + sweep >= t), end);
  }
}

// Nothing to draw: an empty range, or both semi-axes vanishing.
bool nothing_to_draw(const gr_trellip& arc, double step) {
  if (std::fabs(arc.t2 - arc.t1) <= GR_LMES_PREC) return true;
  if (arc.a <= GR_LMES_PREC && arc.b <= GR_LMES_PREC) return true;
  return !(step > 0) || !std::isfinite(step);
}

// An ellipse with one vanishing semi-axis is the segment along the other:
// the second axis runs across dir, at (-sin, cos).
bool flat_segment(const gr_trellip& arc, gr_segment& seg) {
  gr_cpoint half{};
  if (arc.a <= GR_LMES_PREC) {
    half = {-arc.dir.sin * arc.b, arc.dir.cos * arc.b};
  } else if (arc.b <= GR_LMES_PREC) {
    half = {arc.dir.cos * arc.a, arc.dir.sin * arc.a};
  } else {
    return false;
  }
  seg.p1 = {arc.c.x + half.x, arc.c.y + half.y};
  seg.p2 = {arc.c.x - half.x, arc.c.y - half.y};
  return true;
}

}  // namespace

void draw_trellip(const gr_trellip& arc, HDC dc, double step) {
  if (nothing_to_draw(arc, step)) return;
  gr_segment seg{};
  if (flat_segment(arc, seg)) {
    moveto_lineto(dc, seg.p1, false);
    moveto_lineto(dc, seg.p2, true);
    moveto_lineto(dc, seg.p1, true);
    return;
  }
  const gr_ellip ellip{arc.c, arc.dir, arc.a, arc.b};
  gr_cpoint start{};
  gr_conv_ellpar_to_cpoint(&start, &ellip, arc.t1);
  moveto_lineto(dc, start, false);
  walk_trellip(arc, step, [&](const gr_cpoint& p, bool, const gr_cpoint&) { moveto_lineto(dc, p, true); });
}

void draw_trellip16(const gr_trellip& arc, HDC dc, double step, const gr_curve_font* font) {
  if (nothing_to_draw(arc, step)) return;
  gr_segment seg{};
  if (flat_segment(arc, seg)) {
    draw_segment16(seg, dc, font);
    return;
  }
  DashWalker walker(font);
  if (walker.solid()) {
    draw_trellip(arc, dc, step);
    return;
  }
  const gr_ellip ellip{arc.c, arc.dir, arc.a, arc.b};
  gr_cpoint previous{};
  gr_conv_ellpar_to_cpoint(&previous, &ellip, arc.t1);
  moveto_lineto(dc, previous, false);
  walk_trellip(arc, step, [&](const gr_cpoint& p, bool last, const gr_cpoint& end) {
    walker.edge(dc, previous, p);
    previous = p;
    // The figure ends at its end point with the pen down.
    if (last) moveto_lineto(dc, end, true);
  });
}

}  // namespace geomkit

using namespace geomkit;

// ---------------------------------------------------------------------------
// Exported
// ---------------------------------------------------------------------------

void gr_polyline_draw16(const gr_polyline* pline, HDC dc, const gr_curve_font* font) noexcept {
  if (!pline || !dc || pline->n < 2) return;
  guarded([&] { draw_polyline16(*pline, dc, font); });
}

void gr_polylines_draw16(const gr_polylines* set, HDC dc, const gr_curve_font* font) noexcept {
  if (!set || !dc) return;
  guarded([&] {
    const gr_polyline* p = gr_polylines_first(set);
    for (int32_t i = 0; i < set->n; ++i, p = gr_polylines_next(p)) {
      if (p->n >= 2) draw_polyline16(*p, dc, font);
    }
  });
}

void gr_segment_draw16(const gr_segment* seg, HDC dc, const gr_curve_font* font) noexcept {
  if (!seg || !dc) return;
  guarded([&] { draw_segment16(*seg, dc, font); });
}

void gr_ellip_draw(const gr_ellip* ellip, HDC dc, double step) noexcept {
  if (!ellip || !dc) return;
  const gr_trellip arc{ellip->c, ellip->dir, ellip->a, ellip->b, 0.0, kTwoPi};
  guarded([&] { draw_trellip(arc, dc, step); });
}

void gr_trellip_draw(const gr_trellip* trellip, HDC dc, double step) noexcept {
  if (!trellip || !dc) return;
  guarded([&] { draw_trellip(*trellip, dc, step); });
}

void gr_ellip_draw16(const gr_ellip* ellip, HDC dc, double step, const gr_curve_font* font) noexcept {
  if (!ellip || !dc) return;
  const gr_trellip arc{ellip->c, ellip->dir, ellip->a, ellip->b, 0.0, kTwoPi};
  guarded([&] { draw_trellip16(arc, dc, step, font); });
}

void gr_trellip_draw16(const gr_trellip* trellip, HDC dc, double step, const gr_curve_font* font) noexcept {
  if (!trellip || !dc) return;
  guarded([&] { draw_trellip16(*trellip, dc, step, font); });
}
