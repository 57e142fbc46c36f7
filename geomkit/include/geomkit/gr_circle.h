/* Circles, circular arcs, ellipses and elliptic arcs: records,
 * construction, point/parameter conversion, line intersections, bounding
 * boxes and rectangle hit tests. Angles are radians counter-clockwise from
 * +x; pi is 3.141592653589793 throughout. */
#ifndef GEOMKIT_GR_CIRCLE_H
#define GEOMKIT_GR_CIRCLE_H

#include <geomkit/gr_api.h>
#include <geomkit/gr_types.h>

GR_BEGIN_C

/* 24 bytes. */
typedef struct gr_circle {
  gr_cpoint c; /* centre */
  double r;    /* radius */
} gr_circle;

/* Arc, 40 bytes: the circle fields, then the range, counter-clockwise from a1 to a2. */
typedef struct gr_trcircle {
  gr_cpoint c;
  double r;
  double a1; /* start angle */
  double a2; /* end angle */
} gr_trcircle;

typedef struct gr_thick_circle {
  gr_cpoint c;
  double r;
  double thickness;
} gr_thick_circle;

typedef struct gr_thick_trcircle {
  gr_cpoint c;
  double r;
  double a1, a2;
  double thickness;
} gr_thick_trcircle;

/* Point at parameter t: c + (a cos t cos - b sin t sin, a cos t sin + b sin t cos),
 * cos and sin being dir's components. 48 bytes. */
typedef struct gr_ellip {
  gr_cpoint c;
  gr_direct dir; /* direction of the first axis */
  double a;      /* semi-axis along dir */
  double b;      /* semi-axis across dir */
} gr_ellip;

/* Elliptic arc, 64 bytes: t1, t2 are ellipse parameters, not polar angles. */
typedef struct gr_trellip {
  gr_cpoint c;
  gr_direct dir;
  double a, b;
  double t1, t2;
} gr_trellip;

/* ---- transforms (t null = identity) ---- */
/* Maps the centre; radius * scale. */
GR_API void gr_circle_ctrans(gr_circle* out, const gr_circle* in, const gr_ctrans* t) GR_NOEXCEPT;
/* As gr_circle_ctrans; the angles are copied unchanged. */
GR_API void gr_trcircle_ctrans(gr_trcircle* out, const gr_trcircle* in, const gr_ctrans* t) GR_NOEXCEPT;

/* ---- construction ---- */
GR_API gr_circle* gr_circle_cr(const gr_cpoint* c, double r, gr_circle* out) GR_NOEXCEPT;
GR_API gr_circle* gr_circle_2p(const gr_cpoint* p1, const gr_cpoint* p2, gr_circle* out) GR_NOEXCEPT;
/* The circle of radius r through p1 and p2, centre left of p2->p1.
 * 1 done; 0 when no such circle is defined (r below half the distance, or
 * NaN, or the points within GR_LMES_PREC of each other): out is then the
 * smallest circle through both points, centre at their midpoint and radius
 * half their distance. */
GR_API int gr_circle_2pr(const gr_cpoint* p1, const gr_cpoint* p2, double r, gr_circle* out) GR_NOEXCEPT;
/* 1 done; 0 (out untouched) for three collinear distinct points, or when
 * p1 or p3 coincides exactly with p2. p1 = p3 gives the circle on the
 * diameter p2 p3. */
GR_API int gr_circle_3p(const gr_cpoint* p1, const gr_cpoint* p2, const gr_cpoint* p3,
                        gr_circle* out) GR_NOEXCEPT;
/* Angles in degrees, stored in radians, not reduced. */
GR_API void gr_creat_trcircle(gr_trcircle* out, const gr_cpoint* c, double r, double a1_deg,
                              double a2_deg) GR_NOEXCEPT;
