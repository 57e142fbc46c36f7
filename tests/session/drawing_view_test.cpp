// The drawing window's mapping, paint order and mouse tools.
// Invariants: the whole page is centred with 10 % spare and y up, the axes
// crossing at its lower-left corner; zoom steps keep integer logical
// coordinates no coarser than the pixels and inside the 32-bit range; the
// select tool changes exactly the elements its box hits; the line tool adds
// one segment to the selection.
#include "session_test_util.h"

#include <geomkit/recording_dc.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace sessiontest;

namespace {

struct View {
  FakeChild child;
  View(int w = 500, int h = 400) {
    child.view = std::make_unique<DrawingView>(&child);
    child.view->set_client_size(w, h);
  }
  DrawingView& operator*() { return *child.view; }
  DrawingView* operator->() { return child.view.get(); }
  void deliver() {
    while (!child.queue.empty()) {
      if (child.queue.front().first == WM_DB_REFRESH) child.view->refresh_info();
      child.queue.pop_front();
    }
  }
  // Adds a segment (inches) to the main drawing.
  void add_segment(double x1, double y1, double x2, double y2) {
    gr_segment s{{x1, y1}, {x2, y2}};
    gr_curve_style c{};
    child.view->document().AddElem(FGB_SEGMENT, &s, c, gr_fill_area_style{}, 1);
  }
  // The device point of an inch position.
  POINT device(double x_in, double y_in) {
    GrDeviceContext dc;
    child.view->apply_view_mapping(dc);
    POINT p{trunc_i32(x_in * child.view->units_per_inch()), trunc_i32(y_in * child.view->units_per_inch())};
    dc.LPtoDP(&p, 1);
    return p;
  }
};

TEST(DrawingView, NewWindowShowsTheA4LandscapePageCentredWithTheAxes) {
  View v;
  EXPECT_EQ(v->page_right(), 3507);
  EXPECT_EQ(v->page_bottom(), 2480);
  EXPECT_DOUBLE_EQ(v->units_per_inch(), 300.0);
  EXPECT_NEAR(v->page_dots_x(), 89100 / 25.4, 1e-9);

  GrRecordingDC dc;
  ASSERT_TRUE(v->paint(dc));
  // The page is centred: its middle at the client's middle; y up.
  POINT mid{3507 / 2, 2480 / 2};
  dc.LPtoDP(&mid, 1);
  EXPECT_NEAR(mid.x, 250, 1);
  EXPECT_NEAR(mid.y, 200, 1);
  POINT top_right{3507, 2480}, origin{0, 0};
  dc.LPtoDP(&top_right, 1);
  dc.LPtoDP(&origin, 1);
  EXPECT_LT(top_right.y, origin.y);
  // 10 % spare: the page's width is 1/1.1 of the client's width (width
  // limits here: 500/3857 < 400/2728).
  EXPECT_NEAR(top_right.x - origin.x, 500 / 1.1, 1.5);

  // Paint order: the axes, the page outline, then the document.
  const auto lines = dc.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].from.x, 0);
  EXPECT_EQ(lines[0].from.y, -1000);
  EXPECT_EQ(lines[0].to.y, 1000);
  EXPECT_EQ(lines[1].from.x, -1000);
  EXPECT_EQ(lines[1].to.x, 1000);
  ASSERT_EQ(dc.count("Rectangle"), 1);
  for (const auto& c : dc.calls)
    if (c.op == "Rectangle") {
      EXPECT_EQ(c.args, (std::vector<int>{0, 0, 3507, 2480}));
      EXPECT_EQ(c.brush.lbStyle, static_cast<UINT>(BS_NULL));
    }
}

TEST(DrawingView, PageRectangleFollowsUnitsAndZoom) {
  View v;
  PageSetup s;
  s.units = kPixel;
  s.width = 3507;
  s.height = 2480;
  v->reload_page_setup(s);
  EXPECT_EQ(v->page_right(), 3507);
  // Portrait swaps a landscape size.
  s.portrait = true;
  v->reload_page_setup(s);
  EXPECT_EQ(v->page_right(), 2480);
  EXPECT_EQ(v->page_bottom(), 3507);
  // Zoom 10 (a zoom-in drag): ten times the page size in dots.
  v->mouse_press(100, 100, Tool::Zoom);
  v->mouse_release(110, 105, Tool::Zoom, 0);
  EXPECT_DOUBLE_EQ(v->zoom(), 10.0);
  EXPECT_EQ(v->page_right(), 24800);
  s = PageSetup{};
  s.units = kCentimetre;
  s.width = 29.7;
  s.height = 21.0;
  v->reload_page_setup(s);
  EXPECT_EQ(v->zoom_state(), 0);
  EXPECT_EQ(v->page_right(), 3507);
}

