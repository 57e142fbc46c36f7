// The pruning tree of the coverage contour (see offset_cover_p.h), and the
// simplicity test it relies on for its distance rule.
#include "offset/offset_cover_p.h"

#include <algorithm>
#include <cmath>

namespace geomkit::offset {

namespace {

gr_cpoint sub(const gr_cpoint& a, const gr_cpoint& b) { return {a.x - b.x, a.y - b.y}; }
double cross(const gr_cpoint& a, const gr_cpoint& b) { return a.x * b.y - a.y * b.x; }
double dot(const gr_cpoint& a, const gr_cpoint& b) { return a.x * b.x + a.y * b.y; }

gr_xy_rect grown(const gr_xy_rect& b, double m) { return {b.x1 - m, b.y1 - m, b.x2 + m, b.y2 + m}; }

// A cell's reference point, where its winding number is known: off the
// centre by odd fractions of the cell, so that it stays off the
// axis-parallel lines and round coordinates drawings are full of (a point on
// an edge would make the winding number ambiguous).
gr_cpoint reference(const gr_xy_rect& b) {
  return {b.x1 + 0.5131 * (b.x2 - b.x1), b.y1 + 0.4783 * (b.y2 - b.y1)};
}

}  // namespace

bool clip_unit(const gr_cpoint& a, const gr_cpoint& b, const gr_xy_rect& r, double* t0, double* t1) {
  double lo = 0, hi = 1;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - r.x1, r.x2 - a.x, a.y - r.y1, r.y2 - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0)
      lo = std::max(lo, t);
    else
      hi = std::min(hi, t);
    if (lo > hi) return false;
  }
  *t0 = lo;
  *t1 = hi;
  return true;
}

namespace {

// Whether the segment ab meets the box: the bounding boxes overlap, and
// the box's corners do not all lie strictly on one side of the line.
bool segment_hits(const gr_cpoint& a, const gr_cpoint& b, const gr_xy_rect& r) {
  if (std::max(a.x, b.x) < r.x1 || std::min(a.x, b.x) > r.x2 || std::max(a.y, b.y) < r.y1 ||
      std::min(a.y, b.y) > r.y2)
    return false;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double s1 = dx * (r.y1 - a.y) - dy * (r.x1 - a.x), s2 = dx * (r.y1 - a.y) - dy * (r.x2 - a.x);
  const double s3 = dx * (r.y2 - a.y) - dy * (r.x1 - a.x), s4 = dx * (r.y2 - a.y) - dy * (r.x2 - a.x);
  return !((s1 > 0 && s2 > 0 && s3 > 0 && s4 > 0) || (s1 < 0 && s2 < 0 && s3 < 0 && s4 < 0));
}

double dist_point_segment(const gr_cpoint& p, const gr_cpoint& a, const gr_cpoint& b) {
  const gr_cpoint ab = sub(b, a), ap = sub(p, a);
  const double l2 = dot(ab, ab);
  const double t = l2 > 0 ? std::clamp(dot(ap, ab) / l2, 0.0, 1.0) : 0;
  return std::hypot(ap.x - t * ab.x, ap.y - t * ab.y);
}

gr_xy_rect box_of(const std::array<gr_cpoint, 4>& q) {
  gr_xy_rect b{q[0].x, q[0].y, q[0].x, q[0].y};
  for (const gr_cpoint& p : q)
    b = {std::min(b.x1, p.x), std::min(b.y1, p.y), std::max(b.x2, p.x), std::max(b.y2, p.y)};
  return b;
}

// Whether a convex quadrilateral (with its bounding box qb) may overlap the
// box: its bounding box does, and none of its sides has the whole box
// beyond it.
bool quad_hits(const std::array<gr_cpoint, 4>& q, const gr_xy_rect& qb, const gr_xy_rect& r) {
  if (qb.x2 < r.x1 || qb.x1 > r.x2 || qb.y2 < r.y1 || qb.y1 > r.y2) return false;
  const gr_cpoint corners[4] = {{r.x1, r.y1}, {r.x2, r.y1}, {r.x2, r.y2}, {r.x1, r.y2}};
  for (int i = 0; i < 4; ++i) {
    const gr_cpoint& a = q[static_cast<size_t>(i)];
    const gr_cpoint e = sub(q[static_cast<size_t>((i + 1) % 4)], a);
    // The side of the quad: that of the vertex farthest from this side's line.
    const double s2 = cross(e, sub(q[static_cast<size_t>((i + 2) % 4)], a));
    const double s3 = cross(e, sub(q[static_cast<size_t>((i + 3) % 4)], a));
    const double inner = std::fabs(s2) > std::fabs(s3) ? s2 : s3;
    if (inner == 0) continue;
    bool beyond = true;
    for (const gr_cpoint& c : corners) beyond = beyond && cross(e, sub(c, a)) * inner < 0;
    if (beyond) return false;
  }
  return true;
}

}  // namespace

