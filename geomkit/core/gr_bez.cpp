// Bezier curves: buffers, the transform, Bernstein evaluation of a single
// curve of any degree, and the flattening of a composite cubic curve into a
// polyline, with the box and the hit test built on it.
#include <geomkit/gr_bez.h>
#include "core/gr_bez_p.h"
#include "core/gr_math_p.h"

#include <climits>
#include <cstddef>
#include <cmath>
#include <cstdlib>
#include <cstring>

static_assert(offsetof(gr_bezier, pnt) == 8,
              "a Bezier record is its count, 4 bytes of padding, then its points");
static_assert(sizeof(gr_polynom3) == 80, "record sizes are part of the interface");

namespace {

// ---- single curve ----

bool valid_curve(const gr_bezier* bez) noexcept {
  return bez && bez->n >= 1 && bez->n - 1 <= geomkit::kBezierMaxDegree;
}

bool in_unit_range(double t) noexcept { return t >= 0 && t <= 1; }  // NaN is not

// ---- composite curve ----

constexpr double kCubicBinomials[4] = {1, 3, 3, 1};

bool straight_piece(const gr_cpoint* p) noexcept {
  return std::fabs(p[0].x - p[1].x) < GR_LMES_PREC && std::fabs(p[2].x - p[3].x) < GR_LMES_PREC &&
         std::fabs(p[0].y - p[1].y) < GR_LMES_PREC && std::fabs(p[2].y - p[3].y) < GR_LMES_PREC;
}

// The cubic pieces of the curve: piece k uses points 3k .. 3k + 3; points
// after the last complete piece are ignored.
int piece_count(const gr_bezier& bez) noexcept { return bez.n >= 4 ? (bez.n - 1) / 3 : 0; }

// Calls f(point) for each point of the flattening in order.
template <class F>
void for_each_flat_point(const gr_bezier& bez, int density, F&& f) {
  const int pieces = piece_count(bez);
  for (int k = 0; k < pieces; ++k) {
    const gr_cpoint* p = bez.pnt + 3 * k;
    // Every piece after the first starts where the previous one ended.
    const bool skip_first = k > 0;
    if (straight_piece(p)) {
      if (!skip_first) f(p[1]);
      f(p[2]);
      continue;
    }
    const int m = geomkit::piece_point_count(p, density);
    if (!skip_first) f(p[0]);
    for (int i = 1; i <= m - 2; ++i) {
      f(geomkit::bernstein_point(p, 4, kCubicBinomials, static_cast<double>(i) / m));
    }
    f(p[3]);
  }
}

// A fresh polyline holding the flattening, or null (no piece, too many
// points, out of memory).
gr_polyline* flatten_new(const gr_bezier& bez, int density) noexcept {
  const size_t count = geomkit::flattened_point_count(bez, density);
  if (count == 0 || count > GR_BEZIER_MAX_POLYLINE_POINTS) return nullptr;
  gr_polyline* pl = gr_alloc_buffer_for_polyline(static_cast<int>(count));
  if (!pl) return nullptr;
  geomkit::flatten_into(bez, density, pl->pnt);
  pl->n = static_cast<uint32_t>(count);
  const gr_cpoint& first = pl->pnt[0];
  const gr_cpoint& last = pl->pnt[count - 1];
  pl->closed = std::fabs(last.x - first.x) < GR_LMES_PREC && std::fabs(last.y - first.y) < GR_LMES_PREC;
  return pl;
}

}  // namespace

