// The vertex-crossing test behind hatching and offsets. Invariant: a vertex
// counts as a crossing exactly when it lies on the line and the nearest
// vertices off the line on either side (walking around the polygon) are
// distinct and on opposite sides; indices out of range never read memory.
#include "core/gr_poly_p.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

namespace {

struct PlineDeleter {
  void operator()(gr_polyline* p) const { gr_free_buffer_for_polyline(p); }
};
using PlinePtr = std::unique_ptr<gr_polyline, PlineDeleter>;

PlinePtr make_pline(std::initializer_list<gr_cpoint> pts, int closed = 1) {
  PlinePtr p(gr_alloc_buffer_for_polyline(static_cast<int>(pts.size())));
  p->closed = closed;
  p->n = static_cast<uint32_t>(pts.size());
  uint32_t i = 0;
  for (const gr_cpoint& q : pts) p->pnt[i++] = q;
  return p;
}

const gr_line kXAxis{{0, 0}, {0, 1}};

TEST(VertexCrossesLine, DecidesBySidesOfNearestOffLineVertices) {
  struct Row {
    const char* name;
    PlinePtr pline;
    uint32_t k;
    bool crosses;
  } rows[] = {
      {"diamond right corner crosses", make_pline({{0, -1}, {1, 0}, {0, 1}, {-1, 0}}), 1, true},
      {"diamond left corner crosses", make_pline({{0, -1}, {1, 0}, {0, 1}, {-1, 0}}), 3, true},
      {"diamond bottom corner is off the line", make_pline({{0, -1}, {1, 0}, {0, 1}, {-1, 0}}), 0, false},
      {"square corner on its bottom edge touches", make_pline({{0, 0}, {1, 0}, {1, 1}, {0, 1}}), 0, false},
      {"square other bottom corner touches", make_pline({{0, 0}, {1, 0}, {1, 1}, {0, 1}}), 1, false},
      {"step through a run on the line", make_pline({{0, -1}, {0, 0}, {1, 0}, {2, 0}, {2, 1}, {-1, 1}}), 2,
       true},
      {"touch from above", make_pline({{-1, 1}, {0, 0}, {1, 1}}), 1, false},
      {"within tolerance counts as on", make_pline({{0, -1}, {1, 0.9e-5}, {0, 1}, {-1, 0}}), 1, true},
      {"just outside tolerance is off", make_pline({{0, -1}, {1, 1.1e-5}, {0, 1}, {-1, 0}}), 1, false},
      {"all vertices on the line", make_pline({{0, 0}, {1, 0}, {2, 0}}), 1, false},
      {"both walks reach the same vertex", make_pline({{0, 0}, {1, 0}, {0.5, 1}}), 0, false},
      {"open polyline wraps around", make_pline({{0, 1}, {1, 0}, {0, -1}}, 0), 1, true},
      {"index out of range", make_pline({{0, -1}, {1, 0}, {0, 1}}), 3, false},
      {"empty polyline", make_pline({}), 0, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(geomkit::vertex_crosses_line(kXAxis, *r.pline, r.k), r.crosses);
  }
}

}  // namespace
