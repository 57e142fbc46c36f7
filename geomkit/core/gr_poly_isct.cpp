// A line against polylines and polyline sets: the parameters where a hatch
// line enters and leaves a figure, or where a selection rectangle's side
// touches an outline.
//
// With keep_all = 0 the sorted parameters of a line through a set of closed
// figures alternate entry and exit: an edge lying on the line gives
// nothing, and a vertex on the line counts once, and only where the
// boundary passes from one side to the other (vertex_crosses_line).
#include <geomkit/gr_poly.h>

#include "core/gr_poly_p.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace geomkit {

/* ---- sorted insertion ---- */

void SortedParams::Block::recompute() noexcept {
  max = -HUGE_VAL;
  for (double x : v)
    if (x > max) max = x;  // NaN never is
}

void SortedParams::rebuild_prefix(size_t from) noexcept {
  for (size_t b = from; b < blocks_.size(); ++b) {
    const double before = b == 0 ? -HUGE_VAL : prefix_max_[b - 1];
    prefix_max_[b] = blocks_[b].max > before ? blocks_[b].max : before;
  }
}

bool SortedParams::insert(double t) noexcept {
  if (!blocked_ && (count_ < kDirectLimit || direct_only_ || !to_blocks())) return insert_direct(t);
  try {
    return insert_blocked(t);
  } catch (const std::bad_alloc&) {
    return false;  // out of memory: the value is dropped
  }
}

bool SortedParams::insert_direct(double t) noexcept {
  if (count_ >= cap_) return false;
  size_t j = 0;
  while (j < count_ && !goes_before(t, dst_[j])) ++j;
  std::memmove(dst_ + j + 1, dst_ + j, (count_ - j) * sizeof(double));
  dst_[j] = t;
  ++count_;
  return true;
}

bool SortedParams::to_blocks() noexcept {
  try {
    blocks_.reserve(8);
    prefix_max_.reserve(8);
    Block b;
    b.v.reserve(kBlockSplit + 1);
    b.v.assign(dst_, dst_ + count_);
    b.recompute();
    prefix_max_.push_back(b.max);
    blocks_.push_back(std::move(b));
    blocked_ = true;
  } catch (const std::bad_alloc&) {
    blocks_.clear();
    prefix_max_.clear();
    direct_only_ = true;  // stay with plain insertion into the caller's array
  }
  return blocked_;
}

bool SortedParams::insert_blocked(double t) {
  // The predicate grows with v, so the first block holding a value that t
  // goes before is the first whose prefix maximum t goes before.
  const auto it = std::partition_point(prefix_max_.begin(), prefix_max_.end(),
                                       [t](double m) { return !goes_before(t, m); });
  size_t bi = static_cast<size_t>(it - prefix_max_.begin());
  if (bi == blocks_.size()) {
    // Nothing for t to go before: it ends the sequence.
    bi = blocks_.size() - 1;
    Block& last = blocks_[bi];
    last.v.push_back(t);
    if (t > last.max) last.max = t;
    if (t > prefix_max_[bi]) prefix_max_[bi] = t;
  } else {
    // t < the qualifying value there, so no maximum changes.
    std::vector<double>& v = blocks_[bi].v;
    size_t j = 0;
    while (!goes_before(t, v[j])) ++j;
    v.insert(v.begin() + static_cast<std::ptrdiff_t>(j), t);
  }
  ++count_;
  if (blocks_[bi].v.size() > kBlockSplit) split(bi);
  return true;
}

void SortedParams::split(size_t bi) noexcept {
  try {
    Block tail;
    const std::vector<double>& full = blocks_[bi].v;
    const size_t half = full.size() / 2;
    tail.v.reserve(kBlockSplit + 1);
    tail.v.assign(full.begin() + static_cast<std::ptrdiff_t>(half), full.end());
    prefix_max_.reserve(prefix_max_.size() + 1);
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(bi) + 1, std::move(tail));
    prefix_max_.push_back(0);    // cannot throw: reserved
    blocks_[bi].v.resize(half);  // re-read: the insertion may have moved the blocks
    blocks_[bi].recompute();
    blocks_[bi + 1].recompute();
    rebuild_prefix(bi);
  } catch (const std::bad_alloc&) {
    // Out of memory: the block stays whole, only longer to search.
  }
}

void SortedParams::copy_to(double* out, size_t limit) const noexcept {
  size_t n = std::min(limit, count_);
  if (!blocked_) {
    if (out != dst_) std::memmove(out, dst_, n * sizeof(double));
    return;
  }
  size_t k = 0;
  for (const Block& b : blocks_) {
    for (double x : b.v) {
      if (k == n) return;
      out[k++] = x;
    }
  }
}

