// Internals of the polyline code shared across geomkit: the exact line
// measures behind gr_deriv_line_cpoint and gr_proj_cpoint_on_line, the
// vertex-crossing test, rectangle normalisation, the walk over a polyline
// set and the tolerance-aware sorted insertion of line parameters.
//
// Everything here reproduces the exported functions bit for bit: a caller
// that mixes LineMeasure with gr_deriv_line_cpoint gets identical answers.
//
// isct_code and SortedParams::goes_before are the public inline rules of
// <geomkit/gr_poly.h>, which the hatch scan of fgb applies as well.
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
  // +1 when pt lies surely more than the tolerance left of the line, -1
  // surely more than it to the right, 0 when only deriv can tell. A quick
  // double-precision filter: its rounding differs from deriv's by far less
  // than the margin it allows, so a non-zero answer is always deriv's.
  int side(const gr_cpoint& pt) const noexcept {
    const double dx = pt.x - line_.p.x, dy = pt.y - line_.p.y;
    const double d = fa_ * dx + fb_ * dy;
    const double margin = kSideMargin * (std::fabs(dx) + std::fabs(dy) + std::fabs(pt.x) + std::fabs(pt.y) +
                                         std::fabs(line_.p.x) + std::fabs(line_.p.y));
    if (d - margin > kLmesPrec) return 1;
    if (d + margin < -kLmesPrec) return -1;
    return 0;  // near the line, or NaN / infinite
  }
  const gr_line& line() const noexcept { return line_; }

 private:
  // Relative bound for side(): the double evaluation errs by a few units of
  // 1e-16 of the magnitudes involved, the extended one by far less.
  static constexpr double kSideMargin = 1e-14;

  gr_line line_;
  long double a_, b_, c_, norm_;
  long double px_, py_, cos_, sin_;
  double fa_, fb_;  // the equation's A and B rounded to doubles
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
  return gr_isct_params_code(t, ta, da, tb, db);
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

// True when the parameter t lies within [tmin, tmax], the ends counted
// within the tolerance: what a bounded line keeps of its line's contacts.
inline bool param_within(double t, double tmin, double tmax) noexcept {
  return (tmin < t && t < tmax) || std::fabs(static_cast<long double>(t) - tmin) < kLmesPrec ||
         std::fabs(static_cast<long double>(t) - tmax) < kLmesPrec;
}

// True when gr_isct_segment_polyline(seg, pline) would find a parameter,
// without storing any: the test of a selection rectangle's side.
bool segment_touches_polyline(const gr_segment& seg, const gr_polyline& pline) noexcept;

// Line parameters kept in the order of the library's insertion rule: a new
// value t goes before the first stored value v with |v - t| >= 1e-5 and
// t < v, otherwise at the end. Values within the tolerance of each other
// are not merged; the later one stays after the earlier.
//
// The rule's predicate is monotone in v, so the first qualifying value is
// the first whose prefix maximum qualifies. Up to kDirectLimit values live
// in the caller's array (plain insertion, no allocation); beyond that they
// move into blocks of at most kBlockSplit values, found by a binary search
// over the blocks' prefix maxima, which keeps the search and the shifting
// short on lines crossing many thousands of edges.
class SortedParams {
 public:
  static constexpr size_t kDirectLimit = 64;

  // dst has room for at least min(capacity, kDirectLimit) values.
  SortedParams(double* dst, size_t capacity) noexcept : dst_(dst), cap_(capacity) {}

  // False when the value could not be kept (no room left).
  bool insert(double t) noexcept;
  size_t size() const noexcept { return count_; }
  // Writes the first min(limit, size()) values in order into out (which may
  // be the caller's array given at construction).
  void copy_to(double* out, size_t limit) const noexcept;

  // The insertion predicate: t goes before v.
  static bool goes_before(double t, double v) noexcept { return gr_param_goes_before(t, v) != 0; }

 private:
  struct Block {
    std::vector<double> v;
    double max = -HUGE_VAL;  // largest value, NaNs ignored
    void recompute() noexcept;
  };
  static constexpr size_t kBlockSplit = 512;

  bool insert_direct(double t) noexcept;
  bool insert_blocked(double t);
  bool to_blocks() noexcept;
  void rebuild_prefix(size_t from) noexcept;
  void split(size_t bi) noexcept;

  double* dst_;
  size_t cap_;
  size_t count_ = 0;
  bool blocked_ = false;
  bool direct_only_ = false;  // blocks could not be allocated
  std::vector<Block> blocks_;
  std::vector<double> prefix_max_;  // largest value of blocks 0..b
};

}  // namespace geomkit

#endif
