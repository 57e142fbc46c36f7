// Hatching the selection. Invariants: only polylines and polyline sets are
// hatched, and with all = 0 only those with a fill style; the segments join
// the selection after the elements selected before, with the preset's pen;
// the lines start two steps below the element and stop below two steps
// above it, a tick before each line with the fraction written first; an
// outline crossing one line hundreds of times gets all its segments (see
// issue 7: a fixed buffer of 100 used to overflow); undo removes the hatch.
#include <gtest/gtest.h>

#include "db/hatch_p.h"
#include "operations_test_util.h"
#include "support/recording_notify.h"

#include <string>

using namespace dbtest;
using namespace optest;

namespace {

struct Recorder final : fgb::HatchSink {
  std::vector<double> fractions;
  std::vector<gr_segment> segments;
  void line(double f) override { fractions.push_back(f); }
  void segment(const gr_segment& s) override { segments.push_back(s); }
};

H_param request(double step, double offset, int16_t all) {
  H_param h{};
  h.step = step;
  h.offset = offset;
  h.all = all;
  h.style = pen(0.02f, 0.5f, 0.5f, 0.5f);
  return h;
}

std::vector<gr_segment> segments_of(const MainDB& doc) {
  std::vector<gr_segment> out;
  for (const Elem& e : side_elems(doc, 2))
    if (e.kind == FGB_SEGMENT) out.push_back(e.as<gr_segment>());
  return out;
}

TEST(HatchElement, UnitSquareLinesAndSegments) {
  PolysBuf sq({square(0, 0, 1)});
  for (auto path : {fgb::HatchPath::kScan, fgb::HatchPath::kPlain}) {
    SCOPED_TRACE(path == fgb::HatchPath::kScan ? "scan" : "plain");
    Recorder r;
    ASSERT_TRUE(fgb::hatch_element(FGB_POLYLINES, sq.get(), 0.25, 0, path, r));
    // Lines at -0.5, -0.25, 0, 0.25, 0.5, 0.75, 1, 1.25.
    EXPECT_EQ(r.fractions, (std::vector<double>{0, 0.25, 0.5, 0.75, 1, 1, 1, 1}));
    ASSERT_EQ(r.segments.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(r.segments[i].p1.x, 0);
      EXPECT_EQ(r.segments[i].p2.x, 1);
      EXPECT_EQ(r.segments[i].p1.y, 0.25 * (i + 1));
      EXPECT_EQ(r.segments[i].p2.y, 0.25 * (i + 1));
    }
  }
}

TEST(HatchElement, OffsetShortensOrRemovesSegments) {
  struct Row {
    double offset;
    std::size_t count;
    double x1, x2;
  } rows[] = {{0.1, 3, 0.1, 0.9},
              {0.49999, 3, 0.49999, 0.50001},
              {0.499996, 0, 0, 0},
              {0.6, 0, 0, 0},
              {-0.5, 3, -0.5, 1.5}};
  PolyBuf sq(square(0, 0, 1), 1);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.offset);
    Recorder rec;
    fgb::hatch_element(FGB_POLYLINE, sq.get(), 0.25, r.offset, fgb::HatchPath::kScan, rec);
    ASSERT_EQ(rec.segments.size(), r.count);
    if (r.count) {
      EXPECT_DOUBLE_EQ(rec.segments[0].p1.x, r.x1);
      EXPECT_DOUBLE_EQ(rec.segments[0].p2.x, r.x2);
    }
  }
}

