// DXF drawings as their writers meant them (issue 15): the file read as
// group-code / value pairs, and the entities of today's writers.
// Invariants: coordinates are millimetres in the file and inches in the
// document; a value is never taken for a group code, nor a group code for
// a value; curves are exact where the document can hold them (arcs,
// circles, cubic Bezier pieces) and otherwise within the chord tolerance.
#include "convert_test_util.h"

#include "convert/curves_p.h"
#include "convert/dxf_pairs_p.h"

#include <charconv>
#include <random>

#include <cmath>
#include <string>
#include <utility>

using namespace convtest;

namespace {

constexpr double kMm = 1.0 / 25.4;

using Groups = std::vector<std::pair<int, std::string>>;

std::string pairs(const Groups& g) {
  std::string s;
  for (const auto& [code, value] : g) s += std::to_string(code) + "\n" + value + "\n";
  return s;
}
std::string section(const char* name, const std::string& body) {
  return pairs({{0, "SECTION"}, {2, name}}) + body + pairs({{0, "ENDSEC"}});
}
std::string drawing(const std::string& entities, const std::string& before = "") {
  return before + section("ENTITIES", entities) + pairs({{0, "EOF"}});
}

std::vector<Recorded> read(const std::string& s, fgb_import_report* report = nullptr) {
  ReadOptions opt;
  opt.report = report;
  return read_with(read_dxf, s, opt);
}

const fgb_report_item* item(const fgb_import_report& r, const char* name) {
  for (uint32_t i = 0; i < r.item_count; ++i)
    if (std::string(r.items[i].name) == name) return &r.items[i];
  return nullptr;
}

void expect_point(const gr_cpoint& p, double x_mm, double y_mm, const std::string& what, double tol = 1e-9) {
  EXPECT_NEAR(p.x, x_mm * kMm, tol) << what;
  EXPECT_NEAR(p.y, y_mm * kMm, tol) << what;
}

TEST(DxfPairs, ValuesAreNeverTakenForGroupCodes) {
  // A handle of 51 is no end angle; a layer called CIRCLE, a CIRCLE in
  // the header's variables and a text "VERTEX" add nothing.
  const std::string header =
      section("HEADER", pairs({{9, "$DIMBLK"}, {1, "CIRCLE"}, {9, "$X"}, {40, "1.0"}}));
  const auto e = read(drawing(pairs({{0, "ARC"},
                                     {5, "51"},
                                     {8, "CIRCLE"},
                                     {10, "0"},
                                     {20, "0"},
                                     {40, "10"},
                                     {50, "0"},
                                     {51, "90"},
                                     {0, "TEXT"},
                                     {1, "VERTEX"},
                                     {10, "0"},
                                     {20, "0"}}),
                              header));
  ASSERT_EQ(e.size(), 1u);  // the text has no height: nothing to draw
  EXPECT_EQ(e[0].kind, kArc);
  EXPECT_DOUBLE_EQ(e[0].a2, M_PI / 2);
}

TEST(DxfPairs, BlankValuesAndBrokenPairs) {
  // Empty handles (a blank value line) keep the pairs aligned.
  auto e = read(drawing(pairs({{0, "LINE"}, {5, ""}, {8, "0"}, {10, "1"}, {20, "2"}, {11, "3"}, {21, "4"}})));
  ASSERT_EQ(e.size(), 1u);
  expect_point(e[0].pts[1], 3, 4, "second end");
  // A code line that is no number ends reading; what came before stays.
  e = read(pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "CIRCLE"}, {10, "0"}, {20, "0"}, {40, "5"}}) +
           "abc\nLINE\n" + pairs({{0, "CIRCLE"}, {10, "0"}, {20, "0"}, {40, "5"}}));
  EXPECT_EQ(e.size(), 1u);
}

