// Block tables: the pools' own blocks are cut from shared arenas, blocks of
// their own are allocated and freed alone; either way every block has its
// table entry, its index in order, its size, zero-filled memory and the
// alignment of a heap block.
// Invariants: indices count up from 0 whatever the kind of block; lasting
// blocks never overlap one another or any other block; freeing a block of
// its own leaves its entry; free_all empties every entry and the table can
// be filled again.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "store_fixture.h"

namespace nodestore::test {
namespace {

bool all_zero(const uint8_t* p, uint32_t n) {
  return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}

TEST(BlockTableTest, LastingAndOwnBlocksKeepEveryRuleOfABlock) {
  BlockTable t;
  struct Made {
    int32_t index;
    uint32_t size;
    bool lasting;
  };
  std::vector<Made> made;
  // Enough cell-sized blocks to go through several arenas, past the first
  // one offered as large pages; data-sized ones and blocks of their own in
  // between.
  for (int i = 0; i < 700; ++i) {
    const bool own = i % 50 == 7;
    const uint32_t size = own ? 1021u + uint32_t(i) : (i % 3 ? kObjectBlockSize : kDataBlockSize);
    const int32_t b = own ? t.add(size) : t.add_lasting(size);
    ASSERT_EQ(b, int32_t(made.size()));
    made.push_back({b, size, !own});
  }
  std::vector<std::pair<uintptr_t, uintptr_t>> spans;
  for (const Made& m : made) {
    SCOPED_TRACE(m.index);
    ASSERT_TRUE(t.is_live(m.index));
    EXPECT_EQ(t.size_of(m.index), m.size);
    uint8_t* base = t.base(m.index);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(base) % 16, 0u);
    EXPECT_TRUE(all_zero(base, m.size));
    std::fill(base, base + m.size, uint8_t(0xA5));  // the whole block is ours to write
    spans.emplace_back(reinterpret_cast<uintptr_t>(base), reinterpret_cast<uintptr_t>(base) + m.size);
  }
  std::sort(spans.begin(), spans.end());
  for (size_t i = 1; i < spans.size(); ++i) EXPECT_LE(spans[i - 1].second, spans[i].first);

  // A block of its own is freed alone; its entry stays.
  const int32_t own = made[7].index;
  t.free_block(own);
  EXPECT_FALSE(t.is_live(own));
  EXPECT_EQ(t.count(), made.size());
  EXPECT_EQ(t.live_blocks(), made.size() - 1);

  t.free_all();
  EXPECT_EQ(t.live_blocks(), 0u);
  EXPECT_EQ(t.count(), made.size());
  // Filled again after all went: new indices, fresh zero-filled memory.
  const int32_t again = t.add_lasting(kObjectBlockSize);
  EXPECT_EQ(again, int32_t(made.size()));
  EXPECT_TRUE(all_zero(t.base(again), kObjectBlockSize));
}

TEST(BlockTableTest, AFailedLastingBlockTakesNoIndex) {
  BlockTable t;
  t.inject_failures(1);
  EXPECT_EQ(t.add_lasting(kDataBlockSize), 0);
  EXPECT_EQ(t.add_lasting(kDataBlockSize), -1);
  EXPECT_EQ(t.add_lasting(kDataBlockSize), 1);
  EXPECT_EQ(t.count(), 2u);
}

}  // namespace
}  // namespace nodestore::test
