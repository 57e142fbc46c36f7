// Operations that cannot finish: an element budget that is spent (issue 17:
// a tiny drawing hatched at 0.01 mm took 2.5 GB) and memory that runs out
// (the object store's failure hook). Invariants: the operation stops, the
// document keeps exactly the elements, counts and boxes it had before,
// GetFailure says why, and the next operation starts afresh.
#include "db_test_util.h"
#include "support/recording_notify.h"

#include "nodestore_p.h"

#include <gtest/gtest.h>

namespace {

using namespace dbtest;

// Every block the store asks for from now on fails, until the guard goes.
struct StoreFails {
  explicit StoreFails(int successes = 0) { blocks(successes, -1); }
  ~StoreFails() { blocks(0, 0); }
  static void blocks(int successes, int failures) {
    nodestore::global_store().objects().blocks().inject_failures(successes, failures);
    nodestore::global_store().data().blocks().inject_failures(successes, failures);
  }
};

// A document with the square (0,0)-(10,10) and a Bezier curve selected
// and a segment in the main drawing.
void fill(MainDB& doc) {
  Poly square({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, 1);
  doc.AddElem(FGB_POLYLINE, square.get(), pen(), kNoFill, 2);
  std::vector<double> bez(1 + 2 * 4);
  auto* b = reinterpret_cast<gr_bezier*>(bez.data());
  b->n = 4;
  b->pnt[0] = {0, 0};
  b->pnt[1] = {1, 5};
  b->pnt[2] = {4, 5};
  b->pnt[3] = {5, 0};
  doc.AddElem(FGB_BEZIER, b, pen(), kNoFill, 2);
  const gr_segment s = seg(20, 20, 30, 30);
  doc.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 1);
}

struct Snapshot {
  std::vector<std::string> main, sel;
  int32_t count, count_s;
  gr_cpoint dim, dim_s;
  explicit Snapshot(const MainDB& d)
      : main(side_keys(d, 1)),
        sel(side_keys(d, 2)),
        count(d.GetCountElems()),
        count_s(d.GetCountElemsS()),
        dim(d.GetDimension()),
        dim_s(d.GetDimensionS()) {}
  void expect_same(const MainDB& d) const {
    EXPECT_EQ(side_keys(d, 1), main);
    EXPECT_EQ(side_keys(d, 2), sel);
    EXPECT_EQ(d.GetCountElems(), count);
    EXPECT_EQ(d.GetCountElemsS(), count_s);
    EXPECT_EQ(d.GetDimension().x, dim.x);
    EXPECT_EQ(d.GetDimensionS().y, dim_s.y);
  }
};

struct Op {
  const char* name;
  void (*run)(MainDB&);
};
const Op kOps[] = {
    {"hatch at 0.001",
     [](MainDB& d) {
       H_param h{};
       h.step = 0.001;
       h.all = 1;
       d.Hatch(&h, -2);
     }},
    {"flatten at 100000 points", [](MainDB& d) { d.PolyToBezier(100000); }},
    {"inset 600 times", [](MainDB& d) { d.Equidistant(0.01, 600); }},
    {"group at 100000 points", [](MainDB& d) { d.SetPolyToPols(100000); }},
};

TEST(OperationBudget, AnOperationThatWouldGrowPastItsBudgetChangesNothing) {
  for (const Op& op : kOps) {
    SCOPED_TRACE(op.name);
    RecordingNotifyTarget window;
    MainDB doc(&window);
    fill(doc);
    doc.SetMaxElements(500);
    const Snapshot before(doc);
    op.run(doc);
    EXPECT_EQ(doc.GetFailure(), FGB_FAILED_TOO_LARGE);
    before.expect_same(doc);
    // With room enough the same operation goes through, and says so (one
    // of them: the others take long under the sanitizers).
    if (std::string(op.name).rfind("flatten", 0) != 0) continue;
    doc.SetMaxElements(20000000);
    op.run(doc);
    EXPECT_EQ(doc.GetFailure(), FGB_FAILED_NONE);
    EXPECT_GT(doc.GetCountElemsS(), before.count_s - 1);
  }
}

TEST(OutOfMemory, AnOperationThatRunsOutOfMemoryChangesNothing) {
  const Op moves[] = {
      {"move", [](MainDB& d) { d.SetDimension(1, 1, 0, 0, OP_MOVE); }},
      {"select all", [](MainDB& d) { d.SelectElems(); }},
      {"select by rectangle",
       [](MainDB& d) {
         addParam a{0, 0, {-1, -1, 100, 100}};
         d.SelectElems(&a, 1);
       }},
      kOps[1],
      kOps[2],
      kOps[3],
  };
  for (const Op& op : moves) {
    for (int successes : {0, 1, 3}) {
      SCOPED_TRACE(std::string(op.name) + " after " + std::to_string(successes) + " blocks");
      RecordingNotifyTarget window;
      MainDB doc(&window);
      fill(doc);
      // Enough elements that copying the drawing needs fresh blocks.
      for (int i = 0; i < 3000; ++i) {
        const gr_segment s = seg(i, 0, i, 1);
        doc.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, i % 2 ? 1 : 2);
      }
      const Snapshot before(doc);
      {
        StoreFails fails(successes);
        op.run(doc);
      }
      if (doc.GetFailure() == FGB_FAILED_NONE) continue;  // it found room enough
      EXPECT_EQ(doc.GetFailure(), FGB_FAILED_NO_MEMORY);
      before.expect_same(doc);
      // Memory back: the next operation starts with no failure.
      doc.SetDimension(1, 1, 0, 0, OP_MOVE);
      EXPECT_EQ(doc.GetFailure(), FGB_FAILED_NONE);
    }
  }
}

