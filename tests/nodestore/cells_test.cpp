// Cells: where slots are cut, the order in which freed slots come back,
// reference counting with its saturation, and the content set functions.
// Invariants: a slot is free exactly when its count is 0; the last slot
// freed is the first reused; re-setting a cell releases its old content.
#include <climits>
#include <cstring>

#include "store_fixture.h"

namespace nodestore::test {
namespace {

using CellsTest = StoreTest;

TEST_F(CellsTest, SlotsAreCut512ToA12288ByteBlock) {
  std::vector<Handle> cells;
  for (int i = 0; i < 513; ++i) cells.push_back(s.create());
  EXPECT_EQ(str(cells[0]), "0:0");
  EXPECT_EQ(str(cells[1]), "0:24");
  EXPECT_EQ(str(cells[511]), "0:12264");
  EXPECT_EQ(str(cells[512]), "1:0");
  EXPECT_EQ(s.objects().blocks().count(), 2u);
  EXPECT_EQ(s.objects().blocks().size_of(0), 12288u);
  for (Handle h : cells) {
    EXPECT_EQ(refs(h), 1u);
    EXPECT_EQ(s.cell(h)->kind, kUnboxed);
  }
}

TEST_F(CellsTest, LastFreedIsFirstReused) {
  Handle a = s.create(), b = s.create(), c = s.create();
  s.untie(b);
  s.untie(a);
  s.untie(c);
  EXPECT_EQ(free_list(s, 10), (std::vector<std::string>{"0:48", "0:0", "0:24"}));
  EXPECT_EQ(str(s.create()), "0:48");
  EXPECT_EQ(str(s.create()), "0:0");
  EXPECT_EQ(str(s.create()), "0:24");
  EXPECT_EQ(str(s.create()), "0:72");  // free list empty: cutting goes on
}

TEST_F(CellsTest, TieAndUntieCountUntilRelease) {
  Handle h = s.create();
  s.tie(h);
  s.tie(h);
  EXPECT_EQ(refs(h), 3u);
  s.untie(h);
  s.untie(h);
  EXPECT_EQ(refs(h), 1u);
  EXPECT_TRUE(is_null(s.objects().free_head()));
  s.untie(h);
  EXPECT_EQ(refs(h), 0u);
  EXPECT_TRUE(same(s.objects().free_head(), h));
}

TEST_F(CellsTest, CountSaturatesAtLargest32BitValue) {
  struct Row {
    const char* name;
    uint32_t start;
    bool tie;
    uint32_t expected;
  } rows[] = {
      {"tie below the top reaches it", 0xFFFFFFFEu, true, 0xFFFFFFFFu},
      {"tie at the top stays", 0xFFFFFFFFu, true, 0xFFFFFFFFu},
      {"untie at the top stays", 0xFFFFFFFFu, false, 0xFFFFFFFFu},
      {"untie below the top counts down", 0xFFFFFFFEu, false, 0xFFFFFFFDu},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Handle h = s.create();
    s.cell(h)->refs = r.start;
    if (r.tie)
      s.tie(h);
    else
      s.untie(h);
    EXPECT_EQ(refs(h), r.expected);
  }
  // A saturated cell is never released, however often it is untied.
  Handle h = s.create();
  s.cell(h)->refs = kSaturatedCount;
  for (int i = 0; i < 5; ++i) s.untie(h);
  EXPECT_EQ(refs(h), kSaturatedCount);
  EXPECT_EQ(s.cell(h)->kind, kUnboxed);
}

TEST_F(CellsTest, SetUnboxedKeepsPayloadAndReleasesDatum) {
  Handle h = s.create();
  std::memcpy(s.data_ptr(h), "0123456789abcdef", 16);
  s.set_unboxed(h, 42);
  EXPECT_EQ(s.cell(h)->type, 42);
  EXPECT_EQ(std::memcmp(s.data_ptr(h), "0123456789abcdef", 16), 0);

  ASSERT_EQ(s.set_boxed(h, 5, "abcdefghij", 10), 1);
  Handle datum = datum_of(*s.cell(h));
  s.set_unboxed(h, 6);
  EXPECT_EQ(s.cell(h)->kind, kUnboxed);
  EXPECT_EQ(s.cell(h)->type, 6);
  EXPECT_TRUE(same(s.data().class_head(2), datum));  // 10 bytes: class 2
}

TEST_F(CellsTest, SetBoxedStoresACopy) {
  char src[24];
  for (int i = 0; i < 24; ++i) src[i] = char('a' + i);
  Handle h = s.create();
  ASSERT_EQ(s.set_boxed(h, 0x1234, src, 24), 1);
  src[0] = 'X';
  const Cell* c = s.cell(h);
  EXPECT_EQ(c->kind, kBoxed);
  EXPECT_EQ(c->type, 0x1234);
  EXPECT_EQ(length_of(*c), 24u);
  EXPECT_EQ(boxed_bytes(s, h), "abcdefghijklmnopqrstuvwx");
}

// The cell's recorded length decides how its datum goes back.
TEST_F(CellsTest, UntieReturnsTheDatumByItsLength) {
  struct Row {
    int n;
    bool own_block;
  } rows[] = {{1016, false}, {1017, true}, {40000, true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.n);
    Handle h = boxed(std::string(size_t(r.n), 'd'));
    Handle d = datum_of(*s.cell(h));
    EXPECT_EQ(s.data().blocks().size_of(d.block), r.own_block ? uint32_t(r.n) + 4 : 1024u);
    s.untie(h);
    EXPECT_EQ(s.data().blocks().is_live(d.block), !r.own_block);
    if (!r.own_block) {
      EXPECT_TRUE(same(s.data().class_head(127), d));
    }
  }
}

TEST_F(CellsTest, SetBoxedRefusesEmptyOrNegativeLengths) {
  const int lengths[] = {0, -1, INT_MIN};
  for (int n : lengths) {
    SCOPED_TRACE(n);
    Handle h = boxed("old content", 3);
    Handle old = datum_of(*s.cell(h));
    EXPECT_EQ(s.set_boxed(h, 4, "x", n), 0);
    EXPECT_EQ(s.cell(h)->kind, kUnboxed);
    EXPECT_EQ(s.cell(h)->type, 3);  // the type is not taken on failure
    EXPECT_TRUE(same(s.data().class_head(2), old));
    s.untie(h);
  }
  Handle h = s.create();
  EXPECT_EQ(s.set_boxed(h, 4, nullptr, 8), 0);
}

// Re-setting a cell from bytes that its old content holds must copy before
// the old datum is freed (a freed chunk's first bytes become its free link,
// and a long datum's block goes back to the heap).
TEST_F(CellsTest, SetBoxedFromItsOwnDatum) {
  for (size_t len : {size_t(40), size_t(3000)}) {
    SCOPED_TRACE(len);
    std::string text(len, '.');
    for (size_t i = 0; i < len; ++i) text[i] = char('A' + i % 26);
    Handle h = boxed(text);
    const char* inside = static_cast<const char*>(s.data_ptr(h));
    ASSERT_EQ(s.set_boxed(h, 8, inside + 2, int(len - 2)), 1);
    EXPECT_EQ(boxed_bytes(s, h), text.substr(2));
    s.untie(h);
  }
  // The bytes may also live in a cell that only the old content kept alive.
  Handle inner = boxed("kept only by the pair");
  Handle outer = pair(inner, kNullHandle);
  s.untie(inner);
  ASSERT_EQ(s.set_boxed(outer, 8, s.data_ptr(inner), 21), 1);
  EXPECT_EQ(boxed_bytes(s, outer), "kept only by the pair");
  EXPECT_EQ(refs(inner), 0u);
}

TEST_F(CellsTest, DataPointerByKind) {
  Handle u = s.create();
  EXPECT_EQ(s.data_ptr(u), static_cast<void*>(s.cell(u)->payload));
  Handle b = boxed("abc");
  EXPECT_EQ(s.data_ptr(b), static_cast<void*>(s.data().bytes(datum_of(*s.cell(b)))));
  Handle p = pair(u, b);
  EXPECT_EQ(s.data_ptr(p), nullptr);
}

// Blocks never move: a data pointer stays good across calls that reach many
// other blocks (callers were once told to take it again after 16).
TEST_F(CellsTest, DataPointerSurvivesReachingManyOtherBlocks) {
  Handle h = boxed("kept in place");
  const void* p = s.data_ptr(h);
  std::vector<Handle> others;
  for (int i = 0; i < 40; ++i) others.push_back(boxed(std::string(1000, char('a' + i % 26))));
  for (Handle o : others) s.untie(o);
  EXPECT_GE(s.data().blocks().count(), 40u);
  EXPECT_EQ(s.data_ptr(h), p);
  EXPECT_EQ(std::string(static_cast<const char*>(p), 13), "kept in place");
}

}  // namespace
}  // namespace nodestore::test
