// The coverage contour, first half: the region U (strips, wedges, the polygon)
// and its point test. See offset_cover_p.h for the model.
#include "offset/offset_cover_p.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace geomkit::offset {

namespace {

gr_cpoint sub(const gr_cpoint& a, const gr_cpoint& b) { return {a.x - b.x, a.y - b.y}; }
double dot(const gr_cpoint& a, const gr_cpoint& b) { return a.x * b.x + a.y * b.y; }
double cross(const gr_cpoint& a, const gr_cpoint& b) { return a.x * b.y - a.y * b.x; }
gr_cpoint along(const gr_cpoint& p, const gr_cpoint& dir, double t) {
  return {p.x + t * dir.x, p.y + t * dir.y};
}

// Offsets of each cell's reference point from the cell centre, as
// fractions of the cell: odd values keep the reference points off the
// axis-parallel lines drawings are full of.
constexpr double kRefDx = 0.0131;
constexpr double kRefDy = 0.0217;

}  // namespace

void CoverGrids::init(const gr_xy_rect& core, double edge_h, double w, const gr_xy_rect& all,
                      size_t outer_items) {
  core_.init(core, edge_h);
  shapes_.init(core, std::max(edge_h, w / 2));
  const double wd = all.x2 - all.x1, ht = all.y2 - all.y1;
  outer_.init(all, std::sqrt(std::max(wd * ht, 1e-12) / static_cast<double>(4 * outer_items + 16)));
}

Coverage::Coverage(const EqvidistContext& ctx, const std::vector<Candidate>& cands)
    : ctx_(ctx), w_(std::fabs(ctx.b())) {
  const std::vector<gr_cpoint>& poly = ctx.polygon();
  const std::vector<OffsetLine>& lines = ctx.lines();
  const int n = static_cast<int>(lines.size());
  const double side = ctx.b() > 0 ? 1 : -1;  // offset normal = side * right normal

  gr_xy_rect pbox{poly[0].x, poly[0].y, poly[0].x, poly[0].y};
  auto grow = [](gr_xy_rect& box, const gr_cpoint& p) {
    box.x1 = std::min(box.x1, p.x);
    box.y1 = std::min(box.y1, p.y);
    box.x2 = std::max(box.x2, p.x);
    box.y2 = std::max(box.y2, p.y);
  };
  for (const gr_cpoint& p : poly) grow(pbox, p);
  gr_xy_rect core{pbox.x1 - 2 * w_, pbox.y1 - 2 * w_, pbox.x2 + 2 * w_, pbox.y2 + 2 * w_};
  gr_xy_rect all = core;

  strips_.reserve(static_cast<size_t>(n));
  strip_quads_.reserve(static_cast<size_t>(n));
  std::vector<double> lens;
  lens.reserve(static_cast<size_t>(n));
  for (const OffsetLine& L : lines) {
    gr_cpoint d = sub(L.r, L.q);
    double len = std::hypot(d.x, d.y);
    gr_cpoint u{d.x / len, d.y / len};
    const Strip st{L.q, u, {side * u.y, -side * u.x}, len};
    strips_.push_back(st);
    const gr_cpoint q1 = along(st.q, st.u, st.len);
    strip_quads_.push_back({st.q, q1, along(q1, st.nu, w_), along(st.q, st.nu, w_)});
    lens.push_back(len);
  }
  std::vector<std::array<gr_cpoint, 4>>& kites = kites_;
  for (int v = 0; v < n; ++v) {
    const int nx = v + 1 == n ? 0 : v + 1;
    const Strip& s0 = strips_[static_cast<size_t>(v)];
    const Strip& s1 = strips_[static_cast<size_t>(nx)];
    const OffsetLine& L = lines[static_cast<size_t>(v)];
    if (L.end_flat || lines[static_cast<size_t>(nx)].start_flat) continue;
    if (cross(s0.u, s1.u) * ctx.b() <= 0) continue;
    const Wedge wg{L.r, s0.u, s1.u, s0.nu, s1.nu, v};
    wedges_.push_back(wg);
    // The mitre point: on both offset lines, w beyond the vertex along the
    // bisector of the two normals.
    gr_cpoint nsum{wg.n0.x + wg.n1.x, wg.n0.y + wg.n1.y};
    double c = dot(nsum, wg.n0);
    gr_cpoint m = c > 1e-300 ? along(wg.v, nsum, w_ / c) : wg.v;
    kites.push_back({wg.v, along(wg.v, wg.n0, w_), m, along(wg.v, wg.n1, w_)});
    grow(all, m);
  }
  size_t outer_items = 0;
  for (const Candidate& c : cands) {
    gr_cpoint a, b;
    gr_conv_linepar_to_cpoint(&a, &c.line, c.lo);
    gr_conv_linepar_to_cpoint(&b, &c.line, c.hi);
    grow(all, a);
    grow(all, b);
    auto inside = [&](const gr_cpoint& p) {
      return p.x >= core.x1 && p.x <= core.x2 && p.y >= core.y1 && p.y <= core.y2;
    };
    if (!inside(a) || !inside(b)) ++outer_items;
  }
  scale_ = std::max({std::fabs(all.x1), std::fabs(all.x2), std::fabs(all.y1), std::fabs(all.y2), 1.0});
  margin_ = 1e-14 * scale_;
  coarse_ = 1e-9 * scale_;
  const double ext = std::max(core.x2 - core.x1, core.y2 - core.y1);
  grids_.init(core, 4 * median_length(std::move(lens), ext * 1e-7), w_, all, outer_items + kites.size());
}