namespace geomkit {

bool bernstein_binomials(int degree, double* binom) noexcept {
  if (degree < 0 || degree > kBezierMaxDegree) return false;
  for (int i = 0; i <= degree; ++i) {
    uint32_t c = 0;
    if (!binomial(static_cast<uint32_t>(degree), static_cast<uint32_t>(i), c)) return false;
    binom[i] = c;
  }
  return true;
}

gr_cpoint bernstein_point(const gr_cpoint* p, int n, const double* binom, double t) noexcept {
  const int degree = n - 1;
  // (1 - t)^j for j = 0..degree; the powers of t run along the sum.
  double upow[kBezierMaxDegree + 1];
  const double u = 1 - t;
  upow[0] = 1;
  for (int j = 1; j <= degree; ++j) upow[j] = upow[j - 1] * u;
  double x = 0, y = 0, tpow = 1;
  for (int i = 0; i <= degree; ++i) {
    const double coef = binom[i] * tpow * upow[degree - i];
    x += coef * p[i].x;
    y += coef * p[i].y;
    tpow *= t;
  }
  return gr_cpoint{x, y};
}

int piece_point_count(const gr_cpoint* p, int density) noexcept {
  if (straight_piece(p)) return 2;
  // The open 4-point approximation: t = 0, 1/4, 2/4 and the end.
  const gr_cpoint q1 = bernstein_point(p, 4, kCubicBinomials, 1.0 / 4);
  const gr_cpoint q2 = bernstein_point(p, 4, kCubicBinomials, 2.0 / 4);
  const double len = gr_dist_cpoints(&p[0], &q1) + gr_dist_cpoints(&q1, &q2) + gr_dist_cpoints(&q2, &p[3]);
  const double m = (len * 0.1 + 0.9) * density;
  if (!(m >= 3)) return 2;
  if (m >= GR_BEZIER_MAX_PIECE_POINTS) return GR_BEZIER_MAX_PIECE_POINTS;
  return static_cast<int>(m);  // truncation toward zero
}

size_t flattened_point_count(const gr_bezier& bez, int density) noexcept {
  const int pieces = piece_count(bez);
  size_t total = 0;
  for (int k = 0; k < pieces; ++k) {
    const size_t m = static_cast<size_t>(piece_point_count(bez.pnt + 3 * k, density));
    total += k == 0 ? m : m - 1;
    if (total > GR_BEZIER_MAX_POLYLINE_POINTS) break;  // refused anyway: stop counting
  }
  return total;
}

void flatten_into(const gr_bezier& bez, int density, gr_cpoint* out) noexcept {
  for_each_flat_point(bez, density, [&out](const gr_cpoint& p) { *out++ = p; });
}

}  // namespace geomkit

// ---- sizes and buffers ----

int gr_get_bezier_sizen(int n) noexcept {
  if (n < 0 || n > (INT_MAX - 8) / 16) return -1;
  return 16 * n + 8;
}

int gr_get_bezier_size(const gr_bezier* bez) noexcept { return bez ? gr_get_bezier_sizen(bez->n) : -1; }

gr_bezier* gr_alloc_buffer_for_bezier(int n) noexcept {
  const int size = gr_get_bezier_sizen(n);
  if (size < 0) return nullptr;
  return static_cast<gr_bezier*>(std::malloc(static_cast<size_t>(size)));
}

void gr_free_buffer_for_bezier(gr_bezier* p) noexcept { std::free(p); }

void gr_bezier_ctrans(gr_bezier* out, const gr_bezier* in, const gr_ctrans* t) noexcept {
  if (!out || !in) return;
  const int n = in->n;
  if (!t) {
    if (n > 0 && out != in) std::memmove(out->pnt, in->pnt, sizeof(gr_cpoint) * static_cast<size_t>(n));
    return;
  }
  for (int i = 0; i < n; ++i) out->pnt[i] = gr_vector_ctrans(in->pnt[i].x, in->pnt[i].y, t);
}

// ---- single curve ----

int gr_get_bezier_pnt(gr_cpoint* out, const gr_bezier* bez, double t) noexcept {
  if (!out || !valid_curve(bez) || !in_unit_range(t)) return 0;
  double binom[geomkit::kBezierMaxDegree + 1];
  if (!geomkit::bernstein_binomials(bez->n - 1, binom)) return 0;
  *out = geomkit::bernstein_point(bez->pnt, bez->n, binom, t);
  return 1;
}

