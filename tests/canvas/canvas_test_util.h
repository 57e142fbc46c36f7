// Pictures drawn through the Qt device, and probes of their pixels.
#ifndef TESTS_CANVAS_CANVAS_TEST_UTIL_H
#define TESTS_CANVAS_CANVAS_TEST_UTIL_H

#include <canvas/canvas.h>

#include <QImage>
#include <QWidget>

#include <functional>

namespace canvas_test {

// A white w x h picture with draw() run on a device over it.
inline QImage draw_picture(int w, int h, const std::function<void(canvas::QtDeviceContext&)>& draw,
                           const QImage* start = nullptr) {
  QImage image = start ? *start : QImage(w, h, QImage::Format_RGB32);
  if (!start) image.fill(Qt::white);
  QPainter painter(&image);
  {
    canvas::QtDeviceContext dc(painter);
    draw(dc);
  }
  painter.end();
  return image;
}

inline bool inside(const QImage& im, int x, int y) {
  return x >= 0 && y >= 0 && x < im.width() && y < im.height();
}

// Darker than mid-grey (any hue).
inline bool dark(const QImage& im, int x, int y) { return inside(im, x, y) && qGray(im.pixel(x, y)) < 128; }
inline bool white(const QImage& im, int x, int y) {
  return inside(im, x, y) && (im.pixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu;
}
// Some pixel within radius r (a square) of (x, y) is dark.
inline bool dark_near(const QImage& im, int x, int y, int r = 1) {
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx)
      if (dark(im, x + dx, y + dy)) return true;
  return false;
}
inline int count_non_white(const QImage& im) {
  int n = 0;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) n += white(im, x, y) ? 0 : 1;
  return n;
}

// The mapping of a y-up view: isotropic, window extent (wx, wy) onto a
// viewport of (vx, -vy) device pixels with the logical origin at device
// (0, vy).
inline void y_up(GrDeviceContext& dc, int wx, int wy, int vx, int vy) {
  dc.SetMapMode(MM_ISOTROPIC);
  dc.SetWindowExtEx(wx, wy, nullptr);
  dc.SetViewportExtEx(vx, -vy, nullptr);
  dc.SetViewportOrgEx(0, vy, nullptr);
}

// A widget that paints through the device on a white background, as the
// drawing windows do.
class DeviceWidget : public QWidget {
 protected:
  virtual void paint(canvas::QtDeviceContext& dc) = 0;
  void paintEvent(QPaintEvent*) override {
    canvas::PainterDC pdc(this);
    if (!pdc.ok()) return;
    canvas::QtDeviceContext& dc = pdc.dc();
    dc.fill(RGB(255, 255, 255));
    paint(dc);
  }
};

}  // namespace canvas_test

#endif
