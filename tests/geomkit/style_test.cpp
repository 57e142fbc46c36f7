// Styles and colours: COLORREF conversion, the default records, pens and
// brushes made from styles and styles made from pens and brushes.
// Invariants: colour bytes are trunc(c * 255) keeping the low 8 bits
// (never undefined for wild components); width -1.0 exactly is the null
// pen; a style made from a pen always has its pattern count set and never
// claims more dash lengths than its record holds.
#include <geomkit/device_context.h>
#include <geomkit/gr_style.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

TEST(Colorref, TruncatesAndKeepsTheLowByte) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Row {
    const char* name;
    gr_rgbcol c;
    COLORREF want;
  } rows[] = {
      {"red, half green truncated", {1, 0.5f, 0}, 32767},
      {"white", {1, 1, 1}, 0xFFFFFF},
      {"black", {0, 0, 0}, 0},
      {"out of range wraps to the low byte", {100, 0, 0}, 156},
      {"negative truncates toward zero", {-0.001f, 0, 0}, 0},
      {"negative whole value keeps its low byte", {-1, 0, 0}, 0x01},
      {"no integer for NaN or infinity", {std::nanf(""), inf, -inf}, 0},
      {"beyond 32 bits", {1e10f, 0, 0}, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(gr_get_colorref(&r.c), r.want);
  }
}

TEST(Colorref, BackToComponents) {
  gr_rgbcol c{-1, -1, -1};
  gr_create_color_by_colorref(&c, RGB(0, 128, 255));
  EXPECT_EQ(c.r, 0.0f);
  EXPECT_FLOAT_EQ(c.g, 128.0f / 255.0f);
  EXPECT_EQ(c.b, 1.0f);
  for (int v = 0; v < 256; ++v) {  // every byte survives the round trip
    gr_create_color_by_colorref(&c, RGB(v, 255 - v, v / 2));
    EXPECT_EQ(gr_get_colorref(&c), RGB(v, 255 - v, v / 2)) << v;
  }
}

TEST(DefaultStyles, Values) {
  EXPECT_EQ(gr_default_curve_style.width, 1.0f);
  EXPECT_EQ(gr_get_colorref(&gr_default_curve_style.color), 0u);
  EXPECT_EQ(gr_default_curve_style.font.n, 0);
  EXPECT_EQ(gr_default_curve_style.font.len[0], 0.0f);
  EXPECT_EQ(gr_default_marker_style.kind, 0);
  EXPECT_EQ(gr_default_marker_style.size, 0.0);
  EXPECT_EQ(gr_get_colorref(&gr_default_marker_style.color), 156u);
  EXPECT_EQ(gr_curve_style_size(), 24);
  EXPECT_EQ(gr_fill_area_style_size(), 16);
  EXPECT_EQ(gr_curve_font_sizen(0), 4);
  EXPECT_EQ(gr_curve_font_sizen(6), 28);
  EXPECT_EQ(gr_curve_font_sizen(-3), 4);
  EXPECT_EQ(gr_curve_font_sizen(1 << 30), -1);
  EXPECT_EQ(gr_curve_font_size(&gr_default_curve_style.font), 4);
}

