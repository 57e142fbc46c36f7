// The line primitive under every map mode, plain outlines, circles, arcs,
// Bezier pieces, filled polygons, markers and text, on the recording device.
//
// Invariants: every coordinate reaches the device truncated toward zero and
// inside the 32-bit range; the map mode and extents after a call equal those
// before; what a function selects is deselected again.
#include "draw_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>

namespace {

using drawtest::trace;
using Trace = std::vector<std::string>;

constexpr double kPi = 3.141592653589793;

void set_scalable(GrDeviceContext& dc, int mode, SIZE window, SIZE viewport) {
  dc.SetMapMode(mode);
  dc.SetWindowExtEx(window.cx, window.cy, nullptr);
  dc.SetViewportExtEx(viewport.cx, viewport.cy, nullptr);
}

TEST(DrawPrimitive, HugeCoordinatesFollowTheMapMode) {
  struct Row {
    const char* name;
    int mode;
    gr_cpoint p2;
    int drawn_mode;  // map mode in force at the LineTo; 0: nothing drawn
    POINT to;
  } rows[] = {
      {"text, left clamp", MM_TEXT, {-3e9, 5}, MM_TEXT, {INT32_MIN, 5}},
      {"text, right clamp stays positive", MM_TEXT, {3e9, -7.9}, MM_TEXT, {INT32_MAX, -7}},
      {"text, infinite", MM_TEXT, {0, -INFINITY}, MM_TEXT, {0, INT32_MIN}},
      {"text, in range", MM_TEXT, {2147483000.5, -1.5}, MM_TEXT, {2147483000, -1}},
      {"lometric tenth", MM_LOMETRIC, {3e9, 20}, MM_LOMETRIC, {300000000, 2}},
      {"loenglish tenth then clamp", MM_LOENGLISH, {-4e11, 0}, MM_LOENGLISH, {INT32_MIN, 0}},
      {"himetric through lometric", MM_HIMETRIC, {3e9, 0}, MM_LOMETRIC, {300000000, 0}},
      {"hienglish through loenglish", MM_HIENGLISH, {0, -5e9}, MM_LOENGLISH, {0, -500000000}},
      {"himetric in range", MM_HIMETRIC, {12.7, 3}, MM_HIMETRIC, {12, 3}},
      {"twips draws nothing", MM_TWIPS, {1, 1}, 0, {0, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    GrRecordingDC dc;
    dc.SetMapMode(r.mode);
    dc.clear();
    const gr_segment seg{{0, 0}, r.p2};
    gr_segment_draw(&seg, &dc);
    EXPECT_EQ(dc.GetMapMode(), r.mode);
    const auto lines = dc.lines();
    if (r.drawn_mode == 0) {
      EXPECT_TRUE(dc.calls.empty());
      continue;
    }
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].map_mode, r.drawn_mode);
    EXPECT_EQ(lines[0].to.x, r.to.x);
    EXPECT_EQ(lines[0].to.y, r.to.y);
    // The detour through the coarser mode is two mode changes, no more.
    EXPECT_EQ(dc.count("SetMapMode"), r.drawn_mode != r.mode ? 2 : 0);
  }
}

TEST(DrawPrimitive, HugeCoordinatesInScalableModesGoThroughUnitExtents) {
  for (int mode : {MM_ISOTROPIC, MM_ANISOTROPIC}) {
    SCOPED_TRACE(mode);
    GrRecordingDC dc;
    set_scalable(dc, mode, {1000, 1000}, {500, -500});
    const auto before = dc.mapping();
    dc.clear();
    const gr_segment seg{{10, 10}, {4e9, 100}};
    gr_segment_draw(&seg, &dc);
    EXPECT_EQ(trace(dc), (Trace{"M 10,10", "L 2000000000,-50"}));
    ASSERT_EQ(dc.calls.size(), 6u);
    EXPECT_EQ(dc.calls[1].op, "SetWindowExtEx");
    EXPECT_EQ(dc.calls[1].args, (std::vector<int>{1, 1}));
    EXPECT_EQ(dc.calls[2].op, "SetViewportExtEx");
    EXPECT_EQ(dc.calls[4].args, (std::vector<int>{1000, 1000}));
    EXPECT_EQ(dc.calls[5].args, (std::vector<int>{500, -500}));
    const auto after = dc.mapping();
    EXPECT_EQ(before.sx, after.sx);
    EXPECT_EQ(before.sy, after.sy);
  }
}

TEST(DrawPrimitive, NaNPointIsNotDrawn) {
  GrRecordingDC dc;
  const gr_segment seg{{0, 0}, {std::numeric_limits<double>::quiet_NaN(), 1}};
  gr_segment_draw(&seg, &dc);
  EXPECT_EQ(trace(dc), (Trace{"M 0,0"}));
}

TEST(DrawPrimitive, PolylinesTruncateTowardZeroAndHonourClosed) {
  GrRecordingDC dc;
  auto open = drawtest::make_polyline({{1.9, -1.9}, {10.5, 0}, {10, 10}}, false);
  gr_polyline_draw(open.get(), &dc);
  EXPECT_EQ(trace(dc), (Trace{"M 1,-1", "L 10,0", "L 10,10"}));

  dc.clear();
  auto square = drawtest::make_polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
  gr_polyline_draw(square.get(), &dc);
  EXPECT_EQ(dc.lines().size(), 4u);
  EXPECT_EQ(trace(dc).back(), "L 0,0");

  // "pline->n>1" not met: nothing is drawn.
  dc.clear();
  auto single = drawtest::make_polyline({{5, 5}}, true);
  gr_polyline_draw(single.get(), &dc);
  single->n = 0;
  gr_polyline_draw(single.get(), &dc);
  gr_polyline_draw(nullptr, &dc);
  EXPECT_TRUE(dc.calls.empty());

  auto set = drawtest::make_polylines({{{0, 0}, {1, 1}}, {{5, 5}}, {{2, 2}, {3, 3}, {4, 4}}});
  gr_polylines_draw(set.get(), &dc);
  EXPECT_EQ(trace(dc), (Trace{"M 0,0", "L 1,1", "M 2,2", "L 3,3", "L 4,4"}));
}

TEST(DrawPrimitive, BezierDrawsOnePolyBezierPerCompletePiece) {
  struct Row {
    int n;
    int pieces;
  } rows[] = {{7, 2}, {6, 1}, {4, 1}, {3, 0}, {10, 3}, {0, 0}, {-5, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.n);
    GrRecordingDC dc;
    auto bez = drawtest::make_bezier(r.n);
    gr_bezier_draw(&dc, bez.get());
    EXPECT_EQ(dc.count("PolyBezier"), r.pieces);
    for (int k = 0; k < r.pieces; ++k) {
      const auto& c = dc.calls[static_cast<size_t>(k)];
      ASSERT_EQ(c.points.size(), 4u);
      EXPECT_EQ(c.points[0].x, 30 * k);  // each piece starts where the last ended
      EXPECT_EQ(c.points[3].x, 30 * k + 30);
    }
  }
}

// A device whose PolyBezier fails after the first piece.
struct FailingBezierDC : GrRecordingDC {
  BOOL PolyBezier(const POINT* pts, DWORD n) override {
    GrRecordingDC::PolyBezier(pts, n);
    return count("PolyBezier") == 1 ? 1 : 0x10000;  // low 16 bits 0: failure
  }
};

TEST(DrawPrimitive, BezierStopsAtTheFirstFailingPiece) {
  FailingBezierDC dc;
  auto bez = drawtest::make_bezier(13);
  gr_bezier_draw(&dc, bez.get());
  EXPECT_EQ(dc.count("PolyBezier"), 2);
}

TEST(DrawPrimitive, CirclesAndArcsUseTheNullBrushAndPutTheBrushBack) {
  GrRecordingDC dc;
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
  dc.SelectObject(brush);
  dc.clear();
  const gr_circle circle{{50.5, -20.5}, 10};
  gr_circle_draw(&circle, &dc);
  const gr_trcircle arc{{0, 0}, 10, 0, kPi / 2};
  gr_trcircle_draw(&arc, &dc);
  const gr_trcircle back{{0, 0}, 10, kPi, -kPi / 2};
  gr_trcircle_draw(&back, &dc);
  EXPECT_EQ(dc.GetCurrentObject(OBJ_BRUSH), brush);

  std::vector<const GrRecordedCall*> shapes;
  for (const auto& c : dc.calls) {
    if (c.op == "Ellipse" || c.op == "Arc") shapes.push_back(&c);
  }
  ASSERT_EQ(shapes.size(), 3u);
  for (const auto* c : shapes) EXPECT_EQ(c->brush.lbStyle, static_cast<UINT>(BS_NULL));
  EXPECT_EQ(shapes[0]->args, (std::vector<int>{40, -30, 60, -10}));
  // Start at angle 0, end at pi/2 (the cosine's rounding truncates to 0).
  EXPECT_EQ(shapes[1]->args, (std::vector<int>{-10, -10, 10, 10, 10, 0, 0, 10}));
  EXPECT_EQ(shapes[2]->args, (std::vector<int>{-10, -10, 10, 10, -10, 0, 0, -10}));
  dc.SelectObject(GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}

TEST(DrawPrimitive, FilledPolygons) {
  GrRecordingDC dc;
  auto tri = drawtest::make_polyline({{0, 0}, {10.7, 0}, {0, -10.7}}, true);
  EXPECT_EQ(gr_filled_polyline_draw(tri.get(), &dc), 1);
  ASSERT_EQ(dc.calls.size(), 1u);
  EXPECT_EQ(dc.calls[0].op, "Polygon");
  ASSERT_EQ(dc.calls[0].points.size(), 3u);
  EXPECT_EQ(dc.calls[0].points[1].x, 10);
  EXPECT_EQ(dc.calls[0].points[2].y, -10);

  dc.SetPolyFillMode(WINDING);
  dc.clear();
  auto ring =
      drawtest::make_polylines({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{3, 3}, {6, 3}, {6, 6}, {3, 6}}});
  EXPECT_EQ(gr_filled_polylines_draw(ring.get(), &dc), 1);
  const GrRecordedCall* pp = nullptr;
  for (const auto& c : dc.calls) {
    if (c.op == "PolyPolygon") pp = &c;
  }
  ASSERT_NE(pp, nullptr);
  EXPECT_EQ(pp->fill_mode, ALTERNATE);
  EXPECT_EQ(pp->counts, (std::vector<int>{4, 4}));
  EXPECT_EQ(pp->points.size(), 8u);
  EXPECT_EQ(dc.GetPolyFillMode(), WINDING);
  EXPECT_EQ(gr_filled_polyline_draw(nullptr, &dc), 0);
}

TEST(DrawPrimitive, MarkersByKind) {
  const gr_rgbcol red{1, 0, 0};
  struct Row {
    int kind;
    double size;
    Trace moves;
    int ellipses;
    int pixels;
  } rows[] = {
      {0, 0, {}, 0, 1},
      {0, 4, {}, 1, 0},
      {1, 4, {"M 8,8", "L 12,12", "M 12,8", "L 8,12"}, 0, 0},
      {2, 4, {"M 10,8", "L 10,12", "M 8,10", "L 12,10"}, 0, 0},
      {3, 4, {"M 8,8", "L 12,12", "M 12,8", "L 8,12", "M 10,8", "L 10,12", "M 8,10", "L 12,10"}, 0, 0},
      {4, 4, {}, 1, 0},
      {5, 4, {"M 8,8", "L 12,8", "L 12,12", "L 8,12", "L 8,8"}, 0, 0},
      {6, 4, {"M 8,8", "L 12,8", "L 10,12", "L 8,8"}, 0, 0},
      {7, 4, {}, 0, 0},
      {-1, 4, {}, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.kind);
    const long live = gdi_live_object_count();
    GrRecordingDC dc;
    const gr_marker_style marker{static_cast<int8_t>(r.kind), red, r.size};
    const gr_cpoint at{10, 10};
    gr_styled_cpoint_draw(&at, &marker, &dc);
    EXPECT_EQ(trace(dc), r.moves);
    EXPECT_EQ(dc.count("Ellipse"), r.ellipses);
    EXPECT_EQ(dc.count("SetPixel"), r.pixels);
    EXPECT_EQ(gdi_live_object_count(), live);
    EXPECT_EQ(dc.GetCurrentObject(OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc.GetCurrentObject(OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    for (const auto& c : dc.calls) {
      if (c.op == "LineTo") {
        EXPECT_EQ(c.pen.lopnColor, RGB(255, 0, 0));
        EXPECT_EQ(c.pen.lopnWidth.x, 1);
      }
      if (c.op == "SetPixel") {
        EXPECT_EQ(c.args, (std::vector<int>{10, 10, 255}));
      }
      if (c.op == "Ellipse" && r.kind == 0) {
        EXPECT_EQ(c.args, (std::vector<int>{8, 8, 12, 12}));
        EXPECT_EQ(c.brush.lbStyle, static_cast<UINT>(BS_SOLID));
        EXPECT_EQ(c.brush.lbColor, RGB(255, 0, 0));
      }
    }
  }
}

TEST(DrawPrimitive, TextRecordLayout) {
  EXPECT_EQ(sizeof(gr_text), 52u);
  EXPECT_EQ(offsetof(gr_text, height), 36u);
  EXPECT_EQ(offsetof(gr_text, len), 44u);
  EXPECT_EQ(offsetof(gr_text, str), 48u);
  EXPECT_EQ(gr_get_text_sizen(5), 57);
  EXPECT_EQ(gr_alloc_buffer_for_text(-1), nullptr);
}

TEST(DrawPrimitive, TextUsesAFontOfItsHeightAndRestoresTheContext) {
  const long live = gdi_live_object_count();
  GrRecordingDC dc;
  HGDIOBJ font_before = dc.GetCurrentObject(OBJ_FONT);
  const char* s = "Trevalon";
  gr_text* text = gr_alloc_buffer_for_text(5);
  ASSERT_NE(text, nullptr);
  text->x = 10.9;
  text->y = -20.9;
  text->height = 30.7;
  text->len = 5;
  std::memcpy(text->str, s, 5);
  EXPECT_EQ(gr_get_text_size(text), 57);
  gr_text_draw(text, &dc);
  gr_free_buffer_for_text(text);

  const GrRecordedCall* out = nullptr;
  for (const auto& c : dc.calls) {
    if (c.op == "TextOutA") out = &c;
  }
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->args, (std::vector<int>{10, -20, 5}));
  EXPECT_EQ(out->text, "Treva");
  EXPECT_EQ(out->font.lfHeight, 30);
  LOGFONTA stock{};
  GetObjectA(GetStockObject(ANSI_VAR_FONT), sizeof stock, &stock);
  EXPECT_STREQ(out->font.lfFaceName, stock.lfFaceName);
  EXPECT_EQ(dc.GetCurrentObject(OBJ_FONT), font_before);
  EXPECT_EQ(dc.GetBkMode(), OPAQUE);
  EXPECT_EQ(dc.GetTextAlign(), static_cast<UINT>(TA_LEFT | TA_TOP));
  EXPECT_EQ(gdi_live_object_count(), live);
  // Background and alignment were set for the text and put back after it.
  Trace setters;
  for (const auto& c : dc.calls) {
    if (c.op == "SetBkMode" || c.op == "SetTextAlign")
      setters.push_back(c.op + " " + std::to_string(c.args[0]));
  }
  EXPECT_EQ(setters, (Trace{"SetBkMode 1", "SetTextAlign 8", "SetTextAlign 0", "SetBkMode 2"}));
}

}  // namespace
