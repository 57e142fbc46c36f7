// Selection. Invariants: a selection change moves elements between the
// sides and never duplicates or loses one; walking order is kept within
// each side; select-all is one undo step that gives back exactly the
// document as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "db_test_util.h"
#include "support/recording_notify.h"

using namespace dbtest;

namespace {

// Three segments on the main side: A and B cross at (5, 5); C lies apart.
struct Fixture {
  RecordingNotifyTarget win;
  MainDB doc{&win};
  Fixture() {
    add(0, 0, 10, 10, 1);  // A
    add(0, 10, 10, 0, 1);  // B
    add(20, 0, 30, 0, 1);  // C
  }
  ~Fixture() { doc.Delete(); }
  void add(double x1, double y1, double x2, double y2, int side) {
    gr_segment s = seg(x1, y1, x2, y2);
    doc.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, side);
  }
  // The first x of each element of a side, in walking order.
  std::vector<double> xs(int side) const {
    std::vector<double> out;
    for (const Elem& e : side_elems(doc, side)) {
      gr_segment s = e.as<gr_segment>();
      out.push_back(s.p1.x * 100 + s.p1.y);
    }
    return out;
  }
  void select(int mode, int keep, gr_xy_rect r, int direction) {
    addParam rq{mode, keep, r};
    doc.SelectElems(&rq, direction);
  }
};

const double A = 0, B = 10, C = 2000;  // first point keys (x * 100 + y)
const gr_xy_rect kCrossing{4.9, 4.9, 5.1, 5.1};
const gr_xy_rect kAroundC{19, -1, 31, 1};
const gr_xy_rect kEverything{-1, -1, 40, 11};

using V = std::vector<double>;

TEST(Selection, ClickSelectsOnlyTheFirstHitInWalkingOrder) {
  Fixture f;
  f.select(1, 0, kCrossing, 1);
  EXPECT_EQ(f.xs(2), (V{A}));
  EXPECT_EQ(f.xs(1), (V{B, C}));
  EXPECT_EQ(f.doc.GetCountElemsS(), 1);
  EXPECT_EQ(f.doc.GetCountElems(), 2);
  EXPECT_EQ(f.win.issued_text(), "3001/3");
}

TEST(Selection, DragSelectsExactlyWhatIsHitAndReturnsTheRest) {
  Fixture f;
  f.select(1, 0, kAroundC, 1);
  EXPECT_EQ(f.xs(2), (V{C}));
  f.select(0, 0, kCrossing, 1);  // C was selected and is not hit: back to main
  EXPECT_EQ(f.xs(2), (V{A, B}));
  EXPECT_EQ(f.xs(1), (V{C}));
  EXPECT_EQ(f.doc.GetNullPS().x, 0.0);
  EXPECT_EQ(f.doc.GetDimensionS().x, 10.0);
  EXPECT_EQ(f.doc.GetNullP().x, 20.0);
}

TEST(Selection, ShiftDragAddsToTheSelection) {
  Fixture f;
  f.select(1, 0, kAroundC, 1);
  f.select(0, 1, kCrossing, 1);
  EXPECT_EQ(f.xs(2), (V{C, A, B}));
  EXPECT_TRUE(f.xs(1).empty());
}

TEST(Selection, CtrlClickRemovesTheFirstHitSelectedElement) {
  Fixture f;
  f.select(0, 0, kEverything, 1);
  EXPECT_EQ(f.xs(2), (V{A, B, C}));
  f.select(1, 1, kCrossing, 2);
  EXPECT_EQ(f.xs(2), (V{B, C}));
  EXPECT_EQ(f.xs(1), (V{A}));
}

TEST(Selection, DeselectWithoutKeepSelectsEverythingNotHit) {
  Fixture f;
  f.select(1, 0, kCrossing, 1);  // A selected
  f.select(0, 0, kAroundC, 2);
  // Selection side scanned: A, then the main elements B, C appended after it.
  EXPECT_EQ(f.xs(2), (V{A, B}));
  EXPECT_EQ(f.xs(1), (V{C}));
}

TEST(Selection, ModeTwoMovesNothingButRebuildsAndNotifies) {
  // With keep 1 (without it the selection would first join the main side).
  Fixture f;
  f.select(1, 0, kCrossing, 1);
  f.win.clear();
  pages* before = f.doc.GetFirstPage();
  f.select(2, 1, kEverything, 1);
  EXPECT_EQ(f.xs(2), (V{A}));
  EXPECT_EQ(f.xs(1), (V{B, C}));
  EXPECT_NE(f.doc.GetFirstPage(), before);
  EXPECT_EQ(f.win.issued_text(), "3001/3");
  // Without keep, the selection is tested again with the main side, and
  // mode 2 hits nothing: every element ends on the main side.
  f.select(2, 0, kEverything, 1);
  EXPECT_TRUE(f.xs(2).empty());
  EXPECT_EQ(f.xs(1), (V{B, C, A}));
}

