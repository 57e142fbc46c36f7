// Internals of the hatch: the pen presets, the hatch lines of one element
// and the parameters where each line enters and leaves it.
//
// The parameters of a horizontal line through a polyline element are those
// of gr_isct_line_polyline (or gr_isct_line_polylines for a polyline set)
// with keep_all 0: crossings only, an edge on the line adds nothing, and a
// vertex on the line counts once and only where the outline passes from one
// side to the other. Two ways of finding them:
//
//   PlainLineParams  asks the library once per line: every edge of the
//                    element is looked at on every line. The reference.
//   ScanLineParams   buckets the edges once by the first line they can
//                    meet, and keeps the edges spanning the present line
//                    in an active list, so a line costs only the edges that
//                    reach it. Same decisions per edge as the library
//                    (measures, codes, vertex rule, insertion order), so the
//                    same parameters.
#ifndef FGB_DB_HATCH_P_H
#define FGB_DB_HATCH_P_H

#include <fgb/main_db.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace fgb {

// The pen of the hatch segments: width and colour of a preset (1 to 4, or
// -1 for a black hairline), the request's pen for any other value. The
// dash fields are always the request's.
gr_curve_style hatch_style(const gr_curve_style& requested, int preset) noexcept;

// Parameters of one element along its hatch lines, asked line by line with
// ascending k. The element (kind 4 or 5, 8-byte aligned) and ys must stay
// alive and unchanged while in use.
class LineParams {
 public:
  virtual ~LineParams() = default;
  // False when memory ran out.
  virtual bool init(int kind, const void* shape, const double* ys, std::size_t count) noexcept = 0;
  // The sorted parameters of line k; null when memory ran out.
  virtual const std::vector<double>* params(std::size_t k) noexcept = 0;
};

// The reference: the library's intersection of each line with the whole
// element. A single polyline gets a buffer of at least
// gr_maxn_isct_line_polyline entries for each line, so that an outline
// crossing one line more than 100 times fits.
class PlainLineParams final : public LineParams {
 public:
  PlainLineParams() = default;
  ~PlainLineParams() override;
  PlainLineParams(const PlainLineParams&) = delete;
  PlainLineParams& operator=(const PlainLineParams&) = delete;

  bool init(int kind, const void* shape, const double* ys, std::size_t count) noexcept override;
  const std::vector<double>* params(std::size_t k) noexcept override;
  // The parameters of the line at height y.
  const std::vector<double>* at(double y) noexcept;

 private:
  int kind_ = 0;
  const void* shape_ = nullptr;
  const double* ys_ = nullptr;
  std::size_t count_ = 0;
  double* buf_ = nullptr;  // malloc'ed: the set intersection may replace it
  std::size_t cap_ = 0;
  std::vector<double> out_;
};

std::unique_ptr<LineParams> make_plain_line_params();
// The edge scan. Its init also refuses (false) an element with a coordinate
// that is not finite, whose edges cannot be ordered by height.
std::unique_ptr<LineParams> make_scan_line_params();

enum class HatchPath { kScan, kPlain };

// What hatching one element produces: a progress report before each line,
// then the line's segments.
class HatchSink {
 public:
  virtual ~HatchSink() = default;
  // Before each line: the fraction of the element done (0..1).
  virtual void line(double fraction) = 0;
  virtual void segment(const gr_segment& s) = 0;
};

// Hatches one polyline (kind 4) or polyline set (kind 5), 8-byte aligned,
// with horizontal lines `step` apart, each segment shortened by `offset` at
// both ends. The lines start two steps below the element's box and go on
// while below two steps above it. Other kinds, elements without points and
// elements with a coordinate that is not finite get nothing. False when
// memory ran out (the lines done so far have been reported) or the element
// would need more than kMaxScanLines lines (nothing done).
bool hatch_element(int kind, const void* shape, double step, double offset, HatchPath path,
                   HatchSink& sink) noexcept;

// Most hatch lines one element takes: four million lines, 400 inches at a
// ten-thousandth of an inch, beyond what a plotter draws and what memory
// holds segments for.
constexpr std::size_t kMaxScanLines = std::size_t{1} << 22;

}  // namespace fgb

#endif
