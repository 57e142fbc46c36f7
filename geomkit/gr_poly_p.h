// Internals of the polyline code shared across geomkit: the exact line
// measures behind gr_deriv_line_cpoint and gr_proj_cpoint_on_line, the
// vertex-crossing test, rectangle normalisation, the walk over a polyline
// set and the tolerance-aware sorted insertion of line parameters.
//
// Everything here reproduces the exported functions bit for bit: a caller
// that mixes LineMeasure with gr_deriv_line_cpoint gets identical answers.
#ifndef GEOMKIT_GR_POLY_P_H
#define GEOMKIT_GR_POLY_P_H

#include <geomkit/gr_poly.h>
#include <geomkit/gr_types.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace geomkit {

// The library tolerance as a double, compared against double results.
inline constexpr double kLmesPrec = GR_LMES_PREC;

// The implicit equation of a line, built once so that the signed distance
// and the projection of many points cost a few operations each. The
// equation is derived exactly as gr_deriv_line_cpoint derives it (from the
// points at parameters 0 and 10 000 000, in extended precision), so results
// match that function to the last bit.
class LineMeasure {
 public:
  explicit LineMeasure(const gr_line& line) noexcept;

  // Signed distance of pt, positive on the left of the direction.
  double deriv(const gr_cpoint& pt) const noexcept {
    return static_cast<double>((a_ * pt.x + b_ * pt.y + c_) / norm_);
  }
  // Parameter of the orthogonal projection of pt.
  double proj(const gr_cpoint& pt) const noexcept {
    return static_cast<double>((static_cast<long double>(pt.x) - px_) * cos_ +
                               (static_cast<long double>(pt.y) - py_) * sin_);
  }
  const gr_line& line() const noexcept { return line_; }

 private:
  gr_line line_;
  long double a_, b_, c_, norm_;
  long double px_, py_, cos_, sin_;
};

// The line against the segment from an end a to an end b, given each end's
// projection t and signed distance d on the line. Codes: 0 none, 1 a
// crossing, 2 the segment lies on the line (both ends within the
// tolerance), 3 its start lies on the line, 4 its end does (the exported
// gr_isct_line_segment reports 3 and 4 as 1). *t is written for 1, 3, 4:
//   t = ta or tb                              for an end on the line
//   t = ta                                    when |ta - tb| < tol
//   t = (ta |db| + tb |da|) / (|db| + |da|)   otherwise
inline int isct_code(double* t, double ta, double da, double tb, double db) noexcept {
  const bool a_on = std::fabs(da) < kLmesPrec, b_on = std::fabs(db) < kLmesPrec;
  if (a_on && b_on) return 2;
  if (a_on) {
    *t = ta;
    return 3;
  }
  if (b_on) {
    *t = tb;
    return 4;
  }
  if (static_cast<long double>(da) * db > 0) return 0;
  const long double dt = static_cast<long double>(ta) - tb;
  if ((dt < 0 ? -dt : dt) < kLmesPrec) {
    *t = ta;
  } else {
    const long double ada = std::fabs(static_cast<long double>(da));
    const long double adb = std::fabs(static_cast<long double>(db));
    *t = static_cast<double>((ta * adb + tb * ada) / (adb + ada));
  }
  return 1;
}

inline int isct_code(double* t, const LineMeasure& lm, const gr_cpoint& a, const gr_cpoint& b) noexcept {
  return isct_code(t, lm.proj(a), lm.deriv(a), lm.proj(b), lm.deriv(b));
}

// True when the boundary of pline really crosses line at vertex k: the
// vertex lies within the tolerance of the line, and the nearest vertices
// off the line before and after it (walking modulo n) are distinct and lie
// on opposite sides. A k outside 0..n-1 answers false.
bool vertex_crosses_line(const gr_line& line, const gr_polyline& pline, uint32_t k) noexcept;
bool vertex_crosses_line(const LineMeasure& lm, const gr_polyline& pline, uint32_t k) noexcept;

// Swaps x1/x2 when x1 > x2 and y1/y2 when y1 > y2.
void normalise_rect(gr_xy_rect& r) noexcept;

// Calls f(const gr_polyline&) with each member of the set in order and
// returns the member count (0 for a negative count). The members are
// trusted: a set is one block whose counts were validated where it was made.
template <class F>
int for_each_polyline(const gr_polylines& set, F&& f) {
  if (set.n <= 0) return 0;
  const gr_polyline* p = gr_polylines_first(&set);
  for (int32_t i = 0; i < set.n; ++i) {
    f(*p);
    p = gr_polylines_next(p);
  }
  return set.n;
}

// Line parameters kept in the order of the library's insertion rule: a new
// value t goes before the first stored value v with |v - t| >= 1e-5 and
// t < v, otherwise at the end. Values within the tolerance of each other
// are not merged; the later one stays after the earlier.
//
// The rule's predicate is monotone in v, so the first qualifying value is
// the first whose prefix maximum qualifies. Up to kDirectLimit values live
// in the caller's array (plain insertion, no allocation); beyond that they
// move into blocks that each know their maximum, which keeps the search
// and the shifting short on lines crossing many thousands of edges.
class SortedParams {
 public:
  static constexpr size_t kDirectLimit = 64;

  // dst has room for at least min(capacity, kDirectLimit) values.
  SortedParams(double* dst, size_t capacity) noexcept : dst_(dst), cap_(capacity) {}

  // False when the value could not be kept (no room left).
  bool insert(double t) noexcept;
  size_t size() const noexcept { return count_; }
  // Writes the values in order into out (room for size() values).
  void copy_to(double* out) const noexcept;

  // The insertion predicate: t goes before v.
  static bool goes_before(double t, double v) noexcept {
    long double diff = static_cast<long double>(v) - t;
    return (diff < 0 ? -diff : diff) >= kLmesPrec && t < v;
  }

 private:
  struct Block {
    std::vector<double> v;
    double max = 0;  // largest value, NaNs ignored
    bool has_max = false;
    void recompute() noexcept;
  };
  static constexpr size_t kBlockSplit = 512;

  bool insert_direct(double t) noexcept;
  bool insert_blocked(double t);
  bool to_blocks();

  double* dst_;
  size_t cap_;
  size_t count_ = 0;
  bool blocked_ = false;
  std::vector<Block> blocks_;
};

}  // namespace geomkit

#endif
