// Selection: moving the elements hit by a rectangle between the main
// drawing and the selection.
//
// The document is rebuilt into a work document T (every element copied,
// hit or not) and then takes over T's pages, so a selection change is
// atomic from the caller's view. The scanned side is the one the hit
// elements leave (selection for direction 2, else main), the hit side the
// one they go to; a non-hit element stays on its side.
#include <fgb/main_db.h>

#include "db/gdb_p.h"
#include "db/main_db_p.h"
#include "db/pages_p.h"
#include "db/undo_pages_p.h"

#include <geomkit/gr_bez.h>
#include <geomkit/gr_circle.h>
#include <geomkit/gr_poly.h>

#include <new>

namespace {

// Points per Bezier piece when a curve is flattened for the hit test.
constexpr int kBezierHitSteps = 12;

// The hit tests decide within GR_LMES_PREC of an outline; a figure whose
// box keeps farther than this from the rectangle's outline (wholly outside
// or wholly inside) is decided by its box, and the exact test is skipped.
constexpr double kRejectMargin = 10 * GR_LMES_PREC;

gr_xy_rect normalised(const gr_xy_rect& r) {
  gr_xy_rect n;
  n.x1 = r.x1 < r.x2 ? r.x1 : r.x2;
  n.x2 = r.x1 < r.x2 ? r.x2 : r.x1;
  n.y1 = r.y1 < r.y2 ? r.y1 : r.y2;
  n.y2 = r.y1 < r.y2 ? r.y2 : r.y1;
  return n;
}

bool far_apart(const gr_xy_rect& rect, double x1, double y1, double x2, double y2) {
  return x2 < rect.x1 - kRejectMargin || x1 > rect.x2 + kRejectMargin || y2 < rect.y1 - kRejectMargin ||
         y1 > rect.y2 + kRejectMargin;
}

// A figure whose box keeps farther than the margin inside the rectangle
// lies inside it: a hit, whatever its shape, without the exact test.
bool well_inside(const gr_xy_rect& rect, double x1, double y1, double x2, double y2) {
  return x1 > rect.x1 + kRejectMargin && x2 < rect.x2 - kRejectMargin && y1 > rect.y1 + kRejectMargin &&
         y2 < rect.y2 - kRejectMargin;
}

// Selection takes "figure inside the rectangle" and "outlines cross" as hits.
bool is_hit(int code) { return code == GR_FIGURE_IN_RECT || code == GR_OUTLINES_CROSS; }

bool hit_polyline(const gr_xy_rect& rect, const gr_polyline* p) {
  if (p->n == 0) return false;
  gr_xy_rect b;
  gr_get_polyline_dims(&b, p);
  if (far_apart(rect, b.x1, b.y1, b.x2, b.y2)) return false;
  if (well_inside(rect, b.x1, b.y1, b.x2, b.y2)) return true;
  return is_hit(gr_layout_rect_polyline(&rect, p));
}

bool hit_segment(const gr_xy_rect& rect, const gr_segment& s) {
  double x1 = s.p1.x < s.p2.x ? s.p1.x : s.p2.x, x2 = s.p1.x < s.p2.x ? s.p2.x : s.p1.x;
  double y1 = s.p1.y < s.p2.y ? s.p1.y : s.p2.y, y2 = s.p1.y < s.p2.y ? s.p2.y : s.p1.y;
  if (far_apart(rect, x1, y1, x2, y2)) return false;
  if (well_inside(rect, x1, y1, x2, y2)) return true;
  gr_xy_rect r = rect;
  gr_segment seg = s;
  return is_hit(gr_layout_rect_segm(&r, &seg));
}

// 0: apart, 1: well inside, 2: the exact test decides.
int circle_box(const gr_xy_rect& rect, const gr_cpoint& c, double radius) {
  double r = radius < 0 ? -radius : radius;
  if (far_apart(rect, c.x - r, c.y - r, c.x + r, c.y + r)) return 0;
  return well_inside(rect, c.x - r, c.y - r, c.x + r, c.y + r) ? 1 : 2;
}

// The hit test of one element of one of the document's kinds; a polyline
// set is hit as soon as one member is.
bool hit_element(const gr_xy_rect& rect, int kind, const void* data) {
  switch (kind) {
    case FGB_POLYLINE: return hit_polyline(rect, static_cast<const gr_polyline*>(data));
    case FGB_POLYLINES: {
      auto* set = static_cast<const gr_polylines*>(data);
      const gr_polyline* m = gr_polylines_first(set);
      for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m))
        if (hit_polyline(rect, m)) return true;
      return false;
    }
    case FGB_ARC: {
      fgb_arc a = *static_cast<const fgb_arc*>(data);  // the test normalises the arc's range in place
      int box = circle_box(rect, a.arc.c, a.arc.r);
      if (box != 2) return box == 1;
      gr_xy_rect r = rect;
      return is_hit(gr_layout_rect_trcircle(&r, &a.arc));
    }
    case FGB_SEGMENT: return hit_segment(rect, *static_cast<const gr_segment*>(data));
    case FGB_CIRCLE: {
      auto* c = static_cast<const gr_circle*>(data);
      int box = circle_box(rect, c->c, c->r);
      if (box != 2) return box == 1;
      gr_xy_rect r = rect;
      return is_hit(gr_layout_rect_circle(&r, c));
    }
    case FGB_BEZIER: {
      auto* b = static_cast<const gr_bezier*>(data);
      if (b->n < 4) return false;  // no complete piece: nothing to hit
      // The flattened curve stays inside the box of its control points.
      double x1 = b->pnt[0].x, x2 = x1, y1 = b->pnt[0].y, y2 = y1;
      for (int32_t i = 1; i < b->n; ++i) {
        const gr_cpoint& q = b->pnt[i];
        x1 = q.x < x1 ? q.x : x1;
        x2 = q.x > x2 ? q.x : x2;
        y1 = q.y < y1 ? q.y : y1;
        y2 = q.y > y2 ? q.y : y2;
      }
      if (far_apart(rect, x1, y1, x2, y2)) return false;
      if (well_inside(rect, x1, y1, x2, y2)) return true;
      return is_hit(gr_layout_rect_bezier(&rect, b, kBezierHitSteps));
    }
    case FGB_FLASH: {
      auto* p = static_cast<const gr_cpoint*>(data);
      return hit_segment(rect, gr_segment{*p, *p});
    }
    default: return false;
  }
}

}  // namespace

