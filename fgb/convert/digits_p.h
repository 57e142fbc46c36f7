// Numbers of the file formats: truncation to file units and digit scanning.
#ifndef FGB_CONVERT_DIGITS_P_H
#define FGB_CONVERT_DIGITS_P_H

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

namespace fgb::conv {

// A coordinate read back from a file is often a hair below the integer it
// came from (290 thousandths read as 0.29 inch, times 1000, is
// 289.99999999999997). Truncating toward zero would then move the point by a
// unit on every save. The slack pushes such values past the integer before
// truncating: 1e-7 of a file unit is far below any unit a plotter resolves,
// and the relative part (about 4.5 ulps) covers the rounding of a read and a
// scaling up to magnitudes of 10^11 units. It is capped well below a unit:
// beyond 2^52 every double is an integer and nothing needs correcting.
constexpr double kTruncSlack = 1e-7;
constexpr double kTruncRelSlack = 1e-15;
constexpr double kTruncSlackMax = 1e-3;

// trunc(v) toward zero after the slack, saturated to the result's range;
// NaN gives 0.
template <typename Int>
inline Int trunc_slack(double v) noexcept {
  if (v != v) return 0;
  const double a = v < 0 ? -v : v;
  double slack = kTruncSlack + a * kTruncRelSlack;
  if (slack > kTruncSlackMax) slack = kTruncSlackMax;
  const double corrected = v < 0 ? v - slack : v + slack;
  // The bounds are powers of two, exact as doubles.
  constexpr double hi = -static_cast<double>(std::numeric_limits<Int>::min());
  if (corrected >= hi) return std::numeric_limits<Int>::max();
  if (corrected <= -hi) return std::numeric_limits<Int>::min();
  return static_cast<Int>(corrected);
}
inline int64_t trunc_file_unit(double v) noexcept { return trunc_slack<int64_t>(v); }
inline int32_t trunc_file_unit32(double v) noexcept { return trunc_slack<int32_t>(v); }

// Integer scanning shared by the readers: digits as the C library reads
// them into a 32-bit long, saturating instead of overflowing.
constexpr int64_t kIntReadMax = 2147483647;
constexpr int64_t kIntReadMin = -2147483647 - 1;

// Up to eight digits at once (the coordinates of plotter and photoplotter
// files have four to six): the number of leading digits among the eight
// bytes at p (the caller makes sure there are eight), and their value when
// there are 1 to 7 or exactly 8.
//
// A byte b is a digit when neither b + 0x46 (b > '9') nor b - 0x30 (b < '0')
// sets its top bit. Carries and borrows only leave a byte at one that is no
// digit, so they can only spoil bytes after the first non-digit. The value:
// the digits shifted to the top of the word (as if led by zeros), then
// pairs, fours and eights of digits combined by multiplication.
inline uint64_t load_le64(const uint8_t* p) {
  uint64_t w = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&w, p, sizeof w);
  } else {
    for (int i = 7; i >= 0; --i) w = (w << 8) | p[i];
  }
  return w;
}

inline uint32_t leading_digits(const uint8_t* p, uint64_t& value) {
  const uint64_t w = load_le64(p);
  const uint64_t not_digit = ((w + 0x4646464646464646u) | (w - 0x3030303030303030u)) & 0x8080808080808080u;
  const auto n = static_cast<uint32_t>(not_digit ? std::countr_zero(not_digit) / 8 : 8);
  if (n == 0) return 0;
  uint64_t d = (w - 0x3030303030303030u) << (8 * (8 - n));
  d = d * 10 + (d >> 8);
  d = ((d & 0x000000FF000000FFu) * (100 + (1000000ull << 32)) +
       ((d >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32))) >>
      32;
  value = d;
  return n;
}

}  // namespace fgb::conv

#endif
