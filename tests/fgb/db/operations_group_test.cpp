// Grouping and ungrouping the selection. Invariants: grouping makes one
// unfilled polyline set per selection page, members in reverse walking
// order, all closed, with the pen of the last element walked; elements that
// are not polylines drop out; ungrouping makes one polyline per member and
// drops everything else; the main drawing is never touched; afterwards the
// counts and boxes are those of the elements actually held (see issue 7:
// they used to be left as before the change).
#include <gtest/gtest.h>

#include "operations_test_util.h"
#include "support/recording_notify.h"

using namespace dbtest;
using namespace optest;

namespace {

TEST(OperationsGroup, TwoPolylinesBecomeOneSetInReverseOrder) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  Poly a({{0, 0}, {1, 0}, {1, 1}}, 0), b({{5, 5}, {6, 5}, {6, 7}, {5, 6}}, 0);
  doc.AddElem(FGB_POLYLINE, a.get(), pen(0.1f, 1), kNoFill, 2);
  doc.AddElem(FGB_POLYLINE, b.get(), pen(0.2f, 0, 1), kNoFill, 2);
  gr_segment m = seg(-1, -1, -2, -2);
  doc.AddElem(FGB_SEGMENT, &m, pen(), kNoFill, 1);
  const auto main = side_keys(doc, 1);
  win.clear();
  doc.SetPolyToPols(12);
  EXPECT_EQ(win.issued_text(), "3003/0");  // the snapshot only: the program redraws itself
  auto sel = side_elems(doc, 2);
  ASSERT_EQ(sel.size(), 1u);
  ASSERT_EQ(sel[0].kind, FGB_POLYLINES);
  EXPECT_EQ(sel[0].curve.width, 0.2f);  // the last element's pen
  EXPECT_EQ(sel[0].curve.color.g, 1.0f);
  ASSERT_TRUE(sel[0].has_fill);
  EXPECT_EQ(sel[0].fill.style, BS_NULL);
  auto members = polylines_of(sel[0]);
  ASSERT_EQ(members.size(), 2u);
  EXPECT_TRUE(members[0].closed);
  EXPECT_TRUE(members[1].closed);
  EXPECT_EQ(members[0].pts.size(), 4u);  // B first
  EXPECT_EQ(members[0].pts[0].x, 5);
  EXPECT_EQ(members[1].pts.size(), 3u);  // then A
  EXPECT_EQ(members[1].pts[2].y, 1);
  EXPECT_EQ(side_keys(doc, 1), main);
  // Counts and boxes follow the new contents.
  EXPECT_EQ(doc.GetCountElemsS(), 1);
  EXPECT_EQ(doc.GetFirstPageSelection()->count, 1);
  EXPECT_EQ(doc.GetNullPS().x, 0);
  EXPECT_EQ(doc.GetDimensionS().x, 6);
  EXPECT_EQ(doc.GetDimensionS().y, 7);
  EXPECT_EQ(doc.GetCountElems(), 1);
}

TEST(OperationsGroup, CollectsSetsAndCurvesDropsTheRest) {
  MainDB doc;
  gr_circle c{{50, 50}, 10};  // far away: the box must lose it
  doc.AddElem(FGB_CIRCLE, &c, pen(), kNoFill, 2);
  PolysBuf s({{{0, 0}, {1, 0}, {1, 1}}, {{2, 2}, {3, 2}, {3, 3}}});
  doc.AddElem(FGB_POLYLINES, s.get(), pen(), fill(), 2);
  Bez b({{0, 0}, {1, 2}, {2, 2}, {3, 0}});
  doc.AddElem(FGB_BEZIER, b.get(), pen(0.3f), kNoFill, 2);
  gr_segment g = seg(0, 0, 9, 9);
  doc.AddElem(FGB_SEGMENT, &g, pen(0.9f), kNoFill, 2);
  doc.SetPolyToPols(12);
  auto sel = side_elems(doc, 2);
  ASSERT_EQ(sel.size(), 1u);
  EXPECT_EQ(sel[0].curve.width, 0.9f);  // the segment was walked last, though not collected
  auto members = polylines_of(sel[0]);
  ASSERT_EQ(members.size(), 3u);
  gr_polyline* flat = gr_conv_POLYbezier_to_polyline(b.get(), nullptr, 12);
  ASSERT_NE(flat, nullptr);
  EXPECT_EQ(members[0].pts.size(), flat->n);  // the curve, walked last, comes first
  gr_free_buffer_for_polyline(flat);
  EXPECT_EQ(members[1].pts[0].x, 2);  // then the set's members, reversed
  EXPECT_EQ(members[2].pts[0].x, 0);
  EXPECT_EQ(doc.GetCountElemsS(), 1);
  EXPECT_LT(doc.GetDimensionS().x, 10);
}

