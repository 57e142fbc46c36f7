// Dashed outlines and the chord walk along ellipses, on the recording device.
//
// Invariants: a dash pattern's state carries from edge to edge (and chord to
// chord) within one figure and restarts for the next figure; a segment
// always ends with the pen down at its end point; a pattern that cannot
// advance draws solid; every walk ends.
#include "draw_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using drawtest::Pattern;
using drawtest::trace;
using Trace = std::vector<std::string>;

constexpr double kPi = 3.141592653589793;

TEST(DrawDashes, PatternCarriesAcrossTheCornersOfAClosedSquare) {
  GrRecordingDC dc;
  auto square = drawtest::make_polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
  const Pattern dash({4, 4});
  gr_polyline_draw16(square.get(), &dc, dash.font());
  EXPECT_EQ(trace(dc), (Trace{"M 0,0",                        // first edge
                              "L 4,0", "M 8,0", "L 10,0",     // dash, gap, 2 of the next dash
                              "L 10,2", "M 10,6", "L 10,10",  // the second edge begins with 2 of dash
                              "M 6,10", "L 2,10", "M 0,10",   // 2 of its gap left over
                              "M 0,8", "L 0,4", "M 0,0"}));
}

TEST(DrawDashes, SegmentPiecesStartFromTheFirstEntryAndEndPenDown) {
  struct Row {
    const char* name;
    gr_segment seg;
    std::vector<float> pattern;
    Trace expected;
  } rows[] = {
      {"length 10, (4,4)", {{0, 0}, {10, 0}}, {4, 4}, {"M 0,0", "L 4,0", "M 8,0", "L 10,0"}},
      {"gap reaching the end", {{0, 0}, {8, 0}}, {4, 4}, {"M 0,0", "L 4,0", "M 8,0", "L 8,0"}},
      {"backwards and vertical",
       {{0, 10}, {0, -10}},
       {5, 5},
       {"M 0,10", "L 0,5", "M 0,0", "L 0,-5", "M 0,-10", "L 0,-10"}},
      {"four entries",
       {{0, 0}, {30, 0}},
       {8, 2, 1, 2},
       {"M 0,0", "L 8,0", "M 10,0", "L 11,0", "M 13,0", "L 21,0", "M 23,0", "L 24,0", "M 26,0", "L 30,0"}},
      {"all zero draws solid", {{0, 0}, {10, 0}}, {0, 0}, {"M 0,0", "L 10,0"}},
      {"no entries draws solid", {{0, 0}, {10, 0}}, {}, {"M 0,0", "L 10,0"}},
      {"zero length", {{3, 3}, {3, 3}}, {4, 4}, {"M 3,3", "L 3,3"}},
      {"negative length counts as 0",
       {{0, 0}, {10, 0}},
       {-4, 4},
       {"M 0,0", "L 0,0", "M 4,0", "L 4,0", "M 8,0", "L 8,0", "L 10,0"}},
      {"too fine to tell from a line", {{0, 0}, {1e6, 0}}, {1e-4f, 1e-4f}, {"M 0,0", "L 1000000,0"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    GrRecordingDC dc;
    const Pattern p(r.pattern);
    gr_segment_draw16(&r.seg, &dc, p.font());
    EXPECT_EQ(trace(dc), r.expected);
  }
}

TEST(DrawDashes, UnusablePatternsDrawPolylinesSolid) {
  auto square = drawtest::make_polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
  GrRecordingDC plain;
  gr_polyline_draw(square.get(), &plain);
  for (auto pattern : {Pattern({0, 0, 0}), Pattern({}), Pattern({-1, -2})}) {
    GrRecordingDC dc;
    gr_polyline_draw16(square.get(), &dc, pattern.font());
    EXPECT_EQ(trace(dc), trace(plain));
  }
  GrRecordingDC dc;
  gr_polyline_draw16(square.get(), &dc, nullptr);
  EXPECT_EQ(trace(dc), trace(plain));
}

TEST(DrawDashes, PatternRestartsForEveryMemberOfASet) {
  GrRecordingDC dc;
  auto set = drawtest::make_polylines({{{0, 0}, {6, 0}}, {{0, 5}, {6, 5}}});
  const Pattern dash({4, 4});
  gr_polylines_draw16(set.get(), &dc, dash.font());
  EXPECT_EQ(trace(dc), (Trace{"M 0,0", "L 4,0", "M 6,0", "M 0,5", "L 4,5", "M 6,5"}));
}

TEST(DrawDashes, NearlyVerticalEdgeIsDashedToItsEnd) {
  // The edge leans by 2e-5 over 100 units: judged on x it would end half-way.
  GrRecordingDC dc;
  auto edge = drawtest::make_polyline({{0, 0}, {2e-5, 100}}, false);
  const Pattern dash({30, 10});
  gr_polyline_draw16(edge.get(), &dc, dash.font());
  // Dash to 30, gap to 40, dash to 70, gap to 80, dash to 100 (the
  // truncation of 29.99999... aside).
  const Trace t = trace(dc);
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(dc.lines().size(), 3u);
  EXPECT_EQ(t[3], "L 0,69");
  EXPECT_EQ(t.back(), "L 0,100");
}

TEST(DrawDashes, PolylineOfOnePointDrawsNothing) {
  GrRecordingDC dc;
  auto dot = drawtest::make_polyline({{1, 1}}, true);
  const Pattern dash({4, 4});
  gr_polyline_draw16(dot.get(), &dc, dash.font());
  EXPECT_TRUE(dc.calls.empty());
}

// ---------------------------------------------------------------------------
// Ellipses
// ---------------------------------------------------------------------------

gr_trellip circle_arc(double r, double t1, double t2) { return gr_trellip{{0, 0}, {0.0, 1.0}, r, r, t1, t2}; }

TEST(DrawEllipse, FullCircleOfRadius100WithStep10Takes63ChordsBackToTheStart) {
  GrRecordingDC dc;
  const gr_ellip circle{{0, 0}, {0.0, 1.0}, 100, 100};
  gr_ellip_draw(&circle, &dc, 10.0);
  const Trace t = trace(dc);
  ASSERT_EQ(t.size(), 64u);
  EXPECT_EQ(t.front(), "M 100,0");
  EXPECT_EQ(t.back(), "L 100,0");
  EXPECT_EQ(dc.lines().size(), 63u);
}

TEST(DrawEllipse, ArcEndsExactlyAtItsEndPoint) {
  GrRecordingDC dc;
  const gr_trellip quarter = circle_arc(100, 0, kPi / 2);
  gr_trellip_draw(&quarter, &dc, 10.0);
  EXPECT_EQ(dc.lines().size(), 16u);
  EXPECT_EQ(trace(dc).back(), "L 0,100");

  // A range running through zero: from -pi/2 up to 0.
  dc.clear();
  const gr_trellip through = circle_arc(100, -kPi / 2, 0);
  gr_trellip_draw(&through, &dc, 10.0);
  EXPECT_EQ(trace(dc).front(), "M 0,-100");
  EXPECT_EQ(trace(dc).back(), "L 100,0");
}

TEST(DrawEllipse, RotatedEllipseStartsOnItsFirstAxis) {
  GrRecordingDC dc;
  // First axis along +y (angle pi/2), a = 200, b = 50.
  const gr_ellip e{{1000, 1000}, {1.0, 0.0}, 200, 50};
  gr_ellip_draw(&e, &dc, 10.0);
  const Trace t = trace(dc);
  EXPECT_EQ(t.front(), "M 1000,1200");
  EXPECT_EQ(t.back(), "L 1000,1200");
  for (const auto& l : dc.lines()) {
    EXPECT_LE(std::abs(l.to.x - 1000), 50);
    EXPECT_LE(std::abs(l.to.y - 1000), 200);
  }
}

TEST(DrawEllipse, DegenerateFiguresAndSteps) {
  struct Row {
    const char* name;
    gr_trellip arc;
    double step;
    Trace expected;
  } rows[] = {
      {"empty range", circle_arc(100, 1, 1 + 1e-6), 10, {}},
      {"both axes vanish", {{5, 5}, {0, 1}, 1e-6, 0, 0, 2 * kPi}, 10, {}},
      {"no first axis: segment across dir",
       {{0, 0}, {0, 1}, 0, 50, 0, 2 * kPi},
       10,
       {"M 0,50", "L 0,-50", "L 0,50"}},
      {"no second axis: segment along dir",
       {{0, 0}, {0, 1}, 50, 0, 0, 2 * kPi},
       10,
       {"M 50,0", "L -50,0", "L 50,0"}},
      {"zero step", circle_arc(100, 0, 1), 0, {}},
      {"negative step", circle_arc(100, 0, 1), -5, {}},
      {"NaN step", circle_arc(100, 0, 1), std::numeric_limits<double>::quiet_NaN(), {}},
      {"parameter too large to advance", circle_arc(100, 1e17, 1e17 + 64), 10, {"M (the start)"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    GrRecordingDC dc;
    gr_trellip_draw(&r.arc, &dc, r.step);
    const Trace t = trace(dc);
    if (r.expected.size() == 1) {
      ASSERT_EQ(t.size(), 1u);  // the start, whatever it is
    } else {
      EXPECT_EQ(t, r.expected);
    }
  }
}

// Counts lines without keeping them: a huge figure makes many.
struct CountingDC : GrDeviceContext {
  long lines = 0;
  POINT last{};
  BOOL LineTo(int x, int y) override {
    ++lines;
    last = {x, y};
    return GrDeviceContext::LineTo(x, y);
  }
};

TEST(DrawEllipse, HugeCircleIsCutIntoBoundedChords) {
  CountingDC dc;
  const gr_ellip circle{{0, 0}, {0.0, 1.0}, 1e9, 1e9};
  gr_ellip_draw(&circle, &dc, 10.0);
  EXPECT_GT(dc.lines, 1000000);
  EXPECT_LE(dc.lines, (1 << 20) + 2);
  EXPECT_EQ(dc.last.x, 1000000000);
  EXPECT_EQ(dc.last.y, 0);
}

double drawn_length(const GrRecordingDC& dc) {
  double sum = 0;
  for (const auto& l : dc.lines()) sum += std::hypot(l.to.x - l.from.x, l.to.y - l.from.y);
  return sum;
}

TEST(DrawEllipse, DashesCarryFromChordToChord) {
  // Chords of about 1000 with the pattern (400, 400): carried over, half the
  // outline is inked; restarted on every chord it would be 60 %.
  GrRecordingDC dc;
  const gr_ellip circle{{0, 0}, {0.0, 1.0}, 10000, 10000};
  const Pattern dash({400, 400});
  gr_ellip_draw16(&circle, &dc, 1000.0, dash.font());
  const double fraction = drawn_length(dc) / (2 * kPi * 10000);
  EXPECT_GT(fraction, 0.47);
  EXPECT_LT(fraction, 0.53);
  EXPECT_EQ(trace(dc).front(), "M 10000,0");
  EXPECT_EQ(trace(dc).back(), "L 10000,0");
}

TEST(DrawEllipse, DashedArcEndsPenDownAtItsEnd) {
  GrRecordingDC dc;
  const gr_trellip quarter = circle_arc(1000, 0, kPi / 2);
  const Pattern dash({40, 40});
  gr_trellip_draw16(&quarter, &dc, 100.0, dash.font());
  EXPECT_EQ(trace(dc).front(), "M 1000,0");
  EXPECT_EQ(trace(dc).back(), "L 0,1000");
  const double fraction = drawn_length(dc) / (kPi / 2 * 1000);
  EXPECT_GT(fraction, 0.4);
  EXPECT_LT(fraction, 0.6);
}

TEST(DrawEllipse, DashedDegenerateEllipseIsADashedSegment) {
  GrRecordingDC dc;
  const gr_ellip flat{{0, 0}, {0.0, 1.0}, 0, 50};
  const Pattern dash({40, 20});
  gr_ellip_draw16(&flat, &dc, 10.0, dash.font());
  EXPECT_EQ(trace(dc), (Trace{"M 0,50", "L 0,10", "M 0,-10", "L 0,-50", "L 0,-50"}));
}

TEST(DrawEllipse, DashedWithAnUnusablePatternDrawsSolid) {
  GrRecordingDC solid, zero;
  const gr_ellip circle{{0, 0}, {0.0, 1.0}, 100, 100};
  gr_ellip_draw(&circle, &solid, 10.0);
  const Pattern none({0, 0});
  gr_ellip_draw16(&circle, &zero, 10.0, none.font());
  EXPECT_EQ(trace(zero), trace(solid));
}

}  // namespace
