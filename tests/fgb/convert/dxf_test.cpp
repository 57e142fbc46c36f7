// DXF reader and writer. Invariants: coordinates are millimetres in the
// file and inches in the document; a written file read back and written
// again gives the same bytes; colour numbers 1-6 and 8 survive a round trip
// (white comes back grey).
#include "convert_test_util.h"

#include "convert/writer_p.h"

#include <clocale>
#include <cmath>

using namespace convtest;

namespace {

constexpr double kMm = 1.0 / 25.4;

std::string dxf(const Doc& d, int variant = 0) {
  return write_page(d, [&](Page& p, OutBuf& out) {
    DxfContext ctx;
    ctx.variant = variant;
    ctx.file = &out;
    write_dxf_page(p, ctx);
  });
}

std::vector<Recorded> read(const std::string& s) { return read_with(read_dxf, s); }

std::string entities(const std::string& body) {
  return "  0\nSECTION\n  2\nENTITIES\n" + body + "  0\nENDSEC\n  0\nEOF\n";
}

TEST(DxfWrite, CircleOfOneInchAndWidthInFiveDecimals) {
  Doc d;
  d.circle({1, 2}, 1.0, colour_style(0.012, 1, 1, 1));
  EXPECT_EQ(dxf(d), crlf("  0\nCIRCLE\n  8\n0\n  62\n   7\n 39\n0.01200\n 10\n25.400000\n 20\n50.800000\n"
                         " 30\n0.0\n 40\n25.400000\n"));
}

TEST(DxfWrite, ClosedPolylineCarriesFlagSeventy) {
  Doc d;
  d.polyline({{0, 0}, {1, 0}, {1, 1}}, true, colour_style(0.025, 1, 0, 0));
  EXPECT_EQ(dxf(d), crlf("  0\nPOLYLINE\n  8\n0\n  62\n   1\n  6\nCONTINUOUS\n 66\n  1\n"
                         " 10\n0.0\n 20\n0.0\n 30\n0.0\n 40\n0.02500\n 41\n0.02500\n 70\n     1\n"
                         "  0\nVERTEX\n  8\n0\n 10\n0.000000\n 20\n0.000000\n"
                         "  0\nVERTEX\n  8\n0\n 10\n25.400000\n 20\n0.000000\n"
                         "  0\nVERTEX\n  8\n0\n 10\n25.400000\n 20\n25.400000\n"
                         "  0\nSEQEND\n  8\n0\n"));
}

TEST(DxfWrite, LineAndArc) {
  Doc d;
  d.segment({0, 0}, {1, -1}, colour_style(0.055, 0, 1, 0));
  d.arc({0, 0}, 1.0, 0.0, M_PI / 2, colour_style(0.0, 0, 0, 1));
  EXPECT_EQ(dxf(d), crlf("  0\nLINE\n  8\n0\n  62\n   3\n 39\n0.05500\n 10\n0.000000\n 20\n0.000000\n"
                         " 30\n0.0\n 11\n25.400000\n 21\n-25.400000\n 31\n0.0\n"
                         "  0\nARC\n  8\n0\n  62\n   6\n 39\n0.00000\n 10\n0.000000\n 20\n0.000000\n"
                         " 30\n0.0\n 40\n25.400000\n 50\n0.000000\n 51\n90.000000\n"));
}

TEST(DxfWrite, VariantLeavesSegmentsOutAndFlashesNeverAppear) {
  Doc d;
  d.segment({0, 0}, {1, 1}, width_style(0.012));
  d.flash({1, 1}, width_style(0.012));
  EXPECT_EQ(dxf(d, 1), "");
  EXPECT_NE(dxf(d, 0).find("LINE"), std::string::npos);
}

TEST(DxfWrite, ColourNumbers) {
  const struct {
    float r, g, b;
    int number;
  } rows[] = {{1, 1, 1, 7}, {1, 1, 0, 2}, {1, 0, 1, 5}, {1, 0, 0, 1},          {0, 1, 1, 4},
              {0, 1, 0, 3}, {0, 0, 1, 6}, {0, 0, 0, 8}, {0.5f, 0.5f, 0.5f, 8}, {0.999995f, 1, 1, 7}};
  for (const auto& r : rows) EXPECT_EQ(dxf_colour_number(gr_rgbcol{r.r, r.g, r.b}), r.number);
}

TEST(DxfWrite, NumbersIgnoreTheProcessLocale) {
  Doc d;
  d.circle({1, 2}, 1.0, colour_style(0.012, 1, 0, 0));
  const std::string before = dxf(d);
  if (!use_comma_locale()) GTEST_SKIP() << "no locale with a decimal comma available";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 0.5);
  EXPECT_STREQ(probe, "0,5");  // the locale is really in force
  const std::string during = dxf(d);
  const auto back = read(entities(during));
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(during, before);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_DOUBLE_EQ(back[0].r, 1.0);
}

