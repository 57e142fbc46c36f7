// Gerber and Gerber-cutter writers: integer thousandths of an inch. The
// Gerber writer draws everything with aperture D11 and flashes points; the
// cutter writer makes every contour one knife-down stroke ("M15*" lifts,
// "M14*" lowers) and leaves flashes out. Arcs and circles become 40 chords,
// Bezier elements polylines at the document's density.
#include "convert/writer_p.h"
#include "convert/sink_p.h"
#include "convert/digits_p.h"
#include "convert/outbuf_p.h"
#include "convert/page_p.h"

namespace fgb::conv {

namespace {

constexpr double kUnitsPerInch = 1000.0;
// Every element is drawn with this aperture, whatever its width: files of
// this system have always selected D11, and the photoplotter's table maps
// it. (The sorted apertures table the writer receives is therefore unused.)
constexpr int kDrawAperture = 11;

// "X%ldY%ld" and what follows it.
void xy(OutBuf& out, gr_cpoint p, std::string_view after = {}) {
  out.pair("X", file_coordinate(p.x * kUnitsPerInch), 'Y', file_coordinate(p.y * kUnitsPerInch), after);
}

// Gerber: first point D02, second D01, others bare, the first again when closed.
void gerber_contour(OutBuf& out, const PointsView& v) {
  if (v.n == 0) return;
  xy(out, v.p[0], "D02*");
  if (v.n < 2) return;
  xy(out, v.p[1], "D01*");
  for (uint32_t i = 2; i < v.n; ++i) {
    xy(out, v.p[i], "*");
  }
  if (v.closed) {
    xy(out, v.p[0], "*");
  }
}

void gerber_aperture(OutBuf& out) {
  out.text("D02*G54D");
  out.integer(kDrawAperture);
  out.text("*\n");
}

// Cutter: lift, move to the first point, lower on the way to the second.
void cutter_contour(OutBuf& out, const PointsView& v) {
  out.text("M15*");
  if (v.n == 0) return;
  xy(out, v.p[0], "*");
  if (v.n < 2) return;
  out.text("M14*");
  xy(out, v.p[1], "*");
  for (uint32_t i = 2; i < v.n; ++i) {
    xy(out, v.p[i], "*");
  }
  if (v.closed) {
    xy(out, v.p[0], "*");
  }
}

// Shared walk: contour(points) for every contour; segments and flashes by kind.
template <typename Contour, typename Segment, typename Flash>
void walk(Page& page, const WriterContext& ctx, Contour contour, Segment segment, Flash flash) {
  std::vector<gr_cpoint> pts;
  for (Element e; page.next(e);) {
    switch (e.kind) {
      case kPolyline: contour(view_of(static_cast<const gr_polyline*>(e.shape)), true); break;
      case kPolylines: {
        const auto* set = static_cast<const gr_polylines*>(e.shape);
        const gr_polyline* m = gr_polylines_first(set);
        for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m)) contour(view_of(m), i == 0);
        break;
      }
      case kSegment: segment(*static_cast<const gr_segment*>(e.shape)); break;
      case kArc:
        arc_points(arc_of_record(e.shape), kWriterArcSegments, pts);
        contour(PointsView{pts.data(), static_cast<uint32_t>(pts.size()), false}, true);
        break;
      case kCircle:
        circle_points(*static_cast<const gr_circle*>(e.shape), kWriterArcSegments, pts);
        contour(PointsView{pts.data(), static_cast<uint32_t>(pts.size()), true}, true);
        break;
      case kBezier:
        if (bezier_points(static_cast<const gr_bezier*>(e.shape), ctx.bezier_density, pts, ctx.budget))
          contour(PointsView{pts.data(), static_cast<uint32_t>(pts.size()), false}, true);
        break;
      case kFlash: flash(*static_cast<const gr_cpoint*>(e.shape)); break;
      default: break;
    }
  }
}

}  // namespace

void write_gerber_page(Page& page, WriterContext& ctx, const float*, int) {
  OutBuf& out = *ctx.file;
  walk(
      page, ctx,
      [&](const PointsView& v, bool aperture_line) {
        if (aperture_line) gerber_aperture(out);
        gerber_contour(out, v);
      },
      [&](const gr_segment& s) {
        gerber_aperture(out);
        xy(out, s.p1, "D02*");
        xy(out, s.p2);
        out.text("D01*\n");
      },
      [&](const gr_cpoint& p) { xy(out, p, "D03*"); });
  ctx.elapsed_time = 0.0f;
}

void write_cutter_page(Page& page, WriterContext& ctx, const float*, int) {
  OutBuf& out = *ctx.file;
  out.text("H1*M70*M15*N1*D2*");
  walk(
      page, ctx, [&](const PointsView& v, bool) { cutter_contour(out, v); },
      [&](const gr_segment& s) {
        out.text("M15*");
        xy(out, s.p1);
        out.text("*M14*");
        xy(out, s.p2);
        out.text("*\n");
      },
      [](const gr_cpoint&) {});
  ctx.elapsed_time = 0.0f;
}

}  // namespace fgb::conv