TEST(Selection, HitTestPerKind) {
  fgb_arc arc{0, 1.0, {{50, 50}, 2, 0, 3.141592653589793}};
  gr_circle circle{{60, 50}, 1};
  gr_cpoint flash{70, 50};
  Poly poly({{80, 49}, {82, 49}, {82, 51}}, 1);
  Polys polys({{{90, 49}, {91, 49}, {91, 50}}, {{95, 49}, {96, 49}, {96, 50}}});
  alignas(8) double bbuf[1 + 2 * 4];
  auto* bez = reinterpret_cast<gr_bezier*>(bbuf);
  bez->n = 4;
  bez->pnt[0] = {100, 49};
  bez->pnt[1] = {101, 52};
  bez->pnt[2] = {102, 52};
  bez->pnt[3] = {103, 49};
  const struct {
    const char* name;
    int kind;
    const void* shape;
    gr_xy_rect inside;    // the element lies inside: hit
    gr_xy_rect crossing;  // the outline crosses: hit
    gr_xy_rect apart;     // no contact: not hit
  } rows[] = {
      {"arc", FGB_ARC, &arc, {47, 49, 53, 53}, {49.9, 51.9, 50.1, 52.1}, {49.5, 47, 50.5, 48}},
      {"circle", FGB_CIRCLE, &circle, {58, 48, 62, 52}, {60.9, 49.9, 61.1, 50.1}, {59.9, 49.9, 60.1, 50.1}},
      {"flash", FGB_FLASH, &flash, {69, 49, 71, 51}, {69, 49, 71, 51}, {71, 49, 72, 51}},
      {"polyline", FGB_POLYLINE, poly.get(), {79, 48, 83, 52}, {81.9, 49.9, 82.1, 50.1}, {84, 48, 85, 52}},
      {"polylines, second member",
       FGB_POLYLINES,
       polys.get(),
       {94, 48, 97, 51},
       {95.9, 49.4, 96.1, 49.6},
       {92, 48, 93, 51}},
      {"bezier", FGB_BEZIER, bez, {99, 48, 104, 53}, {101.4, 51, 101.6, 52}, {101.4, 53, 101.6, 54}},
  };
  for (const auto& row : rows) {
    for (int which = 0; which < 3; ++which) {
      SCOPED_TRACE(std::string(row.name) + (which == 0 ? " inside" : which == 1 ? " crossing" : " apart"));
      MainDB doc;
      doc.AddElem(row.kind, row.shape, pen(), fill(), 1);
      ASSERT_EQ(doc.GetCountElems(), 1);
      addParam rq{0, 0, which == 0 ? row.inside : which == 1 ? row.crossing : row.apart};
      doc.SelectElems(&rq, 1);
      EXPECT_EQ(doc.GetCountElemsS(), which < 2 ? 1 : 0);
      EXPECT_EQ(doc.GetCountElems() + doc.GetCountElemsS(), 1);
    }
  }
}

TEST(Selection, RectangleCornersInAnyOrder) {
  Fixture f;
  f.select(0, 0, gr_xy_rect{31, 1, 19, -1}, 1);
  EXPECT_EQ(f.xs(2), (V{C}));
}

TEST(Selection, SelectAllKeepsOrderAndUndoesToTheStateBefore) {
  Fixture f;
  f.select(1, 0, kCrossing, 1);  // A selected; B, C main
  auto main_before = side_keys(f.doc, 1);
  auto sel_before = side_keys(f.doc, 2);
  f.win.clear();
  f.doc.SelectElems();
  EXPECT_EQ(f.win.issued_text(), "3003/0 3001/3");
  EXPECT_TRUE(f.xs(1).empty());
  EXPECT_EQ(f.xs(2), (V{A, B, C}));
  EXPECT_EQ(f.doc.GetCountElems(), 0);
  EXPECT_EQ(f.doc.GetCountElemsS(), 3);
  EXPECT_EQ(f.doc.GetDimensionS().x, 30.0);
  f.doc.GetUndo();
  EXPECT_EQ(side_keys(f.doc, 1), main_before);
  EXPECT_EQ(side_keys(f.doc, 2), sel_before);
  EXPECT_EQ(f.doc.GetCountElems(), 2);
  EXPECT_EQ(f.doc.GetCountElemsS(), 1);
  f.doc.GetRedo();
  EXPECT_EQ(f.xs(2), (V{A, B, C}));
}

