// The pruning tree of the coverage contour (see offset_cover_p.h), the
// search for meeting pairs within one of its cells, and the simplicity test
// the tree relies on for its distance rule.
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

// Whether the segment ab meets the box: the bounding boxes overlap, and
// the box's corners do not all lie strictly on one side of the line.
bool segment_hits(const gr_cpoint& a, const gr_cpoint& b, const gr_xy_rect& r) {
  if (std::max(a.x, b.x) < r.x1 || std::min(a.x, b.x) > r.x2 || std::max(a.y, b.y) < r.y1 ||
      std::min(a.y, b.y) > r.y2)
    return false;
  // The line's distance from the box's centre, against the box's reach
  // across the line (both times the segment's length).
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double cx = (r.x1 + r.x2) / 2, cy = (r.y1 + r.y2) / 2;
  return std::fabs(dx * (cy - a.y) - dy * (cx - a.x)) <=
         (r.x2 - r.x1) / 2 * std::fabs(dy) + (r.y2 - r.y1) / 2 * std::fabs(dx);
}

double dist_point_segment(const gr_cpoint& p, const gr_cpoint& a, const gr_cpoint& b) {
  const gr_cpoint ab = sub(b, a), ap = sub(p, a);
  const double l2 = dot(ab, ab);
  const double t = l2 > 0 ? std::clamp(dot(ap, ab) / l2, 0.0, 1.0) : 0;
  return std::hypot(ap.x - t * ab.x, ap.y - t * ab.y);
}

// A convex quadrilateral prepared for overlap tests with boxes: its
// bounding box, and for each side the inward normal and the offset of the
// side's line (the quad lies where n . x >= c).
struct QuadTest {
  gr_xy_rect box;
  gr_cpoint n[4];
  double c[4];
};

QuadTest prepare_quad(const std::array<gr_cpoint, 4>& q) {
  QuadTest t{{q[0].x, q[0].y, q[0].x, q[0].y}, {}, {}};
  for (const gr_cpoint& p : q)
    t.box = {std::min(t.box.x1, p.x), std::min(t.box.y1, p.y), std::max(t.box.x2, p.x),
             std::max(t.box.y2, p.y)};
  for (int i = 0; i < 4; ++i) {
    const gr_cpoint& a = q[static_cast<size_t>(i)];
    const gr_cpoint e = sub(q[static_cast<size_t>((i + 1) % 4)], a);
    // Inward: towards the vertex farthest from this side's line.
    const double s2 = cross(e, sub(q[static_cast<size_t>((i + 2) % 4)], a));
    const double s3 = cross(e, sub(q[static_cast<size_t>((i + 3) % 4)], a));
    const double inner = std::fabs(s2) > std::fabs(s3) ? s2 : s3;
    gr_cpoint n{-e.y, e.x};  // left of the side
    if (inner < 0) n = {e.y, -e.x};
    if (inner == 0) n = {0, 0};  // a side without a side: no separating test
    t.n[i] = n;
    t.c[i] = n.x * a.x + n.y * a.y;
  }
  return t;
}

// Whether the quad may overlap the box: the bounding boxes do, and no side
// has the whole box beyond it.
bool quad_hits(const QuadTest& t, const gr_xy_rect& r) {
  if (t.box.x2 < r.x1 || t.box.x1 > r.x2 || t.box.y2 < r.y1 || t.box.y1 > r.y2) return false;
  const double cx = (r.x1 + r.x2) / 2, cy = (r.y1 + r.y2) / 2, hx = (r.x2 - r.x1) / 2, hy = (r.y2 - r.y1) / 2;
  for (int i = 0; i < 4; ++i) {
    const gr_cpoint& n = t.n[i];
    if (n.x * cx + n.y * cy + hx * std::fabs(n.x) + hy * std::fabs(n.y) < t.c[i]) return false;
  }
  return true;
}

// Position of a point of the box's border, counter-clockwise from the
// lower left corner.
double around(const gr_xy_rect& r, const gr_cpoint& p) {
  const double w = r.x2 - r.x1, h = r.y2 - r.y1;
  const double db = std::fabs(p.y - r.y1), dr = std::fabs(p.x - r.x2), dt = std::fabs(p.y - r.y2),
               dl = std::fabs(p.x - r.x1);
  const double m = std::min({db, dr, dt, dl});
  if (m == db) return std::clamp(p.x - r.x1, 0.0, w);
  if (m == dr) return w + std::clamp(p.y - r.y1, 0.0, h);
  if (m == dt) return w + h + std::clamp(r.x2 - p.x, 0.0, w);
  return 2 * w + h + std::clamp(r.y2 - p.y, 0.0, h);
}

// Whether part b lies wholly on one side of a's line, farther than tol.
bool apart(const CellPart& a, const CellPart& b, double tol) {
  const gr_cpoint u{a.q.x - a.p.x, a.q.y - a.p.y};
  const double o1 = u.x * (b.p.y - a.p.y) - u.y * (b.p.x - a.p.x);
  const double o2 = u.x * (b.q.y - a.p.y) - u.y * (b.q.x - a.p.x);
  const double o = std::min(std::fabs(o1), std::fabs(o2));
  return (o1 > 0) == (o2 > 0) && o * o > tol * tol * (u.x * u.x + u.y * u.y);
}

