#include "apertures.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>

namespace kalvex::cli {

namespace {

// Each line is read up to this many characters.
constexpr size_t kLineMax = 99;

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// "%d%f" at the start of a line, independent of the process locale.
bool parse_line(std::string_view line, int& number, float& size) {
  const char* p = line.data();
  const char* end = p + line.size();
  while (p < end && is_space(*p)) ++p;
  if (p < end && *p == '+') ++p;
  long n = 0;
  auto r = std::from_chars(p, end, n);
  if (r.ec != std::errc()) return false;
  p = r.ptr;
  while (p < end && is_space(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  double v = 0;
  const auto f = std::from_chars(p, end, v);
  if (f.ec != std::errc()) return false;
  if (n < 0 || n >= kApertureCount) return false;
  number = static_cast<int>(n);
  size = static_cast<float>(negative ? -v : v);
  return true;
}

}  // namespace

int parse_apertures(const std::string& text, Apertures& t) {
  int usable = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t lf = text.find('\n', at);
    if (lf == std::string::npos) lf = text.size();
    const std::string_view line(text.data() + at, std::min(lf - at, kLineMax));
    int number;
    float size;
    if (parse_line(line, number, size)) {
      t.sizes[static_cast<size_t>(number)] = size;
      ++usable;
    }
    at = lf + 1;
  }
  t.sorted = t.sizes;
  std::sort(t.sorted.begin(), t.sorted.end());
  return usable;
}

bool load_apertures(const std::string& path, Apertures& t, int& err) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    err = errno;
    return false;
  }
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  const bool failed = std::ferror(f) != 0;
  err = failed ? EIO : 0;
  std::fclose(f);
  if (failed) return false;
  parse_apertures(text, t);
  return true;
}

}  // namespace kalvex::cli