// An undo record next to a selection change names its elements by position
// and must link them anew when the document steps to it: without memory
// for that the step is refused, and nothing changes.
TEST(OutOfMemory, AnUndoThatCannotLinkItsStateChangesNothing) {
  RecordingNotifyTarget window;
  MainDB doc(&window);
  for (int i = 0; i < 3000; ++i) {
    const gr_segment s = seg(i, 0, i, 1);
    doc.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 1);
  }
  addParam one{0, 0, {999.5, -1, 1000.5, 2}};
  doc.SelectElems(&one, 1);
  doc.SetWidthPen(0.5);
  addParam other{0, 0, {1999.5, -1, 2000.5, 2}};
  doc.SelectElems(&other, 1);  // the record before the edit now names elements by position
  const Snapshot present(doc);
  std::vector<tag_ns_handler> held;  // every free cell, so that linking needs a new block
  {
    StoreFails fails;
    for (tag_ns_handler h = ns_create_obj(); !ns_is_null_obj(h); h = ns_create_obj()) held.push_back(h);
    window.clear();
    doc.GetUndo();
    EXPECT_EQ(doc.GetFailure(), FGB_FAILED_NO_MEMORY);
    present.expect_same(doc);
    EXPECT_EQ(doc.GetUndoFlag(), 1);
  }
  for (tag_ns_handler h : held) ns_untie_obj(h);
  doc.GetUndo();
  EXPECT_EQ(doc.GetCountElemsS(), 1);
  EXPECT_EQ(doc.GetCountElems(), 2999);
  doc.GetRedo();
  present.expect_same(doc);
}

TEST(RestoreUndo, ReturnsToTheLastSnapshotAndForgetsThePresent) {
  RecordingNotifyTarget window;
  MainDB doc(&window);
  fill(doc);
  doc.CreateUndo();  // an earlier edit's snapshot
  const gr_segment s = seg(0, 0, 1, 1);
  doc.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 1);
  const Snapshot before(doc);
  doc.CreateUndo();
  for (int i = 0; i < 50; ++i) doc.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 1);
  window.clear();
  ASSERT_TRUE(doc.RestoreUndo());
  before.expect_same(doc);
  EXPECT_EQ(doc.GetRedoFlag(), 0u);
  EXPECT_EQ(doc.GetUndoFlag(), 1);
  EXPECT_FALSE(doc.RestoreUndo());  // once only
  doc.GetRedo();                    // the forgotten state is not redone
  before.expect_same(doc);
  doc.GetUndo();  // the earlier edit still undoes
  EXPECT_EQ(doc.GetCountElems(), 1);

  // A document without a window keeps its one snapshot as the current record.
  MainDB plain;
  fill(plain);
  const Snapshot plain_before(plain);
  plain.CreateUndo();
  for (int i = 0; i < 50; ++i) plain.AddElem(FGB_SEGMENT, &s, pen(), kNoFill, 1);
  ASSERT_TRUE(plain.RestoreUndo());
  plain_before.expect_same(plain);
  // After an undo the snapshot is no longer the state before the present.
  doc.CreateUndo();
  doc.GetUndo();
  EXPECT_FALSE(doc.RestoreUndo());
}

}  // namespace
