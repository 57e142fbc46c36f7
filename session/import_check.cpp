#include <session/import_check.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace kalvex::session {

namespace {

// How much of the start is looked at.
constexpr size_t kProbe = 4096;
// A PCAD plot file's header: 16 bytes, then the count of 8-byte entries.
constexpr size_t kPlotHeader = 20;
// Text: at most this share of the probe may be other than printable ASCII,
// white space and the escape of device-control prefixes.
constexpr size_t kMaxBinaryPercent = 2;

bool fits_pcad_plot(const unsigned char* head, size_t got, uint64_t file_size) {
  if (file_size < kPlotHeader || got < kPlotHeader) return false;
  const uint64_t entries =
      head[16] | (head[17] << 8) | (uint64_t{head[18]} << 16) | (uint64_t{head[19]} << 24);
  return kPlotHeader + 8 * entries <= file_size;
}

}  // namespace

bool looks_like_hpgl_text(const unsigned char* head, size_t got) {
  if (got == 0) return false;
  size_t binary = 0;
  for (size_t i = 0; i < got; ++i) {
    const unsigned char c = head[i];
    if (c == 0) return false;
    if (!(c >= 0x20 && c < 0x7f) && c != '\n' && c != '\r' && c != '\t' && c != 0x1b) ++binary;
  }
  if (binary * 100 > got * kMaxBinaryPercent) return false;
  const std::string_view text(reinterpret_cast<const char*>(head), got);
  for (const char* m : {"IN;", "IN\n", "PU", "PD", "PA", "SP", "DF;"}) {
    const size_t at = text.find(m);
    if (at == std::string_view::npos) continue;
    // A mnemonic is followed by a number, a separator or the end of the text.
    const size_t next = at + std::strlen(m);
    if (m[2] || next == got) return true;
    const char c = text[next];
    if ((c >= '0' && c <= '9') || c == '-' || c == ';' || c == ',' || c == ' ' || c == '\n' || c == '\r')
      return true;
  }
  return false;
}

namespace {
bool looks_like_hpgl(const unsigned char* head, size_t got) { return looks_like_hpgl_text(head, got); }
}  // namespace

std::string hpgl_in_pcad_plot(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};  // the reader reports what is wrong with opening it
  unsigned char head[kProbe];
  const size_t got = std::fread(head, 1, sizeof head, f);
  struct stat st;
  const uint64_t size = ::fstat(fileno(f), &st) == 0 ? static_cast<uint64_t>(st.st_size) : got;
  std::fclose(f);
  if (fits_pcad_plot(head, got, size) || !looks_like_hpgl(head, got)) return {};
  return "it looks like HPGL text, not a PCAD plot file; read it with --from hpgl";
}

bool parse_layer(const std::string& text, int& layer) {
  long v = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, v);
  if (r.ec != std::errc() || r.ptr != end || v < -32768 || v > 65535) return false;
  layer = static_cast<int>(v);
  return true;
}

}  // namespace kalvex::session
