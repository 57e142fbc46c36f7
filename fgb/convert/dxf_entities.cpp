// DXF entities of one record each: LINE, CIRCLE, ARC (read as plain
// drawings always have been), POINT, SOLID, TRACE, 3DFACE, ELLIPSE, LEADER.
#include "convert/dxf_p.h"

#include <cmath>

namespace fgb::conv::dxf {

// ---- LINE, CIRCLE, ARC -----------------------------------------------------------
//
// Each reads its groups in order up to the one that completes it (21, 40,
// 51); the colour (62) and width (39) before that are carried on to later
// entities, and so are the coordinates. Groups after it change nothing,
// except the layer, paper space and the object coordinate system. Without
// the completing group the entity is not added and reading ends.

namespace {

// The groups LINE, CIRCLE and ARC share: N - 1 carried numbers, the last
// one completes the entity.
template <size_t N>
bool plain_groups(PairCursor& in, const int (&codes)[N], double (&carried)[N - 1], double& last,
                  int16_t& colour, double& width, Head& h, bool& coloured) {
  bool done = false;
  const bool read = each_pair(in, [&](const Pair& p) {
    if (!done) {
      if (p.code == 62) return coloured = to_int16(p.value, colour);
      if (p.code == 39) return to_real(p.value, width);
      for (size_t i = 0; i + 1 < N; ++i)
        if (p.code == codes[i]) return in.real(p, carried[i]);
      if (p.code == codes[N - 1]) return done = in.real(p, last);
    } else if (p.code == 62 || p.code == 39) {
      return true;
    }
    bool ok;
    if (h.take(p, ok) && !ok) h.has_extrusion = false;  // a broken extrusion is no extrusion
    return true;
  });
  h.has_colour = coloured;
  h.colour = colour;
  return read && done;
}

}  // namespace

bool Reader::line(PairCursor& in, const Place& place, size_t at) {
  static constexpr int kCodes[] = {10, 20, 11, 21};
  Head h;
  bool coloured = false;
  double y2 = 0;
  if (!plain_groups(in, kCodes, line_, y2, colour_, width_, h, coloured)) return false;
  if (left_out(h, place, "LINE", at)) return true;
  const int colour = colour_of(h, place);
  const gr_segment seg{place.xf.point(line_[0], line_[1]), place.xf.point(line_[2], y2)};
  add(kSegment, &seg, pen_style(width_, colour));
  return true;
}

// The map of an entity in its object coordinate system.
static Xform entity_xform(const Head& h, const Place& place, double elevation) {
  Affine ocs;
  if (h.has_extrusion && ocs_map(h.extrusion, elevation, ocs)) return place.xf.then_from(ocs);
  return place.xf;
}

bool Reader::circle(PairCursor& in, const Place& place, size_t at) {
  static constexpr int kCodes[] = {10, 20, 40};
  Head h;
  bool coloured = false;
  double r = 0;
  if (!plain_groups(in, kCodes, circle_, r, colour_, width_, h, coloured)) return false;
  if (left_out(h, place, "CIRCLE", at)) return true;
  const gr_curve_style style = pen_style(width_, colour_of(h, place));
  const Xform xf = entity_xform(h, place, 0.0);
  if (xf.plain()) {
    const gr_circle c{xf.point(circle_[0], circle_[1]), r * kInchPerMm};
    add(kCircle, &c, style);
    return true;
  }
  const EllipticArc a{xf.point(circle_[0], circle_[1]), xf.vector(r, 0), xf.vector(0, r), 0.0, kTwoPi};
  emit_arc(sink_, a, style, scratch_);
  added_ = true;
  return true;
}

bool Reader::arc(PairCursor& in, const Place& place, size_t at) {
  static constexpr int kCodes[] = {10, 20, 40, 50, 51};
  Head h;
  bool coloured = false;
  double end_deg = 0;
  if (!plain_groups(in, kCodes, arc_, end_deg, colour_, width_, h, coloured)) return false;
  if (left_out(h, place, "ARC", at)) return true;
  const gr_curve_style style = pen_style(width_, colour_of(h, place));
  const Xform xf = entity_xform(h, place, 0.0);
  if (xf.plain()) {
    // The angles as written, not normalised.
    const gr_trcircle a{xf.point(arc_[0], arc_[1]), arc_[2] * kInchPerMm, arc_[3] * kRadPerDeg,
                        end_deg * kRadPerDeg};
    const fgb_arc rec = make_arc_record(a);
    add(kArc, &rec, style);
    return true;
  }
  const double t0 = arc_[3] * kRadPerDeg;
  const double r = arc_[2];
  const EllipticArc a{xf.point(arc_[0], arc_[1]), xf.vector(r, 0), xf.vector(0, r), t0,
                      t0 + ccw_sweep(t0, end_deg * kRadPerDeg)};
  emit_arc(sink_, a, style, scratch_);
  added_ = true;
  return true;
}

// ---- POINT -------------------------------------------------------------------------

bool Reader::point(PairCursor& in, const Place& place, size_t at) {
  Head h;
  double x = 0, y = 0;
  bool ok = true;
  if (!each_pair(in, [&](const Pair& p) {
        if (p.code == 10) return ok = to_real(p.value, x);
        if (p.code == 20) return ok = to_real(p.value, y);
        bool good;
        h.take(p, good);
        return true;
      }))
    return false;
  if (left_out(h, place, "POINT", at)) return true;
  const gr_cpoint pt = place.xf.point(x, y);
  add(kFlash, &pt, pen_style(0.0, colour_of(h, place)));
  return true;
}

// ---- SOLID, TRACE, 3DFACE ----------------------------------------------------------
//
// Four corners (10 to 13 with 20 to 23), the fourth the third when not
// given. SOLID and TRACE lie in their object coordinate system and run
// 1, 2, 4, 3 around their outline; a 3DFACE is in world coordinates, runs
// 1, 2, 3, 4, and its flags (70) hide edges: bit 1 the first (1 to 2), 2
// the second, 4 the third, 8 the fourth.

bool Reader::face(PairCursor& in, const Place& place, std::string_view type, size_t at) {
  Head h;
  double c[4][2] = {};
  double elevation = 0;
  bool has_fourth = false;
  int16_t hidden = 0;
  if (!each_pair(in, [&](const Pair& p) {
        if (p.code >= 10 && p.code <= 13) return to_real(p.value, c[p.code - 10][0]);
        if (p.code >= 20 && p.code <= 23) {
          has_fourth = has_fourth || p.code == 23;
          return to_real(p.value, c[p.code - 20][1]);
        }
        if (p.code == 30) return to_real(p.value, elevation);
        if (p.code == 70) return to_int16(p.value, hidden);
        bool ok;
        h.take(p, ok);
        return true;
      }))
    return false;
  if (left_out(h, place, type, at)) return true;
  if (!has_fourth) c[3][0] = c[2][0], c[3][1] = c[2][1];
  const bool is_3d = type == "3DFACE";
  const Xform xf = is_3d ? place.xf : entity_xform(h, place, elevation);
  const int order[4] = {0, 1, is_3d ? 2 : 3, is_3d ? 3 : 2};
  const gr_curve_style style = pen_style(0.0, colour_of(h, place));
  if (!is_3d) hidden = 0;
  // Corners in outline order; a corner equal to the one before adds nothing.
  gr_cpoint pts[4];
  int visible_from = -1;
  for (int i = 0; i < 4; ++i) pts[i] = xf.point(c[order[i]][0], c[order[i]][1]);
  if ((hidden & 15) == 0) {
    path_.clear();
    for (int i = 0; i < 4; ++i) {
      const gr_cpoint& q = pts[i];
      if (!path_.empty()) {
        const gr_cpoint last = path_.at(path_.size() - 1);
        if (last.x == q.x && last.y == q.y) continue;
      }
      path_.push(q.x, q.y);
    }
    if (path_.size() > 2) {
      const gr_cpoint a = path_.at(0), b = path_.at(path_.size() - 1);
      if (a.x == b.x && a.y == b.y) path_.drop_last();
    }
    if (path_.size() >= 2) add(kPolyline, path_.polyline(path_.size() > 2), style);
    return true;
  }
  // Runs of visible edges, each an open polyline.
  for (int start = 0; start < 4; ++start)
    if ((hidden >> ((start + 3) % 4) & 1) && !(hidden >> start & 1)) visible_from = start;
  if (visible_from < 0) return true;  // every edge hidden
  path_.clear();
  for (int k = 0; k < 4; ++k) {
    const int e = (visible_from + k) % 4;
    if (hidden >> e & 1) {
      if (path_.size() >= 2) add(kPolyline, path_.polyline(false), style);
      path_.clear();
      continue;
    }
    if (path_.empty()) path_.push(pts[e].x, pts[e].y);
    const gr_cpoint& q = pts[(e + 1) % 4];
    path_.push(q.x, q.y);
  }
  if (path_.size() >= 2) add(kPolyline, path_.polyline(false), style);
  return true;
}

// ---- ELLIPSE -------------------------------------------------------------------------
//
// Centre (10, 20) and the end of the major axis relative to it (11, 21) in
// world coordinates, the minor axis as a share of the major (40), the
// parameters of the start and end (41, 42). The minor axis is the normal
// (210) crossed with the major axis, so a normal of (0, 0, -1) mirrors.

bool Reader::ellipse(PairCursor& in, const Place& place, size_t at) {
  Head h;
  double cx = 0, cy = 0, mx = 0, my = 0, mz = 0, ratio = 1, t0 = 0, t1 = kTwoPi;
  if (!each_pair(in, [&](const Pair& p) {
        switch (p.code) {
          case 10: return to_real(p.value, cx);
          case 20: return to_real(p.value, cy);
          case 11: return to_real(p.value, mx);
          case 21: return to_real(p.value, my);
          case 31: return to_real(p.value, mz);
          case 40: return to_real(p.value, ratio);
          case 41: return to_real(p.value, t0);
          case 42: return to_real(p.value, t1);
          default: {
            bool ok;
            h.take(p, ok);
            return true;
          }
        }
      }))
    return false;
  if (left_out(h, place, "ELLIPSE", at)) return true;
  double n[3] = {h.extrusion[0], h.extrusion[1], h.extrusion[2]};
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(len > 0) || !std::isfinite(len))
    n[0] = n[1] = 0, n[2] = 1;
  else
    for (double& v : n) v /= len;
  // n x major, times the ratio
  const double vx = (n[1] * mz - n[2] * my) * ratio, vy = (n[2] * mx - n[0] * mz) * ratio;
  double sweep = ccw_sweep(t0, t1);
  if (sweep == 0) sweep = kTwoPi;  // start and end alike: the whole ellipse
  const EllipticArc a{place.xf.point(cx, cy), place.xf.vector(mx, my), place.xf.vector(vx, vy), t0,
                      t0 + sweep};
  emit_arc(sink_, a, pen_style(0.0, colour_of(h, place)), scratch_);
  added_ = true;
  return true;
}

