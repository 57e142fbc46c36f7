// The list of paths of the optimised HPGL writer: see hpgl_order_p.h.
#include "convert/hpgl_order_p.h"

#include <algorithm>
#include <bit>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Four candidates per step where the processor allows, chosen at run time.
#if defined(__GNUC__) && defined(__x86_64__)
#define KALVEX_ORDER_AVX2 1
#include <immintrin.h>
#else
#define KALVEX_ORDER_AVX2 0
#endif

namespace fgb::conv {

namespace {

constexpr double kGone = std::numeric_limits<double>::infinity();
// Holes tolerated before the entries are moved together: few enough that
// the examination wastes little on them, many enough that moving (a few
// hundred entries) is rare.
constexpr size_t kMaxHoles = 64;

// Squared distance from (px, py) to the nearer end of a path, the
// arithmetic of every comparison: differences of integers (exact), their
// squares and sum in doubles.
inline double nearer(double hx, double hy, double tx, double ty, double px, double py) {
  const double ax = hx - px, ay = hy - py, bx = tx - px, by = ty - py;
  const double first = ax * ax + ay * ay;
  const double last = bx * bx + by * by;
  return last <= first ? last : first;
}

// std::popcount, without the library call it becomes on processors not
// assumed to count bits themselves.
inline size_t count_bits(uint64_t x) {
#if defined(__POPCNT__)
  return static_cast<size_t>(std::popcount(x));
#else
  x = x - ((x >> 1) & 0x5555555555555555u);
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<size_t>((x * 0x0101010101010101u) >> 56);
#endif
}

}  // namespace

void PathList::reset(const std::vector<OrderPath>& paths, const std::vector<OrderPoint>& pts) {
  n_ = paths.size();
  hx_.resize(n_);
  hy_.resize(n_);
  tx_.resize(n_);
  ty_.resize(n_);
  pen_.resize(n_);
  id_.resize(n_);
  live_.assign(n_ / 64 + 1, 0);
  for (size_t s = 0; s < n_; ++s) {
    const auto i = static_cast<uint32_t>(n_ - 1 - s);
    const OrderPath& p = paths[i];
    const OrderPoint h = pts[p.first];
    const OrderPoint t = pts[p.first + p.count - 1];
    hx_[s] = h.x;
    hy_[s] = h.y;
    tx_[s] = t.x;
    ty_[s] = t.y;
    pen_[s] = p.pen;
    id_[s] = i;
    live_[s >> 6] |= uint64_t{1} << (s & 63);
  }
  head_ = 0;
  touched_ = 0;
  removed_ = 0;
  run_pen_ = 0;
  checked_ = 0;
  found_ = false;
}

size_t PathList::next(size_t s) const noexcept {
  if (s >= n_) return n_;
  size_t w = s >> 6;
  uint64_t bits = live_[w] & (~uint64_t{0} << (s & 63));
  while (bits == 0) {
    if (++w == live_.size()) return n_;
    bits = live_[w];
  }
  return (w << 6) + static_cast<size_t>(std::countr_zero(bits));
}

double PathList::reach(size_t s, OrderPoint pos) const noexcept {
  return nearer(hx_[s], hy_[s], tx_[s], ty_[s], pos.x, pos.y);
}

bool PathList::reversed(size_t s, OrderPoint pos) const noexcept {
  const double ax = hx_[s] - pos.x, ay = hy_[s] - pos.y, bx = tx_[s] - pos.x, by = ty_[s] - pos.y;
  return bx * bx + by * by <= ax * ax + ay * ay;
}

void PathList::remove(size_t s) noexcept {
  live_[s >> 6] &= ~(uint64_t{1} << (s & 63));
  hx_[s] = kGone;
  tx_[s] = kGone;
  ++removed_;
  if (s == head_) head_ = next(s + 1);
}

void PathList::start_run(int32_t pen) noexcept {
  if (pen == run_pen_ && checked_ >= head_) return;  // what is known still holds
  run_pen_ = pen;
  checked_ = head_;
  found_ = false;
}

size_t PathList::other_pen_upto(size_t upto) noexcept {
  while (!found_ && checked_ <= upto && checked_ < n_) {
    if (in_list(checked_) && pen_[checked_] != run_pen_) {
      found_ = true;
      break;
    }
    ++checked_;
  }
  return found_ && checked_ <= upto ? checked_ : n_;
}

void PathList::walk(size_t from, size_t want, size_t limit, size_t& taken, size_t& last) const noexcept {
  taken = 0;
  last = from;
  size_t w = from >> 6;
  uint64_t bits = live_[w] & (~uint64_t{0} << (from & 63));
  for (;;) {
    const size_t base = w << 6;
    if (base >= limit) return;
    if (limit - base < 64) bits &= (uint64_t{1} << (limit - base)) - 1;
    const size_t count = count_bits(bits);
    if (taken + count >= want) {
      for (size_t r = want - taken; --r;) bits &= bits - 1;  // drop all but the one wanted
      last = base + static_cast<size_t>(std::countr_zero(bits));
      taken = want;
      return;
    }
    if (count) last = base + 63 - static_cast<size_t>(std::countl_zero(bits));
    taken += count;
    if (++w == live_.size()) return;
    bits = live_[w];
  }
}

PathList::Stretch PathList::stretch(size_t from, size_t want) noexcept {
  Stretch s{0, from, false};
  walk(from, want, n_, s.taken, s.last);
  const size_t after = next(s.last + 1);
  const size_t other = other_pen_upto(after);
  if (other <= s.last) {
    walk(from, want, other, s.taken, s.last);
    s.run_ends = true;
  } else {
    s.run_ends = after == n_ || other == after;
  }
  touched_ = std::max(touched_, s.last + 1);
  return s;
}

// ---- the examination ------------------------------------------------------
//
// Candidates are examined several at a time: each lane keeps its own nearest
// (value, and slot as a double: exact) and replaces it only when strictly
// nearer, so within a lane the earliest of equals stays; the lanes are then
// merged taking the smallest value, and of equal values the smallest slot.
// The lanes start from (best_d, best): a lane that changed holds a value
// below best_d. With no fused multiply-add anywhere, every lane computes the
// very doubles the one-at-a-time loop computes.

namespace {

struct Ends {
  const double* hx;
  const double* hy;
  const double* tx;
  const double* ty;
};

void merge_lanes(const double* lane_d, const double* lane_at, int lanes, size_t& best,
                 double& best_d) noexcept {
  for (int l = 0; l < lanes; ++l) {
    const auto at = static_cast<size_t>(lane_at[l]);
    if (lane_d[l] < best_d || (lane_d[l] == best_d && at < best)) {
      best_d = lane_d[l];
      best = at;
    }
  }
}

#if defined(__SSE2__)
// Two slots per step from s while both are at most last; the slot after.
size_t nearest_sse2(const Ends& e, size_t s, size_t last, double px, double py, size_t& best,
                    double& best_d) noexcept {
  if (s + 1 > last) return s;
  const __m128d vpx = _mm_set1_pd(px), vpy = _mm_set1_pd(py);
  __m128d near = _mm_set1_pd(best_d);
  __m128d at = _mm_set1_pd(static_cast<double>(best));
  __m128d slot = _mm_set_pd(static_cast<double>(s + 1), static_cast<double>(s));
  const __m128d step = _mm_set1_pd(2.0);
  for (; s + 1 <= last; s += 2) {
    const __m128d ax = _mm_sub_pd(_mm_loadu_pd(e.hx + s), vpx);
    const __m128d ay = _mm_sub_pd(_mm_loadu_pd(e.hy + s), vpy);
    const __m128d bx = _mm_sub_pd(_mm_loadu_pd(e.tx + s), vpx);
    const __m128d by = _mm_sub_pd(_mm_loadu_pd(e.ty + s), vpy);
    const __m128d first = _mm_add_pd(_mm_mul_pd(ax, ax), _mm_mul_pd(ay, ay));
    const __m128d end = _mm_add_pd(_mm_mul_pd(bx, bx), _mm_mul_pd(by, by));
    const __m128d d = _mm_min_pd(first, end);  // the smaller value (equal ones are the same)
    const __m128d nearer_here = _mm_cmplt_pd(d, near);
    near = _mm_min_pd(d, near);  // d < near ? d : near
    at = _mm_or_pd(_mm_and_pd(nearer_here, slot), _mm_andnot_pd(nearer_here, at));
    slot = _mm_add_pd(slot, step);
  }
  double lane_d[2], lane_at[2];
  _mm_storeu_pd(lane_d, near);
  _mm_storeu_pd(lane_at, at);
  merge_lanes(lane_d, lane_at, 2, best, best_d);
  return s;
}
#endif

#if KALVEX_ORDER_AVX2
// Four slots per step, on processors that have them (chosen at run time).
__attribute__((target("avx2"))) size_t nearest_avx2(const Ends& e, size_t s, size_t last, double px,
                                                    double py, size_t& best, double& best_d) noexcept {
  if (s + 3 > last) return s;
  const __m256d vpx = _mm256_set1_pd(px), vpy = _mm256_set1_pd(py);
  __m256d near = _mm256_set1_pd(best_d);
  __m256d at = _mm256_set1_pd(static_cast<double>(best));
  __m256d slot = _mm256_set_pd(static_cast<double>(s + 3), static_cast<double>(s + 2),
                               static_cast<double>(s + 1), static_cast<double>(s));
  const __m256d step = _mm256_set1_pd(4.0);
  for (; s + 3 <= last; s += 4) {
    const __m256d ax = _mm256_sub_pd(_mm256_loadu_pd(e.hx + s), vpx);
    const __m256d ay = _mm256_sub_pd(_mm256_loadu_pd(e.hy + s), vpy);
    const __m256d bx = _mm256_sub_pd(_mm256_loadu_pd(e.tx + s), vpx);
    const __m256d by = _mm256_sub_pd(_mm256_loadu_pd(e.ty + s), vpy);
    const __m256d first = _mm256_add_pd(_mm256_mul_pd(ax, ax), _mm256_mul_pd(ay, ay));
    const __m256d end = _mm256_add_pd(_mm256_mul_pd(bx, bx), _mm256_mul_pd(by, by));
    const __m256d d = _mm256_min_pd(first, end);
    const __m256d nearer_here = _mm256_cmp_pd(d, near, _CMP_LT_OQ);
    near = _mm256_min_pd(d, near);
    at = _mm256_blendv_pd(at, slot, nearer_here);
    slot = _mm256_add_pd(slot, step);
  }
  double lane_d[4], lane_at[4];
  _mm256_storeu_pd(lane_d, near);
  _mm256_storeu_pd(lane_at, at);
  merge_lanes(lane_d, lane_at, 4, best, best_d);
  return s;
}

bool has_avx2() noexcept {
  static const bool yes = __builtin_cpu_supports("avx2");
  return yes;
}
#endif

}  // namespace

void PathList::nearest(size_t from, size_t last, OrderPoint pos, size_t& best,
                       double& best_d) const noexcept {
  const double px = pos.x, py = pos.y;
  size_t s = from;
  [[maybe_unused]] const Ends e{hx_.data(), hy_.data(), tx_.data(), ty_.data()};
#if KALVEX_ORDER_AVX2
  if (has_avx2()) s = nearest_avx2(e, s, last, px, py, best, best_d);
#endif
#if defined(__SSE2__)
  s = nearest_sse2(e, s, last, px, py, best, best_d);
#endif
  for (; s <= last; ++s) {
    const double d = nearer(hx_[s], hy_[s], tx_[s], ty_[s], px, py);
    if (d < best_d) {
      best_d = d;
      best = s;
    }
  }
}

void PathList::tidy(size_t& cur) {
  if (removed_ >= kMaxHoles) close_up(cur);
}

// The entries between the head and the last slot examined move up against
// that slot, keeping their order; the slots they leave are out of the list.
void PathList::close_up(size_t& cur) {
  size_t to = touched_;
  for (size_t s = touched_; s-- > head_;) {
    if (!in_list(s)) continue;
    --to;
    if (to == s) continue;
    hx_[to] = hx_[s];
    hy_[to] = hy_[s];
    tx_[to] = tx_[s];
    ty_[to] = ty_[s];
    pen_[to] = pen_[s];
    id_[to] = id_[s];
    if (cur == s) cur = to;
  }
  for (size_t s = head_; s < to; ++s) {
    live_[s >> 6] &= ~(uint64_t{1} << (s & 63));
    hx_[s] = kGone;
    tx_[s] = kGone;
  }
  for (size_t s = to; s < touched_; ++s) live_[s >> 6] |= uint64_t{1} << (s & 63);
  head_ = next(to);
  checked_ = head_;
  found_ = false;
  removed_ = 0;
}

}  // namespace fgb::conv
