// A document drawn through the Qt device skips what cannot reach the
// picture, keeps a pen selected while elements share it, and hands the line
// pieces of such elements over at once. Invariant: the picture is the same,
// pixel for pixel, as when every element is drawn, piece by piece (a device
// that does not report its clip box and draws each LineTo on its own),
// whatever the view, its zoom, rotation, the painter's own clip, the raster
// operation and the selection.
#include "canvas_test_util.h"

#include <fgb/fgb.h>
#include <geomkit/gr_bez.h>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace canvas_test;

namespace {

// The same device without a clip box, drawing each piece on its own:
// everything is drawn, one LineTo at a time.
class UnclippedDC : public canvas::QtDeviceContext {
 public:
  using canvas::QtDeviceContext::QtDeviceContext;
  int GetClipBox(RECT* out) const override {
    if (out) *out = RECT{0, 0, 0, 0};
    return RGN_ERROR;
  }
  BOOL PolylineRuns(const POINT* pts, const DWORD* counts, DWORD runs) override {
    return GrDeviceContext::PolylineRuns(pts, counts, runs);
  }
};

// The device as the program has it, counting the pieces it was handed in
// batches of more than one element.
class BatchCountingDC : public canvas::QtDeviceContext {
 public:
  using canvas::QtDeviceContext::QtDeviceContext;
  BOOL PolylineRuns(const POINT* pts, const DWORD* counts, DWORD runs) override {
    if (runs > 1) batched_runs += runs;
    return canvas::QtDeviceContext::PolylineRuns(pts, counts, runs);
  }
  static inline long batched_runs = 0;
};

// A drawing of every kind AddElem takes, over 40 x 40 inches, with pens
// from hairlines to a quarter inch, some pages of one pen and some mixed.
void fill(MainDB& doc, int n) {
  std::mt19937 rng(77u);
  auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  const gr_fill_area_style solid{BS_SOLID, {0.2f, 0.6f, 0.2f}};
  for (int i = 0; i < n; ++i) {
    gr_curve_style pen{};
    pen.width = (i / 3000) % 2 ? static_cast<float>(uni(0, 0.25)) : 0.01f;
    pen.color = gr_rgbcol{static_cast<float>(uni(0, 0.5)), 0, static_cast<float>(uni(0, 0.5))};
    // Stretches of hairlines of one colour and of dashed pens: pieces of
    // many elements go to the device at once.
    if ((i / 1000) % 4 == 2) pen = gr_curve_style{0.0f, {0.1f, 0.1f, 0.4f}, {0, {0.0f}}};
    if ((i / 1000) % 8 == 7) pen = gr_curve_style{0.0f, {0.4f, 0.1f, 0.1f}, {1, {0.05f}}};
    const double x = uni(0, 40), y = uni(0, 40), r = uni(0.01, 2);
    const int side = i % 7 == 0 ? 2 : 1;
    switch (i % 8) {
      case 6:
      case 7: {
        gr_polyline* p = gr_alloc_buffer_for_polyline(3);
        p->n = 3;
        p->closed = i % 8 == 7;
        p->pnt[0] = {x, y}, p->pnt[1] = {x + r, y + r / 3}, p->pnt[2] = {x - r / 2, y + r};
        doc.AddElem(FGB_POLYLINE, p, pen, solid, side);
        gr_free_buffer_for_polyline(p);
        break;
      }
      case 0: {
        gr_segment s{{x, y}, {x + uni(-r, r), y + uni(-r, r)}};
        doc.AddElem(FGB_SEGMENT, &s, pen, solid, side);
        break;
      }
      case 1: {
        gr_circle c{{x, y}, r};
        doc.AddElem(FGB_CIRCLE, &c, pen, solid, side);
        break;
      }
      case 2: {
        fgb_arc a{0, 1.0, {{x, y}, r, uni(0, 6), uni(0, 6)}};
        doc.AddElem(FGB_ARC, &a, pen, solid, side);
        break;
      }
      case 3: {
        const int four = 4;
        gr_polylines* set = gr_alloc_buffer_for_polylines(1, &four);
        gr_polyline* p = gr_polylines_first(set);
        p->n = 4;
        p->closed = 1;
        p->pnt[0] = {x, y}, p->pnt[1] = {x + r, y}, p->pnt[2] = {x + r, y + r}, p->pnt[3] = {x, y + r / 2};
        doc.AddElem(FGB_POLYLINES, set, pen, solid, side);
        gr_free_buffer_for_polylines(set);
        break;
      }
      case 4: {
        gr_bezier* b = gr_alloc_buffer_for_bezier(4);
        b->n = 4;
        b->pnt[0] = {x, y}, b->pnt[1] = {x + r, y + 2 * r}, b->pnt[2] = {x + 2 * r, y - r},
        b->pnt[3] = {x + r, y};
        doc.AddElem(FGB_BEZIER, b, pen, solid, side);
        gr_free_buffer_for_bezier(b);
        break;
      }
      default: {
        gr_cpoint q{x, y};
        doc.AddElem(FGB_FLASH, &q, pen, solid, side);
        break;
      }
    }
  }
}

template <class DC>
QImage picture(const MainDB& doc, const gr_ctrans& view, bool y_up_view, bool painter_clip, int rop) {
  QImage image(400, 300, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  if (painter_clip) painter.setClipRect(QRect(50, 40, 180, 120));
  {
    DC dc(painter);
    if (y_up_view) y_up(dc, 400, 300, 400, 300);
    dc.SetROP2(rop);
    const_cast<MainDB&>(doc).Draw(fgb_for_draw_gdb{&dc, &view}, 3);
  }
  painter.end();
  return image;
}

TEST(DocumentView, SkippingChangesNoPixel) {
  MainDB doc;
  fill(doc, 24000);  // three pages on the main side
  ASSERT_GE(doc.GetPageCount(), 2);
  // Pens made wider after the elements were added count too.
  addParam corner{0, 0, {0, 0, 20, 20}};
  doc.SelectElems(&corner, 1);
  doc.SetWidthPen(0.6);
  const double s = std::sin(0.3), c = std::cos(0.3);
  struct ViewCase {
    const char* name;
    gr_ctrans view;
    bool y_up_view, painter_clip;
    int rop = R2_COPYPEN;
  };
  const ViewCase cases[] = {
      {"whole drawing", {0, 300, 7.5, 0, 1, 1, -1}, false, false},
      {"zoomed into a corner", {-200, 1200, 40, 0, 1, 1, -1}, false, false},
      {"far zoom", {-9000, 9000, 400, 0, 1, 1, -1}, false, false},
      {"rotated", {100, 50, 12, s, c, 1, -1}, false, false},
      {"y-up mapping", {-100, -100, 20, 0, 1, 1, 1}, true, false},
      {"painter clip", {-100, 600, 25, 0, 1, 1, -1}, false, true},
      {"off the drawing", {5000, 5000, 10, 0, 1, 1, -1}, false, false},
      {"inverting pen", {0, 300, 7.5, 0, 1, 1, -1}, false, false, R2_NOTXORPEN},
      {"inverting pen zoomed", {-200, 1200, 40, 0, 1, 1, -1}, false, false, R2_XORPEN},
  };
  for (const ViewCase& v : cases) {
    SCOPED_TRACE(v.name);
    const QImage skipped = picture<BatchCountingDC>(doc, v.view, v.y_up_view, v.painter_clip, v.rop);
    const QImage full = picture<UnclippedDC>(doc, v.view, v.y_up_view, v.painter_clip, v.rop);
    EXPECT_TRUE(skipped == full);
  }
  EXPECT_GT(BatchCountingDC::batched_runs, 1000);
}

TEST(DocumentView, ClipBoxIsTheSurfaceInLogicalUnits) {
  QImage image(200, 100, QImage::Format_RGB32);
  QPainter painter(&image);
  canvas::QtDeviceContext dc(painter);
  RECT r;
  ASSERT_EQ(dc.GetClipBox(&r), SIMPLEREGION);
  EXPECT_LE(r.left, 0);
  EXPECT_GE(r.right, 200);
  y_up(dc, 400, 200, 200, 100);  // two logical units per pixel, y up
  ASSERT_EQ(dc.GetClipBox(&r), SIMPLEREGION);
  EXPECT_LE(r.left, 0);
  EXPECT_GE(r.right, 400);
  EXPECT_LE(r.top, 0);
  EXPECT_GE(r.bottom, 200);
  EXPECT_LE(r.right, 403);
  painter.setClipRect(QRect(0, 0, 0, 0));
  EXPECT_EQ(dc.GetClipBox(&r), NULLREGION);
}

}  // namespace
