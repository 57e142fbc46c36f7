// The document: pages, counts, boxes, copies, deletion and notifications.
// Invariants: every element is on exactly one side; a page holds at most
// 10 001 elements; the counts and boxes kept while adding agree with a full
// recomputation (DimensionDB).
#include <gtest/gtest.h>

#include <memory>

#include "db_test_util.h"
#include "support/recording_notify.h"

using namespace dbtest;

namespace {

void add_seg(MainDB& doc, double x1, double y1, double x2, double y2, int side = 1) {
  gr_segment s = seg(x1, y1, x2, y2);
  doc.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, side);
}

TEST(MainDBDocument, NewDocumentHasOneEmptyPageEachSide) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  EXPECT_EQ(doc.GetPageCount(), 1);
  EXPECT_EQ(doc.GetPageCountS(), 1);
  ASSERT_NE(doc.GetFirstPage(), nullptr);
  EXPECT_EQ(doc.GetFirstPage(), doc.GetActualPage());
  EXPECT_EQ(doc.GetFirstPage()->count, 0);
  EXPECT_EQ(fgb_count_gdb(doc.GetFirstPageSelection()->gdb), 0);
  EXPECT_EQ(doc.GetCountElems(), 0);
  EXPECT_EQ(doc.GetCountElemsS(), 0);
  EXPECT_EQ(doc.GetDimension().x, 0.0);
  EXPECT_EQ(doc.GetCenterS().y, 0.0);
  EXPECT_EQ(doc.GetBezierDensity(), 12);
  EXPECT_EQ(doc.OwnsPages(), 1u);
  EXPECT_TRUE(win.issued.empty());
  doc.Delete();
}

TEST(MainDBDocument, PageTakes10001ElementsThenRollsOver) {
  MainDB doc;
  for (int i = 0; i < 10001; ++i) add_seg(doc, i, 0, i, 1);
  EXPECT_EQ(doc.GetFirstPage()->count, 10001);
  EXPECT_EQ(fgb_count_gdb(doc.GetFirstPage()->gdb), 10001);
  EXPECT_EQ(doc.GetPageCount(), 2);
  ASSERT_NE(doc.GetFirstPage()->next, nullptr);
  EXPECT_EQ(doc.GetActualPage(), doc.GetFirstPage()->next);
  EXPECT_EQ(doc.GetActualPage()->count, 0);
  add_seg(doc, -1, 0, -1, 1);
  EXPECT_EQ(doc.GetActualPage()->count, 1);
  EXPECT_EQ(fgb_count_gdb(doc.GetActualPage()->gdb), 1);
  EXPECT_EQ(doc.GetCountElems(), 10002);
  EXPECT_EQ(doc.GetNullP().x, -1.0);
  EXPECT_EQ(doc.GetDimension().x, 10001.0);
}

