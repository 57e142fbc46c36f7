// Offset engine, steps 1-3: the side of the offset, the prepared polygon
// and the offset lines with their corners.
//
// Sign convention: b > 0 moves every edge to its right (the side that is
// outside for a counter-clockwise polygon), b < 0 to its left. Step 1
// chooses the sign so that d > 0 grows the shape whatever its orientation.
#include "offset/offset_engine_p.h"
#include "offset/offset_trace_p.h"

#include <geomkit/gr_poly.h>
#include <geomkit/gr_types.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace geomkit::offset {

namespace {

struct PlineFree {
  void operator()(gr_polyline* p) const { gr_free_buffer_for_polyline(p); }
};
using PlinePtr = std::unique_ptr<gr_polyline, PlineFree>;

PlinePtr make_pline(const gr_cpoint* pts, uint32_t n) {
  PlinePtr p(gr_alloc_buffer_for_polyline(static_cast<int>(n)));
  if (!p) throw std::bad_alloc();
  p->closed = 1;
  p->n = n;
  for (uint32_t i = 0; i < n; ++i) p->pnt[i] = pts[i];
  return p;
}

gr_cpoint sub(const gr_cpoint& a, const gr_cpoint& b) { return {a.x - b.x, a.y - b.y}; }

// Sign of the turn a -> b -> c (twice the signed triangle area).
double orient(const gr_cpoint& a, const gr_cpoint& b, const gr_cpoint& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// True when the open segments pq and rs cross at one interior point.
bool segments_cross(const gr_cpoint& p, const gr_cpoint& q, const gr_cpoint& r, const gr_cpoint& s) {
  double o1 = orient(p, q, r), o2 = orient(p, q, s);
  double o3 = orient(r, s, p), o4 = orient(r, s, q);
  return ((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0));
}

// The corner bisector at v between the edge arriving from a and the edge
// leaving towards c: the mean of the directions v->a and v->c as angles in
// (-pi, pi], turned towards the offset side. The mean of two angles is one
// of the two bisector directions; the test below picks the one that points
// into the angle from u = c - v to w = a - v, and b decides which side the
// offset needs.
gr_line corner_bisector(const gr_cpoint& a, const gr_cpoint& v, const gr_cpoint& c, double b) {
  gr_cpoint w = sub(a, v), u = sub(c, v);
  gr_direct da{0, 1}, dc{0, 1};
  gr_vect_dir(&da, &w);
  gr_vect_dir(&dc, &u);
  double mean = (gr_angle_by_direct(&da) + gr_angle_by_direct(&dc)) / 2;
  gr_direct r;
  gr_direct_by_angle(&r, mean);
  gr_cpoint rv{r.cos, r.sin};
  double uw = gr_vect_vmult(&u, &w), ur = gr_vect_vmult(&u, &rv), rw = gr_vect_vmult(&rv, &w);
  double udw = gr_vect_smult(&u, &w), udr = gr_vect_smult(&u, &rv);
  bool holds = (uw >= kTol && ur > 0 && rw > 0) || (uw <= -kTol && (ur > 0 || (ur < 0 && rw > 0))) ||
               (std::fabs(uw) < kTol && udw > kTol && udr < -kTol) ||
               (std::fabs(uw) < kTol && udw <= kTol && ur > kTol);
  bool keep = (b < 0 && holds) || (b > 0 && !holds);
  if (!keep) {
    r.sin = -r.sin;
    r.cos = -r.cos;
  }
  return gr_line{v, r};
}

}  // namespace

// ---- step 1: the side of the offset ----
//
// The midpoint of the first edge long enough is moved 0.001 to the right
// (d > 0) or left (d < 0); b = +|d| when the probe falls outside the
// polygon, -|d| when inside, failure when on it.
//
// A probe that crosses another edge on its way (a part of the polygon
// thinner than the probe step, or another edge passing that close) lands on
// the wrong side and would build the contour on the wrong side: an inset
// of a thin sliver would grow it. Each crossing flips the verdict back.
bool EqvidistContext::side_of_offset(const gr_cpoint* pts, uint32_t n, double d) {
  d_ = d;
  grows_ = d > 0;
  if (!(std::fabs(d) >= kTol)) return false;
  uint32_t i = 0;
  gr_cpoint m{};
  for (; i < n; ++i) {
    const gr_cpoint& p = pts[i];
    const gr_cpoint& q = pts[(i + 1) % n];
    gr_segment_middle(&m, &p, &q);
    if (gr_dist_cpoints(&p, &m) >= kTol) break;
  }
  if (i == n) return false;
  gr_cpoint half = sub(m, pts[i]);
  gr_direct dir;
  gr_vect_dir(&dir, &half);
  double step = d > 0 ? kProbeStep : -kProbeStep;
  gr_cpoint probe{m.x + step * dir.sin, m.y - step * dir.cos};
  PlinePtr pl = make_pline(pts, n);
  int where = gr_layout_cpoint_polyline(&probe, pl.get());
  if (where == GR_LAYOUT_ON) return false;
  bool outside = where == GR_LAYOUT_OUTSIDE;
  int crossed = 0;
  for (uint32_t k = 0; k < n; ++k) {
    if (k == i) continue;
    if (segments_cross(m, probe, pts[k], pts[(k + 1) % n])) ++crossed;
  }
  if (crossed % 2 != 0) {
    outside = !outside;
    side_mended_ = true;
  }
  b_ = outside ? std::fabs(d) : -std::fabs(d);
  return true;
}

// ---- step 2: preparation and rotation ----
//
// A last point equal to the first is dropped, and so is every point within
// the tolerance of the point kept before it: such edges are too short to
// carry an offset line and take no part, and removing them here keeps every
// later step (the rotation walk included) independent of them.
//
// The walk then looks for a vertex i where the polygon turns away from the
// offset side at both ends of the edge j -> k (none of the four midpoints
// below is on the offset side of its edge): an edge with mitred corners at
// both ends, whose offset line certainly keeps a part, is a safe start.
bool EqvidistContext::prepare(const gr_cpoint* pts, uint32_t n) {
  if (n > 1 && std::fabs(pts[n - 1].x - pts[0].x) <= kTol && std::fabs(pts[n - 1].y - pts[0].y) <= kTol) --n;
  std::vector<gr_cpoint> p;
  p.reserve(n);
  for (uint32_t i = 0; i < n; ++i) {
    if (!p.empty() && gr_dist_cpoints(&p.back(), &pts[i]) < kTol) continue;
    p.push_back(pts[i]);
  }
  while (p.size() > 1 && gr_dist_cpoints(&p.back(), &p.front()) < kTol) p.pop_back();
  if (p.size() < 3) return false;
  const size_t m = p.size();
  size_t start = 0;
  for (size_t i = 0; i < m; ++i) {
    const gr_cpoint& pi = p[i];
    const gr_cpoint& pj = p[(i + 1) % m];
    const gr_cpoint& pk = p[(i + 2) % m];
    const gr_cpoint& pl = p[(i + 3) % m];
    gr_line ij, jk, kl;
    gr_line_by_two_points(&ij, &pi, &pj);
    gr_line_by_two_points(&jk, &pj, &pk);
    gr_line_by_two_points(&kl, &pk, &pl);
    gr_cpoint m1, m2;
    gr_segment_middle(&m1, &pi, &pk);
    gr_segment_middle(&m2, &pj, &pl);
    if (!real_li_point(m1, ij) && !real_li_point(m1, jk) && !real_li_point(m2, jk) &&
        !real_li_point(m2, kl)) {
      start = i;
      break;
    }
  }
  poly_.resize(m);
  for (size_t i = 0; i < m; ++i) poly_[i] = p[(start + i) % m];
  return true;
}

// ---- step 3: offset lines ----
//
// Edge v runs from Q = P[v+1] to R = P[v+2]. Its offset line is the edge's
// line moved sideways by b; the start corner (parameter 0) is where it
// meets the bisector at Q, the end corner where it meets the bisector at
// R. Where a bisector runs parallel to the line (an edge that doubles back
// on itself) the corner falls back to the foot of the vertex.
void EqvidistContext::build_offset_lines() {
  const int n = static_cast<int>(poly_.size());
  std::vector<gr_line> bis(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    bis[static_cast<size_t>(k)] =
        corner_bisector(poly_[static_cast<size_t>((k + n - 1) % n)], poly_[static_cast<size_t>(k)],
                        poly_[static_cast<size_t>((k + 1) % n)], b_);
  }
  lines_.clear();
  lines_.resize(static_cast<size_t>(n));
  for (int v = 0; v < n; ++v) {
    OffsetLine& L = lines_[static_cast<size_t>(v)];
    const int iq = (v + 1) % n, ir = (v + 2) % n;
    L.index = v;
    L.q = poly_[static_cast<size_t>(iq)];
    L.r = poly_[static_cast<size_t>(ir)];
    gr_cpoint qr = sub(L.r, L.q);
    if (gr_vect_len(&qr) < kTol) {
      L.flag = kFlagShort;
      L.state = kStateCut;
      continue;
    }
    gr_direct dir;
    gr_vect_dir(&dir, &qr);
    gr_line line{{L.r.x + b_ * dir.sin, L.r.y - b_ * dir.cos}, dir};
    double t = 0;
    if (gr_intersect_line_line(&t, &line, &bis[static_cast<size_t>(iq)]) != 1) {
      t = gr_proj_cpoint_on_line(&L.q, &line);
      L.start_flat = true;
    }
    gr_conv_linepar_to_cpoint(&line.p, &line, t);
    double e = 0;
    if (gr_intersect_line_line(&e, &line, &bis[static_cast<size_t>(ir)]) != 1) {
      e = gr_proj_cpoint_on_line(&L.r, &line);
      L.end_flat = true;
    }
    L.line = line;
    L.end_par = e;
    L.flag = e >= -kTol ? kFlagKeeps : kFlagTurned;
    L.state = kStateFresh;
  }
  if (opt_.crossings == CrossingMode::kQuadratic || (trace_ && trace_->on())) {
    for (int v = 0; v < n; ++v) {
      insert_glob_par(v, 0, prev_line(v));
      insert_glob_par(v, lines_[static_cast<size_t>(v)].end_par, next_line(v));
    }
  }
}

}  // namespace geomkit::offset
