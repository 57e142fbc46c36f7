// PCAD plot and board readers, on files built byte by byte: each graphic
// record and what it adds (black, solid, width in thousandths), the
// records that are stepped over, the polygon terminators of plot and board
// files, the board's sections of one layer, and files cut anywhere.
// Invariants: nothing past the end is read (the sanitizers watch), every
// point is finite, and reading ends in time linear in the file's size.
#include "convert_test_util.h"

#include <cmath>
#include <random>

using namespace convtest;

namespace {

constexpr double kPi = 3.141592653589793;

// Little-endian bytes.
struct Bytes {
  std::string s;
  Bytes& u8(int v) {
    s.push_back(static_cast<char>(v & 0xff));
    return *this;
  }
  Bytes& u16(int v) { return u8(v).u8(v >> 8); }
  Bytes& u32(uint32_t v) { return u16(static_cast<int>(v & 0xffff)).u16(static_cast<int>(v >> 16)); }
  Bytes& zeros(size_t n) {
    s.append(n, '\0');
    return *this;
  }
  Bytes& add(const Bytes& b) {
    s += b.s;
    return *this;
  }
};

// A record with the common payload: byte 0 unused, byte 1 width, then
// 16-bit values.
Bytes record(int tag, int width, std::initializer_list<int> values) {
  Bytes b;
  b.u16(tag).u8(0).u8(width);
  for (int v : values) b.u16(v);
  return b;
}

Bytes plot_header(uint32_t entries) {
  Bytes b;
  b.zeros(16).u32(entries);
  for (uint32_t i = 0; i < entries; ++i) b.u32(0x80A880A8u).u32(0x80A880A8u);  // entries are not records
  return b;
}

std::vector<Recorded> read_plot(const Bytes& b) { return read_with(read_pcad_plot, b.s); }
std::vector<Recorded> read_board(const Bytes& b, int layer) {
  ReadOptions opt;
  opt.layer = layer;
  return read_with(read_pcad_board, b.s, opt);
}

void expect_black(const Recorded& r, double width, const char* what) {
  EXPECT_FLOAT_EQ(r.style.width, static_cast<float>(width)) << what;
  EXPECT_EQ(r.style.color.r + r.style.color.g + r.style.color.b, 0.0f) << what;
  EXPECT_EQ(r.style.font.n, 0) << what;
}

TEST(PcadPlot, EveryGraphicRecord) {
  Bytes f = plot_header(2);
  f.add(record(0x80A8, 10, {1000, 2000, 3000, 2000}));  // line
  f.add(record(0x80A7, 5, {0, 0, 2000, -1000}));        // rectangle
  f.add(record(0x80A6, 99, {0, 0, 1000, 1000}));        // rectangle without width
  f.add(record(0x80A5, 7, {1000, 1000, 500, 0}));       // circle
  f.add(record(0x807A, 3, {0, 0, 1000, 0, 0, 1000}));   // quarter arc
  f.add(Bytes().u16(0x80A4).zeros(28));                 // stepped over
  f.add(Bytes().u16(0x8095).zeros(6));
  f.add(Bytes().u16(0x80A2).zeros(10));
  f.add(Bytes().u16(0x80A9).u8(0xA8).u8(0x80));
  f.add(Bytes().u16(0x1234));  // unknown: two bytes
  f.add(
      Bytes().u16(0x80A3).u8(0).u8(20).u16(0).u16(1000).u16(1000).u16(1000).u16(1000).u16(0).u16(0x8080).u16(
          0));
  const auto e = read_plot(f);
  ASSERT_EQ(e.size(), 6u);

  EXPECT_EQ(e[0].kind, kSegment);
  EXPECT_DOUBLE_EQ(e[0].pts[0].x, 1.0);
  EXPECT_DOUBLE_EQ(e[0].pts[0].y, 2.0);
  EXPECT_DOUBLE_EQ(e[0].pts[1].x, 3.0);
  EXPECT_DOUBLE_EQ(e[0].pts[1].y, 2.0);
  expect_black(e[0], 0.010, "line");

  for (int i : {1, 2}) {
    EXPECT_EQ(e[i].kind, kPolyline);
    EXPECT_TRUE(e[i].closed);
    EXPECT_EQ(e[i].pts.size(), 4u);  // four corners, not five
  }
  EXPECT_DOUBLE_EQ(e[1].pts[1].x, 2.0);
  EXPECT_DOUBLE_EQ(e[1].pts[1].y, 0.0);
  EXPECT_DOUBLE_EQ(e[1].pts[2].y, -1.0);
  expect_black(e[1], 0.005, "rectangle");
  expect_black(e[2], 0.0, "rectangle without width");

  EXPECT_EQ(e[3].kind, kPolyline);
  EXPECT_FALSE(e[3].closed);
  ASSERT_EQ(e[3].pts.size(), 49u);
  for (size_t i = 0; i < 49; ++i) {
    const double a = 2 * kPi * static_cast<double>(i) / 48;
    EXPECT_NEAR(e[3].pts[i].x, 1.0 + 0.5 * std::cos(a), 1e-12);
    EXPECT_NEAR(e[3].pts[i].y, 1.0 + 0.5 * std::sin(a), 1e-12);
  }
  EXPECT_NEAR(e[3].pts.back().x, e[3].pts.front().x, 1e-12);
  EXPECT_NEAR(e[3].pts.back().y, e[3].pts.front().y, 1e-12);
  expect_black(e[3], 0.007, "circle");

  ASSERT_EQ(e[4].pts.size(), 33u);
  EXPECT_FALSE(e[4].closed);
  for (size_t i = 0; i < 33; ++i) {
    const double a = kPi / 2 * static_cast<double>(i) / 32;
    EXPECT_NEAR(e[4].pts[i].x, std::cos(a), 1e-12);
    EXPECT_NEAR(e[4].pts[i].y, std::sin(a), 1e-12);
  }

  EXPECT_EQ(e[5].kind, kPolyline);
  EXPECT_TRUE(e[5].closed);
  EXPECT_EQ(e[5].pts.size(), 3u);
  expect_black(e[5], 0.020, "polygon");
}

TEST(PcadPlot, ArcsRunCounterClockwiseFromStartToEnd) {
  const struct {
    const char* name;
    int sx, sy, ex, ey;
    double a1, sweep, r;
  } rows[] = {
      {"three quarters", 0, -2000, -2000, 0, -kPi / 2, 1.5 * kPi, 2.0},
      {"through the negative x axis", 0, 1000, 0, -1000, kPi / 2, kPi, 1.0},
      {"same direction: a whole turn", 1000, 0, 3000, 0, 0, 2 * kPi, 1.0},
      {"end radius differs: start's radius", 1000, 0, 0, 5000, 0, kPi / 2, 1.0},
  };
  for (const auto& r : rows) {
    Bytes f = plot_header(0);
    f.add(record(0x807A, 0, {0, 0, r.sx, r.sy, r.ex, r.ey}));
    const auto e = read_plot(f);
    ASSERT_EQ(e.size(), 1u) << r.name;
    ASSERT_EQ(e[0].pts.size(), 33u) << r.name;
    for (size_t i = 0; i < 33; ++i) {
      const double a = r.a1 + r.sweep * static_cast<double>(i) / 32;
      EXPECT_NEAR(e[0].pts[i].x, r.r * std::cos(a), 1e-9) << r.name << " " << i;
      EXPECT_NEAR(e[0].pts[i].y, r.r * std::sin(a), 1e-9) << r.name << " " << i;
    }
  }
}

// Points of a polygon record: the head (width 1), then (x, y) pairs.
Bytes polygon(std::initializer_list<std::pair<int, int>> pts) {
  Bytes b;
  b.u16(0x80A3).u8(0).u8(1);
  for (const auto& p : pts) b.u16(p.first).u16(p.second);
  return b;
}

TEST(PcadPolygon, TerminatorsOfPlotAndBoardFiles) {
  const struct {
    const char* name;
    Bytes poly;
    size_t plot_points, board_points;
  } rows[] = {
      {"end mark", polygon({{1, 1}, {2, 2}, {0x8080, 5}, {3, 3}}), 2, 2},
      {"first point with y 0 ends it", polygon({{5, 0}, {2, 2}, {0x8080, 0}}), 1, 1},
      {"first point with the end mark ends it", polygon({{0x8080, 7}, {2, 2}, {0x8080, 0}}), 1, 1},
      {"7E with y 0", polygon({{1, 1}, {2, 2}, {0x807E, 0}, {3, 3}, {0x8080, 0}}), 2, 2},
      {"7F with y not 0: plot goes on", polygon({{1, 1}, {0x807F, 4}, {3, 3}, {0x8080, 0}}), 2, 1},
      {"7E with y not 0: plot goes on", polygon({{1, 1}, {0x807E, 9}, {0x807E, 9}, {3, 3}, {0x8080, 0}}), 2,
       1},
      {"y 0 later is a point", polygon({{1, 1}, {2, 0}, {0x8080, 0}}), 2, 2},
      {"no terminator: the end of the file", polygon({{1, 1}, {2, 2}, {3, 3}}), 3, 3},
  };
  for (const auto& r : rows) {
    Bytes plot = plot_header(0);
    plot.add(r.poly);
    const auto e = read_plot(plot);
    ASSERT_FALSE(e.empty()) << r.name;
    EXPECT_EQ(e[0].pts.size(), r.plot_points) << r.name;
    EXPECT_TRUE(e[0].closed) << r.name;

    Bytes board;
    board.u16(0x8005).u16(1).zeros(8).add(r.poly);
    const auto b = read_board(board, 1);
    ASSERT_FALSE(b.empty()) << r.name;
    EXPECT_EQ(b[0].pts.size(), r.board_points) << r.name;
  }
}

TEST(PcadPlot, HeaderEntriesAndFilesCutShort) {
  // The entries are passed over, however they look.
  EXPECT_TRUE(read_plot(plot_header(3)).empty());
  // A count pointing past the end, up to the largest.
  for (uint32_t n : {100u, 0x1fffffffu, 0xffffffffu}) {
    Bytes f;
    f.zeros(16).u32(n).add(record(0x80A8, 1, {1, 2, 3, 4}));
    EXPECT_TRUE(read_plot(f).empty()) << n;
  }
  // Shorter than the header.
  for (size_t n = 0; n < 20; ++n) EXPECT_TRUE(read_plot(Bytes{std::string(n, '\xa8')}).empty());
  // A record cut short is taken with the bytes there and zeros for the rest.
  Bytes f = plot_header(0);
  f.add(record(0x80A8, 10, {1000, 2000, 3000, 2000}));
  f.s.resize(f.s.size() - 2);
  auto e = read_plot(f);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_DOUBLE_EQ(e[0].pts[1].x, 3.0);
  EXPECT_DOUBLE_EQ(e[0].pts[1].y, 0.0);
  // Cut at every byte: never more than the whole file gives.
  Bytes all = plot_header(1);
  all.add(record(0x80A5, 7, {1000, 1000, 500, 0}))
      .add(record(0x807A, 3, {0, 0, 1000, 0, 0, 1000}))
      .add(polygon({{1, 1}, {2, 2}, {0x8080, 0}}));
  const size_t whole = read_plot(all).size();
  for (size_t n = 0; n <= all.s.size(); ++n) {
    e = read_plot(Bytes{all.s.substr(0, n)});
    EXPECT_LE(e.size(), whole) << n;
    for (const auto& r : e)
      for (const auto& p : r.pts) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << n;
  }
}

// A board section: key, 8 bytes, then records separated by a word that is
// not 8005 and 10 bytes; the word 8005 ends it.
Bytes section(int layer, const std::vector<Bytes>& records) {
  Bytes b;
  b.u16(0x8005).u16(layer).zeros(8);
  for (size_t i = 0; i < records.size(); ++i) {
    b.add(records[i]);
    if (i + 1 < records.size())
      b.u16(0x0001).zeros(10);
    else
      b.u16(0x8005);
  }
  return b;
}

TEST(PcadBoard, OnlyTheSectionsOfTheLayer) {
  Bytes f;
  f.zeros(5);
  f.add(section(1, {record(0x80A8, 1, {1000, 1000, 2000, 1000}), record(0x80A7, 1, {0, 0, 1, 1})}));
  f.add(section(3, {record(0x80A8, 3, {3000, 3000, 4000, 3000}), record(0x80A6, 0, {0, 0, 3000, 3000})}));
  f.zeros(3);
  f.add(section(2, {record(0x80A8, 2, {2000, 2000, 2000, 2000})}));
  f.add(section(3, {record(0x80A5, 3, {0, 0, 1000, 0})}));
  f.zeros(16);
  const auto e = read_board(f, 3);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].kind, kSegment);
  EXPECT_DOUBLE_EQ(e[0].pts[0].x, 3.0);
  expect_black(e[0], 0.003, "layer 3 line");
  EXPECT_EQ(e[1].kind, kPolyline);
  EXPECT_EQ(e[1].pts.size(), 4u);
  EXPECT_EQ(e[2].pts.size(), 49u);
  EXPECT_EQ(read_board(f, 1).size(), 2u);
  EXPECT_EQ(read_board(f, 2).size(), 1u);
  EXPECT_TRUE(read_board(f, 4).empty());
}

