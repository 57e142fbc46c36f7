// Group-code / value pairs and the numbers of their values.
#include "convert/dxf_pairs_p.h"
#include "convert/digits_p.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>

namespace fgb::conv::dxf {

namespace {

inline bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
inline bool is_digit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// A sign, then where the digits start; the caller checks that one does.
const char* sign(const char* p, const char* end, bool& negative) {
  negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  return p;
}

// Decimal digits as a C long reads them: saturated at its range.
const char* digits(const char* p, const char* end, bool negative, int64_t& out) {
  uint64_t v = 0;
  for (; p < end && is_digit(*p); ++p)
    if (v <= uint64_t{kIntReadMax}) v = v * 10 + static_cast<uint64_t>(*p - '0');
  const auto s = static_cast<int64_t>(std::min<uint64_t>(v, uint64_t{kIntReadMax}));
  out = negative ? -s : s;
  return p;
}

}  // namespace

std::string_view trim(std::string_view v) noexcept {
  size_t b = 0, e = v.size();
  while (b < e && is_blank(v[b])) ++b;
  while (e > b && is_blank(v[e - 1])) --e;
  return v.substr(b, e - b);
}

// ---- the cursor --------------------------------------------------------------

// Where the line from i ends: the first LF or CR. Eight bytes at a time
// while eight are there: a byte below 14 (LF and CR among them) sets the
// top bit of its byte of (w - 0x0E..0E) & ~w & 0x80..80, and the first one
// set is the first such byte (borrows run only above it); any but LF and CR
// (a tab, say) is stepped over.
inline size_t line_end(const uint8_t* d, size_t i, size_t end) noexcept {
  constexpr uint64_t kOnes = 0x0101010101010101u;
  while (end - i >= 8) {
    const uint64_t w = load_le64(d + i);
    uint64_t low = (w - 14 * kOnes) & ~w & (0x80 * kOnes);
    while (low) {
      const size_t k = i + static_cast<size_t>(std::countr_zero(low) / 8);
      if (d[k] == '\n' || d[k] == '\r') return k;
      low &= low - 1;
    }
    i += 8;
  }
  while (i < end && d[i] != '\n' && d[i] != '\r') ++i;
  return i;
}

// Past the line end at i (LF, CR, or CR LF).
inline size_t past_line_end(const uint8_t* d, size_t i, size_t end) noexcept {
  if (i < end) {
    if (d[i] == '\r' && i + 1 < end && d[i + 1] == '\n') ++i;
    ++i;
  }
  return i;
}

inline bool is_code_blank(uint8_t c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// The code line read in place: blanks, an optional sign, digits, blanks.
bool PairCursor::read_pair(Pair& p) noexcept {
  if (broken_ || pos_ >= end_) return false;
  const uint8_t* d = data_;
  size_t i = pos_;
  p.offset = i;
  // Most code lines are one to three digits right-aligned in three
  // places, or left-aligned: told apart by looking at four bytes.
  if (end_ - i >= 4) {
    const auto digit = [&](size_t k) { return static_cast<uint8_t>(d[k] - '0') < 10; };
    const auto ends = [&](size_t k) { return d[k] == '\n' || d[k] == '\r'; };
    int code = -1;
    size_t after = 0;
    if (d[i] == ' ' && d[i + 1] == ' ' && digit(i + 2) && ends(i + 3)) {
      code = d[i + 2] - '0', after = i + 3;
    } else if (d[i] == ' ' && digit(i + 1) && digit(i + 2) && ends(i + 3)) {
      code = (d[i + 1] - '0') * 10 + (d[i + 2] - '0'), after = i + 3;
    } else if (digit(i) && ends(i + 1)) {
      code = d[i] - '0', after = i + 1;
    } else if (digit(i) && digit(i + 1) && ends(i + 2)) {
      code = (d[i] - '0') * 10 + (d[i + 1] - '0'), after = i + 2;
    }
    if (code >= 0) {
      i = past_line_end(d, after, end_);
      if (i >= end_) return false;  // a code without its value: the data is cut
      const size_t value_end = line_end(d, i, end_);
      p.code = code;
      p.value = std::string_view(reinterpret_cast<const char*>(d + i), value_end - i);
      pos_ = past_line_end(d, value_end, end_);
      ++count_;
      return true;
    }
  }
  while (i < end_ && is_code_blank(d[i])) ++i;
  bool negative = false;
  if (i < end_ && (d[i] == '-' || d[i] == '+')) negative = d[i++] == '-';
  const size_t first = i;
  uint32_t v = 0;
  while (i < end_ && is_digit(static_cast<char>(d[i]))) {
    if (v <= 0x7fffffff) v = v * 10 + static_cast<uint32_t>(d[i] - '0');
    ++i;
  }
  const size_t digits_end = i;
  while (i < end_ && is_code_blank(d[i])) ++i;
  if (i == first || digits_end == first || v > 0x7fffffff || (i < end_ && d[i] != '\n' && d[i] != '\r')) {
    broken_ = true;
    return false;
  }
  i = past_line_end(d, i, end_);
  if (i >= end_) return false;  // a code without its value: the data is cut
  const size_t value_end = line_end(d, i, end_);
  p.code = negative ? -static_cast<int>(v) : static_cast<int>(v);
  p.value = std::string_view(reinterpret_cast<const char*>(d + i), value_end - i);
  pos_ = past_line_end(d, value_end, end_);
  ++count_;
  return true;
}

// ---- numbers -----------------------------------------------------------------

namespace {

// Exact powers of ten: every one up to 1e22 is a double without rounding.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr uint64_t kMaxExactMantissa = uint64_t{1} << 53;

// Digits with a point and nothing after them but blanks (the numbers DXF
// writers print): an integer mantissa below 2^53 divided by an exact power
// of ten is rounded once, to the value from_chars gives. False for
// anything else, which from_chars then reads.
bool plain_decimal(const char* q, const char* end, double& x) {
  // The mantissa may wrap past 18 digits; such a number is not taken here.
  uint64_t m = 0;
  const char* s = q;
  while (s < end && is_digit(*s)) m = m * 10 + static_cast<uint64_t>(*s++ - '0');
  ptrdiff_t digits = s - q, fraction = 0;
  if (s < end && *s == '.') {
    const char* f = ++s;
    while (s < end && is_digit(*s)) m = m * 10 + static_cast<uint64_t>(*s++ - '0');
    fraction = s - f;
    digits += fraction;
  }
  for (; s < end; ++s)
    if (!is_blank(*s)) return false;
  if (digits == 0 || digits > 18 || m >= kMaxExactMantissa) return false;
  x = fraction > 0 ? static_cast<double>(m) / kPow10[fraction] : static_cast<double>(m);
  return true;
}

// Up to eight digits, a point and up to seven more, eight bytes at a time:
// the numbers as DXF writers print them ("%f"). Needs eight readable bytes
// from each run of digits, which readable (the end of the data) tells.
bool printed_decimal(const char* q, const char* end, const char* readable, double& x) {
  if (readable - q < 8) return false;
  uint64_t whole = 0, part = 0;
  const uint32_t n = leading_digits(reinterpret_cast<const uint8_t*>(q), whole);
  if (n == 8) return false;
  q += n;
  uint32_t k = 0;
  if (q < end && *q == '.') {
    ++q;
    if (readable - q < 8) return false;
    k = leading_digits(reinterpret_cast<const uint8_t*>(q), part);
    if (k == 8) return false;
    q += k;
  }
  if (n + k == 0) return false;
  for (; q < end; ++q)
    if (!is_blank(*q)) return false;
  // At most 14 digits: the mantissa is below 2^53.
  const double m = static_cast<double>(n ? whole * static_cast<uint64_t>(kPow10[k]) + part : part);
  x = k ? m / kPow10[k] : m;
  return true;
}

}  // namespace

bool to_real(std::string_view v, double& out, const char* readable) noexcept {
  const char* p = v.data();
  const char* end = p + v.size();
  while (p < end && is_blank(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  double x;
  if (p < end && (is_digit(*p) || *p == '.') && printed_decimal(p, end, readable, x)) {
    out = negative ? -x : x;
    return true;
  }
  return to_real(v, out);
}

bool to_real(std::string_view v, double& out) noexcept {
  const char* p = v.data();
  const char* end = p + v.size();
  while (p < end && is_blank(*p)) ++p;
  bool negative;
  const char* q = sign(p, end, negative);
  if (q == end || !(is_digit(*q) || *q == '.')) return false;
  double x = 0;
  if (plain_decimal(q, end, x)) {
    out = negative ? -x : x;
    return true;
  }
  const auto r = std::from_chars(q, end, x, std::chars_format::general);
  if (r.ec == std::errc::invalid_argument) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Underflow reads as zero; overflow is not a usable number.
    bool negative_exponent = false;
    for (const char* e = q; e + 1 < r.ptr; ++e)
      if ((*e == 'e' || *e == 'E') && e[1] == '-') negative_exponent = true;
    if (!negative_exponent) return false;
    x = 0.0;
  }
  if (!std::isfinite(x)) return false;
  out = negative ? -x : x;
  return true;
}

bool PairCursor::real(const Pair& p, double& out) const noexcept {
  return to_real(p.value, out, reinterpret_cast<const char*>(data_ + end_));
}

namespace {

// The integer v starts with, after blanks and a sign; false when it starts
// with none.
bool leading_integer(std::string_view v, int64_t& s) noexcept {
  const char* p = v.data();
  const char* end = p + v.size();
  while (p < end && is_blank(*p)) ++p;
  bool negative;
  const char* q = sign(p, end, negative);
  if (q == end || !is_digit(*q)) return false;
  digits(q, end, negative, s);
  return true;
}

}  // namespace

bool to_int16(std::string_view v, int16_t& out) noexcept {
  int64_t s;
  if (!leading_integer(v, s)) return false;
  out = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(s) & 0xffffu));
  return true;
}

bool to_int32(std::string_view v, int32_t& out) noexcept {
  int64_t s;
  if (!leading_integer(v, s)) return false;
  out = static_cast<int32_t>(std::max<int64_t>(s, kIntReadMin));
  return true;
}

}  // namespace fgb::conv::dxf
