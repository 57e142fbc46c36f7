// Hostile input, generated in memory: huge numbers and counts, commands
// without arguments by the million, files that end anywhere, NUL bytes and
// very long lines. Every reader must finish, stay in bounds (the sanitizers
// watch) and keep its memory in proportion to the input.
// KALVEX_HUGE_TESTS=1 adds a line of 1 GB.
#include "convert_test_util.h"

#include <chrono>
#include <cmath>
#include <cstdlib>

using namespace convtest;

namespace {

// Counts elements and points and checks that every number is finite.
class CountingSink final : public ElementSink {
 public:
  void add(int kind, const void* shape, const gr_curve_style& style) override {
    ++elements;
    ASSERT_TRUE(std::isfinite(style.width));
    if (kind == kPolyline) {
      const auto* p = static_cast<const gr_polyline*>(shape);
      const gr_cpoint* pts = p->pnt;
      points += p->n;
      for (uint32_t i = 0; i < p->n; ++i) ASSERT_TRUE(std::isfinite(pts[i].x) && std::isfinite(pts[i].y));
    } else if (kind == kSegment) {
      const auto* s = static_cast<const gr_segment*>(shape);
      points += 2;
      ASSERT_TRUE(std::isfinite(s->p1.x + s->p1.y + s->p2.x + s->p2.y));
    } else if (kind == kCircle) {
      const auto* c = static_cast<const gr_circle*>(shape);
      ASSERT_TRUE(std::isfinite(c->c.x + c->c.y + c->r));
    } else if (kind == kArc) {
      const gr_trcircle a = arc_of_record(shape);
      ASSERT_TRUE(std::isfinite(a.c.x + a.c.y + a.r + a.a1 + a.a2));
    }
  }
  size_t elements = 0;
  size_t points = 0;
};

struct Reader {
  const char* name;
  ReadFn fn;
};
const Reader kReaders[] = {
    {"hpgl", read_hpgl}, {"dxf", read_dxf}, {"gerber", read_gerber}, {"cutter", read_cutter}};

size_t read_all(const std::string& bytes, CountingSink& sink) {
  static float apertures[100];
  ReadOptions opt;
  opt.apertures = apertures;
  opt.aperture_count = 100;
  size_t total = 0;
  for (const Reader& r : kReaders) {
    r.fn(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), sink, opt);
    total += sink.elements;
  }
  return total;
}

std::string repeat(const std::string& s, size_t n) {
  std::string r;
  r.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) r += s;
  return r;
}

TEST(Hostile, NumbersOfTwoToTheThirtyFirstAndBeyond) {
  const std::vector<std::string> inputs = {
      "PU2147483648,-2147483649;PD99999999999999999999999,1;PD1,1;CI2147483648,10;AA0,0,2147483648,10;",
      "PU0,0;PD;AA1e30,1,1,1;AA99999999999999999999999999999999999999999.5,1,2,3;CI.999999999999999999e;",
      "G54*X2147483648Y99999999999999999999D01*X1Y1*D2147483648*D03*M02*",
      "M70*M14*X99999999999999999999999Y4294967296*X1Y1*M15*",
      "ENTITIES\n0\nCIRCLE\n62\n2147483648\n39\n-1e300\n10\n1e308\n20\n-1e308\n40\n1.7976931348623157e308\n"
      "0\nARC\n10\n1\n20\n1\n40\n1\n50\n1e308\n51\n-1e308\nPOLYLINE\n70\n99999999999\nVERTEX\n10\n"
      "1e300\n20\n1e300\nVERTEX\n10\n1\n20\n1\nSEQEND\n",
  };
  for (const auto& in : inputs) {
    CountingSink sink;
    read_all(in, sink);
  }
}

TEST(Hostile, AMillionCommandsWithoutArgumentsRunInLinearTime) {
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& unit :
       {std::string("PD"), std::string("PA"), std::string("PU;"), std::string("CI"), std::string("SP"),
        std::string("AA"), std::string("D01*"), std::string("M14*"), std::string("VERTEX\n"),
        std::string("POLYLINE\nENTITIES\n")}) {
    CountingSink sink;
    read_all(repeat(unit, 1000000), sink);
  }
  // Quadratic work would take hours; linear takes well under a minute even
  // under the sanitizers.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(120));
}

TEST(Hostile, FilesEndingAnywhere) {
  const std::vector<std::string> whole = {
      "IN;SP1;PU0,0;PD100,0,100,100;PA200,200;AA0,0,90,5;CI50,20;PU;",
      "G54D11*X100Y200D02*X300Y200D01*X300Y400*D02*X5Y5D03*M02*",
      "H1*M70*M15*N1*D2*M15*X0Y0*M14*X1000Y0*X1000Y1000*M15*M0*",
      "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n62\n1\n70\n1\n0\nVERTEX\n10\n1.5\n20\n2.5\n0\nSEQEND\n"
      "0\nLINE\n10\n1\n20\n2\n11\n3\n21\n4\n0\nCIRCLE\n10\n0\n20\n0\n40\n1\n0\nARC\n10\n0\n20\n0\n40\n1\n"
      "50\n0\n51\n90\n0\nENDSEC\n0\nEOF\n",
  };
  for (const auto& w : whole)
    for (size_t cut = 0; cut <= w.size(); ++cut) {
      CountingSink sink;
      // A copy of exactly the cut bytes: the sanitizers see any read past it.
      read_all(std::string(w.data(), cut), sink);
    }
}

TEST(Hostile, NulBytesAndEveryByteValue) {
  std::string all;
  for (int round = 0; round < 64; ++round)
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>((c * 37 + round) & 0xff));
  CountingSink sink;
  read_all(all, sink);
  std::string nul = "PU0,0;PD1\0,2;PD3,4;\0\0G54*X1\0Y1D03*ENTITIES\0LINE 10 1 20 2 11 3 21 4";
  nul.resize(80, '\0');
  read_all(nul, sink);
}

TEST(Hostile, BlocksWithThousandsOfWords) {
  std::string block = "G54*" + repeat("X1Y2D01", 100000) + "*D02*";
  CountingSink sink;
  read_all(block, sink);
  block = "M70*M14*" + repeat("X1Y2A1B1", 100000) + "*M15*";
  read_all(block, sink);
}

// One path of millions of points grows in proportion to the input: the
// points of an n-byte file never take more than a few times n bytes.
TEST(Hostile, LongLinesAndLongPaths) {
  const size_t mb = 16;
  const std::string pairs = "PU0,0;PD;PA" + repeat("1,2,", mb << 18) + ";";
  CountingSink sink;
  read_hpgl(reinterpret_cast<const uint8_t*>(pairs.data()), pairs.size(), sink, {});
  EXPECT_EQ(sink.points, (mb << 18) + 1);
  for (const std::string& line :
       {std::string(mb << 20, '7'), std::string(mb << 20, 'A'), std::string(mb << 20, ' '),
        "ENTITIES POLYLINE " + repeat("VERTEX 10 1 20 2 ", mb << 16)}) {
    CountingSink s;
    read_all(line, s);
  }
}

TEST(Hostile, OneGigabyteLine) {
  if (!std::getenv("KALVEX_HUGE_TESTS")) GTEST_SKIP() << "set KALVEX_HUGE_TESTS=1 for the 1 GB line";
  std::string line(size_t{1} << 30, '9');
  line[0] = 'P';
  line[1] = 'D';
  CountingSink sink;
  read_all(line, sink);
}

}  // namespace
