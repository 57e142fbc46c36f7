// Drawing element lists and documents onto a device context.
//
// Each element is drawn with a pen made from its curve style, the width
// multiplied by the transform's scale (drawing units to device units), and,
// where it has a fill style, a brush of its own. A pen stays selected while
// the elements that follow would make the same one, and the line pieces of
// such elements go to the device in one PolylineRuns call, which makes the
// same MoveToEx and LineTo pieces in the same order. Whatever was selected
// is deselected and deleted in the end, so the device context is left as it
// was found. Elements that cannot reach what the device can still change
// (its clip box) are skipped, by page where the document knows the page.
// Device coordinates are the transformed doubles truncated toward zero.
#include <fgb/main_db.h>

#include "db/gdb_p.h"
#include "db/pages_p.h"

#include <geomkit/device_context.h>
#include <geomkit/gr_graph.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// What a device can still change, seen from the drawing: elements whose
// drawing lies wholly outside are skipped. The device's clip box, grown by
// the truncation (one unit) and two device pixels, is taken back through
// the transform into drawing units as the rectangle that holds it. An
// element is skipped when its reach box (everything its outline or fill can
// touch), grown by its pen, keeps away from that rectangle: a pen's joins
// and caps reach at most 1.5 widths from the outline.
//
// Back through x' = xs (x c + y s) + dx, y' = ys (-x s + y c) + dy (xs, ys
// the signed scales): with u = (x' - dx) / xs, v = (y' - dy) / ys and
// d = c^2 + s^2,  x = (u c - v s) / d,  y = (u s + v c) / d. A device offset
// of at most w along each axis moves (x, y) by at most w (|c| + |s|) / (|scale| d)
// along each axis.
class Cull {
 public:
  Cull() = default;  // judges nothing
  Cull(HDC dc, const gr_ctrans* t) {
    RECT r;
    const int code = t ? dc->GetClipBox(&r) : RGN_ERROR;
    if (code == RGN_ERROR) return;
    if (code == NULLREGION) {
      active_ = nothing_ = true;
      return;
    }
    const GrDeviceContext::Mapping m = dc->mapping();
    const double msx = std::fabs(m.sx), msy = std::fabs(m.sy);
    const double ms = msx < msy ? msx : msy;
    const double slack = 1 + (ms > 0 ? 2 / ms : 0);
    const double bx1 = std::fmin(r.left, r.right) - slack, bx2 = std::fmax(r.left, r.right) + slack;
    const double by1 = std::fmin(r.top, r.bottom) - slack, by2 = std::fmax(r.top, r.bottom) + slack;
    const double xs = t->xsign * t->scale, ys = t->ysign * t->scale;
    const double c = t->cos, s = t->sin, d = c * c + s * s;
    if (!(std::fabs(xs) > 0) || !(std::fabs(ys) > 0) || !(d > 0)) return;
    const double cx[2] = {bx1, bx2}, cy[2] = {by1, by2};
    x1_ = y1_ = HUGE_VAL;
    x2_ = y2_ = -HUGE_VAL;
    for (double px : cx)
      for (double py : cy) {
        const double u = (px - t->dx) / xs, v = (py - t->dy) / ys;
        const double x = (u * c - v * s) / d, y = (u * s + v * c) / d;
        x1_ = std::fmin(x1_, x), x2_ = std::fmax(x2_, x);
        y1_ = std::fmin(y1_, y), y2_ = std::fmax(y2_, y);
      }
    // Rounding here and in the forward transform: a relative hair more.
    const double hair = 1e-12 * (std::fabs(x1_) + std::fabs(x2_) + std::fabs(y1_) + std::fabs(y2_));
    x1_ -= hair, y1_ -= hair, x2_ += hair, y2_ += hair;
    per_width_ = 1.5 * (std::fabs(c) + std::fabs(s)) / (std::fabs(t->scale) * d) * (1 + 1e-12);
    active_ = std::isfinite(x1_) && std::isfinite(x2_) && std::isfinite(y1_) && std::isfinite(y2_) &&
              std::isfinite(per_width_);
  }

  bool active() const { return active_; }

  // True when a shape with this reach box (drawing units), drawn with a pen
  // `width` device units wide, changes nothing on the device.
  bool outside(const gr_xy_rect& reach, double width) const {
    if (!active_) return false;
    if (nothing_) return true;
    const double m = std::fabs(width) * per_width_;
    // Written so that a NaN anywhere keeps the shape (every test false).
    return reach.x2 + m < x1_ || reach.x1 - m > x2_ || reach.y2 + m < y1_ || reach.y1 - m > y2_;
  }

  // True when a shape with this reach box and pen lies wholly inside what
  // the device can change: nothing of it needs judging.
  bool inside(const gr_xy_rect& reach, double width) const {
    if (!active_ || nothing_) return false;
    const double m = std::fabs(width) * per_width_;
    return reach.x1 - m > x1_ && reach.x2 + m < x2_ && reach.y1 - m > y1_ && reach.y2 + m < y2_;
  }