// (n - 1) times the Bernstein sum of degree n - 2 over the differences
// pnt[i+1] - pnt[i]: the derivative vector, not normalised.
int gr_get_bezier_tangent(gr_cpoint* out, const gr_bezier* bez, double t) noexcept {
  if (!out || !valid_curve(bez) || bez->n < 2 || !in_unit_range(t)) return 0;
  const int n = bez->n;
  double binom[geomkit::kBezierMaxDegree + 1];
  if (!geomkit::bernstein_binomials(n - 2, binom)) return 0;
  gr_cpoint diff[geomkit::kBezierMaxDegree];
  for (int i = 0; i + 1 < n; ++i) {
    diff[i] = gr_cpoint{bez->pnt[i + 1].x - bez->pnt[i].x, bez->pnt[i + 1].y - bez->pnt[i].y};
  }
  const gr_cpoint s = geomkit::bernstein_point(diff, n - 1, binom, t);
  *out = gr_cpoint{(n - 1) * s.x, (n - 1) * s.y};
  return 1;
}

// Point i of count lies at t = i / count: the spacing divides by count, not
// count - 1, so the last step (to the curve's end) is twice as long.
int gr_conv_bezier_to_polyline(const gr_bezier* bez, gr_polyline* out, int count) noexcept {
  if (!out || !valid_curve(bez) || count < 2) return 0;
  double binom[geomkit::kBezierMaxDegree + 1];
  if (!geomkit::bernstein_binomials(bez->n - 1, binom)) return 0;
  out->pnt[0] = bez->pnt[0];
  for (int i = 1; i <= count - 2; ++i) {
    out->pnt[i] = geomkit::bernstein_point(bez->pnt, bez->n, binom, static_cast<double>(i) / count);
  }
  out->pnt[count - 1] = bez->pnt[bez->n - 1];
  out->n = static_cast<uint32_t>(count);
  return 1;
}

// ---- composite curve ----

gr_polyline* gr_conv_POLYbezier_to_polyline(const gr_bezier* bez, gr_polyline** pline_ref,
                                            int density) noexcept {
  if (!bez) return nullptr;
  gr_polyline* result = flatten_new(*bez, density);
  if (!result) return nullptr;
  if (pline_ref) {
    if (*pline_ref) gr_free_buffer_for_polyline(*pline_ref);
    *pline_ref = result;
  }
  return result;
}

// The box of the flattening at density 100, walked point by point rather
// than built: the same points, without the temporary block.
int gr_get_bezier_dims(gr_xy_rect* out, const gr_bezier* bez) noexcept {
  if (!out || !bez) return 0;
  constexpr int kDimsDensity = 100;
  const size_t count = geomkit::flattened_point_count(*bez, kDimsDensity);
  if (count == 0 || count > GR_BEZIER_MAX_POLYLINE_POINTS) return 0;
  bool first = true;
  gr_xy_rect box{};
  for_each_flat_point(*bez, kDimsDensity, [&](const gr_cpoint& p) {
    if (first) {
      box = gr_xy_rect{p.x, p.y, p.x, p.y};
      first = false;
      return;
    }
    if (p.x < box.x1) box.x1 = p.x;
    if (p.y < box.y1) box.y1 = p.y;
    if (p.x > box.x2) box.x2 = p.x;
    if (p.y > box.y2) box.y2 = p.y;
  });
  *out = box;
  return static_cast<int>(count);
}

int gr_layout_rect_bezier(const gr_xy_rect* rect, const gr_bezier* bez, int density) noexcept {
  if (!rect || !bez) return GR_NO_CONTACT;
  gr_polyline* pl = flatten_new(*bez, density);
  if (!pl) return GR_NO_CONTACT;
  const int code = gr_layout_rect_polyline(rect, pl);
  gr_free_buffer_for_polyline(pl);
  return code;
}