void Coverage::index_shapes() {
  const std::vector<gr_cpoint>& poly = ctx_.polygon();
  std::vector<std::array<gr_cpoint, 4>>& kites = kites_;
  std::vector<std::pair<uint64_t, int>> outer_pairs;
  shapes_core_.build([&](auto&& add) {
    auto add_outer = [&](uint64_t c, int id) { outer_pairs.emplace_back(c, id); };
    auto add_core = [&](uint64_t c, int id) { add(c, id); };
    for (size_t k = 0; k < strips_.size(); ++k)
      grids_.shapes().for_convex_cells(strip_quads_[k].data(), 4,
                                       [&](uint64_t c) { add_core(c, static_cast<int>(k)); });
    for (size_t k = 0; k < kites.size(); ++k) {
      const int id = -static_cast<int>(k) - 1;
      if (!grids_.shapes().for_convex_cells(kites[k].data(), 4, [&](uint64_t c) { add_core(c, id); }))
        grids_.outer().for_convex_cells(kites[k].data(), 4, [&](uint64_t c) { add_outer(c, id); });
    }
  });
  shapes_outer_.build([&](auto&& add) {
    for (const auto& [c, id] : outer_pairs) add(c, id);
  });
  edges_.build([&](auto&& add) {
    const size_t m = poly.size();
    for (size_t k = 0; k < m; ++k)
      grids_.shapes().for_segment_cells(poly[k], poly[(k + 1) % m],
                                        [&](uint64_t c) { add(c, static_cast<int>(k)); });
  });
  build_references();
}

gr_cpoint Coverage::reference(long cx, long cy) const {
  const CellGrid& g = grids_.shapes();
  return {g.x0() + (static_cast<double>(cx) + 0.5 + kRefDx) * g.cell_w(),
          g.y0() + (static_cast<double>(cy) + 0.5 + kRefDy) * g.cell_h()};
}

