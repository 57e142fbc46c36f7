// Gerber and Gerber-cutter readers and writers. Invariants: coordinates are
// integer thousandths of an inch in the file; a document written and read
// back gives the same thousandths; words of a block act from last to first.
#include "convert_test_util.h"

#include <cmath>

using namespace convtest;

namespace {

std::string gerber(const Doc& d) {
  return write_page(d, [](Page& p, OutBuf& out) {
    WriterContext ctx;
    ctx.file = &out;
    write_gerber_page(p, ctx, nullptr, 0);
    EXPECT_EQ(ctx.elapsed_time, 0.0f);
  });
}

std::string cutter(const Doc& d) {
  return write_page(d, [](Page& p, OutBuf& out) {
    WriterContext ctx;
    ctx.file = &out;
    write_cutter_page(p, ctx, nullptr, 0);
  });
}

size_t count_of(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) ++n;
  return n;
}

float g_apertures[100];

ReadOptions with_table() {
  for (float& a : g_apertures) a = 0;
  g_apertures[10] = 0.012f;
  g_apertures[11] = 0.025f;
  g_apertures[12] = 0.011f;
  g_apertures[13] = 0.1f;
  ReadOptions o;
  o.apertures = g_apertures;
  o.aperture_count = 100;
  return o;
}

// ---- Gerber writer ----

TEST(GerberWrite, ElementsAsBlocks) {
  Doc d;
  d.polyline({{0.1, 0.2}, {0.3, 0.2}, {0.3, 0.4}}, false, width_style(0.025));
  d.segment({0, 0}, {1, 1}, width_style(0.012));
  d.flash({1.5, 2.25}, width_style(0.012));
  d.polyline({{0, 0}, {0.29, 0}, {0.29, 0.57}}, true, width_style(0.012));
  EXPECT_EQ(gerber(d), crlf("D02*G54D11*\nX100Y200D02*X300Y200D01*X300Y400*"
                            "D02*G54D11*\nX0Y0D02*X1000Y1000D01*\n"
                            "X1500Y2250D03*"
                            "D02*G54D11*\nX0Y0D02*X290Y0D01*X290Y570*X0Y0*"));
}

TEST(GerberWrite, CircleIsFortyOneClosedPointsAndArcFortyOneOpen) {
  Doc d;
  d.circle({1, 1}, 1, width_style(0.012));
  const std::string c = gerber(d);
  EXPECT_EQ(count_of(c, "X2000Y1000"), 3u);  // first, at 2 pi, and closing
  EXPECT_EQ(count_of(c, "X"), 42u);
  Doc a;
  a.arc({0, 0}, 1, 0, M_PI / 2, width_style(0.012));
  const std::string s = gerber(a);
  EXPECT_EQ(count_of(s, "X"), 41u);
  EXPECT_EQ(s.rfind("X0Y1000*"), s.size() - 8);
}

TEST(GerberWrite, PolylineSetSharesOneApertureLine) {
  Doc d;
  d.polylines({{{0, 0}, {1, 0}}, {{2, 2}, {3, 2}, {3, 3}}}, false, width_style(0.012));
  EXPECT_EQ(gerber(d), crlf("D02*G54D11*\nX0Y0D02*X1000Y0D01*X2000Y2000D02*X3000Y2000D01*X3000Y3000*"));
}

// ---- Gerber reader ----

TEST(GerberRead, DrawWithApertureFromTheTable) {
  const auto e = read_with(read_gerber, "D02*G54D11*X100Y200D02*X300Y200D01*X300Y400*D02*M02*", with_table());
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kPolyline);
  EXPECT_FALSE(e[0].closed);
  ASSERT_EQ(e[0].pts.size(), 3u);
  EXPECT_DOUBLE_EQ(e[0].pts[0].x, 0.1);
  EXPECT_DOUBLE_EQ(e[0].pts[2].y, 0.4);
  EXPECT_FLOAT_EQ(e[0].style.width, 0.025f);
  EXPECT_EQ(e[0].style.color.g, 1.0f);  // green
  EXPECT_EQ(e[0].style.color.r, 0.0f);
}

