/* Bezier curves and cubic splines: evaluation, conversion to polylines,
 * dimensions and hit test, the natural cubic spline and the tridiagonal
 * solver behind it. */
#ifndef GEOMKIT_GR_BEZ_H
#define GEOMKIT_GR_BEZ_H

#include <stdint.h>
#include <geomkit/gr_api.h>
#include <geomkit/gr_types.h>
#include <geomkit/gr_poly.h>

GR_BEGIN_C

/* n control points; 16 n + 8 bytes (4 bytes of padding keep the points
 * aligned). As a composite curve, piece k uses points 3k .. 3k+3 and points
 * after the last complete piece are ignored; the single-curve functions
 * treat all n points as one curve of degree n - 1. */
typedef struct gr_bezier {
  int32_t n;
  int32_t reserved;
  gr_cpoint pnt[1]; /* n points follow */
} gr_bezier;

/* P(t) = coef0 + coef1 t + coef2 t^2 + coef3 t^3 on [tmin, tmax]. 80 bytes. */
typedef struct gr_polynom3 {
  gr_cpoint coef0, coef1, coef2, coef3;
  double tmin, tmax;
} gr_polynom3;

/* Bounds on a flattening, whatever density or coordinates a file brings:
 * a cubic piece gives at most GR_BEZIER_MAX_PIECE_POINTS points (a piece
 * 650 000 units long at density 1, or 655 units at density 1000), and a
 * whole result at most GR_BEZIER_MAX_POLYLINE_POINTS (256 MB of points);
 * a curve whose flattening would pass the latter is refused. */
#define GR_BEZIER_MAX_PIECE_POINTS 65536
#define GR_BEZIER_MAX_POLYLINE_POINTS (1 << 24)

/* 16 n + 8; -1 for a negative n or a size beyond int. */
GR_API int gr_get_bezier_sizen(int n) GR_NOEXCEPT;
GR_API int gr_get_bezier_size(const gr_bezier* bez) GR_NOEXCEPT;
/* Null when the size is -1 (see gr_get_bezier_sizen) or memory runs out. */
GR_API gr_bezier* gr_alloc_buffer_for_bezier(int n) GR_NOEXCEPT;
GR_API void gr_free_buffer_for_bezier(gr_bezier* p) GR_NOEXCEPT;
/* Maps the in->n control points into out's points; out->n is not written
 * (the caller sets it). t null copies. */
GR_API void gr_bezier_ctrans(gr_bezier* out, const gr_bezier* in, const gr_ctrans* t) GR_NOEXCEPT;

/* The single-curve functions take curves of degree 0 to 30 (1 to 31
 * points): beyond that the binomial coefficients no longer come out of
 * their 32-bit arithmetic, and the functions refuse with 0. */
/* Bernstein point / derivative (not normalised) of the single curve at t in
 * [0, 1]; 0 outside (NaN included), the tangent also for n < 2. */
GR_API int gr_get_bezier_pnt(gr_cpoint* out, const gr_bezier* bez, double t) GR_NOEXCEPT;
GR_API int gr_get_bezier_tangent(gr_cpoint* out, const gr_bezier* bez, double t) GR_NOEXCEPT;
/* count points of the single curve into out (room for count), out->n =
 * count, out->closed not written; point 0 is the first control point, the
 * last is the last one, interior point i lies at t = i / count (so the last
 * step is twice as long). 1 done, 0 refused (count < 2, n < 1, degree
 * above 30). */
GR_API int gr_conv_bezier_to_polyline(const gr_bezier* bez, gr_polyline* out, int count) GR_NOEXCEPT;
/* Flattens the composite curve: a straight piece (inner control points
 * within GR_LMES_PREC of the ends) gives its two inner points; any other
 * gives m = trunc((L * 0.1 + 0.9) * density) points of
 * gr_conv_bezier_to_polyline, L being the length of its 4-point flattening,
 * m = 2 when below 3 (so a density of 0 or less gives 2), at most
 * GR_BEZIER_MAX_PIECE_POINTS. Later pieces drop their first point.
 * closed = 1 when the last point is the first within GR_LMES_PREC.
 * *pline_ref (a gr_alloc_buffer_for_polyline block, or null) is freed and
 * replaced by the result, which is also returned; a null pline_ref just
 * hands the result to the caller. Null when the curve has no complete piece
 * (n < 4), its flattening would pass GR_BEZIER_MAX_POLYLINE_POINTS or memory
 * runs out (*pline_ref is then left as it was). */
GR_API gr_polyline* gr_conv_POLYbezier_to_polyline(const gr_bezier* bez, gr_polyline** pline_ref,
                                                   int density) GR_NOEXCEPT;
/* Box of the flattening at density 100; returns its point count, or 0
 * (out untouched) when gr_conv_POLYbezier_to_polyline would refuse. */
GR_API int gr_get_bezier_dims(gr_xy_rect* out, const gr_bezier* bez) GR_NOEXCEPT;
/* gr_layout_rect_polyline of the flattening at this density; GR_NO_CONTACT
 * when the curve cannot be flattened. */
GR_API int gr_layout_rect_bezier(const gr_xy_rect* rect, const gr_bezier* bez, int density) GR_NOEXCEPT;

/* Natural cubic spline through pline's n >= 2 points (closed ignored),
 * chord-length parametrised: n - 1 pieces, tmin 0 and tmax the chord, into
 * out_pieces. 1 done; 0, nothing written, for fewer than 2 points, two
 * consecutive equal points, a coordinate that is not finite, a singular
 * system or memory exhaustion. */
GR_API int gr_conv_cubspline_to_trpolynom3s(const gr_polyline* pline, gr_polynom3* out_pieces) GR_NOEXCEPT;
/* Solves a[j] x[j-1] + b[j] x[j] + c[j] x[j+1] = d[j], j = 0..n-1. 1 done;
 * 0 (x untouched) for n < 1, a[0] or c[n-1] not within GR_LMES_PREC of 0,
 * a pivot below GR_LMES_PREC in magnitude (or NaN) or memory exhaustion. */
GR_API int gr_progon3(int n, const double* a, const double* b, const double* c, const double* d,
                      double* x) GR_NOEXCEPT;
GR_API void gr_get_polynom3_pnt(gr_cpoint* out, const gr_polynom3* poly, double t) GR_NOEXCEPT;
GR_API void gr_get_polynom3_tangent(gr_cpoint* out, const gr_polynom3* poly, double t) GR_NOEXCEPT;

GR_END_C

#endif