// A selection change rebuilds the pages from the document's own lists when
// nothing else holds them, links the elements anew when something does
// (here a copy of the document), and copies them element by element when
// a page is one the document knows nothing of (here one appended to behind
// its back before every step). All three give the same document.
TEST(Selection, ListsMovedLinkedAnewOrCopiedGiveTheSameDocument) {
  RecordingNotifyTarget win;
  MainDB moved(&win), linked(&win), copied(&win);
  auto add = [&](const gr_segment& s, bool behind) {
    moved.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 1);
    linked.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 1);
    if (!behind) return copied.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 1);
    ASSERT_EQ(fgb_add_segment(copied.GetActualPage()->gdb, &s, pen()), 1);
    copied.DimensionDB();
  };
  for (int i = 0; i < 23000; ++i) add(seg(i % 200, i / 200, i % 200 + 0.5, i / 200 + 0.25), false);
  const addParam steps[] = {
      {0, 0, {-1, 20.9, 300, 22.3}},    // two rows from the middle of the first page
      {0, 1, {49.9, -1, 50.3, 200}},    // a column, added: hits on every page
      {0, 0, {-1, 100.9, 300, 101.3}},  // without keep: the selection is tested again
      {1, 1, {-1, 113.9, 300, 114.3}},  // the first hit of the last rows
      {0, 0, {-1, -1, 300, 300}},       // everything
  };
  double x = 250;
  for (const addParam& step : steps) {
    add(seg(x, 0, x + 0.5, 1), true);
    x += 1;
    MainDB holder;
    holder.CopyAll(&linked);  // shares linked's lists
    for (MainDB* d : {&moved, &linked, &copied}) {
      addParam rq = step;
      d->SelectElems(&rq, 1);
      ASSERT_EQ(d->GetFailure(), FGB_FAILED_NONE);
    }
    for (int side = 1; side <= 2; ++side) {
      const auto keys = side_keys(moved, side);
      EXPECT_EQ(side_keys(linked, side), keys);
      EXPECT_EQ(side_keys(copied, side), keys);
      const auto sizes = page_sizes(moved, side);
      EXPECT_EQ(page_sizes(linked, side), sizes);
      EXPECT_EQ(page_sizes(copied, side), sizes);
    }
    for (MainDB* d : {&linked, &copied}) {
      EXPECT_EQ(d->GetDimension().x, moved.GetDimension().x);
      EXPECT_EQ(d->GetNullP().y, moved.GetNullP().y);
      EXPECT_EQ(d->GetDimensionS().y, moved.GetDimensionS().y);
      EXPECT_EQ(d->GetNullPS().x, moved.GetNullPS().x);
    }
  }
  for (MainDB* d : {&moved, &linked, &copied}) d->Delete();
}

}  // namespace

std::vector<uint64_t> link_cells(const MainDB& doc) {
  std::vector<uint64_t> cells;
  for (pages* first : {doc.GetFirstPage(), doc.GetFirstPageSelection()})
    for (pages* p = first; p; p = p->next)
      for (tag_ns_handler l = p->gdb->head; !fgb_is_end_gdb(l); l = fgb_next_gdb(l))
        cells.push_back((static_cast<uint64_t>(static_cast<uint32_t>(l.block)) << 32) | l.offset);
  std::sort(cells.begin(), cells.end());
  return cells;
}

// With an undo history beside it, a selection change in the middle of a
// large drawing keeps the very link cells it had: the rebuilt pages are
// made of them, and the undo records name the old places by position.
TEST(Selection, AChangeBesideTheUndoHistoryKeepsItsLinkCells) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  for (int i = 0; i < 23000; ++i) {
    const gr_segment s = seg(i % 200, i / 200, i % 200 + 0.5, i / 200 + 0.25);
    doc.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 1);
  }
  doc.CreateUndo();
  const gr_circle c{{5, 5}, 1};
  doc.CreateElems(FGB_CIRCLE, &c, pen(), kNoFill, 1);
  const auto before = link_cells(doc);
  addParam row{0, 0, {-1, 20.9, 300, 21.3}};
  doc.SelectElems(&row, 1);
  EXPECT_EQ(doc.GetCountElemsS(), 200);
  EXPECT_EQ(link_cells(doc), before);
  EXPECT_EQ(page_sizes(doc, 1), (std::vector<long>{10001, 10001, 2799}));
  const auto keys = side_keys(doc, 1);
  doc.GetUndo();  // before the circle: linked anew from the present elements
  EXPECT_EQ(doc.GetCountElems(), 23000);
  EXPECT_EQ(doc.GetCountElemsS(), 0);
  doc.GetRedo();  // the present state, selection and all
  EXPECT_EQ(side_keys(doc, 1), keys);
  EXPECT_EQ(doc.GetCountElemsS(), 200);
  doc.Delete();
}
