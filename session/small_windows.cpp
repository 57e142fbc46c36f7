#include <session/small_windows.h>

#include <charconv>
#include <cmath>
#include <cstdint>

namespace kalvex::session {

namespace {

// General format with up to 10 significant digits; the values here are
// whole numbers.
std::string general(long long v) { return std::to_string(v); }

}  // namespace

ElapsedLabels elapsed_labels(float t) {
  ElapsedLabels l;
  if (!(t >= 0) || !std::isfinite(t)) return l;
  // Truncating integer arithmetic, as the timing window has it.
  const double whole = std::trunc(double(t));
  if (whole > 9.0e15) return l;
  const long long ts = static_cast<long long>(whole);
  const long long s = ts % 60;
  const long long m_total = static_cast<long long>(std::trunc(double(t) / 60.0));
  const long long m = m_total % 60;
  const long long h = m_total / 60;
  if (h != 0) l.hours = general(h) + "  час";
  if (m != 0) l.minutes = general(m) + "  мин.";
  if (s != 0) l.seconds = general(s) + "  сек.";
  return l;
}

bool parse_layer_number(const std::string& text, int& out) {
  const char* p = text.data();
  const char* e = p + text.size();
  while (p != e && (*p == ' ' || *p == '\t')) ++p;
  bool negative = false;
  if (p != e && (*p == '-' || *p == '+')) negative = *p++ == '-';
  int base = 10;
  if (p != e && *p == '$') {
    base = 16;
    ++p;
  } else if (e - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  if (p == e) return false;
  uint64_t v = 0;
  const auto r = std::from_chars(p, e, v, base);
  if (r.ec != std::errc() || r.ptr != e) return false;
  // Hexadecimal takes the full 32 bits, as the platform's conversion does.
  if (base == 16 ? v > 0xFFFFFFFFull : v > (negative ? 2147483648ull : 2147483647ull)) return false;
  const int64_t signed_v = base == 16 ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(v)))
                                      : static_cast<int64_t>(v);
  out = static_cast<int>(negative ? -signed_v : signed_v);
  return true;
}

}  // namespace kalvex::session