// Each core row's reference line (through the reference points of its
// cells) against the polygon: the crossings in x order with the winding
// number right of each (half-open in y, so a vertex on the line counts
// once).
void Coverage::build_references() {
  const std::vector<gr_cpoint>& poly = ctx_.polygon();
  const CellGrid& g = grids_.shapes();
  const size_t m = poly.size();
  struct Hit {
    long row;
    double x;
    int sign;
  };
  std::vector<Hit> hits;
  for (size_t k = 0; k < m; ++k) {
    const gr_cpoint& p = poly[k];
    const gr_cpoint& q = poly[(k + 1) % m];
    const double ylo = std::min(p.y, q.y), yhi = std::max(p.y, q.y);
    // Rows whose reference y lies in [ylo, yhi).
    long r0 = static_cast<long>(std::ceil((ylo - g.y0()) / g.cell_h() - 0.5 - kRefDy));
    long r1 = static_cast<long>(std::floor((yhi - g.y0()) / g.cell_h() - 0.5 - kRefDy)) + 1;
    r0 = std::max(r0 - 1, 0L);
    r1 = std::min(r1 + 1, g.ny() - 1);
    for (long r = r0; r <= r1; ++r) {
      const double y = reference(0, r).y;
      if ((p.y > y) == (q.y > y)) continue;
      hits.push_back(Hit{r, p.x + (y - p.y) / (q.y - p.y) * (q.x - p.x), q.y > p.y ? 1 : -1});
    }
  }
  std::sort(hits.begin(), hits.end(),
            [](const Hit& a, const Hit& b) { return a.row < b.row || (a.row == b.row && a.x < b.x); });
  row_start_.assign(static_cast<size_t>(g.ny()) + 1, 0);
  for (const Hit& h : hits) ++row_start_[static_cast<size_t>(h.row) + 1];
  for (size_t r = 0; r + 1 < row_start_.size(); ++r) row_start_[r + 1] += row_start_[r];
  row_x_.resize(hits.size());
  row_wnd_.resize(hits.size());
  int wnd = 0;
  for (size_t i = 0; i < hits.size(); ++i) {
    if (i == 0 || hits[i].row != hits[i - 1].row) wnd = 0;
    wnd -= hits[i].sign;
    row_x_[i] = hits[i].x;
    row_wnd_[i] = wnd;
  }
}

// Winding number of z: the reference point's, corrected by the edges the
// segment from the reference point to z crosses (all of them pass through
// the cell). Zero orientations count as positive on both sides, the usual
// consistent tie-break, so a segment through a vertex counts it once.
bool Coverage::in_polygon(const gr_cpoint& z) const {
  const CellGrid& g = grids_.shapes();
  long cx = 0, cy = 0;
  if (!g.cell_of(z, &cx, &cy)) return false;
  const gr_cpoint ref = reference(cx, cy);
  const size_t r0 = row_start_[static_cast<size_t>(cy)], r1 = row_start_[static_cast<size_t>(cy) + 1];
  const size_t at =
      static_cast<size_t>(std::lower_bound(row_x_.begin() + static_cast<std::ptrdiff_t>(r0),
                                           row_x_.begin() + static_cast<std::ptrdiff_t>(r1), ref.x) -
                          row_x_.begin());
  const int wnd = at > r0 ? row_wnd_[at - 1] : 0;
  const auto [e0, e1] = edges_.find(g.key(cx, cy));
  return wnd + winding_change(ref, z, e0, e1) != 0;
}

int Coverage::winding_change(const gr_cpoint& ref, const gr_cpoint& z, const int* e0, const int* e1) const {
  const std::vector<gr_cpoint>& poly = ctx_.polygon();
  const size_t m = poly.size();
  const gr_cpoint rz = sub(z, ref);
  int wnd = 0;
  for (const int* e = e0; e != e1; ++e) {
    const gr_cpoint& p = poly[static_cast<size_t>(*e)];
    const gr_cpoint& q = poly[(static_cast<size_t>(*e) + 1) % m];
    const bool p_left = cross(rz, sub(p, ref)) >= 0, q_left = cross(rz, sub(q, ref)) >= 0;
    if (p_left == q_left) continue;
    const gr_cpoint pq = sub(q, p);
    const bool ref_left = cross(pq, sub(ref, p)) >= 0, z_left = cross(pq, sub(z, p)) >= 0;
    if (ref_left == z_left) continue;
    wnd += z_left ? 1 : -1;
  }
  return wnd;
}

bool Coverage::inside_line(int j, const gr_cpoint& base, const gr_cpoint& nu, const gr_cpoint& m, int line,
                           double par, double dg) const {
  const double g = w_ - dot(sub(m, base), nu);
  const int n = ctx_.line_count();
  if (std::fabs(g) > coarse_ || line < 0 || line >= n) return holds(g, dg);
  if (j == line) return dg >= 0;
  const OffsetLine& L = ctx_.lines()[static_cast<size_t>(line)];
  double tx = 0;
  if (j == (line + 1 == n ? 0 : line + 1)) {
    tx = L.end_par;
  } else if (j == (line == 0 ? n - 1 : line - 1)) {
    tx = 0;
  } else if (!line_cross(L.line, ctx_.lines()[static_cast<size_t>(j)].line, &tx)) {
    return holds(g, dg);  // parallel: the value itself
  }
  // Exact up to rounding of each factor, so its sign needs no margin.
  const gr_cpoint u{L.line.dir.cos, L.line.dir.sin};
  const double gx = (tx - par) * dot(u, nu);
  return gx > 0 || (gx == 0 && dg >= 0);
}

