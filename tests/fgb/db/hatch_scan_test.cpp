// The edge scan against the plain intersection, line by line. Invariant:
// for every line, the scan gives the very parameters the library's
// gr_isct_line_polyline / gr_isct_line_polylines (keep_all 0) give, in the
// same order - vertices on the line, runs of vertices on it, horizontal
// edges on it, points within the tolerance of it, open and closed
// polylines, sets of several members - so the hatch segments are the same.
#include <gtest/gtest.h>

#include "db/hatch_p.h"
#include "operations_test_util.h"
#include "support/offset_corpus.h"

#include <random>
#include <string>

using namespace optest;

namespace {

struct Shape {
  std::string name;
  std::vector<std::vector<gr_cpoint>> members;
  int closed = 1;
};

// Heights a hatch line takes in these tests: a grid of eighths, plus
// heights within and just beyond the tolerance of grid heights.
constexpr double kNear[] = {0, 3e-6, -3e-6, 9.9e-6, -9.9e-6, 1.01e-5, -1.01e-5, 2.5e-5};

double snap(double v, std::mt19937& rng) {
  std::uniform_int_distribution<int> pick(0, 3);
  std::uniform_int_distribution<int> near(0, static_cast<int>(std::size(kNear)) - 1);
  switch (pick(rng)) {
    case 0: return v;                                         // anywhere
    case 1: return std::round(v * 8) / 8;                     // on a grid height
    case 2: return std::round(v * 8) / 8 + kNear[near(rng)];  // near one
    default: return std::round(v * 4) / 4;                    // on a coarser one
  }
}

// Star-shaped outlines whose vertices often sit on, or within the
// tolerance of, the lines; neighbours sharing a height make horizontal
// edges (and runs of vertices) on a line.
std::vector<gr_cpoint> gridded_star(int n, double r0, double r1, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(r0, r1);
  std::uniform_int_distribution<int> flat(0, 4);
  std::vector<gr_cpoint> pts;
  for (int i = 0; i < n; ++i) {
    const double t = 2 * offset_corpus::kPi * i / n, rad = u(rng);
    gr_cpoint p{rad * std::cos(t), rad * std::sin(t)};
    p.y = snap(p.y, rng);
    if (!pts.empty() && flat(rng) == 0) p.y = pts.back().y;  // a horizontal edge
    pts.push_back(p);
  }
  return pts;
}

std::vector<Shape> corpus() {
  std::vector<Shape> out;
  std::mt19937 rng(20240607);
  for (int i = 0; i < 60; ++i) {
    const int n = 3 + static_cast<int>(rng() % 60);
    out.push_back({"star " + std::to_string(i), {gridded_star(n, 0.5, 3, rng)}});
  }
  for (int i = 0; i < 20; ++i) {
    Shape s{"open " + std::to_string(i), {gridded_star(4 + static_cast<int>(rng() % 30), 0.3, 2, rng)}, 0};
    out.push_back(s);
  }
  for (int i = 0; i < 20; ++i) {
    Shape s{"set " + std::to_string(i), {}};
    const int members = 1 + static_cast<int>(rng() % 4);
    for (int m = 0; m < members; ++m)
      s.members.push_back(gridded_star(3 + static_cast<int>(rng() % 20), 0.2, 2, rng));
    out.push_back(s);
  }
  // A run of vertices along a line, crossing and not crossing.
  out.push_back({"run crossing", {{{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 2}, {4, -1}}}});
  out.push_back({"run touching", {{{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 0}, {2, -1}}}});
  out.push_back({"diamond", {{{0, -1}, {1, 0}, {0, 1}, {-1, 0}}}});
  out.push_back({"comb", {offset_corpus::comb(12, 0.25, 0.125, 2, 0.5)}});
  out.push_back({"tiny edges", {{{0, 0}, {1, 0}, {1, 0.5}, {1.000001, 0.5}, {1.000001, 1}, {0, 1}}}});
  out.push_back({"repeated last point", {{{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}}});
  out.push_back({"single point", {{{0.5, 0.25}}}});
  out.push_back({"two points", {{{0, 0.25}, {1, 0.75}}}});
  out.push_back({"empty member", {{}, {{0, 0}, {1, 0}, {1, 1}}}});
  for (auto kind :
       {offset_corpus::Outline::kSmooth, offset_corpus::Outline::kJitter, offset_corpus::Outline::kSpikes})
    out.push_back({"bench star", {offset_corpus::bench_star(kind, 3000)}});
  return out;
}

// Each shape as a polyline (when it has one member) and as a set.
struct Built {
  int kind;
  std::vector<double> buf;
  const void* get() const { return buf.data(); }
};

std::vector<Built> build(const Shape& s) {
  std::vector<Built> out;
  if (s.members.size() == 1) {
    PolyBuf p(s.members[0], s.closed);
    const gr_polyline* r = p.get();
    std::vector<double> buf(1 + 2 * (r->n ? r->n : 1));
    std::memcpy(buf.data(), r, static_cast<std::size_t>(gr_get_polyline_size(r)));
    out.push_back({FGB_POLYLINE, std::move(buf)});
  }
  PolysBuf set(s.members, s.closed);
  const gr_polylines* st = set.get();
  std::vector<double> buf(static_cast<std::size_t>(gr_get_polylines_size(st)) / 8 + 1);
  std::memcpy(buf.data(), st, static_cast<std::size_t>(gr_get_polylines_size(st)));
  out.push_back({FGB_POLYLINES, std::move(buf)});
  return out;
}

std::vector<double> heights(double lo, double hi) {
  std::vector<double> ys;
  for (double y = std::floor(lo * 8) / 8 - 0.25; y <= hi + 0.25; y += 0.125) {
    for (double d : {-2.5e-5, -9.9e-6, -3e-6, 0.0, 3e-6, 9.9e-6, 2.5e-5}) ys.push_back(y + d);
  }
  return ys;
}

TEST(HatchScan, SameParametersAsTheLibraryOnEveryLine) {
  std::size_t lines = 0, params = 0;
  for (const Shape& s : corpus()) {
    for (const Built& b : build(s)) {
      SCOPED_TRACE(s.name + (b.kind == FGB_POLYLINE ? " as polyline" : " as set"));
      double lo = INFINITY, hi = -INFINITY;
      for (const auto& m : s.members)
        for (const gr_cpoint& p : m) {
          lo = std::min(lo, p.y);
          hi = std::max(hi, p.y);
        }
      if (!(lo <= hi)) continue;
      const std::vector<double> ys = heights(lo, hi);
      auto plain = fgb::make_plain_line_params();
      auto scan = fgb::make_scan_line_params();
      ASSERT_TRUE(plain->init(b.kind, b.get(), ys.data(), ys.size()));
      ASSERT_TRUE(scan->init(b.kind, b.get(), ys.data(), ys.size()));
      for (std::size_t k = 0; k < ys.size(); ++k) {
        const std::vector<double>* want = plain->params(k);
        const std::vector<double>* got = scan->params(k);
        ASSERT_NE(want, nullptr);
        ASSERT_NE(got, nullptr);
        ASSERT_EQ(*got, *want) << "line y = " << ys[k];
        ++lines;
        params += want->size();
      }
    }
  }
  EXPECT_GT(lines, 10000u);
  EXPECT_GT(params, 20000u);
}

struct Recorder final : fgb::HatchSink {
  std::vector<double> fractions;
  std::vector<gr_segment> segments;
  void line(double f) override { fractions.push_back(f); }
  void segment(const gr_segment& s) override { segments.push_back(s); }
};

TEST(HatchScan, SameSegmentsAsThePlainPath) {
  for (const Shape& s : corpus()) {
    for (const Built& b : build(s)) {
      SCOPED_TRACE(s.name + (b.kind == FGB_POLYLINE ? " as polyline" : " as set"));
      for (double step : {0.125, 0.1, 0.03}) {
        Recorder plain, scan;
        ASSERT_TRUE(fgb::hatch_element(b.kind, b.get(), step, 0.01, fgb::HatchPath::kPlain, plain));
        ASSERT_TRUE(fgb::hatch_element(b.kind, b.get(), step, 0.01, fgb::HatchPath::kScan, scan));
        EXPECT_EQ(scan.fractions, plain.fractions);
        ASSERT_EQ(scan.segments.size(), plain.segments.size()) << step;
        for (std::size_t i = 0; i < plain.segments.size(); ++i) {
          EXPECT_EQ(std::memcmp(&scan.segments[i], &plain.segments[i], sizeof(gr_segment)), 0)
              << step << " " << i;
        }
      }
    }
  }
}

// Lines asked for out of order or past the end are refused, not misread.
TEST(HatchScan, LinesGoUpOnly) {
  PolyBuf p(square(0, 0, 1), 1);
  const double ys[] = {0.25, 0.5, 0.75};
  auto scan = fgb::make_scan_line_params();
  ASSERT_TRUE(scan->init(FGB_POLYLINE, p.get(), ys, 3));
  ASSERT_NE(scan->params(1), nullptr);
  EXPECT_EQ(scan->params(0), nullptr);
  EXPECT_EQ(scan->params(3), nullptr);
  const std::vector<double>* last = scan->params(2);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(*last, (std::vector<double>{0, 1}));
}

}  // namespace
