// Editing operations on the selection: move and scale (Operation and the
// two SetDimension), and Bezier curves to polylines (PolyToBezier).
//
// Each operation rebuilds the document in a work document W: the main
// drawing is copied unchanged, every selected element is copied (changed
// or not) into W's selection, and the document takes over W's pages. So
// the selection keeps its order and every element keeps its styles.
#include <fgb/main_db.h>

#include "db/gdb_p.h"
#include "db/main_db_p.h"
#include "db/operations_p.h"

#include <geomkit/device_context.h>
#include <geomkit/gr_style.h>

#include <new>

namespace fgb {

gr_fill_area_style hollow_fill() noexcept {
  LOGBRUSH lb{};
  lb.lbStyle = BS_NULL;
  HGDIOBJ brush = GetStockObject(NULL_BRUSH);
  if (brush) GetObjectA(brush, static_cast<int>(sizeof lb), &lb);
  gr_fill_area_style fill{};
  gr_create_fill_area_style_by_logbrush(&fill, &lb);
  return fill;
}

ElementProgress::ElementProgress(MainDB& doc, long total) noexcept : doc_(doc), total_(total) {
  doc_.SetProgress(0);
  doc_.PostM(DB_PROGRESS_START);
}

ElementProgress::~ElementProgress() { doc_.PostM(DB_PROGRESS_END); }

void ElementProgress::step() noexcept {
  ++done_;
  if (total_ <= 0) return;
  const double f = done_ >= total_ ? 1.0 : static_cast<double>(done_) / static_cast<double>(total_);
  if (f - shown_ < 0.001 && f < 1.0) return;
  shown_ = f;
  doc_.SetProgress(f);
  doc_.PostM(WM_DB_PROGRESS);
}

}  // namespace fgb

namespace {

// One point under the operation's code:
//   0  move:          x - mx
//   2  scale:         ox + sx (x - ox)
//   4  scale, move:   ox + sx (x - ox) - mx
// (y alike); any other code leaves the point as it is.
struct PointMap {
  OperationState op;
  OperationParam p;

  bool scales() const { return op == OP_SCALE || op == OP_SCALE_MOVE; }

  void apply(gr_cpoint& q) const {
    if (scales()) {
      q.x = p.origin.x + p.sx * (q.x - p.origin.x);
      q.y = p.origin.y + p.sy * (q.y - p.origin.y);
    }
    if (op == OP_MOVE || op == OP_SCALE_MOVE) {
      q.x -= p.move.x;
      q.y -= p.move.y;
    }
  }
  void apply(gr_cpoint* pts, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) apply(pts[i]);
  }
};

// Transforms the shape (an aligned copy) in place. Circles and arcs move
// their centre and, when scaling, take the x factor on the radius: they
// stay round whatever sy is. Kinds without points are left alone.
void transform_shape(int kind, void* shape, const PointMap& m) {
  switch (kind) {
    case FGB_POLYLINE: {
      auto* p = static_cast<gr_polyline*>(shape);
      m.apply(p->pnt, p->n);
      break;
    }
    case FGB_POLYLINES: {
      auto* set = static_cast<gr_polylines*>(shape);
      gr_polyline* p = gr_polylines_first(set);
      for (int32_t i = 0; i < set->n; ++i, p = gr_polylines_next(p)) m.apply(p->pnt, p->n);
      break;
    }
    case FGB_BEZIER: {
      auto* b = static_cast<gr_bezier*>(shape);
      if (b->n > 0) m.apply(b->pnt, static_cast<std::size_t>(b->n));
      break;
    }
    case FGB_SEGMENT: {
      auto* s = static_cast<gr_segment*>(shape);
      m.apply(s->p1);
      m.apply(s->p2);
      break;
    }
    case FGB_FLASH: m.apply(*static_cast<gr_cpoint*>(shape)); break;
    case FGB_CIRCLE: {
      auto* c = static_cast<gr_circle*>(shape);
      m.apply(c->c);
      if (m.scales()) c->r *= m.p.sx;
      break;
    }
    case FGB_ARC: {
      auto* a = static_cast<fgb_arc*>(shape);
      m.apply(a->arc.c);
      if (m.scales()) a->arc.r *= m.p.sx;
      break;
    }
    default: break;
  }
}

}  // namespace

void MainDB::Operation(pOperate* request) noexcept {
  if (!request || !request->param) return;
  const PointMap map{request->op, *request->param};
  MainDB* w = new (std::nothrow) MainDB();
  if (!w) return;
  AppendingDB(w, 1, 1);
  fgb::ShapeCopy copy;
  for (pages* p = first_s_; p; p = p->next) {
    fgb::for_each_link(p->gdb, [&](tag_ns_handler l) {
      fgb::ElementView e;
      fgb::read_element(l, e);
      void* shape = copy.load(e.data, e.size);
      if (!shape) return;
      transform_shape(e.kind, shape, map);
      w->AddElem(e.kind, shape, e.curve, e.fill_or_none(), 2);
    });
  }
  fgb::take_over(*this, w);
}

void MainDB::SetDimension(gr_cpoint size, double dx, double dy, OperationState op) noexcept {
  // The factors bring the selection to the given size. An axis along which
  // the selection has no extent (a horizontal line has no height) keeps
  // the factor 1: the quotient would be infinite or not a number, and the
  // program asks this overload only to move anyway.
  constexpr double kMinExtent = 0.00001;
  OperationParam param{};
  param.origin = nullp_;
  param.sx = dim_s_.x > kMinExtent ? size.x / dim_s_.x : 1.0;
  param.sy = dim_s_.y > kMinExtent ? size.y / dim_s_.y : 1.0;
  param.move = gr_cpoint{-dx, -dy};
  pOperate request{window_, op, &param};
  CreateUndo();
  Operation(&request);
  PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
}

void MainDB::SetDimension(double sx, double sy, double ox, double oy, OperationState op) noexcept {
  CreateUndo();
  OperationParam param{};
  param.origin = gr_cpoint{ox, oy};
  param.sx = sx;
  param.sy = sy;
  param.move = gr_cpoint{0, 0};
  pOperate request{window_, op, &param};
  Operation(&request);
  PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
}

void MainDB::PolyToBezier(long steps) noexcept {
  CreateUndo();
  MainDB* w = new (std::nothrow) MainDB();
  if (!w) return;
  AppendingDB(w, 1, 1);
  const int density = fgb::clamp_to_int(steps);
  fgb::AlignedShape aligned;
  fgb::ElementProgress progress(*this, count_s_);
  w->SetAddBudget(fgb::operation_budget(*this, count_s_));
  for (pages* p = first_s_; p; p = p->next) {
    fgb::for_each_link(p->gdb, [&](tag_ns_handler l) {
      if (w->GetFailure() != FGB_FAILED_NONE) return;  // the rest would be thrown away
      fgb::ElementView e;
      fgb::read_element(l, e);
      const void* data = aligned.view(e.data, e.size);
      progress.step();
      if (!data) return;
      if (e.kind == FGB_BEZIER) {
        fgb::PolylineBlock pl(
            gr_conv_POLYbezier_to_polyline(static_cast<const gr_bezier*>(data), nullptr, density));
        if (pl) {
          w->AddElem(FGB_POLYLINE, pl.get(), e.curve, fgb::kNoFill, 2);
          return;
        }
        // A curve that cannot be flattened (too many points, no memory)
        // stays a curve rather than vanish.
      }
      w->AddElem(e.kind, data, e.curve, e.fill_or_none(), 2);
    });
  }
  fgb::take_over(*this, w);
}
