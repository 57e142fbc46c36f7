// The document: pages, counts, bounding boxes, copies and notifications.
#include <fgb/main_db.h>

#include "db/gdb_p.h"
#include "db/main_db_p.h"
#include "db/pages_p.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <new>

using fgb::AlignedShape;
using fgb::ElementView;

MainDB::Side MainDB::side(int s) noexcept {
  if (s == 1) return Side{first_, actual_, page_count_, dim_, nullp_, centre_, count_};
  return Side{first_s_, actual_s_, page_count_s_, dim_s_, nullp_s_, centre_s_, count_s_};
}

// ---------------------------------------------------------------------------
// Life cycle
// ---------------------------------------------------------------------------

MainDB::MainDB(DbNotifyTarget* window) noexcept : window_(window) {
  Create();
  fgb::start_undo_chain(*this);
}

MainDB::MainDB() noexcept { Create(); }

MainDB::~MainDB() { Delete(); }

void MainDB::Create() noexcept {
  // Called on a fresh document or after DestroyInfo: the chain pointers
  // name nothing this document owns any more.
  owns_pages_ = 1;
  undo_ = 0;
  redo_ = 0;
  undo_depth_ = 10;
  bezier_density_ = 12;
  add_budget_ = -1;
  failure_ = FGB_FAILED_NONE;
  first_ = first_s_ = actual_ = actual_s_ = nullptr;
  page_count_ = page_count_s_ = 0;
  dim_ = centre_ = nullp_ = dim_s_ = nullp_s_ = centre_s_ = gr_cpoint{0, 0};
  count_ = count_s_ = 0;
  CreateP();
  CreateP_selection();
}

void MainDB::Delete() noexcept {
  // The undo records go first: records that name elements by position in
  // the present pages need nothing from them when they go with them.
  DeleteHeads();
  if (owns_pages_ == 1) DestroyInfo();
  for (KeptStyle* kept : {&kept_style_, &kept_filled_style_}) {
    if (!ns_is_null_obj(kept->cell)) ns_untie_obj(kept->cell);
    kept->cell = ns_null_obj();
  }
}

namespace {
// A page with a fresh empty list, or null when memory is exhausted.
pages* new_page() noexcept {
  auto* p = new (std::nothrow) pages{nullptr, 0, nullptr, PageInfo{}};
  if (!p) return nullptr;
  p->gdb = fgb_create_gdb();
  if (!p->gdb) {
    delete p;
    return nullptr;
  }
  fgb::page_info_reset(p, true);
  return p;
}
}  // namespace

void MainDB::start_side(int s) noexcept {
  Side sd = side(s);
  pages* p = new_page();
  if (!p) return;  // the side keeps adding to its present actual page
  if (sd.actual)
    sd.actual->next = p;
  else
    sd.first = p;
  sd.actual = p;
  ++sd.page_count;
}

void MainDB::CreateP() noexcept { start_side(1); }
void MainDB::CreateP_selection() noexcept { start_side(2); }

void MainDB::DeleteP(pages* page) noexcept {
  if (!page) return;
  fgb_destroy_gdb(page->gdb);
  delete page;
}

void MainDB::destroy_side(int s) noexcept {
  settle_undo();
  Side sd = side(s);
  for (pages* p = sd.first; p;) {
    pages* next = p->next;
    DeleteP(p);
    p = next;
  }
  sd.first = sd.actual = nullptr;
  sd.page_count = 0;
  sd.dim = sd.nullp = sd.centre = gr_cpoint{0, 0};
  sd.count = 0;
}

void MainDB::DestroyInfo() noexcept {
  destroy_side(1);
  destroy_side(2);
}

void MainDB::CopyInfo(MainDB* src) noexcept {
  if (!src || src == this) return;
  settle_undo();
  first_ = src->first_;
  first_s_ = src->first_s_;
  page_count_ = src->page_count_;
  actual_ = src->actual_;
  page_count_s_ = src->page_count_s_;
  actual_s_ = src->actual_s_;
  copy_measures(*src);
}

bool fgb::take_over(MainDB& doc, MainDB* work) noexcept {
  if (work->GetFailure() != FGB_FAILED_NONE) {
    // Something the result needed could not be added: the document stays
    // as it was, and says why.
    doc.SetFailure(work->GetFailure());
    delete work;
    return false;
  }
  doc.DestroyInfo();
  doc.CopyInfo(work);
  work->ReleasePages();
  delete work;
  return true;
}

