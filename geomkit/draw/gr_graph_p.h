// Internals of device drawing: the line primitive every line and dash
// vertex goes through, the guarded conversion of doubles to device
// integers, and the dash walker that carries a pattern across edges.
#ifndef GEOMKIT_GR_GRAPH_P_H
#define GEOMKIT_GR_GRAPH_P_H

#include <geomkit/device_context.h>
#include <geomkit/gr_graph.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace geomkit {

// Truncation toward zero into the device's 32-bit integers, saturating at
// the ends of the range (a plain cast of a value beyond it is undefined,
// and on x86 turns +3e9 into -2147483648). NaN gives 0.
int32_t trunc_to_device(double v) noexcept;

// MoveToEx (draw false) or LineTo (draw true) to p, coping with coordinates
// beyond 32-bit integers according to the map mode: clamped under MM_TEXT,
// scaled by 0.1 under the LO modes, drawn through the matching LO mode under
// the HI modes, and through unit extents under the two scalable modes; the
// map mode and extents are restored. Nothing is drawn under MM_TWIPS, and
// nothing for a point with a NaN coordinate.
void moveto_lineto(HDC dc, const gr_cpoint& p, bool draw);

// A dash pattern being walked along a chain of edges: even entries draw,
// odd entries skip, and the state (current entry, what is left of it)
// carries from one edge to the next so that a dash continues round corners.
class DashWalker {
 public:
  // Copies the pattern. Negative and NaN lengths count as 0. A pattern with
  // no entries, or whose lengths add up to nothing, cannot advance along a
  // line: solid() then says to draw the figure solid instead.
  explicit DashWalker(const gr_curve_font* font);

  bool solid() const { return solid_; }

  // Dashes the edge from a to b, starting from a (the current position of
  // the device must already be at a or at the end of the previous edge).
  void edge(HDC dc, const gr_cpoint& a, const gr_cpoint& b);

  // The end of the last piece drawn or skipped.
  const gr_cpoint& current() const { return current_; }

 private:
  void restart();

  std::vector<double> pattern_;  // the lengths as given (clamped at 0)
  std::vector<double> left_;     // what is left of each entry in this round
  size_t index_ = 0;             // current entry; pattern_.size() means past the end
  gr_cpoint current_{0, 0};
  double period_ = 0;  // sum of the lengths
  bool solid_ = true;
};

// Whether c has reached b travelling from a, within GR_LMES_PREC, judged on
// the axis along which the edge extends most.
bool reached_end(const gr_cpoint& a, const gr_cpoint& b, const gr_cpoint& c) noexcept;

// Whether c has gone past b travelling from a by more than GR_LMES_PREC.
bool passed_end(const gr_cpoint& a, const gr_cpoint& b, const gr_cpoint& c) noexcept;

// ---- scope guards: what a drawing function selects or sets goes back ----

// Selects obj for the guard's lifetime; then reselects the previous object
// and, when owned, deletes obj. A null obj (a failed creation) selects
// nothing.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ obj, bool owned);
  ~ScopedSelect();
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ obj_;
  HGDIOBJ previous_ = nullptr;
  bool owned_;
};

// A pen for thick outlines: an identical copy of the pen in force, made from
// its LOGPEN, selected in its place, and the original put back afterwards.
class ScopedPenCopy {
 public:
  explicit ScopedPenCopy(HDC dc);
  ~ScopedPenCopy();
  ScopedPenCopy(const ScopedPenCopy&) = delete;
  ScopedPenCopy& operator=(const ScopedPenCopy&) = delete;

 private:
  void release() noexcept;

  HDC dc_;
  HGDIOBJ previous_ = nullptr;
  HGDIOBJ copy_ = nullptr;
};

template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() {
    try {
      f_();
    } catch (...) {
      // A back-end that throws while restoring state: nothing more to do.
    }
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
};

// The exported functions are noexcept: a back-end that throws (out of
// memory, say) ends the drawing, and the guards above restore the context.
template <class F>
void guarded(F&& f) noexcept {
  try {
    f();
  } catch (...) {
  }
}

template <class F>
int guarded_result(int on_failure, F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    return on_failure;
  }
}

// ---- drawing steps shared by the plain, dashed, styled and thick forms ----

void draw_polyline(const gr_polyline& pline, HDC dc);  // pline.n >= 2
void draw_circle(const gr_circle& circle, HDC dc);
void draw_trcircle(const gr_trcircle& arc, HDC dc);
void draw_trellip(const gr_trellip& arc, HDC dc, double step);
// font->n > 0 is not required: an unusable pattern draws solid.
void draw_polyline16(const gr_polyline& pline, HDC dc, const gr_curve_font* font);
void draw_segment16(const gr_segment& seg, HDC dc, const gr_curve_font* font);
void draw_trellip16(const gr_trellip& arc, HDC dc, double step, const gr_curve_font* font);

}  // namespace geomkit

#endif
