// Text on the Qt device: the selected LOGFONT as a Qt font at the scale of
// the mapping, drawn upright and placed by the text alignment.
#include <canvas/canvas.h>

#include "canvas_p.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace canvas {

namespace {

// Height of a font whose lfHeight is 0 ("a default size"), device pixels.
constexpr double kDefaultFontPixels = 16.0;
// Largest glyph size asked of Qt, device pixels: larger text covers any
// device many times over.
constexpr double kMaxFontPixels = 100000.0;
// Reference size at which a face's cell height is measured.
constexpr int kMeasurePixels = 256;

// LOGFONT family bits (bits 4-7 of lfPitchAndFamily) and fixed pitch.
constexpr uint8_t kFamilyRoman = 0x10, kFamilySwiss = 0x20, kFamilyModern = 0x30, kFamilyScript = 0x40,
                  kFamilyDecorative = 0x50, kFixedPitch = 0x01;

QFont::StyleHint style_hint(uint8_t pitch_family) {
  switch (pitch_family & 0xF0) {
    case kFamilyRoman: return QFont::Serif;
    case kFamilySwiss: return QFont::SansSerif;
    case kFamilyModern: return QFont::Monospace;
    case kFamilyScript: return QFont::Cursive;
    case kFamilyDecorative: return QFont::Decorative;
    default: return QFont::AnyStyle;
  }
}

int clamp_pixels(double px) { return static_cast<int>(std::lround(std::clamp(px, 1.0, kMaxFontPixels))); }

}  // namespace

QString decode_text(const char* text, int length) {
  const QByteArrayView bytes(text, length);
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString s = utf8.decode(bytes);
  if (utf8.hasError()) s = QString::fromLatin1(bytes);
  return s;
}

BOOL QtDeviceContext::TextOutA(int x, int y, const char* text, int length) {
  if (!GrDeviceContext::TextOutA(x, y, text, length)) return 0;
  if (length == 0) return 1;
  // Fonts need the GUI application; without it Qt aborts.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 0;
  try {
    draw_text(x, y, text, length);
  } catch (...) {
    return 0;
  }
  return 1;
}

void QtDeviceContext::draw_text(int x, int y, const char* text, int length) {
  const double ax = std::abs(map_.sx), ay = std::abs(map_.sy);
  if (!font_cache_) font_cache_ = std::make_unique<FontCache>();
  FontCache& fc = *font_cache_;
  if (!fc.metrics || fc.scale_x != ax || fc.scale_y != ay ||
      std::memcmp(&fc.logfont, &font_sel_, sizeof(LOGFONTA)) != 0) {
    const LOGFONTA& lf = font_sel_;
    QFont font;
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
    if (face[0]) font.setFamily(QString::fromLatin1(face));
    font.setStyleHint(style_hint(lf.lfPitchAndFamily));
    font.setFixedPitch((lf.lfPitchAndFamily & 0x03) == kFixedPitch);
    if (lf.lfWeight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(lf.lfWeight, 1, 1000)));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    // lfHeight in logical units, scaled by the y axis: positive is the cell
    // height (ascent + descent), negative the character (em) height.
    double px = lf.lfHeight == 0 ? kDefaultFontPixels : std::abs(double(lf.lfHeight)) * ay;
    if (lf.lfHeight > 0) {
      font.setPixelSize(kMeasurePixels);
      const double cell = QFontMetricsF(font).height();
      if (cell > 0) px *= kMeasurePixels / cell;
    }
    font.setPixelSize(clamp_pixels(px));
    if (lf.lfWidth != 0) {
      // lfWidth is the average character width: stretch the face to it.
      const double avg = QFontMetricsF(font).averageCharWidth();
      if (avg > 0) {
        const double stretch = 100.0 * std::abs(double(lf.lfWidth)) * ax / avg;
        font.setStretch(static_cast<int>(std::lround(std::clamp(stretch, 1.0, 4000.0))));
      }
    }
    fc.logfont = lf;
    fc.scale_x = ax;
    fc.scale_y = ay;
    fc.font = font;
    fc.metrics.emplace(font);
  }
  const QFontMetricsF& fm = *fc.metrics;

  const UINT align = GetTextAlign();
  POINT ref{x, y};
  if (align & TA_UPDATECP) GetCurrentPositionEx(&ref);
  const QString s = decode_text(text, length);
  const double advance = fm.horizontalAdvance(s);
  // Offsets from the reference point to the left end of the baseline, in
  // the text's own upright frame (y down).
  double hx = 0.0;
  if ((align & TA_CENTER) == TA_CENTER) {
    hx = -advance * 0.5;
  } else if (align & TA_RIGHT) {
    hx = -advance;
  }
  double by = fm.ascent();  // TA_TOP
  if ((align & TA_BASELINE) == TA_BASELINE) {
    by = 0.0;
  } else if (align & TA_BOTTOM) {
    by = -fm.descent();
  }
  const double dx = map_.ox + map_.sx * ref.x, dy = map_.oy + map_.sy * ref.y;
  // Escapement: tenths of a degree, counter-clockwise as seen on the device.
  const double angle = -font_sel_.lfEscapement / 10.0;
  QTransform t;
  t.translate(dx, dy);
  if (angle != 0.0) t.rotate(angle);

  painter_->save();
  painter_->setWorldTransform(t * base_);
  // Raster operations do not apply to text.
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->setPen(to_qcolor(text_color_));
  painter_->setFont(fc.font);
  painter_->drawText(QPointF(hx, by), s);
  painter_->restore();

  if (align & TA_UPDATECP) {
    // The current position moves past the text in the direction it grew.
    const double along = (align & TA_CENTER) == TA_CENTER ? 0.0 : (align & TA_RIGHT) ? -advance : advance;
    const QPointF end = t.map(QPointF(along, 0.0));
    GrDeviceContext::MoveToEx(static_cast<int>((end.x() - map_.ox) / map_.sx),
                              static_cast<int>((end.y() - map_.oy) / map_.sy), nullptr);
  }
}

}  // namespace canvas
