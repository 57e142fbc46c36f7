// Shared helpers of the object-store tests: a private store per test (exact
// handles from a fresh start) and small readers of its cells.
#ifndef TESTS_NODESTORE_STORE_FIXTURE_H
#define TESTS_NODESTORE_STORE_FIXTURE_H

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "nodestore_p.h"

namespace nodestore::test {

inline Handle H(int32_t block, uint32_t offset) { return Handle{block, offset}; }

inline std::string str(Handle h) { return std::to_string(h.block) + ":" + std::to_string(h.offset); }

// Boxed bytes of a cell as a string.
inline std::string boxed_bytes(const Store& s, Handle h) {
  const Cell* c = s.cell(h);
  return std::string(static_cast<const char*>(s.data_ptr(h)), length_of(*c));
}

// The free list of the object pool from its head (last freed first).
inline std::vector<std::string> free_list(const Store& s, size_t limit) {
  std::vector<std::string> out;
  for (Handle h = s.objects().free_head(); !is_null(h) && out.size() < limit;) {
    out.push_back(str(h));
    Handle next;
    std::memcpy(&next, s.cell(h), sizeof next);
    h = next;
  }
  return out;
}

// Cells with a count above 0 (uncut slots are zero-filled, so count as free).
inline size_t live_cells(const Store& s) {
  size_t n = 0;
  for (uint32_t b = 0; b < s.objects().blocks().count(); ++b)
    for (uint32_t off = 0; off < kObjectBlockSize; off += kCellSize)
      n += s.cell(H(int32_t(b), off))->refs != 0;
  return n;
}

class StoreTest : public ::testing::Test {
 protected:
  // Heap-held: a store owns the 1 KB of class heads and must not move.
  std::unique_ptr<Store> store_ = std::make_unique<Store>();
  Store& s = *store_;

  Handle boxed(const std::string& bytes, ns_type type = 7) {
    Handle h = s.create();
    EXPECT_EQ(s.set_boxed(h, type, bytes.data(), int(bytes.size())), 1);
    return h;
  }
  Handle pair(Handle a, Handle b, ns_type type = 9) {
    Handle h = s.create();
    EXPECT_EQ(s.set_pair(h, type, a, b), 1);
    return h;
  }
  uint32_t refs(Handle h) const { return s.cell(h)->refs; }
};

}  // namespace nodestore::test

#endif
