// Internals of the document shared by its source files.
#ifndef FGB_DB_MAIN_DB_P_H
#define FGB_DB_MAIN_DB_P_H

#include <fgb/main_db.h>

#include <cstdint>
#include <vector>

namespace fgb {
class Relocation;
struct LazyPages;
}  // namespace fgb

// One record of the undo chain.
struct UndoRecord {
  UndoRecord* newer;  // one step towards redo, or null
  UndoRecord* older;  // one step towards undo, or null
  MainDB* snapshot;   // a document made with the default constructor
  int32_t depth;      // the chain's maximum length, copied from the document
  // When not null, the snapshot's pages are these positions in the
  // neighbouring record's state, on the side of the current record (the
  // snapshot itself then holds no pages, only its counts and boxes).
  fgb::LazyPages* lazy = nullptr;
};

// One side's fields, so that code treating both sides alike names them once.
struct MainDB::Side {
  pages*& first;
  pages*& actual;
  int32_t& page_count;
  gr_cpoint& dim;
  gr_cpoint& nullp;
  gr_cpoint& centre;
  int32_t& count;
};

namespace fgb {
// The document takes over a work document's pages and frees its record.
// A work document that could not take every element (GetFailure) is
// discarded instead: the document keeps its pages, takes the failure and
// false is returned.
bool take_over(MainDB& doc, MainDB* work) noexcept;

// The add budget of an operation that starts from `selected` elements.
int64_t operation_budget(const MainDB& doc, int64_t selected) noexcept;

// The undo records' part of a selection change: the records next to the
// present state, which may name elements by their place in it, follow the
// elements to the places `moved` gives them in the state the document is
// about to take over. Plans are made first and put in place by commit;
// plans not committed are dropped, and the records stay as they were.
class UndoFollow {
 public:
  UndoFollow() = default;
  UndoFollow(const UndoFollow&) = delete;
  UndoFollow& operator=(const UndoFollow&) = delete;
  ~UndoFollow();
  // False when memory ran out.
  bool prepare(MainDB& doc, const Relocation& moved) noexcept;
  // How many references to this list of the document's commit lets go.
  int releases(const fgb_db* list) const noexcept;
  void commit() noexcept;

 private:
  UndoRecord* next_[2] = {nullptr, nullptr};
  LazyPages* plans_[2] = {nullptr, nullptr};
  std::vector<uint64_t> released_;  // head keys of the document's lists commit unties, sorted
};

// Builds the first record of a document with a window (its snapshot an
// empty document) and makes it the current record.
void start_undo_chain(MainDB& doc) noexcept;
}  // namespace fgb

#endif