// Edges are bucketed in a grid about as fine as the polygon is dense, and
// the edges sharing a cell are tested pairwise; the first crossing ends the
// search.
bool polygon_is_simple(const std::vector<gr_cpoint>& poly) {
  const size_t n = poly.size();
  if (n < 4) return true;
  gr_xy_rect box{poly[0].x, poly[0].y, poly[0].x, poly[0].y};
  for (const gr_cpoint& p : poly) {
    box.x1 = std::min(box.x1, p.x);
    box.y1 = std::min(box.y1, p.y);
    box.x2 = std::max(box.x2, p.x);
    box.y2 = std::max(box.y2, p.y);
  }
  const double wd = box.x2 - box.x1, ht = box.y2 - box.y1, ext = std::max(wd, ht);
  double total = 0;
  for (size_t k = 0; k < n; ++k) total += gr_dist_cpoints(&poly[k], &poly[(k + 1) % n]);
  // Cells about as long as the mean edge, so that each edge crosses a few;
  // but where long edges lie close together (needles), no coarser than a
  // few times the vertices' spacing.
  CellGrid g;
  g.init(box, std::max(std::min(total / static_cast<double>(n),
                                4 * std::sqrt(std::max(wd * ht, ext * ext * 1e-6) / static_cast<double>(n))),
                       ext * 1e-7));
  SparseCells cells;
  cells.build([&](auto&& add) {
    for (size_t k = 0; k < n; ++k)
      g.for_segment_cells(poly[k], poly[(k + 1) % n], [&](uint64_t c) { add(c, static_cast<int>(k)); });
  });
  auto orient = [](const gr_cpoint& a, const gr_cpoint& b, const gr_cpoint& c) {
    return cross(sub(b, a), sub(c, a));
  };
  for (size_t gi = 0; gi < cells.groups(); ++gi)
    for (const int* i = cells.group_begin(gi); i != cells.group_end(gi); ++i)
      for (const int* j = i + 1; j != cells.group_end(gi); ++j) {
        const size_t a = static_cast<size_t>(*i), b = static_cast<size_t>(*j);
        if (b == a + 1 || (a == 0 && b == n - 1)) continue;
        const gr_cpoint &p = poly[a], &q = poly[(a + 1) % n], &r = poly[b], &s = poly[(b + 1) % n];
        const double o1 = orient(p, q, r), o2 = orient(p, q, s), o3 = orient(r, s, p), o4 = orient(r, s, q);
        // Touching counts too: a vertex on another edge makes the polygon
        // as good as self-crossing for the distance rule.
        if (o1 * o2 <= 0 && o3 * o4 <= 0) {
          const bool collinear_apart =
              o1 == 0 && o2 == 0 &&
              (std::max(p.x, q.x) < std::min(r.x, s.x) || std::max(r.x, s.x) < std::min(p.x, q.x) ||
               std::max(p.y, q.y) < std::min(r.y, s.y) || std::max(r.y, s.y) < std::min(p.y, q.y));
          if (!collinear_apart) return false;
        }
      }
  return true;
}

