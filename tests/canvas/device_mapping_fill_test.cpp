// The Qt device's mapping and areas, checked at probe pixels.
// Invariants: a logical point lands where the mapping puts it (y up views
// keep the logical origin at the bottom-left); ALTERNATE fills leave the
// holes of a poly-polygon empty; areas are filled with the selected brush
// and nothing else.
#include "canvas_test_util.h"

#include <gtest/gtest.h>

#include <string>

using namespace canvas_test;

namespace {

struct MappingCase {
  const char* name;
  int map_mode;
  SIZE window_ext;
  SIZE viewport_ext;
  POINT viewport_org;
  RECT logical;         // filled with black
  POINT inside_px;      // device pixel that must be black
  POINT outside_px[2];  // device pixels that must stay white
  POINT device_origin;  // where logical (0, 0) is
};

TEST(QtDeviceMapping, LogicalRectanglesLandWhereTheMappingPutsThem) {
  // Pictures are 200 x 100 pixels.
  const MappingCase cases[] = {
      // s = min(200 / 1000, 100 / 1000) = 0.1: the square 0..100 is 10 x 10
      // pixels at the bottom-left corner.
      {"isotropic y up",
       MM_ISOTROPIC,
       {1000, 1000},
       {200, -100},
       {0, 100},
       {0, 0, 100, 100},
       {5, 95},
       {{5, 5}, {15, 95}},
       {0, 100}},
      // Each axis keeps its own scale: 0.2 across, 0.1 up.
      {"anisotropic y up",
       MM_ANISOTROPIC,
       {1000, 1000},
       {200, -100},
       {0, 100},
       {0, 0, 100, 100},
       {15, 95},
       {{5, 85}, {25, 95}},
       {0, 100}},
      {"text mode, y down",
       MM_TEXT,
       {1, 1},
       {1, 1},
       {0, 0},
       {0, 0, 10, 10},
       {5, 5},
       {{5, 15}, {15, 5}},
       {0, 0}},
      // 254 units are one inch, 96 pixels on a 96 dpi image, y up.
      {"low metric y up",
       MM_LOMETRIC,
       {1, 1},
       {1, 1},
       {0, 100},
       {0, 0, 254, 254},
       {90, 10},
       {{100, 10}, {90, 2}},
       {0, 100}},
  };
  for (const MappingCase& c : cases) {
    SCOPED_TRACE(c.name);
    POINT origin{};
    const QImage im = draw_picture(200, 100, [&](canvas::QtDeviceContext& dc) {
      dc.SetMapMode(c.map_mode);
      dc.SetWindowExtEx(c.window_ext.cx, c.window_ext.cy, nullptr);
      dc.SetViewportExtEx(c.viewport_ext.cx, c.viewport_ext.cy, nullptr);
      dc.SetViewportOrgEx(c.viewport_org.x, c.viewport_org.y, nullptr);
      dc.SelectObject(GetStockObject(NULL_PEN));
      dc.SelectObject(GetStockObject(BLACK_BRUSH));
      dc.Rectangle(c.logical.left, c.logical.top, c.logical.right, c.logical.bottom);
      origin = c.device_origin;
      ASSERT_TRUE(dc.DPtoLP(&origin, 1));
    });
    EXPECT_TRUE(dark(im, c.inside_px.x, c.inside_px.y));
    for (const POINT& p : c.outside_px) EXPECT_TRUE(white(im, p.x, p.y)) << p.x << "," << p.y;
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
  }
}

TEST(QtDeviceMapping, PixelOfALogicalPointFollowsTheViewportOrigin) {
  // A one-pixel line through logical y = 10 in a y-up view of scale 1 lies on
  // device row 100 - 10, the row LPtoDP gives.
  const QImage im = draw_picture(50, 100, [](canvas::QtDeviceContext& dc) {
    y_up(dc, 50, 100, 50, 100);
    dc.MoveToEx(0, 10, nullptr);
    dc.LineTo(50, 10);
  });
  EXPECT_TRUE(dark(im, 25, 90));
  EXPECT_TRUE(white(im, 25, 89));
  EXPECT_TRUE(white(im, 25, 91));
}

struct FillCase {
  const char* name;
  int fill_mode;
  bool inner_reversed;  // the hole runs the other way round
  bool hole_filled;
};

TEST(QtDeviceFill, PolyPolygonHolesFollowTheFillMode) {
  const FillCase cases[] = {
      {"alternate", ALTERNATE, false, false},
      {"alternate, hole reversed", ALTERNATE, true, false},
      {"winding, same turn", WINDING, false, true},
      {"winding, hole reversed", WINDING, true, false},
  };
  for (const FillCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QImage im = draw_picture(100, 100, [&](canvas::QtDeviceContext& dc) {
      y_up(dc, 100, 100, 100, 100);
      POINT pts[8] = {{10, 10}, {90, 10}, {90, 90}, {10, 90}, {30, 30}, {70, 30}, {70, 70}, {30, 70}};
      if (c.inner_reversed) std::swap(pts[5], pts[7]);
      const int counts[2] = {4, 4};
      dc.SelectObject(GetStockObject(BLACK_BRUSH));
      dc.SetPolyFillMode(c.fill_mode);
      ASSERT_TRUE(dc.PolyPolygon(pts, counts, 2));
    });
    EXPECT_TRUE(dark(im, 20, 50));  // between the outlines
    EXPECT_TRUE(white(im, 5, 5));   // outside
    EXPECT_EQ(dark(im, 50, 50), c.hole_filled);
    if (!c.hole_filled) {
      EXPECT_TRUE(white(im, 50, 50));
    }
  }
}

TEST(QtDeviceFill, BrushesFillSolidHatchedOrNothing) {
  struct BrushCase {
    const char* name;
    LOGBRUSH brush;
    bool some_dark, some_white;
  };
  const BrushCase cases[] = {
      {"solid", {BS_SOLID, RGB(0, 0, 0), 0}, true, false},
      {"null", {BS_NULL, RGB(0, 0, 0), 0}, false, true},
      {"cross hatch", {BS_HATCHED, RGB(0, 0, 0), HS_CROSS}, true, true},
      {"diagonal hatch", {BS_HATCHED, RGB(0, 0, 0), HS_DIAGCROSS}, true, true},
  };
  for (const BrushCase& c : cases) {
    SCOPED_TRACE(c.name);
    HBRUSH brush = CreateBrushIndirect(&c.brush);
    ASSERT_NE(brush, nullptr);
    const QImage im = draw_picture(60, 60, [&](canvas::QtDeviceContext& dc) {
      HGDIOBJ old_pen = dc.SelectObject(GetStockObject(NULL_PEN));
      HGDIOBJ old_brush = dc.SelectObject(brush);
      dc.Rectangle(5, 5, 55, 55);
      dc.SelectObject(old_brush);
      dc.SelectObject(old_pen);
    });
    int dark_px = 0, white_px = 0;
    for (int y = 10; y < 50; ++y)
      for (int x = 10; x < 50; ++x) (dark(im, x, y) ? dark_px : white_px) += 1;
    EXPECT_EQ(dark_px > 0, c.some_dark);
    EXPECT_EQ(white_px > 0, c.some_white);
    EXPECT_TRUE(DeleteObject(brush));
  }
}

TEST(QtDeviceFill, RectangleAndLineLeaveOutTheirLastPixel) {
  const QImage im = draw_picture(40, 40, [](canvas::QtDeviceContext& dc) {
    dc.SelectObject(GetStockObject(NULL_BRUSH));
    dc.Rectangle(10, 10, 20, 20);
    dc.MoveToEx(25, 5, nullptr);
    dc.LineTo(35, 5);
  });
  EXPECT_TRUE(dark(im, 10, 10));
  EXPECT_TRUE(dark(im, 19, 19));
  EXPECT_TRUE(white(im, 20, 15));
  EXPECT_TRUE(white(im, 15, 20));
  EXPECT_TRUE(white(im, 15, 15));
  EXPECT_TRUE(dark(im, 25, 5));
  EXPECT_TRUE(dark(im, 34, 5));
  EXPECT_TRUE(white(im, 35, 5));
}

}  // namespace

