/* The element store: an ordered list of drawing elements (a "gdb") kept
 * entirely in object-store cells, and its drawing onto a device context.
 *
 * Every cell the store makes carries a 16-bit type tag whose low byte is 5
 * and whose high byte is the cell's role; for a shape datum the high byte is
 * the element's kind code, the code by which converters, operations and the
 * program name element kinds.
 *
 *   link     pair (element, next link or end cell)          FGB_TAG(FGB_LINK)
 *   element  pair (shape datum, style)                      FGB_TAG(FGB_ELEMENT)
 *   style    a curve style cell, or a style pair (curve, fill)
 *   shape    boxed copy of the geometry record               FGB_TAG(kind)
 *   end      unboxed terminator of a list                    FGB_TAG(FGB_END)
 *
 * Walking a list (insertion order):
 *
 *   for (tag_ns_handler l = db->head; !fgb_is_end_gdb(l); l = fgb_next_gdb(l)) {
 *     tag_ns_handler shape; int kind; gr_curve_style cs; gr_fill_area_style fs;
 *     int has_fill = fgb_get_child_gdb(l, &shape, &kind, &cs, &fs);
 *     const void* data = ns_get_obj_data_ptr(shape);  // the geometry record
 *     ...
 *   }
 *
 * Geometry records are read-only arguments, copied byte for byte into the
 * store; styles are passed by value. Add functions return 1 when the element
 * was appended and 0 when the store ran out of memory (the list is then
 * unchanged). Single-threaded, like the object store beneath it.
 */
#ifndef FGB_FGB_DB_H
#define FGB_FGB_DB_H

#include <stdint.h>
#include <fgb/fgb_api.h>
#include <nodestore/nodestore.h>
#include <geomkit/gr_types.h>
#include <geomkit/gr_dc.h>
#include <geomkit/gr_style.h>
#include <geomkit/gr_poly.h>
#include <geomkit/gr_circle.h>
#include <geomkit/gr_bez.h>

FGB_BEGIN_C

/* Roles and kind codes: the high byte of a cell's type tag. */
enum {
  FGB_CURVE_STYLE = 0,    /* boxed, the first 24 bytes of a gr_curve_style */
  FGB_LINK = 1,           /* pair: element, next link or end cell */
  FGB_FILL_STYLE = 2,     /* boxed gr_fill_area_style, 16 bytes */
  FGB_END = 3,            /* unboxed terminator (payload not read) */
  FGB_POLYLINE = 4,       /* boxed gr_polyline */
  FGB_POLYLINES = 5,      /* boxed gr_polylines */
  FGB_STYLE_PAIR = 6,     /* pair: curve style, fill style */
  FGB_ELEMENT = 7,        /* pair: shape datum, style */
  FGB_THICK_POLYLINE = 8, /* boxed gr_thick_polyline */
  FGB_ARC = 10,           /* boxed fgb_arc */
  FGB_SEGMENT = 11,       /* boxed gr_segment */
  FGB_CIRCLE = 12,        /* boxed gr_circle */
  FGB_BEZIER = 14,        /* boxed gr_bezier */
  FGB_FLASH = 15          /* boxed gr_cpoint: a point exposure */
};

/* The store's mark in the low byte of every tag it makes. */
#define FGB_TAG_MARK 5
/* Type tag of a role or kind code: FGB_TAG(FGB_SEGMENT) == 0x0B05. */
#define FGB_TAG(role) ((ns_type)((((unsigned)(role)) << 8) | FGB_TAG_MARK))
/* The role or kind code of a type tag. */
#define FGB_ROLE_OF_TAG(tag) ((int)(((unsigned)(tag) >> 8) & 0xFF))

/* Style roles for fgb_find_style_gdb. */
enum { FGB_ROLE_CURVE = FGB_CURVE_STYLE, FGB_ROLE_FILL = FGB_FILL_STYLE };

/* Bytes of a curve style as stored: width, colour, dash count and one dash
 * length. A longer dash pattern keeps only its first length. */
#define FGB_CURVE_STYLE_BYTES 24
#define FGB_FILL_STYLE_BYTES 16

/* An arc element: two leading fields that every producer sets to 0 and 1.0
 * and that are carried unchanged, then the arc proper. Natural alignment
 * makes the record 56 bytes, the arc at byte 16. */
typedef struct fgb_arc {
  int32_t lead_int;   /* always 0 */
  double lead_double; /* always 1.0 */
  gr_trcircle arc;    /* centre, radius, start and end angle (radians) */
} fgb_arc;

/* An element list. Plain heap record owned by whoever created it
 * (fgb_create_gdb), freed with fgb_destroy_gdb. */