TEST(DrawingView, ZoomToolStepsByTenAndViewAllReturns) {
  View v;
  // A 100 x 50 logical-unit box in a 500 x 400 client: zoom x 10 once.
  const POINT a = v->to_logical(100, 300);
  POINT b_dev{0, 0};
  {
    GrDeviceContext dc;
    v->apply_view_mapping(dc);
    b_dev = {a.x + 100, a.y + 50};
    dc.LPtoDP(&b_dev, 1);
  }
  v->mouse_press(100, 300, Tool::Zoom);
  v->mouse_move(b_dev.x, b_dev.y, Tool::Zoom);
  const Band band = v->band();
  EXPECT_FALSE(band.empty);
  EXPECT_LE(band.left, band.right);
  EXPECT_LE(band.top, band.bottom);
  EXPECT_EQ(v->mouse_release(b_dev.x, b_dev.y, Tool::Zoom, 0), Gesture::ZoomIn);
  EXPECT_TRUE(v->band().empty);
  EXPECT_DOUBLE_EQ(v->zoom(), 10.0);
  EXPECT_EQ(v->zoom_state(), 1);
  const auto z = v->zoom_window();
  const POINT b = v->to_logical(0, 0);  // unused: the window moved
  (void)b;
  EXPECT_NEAR(z.left, a.x * 10.0, 10.0 * 8);
  EXPECT_NEAR(z.bottom, a.y * 10.0, 10.0 * 8);
  EXPECT_NEAR(z.width, 1000, 80);
  EXPECT_NEAR(z.height, 500, 80);

  // A drag with no height does nothing.
  v->mouse_press(10, 10, Tool::Zoom);
  EXPECT_EQ(v->mouse_release(60, 10, Tool::Zoom, 0), Gesture::None);
  EXPECT_DOUBLE_EQ(v->zoom(), 10.0);

  // Alt zooms out: the doubled client exceeds the client: a tenth.
  v->mouse_press(250, 200, Tool::Zoom);
  EXPECT_EQ(v->mouse_release(250, 200, Tool::Zoom, kAlt), Gesture::ZoomOut);
  EXPECT_DOUBLE_EQ(v->zoom(), 1.0);

  v->view_all();
  EXPECT_DOUBLE_EQ(v->zoom(), 1.0);
  EXPECT_EQ(v->zoom_state(), 0);
  EXPECT_EQ(v->page_right(), 3507);
}

TEST(DrawingView, ZoomStepsStayInsideTheCoordinateRange) {
  View v;
  // Zoom + halves the region shown, about its centre.
  const POINT c0 = v->to_logical(250, 200);
  ASSERT_TRUE(v->zoom_step(true));
  EXPECT_EQ(v->zoom_state(), 1);
  const POINT c1 = v->to_logical(250, 200);
  EXPECT_NEAR(c1.x / v->zoom(), c0.x, 3);
  EXPECT_NEAR(c1.y / v->zoom(), c0.y, 3);
  ASSERT_TRUE(v->zoom_step(false));
  // Zooming in for ever stops before the logical coordinates leave 32 bits.
  int steps = 0;
  while (v->zoom_step(true) && steps < 200) ++steps;
  EXPECT_LT(steps, 200);
  EXPECT_LT(v->units_per_inch(), 2.2e9);
  GrRecordingDC dc;
  EXPECT_TRUE(v->paint(dc));
  // The same for the zoom tool: a tiny box again and again.
  View w;
  for (int i = 0; i < 40; ++i) {
    w->mouse_press(250, 200, Tool::Zoom);
    w->mouse_release(251, 201, Tool::Zoom, 0);
  }
  EXPECT_LT(w->units_per_inch(), 2.2e9);
  EXPECT_LT(std::abs(w->zoom_window().left), 2.2e9);
}

