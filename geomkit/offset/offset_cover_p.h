// The coverage contour of the offset engine: shared records of
// offset_cover.cpp (the region and the boundary pieces), offset_contour.cpp
// (chaining the pieces into loops, comparing contours) and offset_prune.cpp
// (the pruning tree).
//
// The mitred offset of a polygon P by w = |b| is a region U:
//   grown:  U = P + every edge's strip + every mitre wedge,
//   shrunk: U = P - every edge's strip - every mitre wedge,
// where an edge's strip is the rectangle between the edge and its offset,
// and a mitre wedge fills a corner that turns away from the offset side
// (the kite between the vertex, the two offset edge ends and the mitre
// point). The boundary of U lies on the offset lines, within each line's
// candidate interval: the strip's outer side, stretched to the mitre points
// at wedge corners. Split at their crossings, the candidate intervals fall
// into pieces that lie wholly on the boundary of U or wholly off it; one
// point just beyond each piece decides which, and the boundary pieces chain
// into the contour.
#ifndef GEOMKIT_OFFSET_COVER_P_H
#define GEOMKIT_OFFSET_COVER_P_H

#include "offset/offset_engine_p.h"
#include "offset/offset_grid_p.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace geomkit::offset {

// Where line a crosses line b, as a parameter on a: exact up to rounding,
// false only for parallel lines. (The sweep's gr_intersect_line_line treats
// lines within the tolerance of each other as coincident; the coverage
// contour must see their crossing, since the region's boundary changes
// there however flat the angle.)
inline bool line_cross(const gr_line& a, const gr_line& b, double* ta) {
  const double det = a.dir.cos * b.dir.sin - a.dir.sin * b.dir.cos;
  if (std::fabs(det) < 1e-15) return false;
  *ta = ((b.p.x - a.p.x) * b.dir.sin - (b.p.y - a.p.y) * b.dir.cos) / det;
  return true;
}

// A candidate interval: on an offset line (id < line count) or on the flat
// cap of a corner whose bisector ran parallel to its lines (id = line
// count + the first line's index).
struct Candidate {
  gr_line line;
  double lo, hi;
  gr_cpoint away;  // unit normal pointing away from the strip behind it
  int id;
};

// A piece of a candidate between two consecutive split points.
struct Piece {
  int cand;
  double p0, p1;
  gr_cpoint a, b;  // its end points
  int from, to;    // the candidates crossing at its ends, -1 an interval end
};

// The grids of the coverage contour: over the polygon grown by twice the
// distance, where every strip lies, a fine one sized by the edges (for the
// candidate intervals and the polygon's edges) and one sized by the
// distance too (for the strips, each as wide as the distance); and a
// coarse one over everything, for the parts of long mitres that reach
// beyond.
class CoverGrids {
 public:
  void init(const gr_xy_rect& core, double edge_h, double w, const gr_xy_rect& all, size_t outer_items);
  const CellGrid& core() const { return core_; }
  const CellGrid& shapes() const { return shapes_; }
  const CellGrid& outer() const { return outer_; }

 private:
  CellGrid core_, shapes_, outer_;
};

// What the point test needs near a point when no grids are built: every
// shape (id >= 0 strip, id < 0 wedge -(id + 1)) and every edge of the
// polygon that may reach the point, and a reference point nearby with its
// winding number. Every edge crossing the segment from the reference point
// to the point must be among the edges.
struct Locale {
  const int* shapes_begin;
  const int* shapes_end;
  const int* edges_begin;
  const int* edges_end;
  gr_cpoint ref;
  int wnd;
};

