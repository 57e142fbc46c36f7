// Undo and redo: a doubly linked chain of at most `depth` (10) records, each
// holding a whole-document snapshot.
//
// The document's current record sits at the newest end of what undo can
// reach: older records hold the states undo restores, newer ones the states
// redo restores. The current record's snapshot stands for the present
// state; undo and redo hand pages between the document and the snapshots by
// pointer (CopyInfo), never copying elements. Only CreateUndo copies.
//
// Page ownership. Every MainDB has an owns-pages flag. The invariant:
//
//   (I1) the document owns the pages it uses (flag 1);
//   (I2) a snapshot whose flag is 1 owns its pages alone: no document and
//        no other snapshot names them;
//   (I3) a snapshot whose flag is 0 is a mere view (only ever the current
//        record's): its page pointers are never read and never destroyed,
//        only overwritten. They may name the document's pages or pages the
//        document has since destroyed (an operation, a selection change).
//
// Each step keeps it:
//   - a new record's snapshot is a deep copy (CopyAll): flag 1, pages its own;
//   - leaving the current record (GetUndo, GetRedo) first makes its snapshot
//     take the document's present pages and set its flag to 1; the pages it
//     owned before, if any, are destroyed. The document is about to drop its
//     pointers to those pages, so (I2) holds;
//   - entering a record, the document takes its snapshot's pages (it owned
//     its previous ones, now handed over as above) and the snapshot turns
//     into a view (flag 0): (I1) and (I3);
//   - discarding or recycling a record destroys its snapshot's pages only if
//     its flag is 1, which by (I2) nobody else uses;
//   - DeleteHeads releases each record the same way; the current record's
//     view leaves the document's pages alone.
// Pages are thus destroyed exactly once, by their one owner, and a page
// pointer that may be stale (a view's) is never followed.
//
// Records by position (db/undo_pages_p.h). A record other than the current
// one may hold no pages at all and name its elements by position in the
// state of its neighbour towards the current record; its counts and boxes
// stay in its snapshot. Such a record depends on that neighbour's state
// alone, so each change keeps every dependency whole:
//   - CreateUndo: the new record freezes the present state, which the
//     record before it named; that record then names by position the pages
//     it shares with the new one;
//   - a step to a record links its pages anew from the present ones (whole
//     pages are shared), and the record left names the pages it shares
//     with the new present state by position;
//   - a selection change moves the positions of the records next to the
//     current one along with the elements (UndoFollow);
//   - any other change to the document's pages first gives those records
//     lists of their own again (settle, from destroy_side and CopyInfo).
// The chain never holds a list only so that a later record can name it:
// after a selection change the old pages go at once.
//
// Unlike a view refreshed only when undo leaves the newest record, leaving
// any current record refreshes it: after undo, a selection change (which
// takes no snapshot and destroys the pages the view named) and a second
// undo, a later redo returns to the pages as the document last had them,
// not to destroyed ones.
#include <fgb/main_db.h>

#include "db/main_db_p.h"
#include "db/pages_p.h"
#include "db/undo_pages_p.h"

#include <algorithm>
#include <memory>
#include <new>

struct UndoChain {
  // A record with an empty snapshot, both links null; null when the depth
  // is too small for a chain or memory is exhausted.
  static UndoRecord* make(int32_t depth) noexcept {
    if (depth <= 3) return nullptr;
    auto* r = new (std::nothrow) UndoRecord{nullptr, nullptr, nullptr, depth};
    if (!r) return nullptr;
    r->snapshot = new (std::nothrow) MainDB();
    if (!r->snapshot) {
      delete r;
      return nullptr;
    }
    return r;
  }

  // Frees a record and its snapshot; the snapshot's pages go with it only
  // when it owns them.
  static void release(UndoRecord* r) noexcept {
    delete r->lazy;
    r->lazy = nullptr;
    if (r->snapshot) {
      if (r->snapshot->owns_pages_ == 1) r->snapshot->DestroyInfo();
      r->snapshot->owns_pages_ = 0;
      delete r->snapshot;
    }
    delete r;
  }

  // Frees every record newer than r.
  static void release_newer(UndoRecord* r) noexcept {
    for (UndoRecord* n = r->newer; n;) {
      UndoRecord* next = n->newer;
      release(n);
      n = next;
    }
    r->newer = nullptr;
  }

