// Grouping the selected polylines into one polyline set per selection page
// (SetPolyToPols) and ungrouping polyline sets into polylines
// (SetPolsToPoly).
//
// Both replace the element list of each selection page in place instead of
// rebuilding the document; elements of the kinds they do not handle are
// dropped from the selection. Afterwards the page counts, the side counts
// and the boxes are recomputed from the new lists, so that the window shows
// the true counts and the next element added to the page rolls over to a
// new page at the right time.
#include <fgb/main_db.h>

#include "db/gdb_p.h"
#include "db/main_db_p.h"
#include "db/operations_p.h"
#include "db/pages_p.h"

#include <climits>
#include <vector>

namespace {

void replace_list(pages* page, fgb_db* list) noexcept {
  fgb_destroy_gdb(page->gdb);
  page->gdb = list;
  fgb::page_info_reset(page, false);  // made here, not through AddElem
}

// Counts and boxes of both sides from the elements; then each selection
// page's count is its own element count (the recount gives the first page
// the side's total, right only while the side has one page).
void recount(MainDB& doc) noexcept {
  doc.DimensionDB();
  for (pages* p = doc.GetFirstPageSelection(); p; p = p->next) {
    long n = fgb_count_gdb(p->gdb);
    p->count = n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
  }
}

// The polylines of one page for grouping, in reverse walking order: each
// one found goes to the front. Bezier curves are flattened.
class Collection {
 public:
  // budget: the elements the set may cost (every kBudgetBytesPerElement
  // bytes of points one more).
  Collection(long steps, int64_t budget) : density_(fgb::clamp_to_int(steps)), budget_(budget) {}

  // False when the set would grow past its budget or past what a record
  // can hold (too_large()), or memory ran out.
  bool add_element(const fgb::ElementView& e, const void* data) {
    switch (e.kind) {
      case FGB_POLYLINE: return add(static_cast<const gr_polyline*>(data));
      case FGB_POLYLINES: {
        auto* set = static_cast<const gr_polylines*>(data);
        const gr_polyline* m = gr_polylines_first(set);
        for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m))
          if (!add(m)) return false;
        return true;
      }
      case FGB_BEZIER: {
        fgb::PolylineBlock pl(
            gr_conv_POLYbezier_to_polyline(static_cast<const gr_bezier*>(data), nullptr, density_));
        return !pl || add(pl.get());  // a curve that cannot be flattened gives nothing
      }
      default: return true;  // arcs, segments, circles and flashes are not collected
    }
  }

  bool empty() const { return members_.empty(); }
  bool too_large() const { return too_large_; }
  // What the set costs against the budget.
  int64_t cost() const { return 1 + static_cast<int64_t>(total_bytes_) / kBudgetBytesPerElement; }

  // One set of the collected polylines, last found first, each closed.
  fgb::PolylinesBlock build() const {
    std::vector<int> ns;
    ns.reserve(members_.size());
    for (auto it = members_.rbegin(); it != members_.rend(); ++it) ns.push_back(static_cast<int>(it->size()));
    fgb::PolylinesBlock set(gr_alloc_buffer_for_polylines(static_cast<int>(ns.size()), ns.data()));
    if (!set) return set;
    set->n = static_cast<int32_t>(ns.size());
    set->reserved = 0;
    gr_polyline* p = gr_polylines_first(set.get());
    for (auto it = members_.rbegin(); it != members_.rend(); ++it) {
      p->closed = 1;
      p->n = static_cast<uint32_t>(it->size());
      if (!it->empty()) std::memcpy(p->pnt, it->data(), it->size() * sizeof(gr_cpoint));
      p = gr_polylines_next(p);
    }
    return set;
  }

 private:
  bool add(const gr_polyline* p) {
    // The set's size must fit an int: stop collecting (and leave the page
    // alone) rather than build a record the store cannot hold.
    total_bytes_ += 16.0 * p->n + 8;
    if (total_bytes_ > INT_MAX - 64 || members_.size() >= static_cast<std::size_t>(INT32_MAX) ||
        cost() > budget_) {
      too_large_ = true;
      return false;
    }
    members_.emplace_back(p->pnt, p->pnt + p->n);
    return true;
  }

  int density_;
  int64_t budget_;
  bool too_large_ = false;
  double total_bytes_ = 8;
  std::vector<std::vector<gr_cpoint>> members_;  // in walking order; built reversed
};

}  // namespace

void MainDB::SetPolyToPols(long steps) noexcept {
  CreateUndo();
  const gr_fill_area_style hollow = fgb::hollow_fill();
  fgb::AlignedShape aligned;
  bool changed = false;
  // The sets of all pages together stay within the operation's budget.
  int64_t budget = fgb::operation_budget(*this, count_s_);
  int32_t failure = FGB_FAILED_NONE;
  for (pages* p = first_s_; p && failure == FGB_FAILED_NONE; p = p->next) {
    try {
      Collection collected(steps, budget);
      gr_curve_style last_curve{};
      fgb::for_each_link(p->gdb, [&](tag_ns_handler l) {
        if (failure != FGB_FAILED_NONE) return;
        fgb::ElementView e;
        fgb::read_element(l, e);
        last_curve = e.curve;  // the group takes the pen of the last element walked
        const void* data = aligned.view(e.data, e.size);
        if (!data || !collected.add_element(e, data))
          failure = collected.too_large() ? FGB_FAILED_TOO_LARGE : FGB_FAILED_NO_MEMORY;
      });
      if (failure != FGB_FAILED_NONE || collected.empty()) continue;
      budget -= collected.cost();
      fgb::PolylinesBlock set = collected.build();
      fgb_db* list = set ? fgb_create_gdb() : nullptr;
      if (!list || !fgb_add_filled_polylines(list, set.get(), last_curve, hollow)) {
        fgb_destroy_gdb(list);
        failure = FGB_FAILED_NO_MEMORY;
        continue;
      }
      replace_list(p, list);
      changed = true;
    } catch (...) {
      failure = FGB_FAILED_NO_MEMORY;
    }
  }
  if (changed) recount(*this);
  if (failure != FGB_FAILED_NONE) {
    // Pages grouped before the one that failed go back: the operation
    // changes all of the selection or nothing.
    if (changed) RestoreUndo();
    failure_ = failure;
  }
}

void MainDB::SetPolsToPoly() noexcept {
  CreateUndo();
  fgb::AlignedShape aligned;
  bool changed = false;
  for (pages* p = first_s_; p; p = p->next) {
    fgb_db* list = fgb_create_gdb();
    if (!list) continue;
    bool complete = true;
    fgb::for_each_link(p->gdb, [&](tag_ns_handler l) {
      fgb::ElementView e;
      fgb::read_element(l, e);
      if (e.kind != FGB_POLYLINES || !complete) return;
      const void* data = aligned.view(e.data, e.size);
      if (!data) {
        complete = false;
        return;
      }
      auto* set = static_cast<const gr_polylines*>(data);
      const gr_polyline* m = gr_polylines_first(set);
      for (int32_t i = 0; i < set->n && complete; ++i, m = gr_polylines_next(m)) {
        // A member without points would be an element with no extent,
        // which the document never holds.
        if (m->n == 0) continue;
        if (!fgb_add_polyline(list, m, e.curve)) complete = false;
      }
    });
    if (!complete) {
      fgb_destroy_gdb(list);  // out of memory: the page keeps its elements
      continue;
    }
    replace_list(p, list);
    changed = true;
  }
  if (changed) recount(*this);
}
