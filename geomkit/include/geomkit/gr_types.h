/* Core records of the geometry library: points, directions, rectangles,
 * transforms, length units and lines, with their measures.
 *
 * Everything is double precision in the caller's model units (the document
 * uses inches, y up). Records are plain values; outputs go through the
 * first argument. Formulas are evaluated in extended precision and stored
 * as doubles. No function here allocates or keeps state.
 */
#ifndef GEOMKIT_GR_TYPES_H
#define GEOMKIT_GR_TYPES_H

#include <stdint.h>
#include <geomkit/gr_api.h>

GR_BEGIN_C

/* The one length tolerance of the library: every is-zero, is-equal and
 * lies-on decision compares against it (strictly or not as each function
 * says). 1e-5 inch is far below what a plotter resolves (1/1016 inch) and
 * far above the rounding noise of coordinates of a few hundred inches. */
#define GR_LMES_PREC 1e-5

/* A point, or a free vector. */
typedef struct gr_cpoint {
  double x;
  double y;
} gr_cpoint;

/* A unit direction: sine first, then cosine, of the angle from +x towards +y. */
typedef struct gr_direct {
  double sin;
  double cos;
} gr_direct;

/* Axis-aligned rectangle: minimum corner (x1, y1), maximum corner (x2, y2).
 * Operations assume x1 <= x2 and y1 <= y2 but do not enforce it. */
typedef struct gr_xy_rect {
  double x1, y1; /* minimum corner */
  double x2, y2; /* maximum corner */
} gr_xy_rect;

/* Similarity transform with independent axis mirroring:
 *   x' = xsign * scale * ( x cos + y sin) + dx
 *   y' = ysign * scale * (-x sin + y cos) + dy
 * Wherever a transform is passed by pointer, null means the identity. */
typedef struct gr_ctrans {
  double dx, dy; /* translation */
  double scale;  /* scale factor */
  double sin;    /* rotation (a gr_direct: sine first) */
  double cos;
  int8_t xsign; /* +1 or -1 */
  int8_t ysign; /* +1 or -1 */
} gr_ctrans;

/* Infinite directed line: the point at parameter t is p + t (cos, sin). */
typedef struct gr_line {
  gr_cpoint p;   /* a point of the line, parameter 0 */
  gr_direct dir; /* unit direction */
} gr_line;

/* Bounded line: a gr_line and its parameter range. A function taking a
 * gr_line may be given a gr_trline through gr_trline_as_line. */
typedef struct gr_trline {
  gr_cpoint p;
  gr_direct dir;
  double tmin; /* 0 when built from a segment */
  double tmax; /* the segment's length */
} gr_trline;

static inline const gr_line* gr_trline_as_line(const gr_trline* l) { return (const gr_line*)(const void*)l; }

/* Length unit code: 1 inch-like (x 39.37...), 2 (x 1/1.016), 3 (x 0.001);
 * any other value, 0 included, is the logical unit itself. */
typedef uint8_t gr_lunits_kind;

/* ---- vectors and points ---- */
GR_API void gr_vect_sum(gr_cpoint* out, const gr_cpoint* a, const gr_cpoint* b) GR_NOEXCEPT;
GR_API void gr_vect_dif(gr_cpoint* out, const gr_cpoint* a, const gr_cpoint* b) GR_NOEXCEPT;
GR_API void gr_vect_scale(gr_cpoint* out, const gr_cpoint* a, double k) GR_NOEXCEPT;
GR_API double gr_vect_len(const gr_cpoint* a) GR_NOEXCEPT;
/* Direction of v; a zero vector leaves out untouched. out must not alias v. */
GR_API void gr_vect_dir(gr_direct* out, const gr_cpoint* v) GR_NOEXCEPT;
/* Cross product a.x b.y - a.y b.x. */
GR_API double gr_vect_vmult(const gr_cpoint* a, const gr_cpoint* b) GR_NOEXCEPT;
/* Dot product. */
GR_API double gr_vect_smult(const gr_cpoint* a, const gr_cpoint* b) GR_NOEXCEPT;
GR_API double gr_dist_cpoints(const gr_cpoint* a, const gr_cpoint* b) GR_NOEXCEPT;
/* Direction of the angle from a to b: cos = a.b / |a| / |b|, sin =
 * (a x b) / |a| / |b|. A zero vector has no angle: the answer is then the
 * zero angle (sin 0, cos 1). out must not alias a or b. */
