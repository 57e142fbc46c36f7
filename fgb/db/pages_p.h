// Pages whose lists are shared with undo snapshots, and what the document
// knows of each page (PageInfo in <fgb/main_db.h>).
//
// Sharing. A snapshot of the document does not copy elements: its pages
// get list records of their own that name the same chains of cells, each
// holding one more reference to the chain's head link. A list whose head is
// referenced more than once is shared as a whole: before appending to it or
// re-pointing its links, the document links the same elements into a chain
// of its own (own_list). Elements, shape data and style cells are never
// changed in place (a style edit makes new elements), so any number of
// lists may hold them. Destroying a shared list only drops its reference to
// the head.
//
// Page boxes. Every page known to the document carries the union of the
// reach of its elements: a box that holds everything a hit test or the
// drawing of the element can touch (a curve's control points, an arc's
// whole circle). Selection and drawing skip pages whose box lies away from
// what they look at.
#ifndef FGB_DB_PAGES_P_H
#define FGB_DB_PAGES_P_H

#include <fgb/main_db.h>

#include <vector>

namespace fgb {

// A page whose info holds: nobody changed its list behind the document.
inline bool page_known(const pages* p) noexcept {
  return p->info.exact && ns_same_obj(p->gdb->head, p->info.head) && ns_same_obj(p->gdb->tail, p->info.tail);
}

// The info of a page with a new empty list (or of a list it knows nothing of).
void page_info_reset(pages* p, bool exact) noexcept;

// Notes one element appended to the page's list; known is page_known as it
// was before the append. reach is the element's reach box, width its pen's.
inline void page_info_added(pages* p, bool known, const gr_xy_rect& reach, float width) noexcept {
  PageInfo& i = p->info;
  if (!known) {
    i.exact = 0;
    return;
  }
  const float w = width < 0 ? -width : width;
  if (i.n == 0) {
    i.box = reach;
    i.max_width = w;
  } else {
    if (w > i.max_width) i.max_width = w;
    if (reach.x1 < i.box.x1) i.box.x1 = reach.x1;
    if (reach.y1 < i.box.y1) i.box.y1 = reach.y1;
    if (reach.x2 > i.box.x2) i.box.x2 = reach.x2;
    if (reach.y2 > i.box.y2) i.box.y2 = reach.y2;
  }
  ++i.n;
  i.head = p->gdb->head;
  i.tail = p->gdb->tail;
  i.fold_valid = 0;
}

// The box that holds everything an element can touch when drawn or hit
// tested: its box, the control points of a Bezier curve, the whole circle
// of an arc. False when the shape has no extent.
bool reach_box(int kind, const void* shape, gr_xy_rect& r) noexcept;

// A new list record naming the same chain as src (one more reference to
// its head), or null when memory is exhausted. An empty list gets a fresh
// end cell of its own instead.
fgb_db* share_list(const fgb_db* src) noexcept;

// How many times a list has been shared so far: a list whose chain was its
// own stays so while this count does not change.
uint64_t share_count() noexcept;

// 1 when the list's chain is shared with another list record.
inline bool list_shared(const fgb_db* db) noexcept { return ns_get_obj_refs(db->head) > 1; }

// Makes the page's list its own: a shared chain is replaced by a new chain
// of the same elements. False when memory ran out (the page is unchanged).
bool own_list(pages* p) noexcept;

// Fills the lists of a work document's side (drawn up in outline: its
// pages know their counts and their lists are empty) in page order, with
// elements of the lists of the document it replaces. Moving: the link
// cells themselves are moved over and re-pointed (nobody else may hold
// those lists, and the document gives them up afterwards); otherwise the
// elements are linked anew, whole pages shared.
class PageFill {
 public:
  PageFill(pages* first, bool move) noexcept;
  // False when memory ran out for the bookkeeping.
  bool ready() const noexcept { return ready_; }
  // The next page, `dst`, starts with the whole of src's list.
  bool take(pages* src, pages* dst) noexcept;
  // The next element, the one of `link`.
  bool add(tag_ns_handler link) noexcept;
  // Ends the lists (moving) and brings every page's bookkeeping to its list.
  void finish() noexcept;

 private:
  bool next_page() noexcept;
  pages* first_;
  pages* page_;
  int32_t placed_ = 0;
  bool move_;
  bool ready_ = true;
  // Moving: the pages whose lists still lack their end, with their last link.
  struct Open {
    pages* page;
    tag_ns_handler last;
  };
  std::vector<Open> open_;
};

}  // namespace fgb

#endif
