// The stroke font: glyph placement, spacing, direction and slant.
// Invariants: cap height and body width scale the font exactly; the
// baseline direction turns every point about the origin; strokes are open
// and have two or more points.
#include "text/stroke_font_p.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using fgb::text::stroke_text;
using fgb::text::stroke_text_length;

struct Strokes final : fgb::text::StrokeSink {
  void stroke(const gr_cpoint* pts, uint32_t n) override { lines.emplace_back(pts, pts + n); }
  std::vector<std::vector<gr_cpoint>> lines;
  gr_xy_rect box() const {
    gr_xy_rect r{1e300, 1e300, -1e300, -1e300};
    for (const auto& l : lines)
      for (const auto& p : l) {
        r.x1 = std::min(r.x1, p.x), r.y1 = std::min(r.y1, p.y);
        r.x2 = std::max(r.x2, p.x), r.y2 = std::max(r.y2, p.y);
      }
    return r;
  }
};

fgb_text_layout layout(double height) {
  fgb_text_layout l{};
  l.height = height;
  return l;
}

TEST(StrokeFont, CapitalHFillsCapHeightAndBodyWidth) {
  Strokes s;
  fgb_text_layout l = layout(0.21);
  l.origin = {1.0, 2.0};
  l.width = 0.14;
  l.pitch = 0.3;
  EXPECT_EQ(stroke_text("H", l, s), 0u);
  ASSERT_EQ(s.lines.size(), 3u);  // two stems and the bar
  const gr_xy_rect b = s.box();
  EXPECT_NEAR(b.y1, 2.0, 1e-12);
  EXPECT_NEAR(b.y2, 2.21, 1e-12);
  EXPECT_NEAR(b.x2 - b.x1, 0.14, 1e-12);
  EXPECT_NEAR(b.x1, 1.0, 1e-12);  // centred on its body, which starts at the origin
}

TEST(StrokeFont, DirectionTurnsAndSlantLeansTheText) {
  Strokes up, plain, leaning;
  fgb_text_layout l = layout(1.0);
  stroke_text("L", l, plain);
  l.dir_x = 0;
  l.dir_y = 2;  // upwards, not a unit vector
  stroke_text("L", l, up);
  ASSERT_EQ(up.lines.size(), plain.lines.size());
  for (size_t i = 0; i < up.lines.size(); ++i)
    for (size_t k = 0; k < up.lines[i].size(); ++k) {
      EXPECT_NEAR(up.lines[i][k].x, -plain.lines[i][k].y, 1e-12);
      EXPECT_NEAR(up.lines[i][k].y, plain.lines[i][k].x, 1e-12);
    }
  l = layout(1.0);
  l.slant = 0.5;
  stroke_text("L", l, leaning);
  // The top of the stem moves by slant x height; the foot on the baseline stays.
  EXPECT_NEAR(leaning.lines[0][0].x - plain.lines[0][0].x, 0.5, 1e-9);
  EXPECT_NEAR(leaning.lines[0][1].x, plain.lines[0][1].x, 1e-12);
}

TEST(StrokeFont, SpacingProportionalOrFixedAndMissingCharacters) {
  const fgb_text_layout l = layout(0.21);
  // Proportional: "i" is narrower than "W"; fixed pitch: every character the same.
  EXPECT_LT(stroke_text_length("i", l), stroke_text_length("W", l));
  fgb_text_layout fixed = l;
  fixed.pitch = 0.25;
  EXPECT_DOUBLE_EQ(stroke_text_length("iW x", fixed), 1.0);
  // Characters without a glyph take a space's room; control characters none.
  Strokes s;
  EXPECT_EQ(stroke_text("\xD0\x96z\xFF", l, s), 2u);  // a Cyrillic letter and a stray byte
  EXPECT_DOUBLE_EQ(stroke_text_length("\xD0\x96", l), stroke_text_length(" ", l));
  EXPECT_DOUBLE_EQ(stroke_text_length("a\r\nb", l), stroke_text_length("ab", l));
  for (const auto& line : s.lines) EXPECT_GE(line.size(), 2u);
}

TEST(StrokeFont, BadLayoutsDrawNothing) {
  Strokes s;
  fgb_text_layout l = layout(0.0);
  stroke_text("A", l, s);
  l = layout(NAN);
  stroke_text("A", l, s);
  l = layout(1.0);
  l.slant = INFINITY;
  stroke_text("A", l, s);
  EXPECT_TRUE(s.lines.empty());
  int missing = -1;
  l = layout(1.0);
  EXPECT_EQ(fgb_stroke_text("   ", 3, &l, &missing), nullptr);  // blank: nothing to draw
  EXPECT_EQ(missing, 0);
  gr_polylines* set = fgb_stroke_text("AB", 2, &l, &missing);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->n, 6);  // A: two sides and the bar; B: the stem and two bowls
  gr_free_buffer_for_polylines(set);
}

}  // namespace
