// HPGL writer for a four-pen plotter, 1016 plotter units per inch, origin
// shifted by (-11000, -6900) units (writer_p.h). Plain mode writes the elements in page
// order; optimised mode (hpgl_order.cpp) writes arcs and circles at once
// and reorders everything else to cut pen-up travel.
#include "convert/writer_p.h"
#include "convert/sink_p.h"
#include "convert/digits_p.h"
#include "convert/outbuf_p.h"
#include "convert/page_p.h"

#include <cmath>

namespace fgb::conv {

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kPlotterUnitsPerInch = kHpglUnitsPerInch;
// Widths (inches) that select pens 4, 3 and 1, tested in that order; any
// other width draws with pen 2.
constexpr double kPenMatch = 0.001;
constexpr double kPen4Width = 0.039;
constexpr double kPen3Width = 0.025;
constexpr double kPen1Width = 0.055;
// The chord tolerance written after AA and CI.
constexpr int kChordTolerance = 1;
}  // namespace

int hpgl_pen_of_width(double w) {
  if (std::fabs(w - kPen4Width) < kPenMatch) return 4;
  if (std::fabs(w - kPen3Width) < kPenMatch) return 3;
  if (std::fabs(w - kPen1Width) < kPenMatch) return 1;
  return 2;
}

namespace {

void pen_header(OutBuf& out, int pen) {
  out.text("SP");
  out.integer(pen);
  out.text(";LT;VS2;\n");
}

// Before an arc or a circle the same pen lines stand one instruction a line.
void curve_pen_header(OutBuf& out, int pen) {
  out.text("SP");
  out.integer(pen);
  out.text(";\nLT;\nVS2;\n");
}

void coords(OutBuf& out, gr_cpoint pt) {
  const PlotterPoint p = hpgl_point(pt);
  out.integer(p.x);
  out.put(',');
  out.integer(p.y);
}

// "PU%ld,%ld;", "PD%ld,%ld;"
void move(OutBuf& out, const char* cmd, gr_cpoint pt) {
  const PlotterPoint p = hpgl_point(pt);
  out.pair(cmd, p.x, ',', p.y, ";");
}

// One contour: "PU" to its first point, "PD" to the others, back to the
// first when closed. The caller writes the pen before and "PU;\n" after.
void contour(OutBuf& out, const PointsView& v) {
  if (v.n == 0) return;
  move(out, "PU", v.p[0]);
  for (uint32_t i = 1; i < v.n; ++i) move(out, "PD", v.p[i]);
  if (v.closed) move(out, "PD", v.p[0]);
}

}  // namespace

void hpgl_write_arc(OutBuf& out, const gr_trcircle& arc, int pen) {
  curve_pen_header(out, pen);
  move(out, "PU", gr_cpoint{arc.c.x + arc.r * std::cos(arc.a1), arc.c.y + arc.r * std::sin(arc.a1)});
  out.text("\n");
  const double a2 = arc.a2 < arc.a1 ? arc.a2 + 2.0 * kPi : arc.a2;
  const auto sweep_deg = static_cast<float>((a2 - arc.a1) * 180.0 / kPi);
  out.text("PD;AA");
  coords(out, arc.c);
  out.put(',');
  out.fixed(sweep_deg, 6);
  out.put(',');
  out.integer(kChordTolerance);
  out.text(";\n");
}

void hpgl_write_circle(OutBuf& out, const gr_circle& c, int pen) {
  curve_pen_header(out, pen);
  move(out, "PU", c.c);
  out.text("\nPD;CI");
  out.integer(file_coordinate(c.r * kPlotterUnitsPerInch));
  out.put(',');
  out.integer(kChordTolerance);
  out.text(";\n");
}

namespace {

void write_plain(Page& page, WriterContext& ctx) {
  OutBuf& out = *ctx.file;
  std::vector<gr_cpoint> pts;
  for (Element e; page.next(e);) {
    const int pen = hpgl_pen_of_width(e.style.width);
    switch (e.kind) {
      case kPolyline:
        pen_header(out, pen);
        contour(out, view_of(static_cast<const gr_polyline*>(e.shape)));
        out.text("PU;\n");
        break;
      case kPolylines: {
        pen_header(out, pen);
        const auto* set = static_cast<const gr_polylines*>(e.shape);
        const gr_polyline* m = gr_polylines_first(set);
        for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m)) contour(out, view_of(m));
        out.text("PU;\n");
        break;
      }
      case kSegment: {
        const auto* s = static_cast<const gr_segment*>(e.shape);
        pen_header(out, pen);
        move(out, "PU", s->p1);
        move(out, "PD", s->p2);
        out.text("PU;\n");
        break;
      }
      case kArc: hpgl_write_arc(out, arc_of_record(e.shape), pen); break;
      case kCircle: hpgl_write_circle(out, *static_cast<const gr_circle*>(e.shape), pen); break;
      case kBezier:
        if (bezier_points(static_cast<const gr_bezier*>(e.shape), ctx.bezier_density, pts, ctx.budget)) {
          pen_header(out, pen);
          contour(out, PointsView{pts.data(), static_cast<uint32_t>(pts.size()), false});
          out.text("PU;\n");
        }
        break;
      default:  // flashes and thick polylines have no HPGL form
        break;
    }
  }
}

}  // namespace

void write_hpgl_page(Page& page, WriterContext& ctx) {
  ctx.file->text("IN;\n");
  if (ctx.optimise)
    write_hpgl_ordered(page, ctx);
  else
    write_plain(page, ctx);
}

}  // namespace fgb::conv
