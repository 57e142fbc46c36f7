// DXF hatches: each boundary path as a closed outline (the fill itself,
// solid or patterned, is not kept).
//
// The groups of a HATCH reuse codes (10 and 20 are a boundary vertex, an
// edge's point and a seed point; 72 and 73 mean different things in paths
// and edges), so they are taken apart in the order the format lays them
// down, led by the counts it gives:
//   91 paths; per path 92 flags (bit 2: a polyline), then
//     polyline: 72 has bulges, 73 closed, 93 vertices of 10, 20 [, 42];
//     edges:    93 edges, each 72 type and its groups:
//               1 line     10 20 11 21
//               2 arc      10 20 40 50 51 73
//               3 ellipse  10 20 11 21 40 50 51 73
//               4 spline   94 73 74 95 96, knots 40, points 10 20, weights 42,
//                          97 fit points 11 21, tangents 12 22 13 23
//     97 source objects and their 330 handles.
// Arcs and ellipses drawn clockwise (73 = 0) store the angles of their
// counter-clockwise twin measured from the other side (360 - angle).
// Coordinates are in the hatch's object coordinate system at its elevation
// (the 30 of its 10, 20, 30 point).
#include "convert/dxf_p.h"

#include <cmath>

namespace fgb::conv::dxf {

namespace {

// Pairs of one hatch, read by code in order.
class Groups {
 public:
  explicit Groups(const std::vector<Pair>& pairs) : p_(pairs) {}
  bool at(int code) const { return i_ < p_.size() && p_[i_].code == code; }
  bool more() const { return i_ < p_.size(); }
  void next() { ++i_; }
  // The number of the next pair when it has the code; false (nothing
  // taken) otherwise.
  bool real(int code, double& v) {
    if (!at(code) || !to_real(p_[i_].value, v)) return false;
    ++i_;
    return true;
  }
  bool integer(int code, int32_t& v) {
    if (!at(code) || !to_int32(p_[i_].value, v)) return false;
    ++i_;
    return true;
  }
  // Goes on to the next pair of the code; false when there is none.
  bool seek(int code) {
    while (i_ < p_.size() && p_[i_].code != code) ++i_;
    return i_ < p_.size();
  }