TEST(DrawingView, SelectToolClicksAndBoxesWithShiftAndCtrl) {
  View v;
  // Three horizontal segments an inch apart, one inch long.
  v.add_segment(1, 1, 2, 1);
  v.add_segment(1, 2, 2, 2);
  v.add_segment(1, 3, 2, 3);
  MainDB& doc = v->document();
  const POINT lo = v.device(0.5, 0.5), mid = v.device(2.5, 2.5), hi = v.device(2.5, 3.5);
  // A box around the two lower ones.
  v->mouse_press(lo.x, lo.y, Tool::Select);
  v->mouse_release(mid.x, mid.y, Tool::Select, 0);
  v.deliver();
  EXPECT_EQ(doc.GetCountElemsS(), 2);
  EXPECT_EQ(v->info().count_s, 2);
  // Shift adds the top one.
  const POINT t1 = v.device(0.5, 2.7);
  v->mouse_press(t1.x, t1.y, Tool::Select);
  v->mouse_release(hi.x, hi.y, Tool::Select, kShift);
  v.deliver();
  EXPECT_EQ(doc.GetCountElemsS(), 3);
  // Ctrl takes the middle one out.
  const POINT m1 = v.device(0.5, 1.7), m2 = v.device(2.5, 2.3);
  v->mouse_press(m1.x, m1.y, Tool::Select);
  v->mouse_release(m2.x, m2.y, Tool::Select, kCtrl);
  EXPECT_EQ(doc.GetCountElemsS(), 2);
  EXPECT_EQ(doc.GetCountElems(), 1);
  // Neither: the box's elements only.
  v->mouse_press(m1.x, m1.y, Tool::Select);
  v->mouse_release(m2.x, m2.y, Tool::Select, 0);
  EXPECT_EQ(doc.GetCountElemsS(), 1);
  // A click on the lowest line selects it alone.
  const POINT on = v.device(1.5, 1.0);
  v->mouse_press(on.x, on.y, Tool::Select);
  v->mouse_release(on.x, on.y, Tool::Select, 0);
  EXPECT_EQ(doc.GetCountElemsS(), 1);
  // A drag exactly horizontal is a click: at its end, on empty paper.
  const POINT e1 = v.device(1.5, 1.0), e2 = v.device(3.5, 1.0);
  v->mouse_press(e1.x, e1.y, Tool::Select);
  v->mouse_release(e2.x, e2.y, Tool::Select, 0);
  EXPECT_EQ(doc.GetCountElemsS(), 0);
  // Selection changes are no edits.
  EXPECT_FALSE(v->modified());
}

TEST(DrawingView, LineToolAddsOneSelectedSegmentWithThePen) {
  FakeChild child;
  PenSetting pen;
  pen.colour = 0x0000FF;  // red
  pen.width_mm = 0.5;
  child.view = std::make_unique<DrawingView>(&child, pen);
  DrawingView& v = *child.view;
  v.set_client_size(500, 400);
  v.mouse_press(100, 100, Tool::Line);
  v.mouse_move(150, 180, Tool::Line);
  EXPECT_TRUE(v.band().line);
  EXPECT_EQ(v.band().left, 100);
  EXPECT_EQ(v.band().bottom, 180);
  EXPECT_EQ(v.mouse_release(150, 180, Tool::Line, 0), Gesture::Line);
  EXPECT_EQ(v.document().GetCountElemsS(), 1);
  EXPECT_EQ(v.document().GetCountElems(), 0);
  EXPECT_TRUE(v.modified());
  // The segment runs from the press point to the release point (inches).
  const POINT a = v.to_logical(100, 100), b = v.to_logical(150, 180);
  const gr_cpoint d = v.document().GetDimensionS();
  EXPECT_NEAR(d.x, std::abs(b.x - a.x) / 300.0, 1e-9);
  EXPECT_NEAR(d.y, std::abs(b.y - a.y) / 300.0, 1e-9);
  GrRecordingDC dc;
  v.apply_view_mapping(dc);
  v.draw_new_segment(dc);
  ASSERT_GE(dc.lines().size(), 1u);
  EXPECT_EQ(dc.lines()[0].pen.lopnColor, RGB(255, 0, 0));
  // Zero length: nothing.
  v.mouse_press(100, 100, Tool::Line);
  EXPECT_EQ(v.mouse_release(100, 100, Tool::Line, 0), Gesture::None);
  EXPECT_EQ(v.document().GetCountElemsS(), 1);
}