  // The document leaves record r: r's snapshot keeps the present pages.
  static void leave(MainDB& doc, UndoRecord* r) noexcept {
    MainDB* s = r->snapshot;
    if (s->owns_pages_ == 1) s->DestroyInfo();
    s->CopyInfo(&doc);
    s->owns_pages_ = 1;
  }

  // The document takes record r's pages; r's snapshot becomes a view.
  static void enter(MainDB& doc, UndoRecord* r) noexcept {
    doc.CopyInfo(r->snapshot);
    r->snapshot->owns_pages_ = 0;
  }

  static void start(MainDB& doc) noexcept { doc.undo_current_ = make(doc.undo_depth_); }
  static UndoRecord* current(const MainDB& doc) noexcept { return doc.undo_current_; }

  static void create_undo(MainDB& doc) noexcept {
    // A new operation begins: its failure, if any, is still to come.
    doc.failure_ = FGB_FAILED_NONE;
    doc.restorable_ = false;
    doc.undo_ = 1;
    doc.PostNotify(WM_DB_UNDOSTATE, DB_UNDO_POSSIBLE);
    UndoRecord* cur = doc.undo_current_;
    if (!cur) {
      // A document without a chain starts one whose current record is a
      // deep copy (it owns its pages).
      UndoRecord* r = make(doc.undo_depth_);
      if (!r) return;
      r->snapshot->CopyAll(&doc);
      doc.undo_current_ = r;
      doc.restorable_ = r->snapshot->failure_ == FGB_FAILED_NONE;
      return;
    }
    // Redo is no longer possible.
    release_newer(cur);

    // Find the oldest record, counting steps from the current one.
    UndoRecord* oldest = cur;
    int32_t j = 0;
    while (oldest->older && j < cur->depth) {
      oldest = oldest->older;
      ++j;
    }
    UndoRecord* rec;
    if (j + 1 >= cur->depth && oldest != cur) {
      // The chain is full: recycle the oldest record for the new snapshot.
      oldest->newer->older = nullptr;
      rec = oldest;
      delete rec->lazy;
      rec->lazy = nullptr;
      if (rec->snapshot->owns_pages_ == 1) rec->snapshot->DestroyInfo();
      rec->snapshot->Create();
      rec->snapshot->CopyAll(&doc);
    } else {
      rec = make(cur->depth);
      if (!rec) {
        // No record for this step: what follows changes the document, so
        // the records next to it must not name its elements by position.
        settle(doc);
        return;
      }
      rec->snapshot->CopyAll(&doc);
    }
    // The newest snapshot sits directly older than the current record.
    rec->older = cur->older;
    if (rec->older) rec->older->newer = rec;
    rec->newer = cur;
    cur->older = rec;
    doc.restorable_ = rec->snapshot->failure_ == FGB_FAILED_NONE;
    // The snapshot before it shares most pages with the new one: it names
    // those by position, so that it does not keep them once the new one
    // (or the document) lets them go.
    if (rec->older) by_position(rec->older, doc);
  }

  // Back to the snapshot the last CreateUndo took, the present state
  // forgotten. A chain of the document's own keeps that snapshot directly
  // older than the current record; a document without a window keeps it as
  // its current record (a deep copy, see create_undo).
  static bool restore(MainDB& doc) noexcept {
    UndoRecord* cur = doc.undo_current_;
    if (!doc.restorable_ || !cur) return false;
    doc.restorable_ = false;
    if (UndoRecord* rec = cur->older) {
      if (!step(doc, cur, rec)) return false;
      release_newer(rec);  // with it the pages the document had
      doc.redo_ = 0;
      doc.PostNotify(WM_DB_UNDOSTATE, DB_REDO_IMPOSSIBLE);
      if (!rec->older) {
        doc.undo_ = 0;
        doc.PostNotify(WM_DB_UNDOSTATE, DB_UNDO_IMPOSSIBLE);
      }
      return true;
    }
    MainDB* s = cur->snapshot;
    if (s->owns_pages_ != 1) return false;
    doc.undo_busy_ = true;
    doc.DestroyInfo();
    doc.CopyInfo(s);
    doc.undo_busy_ = false;
    s->owns_pages_ = 0;  // now a view of the document's pages, as in (I3)
    doc.PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
    return true;
  }

