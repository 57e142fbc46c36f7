// The document: pages, counts, bounding boxes, copies and notifications.
#include <fgb/main_db.h>

#include "db/gdb_p.h"
#include "db/main_db_p.h"

#include <algorithm>
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
  if (owns_pages_ == 1) DestroyInfo();
  DeleteHeads();
}

namespace {
// A page with a fresh empty list, or null when memory is exhausted.
pages* new_page() noexcept {
  auto* p = new (std::nothrow) pages{nullptr, 0, nullptr};
  if (!p) return nullptr;
  p->gdb = fgb_create_gdb();
  if (!p->gdb) {
    delete p;
    return nullptr;
  }
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
    case FGB_POLYLINE: case FGB_POLYLINES: case FGB_ARC: case FGB_SEGMENT:
    case FGB_CIRCLE: case FGB_BEZIER: case FGB_FLASH:
      break;
    default:
      return;  // no other kind has a place in the document
  }
  int size = fgb::shape_size(kind, shape);
  if (size <= 0) return;
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
  if (!page || !fgb::add_shape(page->gdb, kind, data, size, curve, f)) {
    failure_ = FGB_FAILED_NO_MEMORY;  // the store is exhausted
    return;
  }

  Dim_to_Dim(sd.count, sd.dim, sd.nullp, sd.centre, r);
  ++page->count;
  ++sd.count;
  if (page->count > kPageLimit) start_side(s == 1 ? 1 : 2);
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

void MainDB::AppendingDB(MainDB* dst, int from, int to) noexcept {
  if (!dst) return;
  Side src = side(from == 1 ? 1 : 2);
  // Appending a side to itself must stop where the side ended before: the
  // old end cell turns into the link of the first copy, and later copies
  // may open pages after the old last page.
  pages* last = src.actual;
  tag_ns_handler stop = last ? last->gdb->tail : ns_null_obj();
  AlignedShape aligned;
  for (pages* p = src.first; p; p = p->next) {
    for (tag_ns_handler l = p->gdb->head; !fgb::is_end(l); l = ns_get_second_obj(l)) {
      if (p == last && ns_same_obj(l, stop)) break;
      ElementView e;
      fgb::read_element(l, e);
      const void* data = aligned.view(e.data, e.size);
      if (!data) continue;
      dst->AddElem(e.kind, data, e.curve, e.fill_or_none(), to);
    }
    if (p == last) break;
  }
}

void MainDB::CopyAll(MainDB* src) noexcept {
  if (!src || src == this) return;
  src->AppendingDB(this, 1, 1);
  src->AppendingDB(this, 2, 2);
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
// Style edits of the selection, in place in the curve style cells
// ---------------------------------------------------------------------------

namespace {
void edit_selection_styles(MainDB& doc, const gr_rgbcol* color, const double* width) noexcept {
  for (pages* p = doc.GetFirstPageSelection(); p; p = p->next) {
    fgb::for_each_link(p->gdb, [&](tag_ns_handler l) {
      tag_ns_handler cs = fgb::find_style(ns_get_second_obj(ns_get_first_obj(l)), FGB_CURVE_STYLE);
      if (ns_is_null_obj(cs) || ns_get_boxed_obj_size(cs) < FGB_CURVE_STYLE_BYTES) return;
      // Floats only: the datum's 4-byte alignment is enough.
      auto* st = static_cast<gr_curve_style*>(ns_get_obj_data_ptr(cs));
      if (width) st->width = static_cast<float>(*width);
      if (color) st->color = *color;
    });
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
