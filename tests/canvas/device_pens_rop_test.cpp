// Pens and raster operations of the Qt device.
// Invariants: a pen's width is in logical units and scales with the mapping,
// never below one device pixel; width 0 is one device pixel at any scale;
// a null pen draws nothing; a picture drawn over twice with R2_NOTXORPEN is
// the picture it was.
#include "canvas_test_util.h"

#include <gtest/gtest.h>

using namespace canvas_test;

namespace {

// Dark pixels in one column across a horizontal line.
int line_thickness(const QImage& im, int column) {
  int n = 0;
  for (int y = 0; y < im.height(); ++y) n += dark(im, column, y) ? 1 : 0;
  return n;
}

TEST(QtDevicePens, WidthScalesWithTheMappingAndZeroStaysOnePixel) {
  struct WidthCase {
    const char* name;
    int window, viewport;  // isotropic scale viewport / window
    int width;             // logical units
    int expect_px;
  };
  const WidthCase cases[] = {
      {"width 0 at scale 1", 100, 100, 0, 1},
      {"width 0 at scale 4", 25, 100, 0, 1},
      {"width 5 at scale 2", 50, 100, 5, 10},
      {"width 10 at scale 1/2", 200, 100, 10, 5},
      {"width 1 at scale 1/10 is one pixel", 1000, 100, 1, 1},
      {"width 20 at scale 1", 100, 100, 20, 20},
  };
  for (const WidthCase& c : cases) {
    SCOPED_TRACE(c.name);
    HPEN pen = CreatePen(PS_SOLID, c.width, RGB(0, 0, 0));
    const QImage im = draw_picture(100, 100, [&](canvas::QtDeviceContext& dc) {
      y_up(dc, c.window, c.window, 100, 100);
      HGDIOBJ old = dc.SelectObject(pen);
      dc.MoveToEx(0, c.window / 2, nullptr);
      dc.LineTo(c.window, c.window / 2);
      dc.SelectObject(old);
    });
    EXPECT_NEAR(line_thickness(im, 50), c.expect_px, c.expect_px > 1 ? 1 : 0);
    EXPECT_TRUE(DeleteObject(pen));
  }
}

TEST(QtDevicePens, NullPenDrawsNothing) {
  LOGBRUSH null_brush{BS_NULL, 0, 0};
  const HPEN pens[] = {static_cast<HPEN>(GetStockObject(NULL_PEN)), CreatePen(PS_NULL, 3, RGB(0, 0, 0)),
                       ExtCreatePen(PS_GEOMETRIC | PS_NULL, 4, &null_brush, 0, nullptr)};
  for (HPEN pen : pens) {
    ASSERT_NE(pen, nullptr);
    const QImage im = draw_picture(100, 100, [&](canvas::QtDeviceContext& dc) {
      y_up(dc, 100, 100, 100, 100);
      HGDIOBJ old_pen = dc.SelectObject(pen);
      HGDIOBJ old_brush = dc.SelectObject(GetStockObject(NULL_BRUSH));
      dc.MoveToEx(10, 10, nullptr);
      dc.LineTo(90, 90);
      dc.Rectangle(5, 5, 95, 95);
      dc.Ellipse(20, 20, 80, 80);
      dc.Arc(20, 20, 80, 80, 80, 50, 50, 80);
      const POINT bez[4] = {{10, 50}, {30, 90}, {70, 10}, {90, 50}};
      dc.PolyBezier(bez, 4);
      const POINT tri[3] = {{10, 10}, {50, 90}, {90, 10}};
      dc.Polygon(tri, 3);
      dc.SelectObject(old_brush);
      dc.SelectObject(old_pen);
    });
    EXPECT_EQ(count_non_white(im), 0);
  }
  EXPECT_TRUE(DeleteObject(pens[1]));
  EXPECT_TRUE(DeleteObject(pens[2]));
}

TEST(QtDevicePens, UserDashesAreInLogicalUnits) {
  // Dash 10, gap 10 logical units at scale 2: 20-pixel dashes and gaps.
  LOGBRUSH brush{BS_SOLID, RGB(0, 0, 0), 0};
  const DWORD dashes[2] = {10, 10};
  HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT, 1, &brush, 2, dashes);
  ASSERT_NE(pen, nullptr);
  const QImage im = draw_picture(200, 20, [&](canvas::QtDeviceContext& dc) {
    y_up(dc, 100, 10, 200, 20);
    HGDIOBJ old = dc.SelectObject(pen);
    dc.MoveToEx(0, 5, nullptr);
    dc.LineTo(100, 5);
    dc.SelectObject(old);
  });
  EXPECT_TRUE(dark(im, 10, 10));
  EXPECT_TRUE(white(im, 30, 10));
  EXPECT_TRUE(dark(im, 50, 10));
  EXPECT_TRUE(white(im, 70, 10));
  EXPECT_TRUE(DeleteObject(pen));
}

