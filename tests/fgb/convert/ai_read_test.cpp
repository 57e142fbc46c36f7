// Illustrator reader: paths after the end of the setup only, as composite
// Bezier elements in green of width 0; m / l / c and the painting
// operators; the 99-character lines; numbers as sscanf's "%f" accepts
// them, independent of the locale; whatever the bytes, no crash and no
// point that is not finite.
#include "convert_test_util.h"

#include "convert/ai_scan_p.h"

#include <fgb/main_db.h>

#include <cmath>
#include <fstream>
#include <charconv>
#include <cstring>
#include <optional>
#include <random>
#include <unistd.h>

using namespace convtest;

namespace {

constexpr double kScale = 1.0 / 71.94;

std::vector<Recorded> read_ai_text(const std::string& text) { return read_with(read_ai, text); }

// The file: a setup end, then the lines given.
std::string after_setup(const std::string& body) { return "%!PS-Adobe-3.0\n%%EndSetup\n" + body; }

void expect_point(const gr_cpoint& p, double x, double y, const std::string& where) {
  EXPECT_NEAR(p.x, x * kScale, 1e-12) << where;
  EXPECT_NEAR(p.y, y * kScale, 1e-12) << where;
}

TEST(AiRead, SevenPointExample) {
  const auto e = read_ai_text(after_setup("0 0 m\n72 0 l\n72 72 l\nS\n"));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kBezier);
  const double u = 72.0 / 71.94;
  const std::vector<gr_cpoint> want = {{0, 0}, {0, 0}, {u, 0}, {u, 0}, {u, 0}, {u, u}, {u, u}};
  ASSERT_EQ(e[0].pts.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(e[0].pts[i].x, want[i].x, 1e-12) << i;
    EXPECT_NEAR(e[0].pts[i].y, want[i].y, 1e-12) << i;
  }
  EXPECT_NEAR(u, 1.000834, 1e-6);
  EXPECT_EQ(e[0].style.width, 0.0f);
  EXPECT_EQ(e[0].style.color.r, 0.0f);
  EXPECT_EQ(e[0].style.color.g, 1.0f);
  EXPECT_EQ(e[0].style.color.b, 0.0f);
  EXPECT_EQ(e[0].style.font.n, 0);
}

TEST(AiRead, CurvesAddThreePointsAndALineAfterACurveStartsAtItsEnd) {
  const auto e = read_ai_text(after_setup("5 5 m\n10 10 20 20 30 30 c\n40 45 L\n1 2 3 4 5 6 C\nf\n"));
  ASSERT_EQ(e.size(), 1u);
  // f closes the path: a straight piece back to its start (issue 15).
  const std::vector<std::pair<double, double>> want = {{5, 5},   {10, 10}, {20, 20}, {30, 30}, {30, 30},
                                                       {40, 45}, {40, 45}, {1, 2},   {3, 4},   {5, 6},
                                                       {5, 6},   {5, 5},   {5, 5}};
  ASSERT_EQ(e[0].pts.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i)
    expect_point(e[0].pts[i], want[i].first, want[i].second, std::to_string(i));
}

TEST(AiRead, WhatEndsAPathAndWhatIsSkipped) {
  const struct {
    const char* name;
    const char* body;
    std::vector<size_t> points;  // points of each element
  } rows[] = {
      {"moveto then paint adds nothing", "0 0 m\nS\n", {}},
      {"S", "0 0 m\n1 1 l\nS\n", {4}},
      // s, f, F, B and b close the path they paint (issue 15): a closing piece.
      {"s", "0 0 m\n1 1 l\ns\n", {7}},
      {"f", "0 0 m\n1 1 l\nf\n", {7}},
      {"F", "0 0 m\n1 1 l\nF\n", {7}},
      {"B", "0 0 m\n1 1 l\nB\n", {7}},
      {"b", "0 0 m\n1 1 l\n  b\n", {7}},
      {"a path ending where it began needs no closing piece", "0 0 m\n1 1 l\n0 0 l\nf\n", {7}},
      {"paint words count by their first character", "0 0 m\n1 1 l\nstroke\n", {4}},
      {"n does not paint", "0 0 m\n1 1 l\nn\n2 2 l\nS\n", {7}},
      {"h adds no closing piece", "0 0 m\n1 0 l\n1 1 l\nh\nS\n", {7}},
      // v and y are curves with a control point on an end (issue 15).
      {"v and y are curves", "0 0 m\n1 1 2 2 v\n1 1 2 2 y\n1 1 l\nS\n", {10}},
      {"a second moveto inside a path is skipped", "0 0 m\n1 1 l\n5 5 m\n2 2 l\nS\n", {7}},
      {"attribute lines between", "0 0 m\n0 0 0 1 k\n1 1 l\n0.5 w\nS\n", {4}},
      {"lines before a moveto are skipped", "1 1 l\nS\n0 0 m\n1 1 l\nS\n", {4}},
      {"two paths", "0 0 m\n1 1 l\nS\n2 2 m\n3 3 l\n4 4 5 5 6 6 c\nF\n", {4, 10}},
      {"path dropped at the end of the file", "0 0 m\n1 1 l\nS\n2 2 m\n3 3 l\n", {4}},
      {"a last line without a line feed is not read", "0 0 m\n1 1 l\nS", {}},
      {"moveto by its first character", "0 0 moveto\n1 1 l\nS\n", {4}},
      {"M does not start a path", "0 0 M\n1 1 l\nS\n", {}},
  };
  for (const auto& r : rows) {
    const auto e = read_ai_text(after_setup(r.body));
    ASSERT_EQ(e.size(), r.points.size()) << r.name;
    for (size_t i = 0; i < e.size(); ++i) {
      EXPECT_EQ(e[i].kind, kBezier) << r.name;
      EXPECT_EQ(e[i].pts.size(), r.points[i]) << r.name;
    }
  }
}

