// The data pool: size classes of 8 bytes cut from 1 024-byte blocks, the
// 1 016-byte limit of a shared block, long data in blocks of their own, and
// how the tail of a carve block is kept when carving moves on.
// Invariants: a datum of n <= 1 016 bytes takes a chunk of 8*ceil(n/8) + 4
// bytes and returns to the head of its class list; a longer one takes a
// block of exactly n + 4 bytes whose memory is freed with it while its
// table entry (and index) stays.
#include <string>

#include "store_fixture.h"

namespace nodestore::test {
namespace {

class DataPoolTest : public ::testing::Test {
 protected:
  DataPool pool;
  Handle take(uint32_t n) {
    Handle d = pool.allocate(n);
    EXPECT_FALSE(is_null(d));
    return d;
  }
};

TEST_F(DataPoolTest, ClassAndBlockOfEachLength) {
  struct Row {
    uint32_t n;
    int size_class;        // 0: a block of its own
    uint32_t block_bytes;  // size of the block the datum lies in
  } rows[] = {
      {1, 1, 1024},      {8, 1, 1024},    {9, 2, 1024},    {24, 3, 1024},     {1015, 127, 1024},
      {1016, 127, 1024}, {1017, 0, 1021}, {1024, 0, 1028}, {70000, 0, 70004},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.n);
    DataPool p;
    Handle d = p.allocate(r.n);
    ASSERT_FALSE(is_null(d));
    EXPECT_EQ(p.length(d), r.n);
    EXPECT_EQ(p.blocks().size_of(d.block), r.block_bytes);
    EXPECT_EQ(d.offset, 0u);
    uint32_t blocks = p.blocks().count();
    p.release(d);
    EXPECT_EQ(p.blocks().count(), blocks);  // entries are never removed
    if (r.size_class) {
      EXPECT_TRUE(same(p.class_head(r.size_class), d));
      EXPECT_TRUE(p.blocks().is_live(d.block));
    } else {
      EXPECT_FALSE(p.blocks().is_live(d.block));
    }
  }
}

TEST_F(DataPoolTest, ChunksAreCutOneAfterAnother) {
  EXPECT_EQ(str(take(1)), "0:0");     // 12-byte chunk
  EXPECT_EQ(str(take(24)), "0:12");   // 28-byte chunk
  EXPECT_EQ(str(take(100)), "0:40");  // 108-byte chunk
  EXPECT_EQ(str(pool.carve_position()), "0:148");
}

TEST_F(DataPoolTest, FreedChunksComeBackLastFirst) {
  Handle a = take(20), b = take(17), c = take(24);
  pool.release(a);
  pool.release(c);
  pool.release(b);
  EXPECT_EQ(pool.class_length(3), 3u);
  EXPECT_TRUE(same(take(21), b));
  EXPECT_TRUE(same(take(22), c));
  EXPECT_TRUE(same(take(23), a));
  EXPECT_EQ(pool.class_length(3), 0u);
}

TEST_F(DataPoolTest, Largest1016ByteDatumSharesABlock) {
  Handle d = take(1016);  // 1 020-byte chunk at 0:0
  EXPECT_EQ(str(d), "0:0");
  // Four bytes left, too few for any chunk: carving starts a new block.
  EXPECT_TRUE(is_null(pool.carve_position()));
  EXPECT_EQ(str(take(1)), "1:0");
}

TEST_F(DataPoolTest, ChunkEndingExactlyAtTheBlockEndStartsANewBlock) {
  take(1000);  // 1 004 bytes: 20 remain
  EXPECT_EQ(str(pool.carve_position()), "0:1004");
  // 16 bytes need a 20-byte chunk that would end exactly at 1 024: the tail
  // becomes a free chunk of class 2 and the datum comes from a new block.
  EXPECT_EQ(str(take(16)), "1:0");
  EXPECT_EQ(str(pool.class_head(2)), "0:1004");
  EXPECT_EQ(str(take(16)), "0:1004");
}

TEST_F(DataPoolTest, TailGoesToTheLargestClassThatFits) {
  struct Row {
    uint32_t first;  // datum that leaves the tail
    uint32_t next;   // datum that does not fit the tail
    int tail_class;
  } rows[] = {
      {1, 1016, 126},  // tail 1 012 bytes from offset 12
      {992, 40, 3},    // tail 28 bytes from offset 996: exactly class 3
      {984, 40, 4},    // tail 36 from 988
      {976, 48, 5},    // tail 44 from 980
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.first);
    DataPool p;
    ASSERT_FALSE(is_null(p.allocate(r.first)));
    Handle tail = p.carve_position();
    ASSERT_FALSE(is_null(tail));
    Handle d = p.allocate(r.next);
    EXPECT_EQ(d.block, 1);
    EXPECT_TRUE(same(p.class_head(r.tail_class), tail));
    EXPECT_EQ(p.class_length(r.tail_class), 1u);
  }
}

TEST_F(DataPoolTest, LongDatumRetiresTheCarveBlock) {
  take(8);  // 0:0, carving at 0:12
  Handle big = take(2000);
  EXPECT_EQ(str(big), "1:0");
  EXPECT_EQ(str(pool.class_head(126)), "0:12");  // 1 012-byte tail
  EXPECT_TRUE(is_null(pool.carve_position()));
  EXPECT_EQ(str(take(8)), "2:0");
}

TEST_F(DataPoolTest, FreedLongDatumIndexIsNotReused) {
  Handle a = take(1017);
  pool.release(a);
  Handle b = take(1017);
  EXPECT_NE(a.block, b.block);
  EXPECT_FALSE(pool.blocks().is_live(a.block));
  EXPECT_TRUE(pool.blocks().is_live(b.block));
  EXPECT_EQ(pool.blocks().live_blocks(), 1u);
}

TEST_F(DataPoolTest, BlockTableGrowsFromOneEntryByFive) {
  EXPECT_EQ(pool.blocks().capacity(), 0u);
  take(2000);
  EXPECT_EQ(pool.blocks().capacity(), 1u);
  take(2000);
  EXPECT_EQ(pool.blocks().capacity(), 6u);
  for (int i = 0; i < 5; ++i) take(2000);
  EXPECT_EQ(pool.blocks().count(), 7u);
  EXPECT_EQ(pool.blocks().capacity(), 11u);
}

}  // namespace
}  // namespace nodestore::test
