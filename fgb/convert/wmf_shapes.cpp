// Metafile records besides the polygons: the mapping of logical
// coordinates, strokes, rectangles, ellipses, arcs, chords and pies, and
// the report of what is not drawn.
//
// Records (parameters as 16-bit words, the last coordinate first):
//   0214 MoveTo      y x              the current position
//   0213 LineTo      y x              a stroke from the current position
//   041B Rectangle   bottom right top left          closed outline, brush fill
//   061C RoundRect   h w bottom right top left      corners rounded by an
//                                                   ellipse of w by h
//   0418 Ellipse     bottom right top left          a circle, or a closed outline
//   0817 Arc         yEnd xEnd yStart xStart bottom right top left
//                    the ellipse of the box from the ray through the start
//                    point counter-clockwise to the ray through the end point
//                    (as the page shows it); the whole ellipse when the
//                    rays are the same
//   0830 Chord       as Arc, closed by the chord   closed outline, brush fill
//   081A Pie         as Arc, closed through the centre
// A run of LineTo records from one point on is one polyline. Lines and arcs
// drawn with the null pen draw nothing; closed shapes are kept for their
// fill, as polygons are.
#include "convert/bytes_p.h"
#include "convert/curves_p.h"
#include "convert/wmf_p.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

namespace fgb::wmf {

using conv::ByteCursor;
using conv::EllipticArc;

// ---- mapping -------------------------------------------------------------------

Mapping::Mapping(const conv::ReadOptions& opt) noexcept : t_(opt.transform), framed_(opt.wmf_framed) {
  if (framed_) {
    frame_w_ = std::fabs(static_cast<double>(opt.wmf_frame[2]) - opt.wmf_frame[0]);
    frame_h_ = std::fabs(static_cast<double>(opt.wmf_frame[3]) - opt.wmf_frame[1]);
  }
  update(initial_state(opt));
}

DcState Mapping::initial_state(const conv::ReadOptions& opt) noexcept {
  DcState dc;
  if (opt.wmf_framed) {
    // Until the metafile sets its own, the window is the frame.
    dc.window_org[0] = opt.wmf_frame[0];
    dc.window_org[1] = opt.wmf_frame[1];
    const double w = static_cast<double>(opt.wmf_frame[2]) - opt.wmf_frame[0];
    const double h = static_cast<double>(opt.wmf_frame[3]) - opt.wmf_frame[1];
    if (w != 0 && h != 0) dc.window_ext[0] = w, dc.window_ext[1] = h;
  }
  return dc;
}

// X = (x - org x) sx from the frame's left edge, Y = H - (y - org y) sy from
// its lower edge, s the frame's size over the window's (signed: a window
// of negative size mirrors).
void Mapping::update(const DcState& dc) noexcept {
  const double wx = dc.window_ext[0], wy = dc.window_ext[1];
  if (!framed_ && !frame_set_ && wx != 0) {
    frame_w_ = std::fabs(wx);
    frame_h_ = std::fabs(wy);
    frame_set_ = true;
  }
  const double sx = wx != 0 && frame_w_ > 0 ? frame_w_ / wx : 1.0;
  const double sy = wy != 0 && frame_h_ > 0 ? frame_h_ / wy : 1.0;
  ax_ = sx;
  bx_ = -dc.window_org[0] * sx;
  ay_ = -sy;
  by_ = frame_h_ + dc.window_org[1] * sy;
  //   x' = xsign scale ( X cos + Y sin) + dx
  //   y' = ysign scale (-X sin + Y cos) + dy,  X = ax x + bx, Y = ay y + by
  const double kx = t_.xsign * t_.scale, ky = t_.ysign * t_.scale;
  xx_ = kx * t_.cos * ax_;
  xy_ = kx * t_.sin * ay_;
  x0_ = kx * (t_.cos * bx_ + t_.sin * by_) + t_.dx;
  yx_ = -ky * t_.sin * ax_;
  yy_ = ky * t_.cos * ay_;
  y0_ = ky * (-t_.sin * bx_ + t_.cos * by_) + t_.dy;
}

gr_cpoint Mapping::vector(double x, double y) const noexcept {
  return gr_cpoint{xx_ * x + xy_ * y, yx_ * x + yy_ * y};
}

double Mapping::length_x(double v) const noexcept { return std::fabs(v * ax_ * t_.scale); }
double Mapping::length_y(double v) const noexcept { return std::fabs(v * ay_ * t_.scale); }

gr_curve_style pen_style_of(const LOGPEN& pen, const Mapping& map) noexcept {
  gr_curve_style s;
  gr_create_curve_style_by_logpen(&s, &pen);
  const double w = map.length_x(pen.lopnWidth.x);
  s.width = static_cast<float>(w <= FLT_MAX ? w : FLT_MAX);
  return s;
}

gr_fill_area_style fill_of(const LOGBRUSH& brush) noexcept {
  gr_fill_area_style f;
  gr_create_fill_area_style_by_logbrush(&f, &brush);
  return f;
}

// ---- shapes --------------------------------------------------------------------

namespace {

// Records drawn nowhere: bitmaps, regions, flood fills, pixels, clipping.
constexpr struct {
  uint16_t function;
  const char* name;
  int what;
} kNotDrawn[] = {
    {0x0922, "BitBlt", FGB_REPORT_NOT_REPRESENTED},
    {0x0B23, "StretchBlt", FGB_REPORT_NOT_REPRESENTED},
    {0x0940, "DIBBitBlt", FGB_REPORT_NOT_REPRESENTED},
    {0x0B41, "DIBStretchBlt", FGB_REPORT_NOT_REPRESENTED},
    {0x0F43, "StretchDIBits", FGB_REPORT_NOT_REPRESENTED},
    {0x0D33, "SetDIBitsToDev", FGB_REPORT_NOT_REPRESENTED},
    {0x061D, "PatBlt", FGB_REPORT_NOT_REPRESENTED},
    {0x0228, "FillRegion", FGB_REPORT_NOT_REPRESENTED},
    {0x0429, "FrameRegion", FGB_REPORT_NOT_REPRESENTED},
    {0x012A, "InvertRegion", FGB_REPORT_NOT_REPRESENTED},
    {0x012B, "PaintRegion", FGB_REPORT_NOT_REPRESENTED},
    {0x0419, "FloodFill", FGB_REPORT_NOT_REPRESENTED},
    {0x0548, "ExtFloodFill", FGB_REPORT_NOT_REPRESENTED},
    {0x041F, "SetPixel", FGB_REPORT_NOT_REPRESENTED},
    {0x0416, "IntersectClip", FGB_REPORT_SKIPPED},
    {0x0415, "ExcludeClipRect", FGB_REPORT_SKIPPED},
    {0x012C, "SelectClipRgn", FGB_REPORT_SKIPPED},
    {0x0220, "OffsetClipRgn", FGB_REPORT_SKIPPED},
};

// Records of state that changes nothing drawn here (colours of the
// background, raster operations, palettes, the viewport, which the frame
// stands for), and comments.
constexpr uint16_t kQuiet[] = {0x0201,
                               0x0102,
                               0x0103,
                               0x0104,
                               0x0105,
                               0x0106,
                               0x0107,
                               0x0108,
                               0x020A,
                               0x020D,
                               0x020E,
                               0x0211,
                               0x0412,
                               0x0231,
                               0x0234,
                               0x0035,
                               0x0436,
                               0x0037,
                               0x0139,
                               0x0149,
                               0x0626,
                               kSelectObject,
                               kDeleteObject,
                               kCreatePenIndirect,
                               kCreateBrushIndirect,
                               kCreateFontIndirect,
                               kCreatePalette,
                               kCreatePatternBrush,
                               kDibCreatePatternBrush,
                               kCreateRegion,
                               kSetWindowOrg,
                               kSetWindowExt,
                               kOffsetWindowOrg,
                               kScaleWindowExt,
                               kSaveDC,
                               kRestoreDC,
                               kMoveTo,
                               kSetTextAlign,
                               kSetTextColor};

bool null_pen(const DcState& dc) { return (dc.pen.lopnStyle & PS_STYLE_MASK) == PS_NULL; }

// u turned so that v lies counter-clockwise of it: parameters then run
// counter-clockwise on the page.
void counter_clockwise(EllipticArc& a) {
  if (a.u.x * a.v.y - a.u.y * a.v.x < 0) a.v = gr_cpoint{-a.v.x, -a.v.y};
}

// The parameter of the point where the ray from a's centre through p meets
// the ellipse: for P(t) = c + u cos t + v sin t with u, v perpendicular,
// t = atan2(|u| (d.v) / |v|, |v| (d.u) / |u|), d = p - c.
double parameter_towards(const EllipticArc& a, gr_cpoint p) {
  const double dx = p.x - a.c.x, dy = p.y - a.c.y;
  const double lu = std::hypot(a.u.x, a.u.y), lv = std::hypot(a.v.x, a.v.y);
  if (!(lu > 0) || !(lv > 0)) return 0.0;
  return std::atan2(lu * (dx * a.v.x + dy * a.v.y) / lv, lv * (dx * a.u.x + dy * a.u.y) / lu);
}

}  // namespace

Shapes::Shapes(conv::ElementSink& sink, const Mapping& map, conv::Reporter& report) noexcept
    : sink_(sink), map_(map), report_(report) {}

void Shapes::flush_run() {
  if (path_.size() >= 2) added_ = conv::emit_path(path_, sink_, run_style_) || added_;
  run_ = false;
  path_.clear();
}

void Shapes::draw(const Record& r, const DcState& dc, size_t offset) {
  if (r.function != kLineTo) flush();
  switch (r.function) {
    case kSelectObject:
    case kDeleteObject:
    case kCreatePenIndirect:
    case kCreateBrushIndirect: return;  // the player's; the most frequent records after the polygons
    case kLineTo: stroke_to(r, dc); return;
    case kRectangle:
    case kRoundRect:
    case kEllipse: box(r, dc); return;
    case kArc:
    case kChord:
    case kPie: arc(r, dc); return;
    case kTextOut:
    case kExtTextOut: text(r, dc, offset); return;
    default: break;
  }
  for (const auto& n : kNotDrawn)
    if (r.function == n.function) {
      report_.add(n.name, n.what, offset);
      return;
    }
  for (uint16_t q : kQuiet)
    if (r.function == q) return;
  char name[8];
  std::snprintf(name, sizeof name, "0x%04X", r.function);
  report_.add(name, FGB_REPORT_SKIPPED, offset);
}

void Shapes::stroke_to(const Record& r, const DcState& dc) {
  if (null_pen(dc)) return;
  ByteCursor in(r.params, r.param_bytes);
  const int16_t y = in.i16();
  const int16_t x = in.i16();
  if (!run_) {
    path_.clear();
    const gr_cpoint from = map_.point(dc.x, dc.y);
    path_.push(from.x, from.y);
    run_style_ = pen_style_of(dc.pen, map_);
    run_ = true;
  }
  const gr_cpoint to = map_.point(x, y);
  path_.push(to.x, to.y);
}

void Shapes::outline(const DcState& dc) {
  if (shape_.size() < 2) return;
  sink_.add_filled(conv::kPolyline, shape_.polyline(true), pen_style_of(dc.pen, map_), fill_of(dc.brush));
  added_ = true;
}

void Shapes::box(const Record& r, const DcState& dc) {
  ByteCursor in(r.params, r.param_bytes);
  int16_t corner_h = 0, corner_w = 0;
  if (r.function == kRoundRect) corner_h = in.i16(), corner_w = in.i16();
  double bottom = in.i16(), right = in.i16(), top = in.i16(), left = in.i16();
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  shape_.clear();
  if (r.function == kEllipse) {
    const EllipticArc a{map_.point((left + right) / 2, (top + bottom) / 2),
                        map_.vector((right - left) / 2, 0), map_.vector(0, (bottom - top) / 2), 0,
                        conv::kTwoPi};
    if (conv::is_circular(a)) {
      const gr_circle c{a.c, std::hypot(a.u.x, a.u.y)};
      sink_.add_filled(conv::kCircle, &c, pen_style_of(dc.pen, map_), fill_of(dc.brush));
      added_ = true;
      return;
    }
    conv::append_chords(shape_, a, true);
    shape_.drop_last();  // the first point again
    outline(dc);
    return;
  }
  // Round the box in logical coordinates: a quarter of the corner ellipse
  // (rx by ry) at each corner, from the top right on.
  const double rx = std::min(std::fabs(static_cast<double>(corner_w)) / 2, (right - left) / 2);
  const double ry = std::min(std::fabs(static_cast<double>(corner_h)) / 2, (bottom - top) / 2);
  const double centres[4][2] = {
      {right - rx, top + ry}, {right - rx, bottom - ry}, {left + rx, bottom - ry}, {left + rx, top + ry}};
  const double quarter = conv::kTwoPi / 4;
  const int n =
      rx > 0 && ry > 0 ? conv::chords_for(std::max(map_.length_x(rx), map_.length_y(ry)), quarter) : 0;
  for (int k = 0; k < 4; ++k) {
    const double from = quarter * (k - 1);
    for (int i = 0; i <= n; ++i) {
      const double t = from + quarter * i / std::max(n, 1);
      const gr_cpoint p = map_.point(centres[k][0] + rx * std::cos(t), centres[k][1] + ry * std::sin(t));
      shape_.push(p.x, p.y);
    }
  }
  outline(dc);
}

void Shapes::arc(const Record& r, const DcState& dc) {
  ByteCursor in(r.params, r.param_bytes);
  const double ye = in.i16(), xe = in.i16(), ys = in.i16(), xs = in.i16();
  const double bottom = in.i16(), right = in.i16(), top = in.i16(), left = in.i16();
  if (r.function == kArc && null_pen(dc)) return;
  EllipticArc a{map_.point((left + right) / 2, (top + bottom) / 2), map_.vector((right - left) / 2, 0),
                map_.vector(0, (bottom - top) / 2), 0, 0};
  counter_clockwise(a);
  a.t0 = parameter_towards(a, map_.point(xs, ys));
  double sweep = std::fmod(parameter_towards(a, map_.point(xe, ye)) - a.t0, conv::kTwoPi);
  if (sweep <= 0) sweep += conv::kTwoPi;
  a.t1 = a.t0 + sweep;
  if (r.function == kArc) {
    conv::emit_arc(sink_, a, pen_style_of(dc.pen, map_), shape_);
    added_ = true;
    return;
  }
  shape_.clear();
  conv::append_chords(shape_, a, true);
  if (r.function == kPie) shape_.push(a.c.x, a.c.y);
  outline(dc);
}

}  // namespace fgb::wmf
