// Styled and thick outlines, and the clean-up every drawing function owes
// the device context, on the recording device.
//
// Invariants: after any drawing function the pen, brush and font in force,
// the map mode, fill mode, background mode and text alignment are those of
// before, and gdi_live_object_count() is unchanged.
#include "draw_test_util.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using drawtest::Pattern;
using drawtest::Style;
using drawtest::trace;
using Trace = std::vector<std::string>;

constexpr double kPi = 3.141592653589793;
const gr_rgbcol kBlue{0, 0, 1};

TEST(DrawStyled, WidthPatternAndPen) {
  auto line = drawtest::make_polyline({{0, 0}, {10, 0}}, false);
  struct Row {
    const char* name;
    Style style;
    Trace expected;
    UINT pen_style;
    int pen_width;
  } rows[] = {
      {"solid", Style(2.9f, kBlue, {}), {"M 0,0", "L 10,0"}, PS_SOLID, 2},
      {"dashed", Style(1, kBlue, {4, 4}), {"M 0,0", "L 4,0", "M 8,0", "L 10,0"}, PS_SOLID, 1},
      {"null pen draws nothing", Style(-1, kBlue, {}), {}, PS_NULL, 0},
      {"negative width draws nothing", Style(-0.5f, kBlue, {4, 4}), {}, PS_SOLID, 0},
      {"all-zero pattern draws solid", Style(1, kBlue, {0, 0}), {"M 0,0", "L 10,0"}, PS_SOLID, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const long live = gdi_live_object_count();
    GrRecordingDC dc;
    gr_styled_polyline_draw(line.get(), r.style.style(), &dc);
    EXPECT_EQ(trace(dc), r.expected);
    for (const auto& l : dc.lines()) {
      EXPECT_EQ(l.pen.lopnStyle, r.pen_style);
      EXPECT_EQ(l.pen.lopnWidth.x, r.pen_width);
      EXPECT_EQ(l.pen.lopnColor, RGB(0, 0, 255));
    }
    // The pen was made, selected, put back and deleted all the same.
    EXPECT_EQ(dc.count("SelectObject"), 2);
    EXPECT_EQ(dc.GetCurrentObject(OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(gdi_live_object_count(), live);

    GrRecordingDC seg_dc;
    const gr_segment seg{{0, 0}, {10, 0}};
    gr_styled_segment_draw(&seg, r.style.style(), &seg_dc);
    EXPECT_EQ(trace(seg_dc), r.expected);
  }
}

TEST(DrawStyled, CircleSolidIsAnEllipseDashedIsChordsOfTen) {
  const gr_circle circle{{0, 0}, 100};
  GrRecordingDC solid;
  const Style plain(1, kBlue, {});
  gr_styled_circle_draw(&circle, plain.style(), &solid);
  EXPECT_EQ(solid.count("Ellipse"), 1);
  EXPECT_EQ(solid.count("LineTo"), 0);

  GrRecordingDC dashed;
  const Style dash(1, kBlue, {4, 4});
  gr_styled_circle_draw(&circle, dash.style(), &dashed);
  EXPECT_EQ(dashed.count("Ellipse"), 0);
  EXPECT_GT(dashed.count("LineTo"), 63);
  EXPECT_EQ(trace(dashed).front(), "M 100,0");
  EXPECT_EQ(trace(dashed).back(), "L 100,0");

  GrRecordingDC none;
  const Style invisible(-1, kBlue, {4, 4});
  gr_styled_circle_draw(&circle, invisible.style(), &none);
  EXPECT_EQ(none.count("LineTo") + none.count("Ellipse"), 0);
}

TEST(DrawThick, DrawsWithACopyOfThePenInForce) {
  const long live = gdi_live_object_count();
  GrRecordingDC dc;
  HPEN red = CreatePen(PS_SOLID, 3, RGB(255, 0, 0));
  dc.SelectObject(red);
  dc.clear();
  gr_thick_polyline* tp = static_cast<gr_thick_polyline*>(std::calloc(1, 16 + 16 * 2));
  tp->thickness = 50;  // does not change the pen
  tp->pline.closed = 0;
  tp->pline.n = 2;
  tp->pline.pnt[0] = {0, 0};
  tp->pline.pnt[1] = {10, 0};
  gr_thick_polyline_draw(tp, &dc);
  std::free(tp);

  ASSERT_EQ(dc.lines().size(), 1u);
  EXPECT_EQ(dc.lines()[0].pen.lopnWidth.x, 3);
  EXPECT_EQ(dc.lines()[0].pen.lopnColor, RGB(255, 0, 0));
  // Stock pen in, copy in, original back.
  EXPECT_EQ(dc.count("SelectObject"), 3);
  EXPECT_EQ(dc.GetCurrentObject(OBJ_PEN), red);
  dc.SelectObject(GetStockObject(BLACK_PEN));
  DeleteObject(red);
  EXPECT_EQ(gdi_live_object_count(), live);
}

TEST(DrawThick, DashedCirclesAndArcsAreChordsUnderTheNullBrush) {
  GrRecordingDC dc;
  const gr_thick_trcircle arc{{0, 0}, 100, 0, kPi / 2, 5};
  const Pattern dash({4, 4});
  gr_thick_trcircle_draw16(&arc, &dc, 10.0, dash.font());
  EXPECT_EQ(trace(dc).front(), "M 100,0");
  EXPECT_EQ(trace(dc).back(), "L 0,100");
  for (const auto& c : dc.calls) {
    if (c.op == "LineTo") {
      EXPECT_EQ(c.brush.lbStyle, static_cast<UINT>(BS_NULL));
    }
  }
  EXPECT_EQ(dc.GetCurrentObject(OBJ_BRUSH), GetStockObject(WHITE_BRUSH));

  dc.clear();
  const gr_thick_trcircle plain{{0, 0}, 100, 0, kPi / 2, 5};
  gr_thick_trcircle_draw(&plain, &dc);
  EXPECT_EQ(dc.count("Arc"), 1);
}

// Every drawing function, each leaving the context as it found it.
TEST(DrawCleanUp, EveryFunctionRestoresTheContextAndDeletesWhatItMade) {
  auto pline = drawtest::make_polyline({{0, 0}, {10, 0}, {10, 10}}, true);
  auto set = drawtest::make_polylines({{{0, 0}, {5, 5}}, {{1, 1}, {2, 2}, {3, 1}}});
  auto bez = drawtest::make_bezier(7);
  const gr_segment seg{{0, 0}, {3e9, 7}};  // huge: the primitive's detours too
  const gr_circle circle{{5, 5}, 20};
  const gr_trcircle arc{{5, 5}, 20, 0.5, 2};
  const gr_ellip ellip{{0, 0}, {0.6, 0.8}, 30, 10};
  const gr_trellip trellip{{0, 0}, {0.6, 0.8}, 30, 10, 1, 4};
  const gr_thick_circle tcircle{{5, 5}, 20, 3};
  const gr_thick_trcircle tarc{{5, 5}, 20, 0.5, 2, 3};
  const Pattern dash({3, 2});
  const Style style(2, kBlue, {3, 2});
  const gr_marker_style marker{3, kBlue, 6};
  const gr_marker_style disc{0, kBlue, 6};
  const gr_cpoint pt{1, 1};
  gr_thick_polyline* tp = static_cast<gr_thick_polyline*>(std::calloc(1, 16 + 16 * 3));
  tp->pline.n = 3;
  tp->pline.pnt[1] = {4, 4};
  tp->pline.pnt[2] = {8, 0};
  gr_text* text = gr_alloc_buffer_for_text(2);
  text->x = text->y = 0;
  text->height = 12;
  text->len = 2;
  std::memcpy(text->str, "ok", 2);

  struct Row {
    const char* name;
    std::function<void(HDC)> draw;
  } rows[] = {
      {"polyline", [&](HDC dc) { gr_polyline_draw(pline.get(), dc); }},
      {"polylines", [&](HDC dc) { gr_polylines_draw(set.get(), dc); }},
      {"segment", [&](HDC dc) { gr_segment_draw(&seg, dc); }},
      {"circle", [&](HDC dc) { gr_circle_draw(&circle, dc); }},
      {"trcircle", [&](HDC dc) { gr_trcircle_draw(&arc, dc); }},
      {"ellip", [&](HDC dc) { gr_ellip_draw(&ellip, dc, 5); }},
      {"trellip", [&](HDC dc) { gr_trellip_draw(&trellip, dc, 5); }},
      {"bezier", [&](HDC dc) { gr_bezier_draw(dc, bez.get()); }},
      {"polyline16", [&](HDC dc) { gr_polyline_draw16(pline.get(), dc, dash.font()); }},
      {"polylines16", [&](HDC dc) { gr_polylines_draw16(set.get(), dc, dash.font()); }},
      {"segment16", [&](HDC dc) { gr_segment_draw16(&seg, dc, dash.font()); }},
      {"ellip16", [&](HDC dc) { gr_ellip_draw16(&ellip, dc, 5, dash.font()); }},
      {"trellip16", [&](HDC dc) { gr_trellip_draw16(&trellip, dc, 5, dash.font()); }},
      {"styled polyline", [&](HDC dc) { gr_styled_polyline_draw(pline.get(), style.style(), dc); }},
      {"styled segment", [&](HDC dc) { gr_styled_segment_draw(&seg, style.style(), dc); }},
      {"styled circle", [&](HDC dc) { gr_styled_circle_draw(&circle, style.style(), dc); }},
      {"thick polyline", [&](HDC dc) { gr_thick_polyline_draw(tp, dc); }},
      {"thick polyline16", [&](HDC dc) { gr_thick_polyline_draw16(tp, dc, dash.font()); }},
      {"thick segment", [&](HDC dc) { gr_thick_segment_draw(&seg, dc); }},
      {"thick segment16", [&](HDC dc) { gr_thick_segment_draw16(&seg, dc, dash.font()); }},
      {"thick circle", [&](HDC dc) { gr_thick_circle_draw(&tcircle, dc); }},
      {"thick circle16", [&](HDC dc) { gr_thick_circle_draw16(&tcircle, dc, 5, dash.font()); }},
      {"thick trcircle", [&](HDC dc) { gr_thick_trcircle_draw(&tarc, dc); }},
      {"thick trcircle16", [&](HDC dc) { gr_thick_trcircle_draw16(&tarc, dc, 5, dash.font()); }},
      {"filled polyline", [&](HDC dc) { gr_filled_polyline_draw(pline.get(), dc); }},
      {"filled polylines", [&](HDC dc) { gr_filled_polylines_draw(set.get(), dc); }},
      {"cross marker", [&](HDC dc) { gr_styled_cpoint_draw(&pt, &marker, dc); }},
      {"disc marker", [&](HDC dc) { gr_styled_cpoint_draw(&pt, &disc, dc); }},
      {"text", [&](HDC dc) { gr_text_draw(text, dc); }},
  };
  for (int mode : {MM_TEXT, MM_HIMETRIC, MM_ISOTROPIC}) {
    for (const Row& r : rows) {
      SCOPED_TRACE(std::string(r.name) + " in map mode " + std::to_string(mode));
      GrRecordingDC dc;
      dc.SetMapMode(mode);
      if (mode == MM_ISOTROPIC) {
        dc.SetWindowExtEx(1000, 1000, nullptr);
        dc.SetViewportExtEx(640, -480, nullptr);
      }
      HPEN pen = CreatePen(PS_DASH, 2, RGB(1, 2, 3));
      HBRUSH brush = CreateHatchBrush(HS_CROSS, RGB(4, 5, 6));
      dc.SelectObject(pen);
      dc.SelectObject(brush);
      dc.SetPolyFillMode(WINDING);
      const HGDIOBJ font = dc.GetCurrentObject(OBJ_FONT);
      const auto mapping = dc.mapping();
      const long live = gdi_live_object_count();
      dc.clear();

      r.draw(&dc);

      EXPECT_FALSE(dc.calls.empty());
      EXPECT_EQ(gdi_live_object_count(), live);
      EXPECT_EQ(dc.GetCurrentObject(OBJ_PEN), pen);
      EXPECT_EQ(dc.GetCurrentObject(OBJ_BRUSH), brush);
      EXPECT_EQ(dc.GetCurrentObject(OBJ_FONT), font);
      EXPECT_EQ(dc.GetMapMode(), mode);
      EXPECT_EQ(dc.mapping().sx, mapping.sx);
      EXPECT_EQ(dc.mapping().sy, mapping.sy);
      EXPECT_EQ(dc.GetPolyFillMode(), WINDING);
      EXPECT_EQ(dc.GetBkMode(), OPAQUE);
      EXPECT_EQ(dc.GetTextAlign(), static_cast<UINT>(TA_LEFT | TA_TOP));
      dc.SelectObject(GetStockObject(BLACK_PEN));
      dc.SelectObject(GetStockObject(WHITE_BRUSH));
      EXPECT_TRUE(DeleteObject(pen));
      EXPECT_TRUE(DeleteObject(brush));
    }
  }
  gr_free_buffer_for_text(text);
  std::free(tp);
}

// A back-end that runs out of memory part-way through drawing.
struct ThrowingDC : GrRecordingDC {
  int budget = 3;
  BOOL LineTo(int x, int y) override {
    if (--budget < 0) throw std::bad_alloc();
    return GrRecordingDC::LineTo(x, y);
  }
};

TEST(DrawCleanUp, ThrowingBackEndStillGetsItsObjectsBack) {
  const long live = gdi_live_object_count();
  ThrowingDC dc;
  auto pline = drawtest::make_polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 20}, {5, 5}}, true);
  const Style style(2, kBlue, {});
  gr_styled_polyline_draw(pline.get(), style.style(), &dc);
  EXPECT_EQ(dc.lines().size(), 3u);
  EXPECT_EQ(dc.GetCurrentObject(OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(gdi_live_object_count(), live);
}

}  // namespace
