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
#include <vector>

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

// A page of the document that a page of T takes whole, and T's side.
struct WholePage {
  pages* dst;
  int to;  // 0 main, 1 selection
};

pages* first_page(const MainDB& d, int s) { return s == 1 ? d.GetFirstPage() : d.GetFirstPageSelection(); }

// Fills the lists of T, drawn up in outline, from the document's lists in
// the order the selection walked them (first_side first): elements go where
// `moved` sends them, pages T took whole go whole. The document's lists are
// moved over when nothing but the document, and the undo records about to
// let them go, holds them; the records are let go first, and nothing can
// fail after. Otherwise elements are linked anew and the records are left to
// the caller. False when memory ran out (the document is unchanged).
bool fill_outline(MainDB& doc, MainDB& t, const fgb::Relocation& moved, int first_side,
                  const std::vector<WholePage>& whole, fgb::UndoFollow& follow, bool linked_once) noexcept {
  bool move = linked_once;
  for (int s : {1, 2})
    for (pages* p = first_page(doc, s); p && move; p = p->next)
      if (!ns_same_obj(p->gdb->head, p->gdb->tail))
        move = ns_get_obj_refs(p->gdb->head) == 1u + static_cast<uint32_t>(follow.releases(p->gdb));
  fgb::PageFill fill[2] = {fgb::PageFill(t.GetFirstPage(), move),
                           fgb::PageFill(t.GetFirstPageSelection(), move)};
  if (!fill[0].ready() || !fill[1].ready()) return false;
  if (move) follow.commit();
  std::size_t k = 0;
  for (int s : {first_side, first_side == 1 ? 2 : 1}) {
    const int from = s == 1 ? 0 : 1;
    std::size_t hint = 0;
    int32_t pos = 0;
    for (pages* p = first_page(doc, s); p; p = p->next) {
      const WholePage w = whole[k++];
      if (w.dst) {
        if (!fill[w.to].take(p, w.dst)) return false;
        pos += p->info.n;
        continue;
      }
      bool ok = true;
      fgb::for_each_link(p->gdb, [&](tag_ns_handler l) {
        const int to = moved.side_of(from, pos++, &hint);
        if (ok && to >= 0) ok = fill[to].add(l);
      });
      if (!ok) return false;
    }
  }
  fill[0].finish();
  fill[1].finish();
  return true;
}

}  // namespace

bool MainDB::SelectElems(addParam* request, int direction) noexcept {
  if (!request) return true;
  const int scanned = direction == 2 ? 2 : 1;
  const int hit_side = direction == 2 ? 1 : 2;
  const int stay = scanned;  // the side numbered by the direction itself

  // When every page is known, T is drawn up in outline (counts, boxes and
  // pages, nothing linked) and its lists are filled afterwards from the
  // document's own: moved over when nothing else holds them, so that a
  // selection change needs no second copy of a large drawing.
  bool outline = true;
  std::size_t page_total = 0;
  for (int s : {1, 2})
    for (pages* p = side(s).first; p; p = p->next, ++page_total) outline = outline && fgb::page_known(p);
  MainDB* t = new (std::nothrow) MainDB();
  if (!t) return true;
  t->outline_ = outline;
  // Where each element goes (side index 0 main, 1 selection), for the undo
  // records that name elements by their place and for filling T's lists;
  // per page walked, the page of T that takes it whole, if one does.
  fgb::Relocation moved;
  std::vector<WholePage> whole;
  try {
    whole.reserve(page_total);
  } catch (const std::bad_alloc&) {
    delete t;
    failure_ = FGB_FAILED_NO_MEMORY;
    return true;
  }
  auto at = [](int s) { return s == 1 ? 0 : 1; };
  bool linked_once = true;  // every link but a list's first is held by its list alone

  const gr_xy_rect rect = normalised(request->rect);
  int m = request->mode;
  fgb::AlignedShape aligned;
  // With keep, the elements already on the hit side stay there, ahead of
  // the hits. Without keep they are tested again, after the scanned side's
  // own, as if they had been appended to it (read in place: a document that
  // runs out of memory half-way through a copy into itself would hold some
  // elements twice).
  struct Pass {
    int side;
    bool test;
  };
  const Pass passes[2] = {{request->keep ? hit_side : scanned, !request->keep},
                          {request->keep ? scanned : hit_side, true}};
  for (const Pass& pass : passes) {
    const int from = at(pass.side);
    int32_t pos = 0;  // of the next element on its side
    for (pages* p = side(pass.side).first; p; p = p->next) {
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
      // box keeps away from the rectangle), or one that stays on the hit
      // side, goes as it is, whole where T's pages line up with it.
      const int whole_to = pass.test ? stay : hit_side;
      const bool untouched =
          known && (!pass.test || m == 2 ||
                    far_apart(rect, p->info.box.x1, p->info.box.y1, p->info.box.x2, p->info.box.y2));
      pages* dst = t->side(whole_to).actual;
      const int32_t before = t->side_count(whole_to);
      if (untouched && (p->info.n == 0 || t->add_page(p, whole_to, true))) {
        moved.note(from, pos, p->info.n, at(whole_to), before);
        pos += p->info.n;
        whole.push_back(WholePage{p->info.n ? dst : nullptr, at(whole_to)});
        continue;
      }
      whole.push_back(WholePage{nullptr, 0});
      auto visit = [&](tag_ns_handler l) {
        if (outline && !ns_same_obj(l, p->gdb->head) && ns_get_obj_refs(l) != 1) linked_once = false;
        fgb::ElementView e;
        fgb::read_element(l, e);
        const void* data = aligned.view(e.data, e.size);
        if (!data) return;
        if (!pass.test || m == 2 || untouched) {
          add(l, e, data, whole_to);
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

  fgb::UndoFollow follow;
  if (t->GetFailure() == FGB_FAILED_NONE) {
    if ((outline && !moved.whole()) || !follow.prepare(*this, moved) ||
        (outline && !fill_outline(*this, *t, moved, passes[0].side, whole, follow, linked_once))) {
      delete t;  // the selection stays as it was
      failure_ = FGB_FAILED_NO_MEMORY;
      return true;
    }
    follow.commit();
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
