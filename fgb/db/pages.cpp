// Shared page lists and the document's bookkeeping of each page.
#include "db/pages_p.h"

#include "db/gdb_p.h"

#include <geomkit/gr_circle.h>

#include <new>
#include <utility>

namespace fgb {

void page_info_reset(pages* p, bool exact) noexcept {
  PageInfo& i = p->info;
  i = PageInfo{};
  i.head = p->gdb ? p->gdb->head : ns_null_obj();
  i.tail = p->gdb ? p->gdb->tail : ns_null_obj();
  i.n = 0;
  i.exact = exact && p->gdb && ns_same_obj(i.head, i.tail) ? 1 : 0;
}

bool reach_box(int kind, const void* shape, gr_xy_rect& r) noexcept {
  switch (kind) {
    case FGB_ARC: {
      const gr_trcircle& a = static_cast<const fgb_arc*>(shape)->arc;
      const double rad = a.r < 0 ? -a.r : a.r;
      r = gr_xy_rect{a.c.x - rad, a.c.y - rad, a.c.x + rad, a.c.y + rad};
      return true;
    }
    case FGB_BEZIER: {
      // The curve and any flattening of it stay inside the box of its
      // control points.
      auto* b = static_cast<const gr_bezier*>(shape);
      if (b->n < 4) return false;
      r = gr_xy_rect{b->pnt[0].x, b->pnt[0].y, b->pnt[0].x, b->pnt[0].y};
      for (int32_t i = 1; i < b->n; ++i) {
        const gr_cpoint& q = b->pnt[i];
        if (q.x < r.x1) r.x1 = q.x;
        if (q.y < r.y1) r.y1 = q.y;
        if (q.x > r.x2) r.x2 = q.x;
        if (q.y > r.y2) r.y2 = q.y;
      }
      return true;
    }
    default: return shape_box(kind, shape, r);
  }
}

namespace {
uint64_t g_shares = 0;  // the store is one for the process and not shared between threads
}  // namespace

uint64_t share_count() noexcept { return g_shares; }

fgb_db* share_list(const fgb_db* src) noexcept {
  if (ns_same_obj(src->head, src->tail)) return fgb_create_gdb();
  auto* db = new (std::nothrow) fgb_db{src->head, src->tail};
  if (!db) return nullptr;
  ns_tie_obj(db->head);
  ++g_shares;
  return db;
}

bool own_list(pages* p) noexcept {
  fgb_db* old = p->gdb;
  if (!list_shared(old)) return true;
  const bool known = page_known(p);
  fgb_db* copy = fgb_create_gdb();
  if (!copy) return false;
  for (tag_ns_handler l = old->head; !is_end(l); l = ns_get_second_obj(l)) {
    if (!append_element(copy, ns_get_first_obj(l))) {
      fgb_destroy_gdb(copy);
      return false;
    }
  }
  fgb_destroy_gdb(old);  // drops this page's reference only
  p->gdb = copy;
  if (known) {
    p->info.head = copy->head;
    p->info.tail = copy->tail;
  } else {
    p->info.exact = 0;
  }
  return true;
}

PageFill::PageFill(pages* first, bool move) noexcept : first_(first), page_(first), move_(move) {
  if (!move) return;
  std::size_t n = 0;
  for (pages* p = first; p; p = p->next) ++n;
  try {
    open_.reserve(n);
  } catch (const std::bad_alloc&) {
    ready_ = false;
  }
}

bool PageFill::next_page() noexcept {
  while (page_ && placed_ >= page_->count) {
    page_ = page_->next;
    placed_ = 0;
  }
  return page_ != nullptr;
}

bool PageFill::take(pages* src, pages* dst) noexcept {
  if (!next_page() || page_ != dst || placed_ != 0) return false;
  if (move_) {
    std::swap(dst->gdb, src->gdb);  // src's page goes with the empty list
    if (dst->count > src->info.n) {
      // More to come after it: its end cell is kept for the new end, and
      // the list goes on from its last link.
      tag_ns_handler last = dst->gdb->head;
      while (!is_end(ns_get_second_obj(last))) last = ns_get_second_obj(last);
      ns_tie_obj(dst->gdb->tail);
      open_.push_back(Open{dst, last});
    }
  } else {
    fgb_db* shared = share_list(src->gdb);
    if (!shared) return false;
    fgb_destroy_gdb(dst->gdb);
    dst->gdb = shared;
    dst->info.head = shared->head;
    dst->info.tail = shared->tail;
  }
  placed_ = src->info.n;
  return true;
}

bool PageFill::add(tag_ns_handler link) noexcept {
  if (!next_page()) return false;
  if (!move_) {
    if (list_shared(page_->gdb) && !own_list(page_)) return false;
    if (!append_element(page_->gdb, ns_get_first_obj(link))) return false;
  } else if (open_.empty() || open_.back().page != page_) {
    // The page's first element: the list's head takes the link, and the end
    // cell it held waits for the list's last link.
    ns_tie_obj(link);
    page_->gdb->head = link;
    open_.push_back(Open{page_, link});
  } else {
    Open& o = open_.back();
    // Tying comes before releasing: the link's old successor goes only if
    // nothing else holds it (one moved already is held by its new place).
    if (!ns_same_obj(ns_get_second_obj(o.last), link))
      ns_set_pair_obj(o.last, FGB_TAG(FGB_LINK), ns_get_first_obj(o.last), link);
    o.last = link;
  }
  ++placed_;
  return true;
}

void PageFill::finish() noexcept {
  for (const Open& o : open_) {
    const tag_ns_handler end = o.page->gdb->tail;
    ns_set_pair_obj(o.last, FGB_TAG(FGB_LINK), ns_get_first_obj(o.last), end);
    ns_untie_obj(end);  // the reference the head held, or the one kept for it
  }
  open_.clear();
  for (pages* p = first_; p; p = p->next)
    if (p->info.exact) {
      p->info.head = p->gdb->head;
      p->info.tail = p->gdb->tail;
    }
}

}  // namespace fgb