TEST(DxfPolylines, LwpolylineBulgesAndClosing) {
  fgb_import_report report;
  fgb_report_init(&report);
  // A 10 by 10 square whose right side bulges out into a half circle.
  const auto e = read(drawing(pairs({{0, "LWPOLYLINE"},
                                     {90, "4"},
                                     {70, "1"},
                                     {43, "0.5"},
                                     {10, "0"},
                                     {20, "0"},
                                     {10, "10"},
                                     {20, "0"},
                                     {42, "1"},
                                     {10, "10"},
                                     {20, "10"},
                                     {10, "0"},
                                     {20, "10"}})),
                      &report);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_TRUE(e[0].closed);
  EXPECT_FLOAT_EQ(e[0].style.width, 0.5f);
  ASSERT_GT(e[0].pts.size(), 10u);
  double right = 0;
  for (const auto& p : e[0].pts) {
    right = std::max(right, p.x);
    if (p.x > 10 * kMm + 1e-12) {  // on the half circle about (10, 5), radius 5
      EXPECT_NEAR(std::hypot(p.x - 10 * kMm, p.y - 5 * kMm), 5 * kMm, 1e-12);
    }
  }
  EXPECT_NEAR(right, 15 * kMm, fgb::conv::kChordTolerance);
  ASSERT_NE(item(report, "LWPOLYLINE"), nullptr);
  EXPECT_EQ(item(report, "LWPOLYLINE")->what, FGB_REPORT_APPROXIMATED);
  // A negative bulge turns the other way; ends that meet close the polyline.
  const auto f = read(drawing(pairs(
      {{0, "LWPOLYLINE"}, {10, "0"}, {20, "0"}, {42, "-1"}, {10, "10"}, {20, "0"}, {10, "0"}, {20, "0"}})));
  ASSERT_EQ(f.size(), 1u);
  EXPECT_TRUE(f[0].closed);
  double highest = 0, lowest = 0;  // clockwise from (0, 0) to (10, 0): over the top
  for (const auto& p : f[0].pts) highest = std::max(highest, p.y), lowest = std::min(lowest, p.y);
  EXPECT_NEAR(highest, 5 * kMm, fgb::conv::kChordTolerance);
  EXPECT_EQ(lowest, 0.0);
}

TEST(DxfPolylines, FlagsBeyondClosed) {
  // A 3D polyline (8) is open unless bit 1 says otherwise, whatever its
  // vertices' flags; a spline-fitted one (4) draws its spline vertices (8),
  // not the frame (16); meshes are not read.
  const std::string verts = pairs({{0, "VERTEX"},
                                   {10, "0"},
                                   {20, "0"},
                                   {70, "32"},
                                   {0, "VERTEX"},
                                   {10, "5"},
                                   {20, "0"},
                                   {70, "32"},
                                   {0, "VERTEX"},
                                   {10, "5"},
                                   {20, "5"},
                                   {70, "32"},
                                   {0, "SEQEND"}});
  auto e = read(drawing(pairs({{0, "POLYLINE"}, {70, "8"}}) + verts));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_FALSE(e[0].closed);
  EXPECT_EQ(e[0].pts.size(), 3u);
  e = read(drawing(pairs({{0, "POLYLINE"},
                          {70, "4"},
                          {0, "VERTEX"},
                          {10, "0"},
                          {20, "0"},
                          {70, "16"},
                          {0, "VERTEX"},
                          {10, "1"},
                          {20, "1"},
                          {70, "8"},
                          {0, "VERTEX"},
                          {10, "2"},
                          {20, "1"},
                          {70, "8"},
                          {0, "VERTEX"},
                          {10, "9"},
                          {20, "9"},
                          {70, "16"},
                          {0, "SEQEND"}})));
  ASSERT_EQ(e.size(), 1u);
  ASSERT_EQ(e[0].pts.size(), 2u);
  expect_point(e[0].pts[0], 1, 1, "first spline vertex");
  fgb_import_report report;
  fgb_report_init(&report);
  e = read(drawing(pairs({{0, "POLYLINE"}, {70, "64"}}) + verts), &report);
  EXPECT_TRUE(e.empty());
  EXPECT_NE(item(report, "POLYLINE mesh"), nullptr);
}

