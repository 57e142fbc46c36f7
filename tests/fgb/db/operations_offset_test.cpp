// Inset (offset contours of the selection). Invariants: the contours are
// unfilled polyline sets with the pen of their source, selected, ahead of
// the elements selected before (which stay, unchanged); a polyline gets a
// contour per multiple of the distance up to the count and none after the
// first distance the offset engine rejects; the counts and boxes include
// the contours (see issue 7); undo removes them all.
#include <gtest/gtest.h>

#include "operations_test_util.h"
#include "support/recording_notify.h"

#include <string>

using namespace dbtest;
using namespace optest;

namespace {

// Tolerance of the contour's box: the engine's own is 1e-5.
constexpr double kBoxTol = 1e-6;

TEST(OperationsInset, SquareOffsetBothWaysBothOrientations) {
  struct Row {
    const char* name;
    bool ccw;
    double d;
    double side;  // of the contour
  } rows[] = {
      {"ccw out", true, 1, 12},
      {"ccw in", true, -1, 8},
      {"cw out", false, 1, 12},
      {"cw in", false, -1, 8},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    RecordingNotifyTarget win;
    MainDB doc(&win);
    PolyBuf p(square(0, 0, 10, r.ccw), 1);
    doc.AddElem(FGB_POLYLINE, p.get(), pen(0.25f, 1), kNoFill, 2);
    const auto source = side_elems(doc, 2)[0];
    win.clear();
    doc.Equidistant(r.d, 1);
    auto sel = side_elems(doc, 2);
    ASSERT_EQ(sel.size(), 2u);
    EXPECT_EQ(sel[1].key(), source.key());  // the source follows, unchanged
    ASSERT_EQ(sel[0].kind, FGB_POLYLINES);
    EXPECT_EQ(sel[0].curve.width, 0.25f);
    ASSERT_TRUE(sel[0].has_fill);
    EXPECT_EQ(sel[0].fill.style, BS_NULL);
    auto rings = polylines_of(sel[0]);
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_TRUE(rings[0].closed);
    const double lo = (10 - r.side) / 2, hi = lo + r.side;
    gr_xy_rect b = ring_box(rings[0].pts);
    EXPECT_NEAR(b.x1, lo, kBoxTol);
    EXPECT_NEAR(b.y1, lo, kBoxTol);
    EXPECT_NEAR(b.x2, hi, kBoxTol);
    EXPECT_NEAR(b.y2, hi, kBoxTol);
    EXPECT_NEAR(std::fabs(ring_area(rings[0].pts)), r.side * r.side, 1e-4);
    // Counts and the box take the contour in.
    EXPECT_EQ(doc.GetCountElemsS(), 2);
    EXPECT_NEAR(doc.GetNullPS().x, std::min(lo, 0.0), kBoxTol);
    EXPECT_NEAR(doc.GetDimensionS().x, std::max(r.side, 10.0), kBoxTol);
    const std::string text = win.issued_text();
    EXPECT_EQ(text.rfind("3003/0 !3004/3005", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 16), "3004/3006 3001/2") << text;
  }
}

TEST(OperationsInset, RepeatedContoursStopAtTheFirstRejectedDistance) {
  struct Row {
    const char* name;
    double d;
    long n;
    std::vector<double> sides;  // of the contours, in order
  } rows[] = {
      {"three inward", -1.5, 3, {7, 4, 1}},
      {"three outward", 0.5, 3, {11, 12, 13}},
      // The first distance is below the engine's tolerance: no contour,
      // although twice and three times it would give one.
      {"first rejected", 0.000006, 3, {}},
      {"count zero", 1, 0, {}},
      {"negative count", 1, -2, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MainDB doc;
    PolyBuf p(square(0, 0, 10), 1);
    doc.AddElem(FGB_POLYLINE, p.get(), pen(), kNoFill, 2);
    doc.Equidistant(r.d, r.n);
    auto sel = side_elems(doc, 2);
    ASSERT_EQ(sel.size(), r.sides.size() + 1);
    for (std::size_t i = 0; i < r.sides.size(); ++i) {
      auto rings = polylines_of(sel[i]);
      ASSERT_EQ(rings.size(), 1u) << i;
      gr_xy_rect b = ring_box(rings[0].pts);
      EXPECT_NEAR(b.x2 - b.x1, r.sides[i], kBoxTol) << i;
    }
    EXPECT_EQ(sel.back().kind, FGB_POLYLINE);
    EXPECT_EQ(doc.GetCountElemsS(), static_cast<int>(sel.size()));
  }
}

// A contour that vanishes gives no element, and none after it.
TEST(OperationsInset, VanishedInsetAddsNoElement) {
  MainDB doc;
  PolyBuf p(square(0, 0, 10), 1);
  doc.AddElem(FGB_POLYLINE, p.get(), pen(), kNoFill, 2);
  doc.Equidistant(-3, 3);  // 4 wide at 3, gone at 6 and 9
  auto sel = side_elems(doc, 2);
  ASSERT_GE(sel.size(), 2u);
  for (std::size_t i = 0; i + 1 < sel.size(); ++i) {
    auto rings = polylines_of(sel[i]);
    ASSERT_FALSE(rings.empty());
    EXPECT_NEAR(ring_box(rings[0].pts).x2 - ring_box(rings[0].pts).x1, 4, kBoxTol);
  }
  EXPECT_EQ(sel.size(), 2u);
}

TEST(OperationsInset, SetsAndCurvesGetOneContourOthersNone) {
  MainDB doc;
  gr_segment m = seg(-9, -9, -8, -8);
  doc.AddElem(FGB_SEGMENT, &m, pen(), kNoFill, 1);
  PolysBuf s({square(0, 0, 4), square(10, 0, 6)});
  doc.AddElem(FGB_POLYLINES, s.get(), pen(0.3f), fill(), 2);
  Bez b({{0, 20}, {0, 26}, {6, 26}, {6, 20}, {6, 14}, {0, 14}, {0, 20}});
  doc.AddElem(FGB_BEZIER, b.get(), pen(0.4f), kNoFill, 2);
  gr_circle c{{30, 30}, 2};
  doc.AddElem(FGB_CIRCLE, &c, pen(), kNoFill, 2);
  const auto before = side_keys(doc, 2);
  const auto main = side_keys(doc, 1);
  doc.Equidistant(0.5, 3);  // the count applies to polylines only
  auto sel = side_elems(doc, 2);
  ASSERT_EQ(sel.size(), 3u + before.size());
  EXPECT_NEAR(ring_box(polylines_of(sel[0])[0].pts).x1, -0.5, kBoxTol);
  EXPECT_NEAR(ring_box(polylines_of(sel[1])[0].pts).x1, 9.5, kBoxTol);
  EXPECT_EQ(sel[2].curve.width, 0.4f);
  gr_xy_rect cb = ring_box(polylines_of(sel[2])[0].pts);
  EXPECT_LT(cb.x1, 0);
  EXPECT_GT(cb.x2, 6);
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(sel[3 + i].key(), before[i]);
  EXPECT_EQ(side_keys(doc, 1), main);
  EXPECT_EQ(doc.GetCountElems(), 1);
}

TEST(OperationsInset, UndoRemovesTheContours) {
  MainDB doc(nullptr);
  PolyBuf p(square(0, 0, 10), 1);
  doc.AddElem(FGB_POLYLINE, p.get(), pen(), kNoFill, 2);
  const auto before = side_keys(doc, 2);
  doc.Equidistant(1, 2);
  ASSERT_EQ(side_keys(doc, 2).size(), 3u);
  doc.GetUndo();
  EXPECT_EQ(side_keys(doc, 2), before);
  EXPECT_EQ(doc.GetCountElemsS(), 1);
}

}  // namespace
