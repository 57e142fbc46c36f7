// Builders for polyline records in tests: owned heap blocks made from point
// lists, freed with the library's own free functions.
#ifndef KALVEX_TESTS_SUPPORT_POLY_BUILDERS_H
#define KALVEX_TESTS_SUPPORT_POLY_BUILDERS_H

#include <geomkit/gr_poly.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace testsupport {

struct PolylineDeleter {
  void operator()(gr_polyline* p) const { gr_free_buffer_for_polyline(p); }
};
using PolylinePtr = std::unique_ptr<gr_polyline, PolylineDeleter>;

struct PolylinesDeleter {
  void operator()(gr_polylines* p) const { gr_free_buffer_for_polylines(p); }
};
using PolylinesPtr = std::unique_ptr<gr_polylines, PolylinesDeleter>;

inline PolylinePtr make_polyline(const std::vector<gr_cpoint>& pts, int closed = 1) {
  PolylinePtr p(gr_alloc_buffer_for_polyline(static_cast<int>(pts.size())));
  if (!p) throw std::bad_alloc();
  p->closed = closed;
  p->n = static_cast<uint32_t>(pts.size());
  if (!pts.empty()) std::memcpy(p->pnt, pts.data(), pts.size() * sizeof(gr_cpoint));
  return p;
}

// A set of members given as point lists; each member's closed flag is
// `closed` (the set functions treat them all as closed anyway).
inline PolylinesPtr make_polylines(const std::vector<std::vector<gr_cpoint>>& members, int closed = 1) {
  std::vector<int> ns;
  for (const auto& m : members) ns.push_back(static_cast<int>(m.size()));
  PolylinesPtr set(gr_alloc_buffer_for_polylines(static_cast<int>(ns.size()), ns.data()));
  if (!set) throw std::bad_alloc();
  set->n = static_cast<int32_t>(members.size());
  set->reserved = 0;
  gr_polyline* p = gr_polylines_first(set.get());
  for (const auto& m : members) {
    p->closed = closed;
    p->n = static_cast<uint32_t>(m.size());
    if (!m.empty()) std::memcpy(p->pnt, m.data(), m.size() * sizeof(gr_cpoint));
    p = gr_polylines_next(p);
  }
  return set;
}

// The horizontal line y = y0 with its base point at x = x0, pointing +x.
inline gr_line horizontal(double y0, double x0 = 0) { return gr_line{{x0, y0}, {0, 1}}; }

}  // namespace testsupport

#endif
