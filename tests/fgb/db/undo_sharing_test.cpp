// Undo snapshots share the document's pages and elements instead of copying
// them. Invariants: a shared list or element is never changed in place, so
// every state undo and redo bring back holds the elements it held, with the
// pages a deep copy would have had (10 001 elements each, page counts equal
// to the elements); boxes and counts are those of element-by-element adds.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "db/undo_pages_p.h"
#include "db_test_util.h"
#include "support/recording_notify.h"

using namespace dbtest;

namespace {

struct Snapshot {
  std::vector<std::string> main, sel;
  std::vector<long> main_pages, sel_pages;
  gr_cpoint dim, nullp, dim_s, nullp_s;
  bool operator==(const Snapshot& o) const {
    auto same = [](gr_cpoint a, gr_cpoint b) { return a.x == b.x && a.y == b.y; };
    return main == o.main && sel == o.sel && main_pages == o.main_pages && sel_pages == o.sel_pages &&
           same(dim, o.dim) && same(nullp, o.nullp) && same(dim_s, o.dim_s) && same(nullp_s, o.nullp_s);
  }
};

void PrintTo(const Snapshot& s, std::ostream* os) {
  *os << "main " << s.main.size() << " sel " << s.sel.size() << " pages";
  for (long c : s.main_pages) *os << ' ' << c;
  *os << " /";
  for (long c : s.sel_pages) *os << ' ' << c;
}

Snapshot snap(const MainDB& doc) {
  return Snapshot{side_keys(doc, 1),  side_keys(doc, 2), page_sizes(doc, 1),  page_sizes(doc, 2),
                  doc.GetDimension(), doc.GetNullP(),    doc.GetDimensionS(), doc.GetNullPS()};
}

// 25 000 segments on a 250-wide lattice: three main pages.
void fill(MainDB& doc) {
  for (int i = 0; i < 25000; ++i) {
    gr_segment s = seg(i % 250, i / 250, i % 250 + 0.5, i / 250 + 0.25);
    doc.AddElem(FGB_SEGMENT, &s, pen(0.01f), kNoFill, 1);
  }
}

TEST(UndoSharing, EveryStateComesBackAsItWas) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  fill(doc);
  std::vector<Snapshot> states{snap(doc)};
  ASSERT_EQ(states[0].main_pages, (std::vector<long>{10001, 10001, 4998}));

  // Select the rows 50..59 (2 500 elements in the middle of the second page).
  addParam rows{0, 0, {-1, 49.9, 300, 59.3}};
  doc.SelectElems(&rows, 1);
  EXPECT_EQ(doc.GetCountElemsS(), 2500);
  auto edits = std::vector<std::function<void()>>{
      [&] { doc.SetDimension(1.0, 1.0, 0, 0, OP_SCALE); },  // a snapshot, nothing moves
      [&] {
        doc.SetWidthColor(gr_rgbcol{1, 0, 0}, 0.5);
      },  // styles of shared elements
      [&] {
        OperationParam p{};
        p.move = gr_cpoint{-3, 0};
        pOperate rq{&win, OP_MOVE, &p};
        doc.CreateUndo();
        doc.Operation(&rq);
      },
      [&] {
        const gr_circle c{{5, 5}, 1};
        doc.CreateElems(FGB_CIRCLE, &c, pen(), kNoFill, 1);
      },
      [&] { doc.SelectElems(); },     // select all
      [&] { doc.SetWidthPen(0.2); },  // every element
      [&] { doc.DeleteElem(2); },
  };
  states.back() = snap(doc);  // the selection change is not an undo step
  for (auto& edit : edits) {
    edit();
    states.push_back(snap(doc));
  }
  // Back to the start and forward to the end, twice.
  for (int round = 0; round < 2; ++round) {
    for (std::size_t i = states.size() - 1; i-- > 0;) {
      doc.GetUndo();
      ASSERT_EQ(snap(doc), states[i]) << "undo to state " << i;
    }
    for (std::size_t i = 1; i < states.size(); ++i) {
      doc.GetRedo();
      ASSERT_TRUE(snap(doc) == states[i]) << "redo to state " << i;
    }
  }
  // An edit in the middle of the history keeps the older states intact.
  doc.GetUndo();
  doc.GetUndo();
  doc.GetUndo();
  doc.SetWidthPen(0.3);
  for (std::size_t i = states.size() - 3; i-- > 0;) {
    doc.GetUndo();
    ASSERT_TRUE(snap(doc) == states[i]) << "undo after the new edit to state " << i;
  }
  doc.Delete();
}

