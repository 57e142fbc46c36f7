// The element store: lists of drawing elements kept in object-store cells.
//
// Reference discipline: every cell ends with exactly the references of the
// cells that contain it. A cell made here starts with one reference (ours);
// as soon as a pair holds it we untie ours. The list record holds the one
// reference to its head; the tail (end cell) is held by the last link, or
// by the record itself while the list is empty (then head == tail).
#include "db/gdb_p.h"

#include <climits>
#include <new>

namespace fgb {
namespace {

// A boxed style cell, or null when the store is exhausted.
tag_ns_handler make_boxed(int role, const void* data, int n) noexcept {
  tag_ns_handler c = ns_create_obj();
  if (ns_is_null_obj(c)) return c;
  if (!ns_set_boxed_obj(c, FGB_TAG(role), data, n)) {
    ns_untie_obj(c);
    return ns_null_obj();
  }
  return c;
}

// The style of an element: the curve style cell alone, or a style pair
// (curve, fill). Null when the store is exhausted (nothing left behind).
tag_ns_handler make_style(const gr_curve_style& curve, const gr_fill_area_style* fill) noexcept {
  tag_ns_handler cs = make_boxed(FGB_CURVE_STYLE, &curve, FGB_CURVE_STYLE_BYTES);
  if (ns_is_null_obj(cs) || !fill) return cs;
  tag_ns_handler fs = make_boxed(FGB_FILL_STYLE, fill, FGB_FILL_STYLE_BYTES);
  tag_ns_handler pair = ns_is_null_obj(fs) ? fs : ns_create_obj();
  if (ns_is_null_obj(pair) || !ns_set_pair_obj(pair, FGB_TAG(FGB_STYLE_PAIR), cs, fs)) {
    if (!ns_is_null_obj(pair)) ns_untie_obj(pair);
    if (!ns_is_null_obj(fs)) ns_untie_obj(fs);
    ns_untie_obj(cs);
    return ns_null_obj();
  }
  ns_untie_obj(cs);
  ns_untie_obj(fs);
  return pair;
}

// Largest point count whose record size still fits an int.
constexpr uint32_t kMaxPoints = (INT_MAX - 16) / 16;

}  // namespace

int append_element(fgb_db* db, tag_ns_handler elem) noexcept {
  if (ns_same_obj(db->head, db->tail)) {
    tag_ns_handler link = ns_create_obj();
    if (ns_is_null_obj(link)) return 0;
    if (!ns_set_pair_obj(link, FGB_TAG(FGB_LINK), elem, db->tail)) {
      ns_untie_obj(link);
      return 0;
    }
    ns_untie_obj(db->head);  // the link holds the end cell now
    db->head = link;
    return 1;
  }
  tag_ns_handler end = ns_create_obj();
  if (ns_is_null_obj(end)) return 0;
  ns_set_unboxed_obj_NULL(end, FGB_TAG(FGB_END));
  // The present end cell becomes the new last link in place, so nothing
  // that points at it (the previous link) needs to change.
  if (!ns_set_pair_obj(db->tail, FGB_TAG(FGB_LINK), elem, end)) {
    ns_untie_obj(end);
    return 0;
  }
  ns_untie_obj(end);
  db->tail = end;
  return 1;
}

tag_ns_handler find_style(tag_ns_handler style, int role) noexcept {
  tag_ns_handler cur = style;
  while (!ns_is_null_obj(cur) && role_of(cur) == FGB_STYLE_PAIR) {
    tag_ns_handler f = ns_get_first_obj(cur);
    if (!ns_is_null_obj(f) && role_of(f) == role) return f;
    cur = ns_get_second_obj(cur);
  }
  if (!ns_is_null_obj(cur) && role_of(cur) == role) return cur;
  return ns_null_obj();
}

void read_element(tag_ns_handler link, ElementView& out) noexcept {
  tag_ns_handler elem = ns_get_first_obj(link);
  out.shape = ns_get_first_obj(elem);
  out.kind = role_of(out.shape);
  out.data = ns_get_obj_data_ptr(out.shape);
  out.size = ns_get_boxed_obj_size(out.shape);
  tag_ns_handler style = ns_get_second_obj(elem);
  // The two shapes the store itself builds: a curve style cell alone, or
  // the pair (curve, fill). Anything else goes through the general lookup.
  tag_ns_handler cs = ns_null_obj(), fs = ns_null_obj();
  int role = role_of(style);
  if (role == FGB_CURVE_STYLE) {
    cs = style;
  } else if (role == FGB_STYLE_PAIR) {
    tag_ns_handler a = ns_get_first_obj(style), b = ns_get_second_obj(style);
    if (!ns_is_null_obj(a) && !ns_is_null_obj(b) && role_of(a) == FGB_CURVE_STYLE &&
        role_of(b) == FGB_FILL_STYLE) {
      cs = a;
      fs = b;
    } else {
      cs = find_style(style, FGB_CURVE_STYLE);
      fs = find_style(style, FGB_FILL_STYLE);
    }
  }
  std::memset(&out.curve, 0, sizeof out.curve);
  if (!ns_is_null_obj(cs)) {
    int n = ns_get_boxed_obj_size(cs);
    std::memcpy(&out.curve, ns_get_obj_data_ptr(cs), n < FGB_CURVE_STYLE_BYTES ? n : FGB_CURVE_STYLE_BYTES);
  }
  out.has_fill = !ns_is_null_obj(fs);
  if (out.has_fill) {
    std::memset(&out.fill, 0, sizeof out.fill);
    int n = ns_get_boxed_obj_size(fs);
    std::memcpy(&out.fill, ns_get_obj_data_ptr(fs), n < FGB_FILL_STYLE_BYTES ? n : FGB_FILL_STYLE_BYTES);
  }
}

int shape_size(int kind, const void* shape) noexcept {
  switch (kind) {
    case FGB_POLYLINE: {
      auto* p = static_cast<const gr_polyline*>(shape);
      return p->n > kMaxPoints ? 0 : gr_get_polyline_size(p);
    }
    case FGB_POLYLINES: {
      auto* s = static_cast<const gr_polylines*>(shape);
      if (s->n < 0) return 0;
      long long total = sizeof(gr_polylines);
      const gr_polyline* m = gr_polylines_first(s);
      for (int32_t i = 0; i < s->n; ++i) {
        if (m->n > kMaxPoints) return 0;
        total += 16LL * m->n + 8;
        if (total > INT_MAX) return 0;
        m = gr_polylines_next(m);
      }
      return static_cast<int>(total);
    }
    case FGB_THICK_POLYLINE: {
      auto* t = static_cast<const gr_thick_polyline*>(shape);
      return t->pline.n > kMaxPoints ? 0 : gr_get_thick_polyline_sizen(static_cast<int>(t->pline.n));
    }
    case FGB_ARC: return sizeof(fgb_arc);
    case FGB_SEGMENT: return sizeof(gr_segment);
    case FGB_CIRCLE: return sizeof(gr_circle);
    case FGB_BEZIER: {
      auto* b = static_cast<const gr_bezier*>(shape);
      return (b->n < 0 || static_cast<uint32_t>(b->n) > kMaxPoints) ? 0 : gr_get_bezier_size(b);
    }
    case FGB_FLASH: return sizeof(gr_cpoint);
    default: return 0;
  }
}

bool shape_box(int kind, const void* shape, gr_xy_rect& r) noexcept {
  switch (kind) {
    case FGB_POLYLINE: {
      auto* p = static_cast<const gr_polyline*>(shape);
      return p->n > 0 && gr_get_polyline_dims(&r, p) > 0;
    }
    case FGB_POLYLINES: {
      // The first member's box grown by each further one; members without
      // points have no box and are passed over.
      auto* s = static_cast<const gr_polylines*>(shape);
      bool any = false;
      const gr_polyline* m = gr_polylines_first(s);
      for (int32_t i = 0; i < s->n; ++i, m = gr_polylines_next(m)) {
        gr_xy_rect b;
        if (m->n == 0 || gr_get_polyline_dims(&b, m) <= 0) continue;
        if (any) {
          gr_union_xy_rect(&r, &r, &b);
        } else {
          r = b;
          any = true;
        }
      }
      return any;
    }
    case FGB_ARC: gr_get_trcircle_dims(&r, &static_cast<const fgb_arc*>(shape)->arc); return true;
    case FGB_SEGMENT: {
      auto* s = static_cast<const gr_segment*>(shape);
      r.x1 = s->p1.x < s->p2.x ? s->p1.x : s->p2.x;
      r.x2 = s->p1.x < s->p2.x ? s->p2.x : s->p1.x;
      r.y1 = s->p1.y < s->p2.y ? s->p1.y : s->p2.y;
      r.y2 = s->p1.y < s->p2.y ? s->p2.y : s->p1.y;
      return true;
    }
    case FGB_CIRCLE: gr_get_circle_dims(&r, static_cast<const gr_circle*>(shape)); return true;
    case FGB_BEZIER: {
      auto* b = static_cast<const gr_bezier*>(shape);
      return b->n >= 4 && gr_get_bezier_dims(&r, b) != 0;
    }
    case FGB_FLASH: {
      auto* p = static_cast<const gr_cpoint*>(shape);
      r.x1 = r.x2 = p->x;
      r.y1 = r.y2 = p->y;
      return true;
    }
    default: return false;
  }
}

tag_ns_handler make_element(int kind, const void* shape, int size, const gr_curve_style& curve,
                            const gr_fill_area_style* fill) noexcept {
  tag_ns_handler style = make_style(curve, fill);
  if (ns_is_null_obj(style)) return style;
  tag_ns_handler elem = make_element_styled(kind, shape, size, style);
  ns_untie_obj(style);  // the element holds it now (or, on failure, this releases it)
  return elem;
}

tag_ns_handler make_element_styled(int kind, const void* shape, int size, tag_ns_handler style) noexcept {
  tag_ns_handler datum = make_boxed(kind, shape, size);
  if (ns_is_null_obj(datum)) return datum;
  tag_ns_handler elem = ns_create_obj();
  if (ns_is_null_obj(elem) || !ns_set_pair_obj(elem, FGB_TAG(FGB_ELEMENT), datum, style)) {
    if (!ns_is_null_obj(elem)) ns_untie_obj(elem);
    ns_untie_obj(datum);
    return ns_null_obj();
  }
  ns_untie_obj(datum);
  return elem;
}

tag_ns_handler shared_style(KeptStyle* kept, const gr_curve_style& curve,
                            const gr_fill_area_style* fill) noexcept {
  if (!ns_is_null_obj(kept->cell) && std::memcmp(kept->curve, &curve, FGB_CURVE_STYLE_BYTES) == 0 &&
      (!fill || std::memcmp(kept->fill, fill, FGB_FILL_STYLE_BYTES) == 0))
    return kept->cell;
  tag_ns_handler made = make_style(curve, fill);
  if (ns_is_null_obj(made)) return made;
  if (!ns_is_null_obj(kept->cell)) ns_untie_obj(kept->cell);
  kept->cell = made;  // its one reference is the keeper's
  std::memcpy(kept->curve, &curve, FGB_CURVE_STYLE_BYTES);
  if (fill) std::memcpy(kept->fill, fill, FGB_FILL_STYLE_BYTES);
  return made;
}

int add_shape(fgb_db* db, int kind, const void* shape, int size, const gr_curve_style& curve,
              const gr_fill_area_style* fill) noexcept {
  if (!db || !shape || size <= 0) return 0;
  tag_ns_handler elem = make_element(kind, shape, size, curve, fill);
  if (ns_is_null_obj(elem)) return 0;
  int ok = append_element(db, elem);
  ns_untie_obj(elem);  // the link holds it now (or, on failure, this releases it)
  return ok;
}

}  // namespace fgb

