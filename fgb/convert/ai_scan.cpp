// Lines and sscanf-style conversions of the Illustrator reader.
#include "ai_scan_p.h"

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
    const auto r = std::from_chars(digits, value_end, v, hex ? std::chars_format::hex : std::chars_format::general);
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

int scan_numbers_op(std::string_view line, int numbers, double* values, char& op) noexcept {
  const char* p = line.data();
  const char* end = p + line.size();
  // The blank between two conversions skips white space, as "%f" does by
  // itself: they need no separate handling.
  for (int i = 0; i < numbers; ++i)
    if (!scan_float(p, end, values[i])) return i;
  while (p < end && is_space(*p)) ++p;
  if (p == end) return numbers;
  op = *p;
  return numbers + 1;
}

std::string_view first_word(std::string_view line, size_t width) noexcept {
  size_t i = 0;
  while (i < line.size() && is_space(line[i])) ++i;
  size_t j = i;
  while (j < line.size() && j - i < width && !is_space(line[j])) ++j;
  return line.substr(i, j - i);
}

}  // namespace fgb::conv::ai