int64_t fgb::operation_budget(const MainDB& doc, int64_t selected) noexcept {
  if (doc.GetMaxElements() > 0) return doc.GetMaxElements();
  const int64_t scaled = selected * kBudgetPerSelected;
  return scaled > kBudgetFloor ? scaled : kBudgetFloor;
}

void MainDB::copy_measures(const MainDB& src) noexcept {
  dim_ = src.dim_;
  centre_ = src.centre_;
  nullp_ = src.nullp_;
  dim_s_ = src.dim_s_;
  nullp_s_ = src.nullp_s_;
  centre_s_ = src.centre_s_;
  count_ = src.count_;
  count_s_ = src.count_s_;
}

// ---------------------------------------------------------------------------
// Elements
// ---------------------------------------------------------------------------

int MainDB::GetChild(tag_ns_handler link, tag_ns_handler* shape, int* kind, gr_curve_style* curve,
                     gr_fill_area_style* fill) noexcept {
  fgb_get_child_gdb(link, shape, kind, curve, fill);
  return 1;
}

void MainDB::AddElem(int kind, const void* shape, gr_curve_style curve, gr_fill_area_style fill,
                     int s) noexcept {
  if (!shape) return;
  switch (kind) {
    case FGB_POLYLINE:
    case FGB_POLYLINES:
    case FGB_ARC:
    case FGB_SEGMENT:
    case FGB_CIRCLE:
    case FGB_BEZIER:
    case FGB_FLASH: break;
    default: return;  // no other kind has a place in the document
  }
  int size = fgb::shape_size(kind, shape);
  if (size <= 0 || outline_) return;
  AlignedShape aligned;
  const void* data = aligned.view(shape, size);
  if (!data) {
    failure_ = FGB_FAILED_NO_MEMORY;
    return;
  }
  gr_xy_rect r;
  if (!fgb::shape_box(kind, data, r)) return;  // nothing to draw, nothing to add

  if (add_budget_ >= 0) {
    const int64_t cost = 1 + size / kBudgetBytesPerElement;
    if (cost > add_budget_) {
      failure_ = FGB_FAILED_TOO_LARGE;
      return;
    }
    add_budget_ -= cost;
  }
  Side sd = side(s);
  pages* page = sd.actual;
  // A polyline keeps no fill; a polyline set keeps its fill.
  const gr_fill_area_style* f = kind == FGB_POLYLINES ? &fill : nullptr;
  if (!page || !own_page(page)) {
    failure_ = FGB_FAILED_NO_MEMORY;  // the store is exhausted
    return;
  }
  const bool known = fgb::page_known(page);
  const tag_ns_handler style = fgb::shared_style(f ? &kept_filled_style_ : &kept_style_, curve, f);
  const tag_ns_handler elem =
      ns_is_null_obj(style) ? style : fgb::make_element_styled(kind, data, size, style);
  const int appended = ns_is_null_obj(elem) ? 0 : fgb::append_element(page->gdb, elem);
  if (!ns_is_null_obj(elem)) ns_untie_obj(elem);  // the link holds it now (or, on failure, this releases it)
  if (!appended) {
    failure_ = FGB_FAILED_NO_MEMORY;  // the store is exhausted
    return;
  }
  gr_xy_rect reach = r;
  if (kind == FGB_ARC || kind == FGB_BEZIER) fgb::reach_box(kind, data, reach);
  note_added(s, page, known, r, reach, curve.width);
}

bool MainDB::own_page(pages* page) noexcept {
  if (page->gdb == owned_list_ && fgb::share_count() == owned_at_) return true;
  if (!fgb::own_list(page)) return false;
  owned_list_ = page->gdb;
  owned_at_ = fgb::share_count();
  return true;
}

void MainDB::note_added(int s, pages* page, bool known, const gr_xy_rect& r, const gr_xy_rect& reach,
                        float width) noexcept {
  Side sd = side(s);
  fgb::page_info_added(page, known, reach, width);
  Dim_to_Dim(sd.count, sd.dim, sd.nullp, sd.centre, r);
  ++page->count;
  ++sd.count;
  if (page->count > kPageLimit) start_side(s == 1 ? 1 : 2);
}

