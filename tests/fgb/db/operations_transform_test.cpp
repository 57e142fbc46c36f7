// Move, scale and to-polyline on mixed selections. Invariants: only the
// selection changes; every selected element stays, in its order, with its
// styles; a move shifts every point by exactly (dx, dy); scaling keeps
// circles and arcs round (the x factor on the radius); codes other than 0,
// 2 and 4 change no coordinate; no factor is ever infinite or NaN; undo
// gives back the document as it was.
#include <gtest/gtest.h>

#include "operations_test_util.h"
#include "support/recording_notify.h"

#include <cmath>

using namespace dbtest;
using namespace optest;

namespace {

// A document with one main segment and a selection of every kind.
struct MixedDoc {
  RecordingNotifyTarget win;
  MainDB doc{&win};
  MixedDoc() {
    gr_segment m = seg(-5, -5, -4, -4);
    doc.AddElem(FGB_SEGMENT, &m, pen(0.1f), kNoFill, 1);
    Poly p({{0, 0}, {2, 0}, {2, 1}}, 1);
    doc.AddElem(FGB_POLYLINE, p.get(), pen(0.2f, 1), kNoFill, 2);
    PolysBuf s({{{3, 3}, {4, 3}, {4, 4}}, {{5, 5}, {6, 5}, {6, 7}}});
    doc.AddElem(FGB_POLYLINES, s.get(), pen(0.3f), fill(BS_SOLID, 0, 1, 0), 2);
    gr_circle c{{1, 1}, 0.5};
    doc.AddElem(FGB_CIRCLE, &c, pen(0.4f), kNoFill, 2);
    fgb_arc a{0, 1.0, {{2, 2}, 1.0, 0.25, 1.5}};
    doc.AddElem(FGB_ARC, &a, pen(0.5f), kNoFill, 2);
    gr_segment g = seg(1, 2, 3, 5);
    doc.AddElem(FGB_SEGMENT, &g, pen(0.6f), kNoFill, 2);
    gr_cpoint f{7, 8};
    doc.AddElem(FGB_FLASH, &f, pen(0.7f), kNoFill, 2);
    Bez b({{0, 0}, {1, 2}, {2, 2}, {3, 0}});
    doc.AddElem(FGB_BEZIER, b.get(), pen(0.8f), kNoFill, 2);
    win.clear();
  }
};

// Every point of an element in a fixed order (circle and arc: the centre).
std::vector<gr_cpoint> points(const Elem& e) {
  switch (e.kind) {
    case FGB_POLYLINE: return polyline_of(e).pts;
    case FGB_POLYLINES: {
      std::vector<gr_cpoint> all;
      for (const Ring& r : polylines_of(e)) all.insert(all.end(), r.pts.begin(), r.pts.end());
      return all;
    }
    case FGB_BEZIER: return bezier_of(e);
    case FGB_SEGMENT: {
      auto s = e.as<gr_segment>();
      return {s.p1, s.p2};
    }
    case FGB_FLASH: return {e.as<gr_cpoint>()};
    case FGB_CIRCLE: return {e.as<gr_circle>().c};
    case FGB_ARC: return {e.as<fgb_arc>().arc.c};
    default: return {};
  }
}

bool same_style(const Elem& a, const Elem& b) {
  return std::memcmp(&a.curve, &b.curve, sizeof a.curve) == 0 && a.has_fill == b.has_fill &&
         (!a.has_fill || std::memcmp(&a.fill, &b.fill, sizeof a.fill) == 0);
}

TEST(OperationsMove, ShiftsEverySelectedPointByExactlyDxDy) {
  MixedDoc m;
  const auto before = side_elems(m.doc, 2);
  const auto main_before = side_keys(m.doc, 1);
  const gr_cpoint null_before = m.doc.GetNullPS();
  const double dx = 0.1, dy = -2.7;
  m.doc.SetDimension(gr_cpoint{0, 0}, dx, dy, OP_MOVE);
  const auto after = side_elems(m.doc, 2);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(after[i].kind, before[i].kind);
    EXPECT_TRUE(same_style(after[i], before[i]));
    auto p0 = points(before[i]), p1 = points(after[i]);
    ASSERT_EQ(p0.size(), p1.size());
    for (std::size_t k = 0; k < p0.size(); ++k) {
      EXPECT_EQ(p1[k].x, p0[k].x + dx);
      EXPECT_EQ(p1[k].y, p0[k].y + dy);
    }
  }
  // Radii and arc angles stay as they were.
  EXPECT_EQ(after[2].as<gr_circle>().r, 0.5);
  EXPECT_EQ(after[3].as<fgb_arc>().arc.r, 1.0);
  EXPECT_EQ(after[3].as<fgb_arc>().arc.a1, 0.25);
  EXPECT_EQ(after[3].as<fgb_arc>().lead_double, 1.0);
  EXPECT_EQ(side_keys(m.doc, 1), main_before);
  EXPECT_EQ(m.doc.GetCountElemsS(), 7);
  EXPECT_EQ(m.win.issued_text(), "3003/0 3001/3");
  EXPECT_DOUBLE_EQ(m.doc.GetNullPS().x, null_before.x + dx);
  EXPECT_DOUBLE_EQ(m.doc.GetNullPS().y, null_before.y + dy);
}

