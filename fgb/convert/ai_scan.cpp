// Lines and sscanf-style conversions of the Illustrator reader.
#include "convert/ai_scan_p.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace fgb::conv::ai {

namespace {

// The longest stretch searched for a line feed: a line of kLineMax
// characters, a carriage return and the line feed itself.
constexpr size_t kLineWindow = kLineMax + 2;

inline char lower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
inline bool is_digit(char c) noexcept { return static_cast<unsigned char>(c - '0') < 10; }
inline bool is_hex_digit(char c) noexcept {
  const char l = lower(c);
  return is_digit(c) || (l >= 'a' && l <= 'f');
}

// word (lower case) at s, compared without regard to case.
bool starts_with_ci(const char* s, const char* end, const char* word) noexcept {
  for (; *word; ++word, ++s)
    if (s == end || lower(*s) != *word) return false;
  return true;
}

// Runs of digits of a mantissa: digits, an optional point, digits. Returns
// the end; count receives the number of digits.
template <typename IsDigit>
const char* mantissa(const char* s, const char* end, IsDigit digit, size_t& count) noexcept {
  const char* q = s;
  while (q < end && digit(*q)) ++q;
  count = static_cast<size_t>(q - s);
  if (q < end && *q == '.') {
    const char* f = ++q;
    while (q < end && digit(*q)) ++q;
    count += static_cast<size_t>(q - f);
  }
  return q;
}

// An exponent at q (letter, optional sign, digits). The C library takes
// the letter and the sign along even when no digit follows; the value then
// ends before the letter. Returns where the text ends; value_end where the
// number's value ends. negative tells the exponent's sign.
const char* exponent(const char* q, const char* end, char letter, const char*& value_end,
                     bool& negative) noexcept {
  value_end = q;
  negative = false;
  if (q == end || lower(*q) != letter) return q;
  const char* e = q + 1;
  if (e < end && (*e == '+' || *e == '-')) {
    negative = *e == '-';
    ++e;
  }
  if (e < end && is_digit(*e)) {
    while (e < end && is_digit(*e)) ++e;
    value_end = e;
  } else {
    negative = false;
  }
  return e;
}

// Exact powers of ten: every one up to 1e22 is a double without rounding.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPow10 = 22;
constexpr uint64_t kMaxExactMantissa = uint64_t{1} << 53;

// The value of a decimal number of few digits, [s, mantissa_end) digits
// with a point and [mantissa_end, value_end) an exponent or nothing, when
// it can be had with one rounding: an integer mantissa below 2^53 times or
// divided by an exact power of ten is the correctly rounded value, the
// same that from_chars gives. False for anything else (the caller falls
// back to from_chars).
bool exact_decimal(const char* s, const char* mantissa_end, const char* value_end, double& v) noexcept {
  uint64_t m = 0;
  int digits = 0;
  int exp10 = 0;
  bool fraction = false;
  for (const char* c = s; c < mantissa_end; ++c) {
    if (*c == '.') {
      fraction = true;
      continue;
    }
    if (++digits > 18) return false;
    m = m * 10 + static_cast<uint64_t>(*c - '0');
    if (fraction) --exp10;
  }
  if (m > kMaxExactMantissa) return false;
  if (value_end > mantissa_end) {
    const char* e = mantissa_end + 1;
    bool negative = false;
    if (*e == '+' || *e == '-') negative = *e++ == '-';
    if (value_end - e > 4) return false;
    int x = 0;
    for (; e < value_end; ++e) x = x * 10 + (*e - '0');
    exp10 += negative ? -x : x;
  }
  if (exp10 < -kMaxExactPow10 || exp10 > kMaxExactPow10) return false;
  const double d = static_cast<double>(m);
  v = exp10 >= 0 ? d * kPow10[exp10] : d / kPow10[-exp10];
  return true;
}

}  // namespace

