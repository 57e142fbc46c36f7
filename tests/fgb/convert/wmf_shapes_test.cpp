// Metafiles as their writers meant them (issue 15): the window drawn onto
// the placeable frame and turned upright, SaveDC and RestoreDC, strokes,
// rectangles, ellipses, arcs, chords, pies and text, and what is reported.
// Invariants: a point at the window's upper left corner lands on the
// frame's upper left corner, its lower right on the frame's lower right
// (x from the frame's left edge, y up from its lower edge); closed shapes
// are closed outlines with the brush as their fill.
#include "convert_test_util.h"
#include "wmf_builder.h"

#include <cmath>

using namespace convtest;
using namespace wmftest;

namespace {

constexpr double kTol = 1e-9;

std::vector<Recorded> read_file(const std::string& bytes, double units, fgb_import_report* report = nullptr) {
  ReadOptions opt;
  opt.transform = gr_ctrans{0, 0, 1.0 / units, 0, 1, 1, 1};
  opt.report = report;
  return read_with(read_wmf_file, bytes, opt);
}

struct Box {
  double x1 = 1e300, y1 = 1e300, x2 = -1e300, y2 = -1e300;
  void add(const gr_cpoint& p) {
    x1 = std::min(x1, p.x), y1 = std::min(y1, p.y), x2 = std::max(x2, p.x), y2 = std::max(y2, p.y);
  }
};
Box box_of(const Recorded& r) {
  Box b;
  for (const auto& p : r.pts) b.add(p);
  for (const auto& m : r.members)
    for (const auto& p : m) b.add(p);
  return b;
}

const fgb_report_item* find(const fgb_import_report& r, const char* name) {
  for (uint32_t i = 0; i < r.item_count; ++i)
    if (std::string(r.items[i].name) == name) return &r.items[i];
  return nullptr;
}

TEST(WmfMapping, TheWindowLandsOnTheFrameUpright) {
  const struct {
    const char* name;
    bool placeable;
    std::vector<int> box;     // left, top, right, bottom
    std::vector<int> window;  // org x, y, ext x, y; empty: not set
    Pt at;                    // a logical point
    double want_x, want_y;    // where it lands, inches (1000 units per inch)
  } rows[] = {
      {"frame as the window, top left", true, {0, 0, 2000, 1000}, {}, {0, 0}, 0, 1},
      {"frame as the window, bottom right", true, {0, 0, 2000, 1000}, {}, {2000, 1000}, 2, 0},
      {"frame not at the origin", true, {500, 300, 2500, 1300}, {}, {500, 300}, 0, 1},
      {"window's corner on the frame's", true, {0, 0, 2000, 1000}, {100, 200, 4000, 2000}, {100, 200}, 0, 1},
      {"window's far corner", true, {0, 0, 2000, 1000}, {100, 200, 4000, 2000}, {4100, 2200}, 2, 0},
      {"window's middle", true, {0, 0, 2000, 1000}, {100, 200, 4000, 2000}, {2100, 1200}, 1, 0.5},
      {"frame about the origin",
       true,
       {-4008, -3378, 4008, 3378},
       {0, 0, 16000, 13486},
       {16000, 13486},
       8.016,
       0},
      {"window with y up", true, {0, 0, 1000, 1000}, {0, 1000, 1000, -1000}, {0, 1000}, 0, 1},
      {"plain: the first window is the frame", false, {}, {0, 0, 1000, 500}, {0, 0}, 0, 0.5},
      {"plain without a window: y turned over", false, {}, {}, {10, 20}, 0.01, -0.02},
  };
  for (const auto& r : rows) {
    Wmf w;
    if (!r.window.empty()) w.window_org(r.window[0], r.window[1]).window_ext(r.window[2], r.window[3]);
    w.polyline({r.at, {r.at.first + 1, r.at.second}}).eof();
    const auto e = read_file(r.placeable ? w.placeable(1000, 16, r.box) : w.bits(), 1000);
    ASSERT_EQ(e.size(), 1u) << r.name;
    EXPECT_NEAR(e[0].pts[0].x, r.want_x, kTol) << r.name;
    EXPECT_NEAR(e[0].pts[0].y, r.want_y, kTol) << r.name;
  }
}

TEST(WmfMapping, PenWidthsFollowTheWindow) {
  Wmf w;
  w.window_ext(2000, 2000).pen(PS_SOLID, 100, 0).select(0).polyline({{0, 0}, {10, 10}}).eof();
  const auto e = read_file(w.placeable(1000), 1000);  // frame 1000 wide: half a unit per logical unit
  ASSERT_EQ(e.size(), 1u);
  EXPECT_FLOAT_EQ(e[0].style.width, 0.05f);
}

TEST(WmfState, RestoreDcBringsBackPenBrushAndWindow) {
  Wmf w;
  w.pen(PS_SOLID, 0, 0x0000ff)
      .select(0)  // red
      .save()
      .pen(PS_SOLID, 0, 0xff0000)
      .select(1)  // blue
      .window_ext(500, 500)
      .polyline({{0, 0}, {500, 500}})
      .restore(-1)
      .polyline({{0, 0}, {500, 500}})
      .save()
      .save()
      .select(1)
      .restore(1)  // back to the first save: red
      .polyline({{0, 0}, {1, 1}})
      .restore(-5)  // nothing saved that far back: nothing changes
      .polyline({{0, 0}, {1, 1}})
      .eof();
  const auto e = read_file(w.placeable(1000), 1000);
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].style.color.b, 1.0f);
  EXPECT_NEAR(e[0].pts[1].x, 1.0, kTol);  // the window of 500 on the frame of 1000
  for (size_t i = 1; i < 4; ++i) EXPECT_EQ(e[i].style.color.r, 1.0f) << i;
  EXPECT_NEAR(e[1].pts[1].x, 0.5, kTol);  // the frame's own window again
}

