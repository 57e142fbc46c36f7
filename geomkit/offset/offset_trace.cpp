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
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace geomkit::offset {

namespace {

std::mutex g_trace_mutex;
bool g_log_started = false;  // guarded by g_trace_mutex

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

OffsetTrace::~OffsetTrace() {
  if (log_) std::fclose(log_);
}

std::string OffsetTrace::path(const char* name) const { return (std::filesystem::path(dir_) / name).string(); }

void OffsetTrace::log(const char* routine, int code) {
  if (!on_) return;
  if (!g_log_started) {
    g_log_started = true;
    if (std::FILE* f = std::fopen(path("__err.$_C").c_str(), "w")) std::fclose(f);
    return;
  }
  if (!log_) log_ = std::fopen(path("__err.$_C").c_str(), "a");
  if (!log_) return;
  std::fputs(routine, log_);
  std::fputs("  ", log_);
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, code);
  *r.ptr = '\n';
  std::fwrite(buf, 1, static_cast<size_t>(r.ptr - buf) + 1, log_);
}

void OffsetTrace::dump_lines(const EqvidistContext& ctx) {
  if (!on_) return;
  Out o(std::fopen(path("1lines.$_C").c_str(), "w"));
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
  Out o(std::fopen(path("2lines.$_C").c_str(), "w"));
  if (!o) return;
  for (const OffsetLine& L : ctx.lines()) {
    o.i(L.index).s("\n");
    o.s("parameter = ").i(L.flag).s("\n");
    write_nodes(o, L.crossings);
  }
}

void OffsetTrace::dump_pieces(const EqvidistContext& ctx) {
  if (!on_) return;
  Out o(std::fopen(path("1seg.$_C").c_str(), "w"));
  if (!o) return;
  for (const OffsetLine& L : ctx.lines()) o.i(L.index).s("\n").i(static_cast<long>(L.pieces.size())).s("\n");
}

// One two-vertex POLYLINE per line, in millimetres: lines that keep their
// direction from the end corner back to parameter -5 on layer 0, turned
// lines from 5 to -5 on layer 3.
void OffsetTrace::dump_dxf(const EqvidistContext& ctx) {
  if (!on_) return;
  Out o(std::fopen(path("_lin1.dxf").c_str(), "w"));
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
