// Group-code / value pairs and the numbers of their values.
#include "convert/dxf_pairs_p.h"
#include "convert/digits_p.h"

#include <algorithm>
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

std::string_view PairCursor::line() noexcept {
  const auto* start = reinterpret_cast<const char*>(data_ + pos_);
  size_t i = pos_;
  while (i < end_ && data_[i] != '\n' && data_[i] != '\r') ++i;
  const std::string_view text(start, i - pos_);
  if (i < end_) {
    if (data_[i] == '\r' && i + 1 < end_ && data_[i + 1] == '\n') ++i;
    ++i;
  }
  pos_ = i;
  return text;
}

bool PairCursor::read_pair(Pair& p) noexcept {
  if (broken_ || pos_ >= end_) return false;
  p.offset = pos_;
  const std::string_view code = trim(line());
  if (pos_ >= end_) return false;  // a code without its value: the data is cut
  const char* c = code.data();
  const char* e = c + code.size();
  bool negative;
  const char* d = sign(c, e, negative);
  int64_t v = 0;
  if (d == e || !is_digit(*d) || digits(d, e, negative, v) != e || v > 0x7fffffff || v < -0x7fffffff) {
    broken_ = true;
    return false;
  }
  p.code = static_cast<int>(v);
  p.value = line();
  ++count_;
  return true;
}

// ---- numbers -----------------------------------------------------------------

bool to_real(std::string_view v, double& out) noexcept {
  const char* p = v.data();
  const char* end = p + v.size();
  while (p < end && is_blank(*p)) ++p;
  bool negative;
  const char* q = sign(p, end, negative);
  if (q == end || !(is_digit(*q) || *q == '.')) return false;
  double x = 0;
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

bool to_int16(std::string_view v, int16_t& out) noexcept {
  const char* p = v.data();
  const char* end = p + v.size();
  while (p < end && is_blank(*p)) ++p;
  bool negative;
  const char* q = sign(p, end, negative);
  if (q == end || !is_digit(*q)) return false;
  int64_t s;
  digits(q, end, negative, s);
  out = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(s) & 0xffffu));
  return true;
}

bool to_int32(std::string_view v, int32_t& out) noexcept {
  const char* p = v.data();
  const char* end = p + v.size();
  while (p < end && is_blank(*p)) ++p;
  bool negative;
  const char* q = sign(p, end, negative);
  if (q == end || !is_digit(*q)) return false;
  int64_t s;
  digits(q, end, negative, s);
  out = static_cast<int32_t>(std::max<int64_t>(s, kIntReadMin));
  return true;
}

}  // namespace fgb::conv::dxf
