/* Polylines, polyline sets and segments: records and buffers, bounding
 * boxes, line intersections (the core of hatching), hit tests (the core of
 * rubber-band selection), the rectangle-to-polyline conversion and the
 * convex hull. Tolerance GR_LMES_PREC throughout.
 *
 * Variable-length records are single heap blocks. Never use sizeof on them:
 * the size functions give their true size. */
#ifndef GEOMKIT_GR_POLY_H
#define GEOMKIT_GR_POLY_H

#include <stddef.h>
#include <stdint.h>
#include <geomkit/gr_api.h>
#include <geomkit/gr_types.h>

GR_BEGIN_C

/* 16 n + 8 bytes. Drawing honours closed; region tests and the set
 * intersection treat every polyline as closed. */
typedef struct gr_polyline {
  int32_t closed;   /* non-zero: the last point connects back to the first */
  uint32_t n;       /* number of points */
  gr_cpoint pnt[1]; /* n points follow */
} gr_polyline;

/* A set of polylines in one block: the count, 4 bytes of padding that keep
 * the points aligned, then the n polyline records back to back. Size
 * 8 + the sum of the member sizes. Walk it with gr_polylines_first and
 * gr_polylines_next. */
typedef struct gr_polylines {
  int32_t n;
  int32_t reserved;
} gr_polylines;

/* 16 n + 16 bytes. */
typedef struct gr_thick_polyline {
  double thickness;
  gr_polyline pline; /* stored inline, variable length */
} gr_thick_polyline;

/* 32 bytes. */
typedef struct gr_segment {
  gr_cpoint p1;
  gr_cpoint p2;
} gr_segment;

/* Line against segment. */
enum { GR_ISCT_NONE = 0, GR_ISCT_ONE = 1, GR_ISCT_ON_LINE = 2 };
/* Point against segment or region. */
enum { GR_LAYOUT_INSIDE = 0, GR_LAYOUT_ON = 1, GR_LAYOUT_OUTSIDE = 2 };
/* Rectangle against figure; selection takes 2 and 3 as hits. */
enum {
  GR_RECT_IN_FIGURE = 0, /* the rectangle lies inside the figure's region */
  GR_RECT_TOUCHES = 1,   /* the figure touches the rectangle only along a side */
  GR_FIGURE_IN_RECT = 2, /* the figure lies inside the rectangle */
  GR_OUTLINES_CROSS = 3, /* the outlines cross */
  GR_NO_CONTACT = 4      /* the figure lies outside */
};

/* ---- sizes and buffers (C heap; contents uninitialised) ----
 * A size that does not fit an int (a negative count, or more than
 * 134 217 726 points) is reported as -1, and no buffer is allocated for it
 * (null). */
/* 16 n + 8. */
GR_API int gr_get_polyline_sizen(int n) GR_NOEXCEPT;
GR_API int gr_get_polyline_size(const gr_polyline* pline) GR_NOEXCEPT;
GR_API gr_polyline* gr_alloc_buffer_for_polyline(int n) GR_NOEXCEPT;
GR_API void gr_free_buffer_for_polyline(gr_polyline* p) GR_NOEXCEPT;
/* Room for count polylines of ns[i] points (8 + sum of 16 ns[i] + 8
 * bytes); no count is written. Null for a negative count or point count. */
GR_API gr_polylines* gr_alloc_buffer_for_polylines(int count, const int* ns) GR_NOEXCEPT;
GR_API void gr_free_buffer_for_polylines(gr_polylines* p) GR_NOEXCEPT;
/* 8 + the sum of the member sizes (a negative member count counts as 0). */
GR_API int gr_get_polylines_size(const gr_polylines* set) GR_NOEXCEPT;
/* 16 n + 16. */
GR_API int gr_get_thick_polyline_sizen(int n) GR_NOEXCEPT;
/* Writes the thickness and copies the whole polyline behind it. */
GR_API void gr_set_thick_polyline(gr_thick_polyline* out, double thickness,
                                  const gr_polyline* pline) GR_NOEXCEPT;