TEST(DrawingView, CursorPositionAndSelectionSizeInTheDisplayUnits) {
  View v;
  // A pixel is about 8.5 logical units here: the position is that coarse.
  const POINT o = v.device(1.0, 2.0);
  const std::string mm = v->mouse_move(o.x, o.y, Tool::Select);
  double x = 0, y = 0;
  ASSERT_EQ(std::sscanf(mm.c_str(), "X=%lf,Y=%lf", &x, &y), 2) << mm;
  EXPECT_NEAR(x, 25.4, 0.8);
  EXPECT_NEAR(y, 50.8, 0.8);
  EXPECT_EQ(mm.size() - mm.find('.'), std::string(".40,Y=50.80").size()) << "two decimals: " << mm;
  PageSetup s;
  s.units = kInch;
  s.width = 11.69;
  s.height = 8.27;
  v->reload_page_setup(s);
  const std::string in = v->mouse_move(250, 200, Tool::Select, ',');
  EXPECT_EQ(in.find('.'), std::string::npos) << in;
  EXPECT_EQ(in.substr(0, 2), "X=");
  EXPECT_NE(in.find(",Y="), std::string::npos);

  v.add_segment(0, 0, 2, 1);
  v->document().SelectElems();
  v->refresh_info();
  EXPECT_DOUBLE_EQ(v->selection_size_in_units().x, 2.0);
  s.units = kPixel;
  v->reload_page_setup(s);
  EXPECT_DOUBLE_EQ(v->selection_size_in_units().x, 600.0);
  double px = 600, py = 300;
  v->units_to_inches(px, py);
  EXPECT_DOUBLE_EQ(px, 2.0);
  EXPECT_DOUBLE_EQ(py, 1.0);
}

TEST(DrawingView, KeysActOnTheDocument) {
  View v;
  v.add_segment(0, 0, 1, 1);
  EXPECT_EQ(v->key_down(Key::A, 0), -1);
  EXPECT_EQ(v->document().GetCountElemsS(), 0);
  v->key_down(Key::A, kCtrl);
  EXPECT_EQ(v->document().GetCountElemsS(), 1);
  v->key_down(Key::Delete, 0);
  EXPECT_EQ(v->document().GetCountElemsS(), 0);
  v->key_down(Key::Z, kCtrl);
  EXPECT_EQ(v->document().GetCountElemsS(), 1);
  EXPECT_EQ(v->key_down(Key::I, kShift), kInch);
  EXPECT_EQ(v->key_down(Key::M, kShift), kMillimetre);
  EXPECT_EQ(v->key_down(Key::M, 0), -1);
}

TEST(DrawingView, MoveResizeAndPenOfTheSelection) {
  View v;
  v.add_segment(1, 1, 3, 2);
  v->document().SelectElems();
  v->move_selection(false, 0, 0);
  EXPECT_NEAR(v->document().GetNullPS().x, 0, 1e-9);
  v->move_selection(true, 1, 1);
  EXPECT_NEAR(v->document().GetNullPS().y, 1, 1e-9);
  v->resize_selection(true, true, 50, 0);
  EXPECT_NEAR(v->document().GetDimensionS().x, 1, 1e-9);
  EXPECT_NEAR(v->document().GetDimensionS().y, 0.5, 1e-9);
  v->resize_selection(false, false, 4, 1);
  EXPECT_NEAR(v->document().GetDimensionS().x, 4, 1e-9);
  EXPECT_NEAR(v->document().GetDimensionS().y, 1, 1e-9);
  // A horizontal line has no height: a size asked for leaves it alone.
  View flat;
  flat.add_segment(0, 1, 2, 1);
  flat->document().SelectElems();
  flat->resize_selection(false, false, 4, 3);
  EXPECT_NEAR(flat->document().GetDimensionS().x, 2, 1e-9);
  EXPECT_TRUE(std::isfinite(flat->document().GetNullPS().y));
  v->apply_pen(0x80000005u, 0.01);  // a system colour: black
  GrRecordingDC dc;
  v->paint(dc);
  bool black = false;
  for (const auto& l : dc.lines()) black |= l.pen.lopnColor == RGB(0, 0, 0) && l.pen.lopnWidth.x > 1;
  EXPECT_TRUE(black);
}

TEST(DrawingView, PlatformColours) {
  const gr_rgbcol red = colour_from_platform(0x0000FF);
  EXPECT_FLOAT_EQ(red.r, 1.0f);
  EXPECT_FLOAT_EQ(red.b, 0.0f);
  const gr_rgbcol blue = colour_from_platform(0xFF0000);
  EXPECT_FLOAT_EQ(blue.b, 1.0f);
  const gr_rgbcol wide = colour_from_platform(0x1000000);
  EXPECT_FLOAT_EQ(wide.r + wide.g + wide.b, 0.0f);
}

}  // namespace
