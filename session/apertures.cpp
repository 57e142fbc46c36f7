#include <session/apertures.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvex::session {

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
  sort_apertures(t);
  return usable;
}

bool load_apertures(const std::string& path, Apertures& t, int& err) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    err = errno;
    return false;
  }
  struct stat st;
  if (::fstat(::fileno(f), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode))) {
    std::fclose(f);
    err = kApertureNotAFile;
    return false;
  }
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() <= kApertureFileMax) text.append(buf, n);
  const int read_err = std::ferror(f) != 0 ? (errno != 0 ? errno : EIO) : 0;
  std::fclose(f);
  err = read_err != 0 ? read_err : text.size() > kApertureFileMax ? kApertureTooLong : 0;
  if (err != 0) return false;
  parse_apertures(text, t);
  return true;
}

void sort_apertures(Apertures& t) {
  t.sorted = t.sizes;
  auto& a = t.sorted;
  for (int j = 0; j + 1 < kApertureCount; ++j)
    for (int i = kApertureCount - 1; i > j; --i)
      if (a[size_t(i)] < a[size_t(i - 1)]) std::swap(a[size_t(i)], a[size_t(i - 1)]);
}

std::string usable_aperture_lines(const std::string& text, std::array<float, kApertureCount>& sizes) {
  std::string shown;
  size_t at = 0;
  while (at < text.size()) {
    size_t lf = text.find('\n', at);
    if (lf == std::string::npos) lf = text.size();
    std::string_view line(text.data() + at, lf - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    int number;
    float size;
    if (parse_line(line.substr(0, std::min(line.size(), kLineMax)), number, size)) {
      sizes[static_cast<size_t>(number)] = size;
      if (!shown.empty()) shown += '\n';
      shown += line;
    }
    at = lf + 1;
  }
  return shown;
}

bool save_text_file(const std::string& path, const std::string& text, std::string& error) {
  const std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int write_errno = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    error = "cannot write '" + path + "': " + std::strerror(written ? errno : write_errno);
    std::remove(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

namespace {

bool slurp(const std::string& path, std::string& text) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

}  // namespace

bool AperturesEditor::read(const std::string& path, std::string& shown) {
  std::string text;
  if (!slurp(path, text)) return false;
  shown = usable_aperture_lines(text, table_);
  return true;
}

bool AperturesEditor::save(const std::string& path, const std::string& text, Apertures& main,
                           std::string& error) {
  if (!save_text_file(path, text, error)) return false;
  std::string back;
  if (slurp(path, back)) usable_aperture_lines(back, table_);
  main.sizes = table_;
  sort_apertures(main);
  return true;
}

}  // namespace kalvex::session