TEST(AiRead, NothingBeforeTheEndOfTheSetup) {
  EXPECT_TRUE(read_ai_text("0 0 m\n72 0 l\nS\n").empty());
  EXPECT_TRUE(read_ai_text("%%BeginSetup\n0 0 m\n72 0 l\nS\n%%EndSetu\n0 0 m\n1 1 l\nS\n").empty());
  // Paths before the line are not read; those after it are.
  const auto e = read_ai_text("0 0 m\n72 0 l\nS\n%%EndSetup\n1 1 m\n2 2 l\nS\n");
  ASSERT_EQ(e.size(), 1u);
  expect_point(e[0].pts[0], 1, 1, "first point");
  // The first word is read as "%10s": ten characters, blanks before it.
  EXPECT_EQ(read_ai_text("  %%EndSetupX\n0 0 m\n1 1 l\nS\n").size(), 1u);
  EXPECT_EQ(read_ai_text("%%EndSetup comment\n0 0 m\n1 1 l\nS\n").size(), 1u);
  EXPECT_EQ(read_ai_text("x %%EndSetup\n0 0 m\n1 1 l\nS\n").size(), 0u);
}

TEST(AiRead, LinesOf99Characters) {
  const std::string x99(99, 'x');
  // A line of 99 characters is whole; the path after it is read.
  EXPECT_EQ(read_ai_text(after_setup(x99 + "\n0 0 m\n1 1 l\nS\n")).size(), 1u);
  // A longer line loses its 100th character; the rest is the next line.
  auto e = read_ai_text(after_setup(x99 + "715 20 m\n1 1 l\nS\n"));
  ASSERT_EQ(e.size(), 1u);
  expect_point(e[0].pts[0], 15, 20, "rest of the cut line");
  e = read_ai_text(after_setup(x99 + "15 20 m\n1 1 l\nS\n"));
  ASSERT_EQ(e.size(), 1u);
  expect_point(e[0].pts[0], 5, 20, "the 100th character is lost");
  // A line of exactly 99 characters before CR LF is whole too.
  e = read_ai_text(after_setup(x99 + "\r\n0 0 m\r\n1 1 l\r\nS\r\n"));
  EXPECT_EQ(e.size(), 1u);
  // The setup end found in the piece after a cut.
  EXPECT_EQ(read_ai_text(x99 + "-%%EndSetup\n0 0 m\n1 1 l\nS\n").size(), 1u);
}

TEST(AiRead, HugeLinesAndBinaryBytes) {
  // 100 000 characters on one line: cut into pieces, none of them a path.
  std::string body = std::string(100000, 'a') + "\n0 0 m\n1 1 l\nS\n";
  EXPECT_EQ(read_ai_text(after_setup(body)).size(), 1u);
  // A long line of path operators: each piece stands alone.
  std::string ops;
  while (ops.size() < 100000) ops += "10 10 m 1 1 l S ";
  const auto e = read_ai_text(after_setup(ops + "\n"));
  for (const auto& r : e)
    for (const auto& p : r.pts) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
  // A NUL ends the text of its line, as it ends a C string.
  const std::string nul("0 0 m\0 junk\n1 1 l\0 2 2 l\nS\n", 27);
  EXPECT_EQ(read_ai_text(after_setup(nul)).size(), 1u);
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131) & 0xff));
  EXPECT_NO_FATAL_FAILURE(read_ai_text(after_setup(binary)));
}

