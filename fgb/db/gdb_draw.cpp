// Drawing element lists and documents onto a device context.
//
// Each element gets its own pen, made from its curve style with the width
// multiplied by the transform's scale (drawing units to device units), and,
// where it has a fill style, its own brush; both are deselected and deleted
// after the element, so the device context is left as it was found.
// Device coordinates are the transformed doubles truncated toward zero.
#include <fgb/main_db.h>

#include "db/gdb_p.h"

#include <geomkit/device_context.h>
#include <geomkit/gr_graph.h>

#include <climits>
#include <cstdlib>

namespace {

// The highlight pen of selected elements: hairline, blue, solid.
constexpr gr_curve_style kHighlightStyle = {0.0f, {0.0f, 0.2f, 1.0f}, {0, {0.0f}}};

// Truncation toward zero, kept within the device's integer range (a view
// zoomed far in can put points beyond it; NaN goes to 0).
int to_device(double v) {
  if (!(v == v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

POINT device_point(const gr_cpoint& p, const gr_ctrans* t) {
  gr_cpoint q = gr_vector_ctrans(p.x, p.y, t);
  return POINT{to_device(q.x), to_device(q.y)};
}

// A growable point array for polygons, reused from element to element.
class PointBuffer {
 public:
  ~PointBuffer() {
    std::free(pts_);
    std::free(counts_);
  }
  // Room for n points and k polygon counts; false when memory runs out.
  bool reserve(std::size_t n, std::size_t k) {
    if (n > cap_) {
      void* p = std::realloc(pts_, n * sizeof(POINT));
      if (!p) return false;
      pts_ = static_cast<POINT*>(p);
      cap_ = n;
    }
    if (k > kcap_) {
      void* p = std::realloc(counts_, k * sizeof(int));
      if (!p) return false;
      counts_ = static_cast<int*>(p);
      kcap_ = k;
    }
    return true;
  }
  POINT* pts() { return pts_; }
  int* counts() { return counts_; }

 private:
  POINT* pts_ = nullptr;
  int* counts_ = nullptr;
  std::size_t cap_ = 0;
  std::size_t kcap_ = 0;
};

// Move to the first point, a line to each next, and back to the first when
// the polyline is closed. Fewer than 2 points draw nothing.
void outline(HDC dc, const gr_polyline* p, const gr_ctrans* t) {
  if (p->n < 2) return;
  POINT first = device_point(p->pnt[0], t);
  dc->MoveToEx(first.x, first.y, nullptr);
  for (uint32_t i = 1; i < p->n; ++i) {
    POINT q = device_point(p->pnt[i], t);
    dc->LineTo(q.x, q.y);
  }
  if (p->closed) dc->LineTo(first.x, first.y);
}

void filled_polygon(HDC dc, const gr_polyline* p, const gr_ctrans* t, PointBuffer& buf) {
  if (p->n < 2 || !buf.reserve(p->n, 0)) return;
  for (uint32_t i = 0; i < p->n; ++i) buf.pts()[i] = device_point(p->pnt[i], t);
  dc->Polygon(buf.pts(), static_cast<int>(p->n));
}

// All members as one shape, even-odd: a member inside another is a hole.
void filled_poly_polygon(HDC dc, const gr_polylines* set, const gr_ctrans* t, PointBuffer& buf) {
  std::size_t total = 0, polys = 0;
  const gr_polyline* m = gr_polylines_first(set);
  for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m)) {
    if (m->n < 2) continue;
    total += m->n;
    ++polys;
  }
  if (polys == 0 || total > INT_MAX || !buf.reserve(total, polys)) return;
  std::size_t at = 0, k = 0;
  m = gr_polylines_first(set);
  for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m)) {
    if (m->n < 2) continue;
    for (uint32_t j = 0; j < m->n; ++j) buf.pts()[at++] = device_point(m->pnt[j], t);
    buf.counts()[k++] = static_cast<int>(m->n);
  }
  int old_mode = dc->SetPolyFillMode(ALTERNATE);
  dc->PolyPolygon(buf.pts(), buf.counts(), static_cast<int>(polys));
  dc->SetPolyFillMode(old_mode);
}