PruneTree::PruneTree(const EqvidistContext& ctx, const Coverage& cov,
                     const std::vector<std::array<gr_cpoint, 2>>& ends, const gr_xy_rect& root,
                     const LeafVisitor& visit) {
  // Split a cell while it holds more candidates than this: the leaves then
  // test few pairs each, and a long candidate crossing empty space is
  // carried through a few large cells only.
  static constexpr size_t kLeafCands = 64;
  static constexpr int kMaxDepth = 48;
  const std::vector<gr_cpoint>& poly = ctx.polygon();
  const size_t npoly = poly.size();
  const double w = std::fabs(ctx.b());
  const bool grows = ctx.grows();
  const double scale = cov.scale();
  list_margin_ = 4e-9 * scale;
  const double slack = 2 * cov.coarse();
  const double tube = w - 4 * cov.coarse();
  const double smallest = 64 * list_margin_;
  const bool use_tube = tube > 0 && polygon_is_simple(poly);

  struct Cell {
    gr_xy_rect box;
    int depth;
    int wnd;
    size_t node;
    size_t c0, c1, s0, s1, e0, e1;
  };
  // The shapes' bounding boxes, strips first, then wedges.
  std::vector<gr_xy_rect> qboxes;
  qboxes.reserve(static_cast<size_t>(cov.strip_count() + cov.wedge_count()));
  for (int k = 0; k < cov.strip_count(); ++k) qboxes.push_back(box_of(cov.quad(k)));
  for (int k = 0; k < cov.wedge_count(); ++k) qboxes.push_back(box_of(cov.quad(-k - 1)));
  auto shape_hits = [&](int id, const gr_xy_rect& r) {
    return quad_hits(cov.quad(id), qboxes[static_cast<size_t>(id >= 0 ? id : cov.strip_count() - id - 1)], r);
  };
  auto cand_hits = [&](int k, const gr_xy_rect& r) {
    return segment_hits(ends[static_cast<size_t>(k)][0], ends[static_cast<size_t>(k)][1], r);
  };
  std::vector<int> pc, ps, pe;  // the lists of the cells waiting on the stack
  std::vector<Cell> stack;

  // The root: square, so that cells stay square.
  {
    const double side = std::max(root.x2 - root.x1, root.y2 - root.y1) / 2 + list_margin_;
    const gr_cpoint c{(root.x1 + root.x2) / 2, (root.y1 + root.y2) / 2};
    const gr_xy_rect box{c.x - side, c.y - side, c.x + side, c.y + side};
    const gr_xy_rect lb = grown(box, list_margin_), eb = grown(box, w + list_margin_);
    for (size_t k = 0; k < ends.size(); ++k)
      if (cand_hits(static_cast<int>(k), lb)) pc.push_back(static_cast<int>(k));
    for (int k = 0; k < cov.strip_count(); ++k)
      if (shape_hits(k, lb)) ps.push_back(k);
    for (int k = 0; k < cov.wedge_count(); ++k)
      if (shape_hits(-k - 1, lb)) ps.push_back(-k - 1);
    std::vector<int> all;
    all.reserve(npoly);
    for (size_t k = 0; k < npoly; ++k) {
      all.push_back(static_cast<int>(k));
      if (segment_hits(poly[k], poly[(k + 1) % npoly], eb)) pe.push_back(static_cast<int>(k));
    }
    // From a point left of the polygon's box, where the winding number is 0.
    double px1 = poly[0].x, px2 = poly[0].x;
    for (const gr_cpoint& p : poly) {
      px1 = std::min(px1, p.x);
      px2 = std::max(px2, p.x);
    }
    const gr_cpoint ref = reference(box);
    const gr_cpoint far{px1 - (px2 - px1) - 1, ref.y};
    const int wnd = cov.winding_change(far, ref, all.data(), all.data() + all.size());
    stack.push_back(Cell{box, 0, wnd, 0, 0, pc.size(), 0, ps.size(), 0, pe.size()});
    root_ = box;
    nodes_.push_back(Node{-1, -1});
  }

  while (!stack.empty()) {
    const Cell cell = stack.back();
    stack.pop_back();
    // Whatever lies beyond this cell's lists belongs to finished cells.
    pc.resize(cell.c1);
    ps.resize(cell.s1);
    pe.resize(cell.e1);
    if (cell.c0 == cell.c1) continue;
    const gr_xy_rect lb = grown(cell.box, list_margin_);
    const gr_cpoint corners[4] = {{lb.x1, lb.y1}, {lb.x2, lb.y1}, {lb.x2, lb.y2}, {lb.x1, lb.y2}};

    bool drop = false;
    for (size_t k = cell.s0; k < cell.s1 && !drop; ++k) drop = cov.contains(ps[k], corners, 4, slack);
    if (drop) continue;
    bool edge_inside = false;
    for (size_t k = cell.e0; k < cell.e1 && !drop; ++k) {
      const gr_cpoint& a = poly[static_cast<size_t>(pe[k])];
      const gr_cpoint& b = poly[(static_cast<size_t>(pe[k]) + 1) % npoly];
      if (use_tube) {
        bool near = true;
        for (const gr_cpoint& c : corners) near = near && dist_point_segment(c, a, b) < tube;
        drop = near;
      }
      edge_inside = edge_inside || segment_hits(a, b, lb);
    }
    if (drop) continue;
    if (!edge_inside && (cell.wnd != 0) == grows) continue;

    const double side = cell.box.x2 - cell.box.x1;
    if (cell.c1 - cell.c0 <= kLeafCands || cell.depth >= kMaxDepth || side < smallest) {
      visit(cell.box, pc.data() + cell.c0, pc.data() + cell.c1);
      Leaf lf{reference(cell.box), cell.wnd, 0, 0, 0, 0};
      lf.shape0 = static_cast<uint32_t>(shapes_.size());
      shapes_.insert(shapes_.end(), ps.begin() + static_cast<std::ptrdiff_t>(cell.s0),
                     ps.begin() + static_cast<std::ptrdiff_t>(cell.s1));
      lf.shape1 = static_cast<uint32_t>(shapes_.size());
      lf.edge0 = static_cast<uint32_t>(edges_.size());
      edges_.insert(edges_.end(), pe.begin() + static_cast<std::ptrdiff_t>(cell.e0),
                    pe.begin() + static_cast<std::ptrdiff_t>(cell.e1));
      lf.edge1 = static_cast<uint32_t>(edges_.size());
      nodes_[cell.node].leaf = static_cast<int32_t>(leaves_.size());
      leaves_.push_back(lf);
      continue;
    }

    const gr_cpoint mid{(cell.box.x1 + cell.box.x2) / 2, (cell.box.y1 + cell.box.y2) / 2};
    const size_t first = nodes_.size();
    nodes_[cell.node].first_child = static_cast<int32_t>(first);
    nodes_.resize(first + 4, Node{-1, -1});
    for (int q = 0; q < 4; ++q) {
      const gr_xy_rect box{q & 1 ? mid.x : cell.box.x1, q & 2 ? mid.y : cell.box.y1,
                           q & 1 ? cell.box.x2 : mid.x, q & 2 ? cell.box.y2 : mid.y};
      const gr_xy_rect cb = grown(box, list_margin_), eb = grown(box, w + list_margin_);
      Cell child{box, cell.depth + 1, 0, first + static_cast<size_t>(q), pc.size(), 0, ps.size(),
                 0,   pe.size(),      0};
      for (size_t k = cell.c0; k < cell.c1; ++k)
        if (const int id = pc[k]; cand_hits(id, cb)) pc.push_back(id);
      child.c1 = pc.size();
      for (size_t k = cell.s0; k < cell.s1; ++k)
        if (const int id = ps[k]; shape_hits(id, cb)) ps.push_back(id);
      child.s1 = ps.size();
      for (size_t k = cell.e0; k < cell.e1; ++k) {
        const size_t e = static_cast<size_t>(pe[k]);
        if (segment_hits(poly[e], poly[(e + 1) % npoly], eb)) pe.push_back(static_cast<int>(e));
      }
      child.e1 = pe.size();
      child.wnd = cell.wnd + cov.winding_change(reference(cell.box), reference(box), pe.data() + cell.e0,
                                                pe.data() + cell.e1);
      stack.push_back(child);
    }
  }
}

const PruneTree::Leaf* PruneTree::locate(const gr_cpoint& p) const {
  if (!(p.x >= root_.x1 && p.x <= root_.x2 && p.y >= root_.y1 && p.y <= root_.y2)) return nullptr;
  gr_xy_rect box = root_;
  const Node* nd = &nodes_[0];
  while (nd->first_child >= 0) {
    // As the cells were split.
    const gr_cpoint mid{(box.x1 + box.x2) / 2, (box.y1 + box.y2) / 2};
    const bool right = p.x >= mid.x, up = p.y >= mid.y;
    box = {right ? mid.x : box.x1, up ? mid.y : box.y1, right ? box.x2 : mid.x, up ? box.y2 : mid.y};
    nd = &nodes_[static_cast<size_t>(nd->first_child) + (right ? 1 : 0) + (up ? 2 : 0)];
  }
  return nd->leaf >= 0 ? &leaves_[static_cast<size_t>(nd->leaf)] : nullptr;
}

}  // namespace geomkit::offset
