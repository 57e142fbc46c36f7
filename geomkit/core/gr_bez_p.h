// Internals of the Bezier code: Bernstein evaluation and the flattening of
// a composite cubic curve, shared by the conversion, the box and the hit
// test (and open to the offset engine, which flattens the same way).
#ifndef GEOMKIT_GR_BEZ_P_H
#define GEOMKIT_GR_BEZ_P_H

#include <geomkit/gr_bez.h>

#include <cstddef>

namespace geomkit {

// The highest degree whose binomial coefficients all come out of the
// 32-bit arithmetic of binomial(): from degree 31 on, a numerator passes its
// limit for some coefficient (C(31, 16) first), so such curves are refused
// before anything is evaluated, whatever count a record claims.
inline constexpr int kBezierMaxDegree = 30;

// C(degree, i) for i = 0..degree into binom (degree + 1 entries); false
// when the degree is negative or above kBezierMaxDegree, or a coefficient
// does not fit.
bool bernstein_binomials(int degree, double* binom) noexcept;

// sum over i = 0..n-1 of binom[i] t^i (1 - t)^(n-1-i) p[i], with t^0 and
// (1 - t)^0 taken as 1 (so t = 0 gives p[0] exactly and t = 1 gives
// p[n-1] exactly). 1 <= n <= kBezierMaxDegree + 1.
gr_cpoint bernstein_point(const gr_cpoint* p, int n, const double* binom, double t) noexcept;

// The number of points the flattening at this density gives the cubic
// piece p[0..3]: 2 for a straight piece (inner points on the ends), else
// m = trunc((L * 0.1 + 0.9) * density) with L the length of the piece's
// 4-point approximation, 2 when m < 3 (a NaN length included), and at
// most GR_BEZIER_MAX_PIECE_POINTS.
int piece_point_count(const gr_cpoint* p, int density) noexcept;

// Points of the whole flattening: the first piece's points, then each
// later piece's without its first. 0 when the curve has no complete piece;
// counting stops once past GR_BEZIER_MAX_POLYLINE_POINTS.
size_t flattened_point_count(const gr_bezier& bez, int density) noexcept;

// Writes the flattening into out (room for flattened_point_count points).
void flatten_into(const gr_bezier& bez, int density, gr_cpoint* out) noexcept;

}  // namespace geomkit

#endif
