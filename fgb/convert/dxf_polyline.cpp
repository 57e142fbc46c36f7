// DXF polylines: POLYLINE with its VERTEX records and SEQEND, and
// LWPOLYLINE. Both become one polyline element; arcs given by bulges are
// cut into chords, so that a closed outline stays one closed element.
//
// POLYLINE, plain. Colour (62) and width (40, 41) come from the header and
// from the groups of a vertex after its y (20); the last flag (70) among
// them, a vertex's included, closes the polyline when not 0. A vertex takes
// the last x (10) before its y. The width starts at 0 and is carried on.
//
// POLYLINE with other flags (any 70 beyond 0 and 1: 3D polylines,
// curve- and spline-fitted ones, meshes): the header's bit 1 closes it;
// spline-fitted polylines draw their spline vertices (flag 8), not the
// frame (16); 3D polylines lie in world coordinates; polygon and polyface
// meshes are not read.
//
// Either way, a polyline not closed whose first and last points agree
// within kSameEndTolerance is closed with its last point dropped.
#include "convert/dxf_p.h"

#include <cmath>

namespace fgb::conv::dxf {

namespace {

// inches
constexpr double kSameEndTolerance = 0.00001;

// POLYLINE flags (70) beyond closed, and VERTEX flags.
constexpr int16_t kCurveFit = 2;
constexpr int16_t kSplineFit = 4;
constexpr int16_t k3D = 8;
constexpr int16_t kPolygonMesh = 16;
constexpr int16_t kPolyfaceMesh = 64;
constexpr int16_t kVertexFrame = 16;

Xform object_xform(const Head& h, const Place& place, double elevation) {
  Affine ocs;
  if (h.has_extrusion && ocs_map(h.extrusion, elevation, ocs)) return place.xf.then_from(ocs);
  return place.xf;
}

}  // namespace

// The arc of a bulge b from p to q: it turns through 4 atan(b),
// counter-clockwise for b > 0, about a centre on the chord's perpendicular
// bisector at (chord / 2) cot(angle / 2) = (chord / 2) (1 - b^2) / (2 b) to
// the chord's left. Its inner points (ends excluded) go through xf.
static void bulge_points(PathBuffer& path, const Xform& xf, const Reader::Vertex& p,
                         const Reader::Vertex& q) {
  const double cx = q.x - p.x, cy = q.y - p.y;
  const double chord = std::hypot(cx, cy);
  if (!(chord > 0) || !std::isfinite(chord)) return;
  const double b = p.bulge;
  const double angle = 4.0 * std::atan(b);
  const double k = (1.0 - b * b) / (4.0 * b);  // cot(angle / 2) / 2
  const double ox = (p.x + q.x) / 2 - cy * k, oy = (p.y + q.y) / 2 + cx * k;
  const double r = std::hypot(p.x - ox, p.y - oy);
  const double a0 = std::atan2(p.y - oy, p.x - ox);
  const int n = chords_for(r * xf.stretch(), std::fabs(angle));
  for (int i = 1; i < n; ++i) {
    const double a = a0 + angle * i / n;
    const gr_cpoint pt = xf.point(ox + r * std::cos(a), oy + r * std::sin(a));
    path.push(pt.x, pt.y);
  }
}

void Reader::finish_polyline(const Xform& xf, bool closed, const gr_curve_style& style, std::string_view type,
                             size_t at) {
  size_t n = vertices_.size();
  if (!closed && n > 0) {
    const gr_cpoint a = xf.point(vertices_[0].x, vertices_[0].y);
    const gr_cpoint b = xf.point(vertices_[n - 1].x, vertices_[n - 1].y);
    if (std::fabs(a.x - b.x) < kSameEndTolerance && std::fabs(a.y - b.y) < kSameEndTolerance) {
      --n;
      closed = true;
    }
  }
  if (n < 2) return;
  path_.clear();
  if (polyline_points(xf, n, closed, path_) && !quiet_) report_.add(type, FGB_REPORT_APPROXIMATED, at);
  add(kPolyline, path_.polyline(closed), style);
}

bool Reader::polyline_points(const Xform& xf, size_t n, bool closed, PathBuffer& out) {
  bool bulged = false;
  for (size_t i = 0; i < n; ++i) {
    const Vertex& v = vertices_[i];
    const gr_cpoint pt = xf.point(v.x, v.y);
    out.push(pt.x, pt.y);
    if (v.bulge != 0 && (i + 1 < n || closed)) {
      bulge_points(out, xf, v, vertices_[(i + 1) % n]);
      bulged = true;
    }
  }
  return bulged;
}

bool Reader::polyline(PairCursor& in, const Place& place, size_t at) {
  width_ = 0.0;
  Head h;
  bool coloured = false, other_flags = false;
  int16_t flag = 0, header_flag = 0;
  double elevation = 0;
  if (!each_pair(in, [&](const Pair& p) {
        switch (p.code) {
          case 62: return coloured = to_int16(p.value, colour_);
          case 40:
          case 41: return to_real(p.value, width_);
          case 70:
            if (!to_int16(p.value, flag)) return false;
            header_flag = flag;
            other_flags = other_flags || (flag & ~1) != 0;
            return true;
          case 30: return to_real(p.value, elevation);
          default: {
            bool ok;
            if (h.take(p, ok) && !ok) h.has_extrusion = false;
            return true;
          }
        }
      }))
    return false;

  vertices_.clear();
  bool ended = false, interrupted = false;
  Pair p;
  while (!ended && !interrupted && in.next(p)) {
    const std::string_view type = trim(p.value);
    if (type == "SEQEND") {
      if (!each_pair(in, [](const Pair&) { return true; })) return false;
      ended = true;
    } else if (type == "VERTEX") {
      Vertex v{0, 0, 0, false};
      int16_t vflag = 0;
      bool seen_x = false, seen_y = false;
      if (!each_pair(in, [&](const Pair& q) {
            if (q.code == 42) return to_real(q.value, v.bulge);
            if (!seen_y) {
              if (q.code == 10) return seen_x = in.real(q, v.x);
              if (q.code == 20 && seen_x) return seen_y = in.real(q, v.y);
              if (q.code == 70) return to_int16(q.value, vflag);
              return true;
            }
            // After its y, a vertex's colour, width and flag are the polyline's.
            switch (q.code) {
              case 62: return coloured = to_int16(q.value, colour_);
              case 40:
              case 41: return to_real(q.value, width_);
              case 70:
                if (!to_int16(q.value, flag)) return false;
                vflag = flag;
                return true;
              default: return true;
            }
          }))
        return false;
      other_flags = other_flags || (vflag & ~1) != 0;
      if (!seen_x) continue;  // a vertex without coordinates
      v.frame = (vflag & kVertexFrame) != 0;
      vertices_.push_back(v);
    } else {
      in.unread(p);  // another entity: the polyline lacks its SEQEND
      if (!quiet_) report_.add("SEQEND", FGB_REPORT_NOTE, p.offset);
      interrupted = true;
    }
  }
  if (!ended && !interrupted) return false;  // the file ends inside the polyline
  if (left_out(h, place, "POLYLINE", at)) return true;
  bool closed = flag != 0;
  Xform xf = object_xform(h, place, elevation);
  if (other_flags) {
    if (header_flag & (kPolygonMesh | kPolyfaceMesh)) {
      if (!quiet_) report_.add("POLYLINE mesh", FGB_REPORT_NOT_REPRESENTED, at);
      return true;
    }
    closed = (header_flag & 1) != 0;
    if (header_flag & k3D) xf = place.xf;
    if (header_flag & kSplineFit) {
      size_t kept = 0;
      for (size_t i = 0; i < vertices_.size(); ++i)
        if (!vertices_[i].frame) vertices_[kept++] = vertices_[i];
      vertices_.resize(kept);
    }
    (void)kCurveFit;  // curve-fitted: the fitted vertices with their bulges are the curve
  }
  Head given = h;
  given.has_colour = coloured;
  given.colour = colour_;
  finish_polyline(xf, closed, pen_style(width_, colour_of(given, place)), "POLYLINE", at);
  return true;
}

// LWPOLYLINE: vertices as repeated 10 / 20 / 42 groups, the flags (70: bit
// 1 closed), a constant width (43, carried on like a polyline's) and the
// elevation (38) of its object coordinate system.
bool Reader::lwpolyline(PairCursor& in, const Place& place, size_t at) {
  width_ = 0.0;
  Head h;
  bool coloured = false;
  int16_t flags = 0;
  double elevation = 0;
  vertices_.clear();
  if (!each_pair(in, [&](const Pair& p) {
        switch (p.code) {
          case 10: vertices_.push_back(Vertex{0, 0, 0, false}); return in.real(p, vertices_.back().x);
          case 20: return vertices_.empty() || in.real(p, vertices_.back().y);
          case 42: return vertices_.empty() || to_real(p.value, vertices_.back().bulge);
          case 43: return to_real(p.value, width_);
          case 62: return coloured = to_int16(p.value, colour_);
          case 70: return to_int16(p.value, flags);
          case 38: return to_real(p.value, elevation);
          default: {
            bool ok;
            if (h.take(p, ok) && !ok) h.has_extrusion = false;
            return true;
          }
        }
      }))
    return false;
  if (left_out(h, place, "LWPOLYLINE", at)) return true;
  Head given = h;
  given.has_colour = coloured;
  given.colour = colour_;
  finish_polyline(object_xform(h, place, elevation), (flags & 1) != 0,
                  pen_style(width_, colour_of(given, place)), "LWPOLYLINE", at);
  return true;
}

}  // namespace fgb::conv::dxf