TEST(WmfShapes, StrokesRectanglesEllipsesArcsChordsPies) {
  Wmf w;
  w.brush(BS_SOLID, 0x00ff00)
      .select(0)
      .move_to(0, 0)
      .line_to(100, 0)
      .line_to(100, 100)  // one run: a polyline
      .move_to(0, 0)
      .line_to(0, 50)  // a single stroke: a segment
      .pen(PS_NULL, 0, 0)
      .select(1)
      .line_to(9, 9)  // the null pen draws no line
      .pen(PS_SOLID, 0, 0)
      .select(2)
      .rec(0x041B, {50, 100, 0, 0})                     // rectangle: bottom, right, top, left
      .rec(0x0418, {200, 200, 0, 0})                    // ellipse in a square: a circle
      .rec(0x0418, {100, 200, 0, 0})                    // ellipse 200 by 100
      .rec(0x0817, {0, 100, 100, 200, 200, 200, 0, 0})  // arc from east to north (on the page)
      .rec(0x0830, {0, 100, 100, 200, 200, 200, 0, 0})  // chord
      .rec(0x081A, {0, 100, 100, 200, 200, 200, 0, 0})  // pie
      .rec(0x061C, {20, 40, 100, 200, 0, 0})            // rounded rectangle, corners 40 by 20
      .eof();
  const auto e = read_file(w.bits(), 100);
  ASSERT_EQ(e.size(), 9u);
  EXPECT_EQ(e[0].kind, kPolyline);
  EXPECT_EQ(e[0].pts.size(), 3u);
  EXPECT_FALSE(e[0].closed);
  EXPECT_NEAR(e[0].pts[2].y, -1.0, kTol);
  EXPECT_EQ(e[1].kind, kSegment);

  const Recorded& rect = e[2];
  EXPECT_EQ(rect.kind, kPolyline);
  EXPECT_TRUE(rect.closed);
  EXPECT_EQ(rect.pts.size(), 4u);
  EXPECT_EQ(rect.fill.style, BS_SOLID);
  EXPECT_EQ(rect.fill.color.g, 1.0f);
  const Box rb = box_of(rect);
  EXPECT_NEAR(rb.x2, 1.0, kTol);
  EXPECT_NEAR(rb.y1, -0.5, kTol);

  EXPECT_EQ(e[3].kind, kCircle);
  EXPECT_NEAR(e[3].r, 1.0, kTol);
  EXPECT_NEAR(e[3].pts[0].x, 1.0, kTol);
  EXPECT_NEAR(e[3].pts[0].y, -1.0, kTol);

  const Recorded& oval = e[4];
  EXPECT_TRUE(oval.closed);
  ASSERT_GE(oval.pts.size(), 16u);
  for (const auto& p : oval.pts)  // on (x - 1)^2 + ((y + 0.5) / 0.5)^2 = 1
    EXPECT_NEAR(std::pow(p.x - 1, 2) + std::pow((p.y + 0.5) / 0.5, 2), 1.0, 1e-9);

  EXPECT_EQ(e[5].kind, kArc);
  EXPECT_NEAR(e[5].r, 1.0, kTol);
  EXPECT_NEAR(std::remainder(e[5].a1, 2 * M_PI), 0.0, 1e-9);
  EXPECT_NEAR(e[5].a2 - e[5].a1, M_PI / 2, 1e-9);  // counter-clockwise, a quarter

  // The chord ends where it started; the pie passes through the centre.
  EXPECT_TRUE(e[6].closed);
  EXPECT_TRUE(e[7].closed);
  EXPECT_NEAR(e[7].pts.back().x, 1.0, kTol);
  EXPECT_NEAR(e[7].pts.back().y, -1.0, kTol);
  EXPECT_LT(e[7].pts.size(), e[6].pts.size() + 2);

  const Box rr = box_of(e[8]);
  EXPECT_TRUE(e[8].closed);
  EXPECT_NEAR(rr.x1, 0.0, kTol);
  EXPECT_NEAR(rr.x2, 2.0, kTol);
  EXPECT_NEAR(rr.y2, 0.0, kTol);
  EXPECT_NEAR(rr.y1, -1.0, kTol);
  // Its corners are cut: no point near the box's own corner.
  for (const auto& p : e[8].pts) EXPECT_GT(std::hypot(p.x - 2.0, p.y), 0.05);
}