bool MainDB::add_linked(tag_ns_handler elem, int kind, const void* data, float width, int s) noexcept {
  gr_xy_rect r;
  if (!fgb::shape_box(kind, data, r)) return false;
  Side sd = side(s);
  pages* page = sd.actual;
  if (!page) return false;
  const bool known = fgb::page_known(page);
  if (!outline_ && (!own_page(page) || !fgb::append_element(page->gdb, elem))) return false;
  gr_xy_rect reach = r;
  if (kind == FGB_ARC || kind == FGB_BEZIER) fgb::reach_box(kind, data, reach);
  note_added(s, page, known, r, reach, width);
  return true;
}

void MainDB::CreateElems(int kind, const void* shape, gr_curve_style curve, gr_fill_area_style fill,
                         int s) noexcept {
  CreateUndo();
  AddElem(kind, shape, curve, fill, s);
  PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
}

void MainDB::DeleteElemAll(int s) noexcept {
  CreateUndo();
  int which = s == 2 ? 2 : 1;
  destroy_side(which);
  start_side(which);
  DimensionDB();
}

void MainDB::DeleteElem(int s) noexcept {
  DeleteElemAll(s);
  PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
}

// ---------------------------------------------------------------------------
// Bounding boxes
// ---------------------------------------------------------------------------

void MainDB::Dim_to_Dim(long count, gr_cpoint& dim, gr_cpoint& nullp, gr_cpoint& centre,
                        const gr_xy_rect& r) noexcept {
  if (count != 0) {
    double right = r.x2 > nullp.x + dim.x ? r.x2 : nullp.x + dim.x;
    double top = r.y2 > nullp.y + dim.y ? r.y2 : nullp.y + dim.y;
    nullp.x = r.x1 < nullp.x ? r.x1 : nullp.x;
    nullp.y = r.y1 < nullp.y ? r.y1 : nullp.y;
    dim.x = right - nullp.x;
    dim.y = top - nullp.y;
  } else {
    // The first element of a side: its corner, but a larger dimension left
    // from before stays.
    nullp.x = r.x1;
    nullp.y = r.y1;
    double w = r.x2 - r.x1;
    double h = r.y2 - r.y1;
    dim.x = w > dim.x ? w : dim.x;
    dim.y = h > dim.y ? h : dim.y;
  }
  centre.x = nullp.x + dim.x / 2;
  centre.y = nullp.y + dim.y / 2;
}

void MainDB::DimensionDB() noexcept {
  AlignedShape aligned;
  for (int s = 1; s <= 2; ++s) {
    Side sd = side(s);
    sd.count = 0;
    sd.dim = sd.nullp = sd.centre = gr_cpoint{0, 0};
    for (pages* p = sd.first; p; p = p->next) {
      fgb::for_each_link(p->gdb, [&](tag_ns_handler l) {
        tag_ns_handler shape = ns_get_first_obj(ns_get_first_obj(l));
        int kind = fgb::role_of(shape);
        const void* data = aligned.view(ns_get_obj_data_ptr(shape), ns_get_boxed_obj_size(shape));
        gr_xy_rect r;
        if (!data || !fgb::shape_box(kind, data, r)) return;
        Dim_to_Dim(sd.count, sd.dim, sd.nullp, sd.centre, r);
        ++sd.count;
      });
    }
    if (sd.first) sd.first->count = sd.count;
  }
}

void MainDB::DimensionDB_OUT(gr_cpoint& dim, gr_cpoint& nullp) const noexcept {
  // The union of the two sides' boxes. A side without elements has a box
  // that means nothing (zero, or whatever it last held) and takes no part.
  const bool main = count_ > 0, sel = count_s_ > 0;
  if (!main && !sel) {
    dim = nullp = gr_cpoint{0, 0};
    return;
  }
  if (!sel || !main) {
    dim = main ? dim_ : dim_s_;
    nullp = main ? nullp_ : nullp_s_;
    return;
  }
  const double x1 = std::min(nullp_.x, nullp_s_.x);
  const double y1 = std::min(nullp_.y, nullp_s_.y);
  const double x2 = std::max(nullp_.x + dim_.x, nullp_s_.x + dim_s_.x);
  const double y2 = std::max(nullp_.y + dim_.y, nullp_s_.y + dim_s_.y);
  nullp = {x1, y1};
  dim = {x2 - x1, y2 - y1};
}

// ---------------------------------------------------------------------------
// Copies
// ---------------------------------------------------------------------------