TEST(PcadBoard, TextRecordsAreDropped) {
  // Three 16-bit fields, four bytes, pairs up to one holding a zero; the
  // two bytes after it are put back when both are non-zero: here they are
  // the word 8005 that ends the section.
  Bytes text;
  text.u16(0x80A2).u16(1).u16(2).u16(3).u8(4).u8(5).u8(6).u8(7).u8('A').u8('B').u8('C').u8(0);
  Bytes f = section(1, {record(0x80A8, 1, {1, 1, 2, 2}), text});
  f.add(section(1, {record(0x80A8, 1, {5, 5, 6, 6})}));
  const auto e = read_board(f, 1);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_DOUBLE_EQ(e[1].pts[0].x, 0.005);
  // 0x80A9 is no record in a board file: it and the rest of its turn are
  // passed over under the section rule.
  Bytes g = section(1, {Bytes().u16(0x80A9), record(0x80A8, 1, {7, 7, 8, 8})});
  EXPECT_EQ(read_board(g, 1).size(), 1u);
}

TEST(PcadReport, TextAndUnknownWordsByByteOffset) {
  Bytes f = plot_header(0);
  f.add(Bytes().u16(0x80A2).zeros(10));    // text at 20
  f.add(Bytes().u16(0x1234).u16(0x4321));  // unknown at 32 and 34
  f.add(record(0x80A8, 1, {0, 0, 1000, 0}));
  fgb_import_report rep;
  fgb_report_init(&rep);
  ReadOptions opt;
  opt.report = &rep;
  EXPECT_EQ(read_with(read_pcad_plot, f.s, opt).size(), 1u);
  EXPECT_STREQ(rep.dialect, "PCAD 4.5 plot");
  EXPECT_DOUBLE_EQ(rep.unit_inch, 0.001);
  EXPECT_EQ(rep.by_line, 0);
  ASSERT_EQ(rep.item_count, 2u);
  EXPECT_STREQ(rep.items[0].name, "text");
  EXPECT_EQ(rep.items[0].where[0], 20u);
  EXPECT_STREQ(rep.items[1].name, "unknown tag");
  EXPECT_EQ(rep.items[1].count, 2u);
  EXPECT_EQ(rep.items[1].where[1], 34u);

  Bytes text;
  text.u16(0x80A2).u16(1).u16(2).u16(3).u8(4).u8(5).u8(6).u8(7).u8('A').u8(0);
  fgb_report_init(&rep);
  opt.layer = 1;
  EXPECT_EQ(read_with(read_pcad_board, section(1, {record(0x80A8, 1, {1, 1, 2, 2}), text}).s, opt).size(),
            1u);
  EXPECT_STREQ(rep.dialect, "PCAD 4.5 board");
  ASSERT_EQ(rep.item_count, 1u);
  EXPECT_EQ(rep.items[0].count, 1u);
}