void draw_shape(HDC dc, const gr_ctrans* t, int kind, const void* data, bool filled, bool highlight,
                PointBuffer& buf) {
  switch (kind) {
    case FGB_POLYLINE: {
      auto* p = static_cast<const gr_polyline*>(data);
      if (filled)
        filled_polygon(dc, p, t, buf);
      else
        outline(dc, p, t);
      break;
    }
    case FGB_POLYLINES: {
      auto* set = static_cast<const gr_polylines*>(data);
      if (filled) {
        filled_poly_polygon(dc, set, t, buf);
      } else {
        const gr_polyline* m = gr_polylines_first(set);
        for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m)) outline(dc, m, t);
      }
      break;
    }
    case FGB_THICK_POLYLINE: outline(dc, &static_cast<const gr_thick_polyline*>(data)->pline, t); break;
    case FGB_ARC: {
      gr_trcircle a;
      gr_trcircle_ctrans(&a, &static_cast<const fgb_arc*>(data)->arc, t);
      gr_trcircle_draw(&a, dc);
      break;
    }
    case FGB_SEGMENT: {
      auto* s = static_cast<const gr_segment*>(data);
      gr_segment d{gr_vector_ctrans(s->p1.x, s->p1.y, t), gr_vector_ctrans(s->p2.x, s->p2.y, t)};
      gr_segment_draw(&d, dc);
      break;
    }
    case FGB_CIRCLE: {
      gr_circle c;
      gr_circle_ctrans(&c, static_cast<const gr_circle*>(data), t);
      if (highlight) {
        gr_circle_draw(&c, dc);
      } else {
        // Hollow whatever the element's fill: the null brush for this call.
        gr_xy_rect r;
        gr_get_circle_dims(&r, &c);
        HGDIOBJ old = dc->SelectObject(GetStockObject(NULL_BRUSH));
        dc->Ellipse(to_device(r.x1), to_device(r.y1), to_device(r.x2), to_device(r.y2));
        if (old) dc->SelectObject(old);
      }
      break;
    }
    case FGB_BEZIER: {
      auto* b = static_cast<const gr_bezier*>(data);
      if (b->n <= 0) break;
      gr_bezier* copy = gr_alloc_buffer_for_bezier(b->n);
      if (!copy) break;
      gr_bezier_ctrans(copy, b, t);
      copy->n = b->n;
      gr_bezier_draw(dc, copy);
      gr_free_buffer_for_bezier(copy);
      break;
    }
    case FGB_FLASH: {
      auto* p = static_cast<const gr_cpoint*>(data);
      gr_cpoint q = gr_vector_ctrans(p->x, p->y, t);
      gr_segment d{q, q};
      gr_segment_draw(&d, dc);
      break;
    }
    default: break;
  }
}

void draw_list(const fgb_db* db, const fgb_for_draw_gdb& draw, bool highlight) {
  if (!db || !draw.dc || !draw.trans) return;
  HDC dc = draw.dc;
  const gr_ctrans* t = draw.trans;
  fgb::AlignedShape aligned;
  PointBuffer buf;
  fgb::for_each_link(db, [&](tag_ns_handler l) {
    fgb::ElementView e;
    fgb::read_element(l, e);
    const void* data = aligned.view(e.data, e.size);
    if (!data) return;

    gr_curve_style style = highlight ? kHighlightStyle : e.curve;
    if (!highlight) {
      if (e.kind == FGB_THICK_POLYLINE)
        style.width = static_cast<float>(to_device(t->scale * static_cast<const gr_thick_polyline*>(data)->thickness));
      else if (style.width != -1.0f)  // the null pen stays the null pen at any scale
        style.width = static_cast<float>(style.width * t->scale);
    }
    HPEN pen = gr_create_pen_by_curve_style(&style);
    HGDIOBJ old_pen = pen ? dc->SelectObject(pen) : nullptr;
    const bool filled = !highlight && e.has_fill;
    HBRUSH brush = filled ? gr_create_brush_by_fill_area_style(&e.fill) : nullptr;
    HGDIOBJ old_brush = brush ? dc->SelectObject(brush) : nullptr;

    draw_shape(dc, t, e.kind, data, filled, highlight, buf);

    if (old_brush) dc->SelectObject(old_brush);
    if (brush) DeleteObject(brush);
    if (old_pen) dc->SelectObject(old_pen);
    if (pen) DeleteObject(pen);
  });
}

}  // namespace

extern "C" {

// A device that throws (a back-end out of memory) ends the drawing of the
// list; the picture is incomplete but the document is untouched.
FGB_API void fgb_draw_gdb(const fgb_db* db, fgb_for_draw_gdb draw) noexcept {
  try {
    draw_list(db, draw, false);
  } catch (...) {
  }
}

FGB_API void draw_select_gdb(const fgb_db* db, const fgb_for_draw_gdb* draw) noexcept {
  if (!draw) return;
  try {
    draw_list(db, *draw, true);
  } catch (...) {
  }
}

}  // extern "C"

bool MainDB::Draw(fgb_for_draw_gdb draw, int what) noexcept {
  if (what & 1)
    for (pages* p = first_; p; p = p->next) fgb_draw_gdb(p->gdb, draw);
  if (what & 2)
    for (pages* p = first_s_; p; p = p->next) {
      fgb_draw_gdb(p->gdb, draw);
      draw_select_gdb(p->gdb, &draw);
    }
  return true;
}