using namespace fgb;

namespace {
int add_kind(fgb_db* db, int kind, const void* shape, const gr_curve_style& style,
             const gr_fill_area_style* fill) noexcept {
  if (!db || !shape) return 0;
  return add_shape(db, kind, shape, shape_size(kind, shape), style, fill);
}
}  // namespace

extern "C" {

FGB_API fgb_db* fgb_create_gdb(void) noexcept {
  auto* db = new (std::nothrow) fgb_db;
  if (!db) return nullptr;
  tag_ns_handler end = ns_create_obj();
  if (ns_is_null_obj(end)) {
    delete db;
    return nullptr;
  }
  ns_set_unboxed_obj_NULL(end, FGB_TAG(FGB_END));
  db->head = db->tail = end;
  return db;
}

FGB_API void fgb_destroy_gdb(fgb_db* db) noexcept {
  if (!db) return;
  if (ns_get_obj_refs(db->head) > 1) {
    // The chain is shared with another list (an undo snapshot's page):
    // only this record's reference goes.
    ns_untie_obj(db->head);
    delete db;
    return;
  }
  // Untie link by link: releasing the head alone would release the chain
  // recursively, one level per link. Holding the next cell before letting
  // go of the present one keeps elements shared with other lists intact.
  tag_ns_handler cur = db->head;
  while (!is_end(cur)) {
    tag_ns_handler next = ns_get_second_obj(cur);
    ns_tie_obj(next);
    ns_untie_obj(cur);
    cur = next;
  }
  ns_untie_obj(cur);
  delete db;
}

FGB_API int fgb_add_circle(fgb_db* db, const gr_circle* circle, gr_curve_style style) noexcept {
  return add_kind(db, FGB_CIRCLE, circle, style, nullptr);
}
FGB_API int fgb_add_arc(fgb_db* db, const fgb_arc* arc, gr_curve_style style) noexcept {
  return add_kind(db, FGB_ARC, arc, style, nullptr);
}
FGB_API int fgb_add_segment(fgb_db* db, const gr_segment* seg, gr_curve_style style) noexcept {
  return add_kind(db, FGB_SEGMENT, seg, style, nullptr);
}
FGB_API int fgb_add_flash(fgb_db* db, const gr_cpoint* point, gr_curve_style style) noexcept {
  return add_kind(db, FGB_FLASH, point, style, nullptr);
}
FGB_API int fgb_add_bezier(fgb_db* db, const gr_bezier* bez, gr_curve_style style) noexcept {
  return add_kind(db, FGB_BEZIER, bez, style, nullptr);
}
FGB_API int fgb_add_polyline(fgb_db* db, const gr_polyline* pline, gr_curve_style style) noexcept {
  return add_kind(db, FGB_POLYLINE, pline, style, nullptr);
}
FGB_API int fgb_add_filled_polyline(fgb_db* db, const gr_polyline* pline, gr_curve_style style,
                                    gr_fill_area_style fill) noexcept {
  return add_kind(db, FGB_POLYLINE, pline, style, &fill);
}
FGB_API int fgb_add_polylines(fgb_db* db, const gr_polylines* set, gr_curve_style style) noexcept {
  return add_kind(db, FGB_POLYLINES, set, style, nullptr);
}
FGB_API int fgb_add_filled_polylines(fgb_db* db, const gr_polylines* set, gr_curve_style style,
                                     gr_fill_area_style fill) noexcept {
  return add_kind(db, FGB_POLYLINES, set, style, &fill);
}
FGB_API int fgb_add_thick_polyline(fgb_db* db, const gr_thick_polyline* tpline,
                                   gr_curve_style style) noexcept {
  return add_kind(db, FGB_THICK_POLYLINE, tpline, style, nullptr);
}

FGB_API int fgb_is_end_gdb(tag_ns_handler cell) noexcept { return is_end(cell) ? 1 : 0; }

FGB_API tag_ns_handler fgb_next_gdb(tag_ns_handler link) noexcept { return ns_get_second_obj(link); }

FGB_API int fgb_get_child_gdb(tag_ns_handler link, tag_ns_handler* shape, int* kind, gr_curve_style* curve,
                              gr_fill_area_style* fill) noexcept {
  ElementView e;
  read_element(link, e);
  if (shape) *shape = e.shape;
  if (kind) *kind = e.kind;
  if (curve) *curve = e.curve;
  if (e.has_fill && fill) *fill = e.fill;
  return e.has_fill ? 1 : 0;
}

FGB_API tag_ns_handler fgb_find_style_gdb(tag_ns_handler style, int role) noexcept {
  return find_style(style, role);
}

FGB_API long fgb_count_gdb(const fgb_db* db) noexcept {
  long n = 0;
  for_each_link(db, [&](tag_ns_handler) { ++n; });
  return n;
}

FGB_API long fgb_count_kinds_gdb(const fgb_db* db, long counts[FGB_KIND_SLOTS]) noexcept {
  if (!counts) return 0;
  long n = 0;
  for_each_link(db, [&](tag_ns_handler l) {
    const tag_ns_handler shape = ns_get_first_obj(ns_get_first_obj(l));
    ++counts[FGB_ROLE_OF_TAG(ns_get_obj_type(shape))];
    ++n;
  });
  return n;
}

}  // extern "C"