namespace {

// Lines and areas reaching far beyond the device (the line primitive clamps
// to the 32-bit range, zoomed views reach it) neither fail nor hang, and a
// line shows its visible part, with one-pixel, wide and dashed pens alike.
TEST(QtDeviceExtremes, HugeCoordinatesDrawTheirVisiblePart) {
  LOGBRUSH black{BS_SOLID, RGB(0, 0, 0), 0};
  const DWORD dashes[2] = {3, 2};
  const HPEN pens[] = {CreatePen(PS_SOLID, 0, 0), CreatePen(PS_SOLID, 40, 0),
                       ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 30, &black, 2, dashes)};
  for (int scale : {1, 1000}) {
    for (HPEN pen : pens) {
      SCOPED_TRACE(scale);
      // Logical y = 0 on device row 150.
      const auto view = [&](GrDeviceContext& dc) {
        dc.SetMapMode(MM_ISOTROPIC);
        dc.SetWindowExtEx(300, 300, nullptr);
        dc.SetViewportExtEx(300 * scale, -300 * scale, nullptr);
        dc.SetViewportOrgEx(0, 150, nullptr);
        dc.SelectObject(pen);
      };
      const QImage line = draw_picture(300, 300, [&](canvas::QtDeviceContext& dc) {
        view(dc);
        dc.MoveToEx(INT32_MIN, 0, nullptr);
        dc.LineTo(INT32_MAX, 0);
        dc.SelectObject(GetStockObject(BLACK_PEN));
      });
      EXPECT_TRUE(dark_near(line, 5, 150, 1));
      EXPECT_TRUE(dark_near(line, 295, 150, 1));
      draw_picture(300, 300, [&](canvas::QtDeviceContext& dc) {
        view(dc);
        EXPECT_TRUE(dc.Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
        EXPECT_TRUE(dc.Ellipse(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
        EXPECT_TRUE(dc.Arc(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 0, 0));
        EXPECT_TRUE(dc.Arc(5, 5, 5, 5, 5, 5, 5, 5));
        const POINT p[4] = {{INT32_MIN, 0}, {INT32_MAX, INT32_MAX}, {0, INT32_MIN}, {INT32_MAX, 0}};
        EXPECT_TRUE(dc.Polygon(p, 4));
        EXPECT_TRUE(dc.PolyBezier(p, 4));
        dc.SelectObject(GetStockObject(BLACK_PEN));
      });
    }
  }
  for (HPEN pen : pens) EXPECT_TRUE(DeleteObject(pen));
}

}  // namespace
