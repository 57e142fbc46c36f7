// The bundled sample drawing (samples/sample.hpg) is this system's own
// output: a small plotter drawing built here and written by the HPGL
// writer. The test keeps the file and the writer in step; run it with
// KALVEX_UPDATE_SAMPLES=1 to write the file anew after a deliberate change.
#include "convert_test_util.h"

#include "convert/document_p.h"

#include <cmath>
#include <fstream>

using namespace convtest;

namespace {

// Pen widths of the four-pen plotter: 1 red, 2 yellow, 3 green, 4 cyan.
constexpr double kPen1 = 0.055, kPen2 = 0.012, kPen3 = 0.025, kPen4 = 0.039;

void add_polyline(MainDB& doc, const std::vector<gr_cpoint>& pts, bool closed, double width) {
  std::vector<double> block(1 + 2 * pts.size());
  auto* p = reinterpret_cast<gr_polyline*>(block.data());
  p->closed = closed ? 1 : 0;
  p->n = static_cast<uint32_t>(pts.size());
  gr_cpoint* out = p->pnt;
  for (size_t i = 0; i < pts.size(); ++i) out[i] = pts[i];
  doc.AddElem(kPolyline, p, width_style(width), fgb_default_fill_area_style, 1);
}

// A bicycle on a sine-wave road under a sun, in a frame: the plotter's
// origin sits 11000 and 6900 units (10.8 and 6.8 inches) inside the page.
void build_sample(MainDB& doc) {
  const auto seg = [&](gr_cpoint a, gr_cpoint b, double w) {
    const gr_segment s{a, b};
    doc.AddElem(kSegment, &s, width_style(w), fgb_default_fill_area_style, 1);
  };
  const auto circle = [&](gr_cpoint c, double r, double w) {
    const gr_circle k{c, r};
    doc.AddElem(kCircle, &k, width_style(w), fgb_default_fill_area_style, 1);
  };
  const auto arc = [&](gr_cpoint c, double r, double a1, double a2, double w) {
    const fgb_arc a = make_arc_record(gr_trcircle{c, r, a1, a2});
    doc.AddElem(kArc, &a, width_style(w), fgb_default_fill_area_style, 1);
  };
  const double x0 = 11.0, y0 = 7.0;
  add_polyline(doc, {{x0, y0}, {x0 + 8, y0}, {x0 + 8, y0 + 6}, {x0, y0 + 6}}, true, kPen1);  // frame
  std::vector<gr_cpoint> road;
  for (int i = 0; i <= 64; ++i)
    road.push_back({x0 + 0.5 + 7.0 * i / 64, y0 + 1.0 + 0.15 * std::sin(i * M_PI / 8)});
  add_polyline(doc, road, false, kPen3);
  // Wheels with spokes.
  for (double cx : {x0 + 2.5, x0 + 5.0}) {
    const gr_cpoint c{cx, y0 + 2.0};
    circle(c, 0.8, kPen4);
    circle(c, 0.08, kPen2);
    for (int k = 0; k < 8; ++k) {
      const double a = k * M_PI / 4;
      seg({c.x + 0.08 * std::cos(a), c.y + 0.08 * std::sin(a)},
          {c.x + 0.78 * std::cos(a), c.y + 0.78 * std::sin(a)}, kPen2);
    }
  }
  // Frame of the bicycle, saddle and handlebar.
  add_polyline(doc, {{x0 + 2.5, y0 + 2.0}, {x0 + 3.5, y0 + 2.0}, {x0 + 4.4, y0 + 3.2}, {x0 + 3.1, y0 + 3.2}},
               true, kPen1);
  seg({x0 + 3.5, y0 + 2.0}, {x0 + 3.0, y0 + 3.5}, kPen1);
  seg({x0 + 2.75, y0 + 3.5}, {x0 + 3.3, y0 + 3.5}, kPen4);
  seg({x0 + 4.4, y0 + 3.2}, {x0 + 5.0, y0 + 2.0}, kPen1);
  seg({x0 + 4.4, y0 + 3.2}, {x0 + 4.3, y0 + 3.7}, kPen1);
  arc({x0 + 4.55, y0 + 3.7}, 0.25, M_PI / 2, M_PI, kPen4);
  // The sun: a circle, rays and an arc of a halo.
  const gr_cpoint sun{x0 + 6.8, y0 + 4.8};
  circle(sun, 0.45, kPen3);
  for (int k = 0; k < 12; ++k) {
    const double a = k * M_PI / 6;
    seg({sun.x + 0.55 * std::cos(a), sun.y + 0.55 * std::sin(a)},
        {sun.x + 0.8 * std::cos(a), sun.y + 0.8 * std::sin(a)}, kPen2);
  }
  arc(sun, 0.95, M_PI * 0.6, M_PI * 1.4, kPen2);
  // A star in the corner.
  std::vector<gr_cpoint> star;
  for (int k = 0; k < 5; ++k) {
    const double a = M_PI / 2 + k * 4 * M_PI / 5;
    star.push_back({x0 + 1.2 + 0.5 * std::cos(a), y0 + 4.8 + 0.5 * std::sin(a)});
  }
  add_polyline(doc, star, true, kPen4);
}

std::string sample_path() {
  const char* root = std::getenv("KALVEX_SOURCE_DIR");
  return std::string(root ? root : ".") + "/samples/sample.hpg";
}

TEST(Sample, BundledDrawingIsTheWritersOwnOutput) {
  MainDB doc;
  build_sample(doc);
  Pconvert req{};
  req.direction = 1;
  req.kind = FGB_KIND_HPGL;
  req.elapsed_time = -1.0f;
  std::string text;
  OutBuf out(text);
  write_document(doc, req, out);
  ASSERT_TRUE(out.finish());
  const std::string path = sample_path();
  if (std::getenv("KALVEX_UPDATE_SAMPLES")) std::ofstream(path, std::ios::binary) << text;
  std::ifstream in(path, std::ios::binary);
  const std::string bundled((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bundled, text) << "samples/sample.hpg differs from what the writer gives now";
  // It reads back with every element.
  MainDB back;
  read_document(back, FGB_KIND_HPGL, reinterpret_cast<const uint8_t*>(bundled.data()), bundled.size(), {});
  EXPECT_EQ(back.GetCountElems(), doc.GetCountElems());
}

}  // namespace
