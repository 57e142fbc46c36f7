// Curves the writers cannot express in their format, as points: arcs and
// circles as 40 chords, Bezier elements at the document's density.
#include "convert/page_p.h"

#include <fgb/main_db.h>

#include <cmath>

namespace fgb::conv {

namespace {
constexpr double kTwoPi = 2.0 * 3.141592653589793;
}  // namespace

// Start a1, end a2' = a2 when a2 > a1, else a2 + 2 pi; point i of n + 1 at
// the angle a1 + i |a2' - a1| / n, that is c + r (cos, sin) of it.
void arc_points(const gr_trcircle& arc, int n, std::vector<gr_cpoint>& pts) {
  const double a2 = arc.a2 > arc.a1 ? arc.a2 : arc.a2 + kTwoPi;
  const double step = std::fabs(a2 - arc.a1) / n;
  pts.resize(static_cast<size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const double t = arc.a1 + i * step;
    pts[static_cast<size_t>(i)] = gr_cpoint{arc.c.x + arc.r * std::cos(t), arc.c.y + arc.r * std::sin(t)};
  }
}

void circle_points(const gr_circle& circle, int n, std::vector<gr_cpoint>& pts) {
  const gr_trcircle full{circle.c, circle.r, 0.0, kTwoPi};
  arc_points(full, n, pts);
}

void WriteBudget::charge(size_t n) {
  if (left < 0) return;
  const int64_t cost = 1 + static_cast<int64_t>(n * sizeof(gr_cpoint)) / kBudgetBytesPerElement;
  if (cost > left) throw WriteRefused{FGB_CONVERT_TOO_LARGE};
  left -= cost;
}

bool bezier_points(const gr_bezier* bez, int density, std::vector<gr_cpoint>& pts, WriteBudget* budget) {
  gr_polyline* flat = nullptr;
  if (!gr_conv_POLYbezier_to_polyline(bez, &flat, density) || !flat) return false;
  const size_t n = flat->n;
  if (budget) {
    try {
      budget->charge(n);
    } catch (...) {
      gr_free_buffer_for_polyline(flat);
      throw;
    }
  }
  pts.assign(flat->pnt, flat->pnt + n);
  gr_free_buffer_for_polyline(flat);
  return true;
}

const char kHpglTrailer[] = "PU0,0;SP;";
const char kGerberTrailer[] = "D02*M02*";
const char kDxfHeader[] = "  0\nSECTION\n  2\nENTITIES\n";
const char kDxfTrailer[] = "  0\nENDSEC\n  0\nEOF\n";
const char kCutterTrailer[] = "M15*M0*";

}  // namespace fgb::conv
