// A seeded random sequence of edits, undos, redos and selection changes,
// checked after every step against a model of the document and its undo
// history. Run under AddressSanitizer and LeakSanitizer it also shows that
// no page is used after being destroyed and none is leaked, including after
// the undo chain has recycled records.
//
// Model: the present state is the list of element keys of each side; an
// edit pushes the state before it on the undo list (at most 9 kept) and
// clears the redo list; undo and redo move the present state between them;
// a selection change replaces the present state without touching the lists.
// Counts and boxes are checked against a recomputation from the elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <random>

#include "db_test_util.h"
#include "support/recording_notify.h"

using namespace dbtest;

namespace {

struct State {
  std::vector<std::string> main, sel;
};

State state_of(const MainDB& doc) { return State{side_keys(doc, 1), side_keys(doc, 2)}; }

// The union of the element boxes of one side, recomputed from the shapes.
struct Box {
  bool any = false;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  void add(double ax, double ay, double bx, double by) {
    if (!any) {
      x1 = ax, y1 = ay, x2 = bx, y2 = by;
      any = true;
      return;
    }
    x1 = std::min(x1, ax), y1 = std::min(y1, ay), x2 = std::max(x2, bx), y2 = std::max(y2, by);
  }
};

Box recompute(const MainDB& doc, int side) {
  Box b;
  for (const Elem& e : side_elems(doc, side)) {
    if (e.kind == FGB_SEGMENT) {
      auto s = e.as<gr_segment>();
      b.add(std::min(s.p1.x, s.p2.x), std::min(s.p1.y, s.p2.y), std::max(s.p1.x, s.p2.x),
            std::max(s.p1.y, s.p2.y));
    } else if (e.kind == FGB_CIRCLE) {
      auto c = e.as<gr_circle>();
      b.add(c.c.x - c.r, c.c.y - c.r, c.c.x + c.r, c.c.y + c.r);
    } else if (e.kind == FGB_FLASH) {
      auto p = e.as<gr_cpoint>();
      b.add(p.x, p.y, p.x, p.y);
    } else {
      ADD_FAILURE() << "unexpected kind " << e.kind;
    }
  }
  return b;
}

void check_side(const MainDB& doc, int side, const std::vector<std::string>& want, int step) {
  SCOPED_TRACE(testing::Message() << "step " << step << " side " << side);
  auto keys = side_keys(doc, side);
  ASSERT_EQ(keys, want);
  int count = side == 1 ? doc.GetCountElems() : doc.GetCountElemsS();
  ASSERT_EQ(count, static_cast<int>(keys.size()));
  // Pages: at least one, none beyond 10 001 elements, the last is the actual one.
  pages* first = side == 1 ? doc.GetFirstPage() : doc.GetFirstPageSelection();
  ASSERT_NE(first, nullptr);
  pages* last = first;
  for (pages* p = first; p; p = p->next) {
    ASSERT_LE(fgb_count_gdb(p->gdb), kPageLimit + 1);
    last = p;
  }
  ASSERT_EQ(last, side == 1 ? doc.GetActualPage() : doc.GetActualPageSelection());
  Box b = recompute(doc, side);
  gr_cpoint dim = side == 1 ? doc.GetDimension() : doc.GetDimensionS();
  gr_cpoint nullp = side == 1 ? doc.GetNullP() : doc.GetNullPS();
  gr_cpoint centre = side == 1 ? doc.GetCenter() : doc.GetCenterS();
  if (!b.any) {
    // An empty side keeps no box, except that a selection emptied by a
    // selection change comes from a fresh work document: zero either way.
    EXPECT_EQ(dim.x, 0.0);
    EXPECT_EQ(dim.y, 0.0);
    return;
  }
  EXPECT_DOUBLE_EQ(nullp.x, b.x1);
  EXPECT_DOUBLE_EQ(nullp.y, b.y1);
  EXPECT_NEAR(dim.x, b.x2 - b.x1, 1e-9);
  EXPECT_NEAR(dim.y, b.y2 - b.y1, 1e-9);
  EXPECT_NEAR(centre.x, (b.x1 + b.x2) / 2, 1e-9);
  EXPECT_NEAR(centre.y, (b.y1 + b.y2) / 2, 1e-9);
}

TEST(RandomEdits, ThousandStepsAgreeWithTheModel) {
  std::mt19937 rng(20240611u);
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };

  RecordingNotifyTarget win;
  auto owner = std::make_unique<MainDB>(&win);
  MainDB* doc = owner.get();
  State present;
  std::deque<State> undo, redo;
  const std::size_t kUndoSteps = 9;
  auto record_edit = [&] {
    undo.push_back(present);
    if (undo.size() > kUndoSteps) undo.pop_front();
    redo.clear();
  };

  for (int step = 0; step < 1000; ++step) {
    int op = pick(100);
    if (op < 30) {  // add one element
      int side = pick(4) == 0 ? 2 : 1;
      int kind = pick(3);
      record_edit();
      State before = present;
      if (kind == 0) {
        gr_segment s = seg(uni(-50, 50), uni(-50, 50), uni(-50, 50), uni(-50, 50));
        doc->CreateElems(FGB_SEGMENT, &s, pen(static_cast<float>(uni(0, 1))), kNoFill, side);
      } else if (kind == 1) {
        gr_circle c{{uni(-50, 50), uni(-50, 50)}, uni(0.1, 5)};
        doc->CreateElems(FGB_CIRCLE, &c, pen(), kNoFill, side);
      } else {
        gr_cpoint p{uni(-50, 50), uni(-50, 50)};
        doc->CreateElems(FGB_FLASH, &p, pen(), kNoFill, side);
      }
      // One element more at the end of its side, nothing else changed.
      present = state_of(*doc);
      auto& grown = side == 1 ? present.main : present.sel;
      auto& was = side == 1 ? before.main : before.sel;
      ASSERT_EQ(grown.size(), was.size() + 1) << "step " << step;
      ASSERT_TRUE(std::equal(was.begin(), was.end(), grown.begin())) << "step " << step;
      ASSERT_EQ(side == 1 ? present.sel : present.main, side == 1 ? before.sel : before.main);
    } else if (op < 34) {  // delete a side
      int side = pick(3) == 0 ? 1 : 2;
      record_edit();
      doc->DeleteElem(side);
      (side == 1 ? present.main : present.sel).clear();
    } else if (op < 38) {  // re-pen the selection
      record_edit();
      double width = uni(0, 1);
      doc->SetWidthColor(gr_rgbcol{0.5f, 0, 0}, width);
      State after = state_of(*doc);
      ASSERT_EQ(after.main, present.main);
      ASSERT_EQ(after.sel.size(), present.sel.size());
      for (const Elem& e : side_elems(*doc, 2)) {
        ASSERT_EQ(e.curve.width, static_cast<float>(width));
        ASSERT_EQ(e.curve.color.r, 0.5f);
      }
      present = after;
    } else if (op < 41) {  // select all
      record_edit();
      doc->SelectElems();
      present.sel.insert(present.sel.end(), present.main.begin(), present.main.end());
      present.main.clear();
    } else if (op < 60) {  // a selection change
      double x = uni(-50, 50), y = uni(-50, 50), w = uni(0.1, 60), h = uni(0.1, 60);
      addParam rq{pick(3), pick(2), {x, y, x + w, y + h}};
      std::size_t total = present.main.size() + present.sel.size();
      doc->SelectElems(&rq, pick(2) + 1);
      State after = state_of(*doc);
      // Elements change sides; none is lost or doubled.
      std::vector<std::string> before_all = present.main, after_all = after.main;
      before_all.insert(before_all.end(), present.sel.begin(), present.sel.end());
      after_all.insert(after_all.end(), after.sel.begin(), after.sel.end());
      std::sort(before_all.begin(), before_all.end());
      std::sort(after_all.begin(), after_all.end());
      ASSERT_EQ(after_all, before_all) << "step " << step;
      ASSERT_EQ(after.main.size() + after.sel.size(), total);
      present = after;
    } else if (op < 82) {  // undo
      doc->GetUndo();
      if (!undo.empty()) {
        redo.push_back(present);
        present = undo.back();
        undo.pop_back();
      }
      EXPECT_EQ(doc->GetUndoFlag(), undo.empty() ? 0 : 1) << "step " << step;
    } else {  // redo
      doc->GetRedo();
      if (!redo.empty()) {
        undo.push_back(present);
        present = redo.back();
        redo.pop_back();
      }
      EXPECT_EQ(doc->GetRedoFlag(), redo.empty() ? 0u : 1u) << "step " << step;
    }
    if (step % 97 == 0) doc->DimensionDB();
    check_side(*doc, 1, present.main, step);
    check_side(*doc, 2, present.sel, step);
    if (testing::Test::HasFatalFailure()) return;
    win.deliver();
  }
  doc->Delete();
}

}  // namespace
