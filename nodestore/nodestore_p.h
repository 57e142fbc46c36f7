// nodestore internals: the block tables, the two pools and the store that
// the exported ns_ functions adapt. Tests reach these through the static
// library; nothing here is exported from the shared one.
//
// Geometry (fixed: stored handles and the trace depend on it):
//   cell   24 bytes = type(2) kind(1) reserved(1) payload(16) refs(4),
//          512 to a 12 288-byte block of the object pool;
//   datum  4-byte length header + n bytes, cut from 1 024-byte blocks of the
//          data pool in size classes of 8 bytes (class c: chunk of 8c + 4
//          bytes); a datum too long for a shared block (n > 1 016) gets a
//          block of exactly n + 4 bytes that is freed with it.
// Handle to pointer is one table lookup and an add: blocks never move, so a
// pointer into a cell or datum stays good until that cell or datum is
// released or re-set.
#ifndef NODESTORE_NODESTORE_P_H
#define NODESTORE_NODESTORE_P_H

#include <nodestore/nodestore.h>

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace nodestore {

using Handle = tag_ns_handler;

inline constexpr Handle kNullHandle{-1, 0};
inline bool is_null(Handle h) noexcept { return h.block == -1; }
inline bool same(Handle a, Handle b) noexcept {
  return (a.block == -1 && b.block == -1) || (a.block == b.block && a.offset == b.offset);
}

inline constexpr uint32_t kCellSize = 24;
inline constexpr uint32_t kCellsPerBlock = 512;
inline constexpr uint32_t kObjectBlockSize = kCellSize * kCellsPerBlock;  // 12 288
inline constexpr uint32_t kDataBlockSize = 1024;
inline constexpr uint32_t kDatumHeader = 4;
// A free chunk needs its header and an 8-byte link: the smallest chunk, and
// the least tail of a block worth carving from.
inline constexpr uint32_t kMinChunk = kDatumHeader + 8;
inline constexpr int kSizeClasses = 128;
// Longest datum whose chunk (header + length rounded up to 8) fits a shared
// block: 1 016 bytes for 1 024-byte blocks.
inline constexpr int32_t kLargestSharedDatum = int32_t((kDataBlockSize - kDatumHeader) / 8 * 8);
// A count that reaches this stays there: the cell is never released again.
inline constexpr uint32_t kSaturatedCount = 0xFFFFFFFFu;
// Block table: room for one entry at first, then five more at a time.
inline constexpr uint32_t kTableFirstRoom = 1;
inline constexpr uint32_t kTableGrowth = 5;
// The pools' own blocks (cell blocks, shared data blocks) are cut from
// arenas: one allocation for many blocks instead of one each. Arenas start
// small (a store that holds a few cells takes little memory) and double up
// to a limit.
//
// An arena of kHugeArena bytes or more is aligned to and offered as large
// pages, as long as the pool's arenas stay within kHugeArenaTotal: a store
// of millions of cells otherwise takes one page fault per 4 KB, a quarter of
// the time of reading a large drawing. Past that total, arenas take small
// pages again: the system hands out large pages cheaply only from a limited
// supply of recently used memory, and obtaining hundreds of megabytes of
// them measured slower than small pages (undo snapshots of a million
// elements took twice as long).
inline constexpr size_t kFirstArena = size_t{64} << 10;
inline constexpr size_t kLargestArena = size_t{32} << 20;
inline constexpr size_t kHugeArena = size_t{2} << 20;
inline constexpr size_t kHugeArenaTotal = size_t{64} << 20;

enum Kind : uint8_t { kUnboxed = 0, kBoxed = 1, kPair = 2 };

// One cell. Handles inside the payload are two 32-bit words (block, offset),
// so the record needs 4-byte alignment only. A free slot keeps the handle of
// the next free slot in its first 8 bytes (over type, kind, reserved and
// payload[0]) and a count of 0.
struct Cell {
  uint16_t type;
  uint8_t kind;
  uint8_t reserved;     // 0, except as a stage mark while a chain is released
  uint32_t payload[4];  // unboxed: user bytes; boxed: datum handle, length; pair: first, second
  uint32_t refs;        // 0 = free slot
};
static_assert(sizeof(Cell) == kCellSize, "a cell is 24 bytes");

// memcpy of a length known only at run time, without the library call for
// the short records that most cells hold.
inline void copy_bytes(void* to, const void* from, uint32_t n) noexcept {
  auto* d = static_cast<uint8_t*>(to);
  auto* s = static_cast<const uint8_t*>(from);
  if (n >= 8 && n <= 16) {  // two 8-byte moves, overlapping when n < 16
    std::memcpy(d, s, 8);
    std::memcpy(d + n - 8, s + n - 8, 8);
  } else if (n > 16 && n <= 32) {
    std::memcpy(d, s, 16);
    std::memcpy(d + n - 16, s + n - 16, 16);
  } else {
    std::memcpy(d, s, n);
  }
}

inline Handle word_handle(const uint32_t* w) noexcept { return Handle{int32_t(w[0]), w[1]}; }
inline void set_word_handle(uint32_t* w, Handle h) noexcept {
  w[0] = uint32_t(h.block);
  w[1] = h.offset;
}
inline Handle first_of(const Cell& c) noexcept { return word_handle(c.payload); }
inline Handle second_of(const Cell& c) noexcept { return word_handle(c.payload + 2); }
inline Handle datum_of(const Cell& c) noexcept { return word_handle(c.payload); }
inline uint32_t length_of(const Cell& c) noexcept { return c.payload[2]; }

// ---------------------------------------------------------------------------
// Block table: a block's index is the block part of every handle into it.
// Entries are never removed; a freed block keeps its entry with no memory,
// and its index is not reused.
class BlockTable {
 public:
  constexpr BlockTable() noexcept = default;
  ~BlockTable();
  BlockTable(const BlockTable&) = delete;
  BlockTable& operator=(const BlockTable&) = delete;

  uint8_t* base(int32_t index) const noexcept {
    assert(index >= 0 && uint32_t(index) < count_ && entries_[index].base);
    return entries_[index].base;
  }
  // Appends a zero-filled block of `size` bytes; its index, or -1 when
  // memory is exhausted (or a test asked for a failure).
  int32_t add(uint32_t size, bool zero_fill = true) noexcept;
  // The same for a block that lives as long as the table: cut from an arena
  // (zero-filled, 16-byte aligned like any heap block).
  int32_t add_lasting(uint32_t size) noexcept;
  // Frees a block's memory; the entry stays, empty. (A lasting block's
  // memory goes back with its arena.)
  void free_block(int32_t index) noexcept;
  // Frees every block (the table keeps its entries).
  void free_all() noexcept;

  uint32_t count() const noexcept { return count_; }
  uint32_t capacity() const noexcept { return capacity_; }
  bool is_live(int32_t index) const noexcept { return entries_[index].base != nullptr; }
  uint32_t size_of(int32_t index) const noexcept { return entries_[index].size; }
  uint32_t live_blocks() const noexcept;

  // Test hook: after `successes` more successful block allocations, the next
  // `failures` fail (a negative count: all of them until called again).
  void inject_failures(int successes, int failures = 1) noexcept {
    fail_after_ = failures == 0 ? -1 : successes;
    failures_ = failures;
  }

 private:
  struct Entry {
    uint8_t* base;     // the block's memory; null once freed
    uint32_t size;     // bytes
    uint32_t lasting;  // 1: cut from an arena, not freed alone
  };
  // An arena's header, at the start of its memory.
  struct Arena {
    Arena* next;  // the arena made before
    void* raw;    // what the allocation returned (the header may lie past it)
  };
  bool should_fail() noexcept;
  bool room_for_entry() noexcept;
  uint8_t* cut_lasting(uint32_t size) noexcept;

  Entry* entries_ = nullptr;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
  int fail_after_ = -1;
  int failures_ = 0;
  Arena* arenas_ = nullptr;
  uint8_t* arena_at_ = nullptr;  // the next free byte of the newest arena
  uint8_t* arena_end_ = nullptr;
  size_t next_arena_ = kFirstArena;  // bytes of the next arena
  size_t arena_total_ = 0;           // bytes of all arenas
};

// ---------------------------------------------------------------------------
// Object pool: cell slots, a free list threaded through the free slots (last
// freed, first reused) and a carve position for slots never yet handed out.
class ObjectPool {
 public:
  constexpr ObjectPool() noexcept = default;

  Cell* at(Handle h) const noexcept { return reinterpret_cast<Cell*>(blocks_.base(h.block) + h.offset); }
  // A slot with count 1, kind unboxed, type and payload as they were; the
  // null handle when no block can be had.
  Handle take() noexcept {
    Handle h = free_head_;
    if (is_null(h)) return cut();
    Cell* c = at(h);
    std::memcpy(&free_head_, c, sizeof(Handle));
    c->kind = kUnboxed;
    c->reserved = 0;
    c->refs = 1;
    return h;
  }
  // Pushes a slot whose count has reached 0 on the free list.
  void give_back(Handle h) noexcept {
    Cell* c = at(h);
    c->refs = 0;
    std::memcpy(c, &free_head_, sizeof(Handle));
    free_head_ = h;
  }

  Handle free_head() const noexcept { return free_head_; }
  // The next slot that cutting would hand out, or null when a new block is
  // needed first.
  Handle carve_position() const noexcept {
    return carve_block_ < 0 ? kNullHandle : Handle{carve_block_, carve_offset_};
  }
  size_t free_slots() const noexcept;  // walks the free list (tests, diagnostics)
  BlockTable& blocks() noexcept { return blocks_; }
  const BlockTable& blocks() const noexcept { return blocks_; }

 private:
  Handle cut() noexcept;

  BlockTable blocks_;
  Handle free_head_ = kNullHandle;
  int32_t carve_block_ = -1;
  uint32_t carve_offset_ = 0;
};

// ---------------------------------------------------------------------------
// Data pool: exact-fit size classes of 8 bytes with one free list each (no
// searching, no merging), carved from 1 024-byte blocks that stay for the
// life of the pool; long data get blocks of their own.
class DataPool {
 public:
  constexpr DataPool() noexcept {
    for (Handle& h : heads_) h = kNullHandle;
  }

  // A datum of n bytes (n >= 1), its header holding n; null when memory is
  // exhausted.
  Handle allocate(uint32_t n) noexcept {
    if (n <= uint32_t(kLargestSharedDatum)) {
      Handle& head = heads_[size_class(n)];
      Handle d = head;
      if (!is_null(d)) {
        uint8_t* chunk = blocks_.base(d.block) + d.offset;
        std::memcpy(&head, chunk + kDatumHeader, sizeof(Handle));
        std::memcpy(chunk, &n, sizeof n);
        return d;
      }
    }
    return allocate_new(n);
  }
  // Releases a datum of n bytes (the length its cell records, equal to its
  // header, which then need not be read).
  void release(Handle d, uint32_t n) noexcept {
    if (n > uint32_t(kLargestSharedDatum))
      blocks_.free_block(d.block);
    else
      push(size_class(n), d);
  }
  void release(Handle d) noexcept { release(d, length(d)); }
  uint8_t* bytes(Handle d) const noexcept { return blocks_.base(d.block) + d.offset + kDatumHeader; }
  uint32_t length(Handle d) const noexcept;

  static int size_class(uint32_t n) noexcept { return int((n + 7) / 8); }
  Handle class_head(int c) const noexcept { return heads_[c]; }
  size_t class_length(int c) const noexcept;  // walks the list (tests)
  Handle carve_position() const noexcept {
    return carve_block_ < 0 ? kNullHandle : Handle{carve_block_, carve_offset_};
  }
  BlockTable& blocks() noexcept { return blocks_; }
  const BlockTable& blocks() const noexcept { return blocks_; }

 private:
  void push(int c, Handle chunk) noexcept {
    std::memcpy(blocks_.base(chunk.block) + chunk.offset + kDatumHeader, &heads_[c], sizeof(Handle));
    heads_[c] = chunk;
  }
  Handle allocate_new(uint32_t n) noexcept;
  void retire_carve_block() noexcept;

  BlockTable blocks_;
  Handle heads_[kSizeClasses];  // class 0 stays empty: data have at least 1 byte
  int32_t carve_block_ = -1;
  uint32_t carve_offset_ = 0;
};

// ---------------------------------------------------------------------------
// The store: both pools and the operations of the plain interface. The
// exported functions adapt one process-wide instance; tests may make their
// own to see exact handles from a fresh start.
class Store {
 public:
  constexpr Store() noexcept = default;
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  Handle create() noexcept { return objects_.take(); }
  void tie(Handle h) noexcept {
    Cell* c = objects_.at(h);
    assert(c->refs != 0 && "tie of a free cell");
    if (c->refs != kSaturatedCount) ++c->refs;
  }
  void untie(Handle h) noexcept {
    if (!drop_reference(h)) return;
    Cell* c = objects_.at(h);
    if (c->kind == kPair) {
      release_dead(h);
      return;
    }
    if (c->kind == kBoxed) data_.release(datum_of(*c), length_of(*c));
    c->kind = kUnboxed;
    objects_.give_back(h);
  }
  void set_unboxed(Handle h, ns_type type) noexcept;
  // The copy is made before the old content is released, so the source may
  // lie inside the cell's own datum or in data only the old content held.
  int set_boxed(Handle h, ns_type type, const void* data, int n) noexcept {
    Handle d = kNullHandle;
    if (n >= 1 && data) {
      d = data_.allocate(uint32_t(n));
      if (!is_null(d)) copy_bytes(data_.bytes(d), data, uint32_t(n));
    }
    release_content(h);
    if (is_null(d)) return 0;
    Cell* c = objects_.at(h);
    c->type = type;
    c->kind = kBoxed;
    set_word_handle(c->payload, d);
    c->payload[2] = uint32_t(n);
    return 1;
  }
  int set_pair(Handle target, ns_type type, Handle first, Handle second) noexcept;

  Cell* cell(Handle h) const noexcept { return objects_.at(h); }
  void* data_ptr(Handle h) const noexcept;

  ns_list_db* create_list(ns_type cell_type, ns_type end_type) noexcept;
  void destroy_list(ns_list_db* list) noexcept;
  bool list_empty(const ns_list_db* list) const noexcept { return cell(list->head)->type == list->end_type; }
  int list_head_add(ns_list_db* list, Handle element) noexcept;

  // Calls sink(std::string_view line) for each slot from 0:0 up to and
  // including the carve position (the next slot to be cut); when the last
  // block is fully cut, up to its last slot.
  template <class Sink>
  void trace(Sink&& sink) const;

  ObjectPool& objects() noexcept { return objects_; }
  const ObjectPool& objects() const noexcept { return objects_; }
  DataPool& data() noexcept { return data_; }
  const DataPool& data() const noexcept { return data_; }

 private:
  // Count - 1 on a live cell; true when that was the last reference.
  bool drop_reference(Handle h) noexcept {
    if (is_null(h)) return false;
    Cell* c = objects_.at(h);
    assert(c->refs != 0 && "untie of a free cell");
    if (c->refs == kSaturatedCount || c->refs == 0) return false;
    return --c->refs == 0;
  }
  void release_dead(Handle h) noexcept;
  void release_content(Handle h) noexcept {
    if (objects_.at(h)->kind != kUnboxed) release_held(h);
  }
  void release_held(Handle h) noexcept;
  int copy_content(Handle from, Handle to) noexcept;

  ObjectPool objects_;
  DataPool data_;
};

inline constexpr size_t kTraceLineSize = 256;
// Formats the trace line of one slot into buf (kTraceLineSize bytes,
// NUL-terminated); returns its length.
size_t format_trace_line(char* buf, Handle slot, const Cell& cell) noexcept;

template <class Sink>
void Store::trace(Sink&& sink) const {
  Handle last = objects_.carve_position();
  if (is_null(last)) {
    uint32_t n = objects_.blocks().count();
    if (n == 0) return;
    last = Handle{int32_t(n - 1), kObjectBlockSize - kCellSize};
  }
  char line[kTraceLineSize];
  for (Handle h{0, 0};;) {
    size_t len = format_trace_line(line, h, *objects_.at(h));
    sink(std::string_view(line, len));
    if (same(h, last)) break;
    h.offset += kCellSize;
    if (h.offset >= kObjectBlockSize) h = Handle{h.block + 1, 0};
  }
}

// The instance behind the exported functions.
Store& global_store() noexcept;

}  // namespace nodestore

#endif