GR_API void gr_set_thick_circle(gr_thick_circle* out, double thickness, const gr_circle* circle) GR_NOEXCEPT;
GR_API void gr_set_thick_trcircle(gr_thick_trcircle* out, double thickness,
                                  const gr_trcircle* arc) GR_NOEXCEPT;
/* a = |va - c|, dir towards va, b = the distance of vb from that axis;
 * with va at the centre (a <= GR_LMES_PREC), b = |vb - c| and dir towards vb
 * (or (sin 0, cos 1) when vb is at the centre too). */
GR_API void gr_set_ellip_c_va_vb(gr_ellip* out, const gr_cpoint* c, const gr_cpoint* va,
                                 const gr_cpoint* vb) GR_NOEXCEPT;
/* phi1, phi2: polar angles from dir, turned into parameters t1, t2 (a
 * range of a full turn or more becomes (0, 2 pi) first, any other end is
 * reduced by whole turns). Only when a > GR_LMES_PREC: for a smaller a the
 * range is not written and keeps what out held. */
GR_API void gr_set_trellip_c_va_vb(gr_trellip* out, const gr_cpoint* c, const gr_cpoint* va,
                                   const gr_cpoint* vb, double phi1, double phi2) GR_NOEXCEPT;
GR_API void gr_set_trellip_ellip(gr_trellip* out, const gr_ellip* ellip, double phi1,
                                 double phi2) GR_NOEXCEPT;

/* ---- points and parameters ---- */
GR_API void gr_conv_cirpar_to_cpoint(gr_cpoint* out, const gr_circle* circle, double angle) GR_NOEXCEPT;
/* Angle in (-pi, pi] of pt seen from the centre; 0 for the centre itself. 1. */
GR_API int gr_conv_cpoint_to_cirpar(double* out_angle, const gr_circle* circle,
                                    const gr_cpoint* pt) GR_NOEXCEPT;
GR_API void gr_conv_ellpar_to_cpoint(gr_cpoint* out, const gr_ellip* ellip, double t) GR_NOEXCEPT;
/* Parameter of a point on the ellipse; 0 when both semi-axes are within
 * [0, GR_LMES_PREC]; with one of them there, the angle of dir. 1 done. */
GR_API int gr_conv_cpoint_to_ellpar(double* out_t, const gr_ellip* ellip, const gr_cpoint* pt) GR_NOEXCEPT;
/* r - |pt - c| (positive inside), exactly 0 within GR_LMES_PREC. */
GR_API double gr_deriv_circle_cpoint(const gr_circle* circle, const gr_cpoint* pt) GR_NOEXCEPT;

/* ---- intersections ---- */
/* 0, or 2 with t_pair[0] <= t_pair[1] (a tangent gives two equal values). */
GR_API int gr_isct_line_circle(double* t_pair, const gr_line* line, const gr_circle* circle) GR_NOEXCEPT;

/* ---- bounding boxes ---- */
GR_API void gr_get_circle_dims(gr_xy_rect* out, const gr_circle* circle) GR_NOEXCEPT;
GR_API void gr_get_ellip_dims(gr_xy_rect* out, const gr_ellip* ellip) GR_NOEXCEPT;
GR_API void gr_get_trcircle_dims(gr_xy_rect* out, const gr_trcircle* arc) GR_NOEXCEPT;
GR_API void gr_get_trellip_dims(gr_xy_rect* out, const gr_trellip* trellip) GR_NOEXCEPT;

/* ---- hit tests (codes of gr_poly.h; each normalises *rect in place) ---- */
GR_API int gr_layout_rect_circle(gr_xy_rect* rect, const gr_circle* circle) GR_NOEXCEPT;
/* Also normalises the arc's range in place: pass a copy. */
GR_API int gr_layout_rect_trcircle(gr_xy_rect* rect, gr_trcircle* arc) GR_NOEXCEPT;
GR_API int gr_layout_rect_ellip(gr_xy_rect* rect, const gr_ellip* ellip) GR_NOEXCEPT;

GR_END_C

#endif