TEST(PcadBoard, LayerMinusOneStaysLinearOnALargeFile) {
  // Every position starts a section: files of one section from the fifth
  // byte on read as such.
  Bytes one;
  one.u32(0)
      .zeros(8)
      .add(record(0x80A8, 1, {1, 2, 3, 4}))
      .u16(0x0001)
      .zeros(10)
      .add(record(0x80A8, 1, {5, 6, 7, 8}))
      .u16(0x8005);
  EXPECT_EQ(read_board(one, -1).size(), 2u);
  // 4 MB of noise and of records: reading finishes (a scan that went back
  // to every byte would not).
  std::mt19937 rng(6);
  Bytes noise;
  while (noise.s.size() < (size_t{4} << 20)) {
    const uint32_t r = rng();
    if (r % 8 == 0)
      noise.add(record(0x80A3, 1, {}));
    else if (r % 8 == 1)
      noise.add(record(0x80A8, 1, {1, 2, 3, 4}));
    else
      noise.u32(r);
  }
  for (int layer : {-1, 0, 1}) {
    const auto e = read_board(noise, layer);
    for (const auto& r : e)
      for (const auto& p : r.pts) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
  }
}

TEST(PcadBoard, FilesCutAnywhere) {
  Bytes text;
  text.u16(0x80A2).zeros(10).u8('A').u8('B');
  const Bytes f = section(2, {record(0x80A5, 3, {0, 0, 1000, 0}), polygon({{1, 1}, {2, 2}}), text});
  for (size_t n = 0; n <= f.s.size(); ++n) {
    const auto e = read_board(Bytes{f.s.substr(0, n)}, 2);
    EXPECT_LE(e.size(), 2u) << n;
  }
}

}  // namespace