// The region U with its point test.
class Coverage {
 public:
  Coverage(const EqvidistContext& ctx, const std::vector<Candidate>& cands);
  // Registers the shapes and edges in the uniform grids, for the point test
  // without a Locale. The pruning tree hands the shapes and edges near each
  // point in instead, where uniform cells would hold thousands of shapes.
  void index_shapes();
  // Whether the points just off m in direction dir (a unit vector), closer
  // than any feature, lie in U. Each shape is decided at m itself: a
  // constraint that m meets or misses by more than the rounding margin
  // decides alone; one that m lies on is decided by the direction. Moving
  // a probe point off m by a fixed amount instead would misjudge pieces
  // between offset lines that meet at a very flat angle.
  //
  // m is the point at parameter par of candidate line `line` (-1 none).
  // Where m lies within rounding of another offset line, the side is taken
  // from where the two lines cross instead: the distance along the line to
  // the crossing times the sine of their angle keeps its precision where
  // the difference of two nearly equal distances would not.
  bool in_region(const gr_cpoint& m, const gr_cpoint& dir, int line, double par) const;
  bool in_region(const gr_cpoint& m, const gr_cpoint& dir, int line, double par, const Locale& loc) const;
  const CoverGrids& grids() const { return grids_; }
  double scale() const { return scale_; }
  // The distance within which a constraint value is recomputed from a
  // crossing (see inside_line); beyond it the value decides alone.
  double coarse() const { return coarse_; }

  // ---- for the pruning tree ----
  int strip_count() const { return static_cast<int>(strips_.size()); }
  int wedge_count() const { return static_cast<int>(wedges_.size()); }
  // The corners of a shape, in order around it.
  const std::array<gr_cpoint, 4>& quad(int id) const {
    return id >= 0 ? strip_quads_[static_cast<size_t>(id)] : kites_[static_cast<size_t>(-id - 1)];
  }
  // Whether every point of the convex polygon pts lies inside the shape,
  // each of its constraints met by more than slack.
  bool contains(int id, const gr_cpoint* pts, int n, double slack) const;
  // The change of the winding number from a to b, counted over the edges
  // [e0, e1) with the tie-breaks of the point test.
  int winding_change(const gr_cpoint& a, const gr_cpoint& b, const int* e0, const int* e1) const;

 private:
  struct Strip {
    gr_cpoint q, u, nu;  // start, unit direction, unit offset normal
    double len;
  };
  struct Wedge {
    gr_cpoint v, u0, u1, n0, n1;  // vertex, directions and offset normals of the two edges
    int line;                     // the first edge's line
  };
  bool covered(const gr_cpoint& m, const gr_cpoint& dir, int line, double par, const int* id0,
               const int* id1) const;
  bool in_polygon(const gr_cpoint& z) const;
  void build_references();
  // g >= 0 just off m, where g is g0 at m and changes at rate dg along dir.
  bool holds(double g0, double dg) const { return g0 > margin_ || (g0 >= -margin_ && dg >= 0); }
  // Whether (w minus the distance of m from edge j's line) >= 0 holds just
  // off m: m on the edge's side of offset line j (dg as in holds()).
  bool inside_line(int j, const gr_cpoint& base, const gr_cpoint& nu, const gr_cpoint& m, int line,
                   double par, double dg) const;
  gr_cpoint reference(long cx, long cy) const;

  const EqvidistContext& ctx_;
  double w_;
  double scale_;
  double margin_;  // rounding margin of the constraint values
  double coarse_;  // below this, a constraint value is recomputed from the crossing
  CoverGrids grids_;
  std::vector<Strip> strips_;
  std::vector<Wedge> wedges_;
  std::vector<std::array<gr_cpoint, 4>> strip_quads_;
  std::vector<std::array<gr_cpoint, 4>> kites_;  // each wedge's kite: vertex, offset ends, mitre point
  SparseCells shapes_core_, shapes_outer_;       // id >= 0 strip, id < 0 wedge -(id + 1); shapes grid
  SparseCells edges_;                            // the polygon's edges, shapes grid
  // Per shapes-grid row: the x of the polygon's crossings of the row's reference
  // line, sorted, and the winding number just right of each.
  std::vector<uint32_t> row_start_;
  std::vector<double> row_x_;
  std::vector<int> row_wnd_;
};

