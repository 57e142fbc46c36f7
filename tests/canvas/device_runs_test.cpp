// Runs of line pieces on the Qt device (PolylineRuns), which sets the pixels
// of short one-pixel pieces through patterns learned from Qt itself.
// Invariant: a run sets exactly the pixels that MoveToEx and LineTo piece by
// piece set, whatever the mapping (shifted, mirrored, scaled), the pen, the
// raster operation, the background mode, the painter's own transform and
// clip, and wherever the pieces lie (across the device's edges too); the
// current position ends at the run's last point.
#include "canvas_test_util.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <random>
#include <vector>

using namespace canvas_test;

namespace {

struct Runs {
  std::vector<POINT> pts;
  std::vector<DWORD> counts;
};

// Random runs of one to four pieces, most of them a few units long, some
// zero-length, some long, some reaching past the picture.
Runs random_runs(std::mt19937& rng, int n, int w, int h) {
  std::uniform_int_distribution<int> x(-30, w + 30), y(-30, h + 30), step(-9, 9), len(1, 4), pick(0, 9);
  Runs r;
  for (int i = 0; i < n; ++i) {
    POINT p{x(rng), y(rng)};
    const int k = len(rng);
    r.pts.push_back(p);
    for (int j = 0; j < k; ++j) {
      const int kind = pick(rng);
      if (kind == 0) {
        // zero length: p stays
      } else if (kind == 1) {
        p = POINT{x(rng), y(rng)};
      } else {
        p = POINT{p.x + step(rng), p.y + step(rng)};
      }
      r.pts.push_back(p);
    }
    r.counts.push_back(static_cast<DWORD>(k + 1));
  }
  return r;
}

struct RunCase {
  const char* name;
  int map_mode;  // MM_TEXT, or MM_ISOTROPIC with the extents below
  int wx, wy, vx, vy;
  POINT viewport_org;
  int pen_width;
  int pen_style;
  int rop;
  bool opaque_background;
  bool painter_shift;  // the painter has a transform of its own
  bool painter_clip;
};

QImage draw_runs(const RunCase& s, const Runs& runs, bool piece_by_piece, POINT* end) {
  QImage im(160, 120, QImage::Format_RGB32);
  im.fill(Qt::white);
  QPainter painter(&im);
  if (s.painter_shift) painter.translate(3, -2);
  if (s.painter_clip) painter.setClipRect(QRect(20, 15, 100, 70));
  {
    canvas::QtDeviceContext dc(painter);
    if (s.map_mode == MM_ISOTROPIC) {
      dc.SetMapMode(MM_ISOTROPIC);
      dc.SetWindowExtEx(s.wx, s.wy, nullptr);
      dc.SetViewportExtEx(s.vx, s.vy, nullptr);
    }
    dc.SetViewportOrgEx(s.viewport_org.x, s.viewport_org.y, nullptr);
    dc.SetROP2(s.rop);
    dc.SetBkMode(s.opaque_background ? OPAQUE : TRANSPARENT);
    HPEN pen = CreatePen(s.pen_style, s.pen_width, RGB(30, 60, 200));
    HGDIOBJ old = dc.SelectObject(pen);
    if (piece_by_piece) {
      dc.GrDeviceContext::PolylineRuns(runs.pts.data(), runs.counts.data(),
                                       static_cast<DWORD>(runs.counts.size()));
    } else {
      EXPECT_TRUE(
          dc.PolylineRuns(runs.pts.data(), runs.counts.data(), static_cast<DWORD>(runs.counts.size())));
    }
    dc.GetCurrentPositionEx(end);
    dc.SelectObject(old);
    DeleteObject(pen);
  }
  painter.end();
  return im;
}

TEST(QtDeviceRuns, SetTheSamePixelsAsLineToPieceByPiece) {
  constexpr int ISO = MM_ISOTROPIC, COPY = R2_COPYPEN;
  const RunCase setups[] = {
      {"device pixels", MM_TEXT, 1, 1, 1, 1, {0, 0}, 0, PS_SOLID, COPY, true, false, false},
      {"transparent background", MM_TEXT, 1, 1, 1, 1, {5, 7}, 0, PS_SOLID, R2_COPYPEN, false, false, false},
      {"y up", ISO, 160, 120, 160, -120, {0, 120}, 0, PS_SOLID, COPY, true, false, false},
      {"x mirrored", ISO, 160, 120, -160, 120, {160, 0}, 0, PS_SOLID, COPY, true, false, false},
      {"two units a px", ISO, 320, 240, 160, -120, {0, 120}, 0, PS_SOLID, COPY, true, false, false},
      {"three px a unit", ISO, 50, 40, 150, 120, {0, 0}, 0, PS_SOLID, COPY, true, false, false},
      {"painter shifted", MM_TEXT, 1, 1, 1, 1, {0, 0}, 0, PS_SOLID, COPY, true, true, false},
      {"painter clip", MM_TEXT, 1, 1, 1, 1, {0, 0}, 0, PS_SOLID, COPY, true, false, true},
      {"inverting pen", MM_TEXT, 1, 1, 1, 1, {0, 0}, 0, PS_SOLID, R2_NOTXORPEN, true, false, false},
      {"dashed pen", MM_TEXT, 1, 1, 1, 1, {0, 0}, 0, PS_DASH, COPY, true, false, false},
      {"wide pen", MM_TEXT, 1, 1, 1, 1, {0, 0}, 3, PS_SOLID, COPY, true, false, false},
  };
  std::mt19937 rng(2024u);
  for (const RunCase& s : setups) {
    SCOPED_TRACE(s.name);
    for (int round = 0; round < 3; ++round) {
      const Runs runs = random_runs(rng, 400, 160, 120);
      POINT end_runs{}, end_pieces{};
      const QImage at_once = draw_runs(s, runs, false, &end_runs);
      const QImage pieces = draw_runs(s, runs, true, &end_pieces);
      EXPECT_TRUE(at_once == pieces) << "round " << round;
      EXPECT_EQ(end_runs.x, runs.pts.back().x);
      EXPECT_EQ(end_runs.y, runs.pts.back().y);
    }
  }
}

// A widget inside its window: the painter's device adds the widget's
// place in the window, and the system clips to the widget.
class RunsView : public DeviceWidget {
 public:
  RunsView(const Runs& runs, bool piece_by_piece) : runs_(runs), piece_by_piece_(piece_by_piece) {}

