// Runs of line pieces, and the short pieces of a one-pixel pen drawn as the
// pixels Qt sets for them.
//
// A whole drawing fitted into a window turns most of its elements into line
// pieces a pixel or two long, and one QPainter::drawLine costs far more than
// the pixels it sets. Handing Qt many pieces in one drawLines call is no
// way out: within one call its line drawing carries state from a piece to
// the next and sets other pixels than piece by piece.
//
// What holds instead: when the device transform only mirrors and shifts
// (|m11| = |m22| = 1, no shear) and its shift is a whole number of 1/256
// pixels, two pieces that differ by a whole logical step have fixed-point
// positions that differ by whole pixels, and Qt sets the same pixels for
// them, shifted, as long as no clipping at the device's edges cuts them. So
// the pixels of a piece (dx, dy) whose start falls into pixel a are
// a + P(dx, dy), where P is learned by drawing that piece once onto a small
// scratch image through the same transform fraction, pen and hints. With
// the copy raster operation and an opaque colour, setting a pixel twice or
// in another order leaves the same picture: the pixels of all the short
// pieces of a call go to Qt in one drawPoints. Every other piece is drawn on
// its own as LineTo draws it.
#include <canvas/canvas.h>

#include "canvas_p.h"

#include <QPaintEngine>

#include <cmath>

