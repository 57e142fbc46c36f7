// Inset: offset contours of the selected elements (Equidistant).
//
// A polyline gets up to n contours, at d, 2d, ... nd, and stops at the
// first distance the offset engine rejects (a contour that vanished at 2d
// does not come back at 3d). Each member of a polyline set and each Bezier
// curve gets one contour at d. The contours join the selection ahead of the
// elements selected before, unfilled, with the pen of their source.
#include <fgb/main_db.h>

#include "db/gdb_p.h"
#include "db/main_db_p.h"
#include "db/operations_p.h"

#include <geomkit/gr_eqvidist.h>

#include <new>

namespace {

// Points per Bezier piece when a curve is flattened for its contour.
constexpr int kBezierOffsetSteps = 100;

// One contour from the engine, or null when it rejects the distance.
fgb::PolylinesBlock offset_polyline(const gr_polyline* p, double d) {
  gr_polylines* out = nullptr;
  int ok = gr_eqvidist_polyline(p, d, &out, 1);
  fgb::PolylinesBlock result(out);  // freed either way; the engine may leave a partial result
  if (!ok) result.reset();
  return result;
}

fgb::PolylinesBlock offset_bezier(const gr_bezier* b, double d) {
  gr_polylines* out = nullptr;
  int ok = gr_eqvidist_bezier(b, d, &out, kBezierOffsetSteps, 1);
  fgb::PolylinesBlock result(out);
  if (!ok) result.reset();
  return result;
}

}  // namespace

void MainDB::Equidistant(double d, long n) noexcept {
  CreateUndo();
  MainDB* w = new (std::nothrow) MainDB();
  if (!w) return;
  const gr_fill_area_style hollow = fgb::hollow_fill();
  {
    fgb::AlignedShape aligned;
    fgb::ElementProgress progress(*this, count_s_);
    auto add = [&](const fgb::PolylinesBlock& contour, const gr_curve_style& curve) {
      if (contour) w->AddElem(FGB_POLYLINES, contour.get(), curve, hollow, 2);
    };
    // The budget bounds the contours; the copies of the drawing after them
    // are what the document holds already.
    w->SetAddBudget(fgb::operation_budget(*this, count_s_));
    for (pages* p = first_s_; p; p = p->next) {
      fgb::for_each_link(p->gdb, [&](tag_ns_handler l) {
        if (w->GetFailure() != FGB_FAILED_NONE) return;  // the rest would be thrown away
        fgb::ElementView e;
        fgb::read_element(l, e);
        progress.step();
        if (e.kind != FGB_POLYLINE && e.kind != FGB_POLYLINES && e.kind != FGB_BEZIER) return;
        const void* data = aligned.view(e.data, e.size);
        if (!data) return;
        switch (e.kind) {
          case FGB_POLYLINE:
            for (long j = 1; j <= n && w->GetFailure() == FGB_FAILED_NONE; ++j) {
              fgb::PolylinesBlock c =
                  offset_polyline(static_cast<const gr_polyline*>(data), static_cast<double>(j) * d);
              if (!c) break;
              add(c, e.curve);
            }
            break;
          case FGB_POLYLINES: {
            auto* set = static_cast<const gr_polylines*>(data);
            const gr_polyline* m = gr_polylines_first(set);
            for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m))
              if (m->n > 0) add(offset_polyline(m, d), e.curve);
            break;
          }
          default: add(offset_bezier(static_cast<const gr_bezier*>(data), d), e.curve); break;
        }
      });
    }
  }
  // The document's own elements follow the contours: main to main,
  // selection to selection.
  w->SetAddBudget(-1);
  if (w->GetFailure() == FGB_FAILED_NONE) {
    AppendingDB(w, 1, 1);
    AppendingDB(w, 2, 2);
  }
  if (fgb::take_over(*this, w)) PostNotify(WM_DB_REFRESH, DB_CHANGED_SELECTION);
}