TEST(HatchElement, DegenerateRequestsEndAtOnce) {
  PolyBuf sq(square(0, 0, 1), 1);
  PolyBuf flat({{0, 0}, {1, 0}}, 1);
  PolyBuf bad({{0, 0}, {1, NAN}, {1, 1}}, 1);
  PolyBuf high({{0, 1e20}, {1, 1e20 + 1e6}, {0, 1e20 + 1e6}}, 1);
  struct Row {
    const char* name;
    gr_polyline* p;
    double step;
    bool done;
    std::size_t lines;
  } rows[] = {
      {"zero step", sq.get(), 0, true, 0},
      {"negative step", sq.get(), -0.25, true, 0},
      {"infinite step", sq.get(), INFINITY, true, 0},
      {"nan step", sq.get(), NAN, true, 0},
      {"not finite point", bad.get(), 0.25, true, 0},
      {"flat element", flat.get(), 0.25, true, 4},
      {"step far too fine", sq.get(), 1e-300, false, 0},
      // Below the resolution of the heights: one line, not an endless loop.
      {"step below resolution", high.get(), 1, true, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Recorder rec;
    EXPECT_EQ(fgb::hatch_element(FGB_POLYLINE, r.p, r.step, 0, fgb::HatchPath::kScan, rec), r.done);
    EXPECT_EQ(rec.fractions.size(), r.lines);
    for (double f : rec.fractions) EXPECT_TRUE(f >= 0 && f <= 1) << f;
    EXPECT_TRUE(rec.segments.empty());
  }
}

TEST(HatchPresets, WidthAndColourReplacedDashKept) {
  gr_curve_style req = pen(0.3f, 0.2f, 0.4f, 0.6f);
  req.font.n = 1;
  req.font.len[0] = 7;
  struct Row {
    int preset;
    float width;
    gr_rgbcol color;
  } rows[] = {{1, 0.055f, {1, 0, 0}},        {2, 0.012f, {1, 1, 0}},       {3, 0.025f, {0, 1, 0}},
              {4, 0.039f, {0, 1, 1}},        {-1, 0.0f, {0, 0, 0}},        {-2, 0.3f, {0.2f, 0.4f, 0.6f}},
              {0, 0.3f, {0.2f, 0.4f, 0.6f}}, {5, 0.3f, {0.2f, 0.4f, 0.6f}}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.preset);
    gr_curve_style s = fgb::hatch_style(req, r.preset);
    EXPECT_EQ(s.width, r.width);
    EXPECT_EQ(s.color.r, r.color.r);
    EXPECT_EQ(s.color.g, r.color.g);
    EXPECT_EQ(s.color.b, r.color.b);
    EXPECT_EQ(s.font.n, 1);
    EXPECT_EQ(s.font.len[0], 7.0f);
  }
}

// The document: notification order, progress written before each tick,
// the hatch after the selection, the preset's pen, and undo.
TEST(HatchDocument, FilledSquareNotificationsAndUndo) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  PolysBuf sq({square(0, 0, 1)});
  doc.AddElem(FGB_POLYLINES, sq.get(), pen(), fill(), 2);
  gr_segment m = seg(5, 5, 6, 6);
  doc.AddElem(FGB_SEGMENT, &m, pen(), kNoFill, 1);
  const auto sel_before = side_keys(doc, 2), main_before = side_keys(doc, 1);
  win.clear();
  std::vector<double> seen;
  win.on_handle = [&](const RecordedNotify& n) {
    if (n.message == WM_DB_PROGRESS && n.wparam == DB_PROGRESS_TICK) seen.push_back(doc.GetProgress());
  };
  H_param h = request(0.25, 0, 0);
  doc.Hatch(&h, 3);
  std::string ticks;
  for (int i = 0; i < 8; ++i) ticks += " !3004/0";
  EXPECT_EQ(win.issued_text(), "3003/0 !3004/3005" + ticks + " 3004/3006 3001/3");
  EXPECT_EQ(seen, (std::vector<double>{0, 0.25, 0.5, 0.75, 1, 1, 1, 1}));
  auto sel = side_elems(doc, 2);
  ASSERT_EQ(sel.size(), 4u);
  EXPECT_EQ(sel[0].key(), sel_before[0]);
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(sel[i].kind, FGB_SEGMENT);
    EXPECT_EQ(sel[i].curve.width, 0.025f);
    EXPECT_EQ(sel[i].curve.color.g, 1.0f);
  }
  EXPECT_EQ(side_keys(doc, 1), main_before);
  EXPECT_EQ(doc.GetCountElemsS(), 4);
  doc.GetUndo();
  EXPECT_EQ(side_keys(doc, 2), sel_before);
  EXPECT_EQ(side_keys(doc, 1), main_before);
  EXPECT_EQ(doc.GetCountElemsS(), 1);
}

