// Undo and redo. Invariants: at most 9 steps can be undone; undo and redo
// restore whole documents exactly; the 3003 notifications and the flags
// mirror what is possible; pages are never used after being destroyed and
// never leaked (AddressSanitizer and LeakSanitizer watch this file).
#include <gtest/gtest.h>

#include "db_test_util.h"
#include "support/recording_notify.h"

using namespace dbtest;

namespace {

// Edit k adds the segment (k, 0)-(k, 1) to the main drawing.
void edit(MainDB& doc, int k) {
  gr_segment s = seg(k, 0, k, 1);
  doc.CreateElems(FGB_SEGMENT, &s, pen(), kNoFill, 1);
}

int main_count(const MainDB& doc) { return static_cast<int>(side_elems(doc, 1).size()); }

TEST(UndoRedo, OneEditUndoneAndRedone) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  edit(doc, 1);
  EXPECT_EQ(win.issued_text(), "3003/0 3001/3");
  EXPECT_EQ(doc.GetUndoFlag(), 1);
  win.clear();
  doc.GetUndo();
  EXPECT_EQ(win.issued_text(), "3001/3 3003/1 3003/2");
  EXPECT_EQ(main_count(doc), 0);
  EXPECT_EQ(doc.GetCountElems(), 0);
  EXPECT_EQ(doc.GetUndoFlag(), 0);
  EXPECT_EQ(doc.GetRedoFlag(), 1u);
  win.clear();
  doc.GetRedo();
  EXPECT_EQ(win.issued_text(), "3001/3 3003/0 3003/3");
  EXPECT_EQ(main_count(doc), 1);
  EXPECT_EQ(doc.GetCountElems(), 1);
  EXPECT_EQ(doc.GetUndoFlag(), 1);
  EXPECT_EQ(doc.GetRedoFlag(), 0u);
  doc.Delete();
}

TEST(UndoRedo, TwelveEditsLeaveNineUndoSteps) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  for (int k = 1; k <= 12; ++k) edit(doc, k);
  for (int step = 1; step <= 8; ++step) {
    win.clear();
    doc.GetUndo();
    EXPECT_EQ(win.issued_text(), "3001/3 3003/1") << "undo " << step;
    EXPECT_EQ(main_count(doc), 12 - step);
  }
  win.clear();
  doc.GetUndo();
  EXPECT_EQ(win.issued_text(), "3001/3 3003/1 3003/2");
  EXPECT_EQ(main_count(doc), 3);
  win.clear();
  doc.GetUndo();
  EXPECT_EQ(win.issued_text(), "3003/2");
  EXPECT_EQ(main_count(doc), 3);
  // All the way forward again.
  for (int step = 1; step <= 9; ++step) doc.GetRedo();
  EXPECT_EQ(main_count(doc), 12);
  EXPECT_EQ(doc.GetRedoFlag(), 0u);
  win.clear();
  doc.GetRedo();
  EXPECT_EQ(win.issued_text(), "3003/3");
  doc.Delete();
}

TEST(UndoRedo, EditAfterTwoUndosDiscardsRedo) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  for (int k = 1; k <= 4; ++k) edit(doc, k);
  doc.GetUndo();
  doc.GetUndo();
  edit(doc, 100);
  EXPECT_EQ(main_count(doc), 3);
  win.clear();
  doc.GetRedo();
  EXPECT_EQ(win.issued_text(), "3003/3");
  EXPECT_EQ(main_count(doc), 3);
  doc.GetUndo();
  EXPECT_EQ(main_count(doc), 2);
  EXPECT_EQ(side_elems(doc, 1)[1].as<gr_segment>().p1.x, 2.0);
  doc.Delete();
}

TEST(UndoRedo, UndoTwiceRedoOnceAfterRecycling) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  for (int k = 1; k <= 15; ++k) edit(doc, k);
  doc.GetUndo();
  doc.GetUndo();
  EXPECT_EQ(main_count(doc), 13);
  doc.GetRedo();
  EXPECT_EQ(main_count(doc), 14);
  EXPECT_EQ(doc.GetCountElems(), 14);
  EXPECT_EQ(doc.GetDimension().x, 13.0);
  doc.Delete();
}

TEST(UndoRedo, RedoAfterASelectionChangeBetweenUndos) {
  // Undo, a selection change (no snapshot of its own), undo again, then
  // redo twice: every state comes back whole and nothing freed is touched.
  RecordingNotifyTarget win;
  MainDB doc(&win);
  for (int k = 1; k <= 3; ++k) edit(doc, k);
  doc.GetUndo();
  addParam all{0, 0, {-10, -10, 10, 10}};
  doc.SelectElems(&all, 1);
  EXPECT_EQ(doc.GetCountElemsS(), 2);
  doc.GetUndo();
  EXPECT_EQ(main_count(doc), 1);
  doc.GetRedo();
  // The state the document last had there: both elements selected.
  EXPECT_EQ(doc.GetCountElemsS(), 2);
  EXPECT_EQ(side_elems(doc, 2).size(), 2u);
  doc.GetRedo();
  EXPECT_EQ(main_count(doc), 3);
  EXPECT_EQ(side_elems(doc, 2).size(), 0u);
  doc.GetUndo();
  doc.GetUndo();
  doc.GetUndo();
  EXPECT_EQ(main_count(doc), 0);
  doc.Delete();
}

TEST(UndoRedo, DocumentWithoutWindowStartsAChainOnFirstSnapshot) {
  MainDB doc;
  edit(doc, 1);  // the chain's first record is a deep copy of the empty document
  edit(doc, 2);
  doc.GetUndo();
  EXPECT_EQ(main_count(doc), 1);
  doc.GetUndo();
  EXPECT_EQ(main_count(doc), 1);
  doc.GetRedo();
  EXPECT_EQ(main_count(doc), 2);
}

TEST(UndoRedo, DeleteReleasesEverythingAtAnyPointOfTheChain) {
  for (int undos = 0; undos <= 10; ++undos) {
    SCOPED_TRACE(undos);
    RecordingNotifyTarget win;
    auto* doc = new MainDB(&win);
    for (int k = 1; k <= 11; ++k) edit(*doc, k);
    for (int u = 0; u < undos; ++u) doc->GetUndo();
    doc->Delete();
    delete doc;
  }
}

}  // namespace
