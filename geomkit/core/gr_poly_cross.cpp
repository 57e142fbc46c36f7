// The vertex-crossing test: does the boundary of a polygon really pass from
// one side of a line to the other at a vertex lying on the line? Hatching
// counts such a vertex once and only when the answer is yes, which keeps
// the sorted parameters of a hatch line alternating entry and exit; the
// offset engine asks the same question.
#include "core/gr_poly_p.h"

#include <cmath>

namespace geomkit {

bool vertex_crosses_line(const LineMeasure& lm, const gr_polyline& pline, uint32_t k) noexcept {
  const uint32_t n = pline.n;
  if (k >= n) return false;
  auto off_line = [&](uint32_t i, double& d) {
    d = lm.deriv(pline.pnt[i]);
    return std::fabs(d) >= kLmesPrec;
  };
  double dk;
  if (off_line(k, dk)) return false;
  // Nearest vertex off the line walking backwards, then forwards (modulo n).
  // Coming back to k means every vertex is on the line: no crossing.
  double d_before = 0, d_after = 0;
  uint32_t before = k;
  do {
    before = before == 0 ? n - 1 : before - 1;
  } while (before != k && !off_line(before, d_before));
  if (before == k) return false;
  uint32_t after = k;
  do {
    after = after + 1 == n ? 0 : after + 1;
  } while (after != k && !off_line(after, d_after));
  if (after == k || after == before) return false;
  return static_cast<long double>(d_before) * d_after < 0;
}

bool vertex_crosses_line(const gr_line& line, const gr_polyline& pline, uint32_t k) noexcept {
  return vertex_crosses_line(LineMeasure(line), pline, k);
}

}  // namespace geomkit