bool MainDB::SelectElems(addParam* request, int direction) noexcept {
  if (!request) return true;
  const int scanned = direction == 2 ? 2 : 1;
  const int hit_side = direction == 2 ? 1 : 2;
  const int stay = scanned;  // the side numbered by the direction itself

  MainDB* t = new (std::nothrow) MainDB();
  if (!t) return true;
  // Where each element goes, for the undo records that name elements by
  // their place in the document (side index 0 main, 1 selection).
  fgb::Relocation moved;
  auto at = [](int s) { return s == 1 ? 0 : 1; };
  if (request->keep) {
    AppendingDB(t, hit_side, hit_side);  // they stay where they are
    // Each in its place, when every one of them was taken.
    long n = 0;
    for (pages* p = side(hit_side).first; p; p = p->next)
      n += fgb::page_known(p) ? p->info.n : fgb_count_gdb(p->gdb);
    if (t->side_count(hit_side) == n) moved.note(at(hit_side), 0, t->side_count(hit_side), at(hit_side), 0);
  }

  const gr_xy_rect rect = normalised(request->rect);
  int m = request->mode;
  fgb::AlignedShape aligned;
  // Without keep, the elements already on the hit side are tested again,
  // after the scanned side's own, as if they had been appended to it (read
  // in place: a document that runs out of memory half-way through a copy
  // into itself would hold some elements twice).
  const int walk_side[2] = {scanned, hit_side};
  pages* walk[2] = {side(scanned).first, request->keep ? nullptr : side(hit_side).first};
  for (int w = 0; w < 2; ++w) {
    const int from = at(walk_side[w]);
    int32_t pos = 0;  // of the next element on its side
    for (pages* p = walk[w]; p; p = p->next) {
      // Elements of a known page are already as AddElem stores them: T
      // shares them instead of copying them.
      const bool known = fgb::page_known(p);
      auto add = [&](tag_ns_handler l, const fgb::ElementView& e, const void* data, int to) {
        const int32_t before = t->side_count(to);
        if (!known || !t->add_linked(ns_get_first_obj(l), e.kind, data, e.curve.width, to))
          t->AddElem(e.kind, data, e.curve, e.fill_or_none(), to);
        if (t->side_count(to) == before + 1) moved.note(from, pos, 1, at(to), before);
      };
      // A known page that nothing can hit (no hit is left to make, or its
      // box keeps away from the rectangle) stays as it is, whole where the
      // stay side's pages line up with it.
      const bool untouched = known && (m == 2 || far_apart(rect, p->info.box.x1, p->info.box.y1,
                                                           p->info.box.x2, p->info.box.y2));
      const int32_t before = t->side_count(stay);
      if (untouched && (p->info.n == 0 || t->add_page(p, stay, true))) {
        moved.note(from, pos, p->info.n, at(stay), before);
        pos += p->info.n;
        continue;
      }
      auto visit = [&](tag_ns_handler l) {
        fgb::ElementView e;
        fgb::read_element(l, e);
        const void* data = aligned.view(e.data, e.size);
        if (!data) return;
        if (m == 2 || untouched) {
          add(l, e, data, stay);
          return;
        }
        // A polyline set without members has no place in the rebuilt document.
        if (e.kind == FGB_POLYLINES && static_cast<const gr_polylines*>(data)->n <= 0) return;
        if (hit_element(rect, e.kind, data)) {
          add(l, e, data, hit_side);
          if (m != 0) m = 2;  // only the first hit changes side
        } else {
          add(l, e, data, stay);
        }
      };
      fgb::for_each_link(p->gdb, [&](tag_ns_handler l) {
        visit(l);
        ++pos;
      });
    }
  }

  if (t->GetFailure() == FGB_FAILED_NONE && !fgb::relocate_undo(*this, moved)) {
    delete t;  // the undo records could not follow: the selection stays as it was
    failure_ = FGB_FAILED_NO_MEMORY;
    return true;
  }
  undo_busy_ = true;  // the records next to the present state fit the new one already
  fgb::take_over(*this, t);
  undo_busy_ = false;
  PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
  return true;
}

bool MainDB::SelectElems() noexcept {
  // The snapshot is taken before anything moves, so that undoing select-all
  // gives back exactly the document as it was.
  CreateUndo();
  AppendingDB(this, 1, 2);
  if (failure_ != FGB_FAILED_NONE) {
    // Memory ran out half-way: some elements would be on both sides.
    if (!RestoreUndo()) DimensionDB();
    return true;
  }
  destroy_side(1);
  start_side(1);
  DimensionDB();
  PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
  return true;
}
