// Polyline records, buffers and bounding boxes.
// Invariants: a polyline occupies 16 n + 8 bytes, a set 8 + the sum of its
// members, a thick polyline 16 n + 16; sizes that cannot be represented are
// refused (-1, null buffers) instead of wrapping; empty polylines and
// members leave boxes untouched.
#include <geomkit/gr_poly.h>

#include "support/poly_builders.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace {

using testsupport::make_polyline;
using testsupport::make_polylines;

TEST(PolylineSizes, FormulasAndRefusals) {
  struct Row {
    const char* name;
    int n;
    int polyline, thick;
  } rows[] = {
      {"empty", 0, 8, 16},
      {"one point", 1, 24, 32},
      {"rectangle", 4, 72, 80},
      {"largest representable", (INT_MAX - 16) / 16, 16 * ((INT_MAX - 16) / 16) + 8,
       16 * ((INT_MAX - 16) / 16) + 16},
      {"too many points", INT_MAX / 16 + 1, -1, -1},
      {"negative count", -1, -1, -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(gr_get_polyline_sizen(r.n), r.polyline);
    EXPECT_EQ(gr_get_thick_polyline_sizen(r.n), r.thick);
    if (r.polyline < 0) {
      EXPECT_EQ(gr_alloc_buffer_for_polyline(r.n), nullptr);
    }
  }
  auto p = make_polyline({{1, 2}, {3, 4}, {5, 6}});
  EXPECT_EQ(gr_get_polyline_size(p.get()), 56);
  p->n = 0xFFFFFFFFu;  // a corrupt count
  EXPECT_EQ(gr_get_polyline_size(p.get()), -1);
  p->n = 3;
}

TEST(PolylinesBuffers, SizeIsHeaderPlusMembers) {
  auto set = make_polylines({{{0, 0}, {1, 0}}, {}, {{2, 2}}});
  EXPECT_EQ(gr_get_polylines_size(set.get()), 8 + 40 + 8 + 24);
  const gr_polyline* m = gr_polylines_first(set.get());
  EXPECT_EQ(m->n, 2u);
  m = gr_polylines_next(m);
  EXPECT_EQ(m->n, 0u);
  m = gr_polylines_next(m);
  EXPECT_EQ(m->pnt[0].x, 2);

  const int bad[] = {3, -1};
  EXPECT_EQ(gr_alloc_buffer_for_polylines(2, bad), nullptr);
  const int huge[] = {INT_MAX / 32, INT_MAX / 32, INT_MAX / 32};
  EXPECT_EQ(gr_alloc_buffer_for_polylines(3, huge), nullptr);
  EXPECT_EQ(gr_alloc_buffer_for_polylines(-1, bad), nullptr);
  EXPECT_EQ(gr_alloc_buffer_for_polylines(1, nullptr), nullptr);
  gr_polylines* none = gr_alloc_buffer_for_polylines(0, nullptr);
  ASSERT_NE(none, nullptr);
  none->n = 0;
  EXPECT_EQ(gr_get_polylines_size(none), 8);
  gr_free_buffer_for_polylines(none);
}

TEST(ThickPolyline, CopiesTheWholeRecord) {
  auto p = make_polyline({{1, 2}, {3, 4}}, 0);
  std::vector<unsigned char> block(static_cast<size_t>(gr_get_thick_polyline_sizen(2)));
  auto* thick = reinterpret_cast<gr_thick_polyline*>(block.data());
  gr_set_thick_polyline(thick, 0.25, p.get());
  EXPECT_EQ(thick->thickness, 0.25);
  EXPECT_EQ(thick->pline.closed, 0);
  EXPECT_EQ(thick->pline.n, 2u);
  EXPECT_EQ(thick->pline.pnt[1].y, 4);
}

TEST(PolylineDims, BoxesAndEmptyInput) {
  gr_xy_rect r{-1, -1, -1, -1};
  auto empty = make_polyline({});
  EXPECT_EQ(gr_get_polyline_dims(&r, empty.get()), 0);
  EXPECT_EQ(r.x1, -1);  // untouched
  auto p = make_polyline({{3, -2}, {-1, 5}, {2, 2}});
  EXPECT_EQ(gr_get_polyline_dims(&r, p.get()), 3);
  EXPECT_EQ(r.x1, -1);
  EXPECT_EQ(r.y1, -2);
  EXPECT_EQ(r.x2, 3);
  EXPECT_EQ(r.y2, 5);

  auto set = make_polylines({{}, {{0, 0}, {1, 1}}, {}, {{5, -3}}});
  gr_xy_rect s{9, 9, 9, 9};
  EXPECT_EQ(gr_get_polylines_dims(&s, set.get()), 4);
  EXPECT_EQ(s.x1, 0);
  EXPECT_EQ(s.y1, -3);
  EXPECT_EQ(s.x2, 5);
  EXPECT_EQ(s.y2, 1);

  auto none = make_polylines({{}, {}});
  gr_xy_rect u{9, 9, 9, 9};
  EXPECT_EQ(gr_get_polylines_dims(&u, none.get()), 2);
  EXPECT_EQ(u.x1, 9);
}

TEST(Conversions, RectanglePolygonAndSegments) {
  auto p = make_polyline({{0, 0}, {0, 0}, {0, 0}, {0, 0}}, 0);
  gr_xy_rect r{1, 2, 3, 4};
  gr_conv_xy_rect_to_polyline(p.get(), &r);
  EXPECT_EQ(p->closed, 1);
  const gr_cpoint want[4] = {{1, 2}, {1, 4}, {3, 4}, {3, 2}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(p->pnt[i].x, want[i].x) << i;
    EXPECT_EQ(p->pnt[i].y, want[i].y) << i;
  }
  gr_segment s{{1, 1}, {4, 5}};
  gr_trline tl{};
  gr_create_trline_by_segment(&tl, &s);
  EXPECT_EQ(tl.tmin, 0);
  EXPECT_EQ(tl.tmax, 5);
  EXPECT_DOUBLE_EQ(tl.dir.cos, 0.6);
  EXPECT_DOUBLE_EQ(tl.dir.sin, 0.8);
  EXPECT_EQ(gr_segment_len(&s), 5);
  gr_cpoint big1{1e308, -1e308}, big2{1e308, -1e308}, mid;
  gr_segment_middle(&mid, &big1, &big2);
  EXPECT_EQ(mid.x, 1e308);  // no overflow on the way
  EXPECT_EQ(mid.y, -1e308);
}

}  // namespace