// The rubber band of the drawing window: a dashed one-pixel geometric pen
// over a blue brush, a null brush, the inverting mode; or a solid cosmetic
// pen for a line.
void rubber_band(GrDeviceContext& dc, bool line, const RECT& r) {
  LOGBRUSH blue{BS_SOLID, RGB(0, 0, 255), 0};
  HPEN pen = line ? ExtCreatePen(PS_COSMETIC | PS_SOLID, 1, &blue, 0, nullptr)
                  : ExtCreatePen(PS_GEOMETRIC | PS_DASH, 1, &blue, 0, nullptr);
  HGDIOBJ old_pen = dc.SelectObject(pen);
  HGDIOBJ old_brush = dc.SelectObject(GetStockObject(NULL_BRUSH));
  const int old_rop = dc.SetROP2(R2_NOTXORPEN);
  if (line) {
    dc.MoveToEx(r.left, r.top, nullptr);
    dc.LineTo(r.right, r.bottom);
    dc.LineTo(r.left, r.bottom);  // a joined second piece
  } else {
    dc.Rectangle(r.left, r.top, r.right, r.bottom);
  }
  dc.SetROP2(old_rop);
  dc.SelectObject(old_brush);
  dc.SelectObject(old_pen);
  DeleteObject(pen);
}

TEST(QtDeviceRop, NotXorRubberBandDrawnTwiceLeavesThePictureUnchanged) {
  // A picture with colour, black, hatching and text under the band.
  const QImage start = draw_picture(160, 120, [](canvas::QtDeviceContext& dc) {
    HBRUSH red = CreateSolidBrush(RGB(200, 30, 30));
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 120, 0));
    HGDIOBJ old = dc.SelectObject(red);
    dc.Ellipse(10, 10, 90, 90);
    dc.SelectObject(hatch);
    dc.Rectangle(60, 40, 150, 110);
    dc.SelectObject(old);
    dc.TextOutA(20, 95, "Band", 4);
    DeleteObject(red);
    DeleteObject(hatch);
  });
  struct BandCase {
    const char* name;
    bool line;
    bool y_up_view;
    RECT r;
  };
  const BandCase cases[] = {
      {"dashed rectangle, device pixels", false, false, {5, 8, 140, 100}},
      {"solid line, device pixels", true, false, {3, 110, 150, 4}},
      {"dashed rectangle, y up view", false, true, {50, 40, 1400, 1000}},
      {"solid line, y up view", true, true, {0, 0, 1500, 1100}},
  };
  for (const BandCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto band = [&](canvas::QtDeviceContext& dc) {
      if (c.y_up_view) y_up(dc, 1600, 1200, 160, 120);
      rubber_band(dc, c.line, c.r);
    };
    const QImage once = draw_picture(160, 120, band, &start);
    EXPECT_NE(once, start);
    const QImage twice = draw_picture(160, 120, band, &once);
    EXPECT_EQ(twice, start);
  }
}

TEST(QtDeviceRop, NotXorOverWhiteShowsThePenColour) {
  const QImage im = draw_picture(40, 40, [](canvas::QtDeviceContext& dc) {
    rubber_band(dc, true, RECT{5, 10, 35, 30});
  });
  EXPECT_EQ(im.pixel(10, 30) & 0xFFFFFFu, 0x0000FFu);
}

TEST(QtDeviceRop, NopAndBlackModes) {
  const QImage nop = draw_picture(40, 40, [](canvas::QtDeviceContext& dc) {
    dc.SetROP2(R2_NOP);
    dc.MoveToEx(5, 20, nullptr);
    dc.LineTo(35, 20);
    dc.Rectangle(5, 5, 30, 30);
  });
  EXPECT_EQ(count_non_white(nop), 0);
  const QImage black = draw_picture(40, 40, [](canvas::QtDeviceContext& dc) {
    HPEN red = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));
    HGDIOBJ old = dc.SelectObject(red);
    dc.SetROP2(R2_BLACK);
    dc.MoveToEx(5, 20, nullptr);
    dc.LineTo(35, 20);
    dc.SelectObject(old);
    DeleteObject(red);
  });
  EXPECT_EQ(black.pixel(10, 20) & 0xFFFFFFu, 0u);
}

}  // namespace
