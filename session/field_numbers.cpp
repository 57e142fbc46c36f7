#include <session/field_numbers.h>

#include <charconv>
#include <climits>
#include <cmath>

namespace kalvex::session {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::optional<double> parse_field_number(std::string_view text, const NumberStyle& style) {
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  // The user's separator becomes '.', once; from_chars then reads the rest
  // with the C rules and no locale.
  std::string s;
  s.reserve(text.size());
  bool separator = false;
  for (std::size_t i = 0; i < text.size();) {
    const std::string_view rest = text.substr(i);
    const bool users = !style.decimal.empty() && style.decimal != "." && rest.starts_with(style.decimal);
    if (users || rest.front() == '.') {
      if (separator) return std::nullopt;
      separator = true;
      s += '.';
      i += users ? style.decimal.size() : 1;
      continue;
    }
    const char c = rest.front();
    const bool allowed = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'e' || c == 'E';
    if (!allowed) return std::nullopt;  // no "inf", "nan", hexadecimal or group separators
    s += c;
    ++i;
  }
  const char* b = s.data();
  const char* e = b + s.size();
  // from_chars takes a minus sign only: skip one plus, but not "+-1".
  if (b != e && *b == '+') {
    ++b;
    if (b != e && *b == '-') return std::nullopt;
  }
  double v = 0;
  const auto r = std::from_chars(b, e, v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != e || !std::isfinite(v)) return std::nullopt;
  return v;
}

long parse_field_integer(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && blank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > 2147483648LL) v = 2147483648LL;  // held at the range's end
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<long>(v);
}

std::optional<int64_t> parse_element_count(std::string_view text, std::string_view group) {
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  int64_t v = 0;
  int group_digits = -1;  // digits since the last separator; -1 before the first one
  int digits = 0;
  const auto separator_at = [&](std::string_view rest) -> size_t {
    for (std::string_view sep :
         {group, std::string_view(" "), std::string_view("\xc2\xa0"), std::string_view("\xe2\x80\xaf")})
      if (!sep.empty() && rest.substr(0, sep.size()) == sep) return sep.size();
    return 0;
  };
  while (!text.empty()) {
    const char c = text.front();
    if (c >= '0' && c <= '9') {
      if (v > (INT64_MAX - (c - '0')) / 10) return std::nullopt;
      v = v * 10 + (c - '0');
      ++digits;
      if (group_digits >= 0) ++group_digits;
      text.remove_prefix(1);
      continue;
    }
    const size_t n = separator_at(text);
    // A separator stands between groups of three, after one to three digits.
    if (n == 0 || digits == 0 || (group_digits < 0 ? digits > 3 : group_digits != 3)) return std::nullopt;
    group_digits = 0;
    text.remove_prefix(n);
  }
  if (group_digits >= 0 && group_digits != 3) return std::nullopt;
  return v;
}

std::string format_general(double v, int digits, const NumberStyle& style) {
  if (v == 0) return "0";  // no "-0"
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
  std::string s(buf, r.ptr);
  if (style.decimal != ".")
    if (const auto dot = s.find('.'); dot != std::string::npos) s.replace(dot, 1, style.decimal);
  return s;
}

std::string not_a_number(const std::string& field, std::string_view text) {
  // Appended piece by piece: GCC 12's optimiser warns (-Wrestrict) of a
  // false overlap in "literal" + string.
  std::string msg = "\"";
  msg += text;
  msg += "\" is not a number (field \"";
  msg += field;
  msg += "\")";
  return msg;
}

FieldRead read_field(const std::string& field, std::string_view text, const NumberStyle& style) {
  FieldRead r;
  if (const auto v = parse_field_number(text, style))
    r.value = *v;
  else
    r.error = not_a_number(field, text);
  return r;
}

}  // namespace kalvex::session
