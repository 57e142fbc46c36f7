// A line against segments, polylines and polyline sets: the rules hatching
// and selection rely on.
// Invariants:
// - keep_all = 0 keeps crossings only: an edge on the line gives nothing, a
//   vertex (or a run of vertices) on the line counts once and only where the
//   boundary passes from one side to the other, so the sorted parameters of
//   a line through closed figures alternate entry and exit;
// - keep_all != 0 keeps every contact (both ends of an edge on the line);
// - the maxn count bounds what the single-polyline intersection stores;
// - the set intersection grows the caller's block in whole steps of 100.
#include <geomkit/gr_poly.h>

#include "core/gr_poly_p.h"
#include "support/poly_builders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using testsupport::horizontal;
using testsupport::make_polyline;
using testsupport::make_polylines;

const std::vector<gr_cpoint> kSquare{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
const std::vector<gr_cpoint> kDiamond{{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
// An L-shaped step: the edge (1,0)-(2,0) lies on y = 0 and the boundary
// passes from below to above along it.
const std::vector<gr_cpoint> kStep{{0, -1}, {1, -1}, {1, 0}, {2, 0}, {2, 1}, {0, 1}};
// A V touching y = 0 from above at its tip.
const std::vector<gr_cpoint> kVee{{-1, 1}, {0, 0}, {1, 1}};

std::vector<double> single(const std::vector<gr_cpoint>& pts, const gr_line& line, int keep_all,
                           int closed = 1) {
  auto p = make_polyline(pts, closed);
  int cap = gr_maxn_isct_line_polyline(&line, p.get());
  std::vector<double> out(static_cast<size_t>(cap) + 1, 999.0);
  int n = gr_isct_line_polyline(out.data(), &line, p.get(), keep_all);
  EXPECT_LE(n, cap) << "stored more than the maxn capacity";
  EXPECT_EQ(out[static_cast<size_t>(cap)], 999.0) << "wrote past the capacity";
  out.resize(static_cast<size_t>(n));
  return out;
}

std::vector<double> set_of(const std::vector<std::vector<gr_cpoint>>& members, const gr_line& line,
                           int keep_all, int closed = 1) {
  auto set = make_polylines(members, closed);
  double* buf = static_cast<double*>(std::malloc(100 * sizeof(double)));
  int n = gr_isct_line_polylines(&buf, &line, set.get(), keep_all);
  std::vector<double> out(buf, buf + n);
  std::free(buf);
  return out;
}

void expect_params(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-12) << "index " << i;
}

TEST(IsctLineSegment, CodesAndParameters) {
  struct Row {
    const char* name;
    gr_segment seg;
    int code;
    double t;
  } rows[] = {
      {"proper crossing, interpolated by distances", {{2, -1}, {4, 3}}, 1, 2.5},
      {"start on the line", {{3, 0}, {5, 5}}, 1, 3},
      {"end on the line", {{5, 5}, {-2, 0.5e-5}}, 1, -2},
      {"start exactly at the tolerance is off", {{0, 1e-5}, {2, -1}}, 1, 2e-5 / (1 + 1e-5)},
      {"both ends on the line", {{1, 0}, {7, 0.9e-5}}, 2, 0},
      {"both ends above", {{1, 1}, {7, 2}}, 0, 0},
      {"both ends below", {{1, -1e-5}, {7, -2}}, 0, 0},
      {"vertical: equal projections", {{3, -1}, {3, 2}}, 1, 3},
      {"point off the line", {{3, 1}, {3, 1}}, 0, 0},
      {"point on the line", {{3, 0}, {3, 0}}, 2, 0},
  };
  const gr_line x_axis = horizontal(0);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    double t = -777;
    EXPECT_EQ(gr_isct_line_segment(&t, &x_axis, &r.seg), r.code);
    if (r.code == 1)
      EXPECT_NEAR(t, r.t, 1e-12);
    else
      EXPECT_EQ(t, -777);
    EXPECT_EQ(gr_isct_line_segment(nullptr, &x_axis, &r.seg), r.code);
  }
}

TEST(IsctLinePolyline, HorizontalLineRules) {
  struct Row {
    const char* name;
    const std::vector<gr_cpoint>& pts;
    double y;
    int keep_all;
    std::vector<double> want;
  } rows[] = {
      {"square through the middle", kSquare, 0.5, 0, {0, 1}},
      {"square through the middle, all", kSquare, 0.5, 1, {0, 1}},
      {"square along its bottom edge", kSquare, 0, 0, {}},
      {"square along its bottom edge, all", kSquare, 0, 1, {0, 0, 1, 1}},
      {"square along its top edge, all", kSquare, 1, 1, {0, 0, 1, 1}},
      {"square missed", kSquare, 1.5, 1, {}},
      {"diamond through two corners", kDiamond, 0, 0, {-1, 1}},
      {"diamond through two corners, all", kDiamond, 0, 1, {-1, -1, 1, 1}},
      {"diamond touching its top corner", kDiamond, 1, 0, {}},
      {"diamond touching its top corner, all", kDiamond, 1, 1, {0, 0}},
      {"diamond inside", kDiamond, 0.5, 0, {-0.5, 0.5}},
      {"vee touching from above", kVee, 0, 0, {}},  // closed: the top edge is at y = 1
      {"step along its run counts once", kStep, 0, 0, {0, 1}},
      {"step below the run", kStep, -0.5, 0, {0, 1}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    expect_params(single(r.pts, horizontal(r.y), r.keep_all), r.want);
  }
}

TEST(IsctLinePolyline, VeeTipTouchGivesNothing) {
  // The open V's closing edge lies at y = 1, so at y = 0 only the tip touches.
  expect_params(single(kVee, horizontal(0), 0, 0), {});
  expect_params(single(kVee, horizontal(0), 1, 0), {0, 0});
}

TEST(IsctLinePolyline, OpenPolylineSkipsClosingEdge) {
  expect_params(single(kSquare, horizontal(0.5), 0, 0), {1});
  expect_params(single(kSquare, horizontal(0.5, 10), 1, 0), {-9});  // base point shifts parameters
}

TEST(IsctLinePolyline, EmptyAndSinglePointPolylines) {
  expect_params(single({}, horizontal(0), 1), {});
  expect_params(single({{1, 0}}, horizontal(0), 1), {1, 1});  // the closing edge is a point on the line
  expect_params(single({{1, 0}}, horizontal(0), 0), {});
  expect_params(single({{1, 2}}, horizontal(0), 1), {});
}

TEST(IsctLinePolylines, MembersAreClosedAndVerticesCountOnce) {
  struct Row {
    const char* name;
    std::vector<std::vector<gr_cpoint>> members;
    double y;
    int keep_all;
    std::vector<double> want;
  } rows[] = {
      {"square through the middle", {kSquare}, 0.5, 0, {0, 1}},
      {"square along its bottom edge", {kSquare}, 0, 0, {}},
      {"square along its bottom edge, all: each vertex once", {kSquare}, 0, 1, {0, 1}},
      {"diamond through two corners", {kDiamond}, 0, 0, {-1, 1}},
      {"diamond, all: each vertex once", {kDiamond}, 0, 1, {-1, 1}},
      {"diamond touching its top corner", {kDiamond}, 1, 0, {}},
      {"step along its run counts once", {kStep}, 0, 0, {0, 1}},
      {"two squares side by side", {kSquare, {{3, 0}, {4, 0}, {4, 1}, {3, 1}}}, 0.5, 0, {0, 1, 3, 4}},
      {"nested diamond in a square hole",
       {{{-2, -2}, {2, -2}, {2, 2}, {-2, 2}}, kDiamond},
       0,
       0,
       {-2, -1, 1, 2}},
      {"empty member skipped", {{}, kSquare}, 0.5, 0, {0, 1}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    expect_params(set_of(r.members, horizontal(r.y), r.keep_all, 0), r.want);
  }
}

TEST(IsctLinePolylines, GrowsTheBlockInStepsOfHundred) {
  // A comb of 130 teeth: 260 crossings of y = 0.5.
  std::vector<gr_cpoint> comb;
  const int teeth = 130;
  for (int i = 0; i < teeth; ++i) {
    comb.push_back({2.0 * i, 0});
    comb.push_back({2.0 * i, 1});
    comb.push_back({2.0 * i + 1, 1});
    comb.push_back({2.0 * i + 1, 0.25});
  }
  comb.push_back({2.0 * teeth, 0.25});
  comb.push_back({2.0 * teeth, -1});
  comb.push_back({0, -1});
  auto set = make_polylines({comb});
  gr_line line = horizontal(0.5);
  ASSERT_EQ(gr_maxn_isct_line_polylines(&line, set.get()), 2 * teeth);
  double* buf = static_cast<double*>(std::malloc(100 * sizeof(double)));
  double* original = buf;
  int n = gr_isct_line_polylines(&buf, &line, set.get(), 0);
  ASSERT_EQ(n, 2 * teeth);
  EXPECT_NE(buf, original);  // replaced (the old block was freed)
  for (int i = 0; i < n; ++i) EXPECT_EQ(buf[i], i) << i;
  std::free(buf);
}

TEST(IsctLinePolylines, NullBlockIsAllocated) {
  auto set = make_polylines({kSquare});
  gr_line line = horizontal(0.5);
  double* buf = nullptr;
  EXPECT_EQ(gr_isct_line_polylines(&buf, &line, set.get(), 0), 2);
  ASSERT_NE(buf, nullptr);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[1], 1);
  std::free(buf);
}

TEST(IsctSegmentPolyline, KeepsContactsWithinTheSegmentEndsIncluded) {
  auto sq = make_polyline(kSquare);
  struct Row {
    const char* name;
    gr_segment seg;
    std::vector<double> want;
  } rows[] = {
      {"through both sides", {{-1, 0.5}, {2, 0.5}}, {1, 2}},
      {"ending inside", {{-1, 0.5}, {0.5, 0.5}}, {1}},
      {"ending on the side", {{-1, 0.5}, {0, 0.5}}, {1}},
      {"ending just short of the side, within tolerance", {{-1, 0.5}, {-0.5e-5, 0.5}}, {1}},
      {"ending short of the side", {{-1, 0.5}, {-0.1, 0.5}}, {}},
      {"along the bottom edge", {{0.25, 0}, {0.75, 0}}, {}},
      {"along the bottom edge past a corner", {{0.5, 0}, {1.5, 0}}, {0.5, 0.5}},
      {"a point has no line", {{0.5, 0}, {0.5, 0}}, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    gr_trline tl{};
    gr_create_trline_by_segment(&tl, &r.seg);
    std::vector<double> out(
        static_cast<size_t>(gr_maxn_isct_line_polyline(gr_trline_as_line(&tl), sq.get())) + 1);
    int n = gr_isct_segment_polyline(out.data(), &r.seg, sq.get());
    out.resize(static_cast<size_t>(n));
    expect_params(out, r.want);
    EXPECT_EQ(geomkit::segment_touches_polyline(r.seg, *sq), n > 0);
  }
}

// ---- sorted insertion ----

std::vector<double> naive_insertion(const std::vector<double>& values) {
  std::vector<double> out;
  for (double t : values) {
    size_t j = 0;
    while (j < out.size()) {
      long double diff = static_cast<long double>(out[j]) - t;
      if ((diff < 0 ? -diff : diff) >= 1e-5 && t < out[j]) break;
      ++j;
    }
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(j), t);
  }
  return out;
}

TEST(SortedParams, TiesStayInArrivalOrder) {
  struct Row {
    const char* name;
    std::vector<double> in, want;
  } rows[] = {
      {"ascending", {1, 2, 3}, {1, 2, 3}},
      {"descending", {3, 2, 1}, {1, 2, 3}},
      {"equal values side by side, newer after", {1, 0, 1}, {0, 1, 1}},
      {"within tolerance not merged, not reordered", {1.000005, 1.0}, {1.000005, 1.0}},
      {"just beyond tolerance reordered", {1.00002, 1.0}, {1.0, 1.00002}},
      {"NaN appended", {1, std::nan(""), 0}, {0, 1, std::nan("")}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::vector<double> buf(r.in.size());
    geomkit::SortedParams sp(buf.data(), buf.size());
    for (double t : r.in) sp.insert(t);
    sp.copy_to(buf.data(), sp.size());
    ASSERT_EQ(sp.size(), r.want.size());
    for (size_t i = 0; i < buf.size(); ++i) {
      if (std::isnan(r.want[i]))
        EXPECT_TRUE(std::isnan(buf[i]));
      else
        EXPECT_EQ(buf[i], r.want[i]) << i;
    }
  }
}

TEST(SortedParams, BlockedInsertionMatchesPlainInsertion) {
  // Many near-ties across the switch to blocks and across block splits.
  std::mt19937 rng(7);
  for (int round = 0; round < 6; ++round) {
    const size_t count = round < 3 ? 70 : 3000;
    std::uniform_int_distribution<int> coarse(0, round % 2 ? 20 : 2000);
    std::uniform_real_distribution<double> jitter(-2e-5, 2e-5);
    std::vector<double> values;
    for (size_t i = 0; i < count; ++i) values.push_back(coarse(rng) * 1e-4 + (i % 3 ? jitter(rng) : 0));
    std::vector<double> buf(count);
    geomkit::SortedParams sp(buf.data(), buf.size());
    for (double t : values) ASSERT_TRUE(sp.insert(t));
    sp.copy_to(buf.data(), sp.size());
    EXPECT_EQ(buf, naive_insertion(values)) << "round " << round;
  }
  // Long monotone runs (a hatch line crossing a comb) with exact ties.
  for (int dir : {1, -1}) {
    std::vector<double> values;
    for (int i = 0; i < 4000; ++i) values.push_back(dir * (i / 2) * 0.5);
    std::vector<double> buf(values.size());
    geomkit::SortedParams sp(buf.data(), buf.size());
    for (double t : values) ASSERT_TRUE(sp.insert(t));
    sp.copy_to(buf.data(), sp.size());
    EXPECT_EQ(buf, naive_insertion(values)) << "direction " << dir;
  }
}

// ---- property: entry and exit alternate ----

// A random x-monotone polygon with integer vertices and flat runs, so that
// lines at integer heights meet vertices, runs and horizontal edges.
std::vector<gr_cpoint> random_monotone_polygon(std::mt19937& rng) {
  std::uniform_int_distribution<int> up(1, 5), down(-5, 0), keep(0, 2);
  const int m = 12;
  std::vector<gr_cpoint> lower, upper;
  int u = up(rng), l = down(rng);
  for (int x = 0; x <= m; ++x) {
    if (keep(rng)) u = up(rng);
    if (keep(rng)) l = down(rng);
    lower.push_back({double(x), double(l)});
    upper.push_back({double(x), double(u)});
  }
  std::vector<gr_cpoint> poly(lower.begin(), lower.end());
  poly.insert(poly.end(), upper.rbegin(), upper.rend());
  return poly;
}

TEST(IsctProperty, CrossingsAlternateEntryAndExit) {
  std::mt19937 rng(2024);
  for (int iter = 0; iter < 300; ++iter) {
    const std::vector<gr_cpoint> poly = random_monotone_polygon(rng);
    auto pl = make_polyline(poly);
    for (double y = -5.5; y <= 5.5; y += 0.5) {
      SCOPED_TRACE(testing::Message() << "iteration " << iter << " y " << y);
      const gr_line line = horizontal(y);
      const std::vector<double> one = single(poly, line, 0);
      const std::vector<double> set = set_of({poly}, line, 0);
      ASSERT_EQ(one, set) << "single and set intersections disagree";
      ASSERT_EQ(one.size() % 2, 0u);
      for (size_t i = 0; i + 1 < one.size(); ++i) {
        gr_cpoint mid{(one[i] + one[i + 1]) / 2, y};
        int where = gr_layout_cpoint_polyline(&mid, pl.get());
        if (where == GR_LAYOUT_ON) continue;  // along an edge lying on the line
        EXPECT_EQ(where, i % 2 == 0 ? GR_LAYOUT_INSIDE : GR_LAYOUT_OUTSIDE) << "interval " << i;
      }
    }
  }
}

}  // namespace