bool Coverage::covered(const gr_cpoint& m, const gr_cpoint& dir, int line, double par, const int* id0,
                       const int* id1) const {
  for (const int* id = id0; id != id1; ++id) {
    if (*id >= 0) {
      const Strip& s = strips_[static_cast<size_t>(*id)];
      gr_cpoint d = sub(m, s.q);
      double t = dot(d, s.u), h = dot(d, s.nu), dt = dot(dir, s.u), dh = dot(dir, s.nu);
      if (holds(t, dt) && holds(s.len - t, -dt) && holds(h, dh) &&
          inside_line(*id, s.q, s.nu, m, line, par, -dh))
        return true;
    } else {
      const Wedge& wg = wedges_[static_cast<size_t>(-*id - 1)];
      gr_cpoint d = sub(m, wg.v);
      const int n = ctx_.line_count();
      double a0 = dot(d, wg.u0), a1 = -dot(d, wg.u1);
      if (holds(a0, dot(dir, wg.u0)) && holds(a1, -dot(dir, wg.u1)) &&
          inside_line(wg.line, wg.v, wg.n0, m, line, par, -dot(dir, wg.n0)) &&
          inside_line(wg.line + 1 == n ? 0 : wg.line + 1, wg.v, wg.n1, m, line, par, -dot(dir, wg.n1)))
        return true;
    }
  }
  return false;
}

bool Coverage::in_region(const gr_cpoint& m, const gr_cpoint& dir, int line, double par) const {
  long cx = 0, cy = 0;
  std::pair<const int*, const int*> ids{nullptr, nullptr};
  if (grids_.shapes().cell_of(m, &cx, &cy))
    ids = shapes_core_.find(grids_.shapes().key(cx, cy));
  else if (grids_.outer().cell_of(m, &cx, &cy))
    ids = shapes_outer_.find(grids_.outer().key(cx, cy));
  // The polygon's own outline is decided a hair off m: an offset line
  // meets it only where the offset touches the source.
  const gr_cpoint z{m.x + margin_ * 1e5 * dir.x, m.y + margin_ * 1e5 * dir.y};
  if (ctx_.grows()) return covered(m, dir, line, par, ids.first, ids.second) || in_polygon(z);
  return !covered(m, dir, line, par, ids.first, ids.second) && in_polygon(z);
}

bool Coverage::in_region(const gr_cpoint& m, const gr_cpoint& dir, int line, double par,
                         const Locale& loc) const {
  const gr_cpoint z{m.x + margin_ * 1e5 * dir.x, m.y + margin_ * 1e5 * dir.y};
  const bool cov = covered(m, dir, line, par, loc.shapes_begin, loc.shapes_end);
  if (ctx_.grows() && cov) return true;
  if (!ctx_.grows() && cov) return false;
  return loc.wnd + winding_change(loc.ref, z, loc.edges_begin, loc.edges_end) != 0;
}

// The constraints of covered(), each a linear function of the point, met
// with room to spare at every corner of a convex polygon, hence everywhere
// in it.
bool Coverage::contains(int id, const gr_cpoint* pts, int n, double slack) const {
  if (id >= 0) {
    const Strip& s = strips_[static_cast<size_t>(id)];
    for (int i = 0; i < n; ++i) {
      const gr_cpoint d = sub(pts[i], s.q);
      const double t = dot(d, s.u), h = dot(d, s.nu);
      if (!(t > slack && s.len - t > slack && h > slack && w_ - h > slack)) return false;
    }
    return true;
  }
  const Wedge& wg = wedges_[static_cast<size_t>(-id - 1)];
  for (int i = 0; i < n; ++i) {
    const gr_cpoint d = sub(pts[i], wg.v);
    if (!(dot(d, wg.u0) > slack && -dot(d, wg.u1) > slack && w_ - dot(d, wg.n0) > slack &&
          w_ - dot(d, wg.n1) > slack))
      return false;
  }
  return true;
}

}  // namespace geomkit::offset
