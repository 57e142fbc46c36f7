// HPGL reader: commands, paths and pens as plotter files use them.
// Invariants: coordinates are plotter units / 1016 with no shift undone; a
// path takes the pen in force when it ends; a closed path keeps its
// repeated point.
#include "convert_test_util.h"

#include <cmath>

using namespace convtest;

namespace {

constexpr double kU = 1.0 / 1016.0;

gr_cpoint P(double x, double y) { return {x * kU, y * kU}; }

void expect_points(const Recorded& r, std::vector<gr_cpoint> want) {
  ASSERT_EQ(r.pts.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_DOUBLE_EQ(r.pts[i].x, want[i].x) << "point " << i;
    EXPECT_DOUBLE_EQ(r.pts[i].y, want[i].y) << "point " << i;
  }
}

std::vector<Recorded> hpgl(const std::string& s) { return read_with(read_hpgl, s); }

TEST(HpglRead, ClosedPathKeepsRepeatedPointAndPenZeroIsBlack) {
  const auto e = hpgl("PU100,100;PD200,100;PD200,200;PD100,100;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kPolyline);
  EXPECT_TRUE(e[0].closed);
  expect_points(e[0], {P(100, 100), P(200, 100), P(200, 200), P(100, 100)});
  EXPECT_FLOAT_EQ(e[0].style.width, 0.012f);
  EXPECT_EQ(e[0].style.color.r, 0.0f);
}

TEST(HpglRead, TwoPointPathIsASegmentInThePenOfItsWidth) {
  const auto e = hpgl("SP1;PU0,0;PD1016,0;PU;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kSegment);
  expect_points(e[0], {{0, 0}, {1, 0}});
  EXPECT_FLOAT_EQ(e[0].style.width, 0.055f);
  EXPECT_EQ(e[0].style.color.r, 1.0f);
  EXPECT_EQ(e[0].style.color.g, 0.0f);
}

TEST(HpglRead, PenOfLastSpBeforeTheFlushAppliesToTheWholePath) {
  const auto e = hpgl("SP1;PU0,0;PD10,0;SP4;PD10,10;PU;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_FLOAT_EQ(e[0].style.width, 0.039f);
  EXPECT_EQ(e[0].style.color.g, 1.0f);  // pen 4 cyan
  EXPECT_EQ(e[0].style.color.b, 1.0f);
}

TEST(HpglRead, PaPairsDrawFromThePenPosition) {
  const auto e = hpgl("PU;PA0,0;PD;PA100,0,100,100;PU;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kPolyline);
  EXPECT_FALSE(e[0].closed);
  expect_points(e[0], {P(0, 0), P(100, 0), P(100, 100)});
}

TEST(HpglRead, PenUpPaMoveStartsTheNextPath) {
  // Drawing with "PD x,y" after a pen-up PA move starts where the pen went.
  const auto e = hpgl("PU;PA500,500;PD600,600;PU;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kSegment);
  expect_points(e[0], {P(500, 500), P(600, 600)});
}

TEST(HpglRead, PdAndPuTakeEveryPairOfTheirList) {
  // Long PD lists are how many programs write their curves.
  auto e = hpgl("PU0,0;PD1,2,3,4,5,6;PU;");
  ASSERT_EQ(e.size(), 1u);
  expect_points(e[0], {P(0, 0), P(1, 2), P(3, 4), P(5, 6)});
  e = hpgl("PU10,10,20,20;PD30,30;PU;");
  ASSERT_EQ(e.size(), 1u);
  expect_points(e[0], {P(20, 20), P(30, 30)});
}

TEST(HpglRead, NoShiftIsUndoneAndRealsAreCoordinates) {
  auto e = hpgl("PU-11000,-6900;PD-9984,-5884;PU;");
  ASSERT_EQ(e.size(), 1u);
  expect_points(e[0], {P(-11000, -6900), P(-9984, -5884)});
  // HP-GL/2 real numbers are coordinates (issue 14; they used to take a
  // place and be ignored, which garbled files of other programs).
  e = hpgl("PU0,0;PD1.5,7;PD8,9;PU;");
  ASSERT_EQ(e.size(), 1u);
  expect_points(e[0], {P(0, 0), P(1.5, 7), P(8, 9)});
}

TEST(HpglRead, SeparatorsAndLineEnds) {
  const std::vector<std::string> inputs = {
      "PU0,0;PD10,0;PD10,10;PU;",     "PU0,0\nPD10,0\nPD10,10\nPU\n", "PU0,0\r\nPD10,0\r\nPD10,10\r\nPU\r\n",
      "PU0,0\rPD10,0\rPD10 10\rPU\r", "PU 0 0;PD 10 0;PD 10,10;PU;",
  };
  for (const auto& in : inputs) {
    const auto e = hpgl(in);
    ASSERT_EQ(e.size(), 1u) << in;
    expect_points(e[0], {P(0, 0), P(10, 0), P(10, 10)});
  }
}

TEST(HpglRead, UnknownMnemonicsAndStrayTokensAreSkipped) {
  const auto e = hpgl("IN;IP0,0,100,100;SC;LT;VS2;PU0,0;XX12;PD10,0;\x1b.(;PD10,10;PU;");
  ASSERT_EQ(e.size(), 1u);
  expect_points(e[0], {P(0, 0), P(10, 0), P(10, 10)});
}

TEST(HpglRead, LoneLetterSwallowsTheNextByte) {
  // "P1" is one token of no meaning that takes the digit with it; it fills
  // the x place, so the 2 is a y and the pen goes to (0, 2).
  const auto e = hpgl("PU0,0;PD;PA P1,2,3;PU;");
  ASSERT_EQ(e.size(), 1u);
  expect_points(e[0], {P(0, 0), P(0, 2)});
}

TEST(HpglRead, SelectPenWithoutNumberIsPenZeroAndRunsTheNextCommand) {
  const auto e = hpgl("SP3;PU0,0;PD5,5;SP;PU;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_FLOAT_EQ(e[0].style.width, 0.012f);  // pen 0
}

TEST(HpglRead, ArcFromAaWithFineChordIsAnArcElement) {
  const auto e = hpgl("PU1016,0;PD;AA0,0,90;PD0,2032;PU;");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].kind, kArc);
  EXPECT_DOUBLE_EQ(e[0].r, 1.0);
  EXPECT_NEAR(e[0].a1, 0.0, 1e-12);
  EXPECT_NEAR(e[0].a2, M_PI / 2, 1e-12);
  EXPECT_FLOAT_EQ(e[0].style.width, 0.0f);
  EXPECT_EQ(e[0].style.color.r, 1.0f);
  // The next path starts at the arc's end.
  EXPECT_EQ(e[1].kind, kSegment);
  EXPECT_NEAR(e[1].pts[0].x, 0.0, 1e-12);
  EXPECT_NEAR(e[1].pts[0].y, 1.0, 1e-12);
}

TEST(HpglRead, NegativeSweepStoresTheRangeCounterClockwise) {
  const auto e = hpgl("PU1016,0;PD;AA0,0,-90,5;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_NEAR(e[0].a1, -M_PI / 2, 1e-12);
  EXPECT_NEAR(e[0].a2, 0.0, 1e-12);
}

TEST(HpglRead, AaWithCoarseChordIsCutIntoSegments) {
  // 90 degrees at chord 30: n = 3, four segments of 22.5 degrees.
  const auto e = hpgl("PU1016,0;PD;AA0,0,90,30;");
  ASSERT_EQ(e.size(), 4u);
  for (const auto& s : e) EXPECT_EQ(s.kind, kSegment);
  EXPECT_DOUBLE_EQ(e[0].pts[0].x, 1.0);
  EXPECT_NEAR(e[3].pts[1].x, 0.0, 1e-12);
  EXPECT_NEAR(e[3].pts[1].y, 1.0, 1e-12);
  EXPECT_NEAR(e[0].pts[1].x, std::cos(M_PI / 8), 1e-12);
}

TEST(HpglRead, AaIsIgnoredWithThePenUpOrAZeroRadius) {
  EXPECT_TRUE(hpgl("PU1016,0;AA0,0,90;").empty());
  EXPECT_TRUE(hpgl("PU0,0;PD;AA0,0,90;").empty());
}

TEST(HpglRead, HugeSweepMakesABoundedNumberOfChordsEndingRight) {
  // 2^31 - 1 degrees at chord 10 would be 200 million segments.
  const auto e = hpgl("PU1016,0;PD;AA0,0,2147483647,10;");
  EXPECT_LE(e.size(), 400u);
  ASSERT_FALSE(e.empty());
  const double end = std::fmod(2147483647.0, 360.0) * M_PI / 180.0;
  EXPECT_NEAR(e.back().pts[1].x, std::cos(end), 1e-9);
  EXPECT_NEAR(e.back().pts[1].y, std::sin(end), 1e-9);
}

TEST(HpglRead, CircleFromCi) {
  auto e = hpgl("PU1016,1016;CI508;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kCircle);
  EXPECT_DOUBLE_EQ(e[0].pts[0].x, 1.0);
  EXPECT_DOUBLE_EQ(e[0].r, 0.5);
  // Chord 90: n = trunc(360/90 + 1) = 5 vertices plus the first again.
  e = hpgl("PU0,0;CI1016,90;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kPolyline);
  EXPECT_TRUE(e[0].closed);
  ASSERT_EQ(e[0].pts.size(), 6u);
  EXPECT_DOUBLE_EQ(e[0].pts[0].x, 1.0);
  EXPECT_DOUBLE_EQ(e[0].pts[5].x, 1.0);
  // Chord 200 gives trunc(2.8) = 2 vertices, fewer than three: nothing.
  EXPECT_TRUE(hpgl("PU0,0;CI1016,200;").empty());
}

TEST(HpglRead, CircleKeepsThePenPositionAndEndsTheOpenPath) {
  const auto e = hpgl("PU0,0;PD100,0;CI50;PD100,100;PU;");
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].kind, kSegment);  // (0,0)-(100,0) ended by CI
  EXPECT_EQ(e[1].kind, kCircle);
  EXPECT_DOUBLE_EQ(e[1].pts[0].x, 100 * kU);
  expect_points(e[2], {P(100, 0), P(100, 100)});
}

TEST(HpglRead, CoordinatesSaturateAt32Bits) {
  const auto e = hpgl("PU0,0;PD99999999999999999999,-99999999999999999999;PU;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_DOUBLE_EQ(e[0].pts[1].x, 2147483647.0 * kU);
  EXPECT_DOUBLE_EQ(e[0].pts[1].y, -2147483648.0 * kU);
}

TEST(HpglRead, OpenPathIsFlushedAtTheEndOfTheFile) {
  const auto e = hpgl("PU0,0;PD1,1;PD2,0");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kPolyline);
}

}  // namespace
