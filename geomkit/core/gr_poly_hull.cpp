// Convex hull by gift wrapping, with the library tolerance.
//
// The march starts from the first supporting pair of points in index order
// and at each hull vertex takes the first point (in index order) whose line
// from the vertex supports the whole set with the set on the side found at
// the start. Points lying on a hull edge between its two end vertices are
// skipped: the edge always runs to the farthest point on its line, so the
// march never stops at a point it cannot leave in a straight line, and
// collinear or duplicate points never fail. The result is closed, holds
// each hull vertex once and never more than n points.
#include <geomkit/gr_poly.h>

#include "core/gr_poly_p.h"

#include <cmath>

using geomkit::kLmesPrec;
using geomkit::LineMeasure;

namespace {

// Where the points lie relative to a line: on both sides beyond the
// tolerance (separating), or not (supporting); side tells which side holds
// points beyond the tolerance (+1 left, -1 right, 0 none).
struct Support {
  bool supporting;
  int side;
};

Support support(const LineMeasure& lm, const gr_polyline& pl) noexcept {
  bool left = false, right = false;
  for (uint32_t k = 0; k < pl.n; ++k) {
    const double d = lm.deriv(pl.pnt[k]);
    if (d > kLmesPrec) left = true;
    if (d < -kLmesPrec) right = true;
    if (left && right) return {false, 0};
  }
  return {true, left ? 1 : right ? -1 : 0};
}

// The points with the smallest and the largest parameter on the line,
// starting from lo and hi (a point replaces one only when strictly beyond
// it, so the first found wins ties); only points within the tolerance of
// the line when on_line_only.
struct Extremes {
  uint32_t lo, hi;
};

Extremes extremes_on_line(const LineMeasure& lm, const gr_polyline& pl, uint32_t lo, uint32_t hi,
                          bool on_line_only) noexcept {
  double tlo = lm.proj(pl.pnt[lo]), thi = lm.proj(pl.pnt[hi]);
  for (uint32_t k = 0; k < pl.n; ++k) {
    if (on_line_only && !(std::fabs(lm.deriv(pl.pnt[k])) <= kLmesPrec)) continue;
    const double t = lm.proj(pl.pnt[k]);
    if (t < tlo) {
      tlo = t;
      lo = k;
    }
    if (t > thi) {
      thi = t;
      hi = k;
    }
  }
  return {lo, hi};
}

bool make_line(gr_line& l, const gr_cpoint& a, const gr_cpoint& b) noexcept {
  return gr_line_by_two_points(&l, &a, &b) == 1;
}

// Writes the two ends of a collinear set (lo then hi), closed.
void write_segment_hull(gr_polyline& out, const gr_polyline& pl, Extremes e) noexcept {
  const gr_cpoint a = pl.pnt[e.lo], b = pl.pnt[e.hi];
  out.closed = 1;
  out.n = 2;
  out.pnt[0] = a;
  out.pnt[1] = b;
}

}  // namespace

extern "C" {

void gr_make_convex_hull(gr_polyline* out, const gr_polyline* pline) noexcept {
  const gr_polyline& pl = *pline;
  const uint32_t n = pl.n;
  if (n == 0) return;
  // A single point (all points within the tolerance of the first).
  uint32_t i = 1;
  while (i < n && !(gr_dist_cpoints(&pl.pnt[i], &pl.pnt[0]) > kLmesPrec)) ++i;
  if (i == n) {
    const gr_cpoint p = pl.pnt[0];
    out->n = 1;
    out->pnt[0] = p;
    return;
  }
  // All points on one line: the two extremes along it.
  gr_line base;
  if (!make_line(base, pl.pnt[0], pl.pnt[i])) return;  // cannot happen: the points are apart
  const LineMeasure base_lm(base);
  bool collinear = true;
  for (uint32_t k = i + 1; k < n && collinear; ++k)
    collinear = std::fabs(base_lm.deriv(pl.pnt[k])) <= kLmesPrec;
  if (collinear) {
    write_segment_hull(*out, pl, extremes_on_line(base_lm, pl, 0, i, false));
    return;
  }

  // Starting edge: the first pair (q, j) in index order whose line supports
  // the set, stretched to the extreme points on that line.
  int side = 0;
  Extremes start{0, 0};
  bool found = false;
  for (uint32_t q = 0; q < n && !found; ++q) {
    for (uint32_t j = q + 1; j < n && !found; ++j) {
      if (!(gr_dist_cpoints(&pl.pnt[j], &pl.pnt[q]) > kLmesPrec)) continue;
      gr_line l;
      if (!make_line(l, pl.pnt[q], pl.pnt[j])) continue;
      const LineMeasure lm(l);
      const Support s = support(lm, pl);
      if (!s.supporting) continue;
      start = extremes_on_line(lm, pl, q, j, true);
      side = s.side;
      found = true;
    }
  }
  if (!found) {
    // Only NaN or infinite coordinates get here: no line can be measured,
    // so answer the extent along the base line.
    write_segment_hull(*out, pl, extremes_on_line(base_lm, pl, 0, i, false));
    return;
  }
  if (side == 0) {
    // Every point lies within the tolerance of the starting line, though
    // not of the base line (whose two points were barely apart).
    write_segment_hull(*out, pl, start);
    return;
  }
  // Never more than n points are written.
  const gr_cpoint first = pl.pnt[start.lo], second = pl.pnt[start.hi];
  out->pnt[0] = first;
  out->pnt[1] = second;
  out->n = 2;
  out->closed = 0;  // the loop's end mark

  while (!out->closed) {
    const gr_cpoint last = out->pnt[out->n - 1];
    // Next vertex: the first point whose line from last keeps every point
    // on the hull's side, then the farthest point along that line.
    bool next_found = false;
    gr_cpoint next{};
    for (uint32_t k = 0; k < n && !next_found; ++k) {
      if (!(gr_dist_cpoints(&pl.pnt[k], &last) > kLmesPrec)) continue;
      gr_line l;
      if (!make_line(l, last, pl.pnt[k])) continue;
      const LineMeasure lm(l);
      const Support s = support(lm, pl);
      if (!s.supporting || s.side != side) continue;
      const Extremes e = extremes_on_line(lm, pl, k, k, true);
      next = pl.pnt[e.hi];
      next_found = true;
    }
    if (!next_found) break;
    if (gr_dist_cpoints(&next, &out->pnt[0]) <= kLmesPrec) break;  // back at the start
    // A vertex met again means the tolerance let the march run round: the
    // hull is complete.
    bool seen = false;
    for (uint32_t m = 1; m < out->n && !seen; ++m) seen = gr_dist_cpoints(&next, &out->pnt[m]) <= kLmesPrec;
    if (seen || out->n >= n) break;
    out->pnt[out->n] = next;
    out->n += 1;
    // Closed when the line from the first vertex to the new one supports the set.
    gr_line closing;
    if (make_line(closing, out->pnt[0], next) && support(LineMeasure(closing), pl).supporting)
      out->closed = 1;
  }
  out->closed = 1;
}

}  // extern "C"