TEST(GerberRead, NothingIsObeyedWithoutAGWordOrFiftyFour) {
  EXPECT_TRUE(read_with(read_gerber, "D11*X100Y200D02*X300Y200D01*X300Y400*D02*M02*", with_table()).empty());
  // A comment block (G04) is enough, and so is D54.
  EXPECT_EQ(read_with(read_gerber, "G04 Title*X1Y1D03*").size(), 1u);
  EXPECT_EQ(read_with(read_gerber, "D54*X1Y1D03*").size(), 1u);
}

TEST(GerberRead, FlashesWhateverTheOrderOfXAndY) {
  for (const char* block : {"G54*X100Y200D03*", "G54*Y200X100D03*"}) {
    const auto e = read_with(read_gerber, block, with_table());
    ASSERT_EQ(e.size(), 1u) << block;
    EXPECT_EQ(e[0].kind, kFlash);
    EXPECT_DOUBLE_EQ(e[0].pts[0].x, 0.1);
    EXPECT_DOUBLE_EQ(e[0].pts[0].y, 0.2);
    EXPECT_EQ(e[0].style.color.r, 1.0f);
  }
  // One coordinate flashes at the other's last value; the size is the last selected.
  const auto e = read_with(read_gerber, "G54D13*X100Y200D03*Y500D03*", with_table());
  ASSERT_EQ(e.size(), 2u);
  EXPECT_DOUBLE_EQ(e[1].pts[0].x, 0.1);
  EXPECT_DOUBLE_EQ(e[1].pts[0].y, 0.5);
  EXPECT_FLOAT_EQ(e[1].style.width, 0.1f);
}

TEST(GerberRead, SignedCoordinatesAreReadAndBlocksWithPointsDropped) {
  // Issue 14: a block with a negative coordinate used to be dropped whole,
  // and whole parts of boards with it.
  const std::string head = "G54D10*X0Y0D02*";
  auto e = read_with(read_gerber, head + "X-100Y200D01*X300Y0D01*X300Y300*D02*", with_table());
  ASSERT_EQ(e.size(), 1u);
  ASSERT_EQ(e[0].pts.size(), 4u);
  EXPECT_DOUBLE_EQ(e[0].pts[1].x, -0.1);
  EXPECT_DOUBLE_EQ(e[0].pts[2].x, 0.3);
  EXPECT_EQ(e[0].style.color.g, 1.0f);  // 0.012: yellow
  EXPECT_EQ(e[0].style.color.r, 1.0f);
  e = read_with(read_gerber, head + "X.5Y2D03*");
  EXPECT_TRUE(e.empty());
}

TEST(GerberRead, ParameterBlocksAndLineEndsAreSkipped) {
  const std::string text =
      "%FSLAX23Y23*%\r\n%MOIN*%\r\n%ADD11C,0.025*%\r\nG54D11*\r\nX100Y100D02*\r\nX200Y100D01*\r\nD02*\r\nM02*"
      "\r\n";
  const auto e = read_with(read_gerber, text, with_table());
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kSegment);
  EXPECT_DOUBLE_EQ(e[0].pts[1].x, 0.2);
}

TEST(GerberRead, ClosedDrawOpenDrawAtTheEndAndBareFlash) {
  // Issue 14: the draw still open at the end is kept (board outlines
  // vanished), and D03 alone flashes at the current point (pads vanished).
  auto e = read_with(read_gerber, "G54*X0Y0D02*X100Y0D01*X100Y100*X0Y0*D02*X5Y5D01*X6Y6*");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_TRUE(e[0].closed);
  EXPECT_EQ(e[0].pts.size(), 4u);
  EXPECT_EQ(e[1].pts.size(), 3u);  // (0,0) drawn to (5,5), then to (6,6)
  // M02 stops at once: the rest of its block and the file are not read.
  e = read_with(read_gerber, "G54*X1Y1D03*X2Y2D03M02*X3Y3D03*");
  EXPECT_EQ(e.size(), 1u);
  e = read_with(read_gerber, "G54*X7Y8D02*D03*D03*X9Y9D03*");
  ASSERT_EQ(e.size(), 3u);
  EXPECT_DOUBLE_EQ(e[1].pts[0].x, 0.007);
  EXPECT_DOUBLE_EQ(e[1].pts[0].y, 0.008);
}

