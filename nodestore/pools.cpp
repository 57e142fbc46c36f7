// Block tables and the two pools of the object store.
#include "nodestore/nodestore_p.h"

#include <cstdlib>
#include <cstring>

namespace nodestore {

// ===========================================================================
// Block table

BlockTable::~BlockTable() {
  free_all();
  std::free(entries_);
}

bool BlockTable::should_fail() noexcept {
  if (fail_after_ < 0) return false;
  if (fail_after_ > 0) {
    --fail_after_;
    return false;
  }
  if (failures_ > 0 && --failures_ == 0) fail_after_ = -1;
  return true;
}

int32_t BlockTable::add(uint32_t size, bool zero_fill) noexcept {
  if (should_fail() || count_ >= uint32_t(INT32_MAX)) return -1;
  if (count_ == capacity_) {
    // Entries are plain records: realloc may extend in place, which keeps the
    // table's small steps cheap.
    uint32_t room = capacity_ == 0 ? kTableFirstRoom : capacity_ + kTableGrowth;
    auto* grown = static_cast<Entry*>(std::realloc(entries_, size_t(room) * sizeof(Entry)));
    if (!grown) return -1;
    entries_ = grown;
    capacity_ = room;
  }
  void* mem = zero_fill ? std::calloc(size, 1) : std::malloc(size);
  if (!mem) return -1;
  entries_[count_] = Entry{static_cast<uint8_t*>(mem), size};
  return int32_t(count_++);
}

void BlockTable::free_block(int32_t index) noexcept {
  std::free(entries_[index].base);
  entries_[index].base = nullptr;
}

void BlockTable::free_all() noexcept {
  for (uint32_t i = 0; i < count_; ++i) free_block(int32_t(i));
}

uint32_t BlockTable::live_blocks() const noexcept {
  uint32_t n = 0;
  for (uint32_t i = 0; i < count_; ++i) n += entries_[i].base != nullptr;
  return n;
}

// ===========================================================================
// Object pool

static Handle next_free(const Cell* c) noexcept {
  Handle h;
  std::memcpy(&h, c, sizeof h);
  return h;
}

// The free list is empty: hand out the slot at the carve position (the same
// as putting it on the empty list and popping it again).
Handle ObjectPool::cut() noexcept {
  if (carve_block_ < 0) {
    int32_t b = blocks_.add(kObjectBlockSize);
    if (b < 0) return kNullHandle;
    carve_block_ = b;
    carve_offset_ = 0;
  }
  Handle h{carve_block_, carve_offset_};
  carve_offset_ += kCellSize;
  if (carve_offset_ >= kObjectBlockSize) carve_block_ = -1;
  Cell* c = at(h);
  c->kind = kUnboxed;
  c->reserved = 0;
  c->refs = 1;
  return h;
}

size_t ObjectPool::free_slots() const noexcept {
  size_t n = 0;
  for (Handle h = free_head_; !is_null(h); h = next_free(at(h))) ++n;
  return n;
}

// ===========================================================================
// Data pool

static Handle chunk_link(const uint8_t* chunk) noexcept {
  Handle h;
  std::memcpy(&h, chunk + kDatumHeader, sizeof h);
  return h;
}

uint32_t DataPool::length(Handle d) const noexcept {
  uint32_t n;
  std::memcpy(&n, blocks_.base(d.block) + d.offset, sizeof n);
  return n;
}

// The rest of the carve block, from the carve offset, becomes one free chunk
// of the largest class that fits it; the block is carved no further.
void DataPool::retire_carve_block() noexcept {
  if (carve_block_ < 0) return;
  uint32_t tail = kDataBlockSize - carve_offset_;
  push(int((tail - kDatumHeader) / 8), Handle{carve_block_, carve_offset_});
  carve_block_ = -1;
}

// The class list is empty (or the datum is long): cut a chunk from the carve
// block, or give the datum a block of its own.
Handle DataPool::allocate_new(uint32_t n) noexcept {
  assert(n >= 1);
  Handle d;
  if (n <= uint32_t(kLargestSharedDatum)) {
    uint32_t chunk = 8 * uint32_t(size_class(n)) + kDatumHeader;
    // A chunk that would end exactly at the block's end is not cut from it.
    if (carve_block_ < 0 || carve_offset_ + chunk >= kDataBlockSize) {
      retire_carve_block();
      int32_t b = blocks_.add(kDataBlockSize);
      if (b < 0) return kNullHandle;
      carve_block_ = b;
      carve_offset_ = 0;
    }
    d = Handle{carve_block_, carve_offset_};
    carve_offset_ += chunk;
    if (carve_offset_ + kMinChunk > kDataBlockSize) carve_block_ = -1;
  } else {
    retire_carve_block();
    // Every byte of a block of its own is written at once: no zero fill.
    int32_t b = blocks_.add(n + kDatumHeader, false);
    if (b < 0) return kNullHandle;
    d = Handle{b, 0};
  }
  std::memcpy(blocks_.base(d.block) + d.offset, &n, sizeof n);
  return d;
}

size_t DataPool::class_length(int c) const noexcept {
  size_t n = 0;
  for (Handle h = heads_[c]; !is_null(h); h = chunk_link(blocks_.base(h.block) + h.offset)) ++n;
  return n;
}

}  // namespace nodestore