/* ---- per-vertex measures ---- */

namespace {

struct Measure {
  double t, d;
};

inline Measure measure(const LineMeasure& lm, const gr_cpoint& p) noexcept {
  return {lm.proj(p), lm.deriv(p)};
}

inline uint32_t next_index(uint32_t i, uint32_t n) noexcept { return i + 1 == n ? 0 : i + 1; }

// Calls f(code, t, ta, tb, i, j) for every edge i -> j of pline that meets
// the line (code != 0): the n - 1 edges along it, plus the closing edge
// when closing is set. An edge whose ends both lie surely on one side
// (LineMeasure::side) is passed over without the exact measures; the others
// are measured exactly, each vertex once.
template <class F>
void for_each_edge(const LineMeasure& lm, const gr_polyline& pline, bool closing, F&& f) {
  const uint32_t n = pline.n;
  if (n == 0) return;
  const uint32_t edges = closing ? n : n - 1;
  int side_a = lm.side(pline.pnt[0]);
  const int side_0 = side_a;
  Measure a{}, m0{};
  bool a_measured = false, m0_measured = false;
  for (uint32_t i = 0; i < edges; ++i) {
    const uint32_t j = next_index(i, n);
    const int side_b = j == 0 ? side_0 : lm.side(pline.pnt[j]);
    if (side_a != 0 && side_a == side_b) {  // code 0 for sure
      side_a = side_b;
      a_measured = false;
      continue;
    }
    if (!a_measured) a = measure(lm, pline.pnt[i]);
    Measure b;
    if (j == 0 && m0_measured) {
      b = m0;
    } else {
      b = measure(lm, pline.pnt[j]);
    }
    if (i == 0) {
      m0 = a;
      m0_measured = true;
    }
    double t = 0;
    const int code = isct_code(&t, a.t, a.d, b.t, b.d);
    if (code != 0) f(code, t, a.t, b.t, i, j);
    a = b;
    a_measured = true;
    side_a = side_b;
  }
}

int clamp_count(long long n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }

long long maxn_line_polyline(const LineMeasure& lm, const gr_polyline& pline) {
  long long sum = 0;
  for_each_edge(lm, pline, true, [&](int code, double, double, double, uint32_t, uint32_t) {
    sum += code == 2 ? 2 : code == 0 ? 0 : 1;
  });
  return sum;
}

}  // namespace

/* ---- line against one polyline ---- */

// The parameters of gr_isct_line_polyline, in the order they are found.
template <class Sink>
void line_polyline_params(const LineMeasure& lm, const gr_polyline& pline, bool keep_all, Sink&& sink) {
  // A vertex on the line is considered once, whether met as the end of one
  // edge or the start of the next: only vertex 0 (first and closing edge)
  // and the vertex just handled can come round again.
  bool handled_0 = false;
  int64_t handled_last = -1;
  for_each_edge(lm, pline, pline.closed != 0,
                [&](int code, double t, double ta, double tb, uint32_t i, uint32_t j) {
                  if (code == 0) return;
                  if (code == 2) {
                    if (keep_all) {
                      sink(ta);
                      sink(tb);
                    }
                    return;
                  }
                  if (keep_all) {
                    sink(t);
                    return;
                  }
                  gr_cpoint x;
                  gr_conv_linepar_to_cpoint(&x, &lm.line(), t);
                  const bool near_a = gr_dist_cpoints(&x, &pline.pnt[i]) < kLmesPrec;
                  const bool near_b = !near_a && gr_dist_cpoints(&x, &pline.pnt[j]) < kLmesPrec;
                  if (!near_a && !near_b) {
                    sink(t);  // a proper crossing inside the edge
                    return;
                  }
                  const uint32_t v = near_a ? i : j;
                  if ((v == 0 && handled_0) || static_cast<int64_t>(v) == handled_last) return;
                  if (v == 0) handled_0 = true;
                  handled_last = v;
                  // A run of vertices on the line crosses (or not) once, as a whole: it
                  // counts at its first vertex only, as in the set intersection, or both
                  // ends of a crossing run would count and break the entry/exit pairs.
                  const uint32_t before = v == 0 ? pline.n - 1 : v - 1;
                  if (std::fabs(lm.deriv(pline.pnt[before])) < kLmesPrec) return;
                  if (vertex_crosses_line(lm, pline, v)) sink(t);
                });
}