  // The document moves from record `from` to its neighbour `to`; the
  // window redraws. False when `to` names its elements by position and
  // memory ran out linking them (nothing changed).
  static bool step(MainDB& doc, UndoRecord* from, UndoRecord* to) noexcept {
    // Where the present elements will be in `to`'s state, when it names
    // them by position: the record left behind then names its own by
    // position in turn, the pages linked anew included.
    std::unique_ptr<fgb::Relocation> back;
    if (to->lazy) {
      try {
        back = turned_round(*to->lazy);
      } catch (const std::bad_alloc&) {
      }
      if (!materialize(to, doc)) {
        doc.failure_ = FGB_FAILED_NO_MEMORY;
        return false;
      }
    }
    doc.undo_busy_ = true;
    leave(doc, from);
    doc.undo_current_ = to;
    enter(doc, to);
    doc.undo_busy_ = false;
    if (back) {
      try {
        const fgb::PageIndex index(*from->snapshot);
        bool unmappable = false;
        install(from, plan(from, index, *back, &unmappable));
      } catch (const std::bad_alloc&) {
      }
    } else {
      // The record left behind shares most of its pages with the present ones.
      by_position(from, doc);
    }
    doc.PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
    return true;
  }

  // The runs of a positional record turned round: where each element of the
  // state it names goes in its own state. Null when two runs name the same
  // element. Throws std::bad_alloc.
  static std::unique_ptr<fgb::Relocation> turned_round(const fgb::LazyPages& lazy) {
    struct Note {
      int32_t from_side, from, n, to_side, to;
    };
    std::vector<Note> notes;
    for (int side = 0; side < 2; ++side) {
      int32_t at = 0;
      for (const fgb::LazyPage& lp : lazy.side[side]) {
        if (lp.own) {
          at += lp.known ? lp.info.n : static_cast<int32_t>(fgb_count_gdb(lp.own));
          continue;
        }
        for (const fgb::SeqRun& r : lp.runs) {
          notes.push_back(Note{r.side, r.start, r.n, side, at});
          at += r.n;
        }
      }
    }
    std::sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) {
      return a.from_side != b.from_side ? a.from_side < b.from_side : a.from < b.from;
    });
    auto back = std::make_unique<fgb::Relocation>();
    for (std::size_t i = 0; i < notes.size(); ++i) {
      const Note& n = notes[i];
      if (i > 0 && notes[i - 1].from_side == n.from_side && notes[i - 1].from + notes[i - 1].n > n.from)
        return nullptr;
      back->note(n.from_side, n.from, n.n, n.to_side, n.to);
    }
    if (!back->whole()) throw std::bad_alloc();
    return back;
  }

  // ---- records that name their elements by position ----

  // Positional record r gets lists of its own again, linked from the
  // elements of the state `index` describes (its neighbour's). False when
  // memory ran out (r unchanged).
  static bool materialize(UndoRecord* r, const fgb::PageIndex& index) noexcept {
    MainDB* s = r->snapshot;
    pages* first[2] = {nullptr, nullptr};
    pages* last[2] = {nullptr, nullptr};
    int32_t n[2] = {0, 0};
    bool ok = true;
    for (int side = 0; side < 2 && ok; ++side) {
      for (fgb::LazyPage& lp : r->lazy->side[side]) {
        fgb_db* list = lp.own ? lp.own : index.build(lp.runs);
        auto* p = list ? new (std::nothrow) pages{list, lp.count, nullptr, lp.info} : nullptr;
        if (!p) {
          if (list != lp.own) fgb_destroy_gdb(list);
          ok = false;
          break;
        }
        if (lp.known) {
          p->info.head = list->head;
          p->info.tail = list->tail;
        } else {
          p->info.exact = 0;
        }
        (last[side] ? last[side]->next : first[side]) = p;
        last[side] = p;
        ++n[side];
      }
    }
    if (!ok) {
      // Lists of the record's own go back to it; those linked here go.
      for (int side = 0; side < 2; ++side) {
        std::size_t i = 0;
        for (pages* p = first[side]; p; ++i) {
          pages* next = p->next;
          if (p->gdb == r->lazy->side[side][i].own) p->gdb = nullptr;
          MainDB::DeleteP(p);
          p = next;
        }
      }
      return false;
    }
    for (auto& side : r->lazy->side)
      for (fgb::LazyPage& lp : side) lp.own = nullptr;  // the pages hold them now
    delete r->lazy;
    r->lazy = nullptr;
    s->first_ = first[0];
    s->actual_ = last[0];
    s->page_count_ = n[0];
    s->first_s_ = first[1];
    s->actual_s_ = last[1];
    s->page_count_s_ = n[1];
    s->owns_pages_ = 1;
    return true;
  }

  static bool materialize(UndoRecord* r, const MainDB& base) noexcept {
    try {
      const fgb::PageIndex index(base);
      return materialize(r, index);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }

  // Lets go of a plan that was never put in place (the lists it names
  // stay with their owners).
  static void drop_plan(fgb::LazyPages* plan) noexcept {
    if (!plan) return;
    for (auto& side : plan->side)
      for (fgb::LazyPage& lp : side) lp.own = nullptr;
    delete plan;
  }

  // Record r's pages as positions in the state that `moved` leads to from
  // the one `index` describes (the state of r's neighbour towards the
  // present). A page of r whose list is one of the index's pages becomes
  // runs; any other keeps its list (named here, taken by install). Null
  // when nothing would change, or, with *unmappable set, when r is
  // positional and one of its elements has no place after the move.
  // Throws std::bad_alloc.
  static fgb::LazyPages* plan(const UndoRecord* r, const fgb::PageIndex& index, const fgb::Relocation& moved,
                              bool* unmappable, std::vector<uint64_t>* released = nullptr) {
    *unmappable = false;
    std::unique_ptr<fgb::LazyPages, void (*)(fgb::LazyPages*)> out(new fgb::LazyPages, drop_plan);
    bool changed = false;
    if (r->lazy) {
      for (int side = 0; side < 2; ++side)
        for (const fgb::LazyPage& lp : r->lazy->side[side]) {
          fgb::LazyPage np{lp.count, lp.known, lp.info, lp.own, {}};
          if (!lp.own)
            for (const fgb::SeqRun& run : lp.runs)
              if (!moved.map(run.side, run.start, run.n, np.runs)) {
                *unmappable = true;
                return nullptr;
              }
          out->side[side].push_back(std::move(np));
        }
      changed = true;
    } else {
      const MainDB* s = r->snapshot;
      const pages* firsts[2] = {s->first_, s->first_s_};
      for (int side = 0; side < 2; ++side)
        for (pages* p = const_cast<pages*>(firsts[side]); p; p = p->next) {
          fgb::LazyPage np{p->count, fgb::page_known(p), p->info, nullptr, {}};
          const fgb::PageIndex::Entry* e = index.find(p->gdb);
          if (e && moved.map(e->side, e->start, e->n, np.runs)) {
            changed = true;
            if (released) released->push_back(fgb::PageIndex::key(p->gdb->head));
          } else {
            np.runs.clear();
            np.own = p->gdb;
          }
          out->side[side].push_back(std::move(np));
        }
    }
    return changed ? out.release() : nullptr;
  }

  // Puts a plan in place: r takes the lists it names and lets the rest go.
  static void install(UndoRecord* r, fgb::LazyPages* plan) noexcept {
    if (!plan) return;
    if (r->lazy) {
      drop_plan(r->lazy);  // its own lists went on into the plan
    } else {
      MainDB* s = r->snapshot;
      pages* firsts[2] = {s->first_, s->first_s_};
      for (int side = 0; side < 2; ++side) {
        std::size_t i = 0;
        for (pages* p = firsts[side]; p; p = p->next, ++i)
          if (plan->side[side][i].own) p->gdb = nullptr;
      }
      // The pages go; the counts and boxes stay with the snapshot.
      for (pages*& first : firsts)
        for (pages* p = first; p;) {
          pages* next = p->next;
          MainDB::DeleteP(p);
          p = next;
        }
      s->first_ = s->actual_ = s->first_s_ = s->actual_s_ = nullptr;
      s->page_count_ = s->page_count_s_ = 0;
    }
    r->lazy = plan;
  }

  // Record r (next to a state whose pages `base` holds) names the pages it
  // shares with that state by position. Without memory it stays as it is.
  static void by_position(UndoRecord* r, const MainDB& base) noexcept {
    if (r->lazy) return;
    try {
      const fgb::PageIndex index(base);
      bool unmappable = false;
      install(r,
              plan(r, index, fgb::Relocation::identity(index.side_size(0), index.side_size(1)), &unmappable));
    } catch (const std::bad_alloc&) {
    }
  }

  // The document is about to change other than by a step or a selection
  // change: positional neighbours take lists of their own. One that cannot
  // is let go, with everything beyond it.
  static void settle(MainDB& doc) noexcept {
    UndoRecord* cur = doc.undo_current_;
    if (!cur || doc.undo_busy_) return;
    UndoRecord* older = cur->older;
    UndoRecord* newer = cur->newer;
    if (!(older && older->lazy) && !(newer && newer->lazy)) return;
    if (older && older->lazy && !materialize(older, doc)) {
      for (UndoRecord* o = older; o;) {
        UndoRecord* next = o->older;
        release(o);
        o = next;
      }
      cur->older = nullptr;
      doc.restorable_ = false;
      doc.undo_ = 0;
      doc.PostNotify(WM_DB_UNDOSTATE, DB_UNDO_IMPOSSIBLE);
    }
    if (newer && newer->lazy && !materialize(newer, doc)) {
      release_newer(cur);
      doc.redo_ = 0;
      doc.PostNotify(WM_DB_UNDOSTATE, DB_REDO_IMPOSSIBLE);
    }
  }

  static void get_undo(MainDB& doc) noexcept {
    doc.restorable_ = false;
    UndoRecord* cur = doc.undo_current_;
    if (!cur) return;
    if (UndoRecord* older = cur->older) {
      if (!step(doc, cur, older)) return;
      doc.PostNotify(WM_DB_UNDOSTATE, DB_REDO_POSSIBLE);
      doc.redo_ = 1;
      if (older->older) return;
    }
    doc.PostNotify(WM_DB_UNDOSTATE, DB_UNDO_IMPOSSIBLE);
    doc.undo_ = 0;
  }

  static void get_redo(MainDB& doc) noexcept {
    doc.restorable_ = false;
    UndoRecord* cur = doc.undo_current_;
    if (!cur) return;
    if (UndoRecord* newer = cur->newer) {
      if (!step(doc, cur, newer)) return;
      doc.PostNotify(WM_DB_UNDOSTATE, DB_UNDO_POSSIBLE);
      doc.undo_ = 1;
      if (newer->newer) return;
    }
    doc.PostNotify(WM_DB_UNDOSTATE, DB_REDO_IMPOSSIBLE);
    doc.redo_ = 0;
  }

  static void delete_heads(MainDB& doc) noexcept {
    UndoRecord* cur = doc.undo_current_;
    if (!cur) return;
    release_newer(cur);
    // The current record and every older one; the current snapshot, a view
    // of the document's pages, releases nothing but its record.
    for (UndoRecord* o = cur; o;) {
      UndoRecord* older = o->older;
      release(o);
      o = older;
    }
    doc.undo_current_ = nullptr;
  }
};

