// Text as a reader adds it: the strokes of the stroke font, mapped from the
// text's own frame into the document, gathered into one polyline set (one
// element per text, its strokes as open members).
#ifndef FGB_CONVERT_STROKES_P_H
#define FGB_CONVERT_STROKES_P_H

#include "text/stroke_font_p.h"

#include <cstdint>
#include <vector>

#include <geomkit/gr_poly.h>

namespace fgb::conv {

// x' = a x + b y + e, y' = c x + d y + f.
struct TextMap {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

class StrokeSet final : public text::StrokeSink {
 public:
  // Starts a new set; strokes go through map.
  void start(const TextMap& map) {
    map_ = map;
    block_.assign(1, 0.0);
    count_ = 0;
  }
  void stroke(const gr_cpoint* pts, uint32_t n) override;
  uint32_t count() const { return count_; }
  // The set (valid until the next start); null when it has no stroke.
  const gr_polylines* set();

 private:
  TextMap map_;
  std::vector<double> block_;  // head, then members: (closed, n), points; 8-byte aligned
  uint32_t count_ = 0;
};

}  // namespace fgb::conv

#endif
