// Internals of the Qt canvas shared by its source files.
#ifndef CANVAS_CANVAS_P_H
#define CANVAS_CANVAS_P_H

#include <canvas/canvas.h>

#include <QFontMetricsF>
#include <QString>

#include <array>
#include <optional>

namespace canvas {

inline QColor to_qcolor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Text bytes as the device shows them: UTF-8 when they are valid UTF-8,
// otherwise one character per byte (Latin-1), so that no byte is lost or
// turned into a replacement mark.
QString decode_text(const char* text, int length);

// The Qt font made from a LOGFONT at one device scale, with its metrics.
struct QtDeviceContext::FontCache {
  LOGFONTA logfont{};
  double scale_x = 0.0, scale_y = 0.0;  // |sx|, |sy| it was made for
  QFont font;
  std::optional<QFontMetricsF> metrics;
};

// Short line pieces of a one-pixel pen as the pixels Qt sets for them, by
// the length of the piece along each axis (qt_device_lines.cpp).
struct QtDeviceContext::ShortPieces {
  // Pieces up to this many logical units along each axis are short.
  static constexpr int kReach = 8;
  static constexpr int kSide = 2 * kReach + 1;
  // More pixels than a short piece can set (Qt sets at most one per step
  // along the longer axis).
  static constexpr int kMaxPixels = 2 * kReach + 4;
  // The scratch image: a piece from its centre stays well inside.
  static constexpr int kScratch = 2 * kReach + 9;
  static constexpr int kCentre = kReach + 4;

  struct Pattern {
    enum : uint8_t { unknown, known, unusable } state = unknown;
    uint8_t n = 0;
    std::array<int8_t, kMaxPixels> dx{}, dy{};
  };

  // What the patterns were learned for: the transform's mirror signs and
  // shift fraction and the painter state that can change how Qt draws a line.
  double m11 = 0, m22 = 0, frac_x = 0, frac_y = 0;
  QPainter::RenderHints hints{};
  Qt::BGMode bg_mode = Qt::TransparentMode;
  QBrush background;
  bool learned_points = false;
  bool points_ok = false;
  QPoint point_offset;  // drawPoints at p sets pixel p + point_offset
  std::array<Pattern, kSide * kSide> patterns;
  std::vector<QPoint> pixels;  // of the pieces of one call
  QImage scratch{kScratch, kScratch, QImage::Format_RGB32};

  // Whether the patterns were learned for this transform and painter.
  bool learned_for(const QTransform& t, double fx, double fy, const QPainter& p) const;
  // Forgets every pattern and notes what the next ones are learned for.
  void reset(const QTransform& t, double fx, double fy, const QPainter& p);
  // A painter on the scratch image with the state the patterns depend on.
  void prepare(QPainter& p) const;
  // Which pixel drawPoints sets for a point, with no transform.
  void learn_points(const QPen& like);
  // The pixels of the piece (0, 0) - (dx, dy), relative to the pixel its
  // start falls into; unusable when they do not fit the pattern.
  void learn(Pattern& pat, int dx, int dy, const QPen& like);
};

}  // namespace canvas

#endif
