/* The offset engine: equidistant contours of closed polylines and of
 * composite Bezier curves. A positive distance grows the shape, a negative
 * one shrinks it, whatever the orientation; corners are mitred. The result
 * is one or more closed, non-self-intersecting polylines (possibly none). */
#ifndef GEOMKIT_GR_EQVIDIST_H
#define GEOMKIT_GR_EQVIDIST_H

#include <geomkit/gr_api.h>
#include <geomkit/gr_poly.h>
#include <geomkit/gr_bez.h>

GR_BEGIN_C

/* 1: *out receives a set of closed polylines (closed flag 1, the first point
 * repeated as the last), free it with gr_free_buffer_for_polylines.
 * 0: no contour at this distance (|d| < GR_LMES_PREC, or the contour cannot
 * be built); *out is then not a result to use. flag is unused (pass 1). */
GR_API int gr_eqvidist_polyline(const gr_polyline* pline, double d, gr_polylines** out, int flag) GR_NOEXCEPT;
/* Flattens the curve at steps points per piece, then as gr_eqvidist_polyline. */
GR_API int gr_eqvidist_bezier(const gr_bezier* bez, double d, gr_polylines** out, int steps,
                              int flag) GR_NOEXCEPT;

GR_END_C

#endif
