// The exported functions over the process-wide store. Other tests of this
// program use the same store, so every check is relative to the state found.
#include <cstring>
#include <string>

#include "store_fixture.h"

namespace nodestore::test {
namespace {

TEST(Api, RoundTripThroughThePlainInterface) {
  tag_ns_handler a = ns_create_obj();
  ASSERT_FALSE(ns_is_null_obj(a));
  ASSERT_EQ(ns_set_boxed_obj(a, 0x0A0B, "hello", 5), 1);
  EXPECT_EQ(ns_get_obj_type(a), 0x0A0B);
  EXPECT_EQ(ns_get_boxed_obj_size(a), 5);
  EXPECT_EQ(std::memcmp(ns_get_obj_data_ptr(a), "hello", 5), 0);

  tag_ns_handler p = ns_create_obj();
  ASSERT_EQ(ns_set_pair_obj(p, 3, a, ns_null_obj()), 1);
  EXPECT_TRUE(ns_same_obj(ns_get_first_obj(p), a));
  EXPECT_TRUE(ns_is_null_obj(ns_get_second_obj(p)));
  EXPECT_EQ(ns_get_obj_data_ptr(p), nullptr);
  EXPECT_EQ(ns_get_boxed_obj_size(p), 0);

  ns_list_db* list = ns_create_list_db(1, 2);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(ns_is_empty_list_db(list));
  ASSERT_EQ(ns_head_list_db_add(list, p), 1);
  EXPECT_FALSE(ns_is_empty_list_db(list));
  ns_untie_obj(p);
  ns_untie_obj(a);
  EXPECT_EQ(global_store().cell(a)->refs, 1u);  // held by p, held by the list
  ns_destroy_list_db(list);
  EXPECT_EQ(global_store().cell(a)->refs, 0u);
}

TEST(Api, TypeEquality) {
  EXPECT_EQ(ns_type_eq(0x1234, 0x1234), 1);
  EXPECT_EQ(ns_type_eq(0x1234, 0x1235), 0);
  EXPECT_EQ(ns_type_eq(0x1234, 0x3412), 0);
}

TEST(Api, NullHandlesAndListsAreHarmless) {
  tag_ns_handler n = ns_null_obj();
  ns_tie_obj(n);
  ns_untie_obj(n);
  ns_set_unboxed_obj_NULL(n, 1);
  EXPECT_EQ(ns_set_boxed_obj(n, 1, "x", 1), 0);
  EXPECT_EQ(ns_set_pair_obj(n, 1, n, n), 0);
  EXPECT_EQ(ns_get_obj_type(n), 0);
  EXPECT_EQ(ns_get_boxed_obj_size(n), 0);
  EXPECT_TRUE(ns_is_null_obj(ns_get_first_obj(n)));
  EXPECT_EQ(ns_get_obj_data_ptr(n), nullptr);
  EXPECT_EQ(ns_head_list_db_add(nullptr, n), 0);
  ns_destroy_list_db(nullptr);
  EXPECT_TRUE(ns_same_obj(n, tag_ns_handler{-1, 99}));
}

TEST(Api, OutOfMemoryResults) {
  Store& g = global_store();
  tag_ns_handler h = ns_create_obj();
  g.data().blocks().inject_failures(0);
  std::string big(5000, 'b');
  EXPECT_EQ(ns_set_boxed_obj(h, 1, big.data(), 5000), 0);  // a long datum always needs a block
  EXPECT_EQ(ns_get_boxed_obj_size(h), 0);
  ns_untie_obj(h);

  // Take every free and uncut slot, then let the next block fail.
  std::vector<tag_ns_handler> taken;
  while (!is_null(g.objects().free_head()) || !is_null(g.objects().carve_position()))
    taken.push_back(ns_create_obj());
  g.objects().blocks().inject_failures(0, -1);
  EXPECT_TRUE(ns_is_null_obj(ns_create_obj()));
  EXPECT_EQ(ns_create_list_db(1, 2), nullptr);
  g.objects().blocks().inject_failures(-1);
  for (tag_ns_handler t : taken) ns_untie_obj(t);
}

}  // namespace
}  // namespace nodestore::test