TEST(OperationsGroup, NothingToCollectLeavesThePage) {
  MainDB doc;
  gr_circle c{{1, 1}, 1};
  doc.AddElem(FGB_CIRCLE, &c, pen(), kNoFill, 2);
  gr_cpoint f{3, 3};
  doc.AddElem(FGB_FLASH, &f, pen(), kNoFill, 2);
  const auto before = side_keys(doc, 2);
  doc.SetPolyToPols(12);
  EXPECT_EQ(side_keys(doc, 2), before);
  EXPECT_EQ(doc.GetCountElemsS(), 2);
}

// A selection over two pages groups page by page; afterwards each page's
// count is its element count, so adding goes on from the right place.
TEST(OperationsGroup, EachPageGroupedAndCounted) {
  MainDB doc;
  for (int k = 0; k <= kPageLimit + 5; ++k) {
    gr_segment s = seg(k, 0, k, 1);
    doc.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 2);
    if (k == 3 || k == kPageLimit + 3) {
      Poly p({{double(k), 0}, {k + 1.0, 0}, {k + 1.0, 1}}, 1);
      doc.AddElem(FGB_POLYLINE, p.get(), pen(), kNoFill, 2);
    }
  }
  ASSERT_EQ(doc.GetPageCountS(), 2);
  doc.SetPolyToPols(12);
  EXPECT_EQ(doc.GetCountElemsS(), 2);
  int pages_seen = 0;
  for (pages* p = doc.GetFirstPageSelection(); p; p = p->next, ++pages_seen) {
    EXPECT_EQ(p->count, 1);
    EXPECT_EQ(fgb_count_gdb(p->gdb), 1);
  }
  EXPECT_EQ(pages_seen, 2);
  EXPECT_DOUBLE_EQ(doc.GetNullPS().x, 3);
  EXPECT_DOUBLE_EQ(doc.GetDimensionS().x, kPageLimit + 1);
  gr_segment s = seg(0, 0, 1, 1);
  doc.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 2);
  EXPECT_EQ(doc.GetActualPageSelection()->count, 2);
  EXPECT_EQ(doc.GetCountElemsS(), 3);
}

TEST(OperationsUngroup, MembersBecomePolylinesPlainPolylinesDrop) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  Poly plain({{0, 0}, {1, 0}, {1, 1}}, 1);
  doc.AddElem(FGB_POLYLINE, plain.get(), pen(), kNoFill, 2);
  PolysBuf s({{{10, 0}, {11, 0}, {11, 1}}, {{12, 0}, {13, 0}, {13, 2}}, {{14, 0}, {15, 0}, {15, 3}}});
  doc.AddElem(FGB_POLYLINES, s.get(), pen(0.4f, 0, 0, 1), fill(BS_SOLID, 1), 2);
  gr_circle c{{1, 1}, 1};
  doc.AddElem(FGB_CIRCLE, &c, pen(), kNoFill, 2);
  win.clear();
  doc.SetPolsToPoly();
  EXPECT_EQ(win.issued_text(), "3003/0");
  auto sel = side_elems(doc, 2);
  ASSERT_EQ(sel.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sel[i].kind, FGB_POLYLINE);
    EXPECT_FALSE(sel[i].has_fill);
    EXPECT_EQ(sel[i].curve.width, 0.4f);
    Ring r = polyline_of(sel[i]);
    EXPECT_EQ(r.pts[0].x, 10 + 2 * i);
    EXPECT_EQ(r.pts[2].y, i + 1);
  }
  EXPECT_EQ(doc.GetCountElemsS(), 3);
  EXPECT_EQ(doc.GetFirstPageSelection()->count, 3);
  EXPECT_EQ(doc.GetNullPS().x, 10);
  EXPECT_EQ(doc.GetDimensionS().x, 5);
  EXPECT_EQ(doc.GetDimensionS().y, 3);
}

TEST(OperationsGroup, GroupThenUngroupAndUndo) {
  MainDB doc(nullptr);
  Poly a({{0, 0}, {1, 0}, {1, 1}}, 0), b({{5, 5}, {6, 5}, {6, 7}}, 1);
  doc.AddElem(FGB_POLYLINE, a.get(), pen(), kNoFill, 2);
  doc.AddElem(FGB_POLYLINE, b.get(), pen(), kNoFill, 2);
  const auto before = side_keys(doc, 2);
  doc.SetPolyToPols(12);
  doc.SetPolsToPoly();
  auto sel = side_elems(doc, 2);
  ASSERT_EQ(sel.size(), 2u);
  EXPECT_EQ(polyline_of(sel[0]).pts[0].x, 5);  // reversed by the grouping
  EXPECT_TRUE(polyline_of(sel[1]).closed);     // A closed by it
  doc.GetUndo();
  doc.GetUndo();
  EXPECT_EQ(side_keys(doc, 2), before);
  EXPECT_EQ(doc.GetCountElemsS(), 2);
}

}  // namespace
