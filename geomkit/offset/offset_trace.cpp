// Developer trace of the offset engine (see offset_trace_p.h).
//
// The routine log follows the engine's long-standing habit: the first
// traced routine entry of the process empties __err.$_C and writes nothing,
// later entries append "name  1", inconsistencies "name  code". Traced calls
// are serialised by one mutex so that concurrent calls never interleave
// their lines.
#include "offset/offset_trace_p.h"

#include "offset/offset_engine_p.h"

#include <charconv>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <string_view>

namespace geomkit::offset {

namespace {

std::mutex g_trace_mutex;
bool g_log_started = false;  // guarded by g_trace_mutex
uint64_t g_log_bytes = 0;    // written to the log since it was emptied; guarded too

// The log stops growing here (a large input logs every routine entry of a
// long sweep: hundreds of megabytes); a last line says so.
constexpr uint64_t kMaxLogBytes = uint64_t{16} << 20;
uint64_t g_log_cap = kMaxLogBytes;  // guarded by g_trace_mutex

// Opens a trace file in the folder for writing without ever following a
// symbolic link or writing into anything but a regular file: the folder
// may be shared, and a link planted there must not redirect our writes.
// A fresh file replaces the old one by exclusive creation (the old name,
// whatever it is, is unlinked first: a link goes, its target stays);
// appending reaches only a regular file. Null when it cannot be had.
std::FILE* open_trace(const std::string& path, bool append) {
  int fd = -1;
  if (append) {
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
      ::close(fd);
      return nullptr;
    }
    if (fd >= 0) (void)::fcntl(fd, F_SETFL, O_APPEND);
  }
  if (fd < 0) {
    if (!append) (void)::unlink(path.c_str());
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  }
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, append ? "a" : "w");
  if (!f) ::close(fd);
  return f;
}

// Formatting without the C locale: "%12.9f", "%ld" and friends.
class Out {
 public:
  explicit Out(std::FILE* f) : f_(f) {}
  ~Out() {
    if (f_) std::fclose(f_);
  }
  Out(const Out&) = delete;
  Out& operator=(const Out&) = delete;
  explicit operator bool() const { return f_ != nullptr; }

  Out& s(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), f_);
    return *this;
  }
  Out& i(long v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return s(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
  }
  // Fixed notation with the given decimals, right-aligned in width.
  Out& f(double v, int width = 12, int decimals = 9) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return s("?");
    size_t len = static_cast<size_t>(r.ptr - buf);
    for (size_t k = len; k < static_cast<size_t>(width); ++k) s(" ");
    return s(std::string_view(buf, len));
  }

 private:
  std::FILE* f_;
};

void write_nodes(Out& o, const std::vector<Node>& nodes) {
  for (const Node& nd : nodes) {
    o.s("par ,").f(nd.par).s(" \n");
    o.s("ind_inters ,").i(nd.partner).s(" \n");
  }
}

}  // namespace

OffsetTrace::OffsetTrace() {
  const char* dir = std::getenv("KALVEX_OFFSET_TRACE_DIR");
  if (!dir || !*dir) return;
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return;
  dir_ = dir;
  on_ = true;
  lock_ = std::unique_lock<std::mutex>(g_trace_mutex);
}

uint64_t OffsetTrace::set_log_cap(uint64_t bytes) {
  std::lock_guard<std::mutex> hold(g_trace_mutex);
  const uint64_t old = g_log_cap;
  g_log_cap = bytes;
  return old;
}

OffsetTrace::~OffsetTrace() {
  if (log_) std::fclose(log_);
}

std::string OffsetTrace::path(const char* name) const {
  return (std::filesystem::path(dir_) / name).string();
}

void OffsetTrace::log(const char* routine, int code) {
  if (!on_) return;
  if (!g_log_started) {
    g_log_started = true;
    g_log_bytes = 0;
    if (std::FILE* f = open_trace(path("__err.$_C"), false)) std::fclose(f);
    return;
  }
  if (g_log_bytes > g_log_cap) return;
  if (!log_) log_ = open_trace(path("__err.$_C"), true);
  if (!log_) return;
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, code);
  *r.ptr = '\n';
  const size_t digits = static_cast<size_t>(r.ptr - buf) + 1;
  const size_t name = std::strlen(routine);
  g_log_bytes += name + 2 + digits;
  if (g_log_bytes > g_log_cap) {
    std::fputs("... the log stops here\n", log_);
    return;
  }
  std::fwrite(routine, 1, name, log_);
  std::fputs("  ", log_);
  std::fwrite(buf, 1, digits, log_);
}

void OffsetTrace::dump_lines(const EqvidistContext& ctx) {
  if (!on_) return;
  Out o(open_trace(path("1lines.$_C"), false));
  if (!o) return;
  for (const OffsetLine& L : ctx.lines()) {
    o.i(L.index).s("\n");
    o.s("line ,").f(L.line.p.x).s("  ").f(L.line.p.y).s("\n");
    o.s(" ").f(L.line.dir.sin).s("  ").f(L.line.dir.cos).s("\n");
    o.s("parameter = ").i(L.flag).s("\n");
    o.s("svob = ").i(L.state).s("\n");
    write_nodes(o, L.pieces);
  }
}

void OffsetTrace::dump_crossings(const EqvidistContext& ctx) {
  if (!on_) return;
  Out o(open_trace(path("2lines.$_C"), false));
  if (!o) return;
  for (const OffsetLine& L : ctx.lines()) {
    o.i(L.index).s("\n");
    o.s("parameter = ").i(L.flag).s("\n");
    write_nodes(o, L.crossings);
  }
}

void OffsetTrace::dump_pieces(const EqvidistContext& ctx) {
  if (!on_) return;
  Out o(open_trace(path("1seg.$_C"), false));
  if (!o) return;
  for (const OffsetLine& L : ctx.lines()) o.i(L.index).s("\n").i(static_cast<long>(L.pieces.size())).s("\n");
}

// One two-vertex POLYLINE per line, in millimetres: lines that keep their
// direction from the end corner back to parameter -5 on layer 0, turned
// lines from 5 to -5 on layer 3.
void OffsetTrace::dump_dxf(const EqvidistContext& ctx) {
  if (!on_) return;
  Out o(open_trace(path("_lin1.dxf"), false));
  if (!o) return;
  o.s("0\nSECTION\n2\nENTITIES\n");
  for (const OffsetLine& L : ctx.lines()) {
    const bool turned = L.flag == kFlagTurned;
    const char* layer = turned ? "3" : "0";
    double t0 = turned ? 5 : L.end_par, t1 = -5;
    o.s("0\nPOLYLINE\n8\n").s(layer).s("\n66\n1\n");
    for (double t : {t0, t1}) {
      gr_cpoint p;
      gr_conv_linepar_to_cpoint(&p, &L.line, t);
      o.s("0\nVERTEX\n8\n").s(layer).s("\n10\n").f(p.x * 25.4, 0, 6).s("\n20\n").f(p.y * 25.4, 0, 6).s("\n");
    }
    o.s("0\nSEQEND\n");
  }
  o.s("0\nENDSEC\n0\nEOF\n");
}

}  // namespace geomkit::offset