TEST(DxfCurves, EllipseSplineAndCircleUnderAMirroringSystem) {
  const auto e = read(drawing(pairs({// A full ellipse, 20 by 10.
                                     {0, "ELLIPSE"},
                                     {10, "0"},
                                     {20, "0"},
                                     {11, "10"},
                                     {21, "0"},
                                     {40, "0.5"},
                                     {41, "0"},
                                     {42, "6.283185307179586"},
                                     // An elliptic arc that is a circle: an arc element.
                                     {0, "ELLIPSE"},
                                     {10, "0"},
                                     {20, "0"},
                                     {11, "0"},
                                     {21, "10"},
                                     {40, "1"},
                                     {41, "0"},
                                     {42, "1.5707963267948966"},
                                     // A cubic spline of one piece: exactly its control points.
                                     {0, "SPLINE"},
                                     {71, "3"},
                                     {72, "8"},
                                     {73, "4"},
                                     {40, "0"},
                                     {40, "0"},
                                     {40, "0"},
                                     {40, "0"},
                                     {40, "1"},
                                     {40, "1"},
                                     {40, "1"},
                                     {40, "1"},
                                     {10, "0"},
                                     {20, "0"},
                                     {10, "1"},
                                     {20, "2"},
                                     {10, "3"},
                                     {20, "2"},
                                     {10, "4"},
                                     {20, "0"},
                                     // A quadratic spline of two pieces, raised to cubic.
                                     {0, "SPLINE"},
                                     {71, "2"},
                                     {72, "7"},
                                     {73, "4"},
                                     {40, "0"},
                                     {40, "0"},
                                     {40, "0"},
                                     {40, "1"},
                                     {40, "2"},
                                     {40, "2"},
                                     {40, "2"},
                                     {10, "0"},
                                     {20, "0"},
                                     {10, "2"},
                                     {20, "2"},
                                     {10, "4"},
                                     {20, "0"},
                                     {10, "6"},
                                     {20, "2"},
                                     // A weighted spline: chords.
                                     {0, "SPLINE"},
                                     {70, "4"},
                                     {71, "2"},
                                     {72, "6"},
                                     {73, "3"},
                                     {40, "0"},
                                     {40, "0"},
                                     {40, "0"},
                                     {40, "1"},
                                     {40, "1"},
                                     {40, "1"},
                                     {10, "10"},
                                     {20, "0"},
                                     {41, "1"},
                                     {10, "10"},
                                     {20, "10"},
                                     {41, "0.7071067811865476"},
                                     {10, "0"},
                                     {20, "10"},
                                     {41, "1"},
                                     // A circle in a system whose normal points down: mirrored in x.
                                     {0, "CIRCLE"},
                                     {10, "5"},
                                     {20, "2"},
                                     {40, "3"},
                                     {210, "0"},
                                     {220, "0"},
                                     {230, "-1"},
                                     {0, "ARC"},
                                     {10, "0"},
                                     {20, "0"},
                                     {40, "1"},
                                     {50, "0"},
                                     {51, "90"},
                                     {210, "0"},
                                     {220, "0"},
                                     {230, "-1"}})));
  ASSERT_EQ(e.size(), 7u);
  EXPECT_EQ(e[0].kind, kBezier);
  EXPECT_EQ(e[0].pts.size(), 25u);  // eight pieces of 45 degrees
  for (size_t i = 0; i < e[0].pts.size(); i += 3) {
    EXPECT_NEAR(std::pow(e[0].pts[i].x / (10 * kMm), 2) + std::pow(e[0].pts[i].y / (5 * kMm), 2), 1.0, 1e-12);
  }
  EXPECT_EQ(e[1].kind, kArc);
  EXPECT_NEAR(e[1].a1, M_PI / 2, 1e-12);
  EXPECT_NEAR(e[1].a2, M_PI, 1e-12);
  EXPECT_EQ(e[2].kind, kBezier);
  ASSERT_EQ(e[2].pts.size(), 4u);
  expect_point(e[2].pts[1], 1, 2, "control point");
  EXPECT_EQ(e[3].kind, kBezier);
  ASSERT_EQ(e[3].pts.size(), 7u);
  expect_point(e[3].pts[3], 3, 1, "knot between the pieces");  // the middle of (2, 2) - (4, 0)
  expect_point(e[3].pts[1], 4.0 / 3, 4.0 / 3, "raised control point");
  EXPECT_EQ(e[4].kind, kPolyline);
  for (const auto& p : e[4].pts) {  // a quarter circle of radius 10 about the origin
    EXPECT_NEAR(std::hypot(p.x, p.y), 10 * kMm, 1e-9);
  }
  EXPECT_EQ(e[5].kind, kCircle);
  expect_point(e[5].pts[0], -5, 2, "mirrored centre");
  EXPECT_EQ(e[6].kind, kArc);  // from 90 to 180 degrees once mirrored
  EXPECT_NEAR(std::remainder(e[6].a1 - M_PI / 2, 2 * M_PI), 0.0, 1e-12);
  EXPECT_NEAR(e[6].a2 - e[6].a1, M_PI / 2, 1e-12);
}

