// The exported offset functions: argument checks, the engine, the result
// as one gr_polylines block.
#include <geomkit/gr_eqvidist.h>

#include "offset/offset_engine_p.h"

#include <cmath>
#include <new>
#include <vector>

namespace {

// Coordinates and distances beyond this many model units (about 25 000 km
// in inches) carry less precision than the engine's tolerance needs; such
// input comes only from broken files.
constexpr double kMaxCoord = 1e9;

bool usable(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoord; }

gr_polylines* to_polylines(const std::vector<geomkit::offset::Loop>& loops) {
  std::vector<int> ns;
  ns.reserve(loops.size());
  for (const auto& lp : loops) {
    if (lp.pts.size() > static_cast<size_t>(INT32_MAX)) return nullptr;
    ns.push_back(static_cast<int>(lp.pts.size()));
  }
  if (loops.size() > static_cast<size_t>(INT32_MAX)) return nullptr;
  gr_polylines* set = gr_alloc_buffer_for_polylines(static_cast<int>(ns.size()), ns.data());
  if (!set) return nullptr;
  set->n = static_cast<int32_t>(loops.size());
  set->reserved = 0;
  gr_polyline* p = gr_polylines_first(set);
  for (const auto& lp : loops) {
    p->closed = 1;
    p->n = static_cast<uint32_t>(lp.pts.size());
    for (size_t k = 0; k < lp.pts.size(); ++k) p->pnt[k] = lp.pts[k];
    p = gr_polylines_next(p);
  }
  return set;
}

}  // namespace

extern "C" {

int gr_eqvidist_polyline(const gr_polyline* pline, double d, gr_polylines** out, int flag) noexcept {
  (void)flag;
  if (!out) return 0;
  *out = nullptr;
  if (!pline || pline->n < 3 || !usable(d)) return 0;
  for (uint32_t i = 0; i < pline->n; ++i)
    if (!usable(pline->pnt[i].x) || !usable(pline->pnt[i].y)) return 0;
  try {
    std::vector<geomkit::offset::Loop> loops;
    if (!geomkit::offset::eqvidist(pline->pnt, pline->n, d, geomkit::offset::Options{}, loops)) return 0;
    *out = to_polylines(loops);
    return *out ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int gr_eqvidist_bezier(const gr_bezier* bez, double d, gr_polylines** out, int steps, int flag) noexcept {
  if (!out) return 0;
  *out = nullptr;
  if (!bez) return 0;
  gr_polyline* pl = nullptr;
  if (!gr_conv_POLYbezier_to_polyline(bez, &pl, steps)) return 0;
  int r = gr_eqvidist_polyline(pl, d, out, flag);
  gr_free_buffer_for_polyline(pl);
  return r;
}

}  // extern "C"
