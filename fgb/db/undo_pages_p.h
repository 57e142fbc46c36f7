// Undo snapshots that name their elements by position instead of holding
// page lists of their own.
//
// A selection change rebuilds every page after the first element that
// changes side, so that the pages stay filled to their limit. An undo
// snapshot that shared those pages with the document would keep the old
// lists alive: half a drawing's links for every step. Instead, a snapshot
// next to the present state may describe each of its pages as runs of
// elements of its neighbour towards the present (positions within a side of
// that state), keeping a list of its own only for a page that runs cannot
// describe. The elements themselves are shared either way.
//
// Such a "positional" snapshot is made real again (its lists linked anew,
// whole pages shared where a run covers one) when the document steps to
// it, and follows the document through a selection change by a Relocation.
#ifndef FGB_DB_UNDO_PAGES_P_H
#define FGB_DB_UNDO_PAGES_P_H

#include <fgb/main_db.h>

#include <cstdint>
#include <vector>

namespace fgb {

// Elements [start, start + n) of a side (0 main, 1 selection) of a state.
struct SeqRun {
  int32_t side;
  int32_t start;
  int32_t n;
};

// Where a document's elements went when it was rebuilt: notes, in the
// order of each side, that runs of elements of the old sides are runs of
// the new ones. An element no note covers has no place in the new state.
class Relocation {
 public:
  // Every element stays where it is (sides of n_main and n_sel elements).
  static Relocation identity(int32_t n_main, int32_t n_sel) noexcept;

  // Elements [from, from + n) of old side from_side (0 or 1) are now
  // [to, to + n) of new side to_side. Notes of one side come in increasing
  // `from`. When memory runs out the note is lost: those elements count as
  // having no place, which costs memory later, never correctness.
  void note(int from_side, int32_t from, int32_t n, int to_side, int32_t to) noexcept;

  // Appends the new places of old elements [start, start + n) of a side to
  // out, joining runs that continue each other. False when one of them has
  // no place. Throws std::bad_alloc.
  bool map(int side, int32_t start, int32_t n, std::vector<SeqRun>& out) const;

  // The new side (0 or 1) of old element pos of a side, or -1 when it has
  // no place. Asked in increasing pos; *hint starts at 0.
  int side_of(int side, int32_t pos, std::size_t* hint) const noexcept;

  // False when a note was lost.
  bool whole() const noexcept { return whole_; }

 private:
  struct Move {
    int32_t from, n, to_side, to;
  };
  std::vector<Move> moves_[2];
  bool whole_ = true;
};

// One page of a positional snapshot.
struct LazyPage {
  int32_t count;             // the page's count field
  bool known;                // page_known held for it
  PageInfo info;             // its bookkeeping (head and tail stale)
  fgb_db* own;               // a list of its own, kept as it was; or null
  std::vector<SeqRun> runs;  // else its elements, from the neighbouring state
};

struct LazyPages {
  std::vector<LazyPage> side[2];
  LazyPages() = default;
  LazyPages(const LazyPages&) = delete;
  LazyPages& operator=(const LazyPages&) = delete;
  ~LazyPages();  // destroys the lists of its own
};

// The pages of a document's sides with the position of their first
// element, to find a page by its list or by a position. Throws std::bad_alloc.
class PageIndex {
 public:
  struct Entry {
    pages* page;
    int32_t side;
    int32_t start;
    int32_t n;
  };
  explicit PageIndex(const MainDB& doc);

  // The page of this document that holds the very list `list` names.
  const Entry* find(const fgb_db* list) const noexcept;
  // A new list of the elements that runs name, linked anew (or, for one run
  // that covers one page exactly, that page's list shared). Null when the
  // store ran out of memory or a run reaches beyond its side.
  fgb_db* build(const std::vector<SeqRun>& runs) const noexcept;
  int32_t side_size(int side) const noexcept { return size_[side]; }
  // A cell's identity as one number.
  static uint64_t key(tag_ns_handler h) noexcept {
    return (static_cast<uint64_t>(static_cast<uint32_t>(h.block)) << 32) | h.offset;
  }

 private:
  std::vector<Entry> order_[2];  // each side's pages in order
  std::vector<Entry> by_list_;   // every page, sorted by its list's head
  int32_t size_[2] = {0, 0};
};

}  // namespace fgb

#endif
