// Arcs, Bezier curves, pixels and text on the Qt device.
// Invariants: arcs run counter-clockwise in logical space (by default)
// whatever the y direction; text is lfHeight logical units high, upright,
// and stands above its reference point with TA_BOTTOM, below it with TA_TOP;
// SetPixel sets the one pixel nearest the point.
#include "canvas_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace canvas_test;

namespace {

struct ArcCase {
  const char* name;
  bool y_up_view;
  int direction;
  bool through_upper_right;  // logical 45 degrees, else logical 225 degrees
};

TEST(QtDeviceArc, RunsCounterClockwiseInLogicalSpace) {
  const ArcCase cases[] = {
      {"y up, counter-clockwise", true, AD_COUNTERCLOCKWISE, true},
      {"y up, clockwise", true, AD_CLOCKWISE, false},
      {"y down, counter-clockwise", false, AD_COUNTERCLOCKWISE, true},
  };
  for (const ArcCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Circle of radius 60 about logical (100, 100), from the ray at 0
    // degrees to the ray at 90 degrees.
    const QImage im = draw_picture(200, 200, [&](canvas::QtDeviceContext& dc) {
      if (c.y_up_view) y_up(dc, 200, 200, 200, 200);
      dc.SetArcDirection(c.direction);
      ASSERT_TRUE(dc.Arc(40, 40, 160, 160, 190, 100, 100, 190));
    });
    const auto device = [&](double deg) {
      const double a = deg * M_PI / 180.0;
      const double lx = 100 + 60 * std::cos(a), ly = 100 + 60 * std::sin(a);
      return POINT{static_cast<int>(std::lround(lx)),
                   static_cast<int>(std::lround(c.y_up_view ? 200 - ly : ly))};
    };
    const POINT ne = device(45), sw = device(225), end = device(90);
    EXPECT_EQ(dark_near(im, ne.x, ne.y), c.through_upper_right);
    EXPECT_EQ(dark_near(im, sw.x, sw.y), !c.through_upper_right);
    EXPECT_TRUE(dark_near(im, end.x, end.y));
  }
}

TEST(QtDeviceArc, EqualRaysDrawTheWholeEllipse) {
  const QImage im =
      draw_picture(120, 80, [](canvas::QtDeviceContext& dc) { dc.Arc(10, 10, 110, 70, 110, 40, 110, 40); });
  EXPECT_TRUE(dark_near(im, 60, 10));  // top
  EXPECT_TRUE(dark_near(im, 60, 69));  // bottom
  EXPECT_TRUE(dark_near(im, 10, 40));  // left
  EXPECT_TRUE(white(im, 60, 40));      // not filled
}

TEST(QtDeviceCurves, BezierPassesThroughItsEnds) {
  const QImage im = draw_picture(100, 100, [](canvas::QtDeviceContext& dc) {
    y_up(dc, 100, 100, 100, 100);
    const POINT pts[7] = {{10, 10}, {10, 90}, {50, 90}, {50, 50}, {50, 10}, {90, 10}, {90, 89}};
    ASSERT_TRUE(dc.PolyBezier(pts, 7));
    EXPECT_FALSE(dc.PolyBezier(pts, 6));
  });
  EXPECT_TRUE(dark_near(im, 10, 90));
  EXPECT_TRUE(dark_near(im, 50, 50));
  EXPECT_TRUE(dark_near(im, 89, 12));
}

TEST(QtDevicePixel, SetPixelSetsTheNearestPixelOnly) {
  COLORREF got = 0;
  const QImage im = draw_picture(100, 100, [&](canvas::QtDeviceContext& dc) {
    y_up(dc, 200, 200, 100, 100);  // half scale
    got = dc.SetPixel(40, 20, RGB(255, 0, 0));
    EXPECT_EQ(dc.SetPixel(400, 20, RGB(255, 0, 0)), CLR_INVALID);  // off the picture
  });
  EXPECT_EQ(got, RGB(255, 0, 0));
  EXPECT_EQ(im.pixel(20, 90) & 0xFFFFFFu, 0xFF0000u);
  EXPECT_EQ(count_non_white(im), 1);
}

// Rows holding dark pixels, as [first, last]; {-1, -1} for none.
std::pair<int, int> dark_rows(const QImage& im) {
  int first = -1, last = -1;
  for (int y = 0; y < im.height(); ++y) {
    for (int x = 0; x < im.width(); ++x) {
      if (dark(im, x, y)) {
        if (first < 0) first = y;
        last = y;
        break;
      }
    }
  }
  return {first, last};
}

struct TextCase {
  const char* name;
  UINT align;
  int window;              // isotropic y-up view, window extent over 200 pixels
  int height;              // lfHeight, logical units
  int min_rows, max_rows;  // expected height of the ink, pixels
  bool above;              // the ink lies above the reference row, else below
};

TEST(QtDeviceText, HeightAndAlignmentPlaceTheInk) {
  const TextCase cases[] = {
      {"bottom alignment stands above", TA_BOTTOM, 200, 30, 15, 31, true},
      {"top alignment hangs below", TA_TOP, 200, 30, 15, 31, false},
      {"height scales with the view", TA_BOTTOM, 100, 30, 30, 61, true},
      {"negative height is the em size", TA_BOTTOM, 200, -30, 15, 31, true},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    LOGFONTA lf{};
    lf.lfHeight = c.height;
    lf.lfWeight = 400;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    HFONT font = CreateFontIndirectA(&lf);
    ASSERT_NE(font, nullptr);
    // Reference point at logical (10, window / 2): device row 100.
    const QImage im = draw_picture(200, 200, [&](canvas::QtDeviceContext& dc) {
      y_up(dc, c.window, c.window, 200, 200);
      HGDIOBJ old = dc.SelectObject(font);
      dc.SetBkMode(TRANSPARENT);
      dc.SetTextAlign(c.align);
      EXPECT_TRUE(dc.TextOutA(10, c.window / 2, "HEH", 3));
      dc.SelectObject(old);
    });
    const auto [first, last] = dark_rows(im);
    ASSERT_GE(first, 0) << "no text drawn";
    if (c.above) {
      EXPECT_LE(last, 100);
    } else {
      EXPECT_GE(first, 100);
    }
    EXPECT_GE(last - first + 1, c.min_rows);
    EXPECT_LE(last - first + 1, c.max_rows);
    EXPECT_TRUE(DeleteObject(font));
  }
}

TEST(QtDeviceText, UpdateCpMovesTheCurrentPositionPastTheText) {
  POINT before{}, after{};
  draw_picture(200, 50, [&](canvas::QtDeviceContext& dc) {
    dc.SetTextAlign(TA_UPDATECP | TA_TOP);
    dc.MoveToEx(10, 10, nullptr);
    dc.GetCurrentPositionEx(&before);
    EXPECT_TRUE(dc.TextOutA(0, 0, "abc", 3));
    dc.GetCurrentPositionEx(&after);
  });
  EXPECT_GT(after.x, before.x + 5);
  EXPECT_EQ(after.y, before.y);
}

TEST(QtDeviceText, BytesThatAreNotUtf8StillDraw) {
  const QImage im = draw_picture(100, 40, [](canvas::QtDeviceContext& dc) {
    const char bytes[] = {'\xC0', '\xE9', 'x'};
    EXPECT_TRUE(dc.TextOutA(5, 5, bytes, 3));
    EXPECT_FALSE(dc.TextOutA(5, 5, nullptr, 3));
  });
  EXPECT_GT(count_non_white(im), 0);
}

}  // namespace
