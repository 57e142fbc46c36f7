// kalvex-cli render IN OUT: the drawing as a picture, PNG, SVG or PDF by
// OUT's extension, drawn through the canvas device as the program's drawing
// window draws it.
#include "drawing.h"

#include <canvas/canvas.h>
#include <session/drawing_view.h>

#include <QGuiApplication>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <memory>

namespace kalvex::cli {

namespace {

constexpr long kDefaultDpi = 150;
constexpr long kMaxDpi = 2400;
// Spare around the drawing, each side, as a share of its size.
constexpr double kMargin = 0.05;

enum class Picture { Png, Svg, Pdf, Unknown };

Picture picture_kind(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return Picture::Unknown;
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".png") return Picture::Png;
  if (ext == ".svg") return Picture::Svg;
  if (ext == ".pdf") return Picture::Pdf;
  return Picture::Unknown;
}

// Text and PDF output need the GUI application; the command line has none
// of its own and needs no display.
class GuiApplication {
 public:
  GuiApplication() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }

 private:
  int argc_ = 1;
  char name_[16] = "kalvex-cli";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

int clamp_side(double v) { return static_cast<int>(std::clamp(v, 16.0, double(canvas::kMaxRenderSide))); }

}  // namespace

int render_command(Args& args, Io& io) {
  const Command& self = *find_command("render");
  std::string from, apertures, dpi_text;
  args.value("--from", from);
  args.value("--apertures", apertures);
  const bool has_dpi = args.value("--dpi", dpi_text);
  const bool page = args.flag("--page");
  int layer = 1, status = kExitOk;
  if (!layer_option(args, self, io, layer, status)) return status;
  std::vector<std::string> files;
  std::string error;
  if (!args.finish(files, error)) return usage_error(io, self, error);
  if (files.size() != 2) return usage_error(io, self, "needs a drawing and a picture file");
  const std::string& in = files[0];
  const std::string& out = files[1];
  long dpi = kDefaultDpi;
  if (has_dpi) {
    const auto r = std::from_chars(dpi_text.data(), dpi_text.data() + dpi_text.size(), dpi);
    if (r.ec != std::errc() || r.ptr != dpi_text.data() + dpi_text.size() || dpi < 1 || dpi > kMaxDpi)
      return usage_error(io, self,
                         "--dpi must be a resolution from 1 to 2400 dots per inch, not '" + dpi_text + "'");
  }
  const Picture picture = picture_kind(out);
  if (picture == Picture::Unknown)
    return usage_error(io, self, "cannot tell the picture kind of '" + out + "'; name it .png, .svg or .pdf");
  const KindInfo* kind = choose_kind(from, in, false, error);
  if (!kind) return usage_error(io, self, error);
  Apertures ap;
  if (!load_apertures_option(apertures, ap, io)) return kExitFailed;

  GuiApplication gui;
  session::DrawingView view(nullptr);
  MainDB& doc = view.document();
  if (!read_drawing(doc, in, *kind, ap, io, layer)) return kExitFailed;

  canvas::RenderTarget target;
  target.dpi = double(dpi);
  canvas::ViewMapping mapping;
  canvas::DrawFn draw;
  gr_ctrans trans = view.transform();
  if (page || doc.GetCountElems() == 0) {
    // A new drawing window's picture: the page with its spare, the axes and
    // the drawing, at dpi device pixels per inch of the page.
    const double scale = double(dpi) / view.units_per_inch();
    target.width = clamp_side(1.1 * view.page_right() * scale);
    target.height = clamp_side(1.1 * view.page_bottom() * scale);
    view.set_client_size(target.width, target.height);
    draw = [&view](GrDeviceContext& dc) { view.paint(dc); };
  } else {
    // The drawing alone, fitted with a margin: one logical unit per device
    // pixel when the picture is not too large.
    const gr_cpoint lo = doc.GetNullP();
    const gr_cpoint size = doc.GetDimension();
    const double d = double(dpi);
    target.width = clamp_side(size.x * d * (1 + 2 * kMargin));
    target.height = clamp_side(size.y * d * (1 + 2 * kMargin));
    mapping = canvas::ViewMapping::fit(lo.x * d, lo.y * d, (lo.x + size.x) * d, (lo.y + size.y) * d,
                                       target.width, target.height, kMargin);
    trans.scale = d;
    draw = [&doc, &trans](GrDeviceContext& dc) { doc.Draw(fgb_for_draw_gdb{&dc, &trans}, 3); };
  }
  canvas::RenderResult r;
  switch (picture) {
    case Picture::Png: r = canvas::render_png(out, target, mapping, draw); break;
    case Picture::Svg: r = canvas::render_svg(out, target, mapping, draw); break;
    default: r = canvas::render_pdf(out, target, mapping, draw); break;
  }
  if (!r.ok) {
    complain(io, r.error);
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace kalvex::cli

#if defined(KALVEX_RENDER_MODULE)
// The entry kalvex-cli calls when it has loaded this module for render.
extern "C" __attribute__((visibility("default"))) int kalvex_cli_render(kalvex::cli::Args* args,
                                                                        kalvex::cli::Io* io) {
  return kalvex::cli::render_command(*args, *io);
}
#endif