bool boxes_apart(const CellPart& a, const CellPart& b, double tol) {
  return std::max(a.p.x, a.q.x) + tol < std::min(b.p.x, b.q.x) ||
         std::max(b.p.x, b.q.x) + tol < std::min(a.p.x, a.q.x) ||
         std::max(a.p.y, a.q.y) + tol < std::min(b.p.y, b.q.y) ||
         std::max(b.p.y, b.q.y) + tol < std::min(a.p.y, a.q.y);
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

void CellPairs::collect(const gr_xy_rect& r, const std::vector<CellPart>& parts, double tol) {
  found_.clear();
  ends_.clear();
  const size_t n = parts.size();
  // A stub against every part it may reach.
  for (size_t k = 0; k < n; ++k) {
    const CellPart& pt = parts[k];
    if (pt.chord) continue;
    for (size_t j = 0; j < n; ++j) {
      if (j == k || (!parts[j].chord && j < k)) continue;
      if (boxes_apart(pt, parts[j], tol) || apart(pt, parts[j], tol) || apart(parts[j], pt, tol)) continue;
      found_.emplace_back(std::min(k, j), std::max(k, j));
    }
  }
  for (size_t k = 0; k < n; ++k) {
    const CellPart& pt = parts[k];
    if (!pt.chord) continue;
    double a = around(r, pt.p), b = around(r, pt.q);
    if (a > b) std::swap(a, b);
    ends_.push_back(End{a, static_cast<uint32_t>(k), true});
    ends_.push_back(End{b, static_cast<uint32_t>(k), false});
  }
  std::sort(ends_.begin(), ends_.end(),
            [](const End& x, const End& y) { return x.s < y.s || (x.s == y.s && x.opens > y.opens); });
  // Ends within tol of each other, also across the lower left corner where
  // the positions wrap around: every pair of their chords.
  const double border = 2 * (r.x2 - r.x1) + 2 * (r.y2 - r.y1);
  auto tie = [&](size_t i, size_t j) {
    const uint32_t a = ends_[i].part, b = ends_[j].part;
    if (a != b) found_.emplace_back(std::min(a, b), std::max(a, b));
  };
  for (size_t i = 0; i < ends_.size(); ++i)
    for (size_t j = i + 1; j < ends_.size() && ends_[j].s - ends_[i].s <= tol; ++j) tie(i, j);
  for (size_t i = 0; i < ends_.size() && ends_[i].s <= tol; ++i)
    for (size_t j = ends_.size(); j-- > i + 1 && ends_[i].s + border - ends_[j].s <= tol;) tie(i, j);
  // The sweep around the border: closing a chord, every chord opened after
  // it and still open interleaves with it.
  constexpr uint32_t kNone = ~uint32_t{0};
  next_.assign(n, kNone);
  prev_.assign(n, kNone);
  uint32_t tail = kNone;
  for (const End& e : ends_) {
    const uint32_t c = e.part;
    if (e.opens) {
      prev_[c] = tail;
      next_[c] = kNone;
      if (tail != kNone) next_[tail] = c;
      tail = c;
      continue;
    }
    for (uint32_t j = next_[c]; j != kNone; j = next_[j]) found_.emplace_back(std::min(c, j), std::max(c, j));
    if (prev_[c] != kNone) next_[prev_[c]] = next_[c];
    if (next_[c] != kNone)
      prev_[next_[c]] = prev_[c];
    else
      tail = prev_[c];
  }
  std::sort(found_.begin(), found_.end());
  found_.erase(std::unique(found_.begin(), found_.end()), found_.end());
}

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
  // carried through a few large cells only. On outlines of a few thousand
  // lines, splitting costs more than the leaves' pair tests and point tests
  // it saves (a tenth of the time at 1 000 and 3 000 needles); on larger
  // ones the leaves' share grows (twice the time on 100 000 short, jittered
  // edges with the larger leaves).
  const size_t kLeafCands = ctx.line_count() <= 4096 ? 128 : 64;
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
  // The shapes prepared for overlap tests, strips first, then wedges.
  std::vector<QuadTest> quads_tests;
  quads_tests.reserve(static_cast<size_t>(cov.strip_count() + cov.wedge_count()));
  for (int k = 0; k < cov.strip_count(); ++k) quads_tests.push_back(prepare_quad(cov.quad(k)));
  for (int k = 0; k < cov.wedge_count(); ++k) quads_tests.push_back(prepare_quad(cov.quad(-k - 1)));
  auto shape_test = [&](int id) -> const QuadTest& {
    return quads_tests[static_cast<size_t>(id >= 0 ? id : cov.strip_count() - id - 1)];
  };
  auto shape_hits = [&](int id, const gr_xy_rect& r) { return quad_hits(shape_test(id), r); };
  auto cand_hits = [&](int k, const gr_xy_rect& r) {
    return segment_hits(ends[static_cast<size_t>(k)][0], ends[static_cast<size_t>(k)][1], r);
  };
  auto cand_box = [&](int k) {
    const gr_cpoint &a = ends[static_cast<size_t>(k)][0], &b = ends[static_cast<size_t>(k)][1];
    return gr_xy_rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  };
  auto shape_box = [&](int id) { return shape_test(id).box; };
  auto edge_hits = [&](int e, const gr_xy_rect& r) {
    return segment_hits(poly[static_cast<size_t>(e)], poly[(static_cast<size_t>(e) + 1) % npoly], r);
  };
  auto edge_box = [&](int e) {
    const gr_cpoint &a = poly[static_cast<size_t>(e)], &b = poly[(static_cast<size_t>(e) + 1) % npoly];
    return gr_xy_rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  };
  std::vector<int> quads[4];    // a cell's lists for its quadrants, being split
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

    // No strip or wedge is wider than twice the distance, and a cell near
    // one edge all over is at most the distance across its diagonal.
    const double side = cell.box.x2 - cell.box.x1;
    bool drop = false;
    if (side < 2 * w)
      for (size_t k = cell.s0; k < cell.s1 && !drop; ++k) drop = cov.contains(ps[k], corners, 4, slack);
    if (drop) continue;
    bool edge_inside = false;
    const bool may_be_near = use_tube && side < 1.5 * w;
    for (size_t k = cell.e0; k < cell.e1 && !drop; ++k) {
      const gr_cpoint& a = poly[static_cast<size_t>(pe[k])];
      const gr_cpoint& b = poly[(static_cast<size_t>(pe[k]) + 1) % npoly];
      if (may_be_near) {
        bool near = true;
        for (const gr_cpoint& c : corners) near = near && dist_point_segment(c, a, b) < tube;
        drop = near;
      }
      edge_inside = edge_inside || segment_hits(a, b, lb);
    }
    if (drop) continue;
    if (!edge_inside && (cell.wnd != 0) == grows) continue;

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
    gr_xy_rect boxes[4];
    for (int q = 0; q < 4; ++q)
      boxes[q] = {q & 1 ? mid.x : cell.box.x1, q & 2 ? mid.y : cell.box.y1, q & 1 ? cell.box.x2 : mid.x,
                  q & 2 ? cell.box.y2 : mid.y};
    // Each item goes to the quadrants its bounding box reaches (grown by
    // the margin m); one that reaches a single quadrant lies there wholly
    // as far as it lies in the cell, the others are tested exactly.
    auto split = [&](std::vector<int>& pool, size_t i0, size_t i1, double m, auto&& bounds, auto&& hits) {
      size_t count[4] = {0, 0, 0, 0};
      for (std::vector<int>& q : quads) q.resize(i1 - i0);
      for (size_t k = i0; k < i1; ++k) {
        const int id = pool[k];
        const gr_xy_rect b = bounds(id);
        const bool lo_x = b.x1 <= mid.x + m, hi_x = b.x2 >= mid.x - m;
        const bool lo_y = b.y1 <= mid.y + m, hi_y = b.y2 >= mid.y - m;
        const bool single = lo_x != hi_x && lo_y != hi_y;
        for (int q = 0; q < 4; ++q) {
          if (!((q & 1) ? hi_x : lo_x) || !((q & 2) ? hi_y : lo_y)) continue;
          if (single || hits(id, grown(boxes[q], m))) quads[q][count[q]++] = id;
        }
      }
      for (int q = 0; q < 4; ++q) quads[q].resize(count[q]);
    };
    Cell child[4];
    for (int q = 0; q < 4; ++q)
      child[q] = Cell{boxes[q], cell.depth + 1, 0, first + static_cast<size_t>(q), 0, 0, 0, 0, 0, 0};
    split(pc, cell.c0, cell.c1, list_margin_, cand_box, cand_hits);
    for (int q = 0; q < 4; ++q) {
      child[q].c0 = pc.size();
      pc.insert(pc.end(), quads[static_cast<size_t>(q)].begin(), quads[static_cast<size_t>(q)].end());
      child[q].c1 = pc.size();
    }
    split(ps, cell.s0, cell.s1, list_margin_, shape_box, shape_hits);
    for (int q = 0; q < 4; ++q) {
      child[q].s0 = ps.size();
      ps.insert(ps.end(), quads[static_cast<size_t>(q)].begin(), quads[static_cast<size_t>(q)].end());
      child[q].s1 = ps.size();
    }
    split(pe, cell.e0, cell.e1, w + list_margin_, edge_box, edge_hits);
    for (int q = 0; q < 4; ++q) {
      child[q].e0 = pe.size();
      pe.insert(pe.end(), quads[static_cast<size_t>(q)].begin(), quads[static_cast<size_t>(q)].end());
      child[q].e1 = pe.size();
    }
    for (int q = 0; q < 4; ++q) {
      child[q].wnd = cell.wnd + cov.winding_change(reference(cell.box), reference(boxes[q]),
                                                   pe.data() + cell.e0, pe.data() + cell.e1);
      stack.push_back(child[q]);
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