GR_API void gr_dir_between_vects(gr_direct* out, const gr_cpoint* a, const gr_cpoint* b) GR_NOEXCEPT;
/* Angle in (-pi, pi] of a unit direction, from |sin| (clamped to 1) and the
 * two signs; -0.0 counts as non-negative, so (sin -0.0, cos -1) is pi. */
GR_API double gr_angle_by_direct(const gr_direct* dir) GR_NOEXCEPT;
GR_API void gr_direct_by_angle(gr_direct* out, double angle) GR_NOEXCEPT;

/* ---- rectangles ---- */
/* out may be a or b. */
GR_API void gr_union_xy_rect(gr_xy_rect* out, const gr_xy_rect* a, const gr_xy_rect* b) GR_NOEXCEPT;
GR_API double gr_xy_rect_width(const gr_xy_rect* r) GR_NOEXCEPT;
GR_API double gr_xy_rect_height(const gr_xy_rect* r) GR_NOEXCEPT;
/* Grows by dx left and right, dy below and above; an axis whose extent is
 * not greater than -2 times its amount stays unchanged. */
GR_API void gr_xy_rect_inflate(gr_xy_rect* r, double dx, double dy) GR_NOEXCEPT;
/* Proportion-keeping map of from into to: scale min(width ratio, height
 * ratio), no rotation, signs +1, minimum corners coincide (not centred). An
 * axis of from with zero extent gives no ratio; with neither, the scale is 1. */
GR_API void gr_map_rect_regions(gr_ctrans* out, const gr_xy_rect* from, const gr_xy_rect* to) GR_NOEXCEPT;

/* ---- transforms (t null = identity) ---- */
GR_API gr_cpoint gr_vector_ctrans(double x, double y, const gr_ctrans* t) GR_NOEXCEPT;
/* Maps both corners; the result is not re-normalised (a rotation or a
 * negative sign can leave x1 > x2 or y1 > y2). out may be in. */
GR_API void gr_xy_rect_ctrans(gr_xy_rect* out, const gr_xy_rect* in, const gr_ctrans* t) GR_NOEXCEPT;

/* ---- length units ---- */
GR_API double gr_get_lunits(double value, gr_lunits_kind kind) GR_NOEXCEPT;
GR_API double gr_set_lunits(double value, gr_lunits_kind kind) GR_NOEXCEPT;
GR_API double gr_conv_lunits(double value, gr_lunits_kind from, gr_lunits_kind to) GR_NOEXCEPT;

/* ---- lines ---- */
/* 1 done; 0 when the points are closer than GR_LMES_PREC (out->p is set,
 * out->dir left unwritten). */
GR_API int gr_line_by_two_points(gr_line* out, const gr_cpoint* a, const gr_cpoint* b) GR_NOEXCEPT;
GR_API void gr_conv_linepar_to_cpoint(gr_cpoint* out, const gr_line* line, double t) GR_NOEXCEPT;
/* Parameter of the orthogonal projection of pt on line. */
GR_API double gr_proj_cpoint_on_line(const gr_cpoint* pt, const gr_line* line) GR_NOEXCEPT;
/* Signed distance of pt from line, positive on the left of its direction,
 * from the line's implicit equation through its points at parameters 0 and
 * 10 000 000 (extended precision). */
GR_API double gr_deriv_line_cpoint(const gr_line* line, const gr_cpoint* pt) GR_NOEXCEPT;
/* 1: crossing, *out_t = its parameter on line1; 2: the lines coincide,
 * *out_t = position of line2's base point on line1; 0: parallel and
 * distinct, *out_t untouched. */
GR_API int gr_intersect_line_line(double* out_t, const gr_line* line1, const gr_line* line2) GR_NOEXCEPT;

GR_END_C

#endif