TEST(OperationsScale, CirclesStayRoundSegmentsScalePerAxis) {
  MixedDoc m;
  const auto before = side_elems(m.doc, 2);
  const double ox = 1, oy = 2, sx = 2, sy = 3;
  m.doc.SetDimension(sx, sy, ox, oy, OP_SCALE);
  const auto after = side_elems(m.doc, 2);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    auto p0 = points(before[i]), p1 = points(after[i]);
    for (std::size_t k = 0; k < p0.size(); ++k) {
      EXPECT_DOUBLE_EQ(p1[k].x, ox + sx * (p0[k].x - ox)) << i;
      EXPECT_DOUBLE_EQ(p1[k].y, oy + sy * (p0[k].y - oy)) << i;
    }
  }
  const gr_circle c = after[2].as<gr_circle>();
  EXPECT_DOUBLE_EQ(c.r, 1.0);  // 0.5 times sx, one radius: still a circle
  const fgb_arc a = after[3].as<fgb_arc>();
  EXPECT_DOUBLE_EQ(a.arc.r, 2.0);
  EXPECT_EQ(a.arc.a1, 0.25);
  EXPECT_EQ(a.arc.a2, 1.5);
  const gr_segment s = after[4].as<gr_segment>();
  EXPECT_DOUBLE_EQ(s.p1.x, 1);   // at the origin's x
  EXPECT_DOUBLE_EQ(s.p2.x, 5);   // 1 + 2 (3 - 1)
  EXPECT_DOUBLE_EQ(s.p2.y, 11);  // 2 + 3 (5 - 2)
  EXPECT_EQ(m.win.issued_text(), "3003/0 3001/3");
}

TEST(OperationsScale, ScaleThenMoveAppliesBoth) {
  MixedDoc m;
  gr_segment before = side_elems(m.doc, 2)[4].as<gr_segment>();
  OperationParam prm{};
  prm.origin = {0, 0};
  prm.sx = 2;
  prm.sy = 0.5;
  prm.move = {1, -1};
  pOperate req{&m.win, OP_SCALE_MOVE, &prm};
  m.doc.Operation(&req);
  EXPECT_EQ(m.win.issued_text(), "");  // no snapshot and no notification of its own
  gr_segment s = side_elems(m.doc, 2)[4].as<gr_segment>();
  EXPECT_DOUBLE_EQ(s.p2.x, before.p2.x * 2 - 1);
  EXPECT_DOUBLE_EQ(s.p2.y, before.p2.y * 0.5 + 1);
  EXPECT_DOUBLE_EQ(side_elems(m.doc, 2)[2].as<gr_circle>().r, 1.0);
}

TEST(OperationsScale, OtherCodesChangeNoCoordinate) {
  for (OperationState op : {OperationState{1}, OperationState{3}, OperationState{5}, OperationState{255}}) {
    SCOPED_TRACE(static_cast<int>(op));
    MixedDoc m;
    const auto sel = side_keys(m.doc, 2), main = side_keys(m.doc, 1);
    m.doc.SetDimension(3.0, 4.0, 1.0, 1.0, op);
    EXPECT_EQ(side_keys(m.doc, 2), sel);
    EXPECT_EQ(side_keys(m.doc, 1), main);
    EXPECT_EQ(m.win.issued_text(), "3003/0 3001/3");  // rebuilt and redrawn all the same
  }
}