TEST(GerberRead, WidthToColour) {
  const struct {
    int d;
    float r, g, b;
  } rows[] = {{10, 1, 1, 0}, {11, 0, 1, 0}, {12, 0, 0.5f, 0.5f}, {13, 1, 0, 0}};
  for (const auto& r : rows) {
    const std::string text = "G54D" + std::to_string(r.d) + "*X0Y0D02*X1Y0D01*D02*";
    const auto e = read_with(read_gerber, text, with_table());
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].style.color.r, r.r) << r.d;
    EXPECT_EQ(e[0].style.color.g, r.g) << r.d;
    EXPECT_EQ(e[0].style.color.b, r.b) << r.d;
  }
}

TEST(GerberRoundTrip, ThousandthsComeBackExactly) {
  Doc d;
  d.polyline({{0.29, 0.57}, {1.001, 0.003}, {12.345, 6.789}, {0.29, 0.57}}, false, width_style(0.025));
  d.segment({0.007, 0.013}, {99.999, 0.1}, width_style(0.025));
  d.flash({3.14, 2.718}, width_style(0.025));
  const auto e = read_with(read_gerber, gerber(d) + "D02*M02*", with_table());
  ASSERT_EQ(e.size(), 3u);
  const auto thou = [](double v) { return std::lround(v * 1000); };
  EXPECT_TRUE(e[0].closed);
  EXPECT_EQ(thou(e[0].pts[1].x), 1001);
  EXPECT_EQ(thou(e[0].pts[0].x), 290);
  EXPECT_EQ(thou(e[1].pts[1].x), 99999);
  EXPECT_EQ(e[2].kind, kFlash);
  EXPECT_EQ(thou(e[2].pts[0].y), 2718);
}

// ---- Gerber-cutter ----

TEST(CutterWrite, ClosedSquareAndItsReadBack) {
  Doc d;
  d.polyline({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true, width_style(0.012));
  d.flash({1, 1}, width_style(0.012));
  const std::string out = cutter(d);
  EXPECT_EQ(out, "H1*M70*M15*N1*D2*M15*X0Y0*M14*X1000Y0*X1000Y1000*X0Y1000*X0Y0*");
  const auto e = read_with(read_cutter, out + "M15*M0*");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kPolyline);
  EXPECT_TRUE(e[0].closed);
  EXPECT_EQ(e[0].pts.size(), 5u);
  EXPECT_FLOAT_EQ(e[0].style.width, 0.012f);
  EXPECT_EQ(e[0].style.color.r + e[0].style.color.g + e[0].style.color.b, 0.0f);
}

TEST(CutterWrite, EachContourOfASetIsItsOwnCut) {
  Doc d;
  d.polylines({{{0, 0}, {1, 0}, {1, 1}}, {{2, 2}, {3, 2}, {3, 3}}}, false, width_style(0.012));
  d.segment({5, 5}, {6, 6}, width_style(0.012));
  const std::string out = cutter(d);
  EXPECT_EQ(out, crlf("H1*M70*M15*N1*D2*M15*X0Y0*M14*X1000Y0*X1000Y1000*M15*X2000Y2000*M14*X3000Y2000*"
                      "X3000Y3000*M15*X5000Y5000*M14*X6000Y6000*\n"));
  const auto e = read_with(read_cutter, out + "M15*M0*");
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].pts.size(), 3u);
  EXPECT_EQ(e[1].pts.size(), 3u);
  EXPECT_EQ(e[2].kind, kSegment);
}

TEST(CutterRead, KnifeWordsAndEnabling) {
  EXPECT_TRUE(read_with(read_cutter, "H1*N1*M14*X1Y1*X2Y2*M15*").size() == 1u);  // M enables
  EXPECT_TRUE(read_with(read_cutter, "H1*N1*X1Y1*X2Y2*D15*").empty());
  EXPECT_EQ(read_with(read_cutter, "D70*M14*X1Y1*X2Y2*M15*").size(), 1u);
  // A raises the knife within a cut, B lowers it again; one coordinate only moves.
  const auto e = read_with(read_cutter, "M70*M14*X100Y0*A1*X200Y0*B1*X300Y0*Y50*M15*M0*X9Y9*");
  ASSERT_EQ(e.size(), 1u);
  ASSERT_EQ(e[0].pts.size(), 3u);
  EXPECT_DOUBLE_EQ(e[0].pts[2].x, 0.3);
  // A cut still open at the end is dropped.
  EXPECT_TRUE(read_with(read_cutter, "M70*M14*X100Y0*X5Y5*").empty());
}

}  // namespace