TEST(DxfFaces, SolidTraceFaceHatchPoint) {
  const auto e = read(drawing(pairs({// SOLID corners run 1, 2, 4, 3 round the outline.
                                     {0, "SOLID"},
                                     {10, "0"},
                                     {20, "0"},
                                     {11, "10"},
                                     {21, "0"},
                                     {12, "0"},
                                     {22, "10"},
                                     {13, "10"},
                                     {23, "10"},
                                     // A triangle: no fourth corner.
                                     {0, "TRACE"},
                                     {10, "0"},
                                     {20, "0"},
                                     {11, "10"},
                                     {21, "0"},
                                     {12, "0"},
                                     {22, "10"},
                                     // A 3DFACE with its second edge hidden: one run of three edges.
                                     {0, "3DFACE"},
                                     {10, "0"},
                                     {20, "0"},
                                     {11, "10"},
                                     {21, "0"},
                                     {12, "10"},
                                     {22, "10"},
                                     {13, "0"},
                                     {23, "10"},
                                     {70, "2"},
                                     // A hatch of two paths: a polyline one and one of a line and an arc.
                                     {0, "HATCH"},
                                     {10, "0"},
                                     {20, "0"},
                                     {30, "0"},
                                     {2, "SOLID"},
                                     {70, "1"},
                                     {91, "2"},
                                     {92, "2"},
                                     {72, "0"},
                                     {73, "1"},
                                     {93, "3"},
                                     {10, "0"},
                                     {20, "0"},
                                     {10, "4"},
                                     {20, "0"},
                                     {10, "0"},
                                     {20, "4"},
                                     {97, "0"},
                                     {92, "1"},
                                     {93, "2"},
                                     {72, "1"},
                                     {10, "10"},
                                     {20, "0"},
                                     {11, "20"},
                                     {21, "0"},
                                     {72, "2"},
                                     {10, "15"},
                                     {20, "0"},
                                     {40, "5"},
                                     {50, "0"},
                                     {51, "180"},
                                     {73, "1"},
                                     {97, "0"},
                                     {75, "1"},
                                     {76, "1"},
                                     {98, "1"},
                                     {10, "99"},
                                     {20, "99"},  // a seed point: no vertex
                                     {0, "POINT"},
                                     {10, "7"},
                                     {20, "8"}})));
  ASSERT_EQ(e.size(), 6u);
  EXPECT_TRUE(e[0].closed);
  ASSERT_EQ(e[0].pts.size(), 4u);
  expect_point(e[0].pts[2], 10, 10, "solid's third corner in outline order");
  EXPECT_TRUE(e[1].closed);
  EXPECT_EQ(e[1].pts.size(), 3u);
  EXPECT_FALSE(e[2].closed);
  ASSERT_EQ(e[2].pts.size(), 4u);
  expect_point(e[2].pts[0], 10, 10, "the run starts after the hidden edge");
  EXPECT_TRUE(e[3].closed);
  EXPECT_EQ(e[3].pts.size(), 3u);
  EXPECT_TRUE(e[4].closed);
  double top = 0;
  for (const auto& p : e[4].pts) {
    top = std::max(top, p.y);
    EXPECT_LT(p.x, 20.5 * kMm);
  }
  EXPECT_NEAR(top, 5 * kMm, fgb::conv::kChordTolerance);
  EXPECT_EQ(e[5].kind, kFlash);
  expect_point(e[5].pts[0], 7, 8, "point");
}

