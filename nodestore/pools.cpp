// Block tables and the two pools of the object store.
#include "nodestore_p.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace nodestore {

namespace {

// Blocks cut from an arena keep the alignment of heap blocks.
constexpr size_t kBlockAlign = 16;
constexpr size_t kArenaHeader = 16;

size_t round_up(size_t n, size_t to) noexcept { return (n + to - 1) / to * to; }

// Asks the system to back a range with large pages. Only advice: where it is
// not understood (or declined) the range stays as it is. This is the one
// call outside the C++ library in the store; it saves most of the page
// faults of a large store (see kHugeArena).
void offer_large_pages(void* start, size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  (void)::madvise(start, bytes, MADV_HUGEPAGE);
#else
  (void)start;
  (void)bytes;
#endif
}

// Zero-filled memory for an arena of `bytes`: what to free later, and
// through `start` where the arena begins (aligned to the large page size
// when large pages are to be offered).
void* arena_memory(size_t bytes, bool large, uint8_t*& start) noexcept {
  void* raw = std::calloc(1, large ? bytes + kHugeArena : bytes);
  if (!raw) return nullptr;
  auto at = reinterpret_cast<std::uintptr_t>(raw);
  if (large) at = round_up(at, kHugeArena);
  start = reinterpret_cast<uint8_t*>(at);
  if (large) offer_large_pages(start, bytes);
  return raw;
}

}  // namespace

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

// Room for one more entry; false when the table cannot grow.
bool BlockTable::room_for_entry() noexcept {
  if (count_ < capacity_) return true;
  // Entries are plain records: realloc may extend in place, which keeps the
  // table's small steps cheap.
  uint32_t room = capacity_ == 0 ? kTableFirstRoom : capacity_ + kTableGrowth;
  auto* grown = static_cast<Entry*>(std::realloc(entries_, size_t(room) * sizeof(Entry)));
  if (!grown) return false;
  entries_ = grown;
  capacity_ = room;
  return true;
}

int32_t BlockTable::add(uint32_t size, bool zero_fill) noexcept {
  if (should_fail() || count_ >= uint32_t(INT32_MAX) || !room_for_entry()) return -1;
  void* mem = zero_fill ? std::calloc(size, 1) : std::malloc(size);
  if (!mem) return -1;
  entries_[count_] = Entry{static_cast<uint8_t*>(mem), size, 0};
  return int32_t(count_++);
}

int32_t BlockTable::add_lasting(uint32_t size) noexcept {
  if (should_fail() || count_ >= uint32_t(INT32_MAX) || !room_for_entry()) return -1;
  uint8_t* mem = cut_lasting(size);
  if (!mem) return -1;
  entries_[count_] = Entry{mem, size, 1};
  return int32_t(count_++);
}

// The next `size` bytes of the newest arena, or of a new one when it is
// used up (the rest of the old one, less than a block, stays unused).
uint8_t* BlockTable::cut_lasting(uint32_t size) noexcept {
  const size_t need = round_up(size, kBlockAlign);
  if (size_t(arena_end_ - arena_at_) < need) {
    size_t bytes = next_arena_;
    while (bytes < need + kArenaHeader) bytes *= 2;
    uint8_t* start = nullptr;
    const bool large = bytes >= kHugeArena && arena_total_ + bytes <= kHugeArenaTotal;
    void* raw = arena_memory(bytes, large, start);
    if (!raw) return nullptr;
    arena_total_ += bytes;
    arenas_ = new (start) Arena{arenas_, raw};
    arena_at_ = start + kArenaHeader;
    arena_end_ = start + bytes;
    if (next_arena_ < kLargestArena) next_arena_ *= 2;
  }
  uint8_t* block = arena_at_;
  arena_at_ += need;
  return block;
}

void BlockTable::free_block(int32_t index) noexcept {
  if (!entries_[index].lasting) std::free(entries_[index].base);
  entries_[index].base = nullptr;
}

void BlockTable::free_all() noexcept {
  for (uint32_t i = 0; i < count_; ++i) free_block(int32_t(i));
  while (arenas_) {
    Arena* a = arenas_;
    arenas_ = a->next;
    std::free(a->raw);
  }
  arena_at_ = arena_end_ = nullptr;
  next_arena_ = kFirstArena;
  arena_total_ = 0;
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
    int32_t b = blocks_.add_lasting(kObjectBlockSize);
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
      int32_t b = blocks_.add_lasting(kDataBlockSize);
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
