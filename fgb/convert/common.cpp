// Pieces shared by every reader: palette and styles, the arc record, the
// path buffer, truncation of file units and progress reports.
#include "convert/sink_p.h"
#include "convert/progress_p.h"
#include "convert/path_p.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace fgb::conv {

// ---- pens, colours and styles ------------------------------------------------

namespace {
constexpr gr_rgbcol kPalette[10] = {
    {0.0f, 0.0f, 0.0f},  // 0 black
    {1.0f, 0.0f, 0.0f},  // 1 red
    {1.0f, 1.0f, 0.0f},  // 2 yellow
    {0.0f, 1.0f, 0.0f},  // 3 green
    {0.0f, 1.0f, 1.0f},  // 4 cyan
    {1.0f, 0.0f, 1.0f},  // 5 magenta
    {0.0f, 0.0f, 1.0f},  // 6 blue
    {0.5f, 0.5f, 0.5f},  // 7 grey
    {0.0f, 0.0f, 0.0f},  // 8 black
    {0.0f, 0.5f, 0.5f},  // 9 dark cyan
};
}  // namespace

gr_rgbcol pen_colour(int pen) noexcept {
  if (pen < 0 || pen > 9) return kPalette[0];
  return kPalette[pen];
}

gr_curve_style pen_style(double width, int pen) noexcept {
  gr_curve_style s;
  std::memset(&s, 0, sizeof s);
  // Widths are stored as floats: a width read as 1e300 must not become infinite.
  s.width = static_cast<float>(std::fabs(width) <= FLT_MAX ? width : std::copysign(FLT_MAX, width));
  s.color = pen_colour(pen);
  s.font.n = 0;
  s.font.len[0] = 0.0f;
  return s;
}

// ---- arc record ----------------------------------------------------------------

fgb_arc make_arc_record(const gr_trcircle& arc) noexcept {
  fgb_arc r;
  std::memset(&r, 0, sizeof r);
  r.lead_int = 0;
  r.lead_double = 1.0;
  r.arc = arc;
  return r;
}

// ---- path buffer -----------------------------------------------------------------

namespace {
// Room of a fresh buffer, in points: most paths of plotter files are short.
constexpr uint32_t kInitialPathRoom = 100;
// A gr_polyline's point count is 32 bits; a path longer than this is cut
// into several elements by the readers (see PathBuffer::grow).
constexpr uint32_t kMaxPathPoints = 0x7fffffffu / 16u - 1u;
}  // namespace

PathBuffer::PathBuffer() : store_(new double[1 + 2 * size_t{kInitialPathRoom}]), cap_(kInitialPathRoom) {}

void PathBuffer::grow() {
  if (cap_ >= kMaxPathPoints) throw std::length_error("path too long");
  uint64_t want = uint64_t{cap_} * 2;
  if (want > kMaxPathPoints) want = kMaxPathPoints;
  const auto cap = static_cast<uint32_t>(want);
  std::unique_ptr<double[]> bigger(new double[1 + 2 * size_t{cap}]);
  std::memcpy(bigger.get() + 1, store_.get() + 1, sizeof(double) * 2 * size_t{n_});
  store_ = std::move(bigger);
  cap_ = cap;
}

const gr_polyline* PathBuffer::polyline(bool closed) noexcept {
  const int32_t c = closed ? 1 : 0;
  unsigned char* head = reinterpret_cast<unsigned char*>(store_.get());
  std::memcpy(head, &c, 4);
  std::memcpy(head + 4, &n_, 4);
  return reinterpret_cast<const gr_polyline*>(store_.get());
}

const gr_bezier* PathBuffer::bezier() noexcept {
  const int32_t n = static_cast<int32_t>(n_);
  const int32_t reserved = 0;
  unsigned char* head = reinterpret_cast<unsigned char*>(store_.get());
  std::memcpy(head, &n, 4);
  std::memcpy(head + 4, &reserved, 4);
  return reinterpret_cast<const gr_bezier*>(store_.get());
}

int emit_path(PathBuffer& path, ElementSink& sink, const gr_curve_style& style) {
  const uint32_t n = path.size();
  if (n >= 3) {
    const gr_cpoint a = path.at(0);
    const gr_cpoint b = path.at(n - 1);
    const bool closed = a.x == b.x && a.y == b.y;
    sink.add(kPolyline, path.polyline(closed), style);
    return 1;
  }
  if (n == 2) {
    const gr_segment seg{path.at(0), path.at(1)};
    sink.add(kSegment, &seg, style);
    return 1;
  }
  return 0;
}

// ---- progress --------------------------------------------------------------------

namespace {
// Work below this many units (bytes or elements) ends before anyone could
// look at a progress bar.
constexpr uint64_t kProgressMinWork = uint64_t{1} << 20;
constexpr uint64_t kProgressReports = 200;
}  // namespace

ProgressMeter::ProgressMeter(fgb_progress_fn fn, void* user, uint64_t total) noexcept
    : fn_(fn), user_(user), total_(total) {
  if (!fn_ || total_ < kProgressMinWork) {
    fn_ = nullptr;
    step_ = 0;
    next_ = UINT64_MAX;
    return;
  }
  step_ = total_ / kProgressReports;
  next_ = step_;
  fn_(user_, 0.0);
}

void ProgressMeter::report(uint64_t done) noexcept {
  if (!fn_) {
    next_ = UINT64_MAX;
    return;
  }
  fn_(user_, done >= total_ ? 1.0 : static_cast<double>(done) / static_cast<double>(total_));
  next_ = done + step_;
}

void ProgressMeter::finish() noexcept {
  if (fn_) fn_(user_, 1.0);
  fn_ = nullptr;
  next_ = UINT64_MAX;
}

}  // namespace fgb::conv

extern "C" FGB_API const gr_fill_area_style fgb_default_fill_area_style = {0, {0.0f, 0.0f, 0.0f}};