 private:
  bool active_ = false;
  bool nothing_ = false;                      // the device can change nothing at all
  double x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;  // what the device can change, drawing units
  double per_width_ = 0;                      // drawing units of reach per device unit of pen width
};

// Line pieces of elements drawn one after another with one pen, handed to
// the device in one PolylineRuns call: the device makes the same pieces in
// the same order as MoveToEx and LineTo element by element would.
class Runs {
 public:
  explicit Runs(HDC dc) : dc_(dc) {}

  void move(POINT p) {
    if (pts_.size() >= kBatch) flush();
    pts_.push_back(p);
    counts_.push_back(1);
  }
  void line(POINT p) {
    pts_.push_back(p);
    ++counts_.back();
  }
  void flush() {
    if (counts_.empty()) return;
    try {
      dc_->PolylineRuns(pts_.data(), counts_.data(), static_cast<DWORD>(counts_.size()));
    } catch (...) {
      // A back-end that fails on these pieces loses them alone, as it would
      // lose one element drawn on its own.
    }
    pts_.clear();
    counts_.clear();
  }

 private:
  // Points handed over at once: enough to make the call's cost vanish,
  // few enough to stay in the cache.
  static constexpr std::size_t kBatch = 4096;

  HDC dc_;
  std::vector<POINT> pts_;
  std::vector<DWORD> counts_;
};

// The pen of the elements drawn one after another: an element whose pen
// would be the same as the previous element's keeps it selected instead of
// making it again; the device's own pen comes back at the end.
class PenInForce {
 public:
  explicit PenInForce(HDC dc) : dc_(dc) {}
  ~PenInForce() { release(); }
  PenInForce(const PenInForce&) = delete;
  PenInForce& operator=(const PenInForce&) = delete;

  bool same(const gr_curve_style& style) const {
    if (!made_) return false;
    // The 24 stored bytes as three words: inline, where memcmp is a call.
    static_assert(FGB_CURVE_STYLE_BYTES == 24);
    const auto* a = reinterpret_cast<const unsigned char*>(&style);
    const auto* b = reinterpret_cast<const unsigned char*>(&style_);
    uint64_t diff = 0;
    for (int i = 0; i < 24; i += 8) {
      uint64_t x, y;
      std::memcpy(&x, a + i, 8);
      std::memcpy(&y, b + i, 8);
      diff |= x ^ y;
    }
    return diff == 0;
  }

  void use(const gr_curve_style& style) {
    if (same(style)) return;
    release();
    pen_ = gr_create_pen_by_curve_style(&style);
    old_ = pen_ ? dc_->SelectObject(pen_) : nullptr;
    style_ = style;
    made_ = true;
  }

 private:
  void release() {
    if (old_) dc_->SelectObject(old_);
    if (pen_) DeleteObject(pen_);
    pen_ = nullptr;
    old_ = nullptr;
    made_ = false;
  }

  HDC dc_;
  HPEN pen_ = nullptr;
  HGDIOBJ old_ = nullptr;
  gr_curve_style style_{};
  bool made_ = false;
};

// The largest magnitude the line primitive passes to the device as it is.
constexpr double kDeviceMax = 2147483647.0;

// The pieces of an element that draws only lines, added to runs: what
// outline() and gr_segment_draw would draw for it. False for every other
// element (a filled shape, a curve, a circle) and for a segment whose
// points the line primitive treats specially (not a number, beyond the
// device's range, a map mode that draws nothing), which are drawn on their
// own.
bool add_pieces(Runs& runs, const gr_ctrans* t, int kind, const void* data, bool filled, bool plain_mode) {
  auto outline_runs = [&](const gr_polyline* p) {
    if (p->n < 2) return;
    const POINT first = device_point(p->pnt[0], t);
    runs.move(first);
    for (uint32_t i = 1; i < p->n; ++i) runs.line(device_point(p->pnt[i], t));
    if (p->closed) runs.line(first);
  };
  auto segment_runs = [&](const gr_cpoint& a, const gr_cpoint& b) {
    const gr_cpoint p = gr_vector_ctrans(a.x, a.y, t), q = gr_vector_ctrans(b.x, b.y, t);
    // Written so that NaN fails too.
    if (!plain_mode || !(std::fabs(p.x) <= kDeviceMax && std::fabs(p.y) <= kDeviceMax &&
                         std::fabs(q.x) <= kDeviceMax && std::fabs(q.y) <= kDeviceMax))
      return false;
    runs.move(POINT{static_cast<int32_t>(p.x), static_cast<int32_t>(p.y)});
    runs.line(POINT{static_cast<int32_t>(q.x), static_cast<int32_t>(q.y)});
    return true;
  };
  switch (kind) {
    case FGB_POLYLINE:
      if (filled) return false;
      outline_runs(static_cast<const gr_polyline*>(data));
      return true;
    case FGB_POLYLINES: {
      if (filled) return false;
      auto* set = static_cast<const gr_polylines*>(data);
      const gr_polyline* m = gr_polylines_first(set);
      for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m)) outline_runs(m);
      return true;
    }
    case FGB_THICK_POLYLINE: outline_runs(&static_cast<const gr_thick_polyline*>(data)->pline); return true;
    case FGB_SEGMENT: {
      auto* s = static_cast<const gr_segment*>(data);
      return segment_runs(s->p1, s->p2);
    }
    case FGB_FLASH: {
      auto* p = static_cast<const gr_cpoint*>(data);
      return segment_runs(*p, *p);
    }
    default: return false;
  }
}