/* Walking a set: the first member, and the member after p. */
static inline gr_polyline* gr_polylines_first(const gr_polylines* set) {
  return (gr_polyline*)(void*)((char*)(void*)(gr_polylines*)set + sizeof(gr_polylines));
}
static inline gr_polyline* gr_polylines_next(const gr_polyline* p) {
  return (gr_polyline*)(void*)((char*)(void*)(gr_polyline*)p + 16 * (size_t)p->n + 8);
}

/* ---- bounding boxes ---- */
/* Min and max of the points; returns n. An empty polyline (the violated
 * precondition "poly->n") leaves out untouched and returns 0. */
GR_API int gr_get_polyline_dims(gr_xy_rect* out, const gr_polyline* pline) GR_NOEXCEPT;
/* The union of the members' boxes; returns the member count. Empty members
 * add nothing; when every member is empty (or there is none) out is left
 * untouched. */
GR_API int gr_get_polylines_dims(gr_xy_rect* out, const gr_polylines* set) GR_NOEXCEPT;

/* ---- conversions ---- */
/* Closed, 4 points (x1,y1) (x1,y2) (x2,y2) (x2,y1); out has room for 4. */
GR_API void gr_conv_xy_rect_to_polyline(gr_polyline* out, const gr_xy_rect* rect) GR_NOEXCEPT;
/* p = p1, dir of p2 - p1, tmin = 0, tmax = length. A zero-length segment
 * leaves dir unwritten. */
GR_API void gr_create_trline_by_segment(gr_trline* out, const gr_segment* seg) GR_NOEXCEPT;
GR_API double gr_segment_len(const gr_segment* seg) GR_NOEXCEPT;
GR_API void gr_segment_middle(gr_cpoint* out, const gr_cpoint* p1, const gr_cpoint* p2) GR_NOEXCEPT;

/* ---- intersections (t are parameters on the given line, sorted ascending) ---- */
/* The two rules behind the line intersections, for callers that scan many
 * edges themselves and must decide exactly as the library does (hatching).
 *
 * gr_isct_params_code: a line against the edge from end a to end b, given
 * each end's parameter t on the line and signed distance d from it. GR_ISCT_*
 * codes widened: 0 none, 1 a crossing, 2 the edge lies on the line (both ends
 * within GR_LMES_PREC), 3 its start lies on it, 4 its end does. *t is written
 * for 1, 3 and 4:
 *   t = ta or tb                              for an end on the line
 *   t = ta                                    when |ta - tb| < GR_LMES_PREC
 *   t = (ta |db| + tb |da|) / (|db| + |da|)   otherwise
 * gr_param_goes_before: the sorted-insertion rule, 1 when a new parameter t
 * goes before a stored v (t < v by at least GR_LMES_PREC). */
static inline int gr_isct_params_code(double* t, double ta, double da, double tb, double db) {
  const int a_on = (da < 0 ? -da : da) < GR_LMES_PREC, b_on = (db < 0 ? -db : db) < GR_LMES_PREC;
  long double dt, ada, adb;
  if (a_on && b_on) return 2;
  if (a_on) {
    *t = ta;
    return 3;
  }
  if (b_on) {
    *t = tb;
    return 4;
  }
  if ((long double)da * db > 0) return 0;
  dt = (long double)ta - tb;
  if ((dt < 0 ? -dt : dt) < GR_LMES_PREC) {
    *t = ta;
  } else {
    ada = da < 0 ? -(long double)da : (long double)da;
    adb = db < 0 ? -(long double)db : (long double)db;
    *t = (double)((ta * adb + tb * ada) / (adb + ada));
  }
  return 1;
}

static inline int gr_param_goes_before(double t, double v) {
  const long double diff = (long double)v - t;
  return (diff < 0 ? -diff : diff) >= GR_LMES_PREC && t < v;
}

/* GR_ISCT_*; *t written for GR_ISCT_ONE when t is not null. GR_ISCT_ON_LINE
 * when both ends lie within GR_LMES_PREC of the line; an end within it
 * gives that end's parameter; otherwise the crossing is interpolated by the
 * ends' distances from the line. */
GR_API int gr_isct_line_segment(double* t, const gr_line* line, const gr_segment* seg) GR_NOEXCEPT;
/* Capacity a caller must give gr_isct_line_polyline: the sum of the
 * segment codes over all n edges, the closing one included (an edge on the
 * line counts 2). Saturates at INT_MAX. */