 private:
  const std::vector<Pair>& p_;
  size_t i_ = 0;
};

// Appends q unless it repeats the last point.
void push_new(PathBuffer& path, gr_cpoint q) {
  if (!path.empty()) {
    const gr_cpoint last = path.at(path.size() - 1);
    if (last.x == q.x && last.y == q.y) return;
  }
  path.push(q.x, q.y);
}

// An arc or elliptic arc edge: c + u cos t + v sin t from the start to the
// end parameter (radians), counter-clockwise, or clockwise with the angles
// stored the other way round.
void edge_arc(PathBuffer& path, const Xform& xf, double cx, double cy, double ux, double uy, double vx,
              double vy, double start, double end, bool ccw) {
  double a = start, sweep = ccw_sweep(start, end);
  if (sweep == 0) sweep = kTwoPi;
  if (!ccw) a = -start;  // clockwise from -start through -end
  const double r = std::max(std::hypot(ux, uy), std::hypot(vx, vy)) * xf.stretch();
  const int n = chords_for(r, sweep);
  for (int i = 0; i <= n; ++i) {
    const double t = ccw ? a + sweep * i / n : a - sweep * i / n;
    const double c = std::cos(t), s = std::sin(t);
    push_new(path, xf.point(cx + ux * c + vx * s, cy + uy * c + vy * s));
  }
}

}  // namespace

bool Reader::hatch(PairCursor& in, const Place& place, size_t at) {
  Head h;
  double elevation = 0;
  pairs_.clear();
  if (!each_pair(in, [&](const Pair& p) {
        pairs_.push_back(p);
        return true;
      }))
    return false;
  Groups g(pairs_);
  int32_t paths = 0;
  // The head, up to the number of paths.
  for (const Pair& p : pairs_) {
    if (p.code == 91) break;
    bool ok;
    if (p.code == 30 && !to_real(p.value, elevation)) elevation = 0;
    if (h.take(p, ok) && !ok) h.has_extrusion = false;
  }
  if (left_out(h, place, "HATCH", at)) return true;
  Xform xf = place.xf;
  Affine ocs;
  if (h.has_extrusion && ocs_map(h.extrusion, elevation, ocs)) xf = place.xf.then_from(ocs);
  const gr_curve_style style = pen_style(0.0, colour_of(h, place));
  if (!g.seek(91) || !g.integer(91, paths)) return true;
  bool drawn = false;
  for (int32_t k = 0; k < paths && g.seek(92); ++k) {
    int32_t flags = 0;
    if (!g.integer(92, flags)) {  // not a number: passed over, so the next path is sought after it
      g.next();
      continue;
    }
    path_.clear();
    if (flags & 2) {
      int32_t bulges = 0, closed = 0, count = 0;
      g.integer(72, bulges);
      g.integer(73, closed);
      g.integer(93, count);
      vertices_.clear();
      for (int32_t i = 0; i < count; ++i) {
        Vertex v{0, 0, 0, false};
        if (!g.real(10, v.x) || !g.real(20, v.y)) break;
        g.real(42, v.bulge);
        vertices_.push_back(v);
      }
      polyline_points(xf, vertices_.size(), true, path_);
    } else {
      int32_t edges = 0;
      g.integer(93, edges);
      for (int32_t i = 0; i < edges; ++i) {
        int32_t type = 0;
        if (!g.integer(72, type)) break;
        double x = 0, y = 0, x2 = 0, y2 = 0, r = 0, s = 0, e = 0;
        int32_t ccw = 1;
        if (type == 1) {
          g.real(10, x), g.real(20, y), g.real(11, x2), g.real(21, y2);
          push_new(path_, xf.point(x, y));
          push_new(path_, xf.point(x2, y2));
        } else if (type == 2) {
          g.real(10, x), g.real(20, y), g.real(40, r), g.real(50, s), g.real(51, e), g.integer(73, ccw);
          edge_arc(path_, xf, x, y, r, 0, 0, r, s * kRadPerDeg, e * kRadPerDeg, ccw != 0);
        } else if (type == 3) {
          g.real(10, x), g.real(20, y), g.real(11, x2), g.real(21, y2), g.real(40, r), g.real(50, s),
              g.real(51, e), g.integer(73, ccw);
          edge_arc(path_, xf, x, y, x2, y2, -y2 * r, x2 * r, s * kRadPerDeg, e * kRadPerDeg, ccw != 0);
        } else if (type == 4) {
          int32_t degree = 3, rational = 0, periodic = 0, knots = 0, points = 0, fits = 0;
          g.integer(94, degree), g.integer(73, rational), g.integer(74, periodic);
          g.integer(95, knots), g.integer(96, points);
          knots_.clear(), ctrl_.clear(), weights_.clear();
          double v = 0;
          for (int32_t j = 0; j < knots && g.real(40, v); ++j) knots_.push_back(v);
          for (int32_t j = 0; j < points && g.real(10, x) && g.real(20, y); ++j)
            ctrl_.push_back(x), ctrl_.push_back(y);
          for (int32_t j = 0; j < points && g.real(42, v); ++j) weights_.push_back(v);
          if (g.integer(97, fits))
            for (int32_t j = 0; j < fits && g.real(11, x) && g.real(21, y); ++j) {
              if (ctrl_.empty())
                push_new(path_, xf.point(x, y));  // no control points: through the fit points
            }
          g.real(12, x), g.real(22, y), g.real(13, x), g.real(23, y);
          if (!ctrl_.empty()) {
            scratch_.clear();
            spline_path(xf, degree, true, true, scratch_);
            for (uint32_t j = 0; j < scratch_.size(); ++j) push_new(path_, scratch_.at(j));
          }
          (void)periodic;
        } else {
          break;  // an edge type not known: the rest of the path cannot be told apart
        }
      }
    }
    int32_t sources = 0;
    if (g.integer(97, sources))
      for (int32_t j = 0; j < sources && g.at(330); ++j) g.next();
    if (path_.size() > 2) {
      const gr_cpoint a = path_.at(0), b = path_.at(path_.size() - 1);
      if (a.x == b.x && a.y == b.y) path_.drop_last();
    }
    if (path_.size() >= 2) {
      add(kPolyline, path_.polyline(path_.size() > 2), style);
      drawn = true;
    }
  }
  if (drawn && !quiet_) report_.add("HATCH", FGB_REPORT_APPROXIMATED, at);
  return true;
}

}  // namespace fgb::conv::dxf