TEST(DxfRead, PolylineClosedFlagRules) {
  // Flag 1 with the first point repeated: kept as written.
  auto e =
      read(entities("  0\nPOLYLINE\n 70\n     1\n  0\nVERTEX\n 10\n0.0\n 20\n0.0\n"
                    "  0\nVERTEX\n 10\n25.4\n 20\n0.0\n  0\nVERTEX\n 10\n0.0\n 20\n0.0\n  0\nSEQEND\n"));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_TRUE(e[0].closed);
  EXPECT_EQ(e[0].pts.size(), 3u);
  // No flag, ends coincide: closed with one point fewer.
  e =
      read(entities("  0\nPOLYLINE\n  0\nVERTEX\n 10\n0.0\n 20\n0.0\n  0\nVERTEX\n 10\n25.4\n 20\n0.0\n"
                    "  0\nVERTEX\n 10\n25.4\n 20\n25.4\n  0\nVERTEX\n 10\n0.0\n 20\n0.0\n  0\nSEQEND\n"));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_TRUE(e[0].closed);
  ASSERT_EQ(e[0].pts.size(), 3u);
  EXPECT_DOUBLE_EQ(e[0].pts[2].y, 25.4 * kMm);
  // The last 70 before SEQEND wins, also one inside a VERTEX.
  e = read(
      entities("  0\nPOLYLINE\n 70\n1\n  0\nVERTEX\n 10\n0\n 20\n0\n 70\n0\n  0\nVERTEX\n 10\n1\n 20\n1\n"
               "  0\nSEQEND\n"));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_FALSE(e[0].closed);
  // No vertices, or one: nothing.
  EXPECT_TRUE(read(entities("  0\nPOLYLINE\n 70\n1\n  0\nSEQEND\n")).empty());
  EXPECT_TRUE(read(entities("  0\nPOLYLINE\n  0\nVERTEX\n 10\n5\n 20\n5\n  0\nSEQEND\n")).empty());
}

TEST(DxfRead, VertexTakesTheLastTenBeforeItsTwenty) {
  const auto e =
      read(entities("  0\nPOLYLINE\n  0\nVERTEX\n 20\n9\n 10\n1\n 10\n2\n 20\n3\n"
                    "  0\nVERTEX\n 10\n4\n 20\n5\n  0\nSEQEND\n"));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_DOUBLE_EQ(e[0].pts[0].x, 2 * kMm);
  EXPECT_DOUBLE_EQ(e[0].pts[0].y, 3 * kMm);
}

TEST(DxfRead, WhiteComesBackGreyAndColourCarriesOver) {
  auto e = read(entities("  0\nLINE\n 62\n7\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n"));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].style.color.r, 0.5f);
  EXPECT_EQ(e[0].style.color.g, 0.5f);
  e =
      read(entities("  0\nARC\n 62\n3\n 39\n0.025\n 10\n0\n 20\n0\n 40\n25.4\n 50\n0\n 51\n90\n"
                    "  0\nARC\n 10\n0\n 20\n0\n 40\n50.8\n 50\n90\n 51\n180\n"));
  ASSERT_EQ(e.size(), 2u);
  for (const auto& a : e) {
    EXPECT_EQ(a.kind, kArc);
    EXPECT_EQ(a.style.color.g, 1.0f);
    EXPECT_FLOAT_EQ(a.style.width, 0.025f);
  }
  EXPECT_DOUBLE_EQ(e[1].r, 2.0);
  EXPECT_DOUBLE_EQ(e[1].a1, M_PI / 2);
  EXPECT_DOUBLE_EQ(e[1].a2, 180 * M_PI / 180);
  // Numbers outside 0..9 are black.
  e = read(entities("  0\nCIRCLE\n 62\n256\n 10\n0\n 20\n0\n 40\n1\n"));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].style.color.r + e[0].style.color.g + e[0].style.color.b, 0.0f);
}

