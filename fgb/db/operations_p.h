// Internals shared by the editing operations and the hatch: a mutable
// aligned copy of a shape datum, owners of the geometry library's heap
// blocks, the hollow fill style, and the progress reports of a long
// operation.
#ifndef FGB_DB_OPERATIONS_P_H
#define FGB_DB_OPERATIONS_P_H

#include <fgb/main_db.h>

#include <geomkit/gr_bez.h>
#include <geomkit/gr_poly.h>

#include <climits>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

namespace fgb {

// A copy of a shape datum in 8-byte aligned memory that may be changed
// freely: data in the store are only 4-byte aligned, and an operation that
// transforms a shape works on its own copy. Reused from one element to the
// next.
class ShapeCopy {
 public:
  // The copy, or null when memory ran out.
  void* load(const void* data, int size) noexcept {
    if (!data || size <= 0) return nullptr;
    const std::size_t words = (static_cast<std::size_t>(size) + 7) / 8;
    try {
      if (buf_.size() < words) buf_.resize(words);
    } catch (...) {
      return nullptr;
    }
    std::memcpy(buf_.data(), data, static_cast<std::size_t>(size));
    return buf_.data();
  }

 private:
  std::vector<double> buf_;
};

struct PolylineFree {
  void operator()(gr_polyline* p) const noexcept { gr_free_buffer_for_polyline(p); }
};
struct PolylinesFree {
  void operator()(gr_polylines* p) const noexcept { gr_free_buffer_for_polylines(p); }
};
using PolylineBlock = std::unique_ptr<gr_polyline, PolylineFree>;
using PolylinesBlock = std::unique_ptr<gr_polylines, PolylinesFree>;

// The fill style of the platform's null brush: outlines that are not
// painted inside (what grouping and the offset contours carry).
gr_fill_area_style hollow_fill() noexcept;

// A point density given as a long, held to the int the geometry library takes.
inline int clamp_to_int(long v) noexcept {
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

// Progress of an operation that walks the selection element by element:
// start (sent), a tick (sent, the fraction written first) whenever the
// fraction has grown by a thousandth since the last one, end (posted). The
// ticks are thinned so that a selection of a million small elements does
// not repaint the progress window a million times.
class ElementProgress {
 public:
  ElementProgress(MainDB& doc, long total) noexcept;
  ~ElementProgress();
  ElementProgress(const ElementProgress&) = delete;
  ElementProgress& operator=(const ElementProgress&) = delete;
  // One more element done.
  void step() noexcept;

 private:
  MainDB& doc_;
  long total_;
  long done_ = 0;
  double shown_ = 0;
};

}  // namespace fgb

#endif