GR_API int gr_maxn_isct_line_polyline(const gr_line* line, const gr_polyline* pline) GR_NOEXCEPT;
GR_API int gr_maxn_isct_line_polylines(const gr_line* line, const gr_polylines* set) GR_NOEXCEPT;
/* array has room for gr_maxn_isct_line_polyline entries. Edges along the
 * polyline, and the closing edge only when closed is set. keep_all 0: only
 * crossings: an edge on the line gives nothing, and a vertex on the line -
 * or a run of consecutive vertices on it - counts once, at its first
 * vertex, and only where the boundary passes from one side to the other
 * (so the parameters of a closed polyline alternate entry and exit, as
 * with gr_isct_line_polylines). Non-zero: every contact, both ends of an
 * edge on the line included. Sorted ascending: a value goes before the
 * first stored value at least GR_LMES_PREC greater, else at the end. An
 * empty polyline gives 0. */
GR_API int gr_isct_line_polyline(double* array, const gr_line* line, const gr_polyline* pline,
                                 int keep_all) GR_NOEXCEPT;
/* *array_ref is a malloc'ed array of at least 100 doubles; when more
 * parameters are found it is freed and replaced by a malloc'ed array of
 * the next multiple of 100. A null *array_ref gets a fresh array of 100.
 * Every member counts as closed; empty members are skipped. keep_all 0: a
 * vertex on the line counts, at the edge ending there, only where the
 * boundary crosses; non-zero: the end parameter of every edge meeting the
 * line. Should memory run out, the first 100 parameters are kept and 100
 * returned. The caller frees the final array. */
GR_API int gr_isct_line_polylines(double** array_ref, const gr_line* line, const gr_polylines* set,
                                  int keep_all) GR_NOEXCEPT;
/* Contacts (keep_all 1) within the segment, its ends included within
 * GR_LMES_PREC; parameters from the segment's start. Capacity as
 * gr_isct_line_polyline. A zero-length segment has no line: 0. */
GR_API int gr_isct_segment_polyline(double* array, const gr_segment* seg,
                                    const gr_polyline* pline) GR_NOEXCEPT;

/* ---- hit tests ---- */
/* GR_LAYOUT_INSIDE strictly between the ends, GR_LAYOUT_ON at an end (a
 * segment shorter than GR_LMES_PREC is a point), else GR_LAYOUT_OUTSIDE. */
GR_API int gr_layout_cpoint_segment(const gr_cpoint* pt, const gr_segment* seg) GR_NOEXCEPT;
/* The polyline is treated as closed. GR_LAYOUT_ON on any edge, else by the
 * winding angle. An empty polyline has no region: GR_LAYOUT_OUTSIDE. */
GR_API int gr_layout_cpoint_polyline(const gr_cpoint* pt, const gr_polyline* pline) GR_NOEXCEPT;
/* GR_OUTLINES_CROSS when a side of the rectangle meets the outline (edges
 * as drawn: the closing edge only when closed is set); else by the region
 * test (closed): GR_RECT_IN_FIGURE, GR_FIGURE_IN_RECT or GR_NO_CONTACT.
 * An empty polyline gives GR_NO_CONTACT. */
GR_API int gr_layout_rect_polyline(const gr_xy_rect* rect, const gr_polyline* pline) GR_NOEXCEPT;
/* Normalises *rect in place; GR_RECT_TOUCHES .. GR_NO_CONTACT. */
GR_API int gr_layout_rect_segm(gr_xy_rect* rect, const gr_segment* seg) GR_NOEXCEPT;

/* ---- convex hull ---- */
/* out has room for pline->n points and is not pline. The hull is closed
 * (closed = 1), in the order of the march from the first supporting pair
 * of points (in index order), stretched to the farthest points on its
 * line; points lying on a hull edge are skipped. Collinear points give
 * their two extremes (n = 2); points all within GR_LMES_PREC of the first
 * give that point alone (n = 1, closed left as it was); no points leave out
 * untouched. Never more than pline->n points are written, and every input
 * terminates (non-finite coordinates give some closed result). */
GR_API void gr_make_convex_hull(gr_polyline* out, const gr_polyline* pline) GR_NOEXCEPT;

GR_END_C

#endif