// ---- LEADER ----------------------------------------------------------------------------
//
// Its vertices (10, 20 each) in world coordinates, as a polyline; a curved
// leader (72 = 1) is drawn straight and the arrowhead left out.

bool Reader::leader(PairCursor& in, const Place& place, size_t at) {
  Head h;
  int16_t curved = 0, arrow = 0;
  vertices_.clear();
  if (!each_pair(in, [&](const Pair& p) {
        if (p.code == 10) {
          vertices_.push_back(Vertex{0, 0, 0, false});
          return to_real(p.value, vertices_.back().x);
        }
        if (p.code == 20 && !vertices_.empty()) return to_real(p.value, vertices_.back().y);
        if (p.code == 71) return to_int16(p.value, arrow);
        if (p.code == 72) return to_int16(p.value, curved);
        bool ok;
        h.take(p, ok);
        return true;
      }))
    return false;
  if (left_out(h, place, "LEADER", at) || vertices_.size() < 2) return true;
  if ((curved || arrow) && !quiet_) report_.add("LEADER", FGB_REPORT_APPROXIMATED, at);
  path_.clear();
  for (const Vertex& v : vertices_) {
    const gr_cpoint q = place.xf.point(v.x, v.y);
    path_.push(q.x, q.y);
  }
  add(kPolyline, path_.polyline(false), pen_style(0.0, colour_of(h, place)));
  return true;
}

}  // namespace fgb::conv::dxf