// How draw_list judges elements against the device's clip box.
enum class Judge {
  each,        // every element by its shape and pen
  by_shape,    // every element by its shape, with a bound on the pens
  not_at_all,  // everything lies inside: no element is judged
};

// Draws the elements of a list. With Judge::by_shape, pen_bound is a device
// width no pen of the list exceeds: an element is then judged by its shape
// alone, before its styles are read.
void draw_list(const fgb_db* db, const fgb_for_draw_gdb& draw, bool highlight, Judge judge = Judge::each,
               double pen_bound = 0) {
  if (!db || !draw.dc || !draw.trans) return;
  HDC dc = draw.dc;
  const gr_ctrans* t = draw.trans;
  Cull cull(dc, t);
  if (judge == Judge::not_at_all) cull = Cull();
  // The map modes in which the line primitive draws a point in range as it is.
  const int mode = dc->GetMapMode();
  const bool plain_mode = mode != MM_TWIPS && mode >= MM_TEXT && mode <= MM_ANISOTROPIC;
  fgb::AlignedShape aligned;
  PointBuffer buf;
  PenInForce pen(dc);
  Runs runs(dc);
  const bool judge_early = cull.active() && judge == Judge::by_shape;
  fgb::for_each_link(db, [&](tag_ns_handler l) {
    if (judge_early) {
      const tag_ns_handler shape = ns_get_first_obj(ns_get_first_obj(l));
      const void* d = aligned.view(ns_get_obj_data_ptr(shape), ns_get_boxed_obj_size(shape));
      gr_xy_rect reach;
      if (d && fgb::reach_box(fgb::role_of(shape), d, reach) && cull.outside(reach, pen_bound)) return;
    }
    fgb::ElementView e;
    fgb::read_element(l, e);
    const void* data = aligned.view(e.data, e.size);
    if (!data) return;

    gr_curve_style style = highlight ? kHighlightStyle : e.curve;
    if (!highlight) {
      if (e.kind == FGB_THICK_POLYLINE)
        style.width =
            static_cast<float>(to_device(t->scale * static_cast<const gr_thick_polyline*>(data)->thickness));
      else if (style.width != -1.0f)  // the null pen stays the null pen at any scale
        style.width = static_cast<float>(style.width * t->scale);
    }
    gr_xy_rect reach;
    if (cull.active() && fgb::reach_box(e.kind, data, reach) && cull.outside(reach, style.width)) return;
    if (!pen.same(style)) {
      runs.flush();  // the pieces so far belong to the pen in force
      pen.use(style);
    }
    const bool filled = !highlight && e.has_fill;
    if (add_pieces(runs, t, e.kind, data, filled, plain_mode)) return;
    runs.flush();

    HBRUSH brush = filled ? gr_create_brush_by_fill_area_style(&e.fill) : nullptr;
    HGDIOBJ old_brush = brush ? dc->SelectObject(brush) : nullptr;

    draw_shape(dc, t, e.kind, data, filled, highlight, buf);

    if (old_brush) dc->SelectObject(old_brush);
    if (brush) DeleteObject(brush);
  });
  runs.flush();
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
  if (!draw.dc || !draw.trans) return true;
  // Pages the document knows are skipped whole when nothing of them can
  // reach the device; the others are judged element by element.
  const Cull cull(draw.dc, draw.trans);
  // The widest pen of a known page bounds its elements' pens (the null pen
  // and the highlight count as one device unit).
  auto pen_bound = [&](const pages* p, bool highlight) {
    if (!fgb::page_known(p)) return -1.0;
    const double w = highlight ? 0.0 : std::fabs(p->info.max_width * draw.trans->scale);
    return w > 1.0 ? w : 1.0;
  };
  auto draw_page = [&](const pages* p, bool highlight) {
    Judge judge = Judge::each;
    const double bound = pen_bound(p, highlight);
    if (cull.active() && bound >= 0) {
      if (p->info.n == 0 || cull.outside(p->info.box, bound)) return;
      judge = cull.inside(p->info.box, bound) ? Judge::not_at_all : Judge::by_shape;
    }
    try {
      draw_list(p->gdb, draw, highlight, judge, bound);
    } catch (...) {
      // As fgb_draw_gdb: the picture is incomplete, the document untouched.
    }
  };
  if (what & 1)
    for (pages* p = first_; p; p = p->next) draw_page(p, false);
  if (what & 2)
    for (pages* p = first_s_; p; p = p->next) {
      draw_page(p, false);
      draw_page(p, true);
    }
  return true;
}