// Numbers are read as the C library's "%f" reads them, in any locale.
TEST(AiRead, NumbersAsScanfAcceptsThem) {
  const struct {
    const char* move;
    std::optional<std::pair<double, double>> at;  // none: no path starts
  } rows[] = {
      {"1 2 m", std::pair{1.0, 2.0}},
      {"  +1.5\t-2.25 m", std::pair{1.5, -2.25}},
      {".5 5. m", std::pair{0.5, 5.0}},
      {"1e2 1E-1 m", std::pair{100.0, 0.1}},
      {"1e 2 m", std::pair{1.0, 2.0}},  // an exponent without digits reads as none
      {"1e+ 2 m", std::pair{1.0, 2.0}},
      {".5.5 m", std::pair{0.5, 0.5}},  // the second number starts at the second point
      {"0x10 0x1p-1 m", std::pair{16.0, 0.5}},
      {"1e-999 0 m", std::pair{0.0, 0.0}},
      {"3,5 1 m", std::nullopt},
      {"0x 1 m", std::nullopt},
      {"- 1 m", std::nullopt},
      {". 1 m", std::nullopt},
      {"1 2", std::nullopt},
      {"1 m", std::nullopt},
      // Infinite and NaN coordinates: the line matches nothing.
      {"inf 0 m", std::nullopt},
      {"0 -Infinity m", std::nullopt},
      {"nan 0 m", std::nullopt},
      {"1e999 0 m", std::nullopt},
  };
  for (const auto& r : rows) {
    const auto e = read_ai_text(after_setup(std::string(r.move) + "\n9 9 l\nS\n"));
    if (!r.at) {
      EXPECT_TRUE(e.empty()) << r.move;
      continue;
    }
    ASSERT_EQ(e.size(), 1u) << r.move;
    expect_point(e[0].pts[0], r.at->first, r.at->second, r.move);
  }
  // A NaN in a curve or line is skipped; the path goes on.
  const auto e = read_ai_text(after_setup("0 0 m\n1 1 nan 2 3 3 c\ninf 1 l\n1 1 l\nS\n"));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].pts.size(), 4u);
}

TEST(AiRead, CommaLocaleChangesNothing) {
  if (!use_comma_locale()) GTEST_SKIP() << "no locale with a decimal comma";
  const auto e = read_ai_text(after_setup("1.5 2.25 m\n3.5 4 l\nS\n"));
  std::setlocale(LC_ALL, "C");
  ASSERT_EQ(e.size(), 1u);
  expect_point(e[0].pts[0], 1.5, 2.25, "first point");
}

TEST(AiScan, ScanFloatTable) {
  const struct {
    const char* text;
    bool ok;
    double value;
    size_t used;  // characters consumed
  } rows[] = {
      {"12", true, 12, 2},
      {"  -0.25x", true, -0.25, 7},
      {"1e5", true, 1e5, 3},
      {"1.e", true, 1, 3},
      {"2E+", true, 2, 3},
      {"0X1.8P1", true, 3, 7},
      {"INFINITY", true, INFINITY, 8},
      {"infx", true, INFINITY, 3},
      {"-inf", true, -INFINITY, 4},
      {"infin", false, 0, 0},
      {"in", false, 0, 0},
      {"0xg", false, 0, 0},
      {"+", false, 0, 0},
      {"", false, 0, 0},
      {"e5", false, 0, 0},
  };
  for (const auto& r : rows) {
    const char* p = r.text;
    double v = 0;
    ASSERT_EQ(ai::scan_float(p, r.text + std::strlen(r.text), v), r.ok) << r.text;
    if (!r.ok) continue;
    EXPECT_EQ(static_cast<size_t>(p - r.text), r.used) << r.text;
    EXPECT_EQ(v, r.value) << r.text;
  }
  const char* nan_text = "NaN(1)";
  const char* p = nan_text;
  double v = 0;
  ASSERT_TRUE(ai::scan_float(p, nan_text + 6, v));
  EXPECT_TRUE(std::isnan(v));
  EXPECT_EQ(p - nan_text, 3);  // the parenthesis is not taken, as the C library does
}

// Numbers of every shape a file may hold read as the correctly rounded
// value, bit for bit the one from_chars gives.
TEST(AiScan, DecimalsAreCorrectlyRounded) {
  std::mt19937_64 rng(46);
  for (int i = 0; i < 200000; ++i) {
    std::string t;
    const int int_digits = static_cast<int>(rng() % 12), frac_digits = static_cast<int>(rng() % 12);
    for (int k = 0; k < int_digits; ++k) t.push_back(static_cast<char>('0' + rng() % 10));
    if (frac_digits || int_digits == 0) t.push_back('.');
    for (int k = 0; k < frac_digits || t.size() < 2; ++k) t.push_back(static_cast<char>('0' + rng() % 10));
    if (rng() % 3 == 0) t += (rng() % 2 ? "e-" : "e") + std::to_string(rng() % 40);
    double want = 0;
    std::from_chars(t.data(), t.data() + t.size(), want);
    const char* p = t.data();
    double got = -1;
    ASSERT_TRUE(ai::scan_float(p, t.data() + t.size(), got)) << t;
    ASSERT_EQ(p, t.data() + t.size()) << t;
    ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << t << ": " << got << " vs " << want;
  }
}

TEST(AiRead, ThroughTheDocument) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("kalvex-ai-" + std::to_string(::getpid()) + ".ai")).string();
  std::ofstream(path, std::ios::binary) << after_setup("0 0 m\n72 0 l\n72 72 l\nS\n0 0 m\n");
  MainDB doc;
  Pconvert req{};
  req.direction = 0;
  req.kind = FGB_KIND_AI;
  req.path = path.c_str();
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  std::filesystem::remove(path);
  EXPECT_EQ(doc.GetCountElems(), 1);
  EXPECT_NEAR(doc.GetDimension().x, 72.0 / 71.94, 1e-9);
  // Direction 2 is no read for this kind.
  req.direction = 2;
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_NOTHING);
}

}  // namespace
