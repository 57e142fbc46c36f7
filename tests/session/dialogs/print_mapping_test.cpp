// Printing's logic: what is printed, and where the two mappings put the
// drawing on the printer's page.
// Invariants: fit to page fills the printable area along the limiting axis
// and centres the drawing along the other; natural size centres the
// document's page and draws one dot of the drawing per printer pixel; both
// have y upwards; a context that refuses the viewport origin gets nothing.
#include "dialogs_test_util.h"

#include <session/printing.h>

#include <geomkit/recording_dc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace {

using namespace dialogtest;

struct Box {
  int x1 = INT_MAX, y1 = INT_MAX, x2 = INT_MIN, y2 = INT_MIN;
  void add(POINT p) {
    x1 = std::min(x1, int(p.x));
    y1 = std::min(y1, int(p.y));
    x2 = std::max(x2, int(p.x));
    y2 = std::max(y2, int(p.y));
  }
};

// Device box of everything the drawing put on the page.
Box ink(const GrRecordingDC& dc) {
  Box b;
  for (const GrRecordedCall& c : dc.calls) {
    std::vector<POINT> pts = c.points;
    if (c.op == "MoveToEx" || c.op == "LineTo") pts.push_back(POINT{c.args[0], c.args[1]});
    if (c.op != "MoveToEx" && c.op != "LineTo" && c.op != "Polygon" && c.op != "PolyPolygon") continue;
    for (POINT p : pts) {
      dc.LPtoDP(&p, 1);
      b.add(p);
    }
  }
  return b;
}

// A drawing at 100 dots per inch holding one rectangle.
struct Sheet : Drawing {
  Sheet(double x, double y, double w, double h) {
    view->reload_page_setup(PageSetup{kInch, 0, 100, 11, 8.5, false});
    const std::vector<gr_cpoint> pts{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    auto p = testsupport::make_polyline(pts);
    doc().AddElem(FGB_POLYLINE, p.get(), gr_curve_style{}, gr_fill_area_style{}, 1);
  }
};

TEST(PrintMapping, FitToPageFillsTheLimitingAxisAndCentresTheOther) {
  struct Row {
    const char* name;
    double x, y, w, h;
    Box want;  // device box on a 1000 x 800 page
  } rows[] = {
      // 10 x 2 inches: fitted by width, centred vertically.
      {"wide", 1, 1, 10, 2, {0, 300, 1000, 500}},
      // 2 x 8 inches: fitted by height, centred horizontally.
      {"tall", -3, -4, 2, 8, {400, 0, 600, 800}},
  };
  for (const Row& r : rows) {
    Sheet s(r.x, r.y, r.w, r.h);
    GrRecordingDC dc;
    ASSERT_TRUE(print_page(dc, *s.view, false, 1000, 800)) << r.name;
    const Box b = ink(dc);
    EXPECT_NEAR(b.x1, r.want.x1, 1) << r.name;
    EXPECT_NEAR(b.x2, r.want.x2, 1) << r.name;
    EXPECT_NEAR(b.y1, r.want.y1, 1) << r.name;
    EXPECT_NEAR(b.y2, r.want.y2, 1) << r.name;
    // y upwards: the rectangle's lower edge is the larger device y.
    POINT low{int(r.x * 100), int(r.y * 100)};
    dc.LPtoDP(&low, 1);
    EXPECT_NEAR(low.y, r.want.y2, 1) << r.name;
  }
}

TEST(PrintMapping, FitToPageTakesBothSidesAndDegenerateExtents) {
  // A selection far from an unselected part: the extent is their union.
  Sheet s(0, 0, 1, 1);
  auto p = testsupport::make_polyline({{9, 3}, {10, 3}, {10, 4}});
  s.doc().AddElem(FGB_POLYLINE, p.get(), gr_curve_style{}, gr_fill_area_style{}, 2);
  GrRecordingDC dc;
  ASSERT_TRUE(print_page(dc, *s.view, false, 1000, 800));
  const Box b = ink(dc);
  EXPECT_NEAR(b.x1, 0, 1);
  EXPECT_NEAR(b.x2, 1000, 1);
  EXPECT_NEAR(b.y1, 200, 1);  // 10 x 4 inches: 400 of 800 pixels high, centred
  EXPECT_NEAR(b.y2, 600, 1);

  // A horizontal line has no height: the mapping stays finite.
  const PrintMapping m = fit_mapping({5, 0}, {1, 2}, 100, 1000, 800);
  EXPECT_EQ(m.window_ext.cx, 500);
  EXPECT_EQ(m.window_ext.cy, 1);
  EXPECT_EQ(m.viewport_ext.cy, -800);
}

TEST(PrintMapping, NaturalSizeCentresTheDocumentsPage) {
  // The printable page equals the document's page in dots: a = b = 0, one
  // dot per printer pixel from the page's lower-left corner.
  Sheet s(1, 1, 2, 1);
  const gr_cpoint dots = page_in_dots(s.view->page_setup());
  EXPECT_DOUBLE_EQ(dots.x, 1100);
  EXPECT_DOUBLE_EQ(dots.y, 850);
  GrRecordingDC dc;
  ASSERT_TRUE(print_page(dc, *s.view, true, 1100, 850));
  Box b = ink(dc);
  EXPECT_EQ(b.x1, 100);
  EXPECT_EQ(b.x2, 300);
  EXPECT_EQ(b.y2, 850 - 100);
  EXPECT_EQ(b.y1, 850 - 200);
  // A printer page 100 x 50 pixels larger: the page moves by half of it.
  GrRecordingDC wide;
  print_page(wide, *s.view, true, 1200, 900);
  b = ink(wide);
  EXPECT_EQ(b.x1, 150);
  EXPECT_EQ(b.y2, 900 - 100 - 25);

  // The page's size in dots from its own units.
  EXPECT_NEAR(page_in_dots(PageSetup{kMillimetre, 0, 300, 297, 210, false}).x, 3507.87, 0.01);
  EXPECT_NEAR(page_in_dots(PageSetup{kCentimetre, 0, 300, 29.7, 21, false}).x, 3507.87, 0.01);
  EXPECT_DOUBLE_EQ(page_in_dots(PageSetup{kPixel, 0, 300, 3508, 2480, false}).x, 3508);
}

struct RefusingDC : GrRecordingDC {
  BOOL SetViewportOrgEx(int, int, POINT*) override { return 0; }
};

TEST(PrintMapping, WhatIsPrintedAndTheChoiceDialog) {
  Drawing empty;
  EXPECT_FALSE(printable(nullptr));
  EXPECT_FALSE(printable(empty.view.get()));
  Sheet s(0, 0, 1, 1);
  EXPECT_TRUE(printable(s.view.get()));
  RefusingDC dc;
  EXPECT_FALSE(print_page(dc, *s.view, false, 100, 100));
  EXPECT_EQ(dc.count("LineTo") + dc.count("Polygon"), 0);

  PrintChoiceForm choice;
  EXPECT_TRUE(choice.natural_chosen());
  choice.natural = false;
  EXPECT_EQ(choice.yes(), 1);
  EXPECT_FALSE(choice.natural_chosen());
  EXPECT_EQ(choice.no(), 1);  // "Нет" prints too, at natural size
  EXPECT_TRUE(choice.natural_chosen());
  EXPECT_TRUE(print_portrait(PageSetup{kMillimetre, 0, 300, 210, 297, true}));
  EXPECT_FALSE(print_portrait(PageSetup{}));
}

}  // namespace
