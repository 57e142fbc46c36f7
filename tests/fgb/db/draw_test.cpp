// Drawing lists and documents on the recording device. Invariants: each
// element is drawn with its own pen (width scaled by the transform) and,
// when filled, its own brush; the device context is left as it was found
// and every object made is deleted.
#include <gtest/gtest.h>

#include <geomkit/recording_dc.h>

#include "db_test_util.h"
#include "db/gdb_p.h"

using namespace dbtest;

namespace {

const gr_ctrans kScale4{0, 0, 4, 0, 1, 1, 1};

struct DrawFixture {
  GrRecordingDC dc;
  fgb_db* db = fgb_create_gdb();
  long objects_before = gdi_live_object_count();
  ~DrawFixture() { fgb_destroy_gdb(db); }
  fgb_for_draw_gdb draw(const gr_ctrans* t = &kScale4) { return fgb_for_draw_gdb{&dc, t}; }
  const GrRecordedCall* first(const std::string& op) const {
    for (const auto& c : dc.calls)
      if (c.op == op) return &c;
    return nullptr;
  }
};

TEST(DrawDatabase, PenWidthIsScaledByTheTransform) {
  DrawFixture f;
  gr_segment s = seg(0, 0, 1, 0);
  fgb_add_segment(f.db, &s, pen(0.5f));
  fgb_draw_gdb(f.db, f.draw());
  auto lines = f.dc.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].pen.lopnWidth.x, 2);
  EXPECT_EQ(lines[0].to.x, 4);
  EXPECT_EQ(gdi_live_object_count(), f.objects_before);
}

TEST(DrawDatabase, ThickPolylinePenIsTheTruncatedScaledThickness) {
  DrawFixture f;
  alignas(8) double tbuf[2 + 2 * 2] = {};
  auto* t = reinterpret_cast<gr_thick_polyline*>(tbuf);
  t->thickness = 0.7;  // 2.8 device units at scale 4
  t->pline.n = 2;
  t->pline.pnt[1] = {1, 1};
  fgb_add_thick_polyline(f.db, t, pen(0.5f, 1, 0, 0));
  fgb_draw_gdb(f.db, f.draw());
  auto lines = f.dc.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].pen.lopnWidth.x, 2);
  EXPECT_EQ(lines[0].pen.lopnColor, RGB(255, 0, 0));
}

TEST(DrawDatabase, PolylinesWithTooFewPointsAreSkipped) {
  DrawFixture f;
  Poly one({{1, 1}});
  Polys ps({{{0, 0}}, {{0, 0}, {1, 0}, {1, 1}}});
  fgb_add_polyline(f.db, one.get(), pen());
  fgb_add_filled_polyline(f.db, one.get(), pen(), fill());
  fgb_add_filled_polylines(f.db, ps.get(), pen(), fill());
  fgb_draw_gdb(f.db, f.draw());
  EXPECT_EQ(f.dc.count("LineTo"), 0);
  EXPECT_EQ(f.dc.count("Polygon"), 0);
  const GrRecordedCall* pp = f.first("PolyPolygon");
  ASSERT_NE(pp, nullptr);
  EXPECT_EQ(pp->counts, (std::vector<int>{3}));
  EXPECT_EQ(gdi_live_object_count(), f.objects_before);
}

TEST(DrawDatabase, ClosedPolylineDrawsItsClosingLine) {
  for (int closed : {0, 1}) {
    SCOPED_TRACE(closed);
    DrawFixture f;
    Poly p({{0, 0}, {1, 0}, {1, 1}}, closed);
    fgb_add_polyline(f.db, p.get(), pen());
    fgb_draw_gdb(f.db, f.draw());
    auto lines = f.dc.lines();
    ASSERT_EQ(lines.size(), closed ? 3u : 2u);
    EXPECT_EQ(lines.back().to.x, closed ? 0 : 4);
    EXPECT_EQ(lines.back().to.y, closed ? 0 : 4);
  }
}

