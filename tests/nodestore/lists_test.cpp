// List databases: a chain of (element, next) pairs ending in the unboxed
// terminator. Invariants: the list holds one reference to each element it
// lists; empty means the head is of the end type; destroying the list
// releases every link and the terminator and gives the elements their
// references back.
#include "store_fixture.h"

namespace nodestore::test {
namespace {

using ListsTest = StoreTest;

constexpr ns_type kLink = 0x0101, kEnd = 0x0202;

TEST_F(ListsTest, NewListIsEmptyAndHeadIsTheTerminator) {
  ns_list_db* list = s.create_list(kLink, kEnd);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(s.list_empty(list));
  EXPECT_TRUE(same(list->head, list->terminator));
  EXPECT_EQ(s.cell(list->terminator)->type, kEnd);
  EXPECT_EQ(s.cell(list->terminator)->kind, kUnboxed);
  EXPECT_EQ(list->cell_type, kLink);
  EXPECT_EQ(list->end_type, kEnd);
  s.destroy_list(list);
}

TEST_F(ListsTest, HeadAddPutsNewestFirstAndTakesOneReference) {
  ns_list_db* list = s.create_list(kLink, kEnd);
  Handle a = boxed("a"), b = boxed("b"), c = boxed("c");
  for (Handle e : {a, b, c}) ASSERT_EQ(s.list_head_add(list, e), 1);
  EXPECT_FALSE(s.list_empty(list));
  std::vector<std::string> walked;
  Handle h = list->head;
  for (; s.cell(h)->type == kLink; h = second_of(*s.cell(h)))
    walked.push_back(boxed_bytes(s, first_of(*s.cell(h))));
  EXPECT_EQ(walked, (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_TRUE(same(h, list->terminator));
  for (Handle e : {a, b, c}) EXPECT_EQ(refs(e), 2u);
  // Each link is held once: by the list (head) or by the link before it.
  for (h = list->head; s.cell(h)->type == kLink; h = second_of(*s.cell(h))) EXPECT_EQ(refs(h), 1u);
  EXPECT_EQ(refs(list->terminator), 1u);
  s.destroy_list(list);
  for (Handle e : {a, b, c}) EXPECT_EQ(refs(e), 1u);
}

TEST_F(ListsTest, DestroyGivesEverySlotBack) {
  Handle e = s.create();
  ns_list_db* list = s.create_list(kLink, kEnd);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(s.list_head_add(list, e), 1);
  EXPECT_EQ(refs(e), 1001u);
  EXPECT_EQ(s.objects().free_slots(), 0u);
  s.destroy_list(list);
  EXPECT_EQ(refs(e), 1u);
  s.untie(e);
  EXPECT_EQ(s.objects().free_slots(), 1002u);  // element, terminator, 1 000 links
}

TEST_F(ListsTest, SameElementMayBeListedTwice) {
  ns_list_db* list = s.create_list(kLink, kEnd);
  Handle e = boxed("twice");
  ASSERT_EQ(s.list_head_add(list, e), 1);
  ASSERT_EQ(s.list_head_add(list, e), 1);
  EXPECT_EQ(refs(e), 3u);
  s.destroy_list(list);
  EXPECT_EQ(refs(e), 1u);
}

}  // namespace
}  // namespace nodestore::test