TEST(DxfRead, PolylineOnlyInEntitiesOrBlocksButLineAnywhere) {
  const std::string header =
      "  0\nSECTION\n  2\nHEADER\n  0\nLINE\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n"
      "  0\nPOLYLINE\n  0\nVERTEX\n 10\n0\n 20\n0\n  0\nVERTEX\n 10\n5\n 20\n5\n"
      "  0\nSEQEND\n  0\nENDSEC\n";
  auto e = read(header);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kSegment);
  e = read(
      "  0\nSECTION\n  2\nBLOCKS\n  0\nPOLYLINE\n  0\nVERTEX\n 10\n0\n 20\n0\n  0\nVERTEX\n"
      " 10\n5\n 20\n5\n  0\nSEQEND\n  0\nENDSEC\n");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, kPolyline);
}

TEST(DxfRead, TruncatedOrMalformedInputKeepsWhatCameBefore) {
  const std::string one = "  0\nCIRCLE\n 10\n0\n 20\n0\n 40\n1\n";
  const std::vector<std::string> tails = {
      "  0\nLINE\n 10\n0\n 20\n0\n 11\n1\n",                   // ends before 21
      "  0\nPOLYLINE\n  0\nVERTEX\n 10\n1\n 20\n",             // ends inside a vertex
      "  0\nARC\n 10\nabc\n 20\n0\n 40\n1\n 50\n0\n 51\n9\n",  // not a number
      "  0\nCIRCLE\n 40\nnan\n",                               // not a finite number
      "  0\nCIRCLE\n 40\n1e999\n",                             // out of range
  };
  for (const auto& t : tails) {
    const auto e = read(entities(one + t + one));
    ASSERT_EQ(e.size(), 1u) << t;
    EXPECT_EQ(e[0].kind, kCircle);
  }
}

TEST(DxfRead, NumbersAsCProgramsReadThem) {
  // "+1.5e1" is 15; "7x" reads 7 and leaves "x" as the next word; 65543
  // wraps to colour 7 in 16 bits; an underflow reads as 0.
  const auto e = read(entities("  0\nCIRCLE\n 62\n65543\n 10\n+1.5e1\n 20\n1e-400\n 40\n7x\n"));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_DOUBLE_EQ(e[0].pts[0].x, 15 * kMm);
  EXPECT_EQ(e[0].pts[0].y, 0.0);
  EXPECT_DOUBLE_EQ(e[0].r, 7 * kMm);
  EXPECT_EQ(e[0].style.color.r, 0.5f);
}

TEST(DxfRead, LineEndsOfAllKinds) {
  const std::string lf = entities("  0\nLINE\n 10\n1\n 20\n2\n 11\n3\n 21\n4\n");
  std::string cr = lf, crlf_text = crlf(lf);
  for (char& c : cr)
    if (c == '\n') c = '\r';
  for (const std::string& s : {lf, cr, crlf_text}) {
    const auto e = read(s);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_DOUBLE_EQ(e[0].pts[1].y, 4 * kMm);
  }
}

TEST(DxfRoundTrip, WrittenFileReadBackWritesTheSameBytes) {
  Doc d;
  d.polyline({{0.1, 0.2}, {1.23456, 7.5}, {-3.3, 0.29}, {0.1, 0.2}}, true, colour_style(0.039, 0, 1, 1));
  d.polyline({{0, 0}, {1e-3, 2}}, false, colour_style(0.012, 1, 1, 0));
  d.segment({0.29, 0.57}, {123.456, -0.001}, colour_style(0.055, 1, 0, 1));
  d.circle({2.5, -1.25}, 0.3333, colour_style(0.025, 0, 0, 1));
  d.arc({-1, 1}, 2.75, -0.5, 2.0, colour_style(0.0, 1, 0, 0));
  const std::string first = dxf(d);
  const auto back = read(entities(first));
  ASSERT_EQ(back.size(), 5u);
  Doc d2;
  for (const auto& e : back) {
    if (e.kind == kPolyline) d2.polyline(e.pts, e.closed, e.style);
    if (e.kind == kSegment) d2.segment(e.pts[0], e.pts[1], e.style);
    if (e.kind == kCircle) d2.circle(e.pts[0], e.r, e.style);
    if (e.kind == kArc) d2.arc(e.pts[0], e.r, e.a1, e.a2, e.style);
  }
  EXPECT_EQ(dxf(d2), first);
}

}  // namespace