void fgb::start_undo_chain(MainDB& doc) noexcept { UndoChain::start(doc); }

bool fgb::UndoFollow::prepare(MainDB& doc, const Relocation& moved) noexcept {
  UndoRecord* cur = UndoChain::current(doc);
  if (!cur) return true;
  next_[0] = cur->older;
  next_[1] = cur->newer;
  try {
    const PageIndex index(doc);
    for (int i = 0; i < 2; ++i) {
      if (!next_[i]) continue;
      const std::size_t mark = released_.size();
      bool unmappable = false;
      plans_[i] = UndoChain::plan(next_[i], index, moved, &unmappable, &released_);
      if (unmappable) {
        // Elements it names are dropped: it takes lists of its own first.
        released_.resize(mark);
        if (!UndoChain::materialize(next_[i], index)) return false;
        plans_[i] = UndoChain::plan(next_[i], index, moved, &unmappable, &released_);
      }
      if (!plans_[i]) released_.resize(mark);
    }
    std::sort(released_.begin(), released_.end());
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

int fgb::UndoFollow::releases(const fgb_db* list) const noexcept {
  const uint64_t k = PageIndex::key(list->head);
  auto range = std::equal_range(released_.begin(), released_.end(), k);
  return static_cast<int>(range.second - range.first);
}

void fgb::UndoFollow::commit() noexcept {
  for (int i = 0; i < 2; ++i) {
    if (next_[i]) UndoChain::install(next_[i], plans_[i]);
    plans_[i] = nullptr;
  }
}

fgb::UndoFollow::~UndoFollow() {
  UndoChain::drop_plan(plans_[0]);
  UndoChain::drop_plan(plans_[1]);
}

void MainDB::settle_undo() noexcept {
  if (undo_current_ && !undo_busy_) UndoChain::settle(*this);
}

void MainDB::CreateUndo() noexcept { UndoChain::create_undo(*this); }
void MainDB::GetUndo() noexcept { UndoChain::get_undo(*this); }
void MainDB::GetRedo() noexcept { UndoChain::get_redo(*this); }
void MainDB::DeleteHeads() noexcept { UndoChain::delete_heads(*this); }
bool MainDB::RestoreUndo() noexcept { return UndoChain::restore(*this); }
