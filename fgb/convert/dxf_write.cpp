// DXF writer: an ENTITIES-only drawing in millimetres on layer "0". The
// dispatcher writes the SECTION/ENDSEC frame around the pages.
// Polylines become POLYLINE entities (width in groups 40 and 41), segments
// LINE, circles CIRCLE, arcs ARC (width in group 39, the thickness); Bezier
// elements are flattened into polylines. Widths are written in inches as
// they are stored.
#include "convert/writer_p.h"
#include "convert/sink_p.h"
#include "convert/outbuf_p.h"
#include "convert/page_p.h"

#include <cmath>

namespace fgb::conv {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kDegPerRad = 180.0 / 3.141592653589793;
// A colour component within this of 1 counts as 1, anything else as 0.
constexpr double kComponentOne = 0.00001;

bool is_one(float c) { return std::fabs(c - 1.0) < kComponentOne; }

}  // namespace

// Colour number from which components are full: white 7, yellow 2,
// magenta 5, red 1, cyan 4, green 3, blue 6, none 8.
int dxf_colour_number(const gr_rgbcol& c) {
  static constexpr int kByRgb[8] = {8, 6, 3, 4, 1, 5, 2, 7};  // index r*4 + g*2 + b
  return kByRgb[(is_one(c.r) ? 4 : 0) + (is_one(c.g) ? 2 : 0) + (is_one(c.b) ? 1 : 0)];
}

namespace {

class DxfWriter {
 public:
  explicit DxfWriter(DxfContext& ctx) : ctx_(ctx), out_(*ctx.file) {}

  void element(const Element& e) {
    colour_ = dxf_colour_number(e.style.color);
    width_ = e.style.width;
    switch (e.kind) {
      case kPolyline: polyline(view_of(static_cast<const gr_polyline*>(e.shape))); break;
      case kPolylines: {
        const auto* set = static_cast<const gr_polylines*>(e.shape);
        const gr_polyline* m = gr_polylines_first(set);
        for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m)) polyline(view_of(m));
        break;
      }
      case kBezier:
        if (bezier_points(static_cast<const gr_bezier*>(e.shape), ctx_.bezier_density, pts_, ctx_.budget))
          polyline(PointsView{pts_.data(), static_cast<uint32_t>(pts_.size()), false});
        break;
      case kSegment:
        if (ctx_.variant == 0) segment(*static_cast<const gr_segment*>(e.shape));
        break;
      case kCircle: circle(*static_cast<const gr_circle*>(e.shape)); break;
      case kArc: arc(arc_of_record(e.shape)); break;
      default:  // flashes and thick polylines have no DXF form here
        break;
    }
  }

 private:
  // A group of a number: its code line (" 10\n"), the number, a line feed.
  void group(const char* code, double value, int precision) {
    out_.text(code);
    out_.fixed(value, precision);
    out_.text("\n");
  }
  // A length, in millimetres ("%f").
  void mm_group(const char* code, double inches) { group(code, inches * kMmPerInch, 6); }
  // The width, in inches as stored ("%6.5f").
  void width_group(const char* code) { group(code, width_, 5); }

  void entity_head(const char* name) {
    out_.text("  0\n");
    out_.text(name);
    out_.text("\n  8\n0\n  62\n   ");
    out_.integer(colour_);
    out_.text("\n");
  }

  void polyline(const PointsView& v) {
    entity_head("POLYLINE");
    out_.text("  6\nCONTINUOUS\n 66\n  1\n");
    out_.text(" 10\n0.0\n 20\n0.0\n 30\n0.0\n");
    width_group(" 40\n");
    width_group(" 41\n");
    if (v.closed) out_.text(" 70\n     1\n");
    for (uint32_t i = 0; i < v.n; ++i) {
      out_.text("  0\nVERTEX\n  8\n0\n");
      mm_group(" 10\n", v.p[i].x);
      mm_group(" 20\n", v.p[i].y);
    }
    out_.text("  0\nSEQEND\n  8\n0\n");
  }

  // "%d\n" colour, " 39\n%6.5f\n" width, " 10\n%f\n 20\n%f\n 30\n0.0\n" point
  void head_with_thickness(const char* name, gr_cpoint p) {
    entity_head(name);
    width_group(" 39\n");
    mm_group(" 10\n", p.x);
    mm_group(" 20\n", p.y);
    out_.text(" 30\n0.0\n");
  }

  void segment(const gr_segment& s) {
    head_with_thickness("LINE", s.p1);
    mm_group(" 11\n", s.p2.x);
    mm_group(" 21\n", s.p2.y);
    out_.text(" 31\n0.0\n");
  }

  void circle(const gr_circle& c) {
    head_with_thickness("CIRCLE", c.c);
    mm_group(" 40\n", c.r);
  }

  void arc(const gr_trcircle& a) {
    head_with_thickness("ARC", a.c);
    mm_group(" 40\n", a.r);
    group(" 50\n", a.a1 * kDegPerRad, 6);
    group(" 51\n", a.a2 * kDegPerRad, 6);
  }

  DxfContext& ctx_;
  OutBuf& out_;
  std::vector<gr_cpoint> pts_;
  int colour_ = 7;
  double width_ = 0.0;
};

}  // namespace

void write_dxf_page(Page& page, DxfContext& ctx) {
  DxfWriter w(ctx);
  for (Element e; page.next(e);) w.element(e);
}

}  // namespace fgb::conv