namespace canvas {

namespace {
// The pen of the fast path in black: the cap, join and width of the
// device's one-pixel pen.
QPen black_pen(const QPen& like) {
  QPen pen(like);
  pen.setColor(Qt::black);
  return pen;
}

}  // namespace

bool QtDeviceContext::ShortPieces::learned_for(const QTransform& t, double fx, double fy,
                                               const QPainter& p) const {
  return m11 == t.m11() && m22 == t.m22() && frac_x == fx && frac_y == fy && hints == p.renderHints() &&
         bg_mode == p.backgroundMode() && background == p.background();
}

void QtDeviceContext::ShortPieces::reset(const QTransform& t, double fx, double fy, const QPainter& p) {
  m11 = t.m11(), m22 = t.m22(), frac_x = fx, frac_y = fy;
  hints = p.renderHints();
  bg_mode = p.backgroundMode();
  background = p.background();
  learned_points = false;
  for (Pattern& pat : patterns) pat = Pattern{};
}

void QtDeviceContext::ShortPieces::prepare(QPainter& p) const {
  p.setRenderHints(QPainter::RenderHints::fromInt(~0), false);
  p.setRenderHints(hints);
  p.setBackground(background);
  p.setBackgroundMode(bg_mode);
}

void QtDeviceContext::ShortPieces::learn_points(const QPen& like) {
  learned_points = true;
  scratch.fill(Qt::white);
  QPainter p(&scratch);
  prepare(p);
  // Points are drawn without background: it has no part in a lone pixel,
  // and Qt takes its fast way for them only then.
  p.setBackgroundMode(Qt::TransparentMode);
  p.setPen(black_pen(like));
  const QPoint at(kCentre, kCentre);
  p.drawPoints(&at, 1);
  p.end();
  int lit = 0;
  for (int y = 0; y < kScratch; ++y)
    for (int x = 0; x < kScratch; ++x)
      if ((scratch.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu) {
        ++lit;
        point_offset = QPoint(x, y) - at;
      }
  points_ok = lit == 1;
}

void QtDeviceContext::ShortPieces::learn(Pattern& pat, int dx, int dy, const QPen& like) {
  pat.state = Pattern::unusable;
  scratch.fill(Qt::white);
  QPainter p(&scratch);
  prepare(p);
  p.setWorldTransform(QTransform(m11, 0, 0, m22, kCentre + frac_x, kCentre + frac_y));
  p.setPen(black_pen(like));
  p.drawLine(QPoint(0, 0), QPoint(dx, dy));
  p.end();
  int n = 0;
  for (int y = 0; y < kScratch; ++y)
    for (int x = 0; x < kScratch; ++x) {
      if ((scratch.pixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu) continue;
      if (n == kMaxPixels || x == 0 || y == 0 || x == kScratch - 1 || y == kScratch - 1) return;
      pat.dx[static_cast<size_t>(n)] = static_cast<int8_t>(x - kCentre);
      pat.dy[static_cast<size_t>(n)] = static_cast<int8_t>(y - kCentre);
      ++n;
    }
  pat.n = static_cast<uint8_t>(n);
  pat.state = Pattern::known;
}

QtDeviceContext::ShortPieces* QtDeviceContext::short_pieces() {
  // The copy operation with an opaque pen one aliased pixel wide, on a
  // raster target without a clip of the painter's own.
  if (!raster_ops_ || skip_ || pen_null_ || GetROP2() != R2_COPYPEN) return nullptr;
  if (qpen_.style() != Qt::SolidLine || qpen_.widthF() != 0.0 || !qpen_.isCosmetic()) return nullptr;
  if (painter_->testRenderHint(QPainter::Antialiasing) || painter_->hasClipping()) return nullptr;
  if (painter_->compositionMode() != QPainter::CompositionMode_SourceOver) return nullptr;
  // The device may add a shift of its own (a widget inside its window):
  // whole pixels, so that pixels can be named through its inverse.
  const QTransform t = painter_->deviceTransform();
  if (t.type() > QTransform::TxScale || std::abs(t.m11()) != 1.0 || std::abs(t.m22()) != 1.0) return nullptr;
  bool invertible = false;
  const QTransform own = painter_->worldTransform().inverted(&invertible) * t;
  if (!invertible || own.type() > QTransform::TxTranslate || own.dx() != std::floor(own.dx()) ||
      own.dy() != std::floor(own.dy()))
    return nullptr;
  // A shift in whole 1/256 pixels keeps every position exact.
  const double fx = t.dx() - std::floor(t.dx()), fy = t.dy() - std::floor(t.dy());
  if (fx * 256 != std::floor(fx * 256) || fy * 256 != std::floor(fy * 256)) return nullptr;
  if (painter_->opacity() != 1.0) return nullptr;
  // Learned once per thread (and again when the transform or painter state
  // changes), not per device: a window makes a device for every paint.
  thread_local ShortPieces sp;
  if (!sp.learned_for(t, fx, fy, *painter_)) sp.reset(t, fx, fy, *painter_);
  if (!sp.learned_points) sp.learn_points(qpen_);
  return sp.points_ok ? &sp : nullptr;
}

BOOL QtDeviceContext::PolylineRuns(const POINT* pts, const DWORD* counts, DWORD runs) {
  if (!pts || !counts) return 0;
  if (dirty_) sync();
  const bool draw = !skip_ && !pen_null_;
  ShortPieces* sp = draw ? short_pieces() : nullptr;
  // Where a short piece may start: away from the device's edges by more
  // than it can reach, so that nothing clips it.
  const QTransform t = painter_->deviceTransform();
  const QTransform world = painter_->worldTransform();
  // The device's own shift, and the surface in device pixels (cut by the
  // system's clip, where Qt may cut lines).
  const QPoint own = sp ? (world.inverted() * t).map(QPoint(0, 0)) : QPoint();
  QRect area = QRect(0, 0, device_w_, device_h_).translated(own);
  if (sp && painter_->paintEngine() && !painter_->paintEngine()->systemClip().isEmpty())
    area &= painter_->paintEngine()->systemClip().boundingRect();
  const double margin = ShortPieces::kReach + 2;
  const double safe_x1 = area.left() + margin, safe_y1 = area.top() + margin;
  const double safe_x2 = area.right() - margin, safe_y2 = area.bottom() - margin;
  if (sp) sp->pixels.clear();
  const POINT* last = nullptr;
  try {
    for (DWORD r = 0; r < runs; ++r) {
      if (counts[r] == 0) continue;
      for (DWORD i = 1; draw && i < counts[r]; ++i) {
        const POINT a = pts[i - 1], b = pts[i];
        if (sp) {
          const long long dx = static_cast<long long>(b.x) - a.x, dy = static_cast<long long>(b.y) - a.y;
          const double ax = std::floor(t.m11() * a.x + t.dx()), ay = std::floor(t.m22() * a.y + t.dy());
          if (std::llabs(dx) <= ShortPieces::kReach && std::llabs(dy) <= ShortPieces::kReach &&
              ax >= safe_x1 && ax <= safe_x2 && ay >= safe_y1 && ay <= safe_y2) {
            ShortPieces::Pattern& pat = sp->patterns[static_cast<size_t>(
                (dy + ShortPieces::kReach) * ShortPieces::kSide + dx + ShortPieces::kReach)];
            if (pat.state == ShortPieces::Pattern::unknown)
              sp->learn(pat, static_cast<int>(dx), static_cast<int>(dy), qpen_);
            if (pat.state == ShortPieces::Pattern::known) {
              const int px = static_cast<int>(ax) - sp->point_offset.x();
              const int py = static_cast<int>(ay) - sp->point_offset.y();
              for (size_t k = 0; k < pat.n; ++k) sp->pixels.emplace_back(px + pat.dx[k], py + pat.dy[k]);
              continue;
            }
          }
        }
        // One QPainter call per piece, as LineTo makes it.
        painter_->drawLine(QPoint(a.x, a.y), QPoint(b.x, b.y));
      }
      pts += counts[r];
      last = pts - 1;
    }
  } catch (...) {
    if (sp) sp->pixels.clear();
    return 0;
  }
  if (sp && !sp->pixels.empty()) {
    const Qt::BGMode bg = painter_->backgroundMode();
    painter_->setWorldTransform(QTransform::fromTranslate(-own.x(), -own.y()));  // device pixels
    painter_->setBackgroundMode(Qt::TransparentMode);
    painter_->drawPoints(sp->pixels.data(), static_cast<int>(sp->pixels.size()));
    painter_->setBackgroundMode(bg);
    painter_->setWorldTransform(world);
  }
  if (last) GrDeviceContext::MoveToEx(last->x, last->y, nullptr);
  return 1;
}

}  // namespace canvas