TEST(HatchDocument, WhichElementsAreHatched) {
  struct Row {
    const char* name;
    int16_t all;
    std::size_t segments;
  } rows[] = {{"filled only", 0, 6}, {"all", 1, 9}};
  // In a document a polyline set always carries a fill style (the zero
  // one when added without), a polyline never: with all = 0 the sets are
  // hatched and the polyline is not.
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MainDB doc;
    PolysBuf filled({square(0, 0, 1)});
    doc.AddElem(FGB_POLYLINES, filled.get(), pen(), fill(), 2);
    PolysBuf zero_fill({square(10, 0, 1)});
    doc.AddElem(FGB_POLYLINES, zero_fill.get(), pen(), kNoFill, 2);
    PolyBuf plain(square(20, 0, 1), 1);
    doc.AddElem(FGB_POLYLINE, plain.get(), pen(), fill(), 2);
    gr_circle c{{30, 0.5}, 0.5};
    doc.AddElem(FGB_CIRCLE, &c, pen(), fill(), 2);
    Bez b({{40, 0}, {40, 1}, {41, 1}, {41, 0}});
    doc.AddElem(FGB_BEZIER, b.get(), pen(), kNoFill, 2);
    PolyBuf unselected(square(50, 0, 1), 1);
    doc.AddElem(FGB_POLYLINE, unselected.get(), pen(), kNoFill, 1);
    H_param h = request(0.25, 0, r.all);
    doc.Hatch(&h, -2);
    auto segs = segments_of(doc);
    EXPECT_EQ(segs.size(), r.segments);
    for (const gr_segment& s : segs) EXPECT_LT(s.p2.x, 22);  // neither circle, curve nor main element
    EXPECT_EQ(side_elems(doc, 2).size(), 5 + r.segments);
  }
}

TEST(HatchDocument, ZeroStepChangesNothing) {
  RecordingNotifyTarget win;
  MainDB doc(&win);
  PolysBuf sq({square(0, 0, 1)});
  doc.AddElem(FGB_POLYLINES, sq.get(), pen(), fill(), 2);
  win.clear();
  H_param h = request(0, 0, 1);
  doc.Hatch(&h, -2);
  doc.Hatch(nullptr, -2);
  EXPECT_EQ(win.issued_text(), "");
  EXPECT_EQ(side_elems(doc, 2).size(), 1u);
}

// A comb of 150 teeth: each hatch line through the teeth crosses the
// outline 300 times, far beyond the 100 entries a fixed buffer had.
TEST(HatchDocument, CombWithThreeHundredCrossingsPerLine) {
  std::vector<gr_cpoint> comb{{0, 0}, {299.5, 0}};
  for (int k = 149; k >= 0; --k) {
    const double x0 = 2.0 * k, x1 = x0 + 1.5;
    comb.push_back({x1, 10});
    comb.push_back({x0, 10});
    if (k > 0) {
      comb.push_back({x0, 1});
      comb.push_back({x0 - 0.5, 1});
    }
  }
  PolyBuf p(comb, 1);
  const gr_line through_teeth{{0, 5}, {0, 1}};
  ASSERT_EQ(gr_maxn_isct_line_polyline(&through_teeth, p.get()), 300);
  for (auto path : {fgb::HatchPath::kScan, fgb::HatchPath::kPlain}) {
    Recorder r;
    ASSERT_TRUE(fgb::hatch_element(FGB_POLYLINE, p.get(), 0.4, 0, path, r));
    std::size_t at_five = 0;
    for (const gr_segment& s : r.segments)
      if (std::fabs(s.p1.y - 5.2) < 0.1) ++at_five;
    EXPECT_EQ(at_five, 150u);
  }
  MainDB doc;
  doc.AddElem(FGB_POLYLINE, p.get(), pen(), kNoFill, 2);
  H_param h = request(0.4, 0.1, 1);
  doc.Hatch(&h, -2);
  auto segs = segments_of(doc);
  std::size_t teeth_lines = 0;
  for (const gr_segment& s : segs) {
    EXPECT_NEAR(s.p2.x - s.p1.x, s.p1.y > 1 ? 1.3 : 299.3, 1e-9);
    if (s.p1.y > 1) ++teeth_lines;
  }
  EXPECT_EQ(teeth_lines % 150, 0u);
  EXPECT_GE(teeth_lines, 150u * 22);
}

}  // namespace