// The pruning tree: a quadtree over the candidate intervals that drops
// every cell where the contour cannot pass, so that crossings are only
// looked for, and pieces only judged, near the contour. A cell goes when
//   - it lies inside one strip or wedge (inside U's interior grown, outside
//     U shrunk),
//   - grown, it lies inside the polygon, or shrunk, outside it (no edge
//     passes through, and the winding number at a point inside tells),
//   - every point of it lies closer than the distance to one edge of a
//     simple polygon (the contour keeps the full distance from every edge:
//     such points are covered by the edge's strip, a corner's wedge, or the
//     polygon itself).
// Each test keeps a margin far above rounding, so that the point test
// gives every point of a dropped cell the same answer. Cells are split
// while they hold more than 64 candidates (128 on outlines of a few thousand lines); the rest are the leaves, each
// with the shapes and edges that reach it.
//
// On needle-like outlines (every mitre a long spike through the shape) the
// candidates cross each other hundreds of millions of times, nearly all of
// them inside the shapes; the tree never looks at those.
class PruneTree {
 public:
  struct Leaf {
    gr_cpoint ref;                          // a point inside
    int wnd;                                // its winding number
    uint32_t shape0, shape1, edge0, edge1;  // ranges of the lists
  };
  // Called for each leaf with its box and the candidates reaching it
  // (within list_margin()).
  using LeafVisitor = std::function<void(const gr_xy_rect& box, const int* c0, const int* c1)>;

  // ends[k]: the end points of candidate k's interval.
  PruneTree(const EqvidistContext& ctx, const Coverage& cov,
            const std::vector<std::array<gr_cpoint, 2>>& ends, const gr_xy_rect& root,
            const LeafVisitor& visit);

  // The leaf holding p, or null where the tree dropped the cell (or p lies
  // outside the root).
  const Leaf* locate(const gr_cpoint& p) const;
  Locale locale(const Leaf& lf) const {
    return {shapes_.data() + lf.shape0,
            shapes_.data() + lf.shape1,
            edges_.data() + lf.edge0,
            edges_.data() + lf.edge1,
            lf.ref,
            lf.wnd};
  }
  // Leaves list what reaches their box grown by this margin: more than the
  // rounding of a point located in them, and than the hair the point test
  // looks beyond it.
  double list_margin() const { return list_margin_; }

 private:
  // A cell of the tree: split (its first of four children, in the order
  // lower left, lower right, upper left, upper right), a leaf, or dropped.
  struct Node {
    int32_t first_child;  // -1 unless split
    int32_t leaf;         // -1 unless a leaf
  };
  gr_xy_rect root_{};
  std::vector<Node> nodes_;
  std::vector<Leaf> leaves_;
  std::vector<int> shapes_, edges_;
  double list_margin_ = 0;
};

// The part of a segment within a cell's box: a chord runs from border to
// border, a stub ends inside.
struct CellPart {
  gr_cpoint p, q;
  bool chord;
};

// The pairs of parts in box r that may meet: calls f(i, j), i < j, for
// every pair of chords whose ends interleave around the border or lie
// within tol of each other's (two chords of a convex box cross inside it
// exactly when their ends interleave), and for every stub with every part
// that comes within tol of it. Needle-like outlines fill a cell with long,
// nearly parallel lines of which few cross there: the pairs found cost
// about as much as sorting the ends.
class CellPairs {
 public:
  template <class F>
  void find(const gr_xy_rect& r, const std::vector<CellPart>& parts, double tol, F&& f) {
    collect(r, parts, tol);
    for (const auto& [i, j] : found_) f(i, j);
  }

 private:
  struct End {
    double s;  // position around the border
    uint32_t part;
    bool opens;
  };
  void collect(const gr_xy_rect& r, const std::vector<CellPart>& parts, double tol);
  std::vector<End> ends_;
  std::vector<uint32_t> next_, prev_;
  std::vector<std::pair<size_t, size_t>> found_;
};

// Whether no two of the polygon's edges cross or touch (other than
// neighbours at their shared point).
bool polygon_is_simple(const std::vector<gr_cpoint>& poly);

}  // namespace geomkit::offset

#endif
