// The path being read, and how every reader ends one.
#ifndef FGB_CONVERT_PATH_P_H
#define FGB_CONVERT_PATH_P_H

#include "convert/sink_p.h"

#include <cstdint>
#include <memory>

#include <geomkit/gr_bez.h>
#include <geomkit/gr_poly.h>

namespace fgb::conv {

// Points of the path being read, kept in the layout of a gr_polyline (an
// 8-byte head, then the points) so that finishing a path hands the record
// on without another copy. Grows geometrically: a path of n points costs
// O(n) however long it gets.
class PathBuffer {
 public:
  PathBuffer();
  void clear() noexcept { n_ = 0; }
  uint32_t size() const noexcept { return n_; }
  bool empty() const noexcept { return n_ == 0; }
  void push(double x, double y) {
    if (n_ == cap_) grow();
    double* p = store_.get() + 1 + 2 * static_cast<size_t>(n_);
    p[0] = x;
    p[1] = y;
    ++n_;
  }
  gr_cpoint at(uint32_t i) const noexcept {
    const double* p = store_.get() + 1 + 2 * static_cast<size_t>(i);
    return gr_cpoint{p[0], p[1]};
  }
  void set(uint32_t i, gr_cpoint pt) noexcept {
    double* p = store_.get() + 1 + 2 * static_cast<size_t>(i);
    p[0] = pt.x;
    p[1] = pt.y;
  }
  void drop_last() noexcept {
    if (n_) --n_;
  }
  // The path as a polyline record (valid until the next push or clear).
  const gr_polyline* polyline(bool closed) noexcept;
  // The points as a composite Bezier record (same validity).
  const gr_bezier* bezier() noexcept;

 private:
  void grow();
  std::unique_ptr<double[]> store_;  // [head][x0 y0][x1 y1]...
  uint32_t n_ = 0;
  uint32_t cap_ = 0;
};

// Ends a path the way every reader does: 3 or more points make a polyline,
// closed when the first and last points are exactly equal; 2 points make a
// segment; fewer make nothing. Returns 1 when an element was added.
int emit_path(PathBuffer& path, ElementSink& sink, const gr_curve_style& style);

}  // namespace fgb::conv

#endif