 protected:
  void paint(canvas::QtDeviceContext& dc) override {
    HPEN pen = CreatePen(PS_SOLID, 0, RGB(200, 40, 40));
    HGDIOBJ old = dc.SelectObject(pen);
    const auto n = static_cast<DWORD>(runs_.counts.size());
    if (piece_by_piece_)
      dc.GrDeviceContext::PolylineRuns(runs_.pts.data(), runs_.counts.data(), n);
    else
      dc.PolylineRuns(runs_.pts.data(), runs_.counts.data(), n);
    dc.SelectObject(old);
    DeleteObject(pen);
  }

 private:
  const Runs& runs_;
  bool piece_by_piece_;
};

TEST(QtDeviceRuns, InAWidgetPlacedInsideItsWindow) {
  std::mt19937 rng(99u);
  const Runs runs = random_runs(rng, 600, 150, 100);
  QImage pictures[2];
  for (int k = 0; k < 2; ++k) {
    QWidget window;
    window.resize(240, 170);
    auto* view = new RunsView(runs, k == 1);
    view->setParent(&window);
    view->setGeometry(37, 21, 150, 100);
    pictures[k] = QImage(240, 170, QImage::Format_RGB32);
    pictures[k].fill(Qt::white);
    window.render(&pictures[k]);
  }
  EXPECT_GT(count_non_white(pictures[0]), 500);
  EXPECT_TRUE(pictures[0] == pictures[1]);
}

TEST(QtDeviceRuns, EmptyRunsAndNoRunsDrawNothing) {
  const POINT pts[] = {{10, 10}, {20, 20}};
  const DWORD counts[] = {0, 0};
  const QImage im = draw_picture(40, 40, [&](canvas::QtDeviceContext& dc) {
    EXPECT_TRUE(dc.PolylineRuns(pts, counts, 2));
    EXPECT_TRUE(dc.PolylineRuns(pts, counts, 0));
    EXPECT_FALSE(dc.PolylineRuns(nullptr, counts, 1));
  });
  EXPECT_EQ(count_non_white(im), 0);
}

}  // namespace
