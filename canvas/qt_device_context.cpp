// The Qt device context: state kept in step with the painter, and the
// drawing operations, each one QPainter call.
#include <canvas/canvas.h>

#include "canvas_p.h"

#include <QPaintDevice>
#include <QPaintEngine>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace canvas {

namespace {

// Widest pen drawn, in device pixels: beyond it the stroker only does more
// work for a picture that is covered anyway.
constexpr double kMaxPenPixels = 32767.0;

// A dash pattern shorter than this (device pixels, one whole period) looks
// solid and would make the stroker emit a piece per pixel: drawn solid.
constexpr double kMinDashPeriodPixels = 1.0;

// Shortest dash or gap handed to Qt, which wants positive entries (in pen
// widths): a zero-length dash of the GDI stays invisible.
constexpr double kMinDashEntry = 1.0 / 64.0;

// Shift of the transform on raster targets, device pixels. Qt's aliased
// one-pixel lines take the pixel floor(y) across the line and round(x) along
// it, and fills take the pixels whose centres lie in (x0, x1]. Shifted by just
// under half a pixel, every one of these rounds a device position to the
// nearest pixel, as the GDI does, a whole-pixel position d lands on pixel d
// even with rounding noise in the mapping, and a fill from d0 to d1 covers
// pixels d0 .. d1 - 1, leaving out the right and bottom edges as the GDI does.
constexpr double kRasterSnap = 0.5 - 1.0 / 256.0;

// Join styles of extended pens (the GDI keeps them in bits 12-15).
constexpr DWORD kJoinMask = 0x0000F000;
constexpr DWORD kJoinBevel = 0x00001000;
constexpr DWORD kJoinMiter = 0x00002000;
// One-pixel pen that sets every other pixel.
constexpr DWORD kStyleAlternate = 8;

// What each ROP2 code (1 .. 16) does on a raster target. Codes that ignore
// the picture keep Qt's normal painting and change the colour instead.
enum class RopColor { pen, black, white, inverted };
struct RopRule {
  QPainter::CompositionMode raster;
  RopColor color;
};
constexpr RopRule kRopRules[17] = {
    {QPainter::CompositionMode_SourceOver, RopColor::pen},           // 0: unused
    {QPainter::CompositionMode_SourceOver, RopColor::black},         // R2_BLACK
    {QPainter::RasterOp_NotSourceAndNotDestination, RopColor::pen},  // R2_NOTMERGEPEN
    {QPainter::RasterOp_NotSourceAndDestination, RopColor::pen},     // R2_MASKNOTPEN
    {QPainter::CompositionMode_SourceOver, RopColor::inverted},      // R2_NOTCOPYPEN
    {QPainter::RasterOp_SourceAndNotDestination, RopColor::pen},     // R2_MASKPENNOT
    {QPainter::RasterOp_NotDestination, RopColor::pen},              // R2_NOT
    {QPainter::RasterOp_SourceXorDestination, RopColor::pen},        // R2_XORPEN
    {QPainter::RasterOp_NotSourceOrNotDestination, RopColor::pen},   // R2_NOTMASKPEN
    {QPainter::RasterOp_SourceAndDestination, RopColor::pen},        // R2_MASKPEN
    {QPainter::RasterOp_NotSourceXorDestination, RopColor::pen},     // R2_NOTXORPEN
    {QPainter::CompositionMode_SourceOver, RopColor::pen},           // R2_NOP
    {QPainter::RasterOp_NotSourceOrDestination, RopColor::pen},      // R2_MERGENOTPEN
    {QPainter::CompositionMode_SourceOver, RopColor::pen},           // R2_COPYPEN
    {QPainter::RasterOp_SourceOrNotDestination, RopColor::pen},      // R2_MERGEPENNOT
    {QPainter::RasterOp_SourceOrDestination, RopColor::pen},         // R2_MERGEPEN
    {QPainter::CompositionMode_SourceOver, RopColor::white},         // R2_WHITE
};

const RopRule& rop_rule(int rop) { return kRopRules[(rop >= 1 && rop <= 16) ? rop : R2_COPYPEN]; }

Qt::FillRule fill_rule(int mode) { return mode == WINDING ? Qt::WindingFill : Qt::OddEvenFill; }

Qt::BrushStyle hatch_style(uint32_t hatch) {
  switch (hatch) {
    case HS_HORIZONTAL: return Qt::HorPattern;
    case HS_VERTICAL: return Qt::VerPattern;
    case HS_FDIAGONAL: return Qt::FDiagPattern;
    case HS_BDIAGONAL: return Qt::BDiagPattern;
    case HS_CROSS: return Qt::CrossPattern;
    case HS_DIAGCROSS: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
  }
}

// The dash patterns of the predefined styles: one-pixel pens in pixels (the
// lengths the GDI uses for cosmetic pens), wider ones in pen widths.
QList<qreal> style_pattern(DWORD kind, bool one_pixel) {
  switch (kind) {
    case PS_DASH: return one_pixel ? QList<qreal>{18, 6} : QList<qreal>{3, 1};
    case PS_DOT: return one_pixel ? QList<qreal>{3, 3} : QList<qreal>{1, 1};
    case PS_DASHDOT: return one_pixel ? QList<qreal>{9, 6, 3, 6} : QList<qreal>{3, 1, 1, 1};
    case PS_DASHDOTDOT: return one_pixel ? QList<qreal>{9, 3, 3, 3, 3, 3} : QList<qreal>{3, 1, 1, 1, 1, 1};
    case kStyleAlternate: return {1, 1};
    default: return {};
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and state
// ---------------------------------------------------------------------------

QtDeviceContext::QtDeviceContext(QPainter& painter) : painter_(&painter) {
  painter_->save();
  base_ = painter_->worldTransform();
  if (QPaintDevice* dev = painter_->device()) {
    device_w_ = dev->width();
    device_h_ = dev->height();
    if (dev->logicalDpiX() > 0) dpi_x_ = dev->logicalDpiX();
    if (dev->logicalDpiY() > 0) dpi_y_ = dev->logicalDpiY();
  }
  // Vector engines accept the raster composition modes and then ignore
  // them; only the raster engine combines with the picture.
  raster_ops_ = painter_->paintEngine() && painter_->paintEngine()->type() == QPaintEngine::Raster;
  antialias_ = painter_->testRenderHint(QPainter::Antialiasing);
  painter_->setBackground(QBrush(to_qcolor(bk_color_)));
  painter_->setBackgroundMode(GetBkMode() == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
  // Take the objects the base selected at birth.
  for (int type : {OBJ_PEN, OBJ_BRUSH, OBJ_FONT}) SelectObject(GetCurrentObject(type));
  mapping_changed();
}

QtDeviceContext::~QtDeviceContext() { painter_->restore(); }

int QtDeviceContext::GetClipBox(RECT* out) const {
  if (out) *out = RECT{0, 0, 0, 0};
  if (!out || device_w_ <= 0 || device_h_ <= 0) return RGN_ERROR;
  const QTransform& world = painter_->worldTransform();
  QRectF visible(0, 0, device_w_, device_h_);
  if (painter_->hasClipping()) visible &= world.mapRect(painter_->clipBoundingRect());
  if (visible.isEmpty()) return NULLREGION;
  bool invertible = false;
  const QTransform to_logical = world.inverted(&invertible);
  if (!invertible) return RGN_ERROR;
  // A pixel touched at the surface's edge may come from a logical point up
  // to one unit outside: widen by one unit beyond the rounding.
  const QRectF box = to_logical.mapRect(visible);
  auto clamp = [](double v) {
    return v <= INT_MIN ? INT_MIN : v >= INT_MAX ? INT_MAX : static_cast<int32_t>(v);
  };
  *out = RECT{clamp(std::floor(box.left()) - 1), clamp(std::floor(box.top()) - 1),
              clamp(std::ceil(box.right()) + 1), clamp(std::ceil(box.bottom()) + 1)};
  return SIMPLEREGION;
}

void QtDeviceContext::mapping_changed() {
  map_ = mapping();
  const double snap = raster_ops_ ? kRasterSnap : 0.0;
  painter_->setWorldTransform(QTransform(map_.sx, 0.0, 0.0, map_.sy, map_.ox + snap, map_.oy + snap) * base_);
  if (pen_scales_with_mapping()) dirty_ = true;
}

bool QtDeviceContext::pen_scales_with_mapping() const {
  const bool cosmetic_ext = pen_sel_.extended && (pen_sel_.style & PS_TYPE_MASK) != PS_GEOMETRIC;
  return !cosmetic_ext && (pen_sel_.width > 0 || !pen_sel_.dashes.empty());
}

HGDIOBJ QtDeviceContext::SelectObject(HGDIOBJ obj) {
  HGDIOBJ previous = GrDeviceContext::SelectObject(obj);
  // The base refuses null and deleted handles; anything it took is readable.
  if (!previous) return previous;
  switch (obj->type) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
      pen_sel_.extended = obj->type == OBJ_EXTPEN;
      pen_sel_.style = obj->pen.lopnStyle;
      pen_sel_.width = obj->pen.lopnWidth.x;
      pen_sel_.color = obj->pen.lopnColor;
      pen_sel_.brush_null = pen_sel_.extended && obj->brush.lbStyle == BS_NULL;
      pen_sel_.dashes.assign(obj->dashes.begin(), obj->dashes.end());
      dirty_ = true;
      break;
    case OBJ_BRUSH:
      brush_sel_ = obj->brush;
      dirty_ = true;
      break;
    case OBJ_FONT: font_sel_ = obj->font; break;
    default: break;
  }
  return previous;
}

int QtDeviceContext::SetROP2(int mode) {
  const int previous = GrDeviceContext::SetROP2(mode);
  if (previous) dirty_ = true;
  return previous;
}

int QtDeviceContext::SetBkMode(int mode) {
  const int previous = GrDeviceContext::SetBkMode(mode);
  if (previous) painter_->setBackgroundMode(mode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
  return previous;
}

COLORREF QtDeviceContext::SetTextColor(COLORREF color) {
  const COLORREF previous = text_color_;
  text_color_ = color & 0x00FFFFFFu;
  return previous;
}

COLORREF QtDeviceContext::SetBkColor(COLORREF color) {
  const COLORREF previous = bk_color_;
  bk_color_ = color & 0x00FFFFFFu;
  painter_->setBackground(QBrush(to_qcolor(bk_color_)));
  return previous;
}

void QtDeviceContext::fill(COLORREF color) {
  painter_->save();
  painter_->setWorldTransform(QTransform());
  painter_->setCompositionMode(QPainter::CompositionMode_Source);
  painter_->fillRect(QRect(0, 0, device_w_, device_h_), to_qcolor(color));
  painter_->restore();
}

QColor QtDeviceContext::rop_color(COLORREF c) const {
  switch (rop_rule(GetROP2()).color) {
    case RopColor::black: return Qt::black;
    case RopColor::white: return Qt::white;
    case RopColor::inverted: return to_qcolor(~c);
    case RopColor::pen: break;
  }
  return to_qcolor(c);
}

void QtDeviceContext::sync() {
  dirty_ = false;
  const int rop = GetROP2();
  skip_ = rop == R2_NOP;
  const QPainter::CompositionMode mode =
      raster_ops_ ? rop_rule(rop).raster : QPainter::CompositionMode_SourceOver;
  painter_->setCompositionMode(mode);
  // Partly covered pixels would be combined twice and never restored.
  painter_->setRenderHint(QPainter::Antialiasing, antialias_ && mode == QPainter::CompositionMode_SourceOver);
  build_pen();
  build_brush();
}

void QtDeviceContext::build_pen() {
  const SelectedPen& p = pen_sel_;
  const DWORD kind = p.style & PS_STYLE_MASK;
  pen_null_ = kind == PS_NULL || p.brush_null;
  if (pen_null_) {
    qpen_ = QPen(Qt::NoPen);
    painter_->setPen(qpen_);
    return;
  }
  const bool geometric = p.extended && (p.style & PS_TYPE_MASK) == PS_GEOMETRIC;
  const bool cosmetic = p.extended && !geometric;
  // Width in device pixels: logical units scaled by the x axis of the
  // mapping; anything up to one pixel (width 0 included) is one pixel.
  double px = cosmetic || p.width <= 0 ? 0.0 : p.width * std::abs(map_.sx);
  if (px <= 1.0) px = 0.0;
  px = std::min(px, kMaxPenPixels);
  const bool one_pixel = px == 0.0;

  QPen pen(rop_color(p.color));
  pen.setCosmetic(true);  // the width is already in device pixels
  pen.setWidthF(px);
  if (one_pixel) {
    // A one-pixel line stops short of its end point, as LineTo does, so that
    // joined pieces set each pixel once (which inverting pens rely on).
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
  } else if (geometric) {
    const DWORD cap = p.style & PS_ENDCAP_MASK;
    pen.setCapStyle(cap == PS_ENDCAP_SQUARE ? Qt::SquareCap
                    : cap == PS_ENDCAP_FLAT ? Qt::FlatCap
                                            : Qt::RoundCap);
    const DWORD join = p.style & kJoinMask;
    pen.setJoinStyle(join == kJoinBevel ? Qt::BevelJoin : join == kJoinMiter ? Qt::MiterJoin : Qt::RoundJoin);
  } else {
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
  }

  QList<qreal> pattern;
  const double unit = std::max(px, 1.0);  // Qt measures dashes in pen widths
  if (kind == PS_USERSTYLE) {
    // Geometric pens measure their entries in logical units, cosmetic ones
    // in device pixels.
    const double to_px = geometric ? std::abs(map_.sx) : 1.0;
    double period = 0.0;
    for (DWORD e : p.dashes) {
      const double len = e * to_px;
      period += len;
      pattern.push_back(std::max(len / unit, kMinDashEntry));
    }
    if (pattern.size() % 2 != 0) pattern.append(QList<qreal>(pattern));
    if (period < kMinDashPeriodPixels) pattern.clear();
  } else if (one_pixel || p.extended) {
    // Wide pens of CreatePen draw their dashed styles solid.
    pattern = style_pattern(kind, one_pixel);
  }
  if (!pattern.isEmpty()) pen.setDashPattern(pattern);
  qpen_ = pen;
  painter_->setPen(qpen_);
}

void QtDeviceContext::build_brush() {
  const LOGBRUSH& b = brush_sel_;
  switch (b.lbStyle) {
    case BS_SOLID: qbrush_ = QBrush(rop_color(b.lbColor)); break;
    case BS_HATCHED: qbrush_ = QBrush(rop_color(b.lbColor), hatch_style(b.lbHatch)); break;
    default: qbrush_ = QBrush(Qt::NoBrush); break;
  }
  painter_->setBrush(qbrush_);
}

QRectF QtDeviceContext::device_exclusive_box(int left, int top, int right, int bottom) const {
  // Device pixels as the GDI rounds them; the box covers [min, max).
  const double dx0 = std::round(map_.ox + map_.sx * left), dx1 = std::round(map_.ox + map_.sx * right);
  const double dy0 = std::round(map_.oy + map_.sy * top), dy1 = std::round(map_.oy + map_.sy * bottom);
  const double x0 = std::min(dx0, dx1), x1 = std::max(x0, std::max(dx0, dx1) - 1.0);
  const double y0 = std::min(dy0, dy1), y1 = std::max(y0, std::max(dy0, dy1) - 1.0);
  return QRectF(QPointF((x0 - map_.ox) / map_.sx, (y0 - map_.oy) / map_.sy),
                QPointF((x1 - map_.ox) / map_.sx, (y1 - map_.oy) / map_.sy))
      .normalized();
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------

BOOL QtDeviceContext::LineTo(int x, int y) {
  POINT from;
  GetCurrentPositionEx(&from);
  const BOOL ok = GrDeviceContext::LineTo(x, y);
  if (dirty_) sync();
  if (!skip_ && !pen_null_) painter_->drawLine(QPoint(from.x, from.y), QPoint(x, y));
  return ok;
}

BOOL QtDeviceContext::Polygon(const POINT* pts, int count) {
  if (!GrDeviceContext::Polygon(pts, count)) return 0;
  if (dirty_) sync();
  if (skip_) return 1;
  try {
    points_.resize(static_cast<size_t>(count));
  } catch (...) {
    return 0;
  }
  for (int i = 0; i < count; ++i) points_[static_cast<size_t>(i)] = QPoint(pts[i].x, pts[i].y);
  painter_->drawPolygon(points_.data(), count, fill_rule(GetPolyFillMode()));
  return 1;
}

BOOL QtDeviceContext::PolyPolygon(const POINT* pts, const int* counts, int polygons) {
  if (!GrDeviceContext::PolyPolygon(pts, counts, polygons)) return 0;
  if (dirty_) sync();
  if (skip_) return 1;
  // One path: the fill rule decides the holes, each member is outlined.
  path_.clear();
  path_.setFillRule(fill_rule(GetPolyFillMode()));
  const POINT* p = pts;
  for (int k = 0; k < polygons; ++k) {
    path_.moveTo(p[0].x, p[0].y);
    for (int i = 1; i < counts[k]; ++i) path_.lineTo(p[i].x, p[i].y);
    path_.closeSubpath();
    p += counts[k];
  }
  painter_->drawPath(path_);
  return 1;
}

BOOL QtDeviceContext::Ellipse(int left, int top, int right, int bottom) {
  const BOOL ok = GrDeviceContext::Ellipse(left, top, right, bottom);
  if (dirty_) sync();
  if (ok && !skip_) painter_->drawEllipse(device_exclusive_box(left, top, right, bottom));
  return ok;
}

BOOL QtDeviceContext::Rectangle(int left, int top, int right, int bottom) {
  const BOOL ok = GrDeviceContext::Rectangle(left, top, right, bottom);
  if (dirty_) sync();
  if (ok && !skip_) painter_->drawRect(device_exclusive_box(left, top, right, bottom));
  return ok;
}

BOOL QtDeviceContext::Arc(int left, int top, int right, int bottom, int xstart, int ystart, int xend,
                          int yend) {
  const BOOL ok = GrDeviceContext::Arc(left, top, right, bottom, xstart, ystart, xend, yend);
  if (dirty_) sync();
  if (!ok || skip_ || pen_null_) return ok;
  const QRectF box = device_exclusive_box(left, top, right, bottom);
  const QPointF c = box.center();
  const double rx = box.width() * 0.5, ry = box.height() * 0.5;
  // The arc runs between the rays from the centre through the two points.
  // On the ellipse x = rx cos t, y = ry sin t the ray at angle phi meets the
  // curve at t = atan2(rx sin phi, ry cos phi).
  const auto param = [&](double px, double py) {
    const double phi = std::atan2(py - c.y(), px - c.x());
    return std::atan2(rx * std::sin(phi), ry * std::cos(phi));
  };
  const double t1 = param(xstart, ystart), t2 = param(xend, yend);
  constexpr double kTurn = 2.0 * std::numbers::pi;
  // Counter-clockwise in logical space is increasing t; equal rays make the
  // whole ellipse.
  double sweep = std::fmod(t2 - t1, kTurn);
  if (sweep <= 0.0) sweep += kTurn;
  if (GetArcDirection() == AD_CLOCKWISE) sweep -= kTurn;
  // Qt's angles run the other way round (its y axis points down), in degrees.
  constexpr double kDeg = 180.0 / std::numbers::pi;
  path_.clear();
  path_.arcMoveTo(box, -t1 * kDeg);
  path_.arcTo(box, -t1 * kDeg, -sweep * kDeg);
  painter_->strokePath(path_, qpen_);
  return ok;
}

BOOL QtDeviceContext::PolyBezier(const POINT* pts, DWORD count) {
  if (!GrDeviceContext::PolyBezier(pts, count)) return 0;
  if (dirty_) sync();
  if (skip_ || pen_null_) return 1;
  path_.clear();
  path_.moveTo(pts[0].x, pts[0].y);
  for (DWORD i = 1; i + 2 < count; i += 3) {
    path_.cubicTo(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, pts[i + 2].x, pts[i + 2].y);
  }
  painter_->strokePath(path_, qpen_);
  return 1;
}

COLORREF QtDeviceContext::SetPixel(int x, int y, COLORREF color) {
  const COLORREF set = GrDeviceContext::SetPixel(x, y, color);
  // The pixel nearest to the point, whatever the raster operation.
  const double dx = std::floor(map_.ox + map_.sx * x + 0.5);
  const double dy = std::floor(map_.oy + map_.sy * y + 0.5);
  if (raster_ops_ && (dx < 0 || dy < 0 || dx >= device_w_ || dy >= device_h_)) return CLR_INVALID;
  painter_->save();
  painter_->setWorldTransform(base_);
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->fillRect(QRectF(dx, dy, 1.0, 1.0), to_qcolor(set));
  painter_->restore();
  return set;
}

}  // namespace canvas
