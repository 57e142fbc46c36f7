// The element store: lists of elements in object-store cells.
// Invariants: following links from the head always reaches the tail, an end
// cell (high byte 3); elements come back in insertion order with their
// kinds and styles; destroying a list leaves cells held elsewhere intact.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

#include "db_test_util.h"

using namespace dbtest;

namespace {

struct GdbDeleter {
  void operator()(fgb_db* db) const { fgb_destroy_gdb(db); }
};
using GdbPtr = std::unique_ptr<fgb_db, GdbDeleter>;

GdbPtr make_gdb() {
  GdbPtr db(fgb_create_gdb());
  EXPECT_NE(db, nullptr);
  return db;
}

TEST(ElementStore, ArcRecordLayoutUnderNaturalAlignment) {
  EXPECT_EQ(sizeof(fgb_arc), 56u);
  EXPECT_EQ(offsetof(fgb_arc, arc), 16u);
  EXPECT_EQ(FGB_TAG(FGB_SEGMENT), 0x0B05);
  EXPECT_EQ(FGB_TAG(FGB_END), 0x0305);
}

TEST(ElementStore, NewListIsEmpty) {
  GdbPtr db = make_gdb();
  EXPECT_TRUE(ns_same_obj(db->head, db->tail));
  EXPECT_EQ(ns_get_obj_type(db->head) >> 8, FGB_END);
  EXPECT_EQ(fgb_count_gdb(db.get()), 0);
}

TEST(ElementStore, WalkGivesElementsInOrderWithKindsAndStyles) {
  GdbPtr db = make_gdb();
  gr_segment s = seg(0, 0, 1, 1);
  gr_circle c{{2, 2}, 0.5};
  fgb_arc a{0, 1.0, {{3, 3}, 1, 0, 1.5}};
  gr_cpoint flash{4, 4};
  Poly p({{0, 0}, {1, 0}, {1, 1}}, 1);
  Polys ps({{{0, 0}, {4, 0}, {4, 4}}, {{1, 1}, {2, 1}, {2, 2}}});
  ASSERT_EQ(fgb_add_segment(db.get(), &s, pen(0.1f, 1, 0, 0)), 1);
  ASSERT_EQ(fgb_add_circle(db.get(), &c, pen(0.2f)), 1);
  ASSERT_EQ(fgb_add_arc(db.get(), &a, pen(0.3f)), 1);
  ASSERT_EQ(fgb_add_flash(db.get(), &flash, pen(0.4f)), 1);
  ASSERT_EQ(fgb_add_filled_polyline(db.get(), p.get(), pen(0.5f), fill(BS_SOLID, 0, 1, 0)), 1);
  ASSERT_EQ(fgb_add_filled_polylines(db.get(), ps.get(), pen(0.6f), fill(BS_HATCHED, 0, 0, 1)), 1);
  ASSERT_EQ(fgb_add_polylines(db.get(), ps.get(), pen(0.7f)), 1);

  auto elems = list_elems(db.get());
  ASSERT_EQ(elems.size(), 7u);
  const int kinds[] = {FGB_SEGMENT,  FGB_CIRCLE,    FGB_ARC,      FGB_FLASH,
                       FGB_POLYLINE, FGB_POLYLINES, FGB_POLYLINES};
  const float widths[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f};
  const bool fills[] = {false, false, false, false, true, true, false};
  for (std::size_t i = 0; i < elems.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(elems[i].kind, kinds[i]);
    EXPECT_EQ(elems[i].curve.width, widths[i]);
    EXPECT_EQ(elems[i].has_fill, fills[i]);
  }
  EXPECT_EQ(elems[0].curve.color.r, 1.0f);
  EXPECT_EQ(elems[0].as<gr_segment>().p2.x, 1.0);
  EXPECT_EQ(elems[2].shape.size(), sizeof(fgb_arc));
  EXPECT_EQ(elems[2].as<fgb_arc>().lead_double, 1.0);
  EXPECT_EQ(elems[2].as<fgb_arc>().arc.a2, 1.5);
  EXPECT_EQ(elems[4].fill.color.g, 1.0f);
  EXPECT_EQ(elems[5].fill.style, BS_HATCHED);
  EXPECT_EQ(elems[5].shape.size(), static_cast<std::size_t>(gr_get_polylines_size(ps.get())));
  EXPECT_EQ(ns_get_obj_type(db->tail), FGB_TAG(FGB_END));
}

TEST(ElementStore, ElementWithoutFillLeavesFillOutputAlone) {
  GdbPtr db = make_gdb();
  gr_segment s = seg(0, 0, 1, 0);
  fgb_add_segment(db.get(), &s, pen());
  gr_fill_area_style f = fill(BS_HATCHED, 0.5f, 0.5f, 0.5f);
  tag_ns_handler shape;
  int kind = 0;
  gr_curve_style cs;
  EXPECT_EQ(MainDB::GetChild(db->head, &shape, &kind, &cs, &f), 1);
  EXPECT_EQ(kind, FGB_SEGMENT);
  EXPECT_EQ(f.style, BS_HATCHED);
  EXPECT_EQ(f.color.r, 0.5f);
}

TEST(ElementStore, CurveStyleKeepsOnlyItsFirst24Bytes) {
  // A style with a three-length dash pattern; only the first length fits.
  struct {
    gr_curve_style s;
    float more[2];
  } longer{};
  longer.s.width = 0.25f;
  longer.s.font.n = 3;
  longer.s.font.len[0] = 1.5f;
  longer.more[0] = 2.5f;
  longer.more[1] = 3.5f;
  GdbPtr db = make_gdb();
  gr_segment s = seg(0, 0, 1, 0);
  fgb_add_segment(db.get(), &s, longer.s);
  tag_ns_handler style = ns_get_second_obj(ns_get_first_obj(db->head));
  tag_ns_handler cs = fgb_find_style_gdb(style, FGB_ROLE_CURVE);
  ASSERT_FALSE(ns_is_null_obj(cs));
  EXPECT_EQ(ns_get_boxed_obj_size(cs), 24);
  EXPECT_TRUE(ns_is_null_obj(fgb_find_style_gdb(style, FGB_ROLE_FILL)));
  auto elems = list_elems(db.get());
  EXPECT_EQ(elems[0].curve.font.n, 3);
  EXPECT_EQ(elems[0].curve.font.len[0], 1.5f);
}

TEST(ElementStore, DestroyingAListLeavesSharedElementsIntact) {
  GdbPtr a = make_gdb();
  gr_segment s = seg(1, 2, 3, 4);
  fgb_add_segment(a.get(), &s, pen(0.5f));
  // A second list holding the same element cell.
  ns_list_db* other = ns_create_list_db(FGB_TAG(FGB_LINK), FGB_TAG(FGB_END));
  ASSERT_NE(other, nullptr);
  tag_ns_handler elem = ns_get_first_obj(a->head);
  ASSERT_EQ(ns_head_list_db_add(other, elem), 1);
  a.reset();
  tag_ns_handler shape = ns_get_first_obj(elem);
  EXPECT_EQ(ns_get_obj_type(shape), FGB_TAG(FGB_SEGMENT));
  gr_segment back;
  std::memcpy(&back, ns_get_obj_data_ptr(shape), sizeof back);
  EXPECT_EQ(back.p2.y, 4.0);
  ns_destroy_list_db(other);
}

TEST(ElementStore, LongListIsDestroyedWithoutDeepRecursion) {
  GdbPtr db = make_gdb();
  for (int i = 0; i < 200000; ++i) {
    gr_segment s = seg(i, 0, i + 1, 0);
    ASSERT_EQ(fgb_add_segment(db.get(), &s, pen()), 1);
  }
  EXPECT_EQ(fgb_count_gdb(db.get()), 200000);
  db.reset();
}

TEST(ElementStore, ThickPolylineAndBezierKeepTheirSizes) {
  GdbPtr db = make_gdb();
  alignas(8) double tbuf[2 + 2 * 3] = {};
  auto* t = reinterpret_cast<gr_thick_polyline*>(tbuf);
  t->thickness = 0.25;
  t->pline.closed = 0;
  t->pline.n = 3;
  alignas(8) double bbuf[1 + 2 * 4] = {};
  auto* b = reinterpret_cast<gr_bezier*>(bbuf);
  b->n = 4;
  ASSERT_EQ(fgb_add_thick_polyline(db.get(), t, pen()), 1);
  ASSERT_EQ(fgb_add_bezier(db.get(), b, pen()), 1);
  auto elems = list_elems(db.get());
  ASSERT_EQ(elems.size(), 2u);
  EXPECT_EQ(elems[0].kind, FGB_THICK_POLYLINE);
  EXPECT_EQ(elems[0].shape.size(), 16u * 3 + 16);
  EXPECT_EQ(elems[1].kind, FGB_BEZIER);
  EXPECT_EQ(elems[1].shape.size(), static_cast<std::size_t>(gr_get_bezier_size(b)));
}

}  // namespace