TEST(DxfText, TextAndMtextAsStrokes) {
  fgb_import_report report;
  fgb_report_init(&report);
  const auto e =
      read(drawing(pairs({
               {0, "TEXT"}, {10, "10"},  {20, "20"}, {40, "5"},    {1, "HI"}, {0, "TEXT"},  {10, "0"},
               {20, "0"},   {11, "100"}, {21, "0"},  {40, "5"},    {72, "2"}, {1, "HI"},    {0, "TEXT"},
               {10, "0"},   {20, "0"},   {40, "5"},  {50, "90"},   {1, "HI"}, {0, "MTEXT"}, {10, "0"},
               {20, "0"},   {40, "5"},   {71, "1"},  {1, "A\\PB"},
           })),
           &report);
  ASSERT_EQ(e.size(), 4u);
  const auto box = [](const Recorded& r) {
    double b[4] = {1e300, 1e300, -1e300, -1e300};
    for (const auto& m : r.members)
      for (const auto& p : m)
        b[0] = std::min(b[0], p.x), b[1] = std::min(b[1], p.y), b[2] = std::max(b[2], p.x),
        b[3] = std::max(b[3], p.y);
    return std::vector<double>(b, b + 4);
  };
  const auto plain = box(e[0]), right = box(e[1]), turned = box(e[2]), mtext = box(e[3]);
  EXPECT_NEAR(plain[1], 20 * kMm, 1e-9);  // capitals stand on the baseline
  EXPECT_NEAR(plain[3], 25 * kMm, 1e-9);  // and are the height tall
  EXPECT_GE(plain[0], 10 * kMm);
  EXPECT_NEAR(right[2], 100 * kMm, 2 * kMm);  // right-justified at the second point
  EXPECT_GT(turned[3] - turned[1], turned[2] - turned[0]);
  // Two paragraphs: the second line below the first, the top at the point.
  EXPECT_NEAR(mtext[3], 0.0, 1e-9);
  EXPECT_NEAR(mtext[1], -(5 + 5 * 5.0 / 3) * kMm, 1e-9);
  ASSERT_NE(item(report, "TEXT"), nullptr);
  EXPECT_EQ(item(report, "TEXT")->count, 3u);
  EXPECT_EQ(item(report, "TEXT")->what, FGB_REPORT_APPROXIMATED);
}

TEST(DxfLayers, ColoursByLayerAndHiddenLayersAndPaperSpace) {
  fgb_import_report report;
  fgb_report_init(&report);
  const std::string tables = section("TABLES", pairs({{0, "TABLE"},
                                                      {2, "LAYER"},
                                                      {0, "LAYER"},
                                                      {2, "Walls"},
                                                      {62, "1"},
                                                      {70, "0"},
                                                      {0, "LAYER"},
                                                      {2, "Off"},
                                                      {62, "-3"},
                                                      {0, "LAYER"},
                                                      {2, "Frozen"},
                                                      {62, "3"},
                                                      {70, "1"},
                                                      {0, "ENDTAB"}}));
  const auto e = read(
      drawing(
          pairs({{0, "LINE"},  {8, "walls"}, {10, "0"}, {20, "0"},   {11, "1"}, {21, "1"},     {0, "LINE"},
                 {8, "Walls"}, {62, "256"},  {10, "0"}, {20, "0"},   {11, "1"}, {21, "1"},     {0, "LINE"},
                 {8, "Walls"}, {62, "6"},    {10, "0"}, {20, "0"},   {11, "1"}, {21, "1"},     {0, "LINE"},
                 {8, "Off"},   {10, "0"},    {20, "0"}, {11, "1"},   {21, "1"}, {0, "CIRCLE"}, {8, "Frozen"},
                 {10, "0"},    {20, "0"},    {40, "1"}, {0, "LINE"}, {67, "1"}, {10, "0"},     {20, "0"},
                 {11, "1"},    {21, "1"}}),
          tables),
      &report);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].style.color.r, 1.0f);  // BYLAYER, layer names in any case
  EXPECT_EQ(e[1].style.color.r, 1.0f);
  EXPECT_EQ(e[2].style.color.b, 1.0f);  // its own colour
  EXPECT_EQ(item(report, "hidden layer")->count, 2u);
  EXPECT_EQ(item(report, "paper space")->count, 1u);
}

