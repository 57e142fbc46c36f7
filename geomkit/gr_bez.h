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

GR_API int gr_get_bezier_sizen(int n) GR_NOEXCEPT;
GR_API int gr_get_bezier_size(const gr_bezier* bez) GR_NOEXCEPT;
GR_API gr_bezier* gr_alloc_buffer_for_bezier(int n) GR_NOEXCEPT;
GR_API void gr_free_buffer_for_bezier(gr_bezier* p) GR_NOEXCEPT;
/* Maps the in->n control points into out's points; out->n is not written
 * (the caller sets it). t null copies. */
GR_API void gr_bezier_ctrans(gr_bezier* out, const gr_bezier* in, const gr_ctrans* t) GR_NOEXCEPT;

/* Bernstein point / derivative of the single curve at t in [0, 1]; 0 outside. */
GR_API int gr_get_bezier_pnt(gr_cpoint* out, const gr_bezier* bez, double t) GR_NOEXCEPT;
GR_API int gr_get_bezier_tangent(gr_cpoint* out, const gr_bezier* bez, double t) GR_NOEXCEPT;
/* count points of the single curve into out (room for count), out->n =
 * count; interior point i at t = i / count. 1 done, 0 refused. */
GR_API int gr_conv_bezier_to_polyline(const gr_bezier* bez, gr_polyline* out, int count) GR_NOEXCEPT;
/* Flattens the composite curve; *pline_ref (a gr_alloc_buffer_for_polyline
 * block, or null) is freed and replaced by the result, which is also
 * returned. Null when the curve has no complete piece or memory runs out
 * (*pline_ref is then left as it was). */
GR_API gr_polyline* gr_conv_POLYbezier_to_polyline(const gr_bezier* bez, gr_polyline** pline_ref, int density) GR_NOEXCEPT;
/* Box of the flattening at density 100; 0 (out untouched) when the curve has no piece. */
GR_API int gr_get_bezier_dims(gr_xy_rect* out, const gr_bezier* bez) GR_NOEXCEPT;
GR_API int gr_layout_rect_bezier(const gr_xy_rect* rect, const gr_bezier* bez, int density) GR_NOEXCEPT;

/* Natural cubic spline through pline's n >= 2 points, chord-length
 * parametrised: n - 1 pieces into out_pieces. 1 done, 0 refused. */
GR_API int gr_conv_cubspline_to_trpolynom3s(const gr_polyline* pline, gr_polynom3* out_pieces) GR_NOEXCEPT;
/* Solves a[j] x[j-1] + b[j] x[j] + c[j] x[j+1] = d[j]; 0 on a vanishing pivot. */
GR_API int gr_progon3(int n, const double* a, const double* b, const double* c, const double* d, double* x) GR_NOEXCEPT;
GR_API void gr_get_polynom3_pnt(gr_cpoint* out, const gr_polynom3* poly, double t) GR_NOEXCEPT;
GR_API void gr_get_polynom3_tangent(gr_cpoint* out, const gr_polynom3* poly, double t) GR_NOEXCEPT;

GR_END_C

#endif