namespace {
bool same_bits(const gr_cpoint& a, const gr_cpoint& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
}  // namespace

void MainDB::fold_page(pages* src, int s) noexcept {
  Side sd = side(s);
  PageInfo& m = src->info;
  const int32_t from_empty = sd.count == 0 ? 1 : 0;
  if (m.fold_valid && m.fold_from_empty == from_empty && same_bits(m.fold_dim_in, sd.dim) &&
      same_bits(m.fold_nullp_in, sd.nullp)) {
    sd.dim = m.fold_dim_out;
    sd.nullp = m.fold_nullp_out;
    sd.centre.x = sd.nullp.x + sd.dim.x / 2;
    sd.centre.y = sd.nullp.y + sd.dim.y / 2;
    return;
  }
  m.fold_from_empty = from_empty;
  m.fold_dim_in = sd.dim;
  m.fold_nullp_in = sd.nullp;
  long count = sd.count;
  AlignedShape aligned;
  fgb::for_each_link(src->gdb, [&](tag_ns_handler l) {
    tag_ns_handler shape = ns_get_first_obj(ns_get_first_obj(l));
    const void* data = aligned.view(ns_get_obj_data_ptr(shape), ns_get_boxed_obj_size(shape));
    gr_xy_rect r;
    if (!data || !fgb::shape_box(fgb::role_of(shape), data, r)) return;  // not on a known page
    Dim_to_Dim(count, sd.dim, sd.nullp, sd.centre, r);
    ++count;
  });
  m.fold_dim_out = sd.dim;
  m.fold_nullp_out = sd.nullp;
  m.fold_valid = 1;
}

bool MainDB::add_page(pages* src, int s, bool fold) noexcept {
  Side sd = side(s);
  pages* dst = sd.actual;
  const int32_t n = src->info.n;
  // Adding the elements one by one would fill the empty actual page with
  // exactly these, and start a new page after them when they fill it.
  if (!dst || n <= 0 || n > kPageLimit + 1 || dst->count != 0 || !fgb::page_known(dst) || dst->info.n != 0)
    return false;
  fgb_db* shared = outline_ ? dst->gdb : fgb::share_list(src->gdb);
  if (!shared) return false;
  if (fold) fold_page(src, s);
  if (shared != dst->gdb) fgb_destroy_gdb(dst->gdb);
  dst->gdb = shared;
  dst->info = src->info;
  dst->info.head = shared->head;  // in outline, the list to come takes these places
  dst->info.tail = shared->tail;
  dst->count = n;
  sd.count += n;
  if (dst->count > kPageLimit) start_side(s == 1 ? 1 : 2);
  return true;
}

void MainDB::append_side(MainDB* dst, int from, int to, bool fold) noexcept {
  if (!dst) return;
  const int from_side = from == 1 ? 1 : 2;
  const int to_side = to == 1 ? 1 : 2;
  const bool same_side = dst == this && from_side == to_side;
  Side src = side(from_side);
  // Appending a side to itself must stop where the side ended before: the
  // old end cell turns into the link of the first copy, and later copies
  // may open pages after the old last page.
  pages* last = src.actual;
  tag_ns_handler stop = last ? last->gdb->tail : ns_null_obj();
  AlignedShape aligned;
  for (pages* p = src.first; p; p = p->next) {
    // Elements of a known page are already as AddElem stores them: the
    // target shares them (a whole page at once where it can) instead of
    // copying them.
    const bool known = fgb::page_known(p);
    if (known && !same_side && dst->add_page(p, to_side, fold)) {
      if (p == last) break;
      continue;
    }
    for (tag_ns_handler l = p->gdb->head; !fgb::is_end(l); l = ns_get_second_obj(l)) {
      if (p == last && ns_same_obj(l, stop)) break;
      ElementView e;
      fgb::read_element(l, e);
      const void* data = aligned.view(e.data, e.size);
      if (!data) continue;
      if (known && dst->add_linked(ns_get_first_obj(l), e.kind, data, e.curve.width, to_side)) continue;
      dst->AddElem(e.kind, data, e.curve, e.fill_or_none(), to_side);
    }
    if (p == last) break;
  }
}

void MainDB::AppendingDB(MainDB* dst, int from, int to) noexcept { append_side(dst, from, to, true); }

void MainDB::CopyAll(MainDB* src) noexcept {
  if (!src || src == this) return;
  // The boxes are taken from src afterwards: growing them on the way is wasted.
  src->append_side(this, 1, 1, false);
  src->append_side(this, 2, 2, false);
  copy_measures(*src);
}

// ---------------------------------------------------------------------------
// Notifications
// ---------------------------------------------------------------------------

void MainDB::PostNotify(int message, std::intptr_t wparam) noexcept {
  if (!window_) return;
  try {
    window_->PostNotify(message, wparam);
  } catch (...) {
    // A window that fails to queue a notification must not take the
    // document down with it; the next refresh repaints anyway.
  }
}

void MainDB::SendNotify(int message, std::intptr_t wparam) noexcept {
  if (!window_) return;
  try {
    window_->SendNotify(message, wparam);
  } catch (...) {
  }
}

void MainDB::PostM(int code) noexcept {
  switch (code) {
    case WM_DB_PROGRESS: SendNotify(WM_DB_PROGRESS, DB_PROGRESS_TICK); break;
    case DB_PROGRESS_START: SendNotify(WM_DB_PROGRESS, DB_PROGRESS_START); break;
    case DB_PROGRESS_END: PostNotify(WM_DB_PROGRESS, DB_PROGRESS_END); break;
    default: PostNotify(code, 0); break;
  }
}

// ---------------------------------------------------------------------------
// Style edits of the selection
// ---------------------------------------------------------------------------

namespace {
// Gives every element of a selection page the edited styles, in a new list
// (the old one may be shared with an undo snapshot). Each element is made
// anew: its shape datum is shared with the element it replaces, its style
// cells with the elements before it that end up with the same styles. Style
// cells are never written in place, since elements and undo snapshots share
// them. False when memory ran out (the page is unchanged).
bool restyle_page(pages* p, const gr_rgbcol* color, const double* width, fgb::StyleCache& styles) noexcept {
  fgb_db* list = fgb_create_gdb();
  if (!list) return false;
  bool ok = true;
  for (tag_ns_handler l = p->gdb->head; ok && !fgb::is_end(l); l = ns_get_second_obj(l)) {
    const tag_ns_handler old_elem = ns_get_first_obj(l);
    const tag_ns_handler cs = fgb::find_style(ns_get_second_obj(old_elem), FGB_CURVE_STYLE);
    if (ns_is_null_obj(cs) || ns_get_boxed_obj_size(cs) < FGB_CURVE_STYLE_BYTES) {
      // A style the store did not make has nothing to edit: the element stays.
      ok = fgb::append_element(list, old_elem) != 0;
      continue;
    }
    ElementView e;
    fgb::read_element(l, e);
    if (width) e.curve.width = static_cast<float>(*width);
    if (color) e.curve.color = *color;
    const tag_ns_handler style = styles.get(e.curve, e.has_fill ? &e.fill : nullptr);
    const tag_ns_handler elem = ns_is_null_obj(style) ? style : ns_create_obj();
    ok = !ns_is_null_obj(elem) && ns_set_pair_obj(elem, FGB_TAG(FGB_ELEMENT), e.shape, style) &&
         fgb::append_element(list, elem);
    if (!ns_is_null_obj(elem)) ns_untie_obj(elem);  // the link holds it now
  }
  if (!ok) {
    fgb_destroy_gdb(list);
    return false;
  }
  const bool known = fgb::page_known(p);
  fgb_destroy_gdb(p->gdb);  // the old elements go unless an undo snapshot holds them
  p->gdb = list;
  if (known) {
    p->info.head = list->head;
    p->info.tail = list->tail;
  }
  return true;
}

void edit_selection_styles(MainDB& doc, const gr_rgbcol* color, const double* width) noexcept {
  fgb::StyleCache styles;
  for (pages* p = doc.GetFirstPageSelection(); p; p = p->next) {
    const bool known = fgb::page_known(p);
    if (!restyle_page(p, color, width, styles)) continue;  // out of memory: this page keeps its styles
    // Every element of the page now has this pen width.
    if (width && known) {
      const float w = static_cast<float>(*width);
      p->info.max_width = w < 0 ? -w : w;
    }
  }
}
}  // namespace

void MainDB::SetColor(gr_rgbcol color) noexcept {
  CreateUndo();
  edit_selection_styles(*this, &color, nullptr);
  PostNotify(WM_DB_REDRAW, DB_CHANGED_SELECTION);
}

void MainDB::SetWidthPen(double width) noexcept {
  CreateUndo();
  edit_selection_styles(*this, nullptr, &width);
  PostNotify(WM_DB_REDRAW, DB_CHANGED_SELECTION);
}

void MainDB::SetWidthColor(gr_rgbcol color, double width) noexcept {
  CreateUndo();
  edit_selection_styles(*this, &color, &width);
  PostNotify(WM_DB_REDRAW, DB_CHANGED_SELECTION);
}
