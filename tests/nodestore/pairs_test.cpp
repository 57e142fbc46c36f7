// Pairs: components are tied by the pair and untied when it goes; a
// component that is the target itself becomes a copy of the target's
// present content; releasing the last reference releases everything that
// only the pair held, in the order of plain recursion (first component's
// cells, then the second's, then the pair), without recursion, so chains of
// any length release (issue 2: a million-link chain used to overflow the
// stack).
#include <map>
#include <random>

#include "store_fixture.h"

namespace nodestore::test {
namespace {

using PairsTest = StoreTest;

TEST_F(PairsTest, PairTiesItsComponents) {
  Handle a = boxed("first"), b = boxed("second");
  Handle p = pair(a, b, 77);
  EXPECT_EQ(s.cell(p)->type, 77);
  EXPECT_EQ(s.cell(p)->kind, kPair);
  EXPECT_TRUE(same(first_of(*s.cell(p)), a));
  EXPECT_TRUE(same(second_of(*s.cell(p)), b));
  EXPECT_EQ(refs(a), 2u);
  EXPECT_EQ(refs(b), 2u);
  s.untie(p);
  EXPECT_EQ(refs(a), 1u);
  EXPECT_EQ(refs(b), 1u);
}

TEST_F(PairsTest, NullComponentsAreAllowed) {
  Handle p = pair(kNullHandle, kNullHandle);
  EXPECT_TRUE(is_null(first_of(*s.cell(p))));
  EXPECT_TRUE(is_null(second_of(*s.cell(p))));
  s.untie(p);
  EXPECT_EQ(refs(p), 0u);
}

TEST_F(PairsTest, ComponentHeldOnlyByOldContentSurvives) {
  Handle a = s.create();
  Handle p = pair(a, kNullHandle);
  s.untie(a);  // p alone holds a
  ASSERT_EQ(s.set_pair(p, 9, kNullHandle, a), 1);
  EXPECT_EQ(refs(a), 1u);
  EXPECT_TRUE(same(second_of(*s.cell(p)), a));
}

TEST_F(PairsTest, TargetAsFirstBecomesACopyOfItsOldContent) {
  Handle y = s.create();
  Handle x = boxed("old x", 3);
  Handle old_datum = datum_of(*s.cell(x));
  ASSERT_EQ(s.set_pair(x, 9, x, y), 1);
  Handle copy = first_of(*s.cell(x));
  EXPECT_FALSE(same(copy, x));
  EXPECT_EQ(refs(copy), 1u);  // held by the pair alone
  EXPECT_EQ(s.cell(copy)->type, 3);
  EXPECT_EQ(boxed_bytes(s, copy), "old x");
  EXPECT_FALSE(same(datum_of(*s.cell(copy)), old_datum));
  EXPECT_EQ(refs(y), 2u);
}

TEST_F(PairsTest, TargetAsBothComponentsGivesTwoIndependentCopies) {
  Handle x = boxed("shared?", 3);
  ASSERT_EQ(s.set_pair(x, 9, x, x), 1);
  Handle a = first_of(*s.cell(x)), b = second_of(*s.cell(x));
  EXPECT_FALSE(same(a, b));
  EXPECT_EQ(boxed_bytes(s, a), "shared?");
  EXPECT_EQ(boxed_bytes(s, b), "shared?");
  static_cast<char*>(s.data_ptr(a))[0] = 'S';
  EXPECT_EQ(boxed_bytes(s, b), "shared?");
  EXPECT_EQ(refs(a), 1u);
  EXPECT_EQ(refs(b), 1u);
}

TEST_F(PairsTest, CopyOfAPairSharesItsComponents) {
  Handle a = s.create(), b = s.create();
  Handle x = pair(a, b, 4);
  s.untie(a);
  s.untie(b);
  ASSERT_EQ(s.set_pair(x, 9, x, x), 1);
  Handle c1 = first_of(*s.cell(x)), c2 = second_of(*s.cell(x));
  for (Handle c : {c1, c2}) {
    EXPECT_EQ(s.cell(c)->kind, kPair);
    EXPECT_EQ(s.cell(c)->type, 4);
    EXPECT_TRUE(same(first_of(*s.cell(c)), a));
    EXPECT_TRUE(same(second_of(*s.cell(c)), b));
  }
  EXPECT_EQ(refs(a), 2u);  // one per copy; the old content's reference went
  s.untie(x);
  EXPECT_EQ(refs(a), 0u);
  EXPECT_EQ(refs(b), 0u);
}

TEST_F(PairsTest, UnboxedCopyKeepsThePayload) {
  Handle x = s.create();
  s.set_unboxed(x, 12);
  std::memcpy(s.data_ptr(x), "sixteen bytes!!!", 16);
  ASSERT_EQ(s.set_pair(x, 9, kNullHandle, x), 1);
  Handle c = second_of(*s.cell(x));
  EXPECT_EQ(s.cell(c)->type, 12);
  EXPECT_EQ(std::memcmp(s.data_ptr(c), "sixteen bytes!!!", 16), 0);
}

// --- release order ---------------------------------------------------------

// The store's cells mirrored, released by plain recursion: the order that
// slots reach the free list.
struct Model {
  struct Node {
    bool is_pair = false;
    int first = -1, second = -1;
    int refs = 1;
  };
  std::vector<Node> nodes;
  std::vector<int> freed;
  void untie(int i) {
    if (i < 0 || --nodes[i].refs > 0) return;
    if (nodes[i].is_pair) {
      untie(nodes[i].first);
      untie(nodes[i].second);
    }
    freed.push_back(i);
  }
};

TEST_F(PairsTest, ReleaseOrderIsThatOfRecursion) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    Store local;
    Model m;
    std::vector<Handle> handles;
    // Random shared graph without cycles: pairs refer to earlier cells only.
    for (int i = 0; i < 60; ++i) {
      Handle h = local.create();
      Model::Node n;
      if (i > 0 && rng() % 3 != 0) {
        n.is_pair = true;
        auto pick = [&]() { return rng() % 4 == 0 ? -1 : int(rng() % i); };
        n.first = pick();
        n.second = pick();
        Handle f = n.first < 0 ? kNullHandle : handles[n.first];
        Handle sc = n.second < 0 ? kNullHandle : handles[n.second];
        ASSERT_EQ(local.set_pair(h, 1, f, sc), 1);
        for (int c : {n.first, n.second})
          if (c >= 0) m.nodes[c].refs++;
      } else if (rng() % 2) {
        ASSERT_EQ(local.set_boxed(h, 2, "datum", 5), 1);
      }
      handles.push_back(h);
      m.nodes.push_back(n);
    }
    // Drop the test's own references newest first; every cell must go.
    for (int i = 59; i >= 0; --i) {
      m.untie(i);
      local.untie(handles[i]);
    }
    ASSERT_EQ(m.freed.size(), 60u);
    std::vector<std::string> expected;
    for (auto it = m.freed.rbegin(); it != m.freed.rend(); ++it) expected.push_back(str(handles[*it]));
    EXPECT_EQ(free_list(local, 100), expected);
  }
}

TEST_F(PairsTest, MillionLinkChainsReleaseWithoutRecursion) {
  constexpr int kLinks = 1000000;
  struct Row {
    const char* name;
    bool through_second;  // list shape (element, next); else nested through first
  } rows[] = {{"through second", true}, {"through first", false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    size_t live_before = live_cells(s);
    Handle element = boxed("element");
    Handle chain = s.create();  // terminator
    for (int i = 0; i < kLinks; ++i) {
      Handle link = s.create();
      ASSERT_FALSE(is_null(link));
      int ok = r.through_second ? s.set_pair(link, 1, element, chain) : s.set_pair(link, 1, chain, element);
      ASSERT_EQ(ok, 1);
      s.untie(chain);
      chain = link;
    }
    EXPECT_EQ(refs(element), uint32_t(kLinks) + 1);
    s.untie(chain);
    EXPECT_EQ(refs(element), 1u);
    s.untie(element);
    EXPECT_EQ(live_cells(s), live_before);
  }
}

}  // namespace
}  // namespace nodestore::test
