// Mapping set-ups, the painter-owning device, and rendering a picture into
// an image, a PNG, a PDF or an SVG file.
#include <canvas/canvas.h>

#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>

namespace canvas {

namespace {

int32_t clamp_int(double v) {
  if (!(v > -2147483648.0)) return INT32_MIN;  // NaN too
  if (v >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(std::llround(v));
}

// Highest resolution accepted for a render: one page at it stays within the
// side limit.
constexpr double kMaxDpi = 100000.0;

RenderResult fail(std::string message) { return RenderResult{false, std::move(message)}; }

RenderResult check_target(const RenderTarget& t) {
  if (t.width < 1 || t.height < 1 || t.width > kMaxRenderSide || t.height > kMaxRenderSide) {
    return fail("picture size " + std::to_string(t.width) + " x " + std::to_string(t.height) +
                " is outside 1 .. " + std::to_string(kMaxRenderSide) + " pixels");
  }
  if (!(t.dpi >= 1.0 && t.dpi <= kMaxDpi)) return fail("resolution must be 1 .. 100000 dots per inch");
  return RenderResult{true, {}};
}

// Paints the picture on a device: background, mapping, then the caller.
RenderResult paint(QPaintDevice& device, const RenderTarget& target, const ViewMapping& mapping,
                   const DrawFn& draw) {
  QPainter painter;
  if (!painter.begin(&device)) return fail("cannot start painting");
  painter.setRenderHint(QPainter::Antialiasing, target.antialias);
  RenderResult result{true, {}};
  try {
    QtDeviceContext dc(painter);
    dc.fill(target.background);
    if (!mapping.apply(dc)) {
      result = fail("the view mapping is not valid (zero extent or unknown map mode)");
    } else if (draw) {
      draw(dc);
    }
  } catch (const std::exception& e) {
    result = fail(std::string("drawing failed: ") + e.what());
  } catch (...) {
    result = fail("drawing failed");
  }
  painter.end();
  return result;
}

QString qpath(const std::string& path) {
  return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

std::string describe(const std::string& path, const QFileDevice& f) {
  return "cannot write " + path + ": " + f.errorString().toStdString();
}

// Writes through a temporary file beside path, renamed over it by commit()
// only when everything was written; any earlier return leaves path as it was.
template <typename WriteFn>
RenderResult write_atomically(const std::string& path, WriteFn&& write) {
  if (path.empty()) return fail("no file name given");
  QSaveFile file(qpath(path));
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) return fail(describe(path, file));
  RenderResult r = write(file);
  if (!r.ok) {
    file.cancelWriting();
    return r;
  }
  if (!file.commit()) return fail(describe(path, file));
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------
// Mapping set-ups
// ---------------------------------------------------------------------------

BOOL ViewMapping::apply(GrDeviceContext& dc) const {
  BOOL ok = dc.SetMapMode(map_mode) != 0;
  if (map_mode == MM_ISOTROPIC || map_mode == MM_ANISOTROPIC) {
    // The window extent first: the isotropic rule fits the viewport to it.
    ok = dc.SetWindowExtEx(window_ext.cx, window_ext.cy, nullptr) && ok;
    ok = dc.SetViewportExtEx(viewport_ext.cx, viewport_ext.cy, nullptr) && ok;
  }
  ok = dc.SetWindowOrgEx(window_org.x, window_org.y, nullptr) && ok;
  ok = dc.SetViewportOrgEx(viewport_org.x, viewport_org.y, nullptr) && ok;
  return ok ? 1 : 0;
}

ViewMapping ViewMapping::fit(double left, double bottom, double right, double top, int width, int height,
                             double margin) {
  if (!std::isfinite(left) || !std::isfinite(bottom) || !std::isfinite(right) || !std::isfinite(top)) {
    left = bottom = 0.0;
    right = top = 1.0;
  }
  if (left > right) std::swap(left, right);
  if (bottom > top) std::swap(bottom, top);
  if (!(margin >= 0.0)) margin = 0.0;
  margin = std::min(margin, 100.0);
  width = std::max(width, 1);
  height = std::max(height, 1);

  ViewMapping m;
  m.map_mode = MM_ISOTROPIC;
  const double grow = 1.0 + 2.0 * margin;
  const int32_t wx = std::max(1, clamp_int(std::ceil(std::max(right - left, 1.0) * grow)));
  const int32_t wy = std::max(1, clamp_int(std::ceil(std::max(top - bottom, 1.0) * grow)));
  m.window_ext = {wx, wy};
  m.viewport_ext = {width, -height};
  // The isotropic scale the device will take, device pixels per unit.
  const double s = std::min(double(width) / wx, double(height) / wy);
  // The rectangle's centre goes to the device's centre. The window origin is
  // the nearest whole logical point to the centre and the viewport origin
  // its device position, so the rounding costs at most half a pixel however
  // coarse the logical units are.
  const double cx = 0.5 * (left + right), cy = 0.5 * (bottom + top);
  m.window_org = {clamp_int(cx), clamp_int(cy)};
  m.viewport_org = {clamp_int(0.5 * width + (m.window_org.x - cx) * s),
                    clamp_int(0.5 * height - (m.window_org.y - cy) * s)};
  return m;
}

// ---------------------------------------------------------------------------
// PainterDC
// ---------------------------------------------------------------------------

PainterDC::PainterDC(QPaintDevice* device) {
  if (device && painter_.begin(device)) dc_ = std::make_unique<QtDeviceContext>(painter_);
}

PainterDC::~PainterDC() {
  dc_.reset();
  if (painter_.isActive()) painter_.end();
}

// ---------------------------------------------------------------------------
// Rendering
// ---------------------------------------------------------------------------

RenderResult render_image(const RenderTarget& target, const ViewMapping& mapping, const DrawFn& draw,
                          QImage* out) noexcept {
  try {
    if (out) *out = QImage();
    RenderResult r = check_target(target);
    if (!r.ok) return r;
    QImage image(target.width, target.height, QImage::Format_RGB32);
    if (image.isNull()) {
      return fail("not enough memory for a " + std::to_string(target.width) + " x " +
                  std::to_string(target.height) + " picture");
    }
    const int dots_per_metre = static_cast<int>(std::lround(target.dpi / 0.0254));
    image.setDotsPerMeterX(dots_per_metre);
    image.setDotsPerMeterY(dots_per_metre);
    r = paint(image, target, mapping, draw);
    if (r.ok && out) *out = std::move(image);
    return r;
  } catch (...) {
    return fail("not enough memory to render the picture");
  }
}

RenderResult render_png(const std::string& path, const RenderTarget& target, const ViewMapping& mapping,
                        const DrawFn& draw) noexcept {
  try {
    QImage image;
    RenderResult r = render_image(target, mapping, draw, &image);
    if (!r.ok) return r;
    return write_atomically(path, [&](QSaveFile& file) {
      return image.save(&file, "PNG") ? RenderResult{true, {}} : fail(describe(path, file));
    });
  } catch (...) {
    return fail("not enough memory to write " + path);
  }
}

RenderResult render_pdf(const std::string& path, const RenderTarget& target, const ViewMapping& mapping,
                        const DrawFn& draw) noexcept {
  try {
    RenderResult r = check_target(target);
    if (!r.ok) return r;
    return write_atomically(path, [&](QSaveFile& file) {
      QPdfWriter writer(&file);
      writer.setCreator(QStringLiteral("Trevalon"));
      writer.setResolution(static_cast<int>(std::lround(target.dpi)));
      writer.setPageMargins(QMarginsF(0, 0, 0, 0));
      const QSizeF inches(target.width / target.dpi, target.height / target.dpi);
      if (!writer.setPageSize(QPageSize(inches, QPageSize::Inch, QString(), QPageSize::ExactMatch))) {
        return fail("the PDF page size is not valid");
      }
      return paint(writer, target, mapping, draw);
    });
  } catch (...) {
    return fail("not enough memory to write " + path);
  }
}

RenderResult render_svg(const std::string& path, const RenderTarget& target, const ViewMapping& mapping,
                        const DrawFn& draw) noexcept {
  try {
    RenderResult r = check_target(target);
    if (!r.ok) return r;
    return write_atomically(path, [&](QSaveFile& file) {
      QSvgGenerator svg;
      svg.setOutputDevice(&file);
      svg.setSize(QSize(target.width, target.height));
      svg.setViewBox(QRect(0, 0, target.width, target.height));
      svg.setResolution(static_cast<int>(std::lround(target.dpi)));
      svg.setTitle(QStringLiteral("Trevalon drawing"));
      return paint(svg, target, mapping, draw);
    });
  } catch (...) {
    return fail("not enough memory to write " + path);
  }
}

}  // namespace canvas