TEST(WmfText, StrokesAtTheFontsHeightWhereTheAlignmentSays) {
  fgb_import_report report;
  fgb_report_init(&report);
  Wmf w;
  // A character height of 100 logical units: an inch at 100 units per inch.
  w.font(-100, 0)
      .select(0)
      .text_out(0, 0, "HI")  // top left at (0, 0)
      .rec(0x012E, {24})
      .text_out(0, 0, "HI")  // baseline
      .font(-100, 900)
      .select(1)
      .text_out(0, 0, "HI")  // turned a quarter
      .select(0)
      .rec(0x0209, {0xff, 0})  // upright again, red
      .rec(0x012E, {6 | 24})
      .text_out(0, 0, "HI")  // centred
      .eof();
  const auto e = read_file(w.bits(), 100, &report);
  ASSERT_EQ(e.size(), 4u);
  for (const auto& r : e) EXPECT_EQ(r.kind, kPolylines);
  const Box top = box_of(e[0]), base = box_of(e[1]), turned = box_of(e[2]), centred = box_of(e[3]);
  // Capitals stand on the baseline, 0.716 of the character height tall;
  // from the top, the baseline is the ascent (0.905) down.
  EXPECT_NEAR(base.y1, 0.0, 0.01);
  EXPECT_NEAR(base.y2, 0.716, 0.01);
  EXPECT_NEAR(top.y1, -0.905, 0.01);
  EXPECT_GT(turned.y2 - turned.y1, turned.x2 - turned.x1);  // reads upwards
  EXPECT_NEAR(centred.x1 + centred.x2, 0.0, 0.05);
  EXPECT_EQ(e[3].style.color.r, 1.0f);
  const fgb_report_item* t = find(report, "TextOut");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->what, FGB_REPORT_APPROXIMATED);
  EXPECT_EQ(t->count, 4u);
}

TEST(WmfReport, BitmapsClippingAndUnknownRecords) {
  fgb_import_report report;
  fgb_report_init(&report);
  Wmf w;
  w.rec(0x0B41, std::vector<int>(12, 0))
      .rec(0x0416, {0, 0, 10, 10})
      .rec(0x0777, {1})
      .rec(0x0201, {0, 0})
      .eof();
  read_file(w.bits(), 100, &report);
  const struct {
    const char* name;
    int what;
  } rows[] = {{"DIBStretchBlt", FGB_REPORT_NOT_REPRESENTED},
              {"IntersectClip", FGB_REPORT_SKIPPED},
              {"0x0777", FGB_REPORT_SKIPPED}};
  for (const auto& r : rows) {
    const fgb_report_item* i = find(report, r.name);
    ASSERT_NE(i, nullptr) << r.name;
    EXPECT_EQ(i->what, r.what) << r.name;
  }
  EXPECT_EQ(report.item_count, 3u);  // SetBkColor changes nothing drawn: not reported
  EXPECT_STREQ(report.dialect, "Windows metafile");
}

}  // namespace
