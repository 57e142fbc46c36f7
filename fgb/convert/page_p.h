// What the writers take: pages of elements, the conversion's context, the
// entry points of each kind, and the flattening they share.
#ifndef FGB_CONVERT_PAGE_P_H
#define FGB_CONVERT_PAGE_P_H

#include "convert/outbuf_p.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include <fgb/convert/convert.h>
#include <geomkit/gr_bez.h>
#include <geomkit/gr_circle.h>
#include <geomkit/gr_style.h>

namespace fgb::conv {

// One element of a page as the writers see it.
struct Element {
  int kind;
  const void* shape;  // the record of the kind, 8-byte aligned
  gr_curve_style style;
};

// The elements of one page, visited once in order.
class Page {
 public:
  virtual ~Page() = default;
  // The next element; false after the last. e.shape stays valid until the
  // next call.
  virtual bool next(Element& e) = 0;
};

// A page over elements the caller holds (tests, fuzzers, benchmarks).
class ElementSpan final : public Page {
 public:
  explicit ElementSpan(std::span<const Element> elems) : elems_(elems) {}
  bool next(Element& e) override {
    if (at_ == elems_.size()) return false;
    e = elems_[at_++];
    return true;
  }

 private:
  std::span<const Element> elems_;
  size_t at_ = 0;
};

// What the curves a conversion flattens may still cost, counted as a read
// counts the elements it adds: one per curve and one per 8 points.
struct WriteBudget {
  int64_t left = -1;  // negative: no limit
  // Takes a flattened curve of n points off the budget; throws WriteRefused
  // (FGB_CONVERT_TOO_LARGE) when it is spent.
  void charge(size_t n);
};

// The context shared by the HPGL, Gerber and Gerber-cutter writers for all
// pages of one conversion.
struct WriterContext {
  uint8_t optimise = 0;         // HPGL: order paths and estimate the time
  int32_t bezier_density = 12;  // points per Bezier piece when flattening
  int16_t layer_or_flag = 0;    // handed through, not used
  float elapsed_time = -1.0f;   // estimated plotting time (s); writers may replace it
  OutBuf* file = nullptr;
  WriteBudget* budget = nullptr;  // null: flattening is not counted
  // Working memory the optimised HPGL writer keeps from one page to the next.
  std::shared_ptr<void> order_memory;
};

// The DXF writer's own context.
struct DxfContext {
  const char* path = nullptr;
  int32_t variant = 0;  // non-zero leaves segments out
  int32_t bezier_density = 12;
  OutBuf* file = nullptr;
  WriteBudget* budget = nullptr;  // null: flattening is not counted
};

// One call per page. Each returns normally; output errors show in OutBuf.
void write_hpgl_page(Page& page, WriterContext& ctx);
void write_gerber_page(Page& page, WriterContext& ctx, const float* sorted_apertures, int count);
void write_cutter_page(Page& page, WriterContext& ctx, const float* sorted_apertures, int count);
void write_dxf_page(Page& page, DxfContext& ctx);

// Headers and trailers the dispatcher frames a written file with.
extern const char kHpglTrailer[];
extern const char kGerberTrailer[];
extern const char kDxfHeader[];
extern const char kDxfTrailer[];
extern const char kCutterTrailer[];

// Flattening shared by the writers. Each fills pts (reused between calls).
// An arc as n + 1 points from its start to its end, counter-clockwise.
void arc_points(const gr_trcircle& arc, int n, std::vector<gr_cpoint>& pts);
// A circle as n + 1 points from angle 0 to 2 pi.
void circle_points(const gr_circle& circle, int n, std::vector<gr_cpoint>& pts);
// A Bezier element flattened with the context's density; false when it has
// no complete piece (nothing is written then). The points are charged to
// budget when one is given.
bool bezier_points(const gr_bezier* bez, int density, std::vector<gr_cpoint>& pts,
                   WriteBudget* budget = nullptr);

// The writers flatten arcs and circles into this many segments.
constexpr int kWriterArcSegments = 40;

}  // namespace fgb::conv

#endif