// The size overload takes its factors from the selection's extent; a
// selection without height (one horizontal segment) keeps the factor 1
// along y instead of dividing by zero.
TEST(OperationsScale, SizeOverloadNeverDividesByAZeroExtent) {
  struct Row {
    const char* name;
    gr_segment s;
    gr_cpoint size;
    gr_segment expected;  // origin: the main null point (0, 0)
  } rows[] = {
      {"horizontal", seg(1, 2, 3, 2), {4, 9}, seg(2, 2, 6, 2)},
      {"vertical", seg(1, 2, 1, 6), {9, 2}, seg(1, 1, 1, 3)},
      {"point", seg(1, 2, 1, 2), {5, 5}, seg(1, 2, 1, 2)},
      {"both", seg(1, 2, 3, 6), {4, 2}, seg(2, 1, 6, 3)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MainDB doc;
    gr_segment origin = seg(0, 0, 0, 0);
    doc.AddElem(FGB_FLASH, &origin.p1, pen(), kNoFill, 1);
    doc.AddElem(FGB_SEGMENT, &r.s, pen(), kNoFill, 2);
    doc.SetDimension(r.size, 0, 0, OP_SCALE);
    gr_segment s = side_elems(doc, 2)[0].as<gr_segment>();
    EXPECT_DOUBLE_EQ(s.p1.x, r.expected.p1.x);
    EXPECT_DOUBLE_EQ(s.p1.y, r.expected.p1.y);
    EXPECT_DOUBLE_EQ(s.p2.x, r.expected.p2.x);
    EXPECT_DOUBLE_EQ(s.p2.y, r.expected.p2.y);
    EXPECT_TRUE(std::isfinite(doc.GetDimensionS().x) && std::isfinite(doc.GetDimensionS().y));
  }
}

TEST(OperationsMove, UndoGivesBackTheDocument) {
  MixedDoc m;
  const auto sel = side_keys(m.doc, 2), main = side_keys(m.doc, 1);
  m.doc.SetDimension(gr_cpoint{0, 0}, 5, 5, OP_MOVE);
  ASSERT_NE(side_keys(m.doc, 2), sel);
  m.doc.GetUndo();
  EXPECT_EQ(side_keys(m.doc, 2), sel);
  EXPECT_EQ(side_keys(m.doc, 1), main);
}

TEST(OperationsToPolyline, FlattensSelectedCurvesOnly) {
  MixedDoc m;
  Bez unselected({{10, 10}, {11, 12}, {12, 12}, {13, 10}});
  m.doc.AddElem(FGB_BEZIER, unselected.get(), pen(), kNoFill, 1);
  const auto main = side_keys(m.doc, 1);
  const auto before = side_elems(m.doc, 2);
  m.win.clear();
  m.doc.PolyToBezier(12);
  const auto after = side_elems(m.doc, 2);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i + 1 < before.size(); ++i) EXPECT_EQ(after[i].key(), before[i].key()) << i;
  const Elem& flat = after.back();
  ASSERT_EQ(flat.kind, FGB_POLYLINE);
  EXPECT_TRUE(same_style(flat, before.back()));
  Bez b({{0, 0}, {1, 2}, {2, 2}, {3, 0}});
  gr_polyline* expected = gr_conv_POLYbezier_to_polyline(b.get(), nullptr, 12);
  ASSERT_NE(expected, nullptr);
  Ring got = polyline_of(flat);
  ASSERT_EQ(got.pts.size(), expected->n);
  for (uint32_t k = 0; k < expected->n; ++k) {
    EXPECT_EQ(got.pts[k].x, expected->pnt[k].x);
    EXPECT_EQ(got.pts[k].y, expected->pnt[k].y);
  }
  gr_free_buffer_for_polyline(expected);
  EXPECT_EQ(side_keys(m.doc, 1), main);
  // Progress for the whole selection, and no refresh of its own.
  const std::string text = m.win.issued_text();
  EXPECT_EQ(text.rfind("3003/0 !3004/3005", 0), 0u) << text;
  EXPECT_NE(text.find("3004/3006"), std::string::npos);
  EXPECT_EQ(text.find("3001/"), std::string::npos);
  EXPECT_EQ(m.doc.GetProgress(), 1.0);
}

}  // namespace
