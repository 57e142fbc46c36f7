// The stroke font on the library's side: strokes handed to a sink one by
// one, without allocating (for the readers, which add them to a document).
#ifndef FGB_TEXT_STROKE_FONT_P_H
#define FGB_TEXT_STROKE_FONT_P_H

#include <cstdint>
#include <string_view>

#include <fgb/text/stroke_font.h>

namespace fgb::text {

class StrokeSink {
 public:
  virtual ~StrokeSink() = default;
  // One stroke of n >= 2 points (inches), valid during the call.
  virtual void stroke(const gr_cpoint* pts, uint32_t n) = 0;
};

// Lays out and draws text; returns the number of characters without a
// glyph. Nothing is drawn for a bad layout (see fgb_stroke_text).
uint32_t stroke_text(std::string_view text, const fgb_text_layout& layout, StrokeSink& out);

// fgb_stroke_text_length.
double stroke_text_length(std::string_view text, const fgb_text_layout& layout) noexcept;

// The cap height of the font in its own units and the body width of "H";
// the layout's height and width are measured against these.
constexpr double kFontCapHeight = 21.0;
constexpr double kFontBodyWidth = 14.0;

}  // namespace fgb::text

#endif