// True when some contact of the segment's line with pline (keep_all = 1)
// lies within the segment, its ends included: gr_isct_segment_polyline
// would find a parameter.
bool segment_touches_polyline(const gr_segment& seg, const gr_polyline& pline) noexcept {
  gr_trline tl{};
  gr_create_trline_by_segment(&tl, &seg);
  if (tl.dir.sin == 0 && tl.dir.cos == 0) return false;  // a point has no line
  const LineMeasure lm(*gr_trline_as_line(&tl));
  bool found = false;
  line_polyline_params(lm, pline, true, [&](double t) {
    if (!found && param_within(t, tl.tmin, tl.tmax)) found = true;
  });
  return found;
}

}  // namespace geomkit

using geomkit::LineMeasure;
using geomkit::SortedParams;

extern "C" {

int gr_maxn_isct_line_polyline(const gr_line* line, const gr_polyline* pline) noexcept {
  return geomkit::clamp_count(geomkit::maxn_line_polyline(LineMeasure(*line), *pline));
}

int gr_maxn_isct_line_polylines(const gr_line* line, const gr_polylines* set) noexcept {
  const LineMeasure lm(*line);
  long long sum = 0;
  geomkit::for_each_polyline(*set, [&](const gr_polyline& p) { sum += geomkit::maxn_line_polyline(lm, p); });
  return geomkit::clamp_count(sum);
}

int gr_isct_line_polyline(double* array, const gr_line* line, const gr_polyline* pline,
                          int keep_all) noexcept {
  if (pline->n == 0) return 0;
  // The caller sized array by gr_maxn_isct_line_polyline; no edge yields
  // more than its share of that count.
  SortedParams sp(array, SIZE_MAX);
  geomkit::line_polyline_params(LineMeasure(*line), *pline, keep_all != 0, [&](double t) { sp.insert(t); });
  sp.copy_to(array, sp.size());
  return geomkit::clamp_count(static_cast<long long>(sp.size()));
}

int gr_isct_line_polylines(double** array_ref, const gr_line* line, const gr_polylines* set,
                           int keep_all) noexcept {
  // The caller's block holds at least kStep values; a longer result moves
  // to a block grown in whole steps, exactly as if it had been regrown by
  // kStep each time the count reached a multiple of kStep.
  constexpr size_t kStep = 100;
  if (!*array_ref) {
    *array_ref = static_cast<double*>(std::malloc(kStep * sizeof(double)));
    if (!*array_ref) return 0;
  }
  SortedParams sp(*array_ref, kStep);
  const LineMeasure lm(*line);
  geomkit::for_each_polyline(*set, [&](const gr_polyline& p) {
    if (p.n == 0) return;
    // Every member counts as closed. A vertex on the line is decided by the
    // edge that ends there (code 4); the edge starting there adds nothing.
    geomkit::for_each_edge(lm, p, true, [&](int code, double t, double, double tb, uint32_t, uint32_t j) {
      switch (code) {
        case 1: sp.insert(t); break;
        case 2:
          if (keep_all) sp.insert(tb);
          break;
        case 4:
          if (keep_all || geomkit::vertex_crosses_line(lm, p, j)) sp.insert(t);
          break;
        default: break;
      }
    });
  });
  size_t count = sp.size();
  if (count > kStep) {
    size_t cap = (count + kStep - 1) / kStep * kStep;
    double* grown = static_cast<double*>(std::malloc(cap * sizeof(double)));
    if (!grown) {
      // Out of memory: keep what the caller's block holds.
      sp.copy_to(*array_ref, kStep);
      return static_cast<int>(kStep);
    }
    sp.copy_to(grown, count);
    std::free(*array_ref);
    *array_ref = grown;
  } else {
    sp.copy_to(*array_ref, count);
  }
  return geomkit::clamp_count(static_cast<long long>(count));
}

int gr_isct_segment_polyline(double* array, const gr_segment* seg, const gr_polyline* pline) noexcept {
  gr_trline tl{};
  gr_create_trline_by_segment(&tl, seg);
  if (tl.dir.sin == 0 && tl.dir.cos == 0) return 0;  // a point has no line
  int n = gr_isct_line_polyline(array, gr_trline_as_line(&tl), pline, 1);
  int kept = 0;
  for (int i = 0; i < n; ++i)
    if (geomkit::param_within(array[i], tl.tmin, tl.tmax)) array[kept++] = array[i];
  return kept;
}

}  // extern "C"
