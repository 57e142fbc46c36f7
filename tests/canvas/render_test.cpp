// Rendering pictures into PNG, PDF and SVG files, and the fitted view.
// Invariants: a fitted view centres its logical rectangle, y up, inside the
// device with the margin; a file is replaced only by a complete picture, and
// every failure is reported with a message and leaves the target alone.
#include "canvas_test_util.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <stdexcept>

using namespace canvas_test;

namespace {

std::string read_all(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

void write_text(const QString& path, const char* text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text);
}

TEST(FitView, CentresTheRectangleWithItsMarginYUp) {
  struct FitCase {
    const char* name;
    double left, bottom, right, top;
    int width, height;
    double margin;
  };
  const FitCase cases[] = {
      {"wide rectangle", 0, 0, 4000, 1000, 400, 400, 0.05},
      {"tall rectangle", 0, 0, 1000, 4000, 400, 300, 0.1},
      {"far from the origin", 1e6, -2e6, 1.2e6, -1.9e6, 640, 480, 0.05},
      {"corners given the other way round", 300, 200, -100, -50, 500, 500, 0.0},
      {"coarse units, few of them", 0, 0, 3, 2, 600, 400, 0.05},
      {"no extent", 50, 50, 50, 50, 100, 100, 0.05},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.name);
    const canvas::ViewMapping m =
        canvas::ViewMapping::fit(c.left, c.bottom, c.right, c.top, c.width, c.height, c.margin);
    GrDeviceContext dc;
    ASSERT_TRUE(m.apply(dc));
    const GrDeviceContext::Mapping map = dc.mapping();
    ASSERT_GT(map.sx, 0.0);
    ASSERT_LT(map.sy, 0.0);  // y up
    EXPECT_DOUBLE_EQ(map.sx, -map.sy);
    const auto dev_x = [&](double x) { return map.ox + map.sx * x; };
    const auto dev_y = [&](double y) { return map.oy + map.sy * y; };
    // The centre lands on the device's centre within a pixel.
    EXPECT_NEAR(dev_x(0.5 * (c.left + c.right)), 0.5 * c.width, 1.0);
    EXPECT_NEAR(dev_y(0.5 * (c.bottom + c.top)), 0.5 * c.height, 1.0);
    // The rectangle is inside the device, bottom below top.
    const double l = std::min(c.left, c.right), r = std::max(c.left, c.right);
    const double b = std::min(c.bottom, c.top), t = std::max(c.bottom, c.top);
    EXPECT_GE(dev_x(l), -1.0);
    EXPECT_LE(dev_x(r), c.width + 1.0);
    EXPECT_GE(dev_y(t), -1.0);
    EXPECT_LE(dev_y(b), c.height + 1.0);
    EXPECT_GT(dev_y(b), dev_y(t) - 1e-9);
    // One axis is filled up to the margin.
    const double used = std::max((dev_x(r) - dev_x(l)) / c.width, (dev_y(b) - dev_y(t)) / c.height);
    if (r - l >= 100 && t - b >= 100) {  // coarse units round the extents up
      EXPECT_NEAR(used, 1.0 / (1.0 + 2.0 * c.margin), 0.02);
    }
  }
}

// Logical rectangle (0, 0)-(1000, 500), y up, filled black; a red dot at
// its lower-left corner.
void draw_sample(GrDeviceContext& dc) {
  HGDIOBJ old = dc.SelectObject(GetStockObject(BLACK_BRUSH));
  dc.Rectangle(0, 0, 1000, 500);
  dc.SelectObject(old);
}