TEST(MainDBDocument, DimToDimRules) {
  struct Row {
    const char* name;
    long count;
    gr_cpoint dim, nullp;
    gr_xy_rect r;
    gr_cpoint want_dim, want_nullp;
  };
  const Row rows[] = {
      {"first element sets the corner", 0, {0, 0}, {0, 0}, {1, 2, 3, 5}, {2, 3}, {1, 2}},
      {"first element keeps a larger old dimension", 0, {10, 10}, {0, 0}, {1, 2, 3, 5}, {10, 10}, {1, 2}},
      {"later element grows the box", 3, {2, 3}, {1, 2}, {-1, 0, 0, 9}, {4, 9}, {-1, 0}},
      {"later element inside changes nothing", 3, {2, 3}, {1, 2}, {1.5, 2.5, 2, 3}, {2, 3}, {1, 2}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    gr_cpoint dim = row.dim, nullp = row.nullp, centre{};
    MainDB::Dim_to_Dim(row.count, dim, nullp, centre, row.r);
    EXPECT_EQ(dim.x, row.want_dim.x);
    EXPECT_EQ(dim.y, row.want_dim.y);
    EXPECT_EQ(nullp.x, row.want_nullp.x);
    EXPECT_EQ(nullp.y, row.want_nullp.y);
    EXPECT_EQ(centre.x, nullp.x + dim.x / 2);
    EXPECT_EQ(centre.y, nullp.y + dim.y / 2);
  }
}

TEST(MainDBDocument, AddElemComputesBoxPerKind) {
  MainDB doc;
  gr_circle c{{5, 5}, 2};
  fgb_arc a{0, 1.0, {{0, 0}, 1, 0, 3.141592653589793 / 2}};
  gr_cpoint flash{-3, 7};
  Poly p({{1, 1}, {2, 3}, {0, 2}});
  doc.AddElem(FGB_CIRCLE, &c, pen(), kNoFill, 2);
  EXPECT_EQ(doc.GetNullPS().x, 3.0);
  EXPECT_EQ(doc.GetDimensionS().y, 4.0);
  doc.AddElem(FGB_FLASH, &flash, pen(), kNoFill, 1);
  EXPECT_EQ(doc.GetNullP().x, -3.0);
  EXPECT_EQ(doc.GetDimension().x, 0.0);
  doc.AddElem(FGB_POLYLINE, p.get(), pen(), kNoFill, 1);
  EXPECT_EQ(doc.GetNullP().y, 1.0);
  EXPECT_EQ(doc.GetDimension().x, 5.0);
  EXPECT_EQ(doc.GetDimension().y, 6.0);
  doc.AddElem(FGB_ARC, &a, pen(), kNoFill, 1);
  EXPECT_EQ(doc.GetCountElems(), 3);
  EXPECT_EQ(doc.GetCountElemsS(), 1);
  gr_cpoint dim = doc.GetDimension(), nullp = doc.GetNullP();
  doc.DimensionDB();
  EXPECT_EQ(doc.GetDimension().x, dim.x);
  EXPECT_EQ(doc.GetDimension().y, dim.y);
  EXPECT_EQ(doc.GetNullP().x, nullp.x);
  EXPECT_EQ(doc.GetNullP().y, nullp.y);
  EXPECT_EQ(doc.GetCountElems(), 3);
}

TEST(MainDBDocument, UnknownKindsAndShapesWithoutExtentAreIgnored) {
  MainDB doc;
  add_seg(doc, 1, 1, 2, 2);
  alignas(8) double tbuf[2 + 2 * 2] = {};
  auto* t = reinterpret_cast<gr_thick_polyline*>(tbuf);
  t->pline.n = 2;
  Poly empty({});
  Polys no_members({});
  alignas(8) double bbuf[1 + 2 * 3] = {};
  auto* short_bez = reinterpret_cast<gr_bezier*>(bbuf);
  short_bez->n = 3;
  const struct {
    const char* name;
    int kind;
    const void* shape;
  } rows[] = {
      {"thick polyline", FGB_THICK_POLYLINE, t},
      {"kind 9", 9, tbuf},
      {"kind 200", 200, tbuf},
      {"empty polyline", FGB_POLYLINE, empty.get()},
      {"polylines without members", FGB_POLYLINES, no_members.get()},
      {"bezier without a piece", FGB_BEZIER, short_bez},
      {"null shape", FGB_SEGMENT, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    doc.AddElem(row.kind, row.shape, pen(), kNoFill, 1);
    EXPECT_EQ(doc.GetCountElems(), 1);
    EXPECT_EQ(fgb_count_gdb(doc.GetFirstPage()->gdb), 1);
    EXPECT_EQ(doc.GetNullP().x, 1.0);
    EXPECT_EQ(doc.GetDimension().x, 1.0);
  }
}

TEST(MainDBDocument, PolylinesBoxPassesOverEmptyMembers) {
  MainDB doc;
  Polys ps({{}, {{2, 3}, {4, 3}, {4, 5}}, {}});
  doc.AddElem(FGB_POLYLINES, ps.get(), pen(), fill(), 1);
  EXPECT_EQ(doc.GetCountElems(), 1);
  EXPECT_EQ(doc.GetNullP().x, 2.0);
  EXPECT_EQ(doc.GetNullP().y, 3.0);
  EXPECT_EQ(doc.GetDimension().x, 2.0);
}

TEST(MainDBDocument, CopyAllDropsPolylineFillButKeepsPolylinesFill) {
  MainDB src;
  Poly p({{0, 0}, {1, 0}, {1, 1}}, 1);
  Polys ps({{{0, 0}, {1, 0}, {1, 1}}});
  src.AddElem(FGB_POLYLINE, p.get(), pen(), fill(BS_SOLID, 1, 0, 0), 1);
  src.AddElem(FGB_POLYLINES, ps.get(), pen(), fill(BS_SOLID, 0, 1, 0), 2);
  // A kind-4 element with a fill in a bare list, copied into a document.
  ASSERT_EQ(fgb_add_filled_polyline(src.GetActualPage()->gdb, p.get(), pen(), fill()), 1);
  MainDB dst;
  dst.CopyAll(&src);
  auto main = side_elems(dst, 1);
  auto sel = side_elems(dst, 2);
  ASSERT_EQ(main.size(), 2u);
  ASSERT_EQ(sel.size(), 1u);
  EXPECT_FALSE(main[0].has_fill);
  EXPECT_FALSE(main[1].has_fill);
  EXPECT_TRUE(sel[0].has_fill);
  EXPECT_EQ(sel[0].fill.color.g, 1.0f);
  EXPECT_EQ(dst.GetCountElems(), src.GetCountElems());
  EXPECT_EQ(dst.GetCountElemsS(), 1);
}

TEST(MainDBDocument, DeleteElemEmptiesOneSideAndNotifies) {
  for (int side : {1, 2}) {
    SCOPED_TRACE(side);
    RecordingNotifyTarget win;
    MainDB doc(&win);
    for (int i = 0; i < 3; ++i) {
      add_seg(doc, i, 0, i + 1, 1, 1);
      add_seg(doc, i, 5, i + 1, 6, 2);
    }
    win.clear();
    doc.DeleteElem(side);
    EXPECT_EQ(win.issued_text(), "3003/0 3001/3");
    const int other = side == 1 ? 2 : 1;
    EXPECT_EQ(side_elems(doc, side).size(), 0u);
    EXPECT_EQ(side_elems(doc, other).size(), 3u);
    EXPECT_EQ(side == 1 ? doc.GetPageCount() : doc.GetPageCountS(), 1);
    EXPECT_EQ(side == 1 ? doc.GetCountElems() : doc.GetCountElemsS(), 0);
    EXPECT_EQ(side == 1 ? doc.GetDimension().x : doc.GetDimensionS().x, 0.0);
    EXPECT_EQ(other == 1 ? doc.GetCountElems() : doc.GetCountElemsS(), 3);
    doc.Delete();
  }
}

TEST(MainDBDocument, AppendingASideToItselfCopiesItOnce) {
  MainDB doc;
  for (int i = 0; i < 10000; ++i) add_seg(doc, i, 0, i, 1);
  doc.AppendingDB(&doc, 1, 1);
  EXPECT_EQ(doc.GetCountElems(), 20000);
  EXPECT_EQ(side_elems(doc, 1).size(), 20000u);
  EXPECT_EQ(doc.GetPageCount(), 2);
}

// The union of the two sides' boxes (issue 13: the earlier formula added
// one side's offset to the other side's size, and an empty side's zero box
// pulled the corner to the origin).
TEST(MainDBDocument, DimensionDBOutIsTheUnionOfTheSidesThatHoldElements) {
  MainDB doc;
  gr_cpoint dim{9, 9}, nullp{9, 9};
  doc.DimensionDB_OUT(dim, nullp);  // both sides empty
  EXPECT_EQ(dim.x, 0.0);
  EXPECT_EQ(nullp.y, 0.0);

  add_seg(doc, 5, 5, 15, 15, 1);  // main only; the selection is empty at (0, 0)
  doc.DimensionDB_OUT(dim, nullp);
  EXPECT_EQ(nullp.x, 5.0);
  EXPECT_EQ(nullp.y, 5.0);
  EXPECT_EQ(dim.x, 10.0);
  EXPECT_EQ(dim.y, 10.0);

  add_seg(doc, -1, 7, 1, 20, 2);  // a selection overlapping it
  doc.DimensionDB_OUT(dim, nullp);
  EXPECT_EQ(nullp.x, -1.0);
  EXPECT_EQ(nullp.y, 5.0);
  EXPECT_EQ(dim.x, 16.0);  // -1 .. 15
  EXPECT_EQ(dim.y, 15.0);  // 5 .. 20

  MainDB sel_only;
  add_seg(sel_only, 2, 3, 4, 8, 2);
  sel_only.DimensionDB_OUT(dim, nullp);
  EXPECT_EQ(nullp.x, 2.0);
  EXPECT_EQ(dim.y, 5.0);
  doc.Delete();
  sel_only.Delete();
}

TEST(MainDBDocument, PostMSendsTicksAndStartPostsTheRest) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  doc.PostM(3005);
  doc.PostM(3004);
  doc.PostM(3006);
  doc.PostM(3001);
  EXPECT_EQ(win.issued_text(), "!3004/3005 !3004/0 3004/3006 3001/0");
  EXPECT_EQ(win.queue.size(), 2u);
  EXPECT_EQ(win.handled.size(), 2u);
  win.deliver();
  EXPECT_EQ(win.handled.size(), 4u);
  EXPECT_TRUE(win.queue.empty());
  doc.Delete();
}

TEST(MainDBDocument, StyleEditsChangeOnlyTheSelection) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  Polys ps({{{0, 0}, {1, 0}, {1, 1}}});
  add_seg(doc, 0, 0, 1, 1, 1);
  doc.AddElem(FGB_POLYLINES, ps.get(), pen(0.5f), fill(BS_SOLID, 0, 1, 0), 2);
  win.clear();
  doc.SetWidthColor(gr_rgbcol{1, 0, 0}, 0.25);
  EXPECT_EQ(win.issued_text(), "3003/0 3002/2");
  doc.SetWidthPen(0.125);
  doc.SetColor(gr_rgbcol{0, 0, 1});
  auto sel = side_elems(doc, 2);
  ASSERT_EQ(sel.size(), 1u);
  EXPECT_EQ(sel[0].curve.width, 0.125f);
  EXPECT_EQ(sel[0].curve.color.b, 1.0f);
  EXPECT_EQ(sel[0].fill.color.g, 1.0f);  // fill untouched
  EXPECT_EQ(side_elems(doc, 1)[0].curve.width, 0.01f);
  doc.GetUndo();
  EXPECT_EQ(side_elems(doc, 2)[0].curve.width, 0.125f);
  EXPECT_EQ(side_elems(doc, 2)[0].curve.color.b, 0.0f);
  doc.Delete();
}

TEST(MainDBDocument, WorkDocumentHandsOverItsPages) {
  MainDB doc;
  add_seg(doc, 0, 0, 1, 1);
  auto* work = new MainDB();
  doc.AppendingDB(work, 1, 2);
  doc.DestroyInfo();
  doc.CopyInfo(work);
  work->ReleasePages();
  delete work;
  EXPECT_EQ(doc.GetCountElemsS(), 1);
  EXPECT_EQ(side_elems(doc, 2).size(), 1u);
  EXPECT_EQ(side_elems(doc, 1).size(), 0u);
}

}  // namespace
