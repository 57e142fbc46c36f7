// The device over the program's own paint devices: a widget in its paint
// event and a printer page.
// Invariants: a widget paint event draws through PainterDC with the same
// mapping rules as an image (and inverting pens work on its raster backing);
// a printer's device is measured in printer dots, so the real-unit map modes
// keep their size on paper.
#include "canvas_test_util.h"

#include <gtest/gtest.h>

#include <QPrinter>
#include <QTemporaryDir>
#include <QWidget>

using namespace canvas_test;

namespace {

// A drawing window in miniature: white background, a y-up view of a
// 1000 x 500 logical page, the page filled black, and an inverting band.
class PageView : public DeviceWidget {
 public:
  bool band_twice = false;
  bool painted = false;

 protected:
  void paint(canvas::QtDeviceContext& dc) override {
    canvas::ViewMapping::fit(0, 0, 1000, 500, width(), height(), 0.1).apply(dc);
    HGDIOBJ old = dc.SelectObject(GetStockObject(BLACK_BRUSH));
    dc.Rectangle(0, 0, 1000, 500);
    dc.SelectObject(GetStockObject(NULL_BRUSH));
    dc.SetROP2(R2_NOTXORPEN);
    for (int i = 0; i < (band_twice ? 2 : 1); ++i) dc.Rectangle(-50, -50, 900, 400);
    dc.SetROP2(R2_COPYPEN);
    dc.SelectObject(old);
    painted = true;
  }
};

TEST(PainterDC, WidgetPaintEventDrawsThroughTheDevice) {
  PageView view;
  view.resize(200, 100);
  QImage once = view.grab().toImage();
  ASSERT_TRUE(view.painted);
  EXPECT_TRUE(dark(once, 100, 50));  // the page
  EXPECT_TRUE(white(once, 3, 3));    // the margin
  view.band_twice = true;
  const QImage twice = view.grab().toImage();
  // The band shows once and vanishes when drawn twice.
  EXPECT_NE(once, twice);
  EXPECT_TRUE(dark(twice, 100, 50));
  int band_pixels = 0;
  for (int y = 0; y < once.height(); ++y)
    for (int x = 0; x < once.width(); ++x) band_pixels += once.pixel(x, y) != twice.pixel(x, y);
  EXPECT_GT(band_pixels, 100);
}

TEST(PainterDC, NullOrInactiveDeviceIsReported) {
  canvas::PainterDC none(nullptr);
  EXPECT_FALSE(none.ok());
  QImage empty;
  canvas::PainterDC null_image(&empty);
  EXPECT_FALSE(null_image.ok());
}

TEST(PainterDC, PrinterPageIsMeasuredInPrinterDots) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("page.pdf"));
  printer.setResolution(600);
  canvas::PainterDC pdc(&printer);
  ASSERT_TRUE(pdc.ok());
  canvas::QtDeviceContext& dc = pdc.dc();
  EXPECT_DOUBLE_EQ(dc.device_dpi_x(), 600.0);
  EXPECT_GT(dc.device_width(), 4000);  // a page of several inches
  // One inch in tenths of a millimetre is 600 printer dots, y up.
  dc.SetMapMode(MM_LOMETRIC);
  const GrDeviceContext::Mapping m = dc.mapping();
  EXPECT_NEAR(m.sx * 254.0, 600.0, 1e-9);
  EXPECT_NEAR(m.sy * 254.0, -600.0, 1e-9);
  EXPECT_FALSE(dc.raster_ops());
}

}  // namespace