TEST(PenByCurveStyle, NullSolidAndTruncatedWidth) {
  struct Row {
    const char* name;
    float width;
    UINT style;
    int32_t pen_width;
  } rows[] = {
      {"exactly -1 is the null pen", -1.0f, PS_NULL, 0},
      {"other negative is a solid pen of width 0", -0.5f, PS_SOLID, 0},
      {"width truncated", 2.9f, PS_SOLID, 2},
      {"zero", 0.0f, PS_SOLID, 0},
      {"huge width has no integer", 1e20f, PS_SOLID, 0},
  };
  const long live = gdi_live_object_count();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_curve_style s{r.width, {0, 1, 0}, {0, {0}}};
    HPEN pen = gr_create_pen_by_curve_style(&s);
    ASSERT_NE(pen, nullptr);
    LOGPEN lp{};
    ASSERT_EQ(GetObjectA(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
    EXPECT_EQ(lp.lopnStyle, r.style);
    EXPECT_EQ(lp.lopnWidth.x, r.pen_width);
    EXPECT_EQ(lp.lopnColor, RGB(0, 255, 0));
    EXPECT_TRUE(DeleteObject(pen));
  }
  EXPECT_EQ(gdi_live_object_count(), live);
}

TEST(BrushByFillStyle, CodeColourAndCrossHatch) {
  gr_fill_area_style f{BS_HATCHED, {0, 0, 1}};
  HBRUSH b = gr_create_brush_by_fill_area_style(&f);
  ASSERT_NE(b, nullptr);
  LOGBRUSH lb{};
  ASSERT_EQ(GetObjectA(b, sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_HATCHED));
  EXPECT_EQ(lb.lbColor, RGB(0, 0, 255));
  EXPECT_EQ(lb.lbHatch, static_cast<uint32_t>(HS_CROSS));
  DeleteObject(b);

  gr_fill_area_style back{-1, {}};
  LOGBRUSH in{BS_SOLID, RGB(255, 0, 51), HS_DIAGCROSS};
  gr_create_fill_area_style_by_logbrush(&back, &in);
  EXPECT_EQ(back.style, BS_SOLID);
  EXPECT_EQ(gr_get_colorref(&back.color), RGB(255, 0, 51));
}

TEST(CurveStyleByLogpen, SolidRecordAndReportedPattern) {
  struct Row {
    const char* name;
    UINT style;
    std::vector<float> pattern;
    bool white;
  } rows[] = {
      {"solid", PS_SOLID, {}, false},
      {"dash", PS_DASH, {4, 4}, false},
      {"dot", PS_DOT, {1, 4}, false},
      {"dash-dot", PS_DASHDOT, {8, 2, 1, 2}, false},
      {"dash-dot-dot", PS_DASHDOTDOT, {5, 2, 1, 2, 1, 2}, false},
      {"null pen is white and solid", PS_NULL, {}, true},
      {"inside frame", PS_INSIDEFRAME, {}, false},
      {"unknown style", 0x1234, {}, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LOGPEN lp{r.style, {3, 0}, RGB(10, 20, 30)};
    gr_curve_style s{};
    s.font.n = 77;
    s.font.len[0] = 9;
    EXPECT_EQ(gr_create_curve_style_by_logpen(&s, &lp), static_cast<int>(r.pattern.size()));
    EXPECT_EQ(s.width, 3.0f);
    EXPECT_EQ(s.font.n, 0);  // always set: the 24-byte record stays solid
    EXPECT_EQ(s.font.len[0], 0.0f);
    EXPECT_EQ(gr_get_colorref(&s.color), r.white ? RGB(255, 255, 255) : RGB(10, 20, 30));

    // The pattern itself, into a record with room for it.
    const int n = static_cast<int>(r.pattern.size());
    EXPECT_EQ(gr_conv_logpen_to_curve_font(nullptr, 0, &lp), n);
    std::vector<unsigned char> block(static_cast<size_t>(gr_curve_font_sizen(n > 0 ? n : 1)));
    auto* font = reinterpret_cast<gr_curve_font*>(block.data());
    EXPECT_EQ(gr_conv_logpen_to_curve_font(font, n, &lp), n);
    ASSERT_EQ(font->n, n);
    const float* len = font->len;
    for (int i = 0; i < n; ++i) EXPECT_EQ(len[i], r.pattern[static_cast<size_t>(i)]) << i;
    if (n > 1) {  // too little room: solid, never a cut pattern
      EXPECT_EQ(gr_conv_logpen_to_curve_font(font, 1, &lp), n);
      EXPECT_EQ(font->n, 0);
    }
  }
}

}  // namespace
