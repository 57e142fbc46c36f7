// HPGL reader, HP-GL/2 as other programs write it (issue 14): real numbers,
// relative plotting, scaling, rotation, clipping, encoded polylines,
// rectangles, polygons, labels, symbols, pages, escapes and the report.
// Invariants: plotter units / 1016 with no shift undone; the scaling maps
// user units onto P1-P2; what is left out is counted in the report.
#include "convert_test_util.h"

#include <cmath>
#include <string>

using namespace convtest;

namespace {

constexpr double kU = 1.0 / 1016.0;

std::vector<Recorded> hpgl(const std::string& s, fgb_import_report* rep = nullptr) {
  ReadOptions opt;
  opt.report = rep;
  return read_with(read_hpgl, s, opt);
}

void expect_near(const gr_cpoint& p, double x, double y, const char* what) {
  EXPECT_NEAR(p.x, x, 1e-9) << what;
  EXPECT_NEAR(p.y, y, 1e-9) << what;
}

// A PE value: twice the magnitude (plus one when negative), least
// significant digit first, the last digit marked.
std::string pe(int64_t v, int base = 64) {
  uint64_t u = v >= 0 ? static_cast<uint64_t>(v) * 2 : static_cast<uint64_t>(-v) * 2 + 1;
  std::string s;
  while (u >= static_cast<uint64_t>(base)) {
    s += static_cast<char>(63 + u % base);
    u /= base;
  }
  s += static_cast<char>((base == 64 ? 191 : 95) + u);
  return s;
}

struct Case {
  const char* name;
  std::string input;
  std::vector<gr_cpoint> pts;  // inches, of the one element expected
};

TEST(Hpgl2Read, CoordinatesThroughModesScalingAndRotation) {
  const std::vector<Case> cases = {
      {"real numbers", "PU0,0;PA1016.5,0;PD;PA1016.5,1016;PU;", {{1016.5 * kU, 0}, {1016.5 * kU, 1}}},
      {"relative plotting", "PU508,0;PD;PR508,0,0,1016;PU;", {{0.5, 0}, {1, 0}, {1, 1}}},
      {"PU and PD follow PR", "PR;PU508,0;PD508,0;PU;", {{0.5, 0}, {1, 0}}},
      {"anisotropic", "IP0,0,1016,2032;SC0,1,0,1;PU0,0;PD1,1;PU;", {{0, 0}, {1, 2}}},
      {"isotropic, centred", "IP0,0,1016,2032;SC0,1,0,1,1;PU0,0;PD1,1;PU;", {{0, 0.5}, {1, 1.5}}},
      {"isotropic, at the bottom", "IP0,0,1016,2032;SC0,1,0,1,1,0,0;PU0,0;PD1,1;PU;", {{0, 0}, {1, 1}}},
      {"point factor", "IP1016,0;SC0,508,0,254,2;PU0,0;PD2,4;PU;", {{1, 0}, {2, 1}}},
      {"scaling off again", "SC0,1,0,1;SC;PU0,0;PD1016,0;PU;", {{0, 0}, {1, 0}}},
      {"rotation by 90", "RO90;PU0,0;PD1016,0;PU;", {{0, 0}, {0, 1}}},
      {"rotation by 270", "RO270;PU0,0;PD1016,0;PU;", {{0, 0}, {0, -1}}},
      {"IN resets scaling", "IP0,0,1016,2032;SC0,1,0,1;IN;PU0,0;PD1016,0;PU;", {{0, 0}, {1, 0}}},
      {"clip window", "IW0,0,1016,1016;PU-1016,508;PD2032,508;PU;", {{0, 0.5}, {1, 0.5}}},
      {"lower case", "pu0,0;pd1016,0;pu;", {{0, 0}, {1, 0}}},
      {"escapes around the plot",
       "\x1b%-12345X@PJL ENTER LANGUAGE=HPGL2\r\n\x1b%0BBPIN;PU0,0;PD1016,0;PU;\x1b%0A\x1b.(",
       {{0, 0}, {1, 0}}},
      {"PE, 8-bit", "PU0,0;PE" + pe(1016) + pe(0) + pe(0) + pe(-1016) + ";PU;", {{0, 0}, {1, 0}, {1, -1}}},
      {"PE, 7-bit, absolute, pen up, fraction",
       "PE7<=" + pe(508, 32) + pe(0, 32) + ">" + pe(1, 32) + pe(1016, 32) + pe(0, 32) + ";PU;",
       {{0.5, 0}, {1, 0}}},
  };
  for (const Case& c : cases) {
    const auto e = hpgl(c.input);
    ASSERT_EQ(e.size(), 1u) << c.name;
    ASSERT_EQ(e[0].pts.size(), c.pts.size()) << c.name;
    for (size_t i = 0; i < c.pts.size(); ++i) expect_near(e[0].pts[i], c.pts[i].x, c.pts[i].y, c.name);
  }
}

TEST(Hpgl2Read, RectanglesPolygonsAndTheirReport) {
  fgb_import_report rep;
  fgb_report_init(&rep);
  auto e = hpgl("PU0,0;EA1016,1016;RR508,508;", &rep);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_TRUE(e[0].closed);
  EXPECT_EQ(e[0].pts.size(), 5u);
  expect_near(e[1].pts[2], 0.5, 0.5, "relative corner");
  ASSERT_EQ(rep.item_count, 1u);
  EXPECT_STREQ(rep.items[0].name, "RR");
  EXPECT_EQ(rep.items[0].what, FGB_REPORT_APPROXIMATED);
  // A polygon is drawn only by EP or FP, closed; lifted at its end, left open.
  e = hpgl("PU0,0;PM0;PD1016,0,1016,1016;PM2;");
  EXPECT_TRUE(e.empty());
  e = hpgl("PU0,0;PM0;PD1016,0,1016,1016;PM2;EP;FP;");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_TRUE(e[0].closed);
  EXPECT_EQ(e[0].pts.size(), 4u);
  e = hpgl("PU0,0;PM0;PD1016,0,1016,1016;PU;PM2;EP;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_FALSE(e[0].closed);
  // AR: the centre relative to the pen.
  e = hpgl("PU1016,0;PD;AR-1016,0,90;");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kArc);
  expect_near(e[0].pts[0], 0, 0, "arc centre");
}

TEST(Hpgl2Read, LabelsSymbolsPagesAndLineTypes) {
  // "H" at 1 cm: three strokes, cap height 400 plotter units; the pen ends
  // one cell (1.5 widths) on.
  auto e = hpgl("SI1,1;PU0,0;LBH\x03PD;PR0,1016;");
  ASSERT_EQ(e.size(), 4u);
  double top = 0;
  for (size_t i = 0; i < 3; ++i)
    for (const auto& p : e[i].pts) top = std::max(top, p.y);
  EXPECT_NEAR(top, 400 * kU, 1e-9);
  expect_near(e[3].pts[0], 600 * kU, 0, "pen after the label");
  // DT changes the terminator; a terminator printed (mode 0) is drawn.
  EXPECT_EQ(hpgl("DT#;SI1,1;LBH#").size(), 3u);
  EXPECT_EQ(hpgl("DT#,0;SI1,1;LBH#").size(), 3u + 4u);  // "#": four strokes
  // SM: the symbol on every point of the lists, pen up or down.
  e = hpgl("SMI;PA0,0;PD1016,0;SM;PU;");
  EXPECT_EQ(e.size(), 1u + 2u);
  // PG: the next page to the right of this one.
  e = hpgl("PU0,0;PD1016,0;PU;PG;PU0,0;PD1016,0;PU;");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_NEAR(e[1].pts[0].x, 1 + 10 / 25.4, 1e-9);
  // LT: a dash in the style; LT alone, solid again.
  e = hpgl("LT2;PU0,0;PD1016,0;PU;LT;PD0,0;PU;");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].style.font.n, 1);
  EXPECT_EQ(e[1].style.font.n, 0);
}

