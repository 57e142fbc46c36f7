// Extended Gerber (issue 14): the format and units decide how digits are
// read; apertures, macros, arcs, regions and polarity as writers mean them.
// Invariants: coordinates come out in inches whatever the file's unit; a
// file with an extended header is read from its start (no G54 needed).
#include "convert_test_util.h"

#include <cmath>
#include <string>

using namespace convtest;

namespace {

constexpr double kPi = 3.141592653589793;

std::vector<Recorded> gbr(const std::string& s, fgb_import_report* rep = nullptr) {
  static float table[100] = {};
  table[10] = 0.5f;  // the table's D10, overridden by a file's own %ADD10
  ReadOptions opt;
  opt.apertures = table;
  opt.aperture_count = 100;
  opt.report = rep;
  return read_with(read_gerber, s, opt);
}

TEST(GerberExtended, FormatAndUnitsDecideTheDigits) {
  struct Row {
    const char* name;
    std::string head;
    std::string x;  // the digits of X for one inch
  } rows[] = {
      {"inch 2.4, leading zeros omitted", "%FSLAX24Y24*%%MOIN*%", "10000"},
      {"inch 2.3", "%FSLAX23Y23*%", "1000"},
      {"mm 3.3", "%FSLAX33Y33*%%MOMM*%", "25400"},
      {"inch 2.4, trailing zeros omitted", "%FSTAX24Y24*%%MOIN*%", "01"},
      {"G71 millimetres", "%FSLAX24Y24*%G71*", "254000"},
  };
  for (const Row& r : rows) {
    const auto e = gbr(r.head + "%ADD10C,0.01*%D10*X0Y0D02*X" + r.x + "D01*X-" + r.x + "Y0D03*M02*");
    ASSERT_EQ(e.size(), 2u) << r.name;
    EXPECT_EQ(e[0].kind, kSegment) << r.name;
    EXPECT_NEAR(e[0].pts[1].x, 1.0, 1e-12) << r.name;
    EXPECT_NEAR(e[1].pts[0].x, -1.0, 1e-12) << r.name;
  }
  // Incremental: each coordinate adds to the last.
  const auto e = gbr("%FSLIX24Y24*%X10000Y0D02*X10000D01*Y10000D01*M02*");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_NEAR(e[0].pts[2].x, 2.0, 1e-12);
  EXPECT_NEAR(e[0].pts[2].y, 1.0, 1e-12);
}

TEST(GerberExtended, AperturesAndMacros) {
  fgb_import_report rep;
  fgb_report_init(&rep);
  const auto e =
      gbr("%FSLAX24Y24*%%MOIN*%%ADD10C,0.025*%%ADD11R,0.02X0.06*%"
          "%AMBOX*0 a centred box*$3=$1x2*21,1,$3,$2,0,0,0*%%ADD12BOX,0.05X0.2*%"
          "D10*X0Y0D02*X10000D01*D11*X0Y0D03*D12*D03*D99*D03*M02*",
          &rep);
  ASSERT_EQ(e.size(), 4u);
  EXPECT_FLOAT_EQ(e[0].style.width, 0.025f);                       // the file's D10, not the table's
  EXPECT_EQ(e[0].style.color.g, 1.0f);                             // 0.025: green
  EXPECT_FLOAT_EQ(e[1].style.width, 0.06f);                        // a rectangle flashes its larger side
  EXPECT_NEAR(e[2].style.width, 2 * std::hypot(0.05, 0.1), 1e-6);  // the macro's extent
  EXPECT_FLOAT_EQ(e[3].style.width, 0.0f);                         // D99: defined nowhere
  bool macro_reported = false;
  for (uint32_t i = 0; i < rep.item_count; ++i)
    macro_reported |=
        std::string(rep.items[i].name) == "AM BOX" && rep.items[i].what == FGB_REPORT_APPROXIMATED;
  EXPECT_TRUE(macro_reported);
  EXPECT_STREQ(rep.dialect, "RS-274X");
}

TEST(GerberExtended, ArcsCirclesAndRegions) {
  // Multi-quadrant counter-clockwise quarter from (1, 0) to (0, 1) about the origin.
  auto e = gbr("%FSLAX24Y24*%%ADD10C,0.01*%D10*G75*X10000Y0D02*G03X0Y10000I-10000J0D01*M02*");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kArc);
  EXPECT_NEAR(e[0].r, 1.0, 1e-12);
  EXPECT_NEAR(e[0].a1, 0.0, 1e-12);
  EXPECT_NEAR(e[0].a2, kPi / 2, 1e-12);
  // Clockwise: the same arc the other way round.
  e = gbr("%FSLAX24Y24*%G75*X0Y10000D02*G02X10000Y0I0J-10000D01*M02*");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_NEAR(e[0].a1, 0.0, 1e-12);
  EXPECT_NEAR(e[0].a2, kPi / 2, 1e-12);
  // Single quadrant: unsigned offsets, the centre that fits.
  e = gbr("%FSLAX24Y24*%G74*X0Y10000D02*G02X10000Y0I0J10000D01*M02*");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_NEAR(e[0].pts[0].x, 0.0, 1e-12);
  EXPECT_NEAR(e[0].pts[0].y, 0.0, 1e-12);
  // A full circle.
  e = gbr("%FSLAX24Y24*%G75*X10000Y0D02*G03X10000Y0I-10000J0D01*M02*");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kCircle);
  // A region: a closed polyline of width 0, its arc in chords.
  e = gbr("%FSLAX24Y24*%G36*X0Y0D02*G01X10000D01*G75G03X0Y10000I-10000J0D01*G01X0Y0D01*G37*M02*");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_TRUE(e[0].closed);
  EXPECT_GT(e[0].pts.size(), 10u);
  EXPECT_FLOAT_EQ(e[0].style.width, 0.0f);
}

TEST(GerberExtended, PolarityAndUnknownParametersAreReported) {
  fgb_import_report rep;
  fgb_report_init(&rep);
  const auto e = gbr("%FSLAX24Y24*%\n%LPD*%\n%LPC*%\n%SRX2Y2I1J1*%\n%XY1*%\nX0Y0D03*M02*", &rep);
  EXPECT_EQ(e.size(), 1u);  // a clear flash is still drawn: its place is kept
  std::string names;
  for (uint32_t i = 0; i < rep.item_count; ++i) names += std::string(rep.items[i].name) + ";";
  EXPECT_EQ(names, "%LPC;%SR;%XY;");
  EXPECT_EQ(rep.items[0].what, FGB_REPORT_NOT_REPRESENTED);
  EXPECT_EQ(rep.items[0].where[0], 3u);
}

TEST(CutterRead, HundredthsOnRequest) {
  const std::string text = "H1*M70*M15*N1*D2*M15*X0Y0*M14*X100Y0*M15*M0*";
  ReadOptions opt;
  auto e = read_with(read_cutter, text, opt);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_DOUBLE_EQ(e[0].pts[1].x, 0.1);
  opt.cutter_units = 100;
  e = read_with(read_cutter, text, opt);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_DOUBLE_EQ(e[0].pts[1].x, 1.0);
}

}  // namespace
