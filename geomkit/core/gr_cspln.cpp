// The natural cubic spline through a polyline's points, as a chain of cubic
// polynomial pieces parametrised by chord length.
#include <geomkit/gr_bez.h>

#include <climits>
#include <cmath>
#include <new>
#include <vector>

namespace {

// The tangents m[0..n-1] of one coordinate (x or y, picked by member) from
// the tridiagonal system with chord lengths h:
//   row 0:       m0 + 0.5 m1 = 1.5 / h0 (x1 - x0)          (natural start)
//   row j:       h[j] m[j-1] + 2 (h[j] + h[j-1]) m[j] + h[j-1] m[j+1]
//                  = (h[j-1]^2 (x[j+1] - x[j]) + h[j]^2 (x[j] - x[j-1])) 3 / (h[j-1] h[j])
//   row n - 1:   2 m[n-2] + 4 m[n-1] = (x[n-1] - x[n-2]) 6 / h[n-2]   (natural end)
bool solve_tangents(const gr_polyline& pl, double gr_cpoint::*coord, const std::vector<double>& h,
                    std::vector<double>& a, std::vector<double>& b, std::vector<double>& c,
                    std::vector<double>& d, std::vector<double>& m) noexcept {
  const int n = static_cast<int>(pl.n);
  const auto x = [&](int j) { return pl.pnt[j].*coord; };
  a[0] = 0;
  b[0] = 1;
  c[0] = 0.5;
  d[0] = 1.5 / h[0] * (x(1) - x(0));
  for (int j = 1; j <= n - 2; ++j) {
    a[j] = h[j];
    b[j] = 2 * (h[j] + h[j - 1]);
    c[j] = h[j - 1];
    d[j] =
        (h[j - 1] * h[j - 1] * (x(j + 1) - x(j)) + h[j] * h[j] * (x(j) - x(j - 1))) * 3 / (h[j - 1] * h[j]);
  }
  a[n - 1] = 2;
  b[n - 1] = 4;
  c[n - 1] = 0;
  d[n - 1] = (x(n - 1) - x(n - 2)) * 6 / h[n - 2];
  return gr_progon3(n, a.data(), b.data(), c.data(), d.data(), m.data()) != 0;
}

}  // namespace

// Piece j joins P = pnt[j] to Q = pnt[j+1] over 0 .. h = |Q - P| with end
// tangents Tj, Tj+1 (Hermite form):
//   coef0 = P, coef1 = Tj,
//   coef2 = 3 (Q - P) / h^2 - 2 Tj / h - Tj+1 / h,
//   coef3 = 2 (P - Q) / h^3 + Tj / h^2 + Tj+1 / h^2.
// Refused (0, nothing written) for fewer than 2 points, two consecutive
// equal points or a coordinate that is not finite (a chord of length 0 or
// NaN), a singular system (a vanishing pivot) and memory exhaustion.
int gr_conv_cubspline_to_trpolynom3s(const gr_polyline* pline, gr_polynom3* out_pieces) noexcept {
  if (!pline || !out_pieces || pline->n < 2 || pline->n > INT_MAX) return 0;
  const int n = static_cast<int>(pline->n);
  try {
    std::vector<double> h(n - 1);
    for (int j = 0; j + 1 < n; ++j) {
      h[j] = gr_dist_cpoints(&pline->pnt[j + 1], &pline->pnt[j]);
      if (!(h[j] > 0) || !std::isfinite(h[j])) return 0;
    }
    std::vector<double> a(n), b(n), c(n), d(n), tx(n), ty(n);
    if (!solve_tangents(*pline, &gr_cpoint::x, h, a, b, c, d, tx)) return 0;
    if (!solve_tangents(*pline, &gr_cpoint::y, h, a, b, c, d, ty)) return 0;
    for (int j = 0; j + 1 < n; ++j) {
      const double hj = h[j];
      const gr_cpoint& p = pline->pnt[j];
      const gr_cpoint& q = pline->pnt[j + 1];
      gr_polynom3& piece = out_pieces[j];
      piece.coef0 = p;
      piece.coef1 = gr_cpoint{tx[j], ty[j]};
      piece.coef2 = gr_cpoint{3 * (q.x - p.x) / (hj * hj) - 2 * tx[j] / hj - tx[j + 1] / hj,
                              3 * (q.y - p.y) / (hj * hj) - 2 * ty[j] / hj - ty[j + 1] / hj};
      piece.coef3 = gr_cpoint{2 * (p.x - q.x) / (hj * hj * hj) + tx[j] / (hj * hj) + tx[j + 1] / (hj * hj),
                              2 * (p.y - q.y) / (hj * hj * hj) + ty[j] / (hj * hj) + ty[j + 1] / (hj * hj)};
      piece.tmin = 0;
      piece.tmax = hj;
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

void gr_get_polynom3_pnt(gr_cpoint* out, const gr_polynom3* poly, double t) noexcept {
  if (!out || !poly) return;
  const gr_polynom3& p = *poly;
  out->x = p.coef0.x + p.coef1.x * t + p.coef2.x * t * t + p.coef3.x * t * t * t;
  out->y = p.coef0.y + p.coef1.y * t + p.coef2.y * t * t + p.coef3.y * t * t * t;
}

void gr_get_polynom3_tangent(gr_cpoint* out, const gr_polynom3* poly, double t) noexcept {
  if (!out || !poly) return;
  const gr_polynom3& p = *poly;
  out->x = p.coef1.x + 2 * p.coef2.x * t + 3 * p.coef3.x * t * t;
  out->y = p.coef1.y + 2 * p.coef2.y * t + 3 * p.coef3.y * t * t;
}