TEST(DrawDatabase, FilledPolylinesWithAHoleIsOneEvenOddPolyPolygon) {
  DrawFixture f;
  Polys ps({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{2, 2}, {4, 2}, {4, 4}}});
  fgb_add_filled_polylines(f.db, ps.get(), pen(), fill(BS_SOLID, 1, 0, 0));
  f.dc.SetPolyFillMode(WINDING);
  fgb_draw_gdb(f.db, f.draw());
  const GrRecordedCall* pp = f.first("PolyPolygon");
  ASSERT_NE(pp, nullptr);
  EXPECT_EQ(pp->counts, (std::vector<int>{4, 3}));
  ASSERT_EQ(pp->points.size(), 7u);
  EXPECT_EQ(pp->points[2].x, 40);
  EXPECT_EQ(pp->points[4].y, 8);
  EXPECT_EQ(pp->fill_mode, ALTERNATE);
  EXPECT_EQ(pp->brush.lbStyle, static_cast<UINT>(BS_SOLID));
  EXPECT_EQ(pp->brush.lbColor, RGB(255, 0, 0));
  EXPECT_EQ(f.dc.GetPolyFillMode(), WINDING);
  EXPECT_EQ(f.dc.count("LineTo"), 0);
  EXPECT_EQ(gdi_live_object_count(), f.objects_before);
}

TEST(DrawDatabase, FilledPolylineIsOnePolygon) {
  DrawFixture f;
  Poly p({{0, 0}, {1, 0}, {1, 1}}, 1);
  fgb_add_filled_polyline(f.db, p.get(), pen(), fill(BS_SOLID, 0, 0, 1));
  fgb_draw_gdb(f.db, f.draw());
  const GrRecordedCall* pg = f.first("Polygon");
  ASSERT_NE(pg, nullptr);
  EXPECT_EQ(pg->points.size(), 3u);
  EXPECT_EQ(pg->brush.lbColor, RGB(0, 0, 255));
}

TEST(DrawDatabase, FilledCircleIsDrawnHollow) {
  DrawFixture f;
  gr_circle c{{1, 1}, 0.5};
  // A circle element that has a fill style all the same.
  gr_fill_area_style solid = fill(BS_SOLID, 1, 0, 0);
  ASSERT_EQ(fgb::add_shape(f.db, FGB_CIRCLE, &c, sizeof c, pen(), &solid), 1);
  fgb_draw_gdb(f.db, f.draw());
  const GrRecordedCall* e = f.first("Ellipse");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->args, (std::vector<int>{2, 2, 6, 6}));
  EXPECT_EQ(e->brush.lbStyle, static_cast<UINT>(BS_NULL));
  EXPECT_EQ(gdi_live_object_count(), f.objects_before);
}

TEST(DrawDatabase, HighlightOutlinesWithTheFixedPenAndNoBrush) {
  DrawFixture f;
  Poly p({{0, 0}, {1, 0}, {1, 1}}, 1);
  fgb_add_filled_polyline(f.db, p.get(), pen(0.5f, 1, 0, 0), fill());
  fgb_for_draw_gdb d = f.draw();
  draw_select_gdb(f.db, &d);
  EXPECT_EQ(f.dc.count("Polygon"), 0);
  auto lines = f.dc.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].pen.lopnWidth.x, 0);
  EXPECT_EQ(lines[0].pen.lopnColor, RGB(0, 51, 255));
  EXPECT_EQ(gdi_live_object_count(), f.objects_before);
}

TEST(DrawDatabase, DocumentDrawsMainThenSelectionTwice) {
  MainDB doc;
  gr_segment a = seg(0, 0, 1, 0), b = seg(0, 1, 1, 1);
  doc.AddElem(FGB_SEGMENT, &a, pen(0.25f, 1, 0, 0), kNoFill, 1);
  doc.AddElem(FGB_SEGMENT, &b, pen(0.25f, 0, 1, 0), kNoFill, 2);
  const struct {
    int what;
    std::vector<COLORREF> colours;
  } rows[] = {
      {1, {RGB(255, 0, 0)}},
      {2, {RGB(0, 255, 0), RGB(0, 51, 255)}},
      {3, {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 51, 255)}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    GrRecordingDC dc;
    EXPECT_TRUE(doc.Draw(fgb_for_draw_gdb{&dc, &kScale4}, row.what));
    std::vector<COLORREF> colours;
    for (const auto& l : dc.lines()) colours.push_back(l.pen.lopnColor);
    EXPECT_EQ(colours, row.colours);
  }
}

}  // namespace