typedef struct fgb_db {
  tag_ns_handler head; /* first link, or the end cell when empty; holds the list's one reference */
  tag_ns_handler tail; /* the end cell, always the last cell of the chain; no reference of its own */
} fgb_db;

/* What the drawing functions draw onto, passed by value. */
typedef struct fgb_for_draw_gdb {
  HDC dc;                 /* device context */
  const gr_ctrans* trans; /* drawing-to-device transform; required (not null) */
} fgb_for_draw_gdb;

/* ---- lists ---- */
/* A new empty list, or null when the store is exhausted. */
FGB_API fgb_db* fgb_create_gdb(void) FGB_NOEXCEPT;
/* Releases every link, element and datum not held elsewhere, and the record. Null is ignored. */
FGB_API void fgb_destroy_gdb(fgb_db* db) FGB_NOEXCEPT;

/* ---- appending (1 appended, 0 out of memory: list unchanged) ---- */
FGB_API int fgb_add_circle(fgb_db* db, const gr_circle* circle, gr_curve_style style) FGB_NOEXCEPT;
FGB_API int fgb_add_arc(fgb_db* db, const fgb_arc* arc, gr_curve_style style) FGB_NOEXCEPT;
FGB_API int fgb_add_segment(fgb_db* db, const gr_segment* seg, gr_curve_style style) FGB_NOEXCEPT;
FGB_API int fgb_add_flash(fgb_db* db, const gr_cpoint* point, gr_curve_style style) FGB_NOEXCEPT;
FGB_API int fgb_add_bezier(fgb_db* db, const gr_bezier* bez, gr_curve_style style) FGB_NOEXCEPT;
FGB_API int fgb_add_polyline(fgb_db* db, const gr_polyline* pline, gr_curve_style style) FGB_NOEXCEPT;
/* Kind 4 with a fill style. */
FGB_API int fgb_add_filled_polyline(fgb_db* db, const gr_polyline* pline, gr_curve_style style,
                                    gr_fill_area_style fill) FGB_NOEXCEPT;
FGB_API int fgb_add_polylines(fgb_db* db, const gr_polylines* set, gr_curve_style style) FGB_NOEXCEPT;
/* Kind 5 with a fill style. */
FGB_API int fgb_add_filled_polylines(fgb_db* db, const gr_polylines* set, gr_curve_style style,
                                     gr_fill_area_style fill) FGB_NOEXCEPT;
FGB_API int fgb_add_thick_polyline(fgb_db* db, const gr_thick_polyline* tpline,
                                   gr_curve_style style) FGB_NOEXCEPT;

/* ---- walking ---- */
/* 1 when the cell is an end cell (a list's terminator). */
FGB_API int fgb_is_end_gdb(tag_ns_handler cell) FGB_NOEXCEPT;
/* The cell after a link: the next link or the end cell. */
FGB_API tag_ns_handler fgb_next_gdb(tag_ns_handler link) FGB_NOEXCEPT;
/* Reads the element of one link: its shape datum, kind code, the 24 stored
 * bytes of the curve style, and the fill style when it has one. Returns 1
 * when a fill style was written to *fill, 0 when the element has none (then
 * *fill is left as it was). */
FGB_API int fgb_get_child_gdb(tag_ns_handler link, tag_ns_handler* shape, int* kind, gr_curve_style* curve,
                              gr_fill_area_style* fill) FGB_NOEXCEPT;
/* The style cell of role FGB_ROLE_CURVE or FGB_ROLE_FILL reached from an
 * element's style (the second of the element cell), or the null handle. */
FGB_API tag_ns_handler fgb_find_style_gdb(tag_ns_handler style, int role) FGB_NOEXCEPT;
/* Number of elements of a list (a walk). */
FGB_API long fgb_count_gdb(const fgb_db* db) FGB_NOEXCEPT;
/* Adds the number of elements of each kind code k (0..FGB_KIND_SLOTS-1) to
 * counts[k]; only the shape cells' tags are read, not the styles. Returns
 * the number of elements counted. */
#define FGB_KIND_SLOTS 256
FGB_API long fgb_count_kinds_gdb(const fgb_db* db, long counts[FGB_KIND_SLOTS]) FGB_NOEXCEPT;

/* ---- drawing ---- */
/* Draws every element in order with a pen made from its curve style (width
 * scaled by the transform) and, where it has one, a brush from its fill style. */
FGB_API void fgb_draw_gdb(const fgb_db* db, fgb_for_draw_gdb draw) FGB_NOEXCEPT;
/* Draws every element again with the highlight pen (width 0, colour
 * (0, 0.2, 1.0), solid), never filled. */
FGB_API void draw_select_gdb(const fgb_db* db, const fgb_for_draw_gdb* draw) FGB_NOEXCEPT;

FGB_END_C

#endif