bool LineReader::next(std::string_view& line) noexcept {
  const size_t left = static_cast<size_t>(end_ - p_);
  const size_t window = left < kLineWindow ? left : kLineWindow;
  const auto* lf = static_cast<const uint8_t*>(std::memchr(p_, '\n', window));
  const uint8_t* text = p_;
  size_t len;
  if (lf && static_cast<size_t>(lf - p_) - (lf > p_ && lf[-1] == '\r' ? 1 : 0) <= kLineMax) {
    len = static_cast<size_t>(lf - p_);
    if (len > 0 && lf[-1] == '\r') --len;
    p_ = lf + 1;
  } else {
    // No line feed within reach: the line is cut after kLineMax characters
    // and the next character is consumed in its place - unless the data
    // ends first, which ends the lines.
    if (left <= kLineMax) {
      p_ = end_;
      return false;
    }
    len = kLineMax;
    p_ += kLineMax + 1;
  }
  const void* nul = std::memchr(text, 0, len);
  if (nul) len = static_cast<size_t>(static_cast<const uint8_t*>(nul) - text);
  line = std::string_view(reinterpret_cast<const char*>(text), len);
  return true;
}

bool scan_float(const char*& p, const char* end, double& value) noexcept {
  const char* s = p;
  while (s < end && is_space(*s)) ++s;
  bool negative = false;
  if (s < end && (*s == '+' || *s == '-')) {
    negative = *s == '-';
    ++s;
  }
  if (s == end) return false;
  const char c = lower(*s);
  double v = 0.0;
  if (c == 'i') {
    if (!starts_with_ci(s, end, "inf")) return false;
    s += 3;
    if (s < end && lower(*s) == 'i') {
      if (!starts_with_ci(s, end, "inity")) return false;
      s += 5;
    }
    v = std::numeric_limits<double>::infinity();
  } else if (c == 'n') {
    if (!starts_with_ci(s, end, "nan")) return false;
    s += 3;
    v = std::numeric_limits<double>::quiet_NaN();
  } else {
    const bool hex = *s == '0' && end - s >= 2 && lower(s[1]) == 'x';
    const char* digits = hex ? s + 2 : s;
    size_t count = 0;
    const char* q = hex ? mantissa(digits, end, is_hex_digit, count) : mantissa(digits, end, is_digit, count);
    if (count == 0) return false;
    const char* value_end;
    bool negative_exponent;
    s = exponent(q, end, hex ? 'p' : 'e', value_end, negative_exponent);
    if (!hex && exact_decimal(digits, q, value_end, v)) {
      value = negative ? -v : v;
      p = s;
      return true;
    }
    const auto r =
        std::from_chars(digits, value_end, v, hex ? std::chars_format::hex : std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
      // Too small for a double reads as zero, too large as infinite.
      v = negative_exponent ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (r.ec != std::errc()) {
      return false;
    }
  }
  value = negative ? -v : v;
  p = s;
  return true;
}

int scan_numbers(std::string_view line, int max, double* values, char* after, size_t& rest) noexcept {
  const char* p = line.data();
  const char* end = p + line.size();
  // The blank between two conversions skips white space, as "%f" and "%1s"
  // do by themselves: it needs no handling of its own.
  int n = 0;
  while (n < max && scan_float(p, end, values[n])) {
    while (p < end && is_space(*p)) ++p;
    after[n++] = p < end ? *p : '\0';
  }
  rest = static_cast<size_t>(p - line.data());
  return n;
}

int scan_numbers(std::string_view line, int max, double* values, char* after) noexcept {
  size_t rest;
  return scan_numbers(line, max, values, after, rest);
}

std::string_view word_at(std::string_view text) noexcept {
  size_t i = 0;
  while (i < text.size() && is_space(text[i])) ++i;
  size_t j = i;
  while (j < text.size() && !is_space(text[j])) ++j;
  return text.substr(i, j - i);
}

std::string_view first_word(std::string_view line, size_t width) noexcept {
  size_t i = 0;
  while (i < line.size() && is_space(line[i])) ++i;
  size_t j = i;
  while (j < line.size() && j - i < width && !is_space(line[j])) ++j;
  return line.substr(i, j - i);
}

}  // namespace fgb::conv::ai
