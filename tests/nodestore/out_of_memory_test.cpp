// Out of memory: a block that cannot be had gives a null handle or 0, and
// leaves the store as it was, except where set_boxed has by then released the
// cell's old content (the cell is left empty, unboxed). Failures are made
// with the block tables' test hook.
#include "store_fixture.h"

namespace nodestore::test {
namespace {

using OutOfMemoryTest = StoreTest;

// Cuts the rest of the current object block, so that the next cell needs a
// new block; returns the cells made (count 1 each).
std::vector<Handle> fill_object_block(Store& s) {
  std::vector<Handle> made;
  while (!is_null(s.objects().free_head()) || !is_null(s.objects().carve_position()))
    made.push_back(s.create());
  return made;
}

TEST_F(OutOfMemoryTest, CreateGivesNullThenRecovers) {
  s.objects().blocks().inject_failures(0);
  EXPECT_TRUE(is_null(s.create()));
  EXPECT_EQ(s.objects().blocks().count(), 0u);
  EXPECT_EQ(str(s.create()), "0:0");  // the failure was a single one
  fill_object_block(s);
  s.objects().blocks().inject_failures(0, -1);
  EXPECT_TRUE(is_null(s.create()));
  EXPECT_TRUE(is_null(s.create()));
  s.objects().blocks().inject_failures(-1);
  EXPECT_EQ(str(s.create()), "1:0");
}

TEST_F(OutOfMemoryTest, SetBoxedLeavesTheCellEmpty) {
  Handle h = boxed("old", 3);
  Handle old = datum_of(*s.cell(h));
  s.data().blocks().inject_failures(0);
  EXPECT_EQ(s.set_boxed(h, 4, std::string(1017, 'x').data(), 1017), 0);
  EXPECT_EQ(s.cell(h)->kind, kUnboxed);
  EXPECT_EQ(s.cell(h)->type, 3);
  EXPECT_TRUE(same(s.data().class_head(1), old));  // the old datum was released
}

TEST_F(OutOfMemoryTest, FailedSelfCopyLeavesTheTargetAsItWas) {
  struct Row {
    const char* name;
    int successes;  // data blocks granted before the failure
    bool both;      // target is both components
  } rows[] = {
      {"first copy fails", 0, false},
      {"second copy fails after the first", 1, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string text(1500, 'q');
    Handle x = boxed(text, 3);
    Handle y = s.create();
    size_t cells_before = live_cells(s);
    uint32_t live_before = s.data().blocks().live_blocks();
    s.data().blocks().inject_failures(r.successes);
    EXPECT_EQ(s.set_pair(x, 9, x, r.both ? x : y), 0);
    s.data().blocks().inject_failures(-1);
    EXPECT_EQ(s.cell(x)->kind, kBoxed);
    EXPECT_EQ(s.cell(x)->type, 3);
    EXPECT_EQ(boxed_bytes(s, x), text);
    EXPECT_EQ(refs(y), 1u);
    // The fresh cells went back and so did the copy that had succeeded.
    EXPECT_EQ(live_cells(s), cells_before);
    EXPECT_EQ(s.data().blocks().live_blocks(), live_before);
    s.untie(x);
    s.untie(y);
  }
}

TEST_F(OutOfMemoryTest, NoCellForTheSelfCopy) {
  Handle x = boxed("x");
  std::vector<Handle> filler = fill_object_block(s);
  s.objects().blocks().inject_failures(0);
  EXPECT_EQ(s.set_pair(x, 9, x, kNullHandle), 0);
  EXPECT_EQ(boxed_bytes(s, x), "x");
  for (Handle h : filler) s.untie(h);
}

TEST_F(OutOfMemoryTest, ListsReportFailureAndStayUnchanged) {
  s.objects().blocks().inject_failures(0);
  EXPECT_EQ(s.create_list(1, 2), nullptr);  // nothing leaks: LeakSanitizer checks the record

  ns_list_db* list = s.create_list(1, 2);
  ASSERT_NE(list, nullptr);
  Handle e = s.create();
  std::vector<Handle> filler = fill_object_block(s);
  Handle head = list->head;
  s.objects().blocks().inject_failures(0);
  EXPECT_EQ(s.list_head_add(list, e), 0);
  EXPECT_TRUE(same(list->head, head));
  EXPECT_TRUE(s.list_empty(list));
  EXPECT_EQ(refs(e), 1u);
  for (Handle h : filler) s.untie(h);
  EXPECT_EQ(s.list_head_add(list, e), 1);
  s.destroy_list(list);
}

}  // namespace
}  // namespace nodestore::test
