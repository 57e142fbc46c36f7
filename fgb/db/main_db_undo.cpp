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
// Unlike a view refreshed only when undo leaves the newest record, leaving
// any current record refreshes it: after undo, a selection change (which
// takes no snapshot and destroys the pages the view named) and a second
// undo, a later redo returns to the pages as the document last had them,
// not to destroyed ones.
#include <fgb/main_db.h>

#include "db/main_db_p.h"

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
      if (rec->snapshot->owns_pages_ == 1) rec->snapshot->DestroyInfo();
      rec->snapshot->Create();
      rec->snapshot->CopyAll(&doc);
    } else {
      rec = make(cur->depth);
      if (!rec) return;
      rec->snapshot->CopyAll(&doc);
    }
    // The newest snapshot sits directly older than the current record.
    rec->older = cur->older;
    if (rec->older) rec->older->newer = rec;
    rec->newer = cur;
    cur->older = rec;
    doc.restorable_ = rec->snapshot->failure_ == FGB_FAILED_NONE;
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
      step(doc, cur, rec);
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
    doc.DestroyInfo();
    doc.CopyInfo(s);
    s->owns_pages_ = 0;  // now a view of the document's pages, as in (I3)
    doc.PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
    return true;
  }

  // The document moves from record `from` to its neighbour `to`; the
  // window redraws.
  static void step(MainDB& doc, UndoRecord* from, UndoRecord* to) noexcept {
    leave(doc, from);
    doc.undo_current_ = to;
    enter(doc, to);
    doc.PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
  }

  static void get_undo(MainDB& doc) noexcept {
    doc.restorable_ = false;
    UndoRecord* cur = doc.undo_current_;
    if (!cur) return;
    if (UndoRecord* older = cur->older) {
      step(doc, cur, older);
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
      step(doc, cur, newer);
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

void MainDB::CreateUndo() noexcept { UndoChain::create_undo(*this); }
void MainDB::GetUndo() noexcept { UndoChain::get_undo(*this); }
void MainDB::GetRedo() noexcept { UndoChain::get_redo(*this); }
void MainDB::DeleteHeads() noexcept { UndoChain::delete_heads(*this); }
bool MainDB::RestoreUndo() noexcept { return UndoChain::restore(*this); }
