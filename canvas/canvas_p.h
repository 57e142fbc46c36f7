// Internals of the Qt canvas shared by its source files.
#ifndef CANVAS_CANVAS_P_H
#define CANVAS_CANVAS_P_H

#include <canvas/canvas.h>

#include <QFontMetricsF>
#include <QString>

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

}  // namespace canvas

#endif