TEST(RenderPng, WritesThePictureTheMappingAsks) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath("pic.png").toStdString();
  canvas::RenderTarget target{200, 100};
  const auto view = canvas::ViewMapping::fit(0, 0, 1000, 500, 200, 100, 0.1);
  const canvas::RenderResult r = canvas::render_png(path, target, view, draw_sample);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.error.empty());
  QImage im(QString::fromStdString(path));
  ASSERT_FALSE(im.isNull());
  EXPECT_EQ(im.size(), QSize(200, 100));
  EXPECT_TRUE(dark(im, 100, 50));  // centre
  EXPECT_TRUE(dark(im, 20, 88));   // near the lower-left corner of the rectangle
  EXPECT_TRUE(white(im, 3, 3));    // margin
  EXPECT_TRUE(white(im, 196, 97));
  // Only the target is left in the folder.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(RenderPng, ExplicitMappingAndImage) {
  canvas::ViewMapping view;  // MM_TEXT, origin top-left
  view.viewport_org = {10, 10};
  QImage im;
  const canvas::RenderResult r = canvas::render_image(
      canvas::RenderTarget{50, 50, 96.0, RGB(0, 0, 255)}, view,
      [](GrDeviceContext& dc) {
        dc.SelectObject(GetStockObject(WHITE_BRUSH));
        dc.Rectangle(0, 0, 10, 10);
      },
      &im);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(white(im, 15, 15));
  EXPECT_EQ(im.pixel(5, 5) & 0xFFFFFFu, 0x0000FFu);  // the background colour
  EXPECT_EQ(im.pixel(30, 30) & 0xFFFFFFu, 0x0000FFu);
}

TEST(RenderFailures, AreReportedAndLeaveTheTargetAlone) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString existing = dir.filePath("keep.png");
  write_text(existing, "previous");
  const auto view = canvas::ViewMapping::fit(0, 0, 10, 10, 20, 20);
  const auto throws = [](GrDeviceContext&) { throw std::runtime_error("out of pens"); };

  struct FailCase {
    const char* name;
    std::string path;
    canvas::RenderTarget target;
    canvas::DrawFn draw;
    const char* message_part;
  };
  const FailCase cases[] = {
      {"missing folder",
       dir.filePath("no/such/dir/x.png").toStdString(),
       {20, 20},
       draw_sample,
       "cannot write"},
      {"drawing throws", existing.toStdString(), {20, 20}, throws, "out of pens"},
      {"zero size", existing.toStdString(), {0, 20}, draw_sample, "picture size"},
      {"huge size", existing.toStdString(), {20, 1 << 20}, draw_sample, "picture size"},
      {"no resolution", existing.toStdString(), {20, 20, 0.0}, draw_sample, "resolution"},
      {"empty name", std::string(), {20, 20}, draw_sample, "no file name"},
  };
  using Render = canvas::RenderResult (*)(const std::string&, const canvas::RenderTarget&,
                                          const canvas::ViewMapping&, const canvas::DrawFn&) noexcept;
  const std::pair<const char*, Render> renders[] = {
      {"png", canvas::render_png}, {"pdf", canvas::render_pdf}, {"svg", canvas::render_svg}};
  for (const auto& [kind, render] : renders) {
    for (const FailCase& c : cases) {
      SCOPED_TRACE(std::string(kind) + ": " + c.name);
      const canvas::RenderResult r = render(c.path, c.target, view, c.draw);
      EXPECT_FALSE(r.ok);
      EXPECT_NE(r.error.find(c.message_part), std::string::npos) << r.error;
      EXPECT_EQ(read_all(existing), "previous");
    }
  }
  // No temporary files are left behind.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(RenderVector, PdfAndSvgReplaceTheTarget) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pdf = dir.filePath("pic.pdf"), svg = dir.filePath("pic.svg");
  write_text(pdf, "old");
  write_text(svg, "old");
  const canvas::RenderTarget target{300, 200, 150.0};
  const auto view = canvas::ViewMapping::fit(0, 0, 1000, 500, 300, 200);
  const auto draw = [](GrDeviceContext& dc) {
    draw_sample(dc);
    dc.SetROP2(R2_NOTXORPEN);  // no picture underneath: drawn as a plain pen
    dc.MoveToEx(0, 0, nullptr);
    dc.LineTo(1000, 500);
    dc.TextOutA(0, 600, "Trevalon", 8);
  };
  canvas::RenderResult r = canvas::render_pdf(pdf.toStdString(), target, view, draw);
  ASSERT_TRUE(r.ok) << r.error;
  r = canvas::render_svg(svg.toStdString(), target, view, draw);
  ASSERT_TRUE(r.ok) << r.error;
  const std::string pdf_text = read_all(pdf), svg_text = read_all(svg);
  EXPECT_EQ(pdf_text.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf_text.find("%%EOF"), std::string::npos);
  EXPECT_NE(svg_text.find("<svg"), std::string::npos);
  EXPECT_NE(svg_text.find("</svg>"), std::string::npos);
  EXPECT_NE(svg_text.find("viewBox=\"0 0 300 200\""), std::string::npos);
}

}  // namespace