// Undo records next to the present state name their elements by position;
// selection changes (which rebuild the pages after the first element that
// moves) and changes made without an undo step of their own come between
// edits, undos and redos. Every state, with its pages, comes back whole.
TEST(UndoSharing, StatesSurviveSelectionChangesAroundThem) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  fill(doc);
  std::mt19937 rng(7u);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  Snapshot present = snap(doc);
  std::vector<Snapshot> undo, redo;
  auto edit = [&](const std::function<void()>& f) {
    undo.push_back(present);
    if (undo.size() > 9) undo.erase(undo.begin());
    redo.clear();
    f();
  };
  auto move = [&](double dx) {
    OperationParam p{};
    p.move = gr_cpoint{dx, 0};
    pOperate rq{&win, OP_MOVE, &p};
    doc.Operation(&rq);
  };
  for (int step = 0; step < 120; ++step) {
    SCOPED_TRACE(testing::Message() << "step " << step);
    const int op = pick(10);
    bool stepped = false;  // an undo or a redo, else the present state is new
    if (op < 4) {          // a band of rows, or of columns (elements all over the pages)
      const double a = pick(100), w = 0.5 + pick(12);
      addParam rq{pick(4) == 0 ? 1 : 0, pick(2), {-1, a - 0.1, 300, a + w}};
      if (pick(3) == 0) rq.rect = gr_xy_rect{a * 2.5 - 0.1, -1, a * 2.5 + w, 200};
      doc.SelectElems(&rq, pick(3) == 0 ? 2 : 1);
    } else if (op == 4) {
      edit([&] { doc.DeleteElem(2); });
    } else if (op == 5) {
      edit([&] {
        doc.CreateUndo();
        move(-0.25);
      });
    } else if (op == 6) {
      edit([&] {
        const gr_circle c{{pick(250) + 0.5, pick(100) + 0.5}, 0.2};
        doc.CreateElems(FGB_CIRCLE, &c, pen(), kNoFill, pick(2) + 1);
      });
    } else if (op == 7 && pick(3) == 0) {
      move(0.5);  // no undo step of its own, like a selection change
    } else if ((stepped = op < 9)) {
      doc.GetUndo();
      if (!undo.empty()) {
        redo.push_back(present);
        present = undo.back();
        undo.pop_back();
      }
    } else {
      stepped = true;
      doc.GetRedo();
      if (!redo.empty()) {
        undo.push_back(present);
        present = redo.back();
        redo.pop_back();
      }
    }
    if (!stepped) present = snap(doc);
    ASSERT_EQ(snap(doc), present);
    if (stepped) {  // the flags follow the last step (an edit leaves the redo flag alone)
      ASSERT_EQ(doc.GetUndoFlag(), undo.empty() ? 0 : 1);
      ASSERT_EQ(doc.GetRedoFlag(), redo.empty() ? 0u : 1u);
    }
    win.deliver();
  }
  doc.Delete();
}

// Appends right after a snapshot (as a read into the document makes them),
// round after round on the same actual page: none reaches an older state.
TEST(UndoSharing, ElementsAddedAfterASnapshotStayOutOfIt) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  std::vector<Snapshot> states;
  for (int round = 0; round < 4; ++round) {
    for (int i = 0; i < 7; ++i) {
      gr_segment s = seg(i, round, i + 0.5, round + 0.5);
      doc.AddElem(FGB_SEGMENT, &s, pen(round < 2 ? 0.01f : 0.02f), kNoFill, 1);
    }
    states.push_back(snap(doc));
    doc.CreateUndo();
  }
  ASSERT_EQ(states.back().main_pages, (std::vector<long>{28}));
  doc.GetUndo();  // the last snapshot is the present state
  for (std::size_t i = states.size(); i-- > 0;) {
    ASSERT_TRUE(snap(doc) == states[i]) << "undo to round " << i;
    doc.GetUndo();
  }
  doc.Delete();
}

TEST(UndoSharing, ACopiedDocumentMatchesAnElementByElementCopy) {
  MainDB doc;
  fill(doc);
  addParam rows{0, 0, {-1, 20.9, 300, 21.3}};
  doc.SelectElems(&rows, 1);
  // Elements appended behind the document's back: their page is copied
  // element by element.
  gr_segment s = seg(1, 1, 2, 2);
  ASSERT_EQ(fgb_add_segment(doc.GetActualPage()->gdb, &s, pen(0.3f)), 1);
  MainDB copy;
  copy.CopyAll(&doc);
  MainDB slow;  // the same copy made by adding every element again
  for (int side = 1; side <= 2; ++side)
    for (const Elem& e : side_elems(doc, side))
      slow.AddElem(e.kind, e.shape.data(), e.curve, e.has_fill ? e.fill : kNoFill, side);
  EXPECT_EQ(side_keys(copy, 1), side_keys(slow, 1));
  EXPECT_EQ(side_keys(copy, 2), side_keys(slow, 2));
  EXPECT_EQ(page_sizes(copy, 1), page_sizes(slow, 1));
  EXPECT_EQ(page_sizes(copy, 2), page_sizes(slow, 2));
}

}  // namespace

// Positions across a rebuild: runs of a side map to the runs they became,
// joined where they continue each other; an element without a place fails.
TEST(UndoSharing, RelocatedRunsFollowTheirElements) {
  fgb::Relocation r;
  r.note(0, 0, 10, 0, 0);   // main 0..9 stay
  r.note(0, 10, 2, 1, 5);   // main 10..11 go to the selection's 5..6
  r.note(0, 12, 8, 0, 10);  // main 12..19 close up behind 0..9
  r.note(0, 20, 5, 0, 18);  // 20..24 right after them: one move
  r.note(1, 0, 5, 1, 0);    // the selection stays
  std::vector<fgb::SeqRun> out;
  ASSERT_TRUE(r.map(0, 8, 15, out));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ((std::vector<int32_t>{out[0].side, out[0].start, out[0].n}), (std::vector<int32_t>{0, 8, 2}));
  EXPECT_EQ((std::vector<int32_t>{out[1].side, out[1].start, out[1].n}), (std::vector<int32_t>{1, 5, 2}));
  EXPECT_EQ((std::vector<int32_t>{out[2].side, out[2].start, out[2].n}), (std::vector<int32_t>{0, 10, 11}));
  out.clear();
  EXPECT_FALSE(r.map(0, 20, 6, out));  // 25 has no place
  out.clear();
  EXPECT_FALSE(r.map(1, 3, 3, out));
  std::size_t hint = 0;
  EXPECT_EQ(r.side_of(0, 11, &hint), 1);
  EXPECT_EQ(r.side_of(0, 12, &hint), 0);
  EXPECT_EQ(r.side_of(0, 30, &hint), -1);
}