TEST(DxfReport, VersionUnitsAndWhatIsLeftOut) {
  fgb_import_report report;
  fgb_report_init(&report);
  const std::string header =
      section("HEADER", pairs({{9, "$ACADVER"}, {1, "AC1015"}, {9, "$INSUNITS"}, {70, "1"}}));
  read(drawing(pairs({{0, "3DSOLID"}, {1, "acis data"}, {0, "WHATEVER"}, {8, "0"}}), header), &report);
  EXPECT_STREQ(report.dialect, "DXF AC1015 (AutoCAD 2000)");
  EXPECT_NE(std::string(report.units).find("inches not applied"), std::string::npos) << report.units;
  EXPECT_DOUBLE_EQ(report.unit_inch, 1 / 25.4);
  EXPECT_EQ(item(report, "3DSOLID")->what, FGB_REPORT_NOT_REPRESENTED);
  EXPECT_EQ(item(report, "WHATEVER")->what, FGB_REPORT_SKIPPED);
  EXPECT_EQ(item(report, "WHATEVER")->where[0], 23u);  // its line
}

}  // namespace

namespace {

// The numbers of a value are read as from_chars reads them, whichever way
// (the printed decimals of writers eight digits at a time, plain decimals,
// anything else by from_chars itself), also when the value ends the data.
TEST(DxfNumbers, EveryWayOfReadingGivesFromCharsValue) {
  std::mt19937_64 rng(15);
  std::vector<std::string> texts = {
      "0",     "-0.0", "1.",     ".5",     "123.456000", "99999999.9", "0.000000001", "12345678.1234567",
      "1.5e3", "7x",   "  42  ", "1e-400", "-.25"};
  char buf[64];
  for (int i = 0; i < 20000; ++i) {
    const double v = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 60) - 50) *
                     (rng() % 2 ? 1 : -1);
    const char* formats[] = {"%f", "%.3f", "%.12f", "%.17g", "%.1f"};
    std::snprintf(buf, sizeof buf, formats[i % 5], v);
    texts.emplace_back(buf);
  }
  for (const std::string& t : texts) {
    const char* b = t.data();
    const char* e = b + t.size();
    const char* q = b;
    while (q < e && *q == ' ') ++q;
    const bool neg = q < e && *q == '-';
    double want = 0;
    std::from_chars(q + (neg || *q == '+'), e, want);
    if (neg) want = -want;
    // Ends the data, then with more data after it.
    for (const std::string& data : {t, t + "\n  0\nSEQEND\n"}) {
      double got = -1, got2 = -1;
      const std::string_view value(data.data(), t.size());
      ASSERT_TRUE(fgb::conv::dxf::to_real(value, got)) << t;
      ASSERT_TRUE(fgb::conv::dxf::to_real(value, got2, data.data() + data.size())) << t;
      if (t == "1e-400") want = 0;
      EXPECT_EQ(got, want) << t;
      EXPECT_EQ(got2, want) << t;
      EXPECT_EQ(std::signbit(got2), std::signbit(want)) << t;
    }
  }
}

}  // namespace