TEST(Hpgl2Read, ReportCountsWhatIsSkippedWithItsLines) {
  fgb_import_report rep;
  fgb_report_init(&rep);
  hpgl("IN;\nFT1;\nVS2;PU0,0;PD1.5,0;\nFT2;", &rep);
  EXPECT_STREQ(rep.dialect, "HP-GL/2");
  EXPECT_DOUBLE_EQ(rep.unit_inch, kU);
  ASSERT_EQ(rep.item_count, 2u);
  EXPECT_STREQ(rep.items[0].name, "FT");
  EXPECT_EQ(rep.items[0].count, 2u);
  EXPECT_EQ(rep.items[0].where[0], 2u);
  EXPECT_EQ(rep.items[0].where[1], 4u);
  EXPECT_STREQ(rep.items[1].name, "VS");
  // A plain file says it is plain.
  fgb_report_init(&rep);
  hpgl("PU0,0;PD10,0;PU;", &rep);
  EXPECT_STREQ(rep.dialect, "HP-GL");
  EXPECT_EQ(rep.item_count, 0u);
}

}  // namespace

namespace {

TEST(Hpgl2Read, ClippingSplitsPathsWhereTheyLeaveAndEnter) {
  // A zigzag across the window's top edge: in, out, in again.
  const auto e = hpgl("IW0,0,1016,1016;PU0,508;PD508,2032,1016,508,1016,0;PU;");
  ASSERT_EQ(e.size(), 2u);
  expect_near(e[0].pts[0], 0, 0.5, "first piece starts inside");
  expect_near(e[0].pts[1], 508.0 / 3 * kU, 1, "leaves at the top, a third along");
  expect_near(e[1].pts.back(), 1, 0, "second piece ends inside");
  // Nothing of a path wholly outside; IW alone ends clipping.
  EXPECT_TRUE(hpgl("IW0,0,10,10;PU100,100;PD200,200;PU;").empty());
  EXPECT_EQ(hpgl("IW0,0,10,10;IW;PU100,100;PD200,200;PU;").size(), 1u);
}

TEST(Hpgl2Read, MalformedEncodedDataIsPassedOver) {
  // A value cut short by a flag, bytes of no meaning, a pair without its y,
  // and the end of the data inside PE.
  const std::string cut = std::string(1, static_cast<char>(63 + 5)) + "<";
  const auto e =
      hpgl("PU0,0;PE" + cut + pe(1016) + pe(0) + "\r\n" + pe(0) + pe(1016) + pe(7) + ";PD;PE" + pe(1));
  ASSERT_EQ(e.size(), 1u);
  expect_near(e[0].pts[0], 1, 0, "pen-up move first");
  expect_near(e[0].pts[1], 1, 1, "then a draw");
  // 8-bit bytes that are no digit in 7-bit mode end nothing.
  EXPECT_TRUE(hpgl("PE7\xC0\xC1\xC2;").empty());
}

TEST(Hpgl2Read, PolygonsRedrawnOverAndOverStayBounded) {
  std::string s = "PU0,0;PM0;PD";
  for (int i = 0; i < 200; ++i) s += std::to_string(i) + "," + std::to_string(i % 7) + ",";
  s += "0,0;PM2;";
  for (int i = 0; i < 20000; ++i) s += "EP;";
  fgb_import_report rep;
  fgb_report_init(&rep);
  const auto e = hpgl(s, &rep);
  // Every EP draws the outline again, until the work allowed for the file's size is used.
  EXPECT_GT(e.size(), 1000u);
  EXPECT_LT(e.size(), 20000u);
  ASSERT_GE(rep.item_count, 1u);
  EXPECT_STREQ(rep.items[rep.item_count - 1].name, "EP");
  EXPECT_EQ(rep.items[rep.item_count - 1].what, FGB_REPORT_DROPPED);
}

TEST(Hpgl2Read, LabelOriginsAndLineBreaks) {
  // LO 9: the label's right end and top on the pen.
  const auto right = hpgl("SI1,1;LO9;PU2032,0;LBI\x03");
  ASSERT_EQ(right.size(), 1u);  // "I": one stroke
  double max_x = -1e9, max_y = -1e9;
  for (const auto& r : right)
    for (const auto& p : r.pts) max_x = std::max(max_x, p.x), max_y = std::max(max_y, p.y);
  EXPECT_LT(max_x, 2.0);          // wholly left of the pen
  EXPECT_NEAR(max_y, 0.0, 1e-9);  // its top on the pen's height
  // A line feed moves down two heights, a carriage return back to the start.
  const auto lines = hpgl("SI1,1;PU0,0;LBI\r\nI\x03");
  ASSERT_EQ(lines.size(), 2u);
  double low = 1e9;
  for (const auto& p : lines[1].pts) low = std::min(low, p.y);
  EXPECT_NEAR(low, -800 * kU, 1e-9);
}

}  // namespace
