// The coverage contour of the offset engine: shared records of
// offset_cover.cpp (the region and the boundary pieces) and
// offset_contour.cpp (chaining the pieces into loops, comparing contours).
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

#include <cmath>
#include <cstdint>
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
  gr_cpoint a, b;    // its end points
  int from, to;      // the candidates crossing at its ends, -1 an interval end
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

// The region U with its point test.
class Coverage {
 public:
  Coverage(const EqvidistContext& ctx, const std::vector<Candidate>& cands);
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
  const CoverGrids& grids() const { return grids_; }
  double scale() const { return scale_; }

 private:
  struct Strip {
    gr_cpoint q, u, nu;  // start, unit direction, unit offset normal
    double len;
  };
  struct Wedge {
    gr_cpoint v, u0, u1, n0, n1;  // vertex, directions and offset normals of the two edges
    int line;                     // the first edge's line
  };
  bool covered(const gr_cpoint& m, const gr_cpoint& dir, int line, double par) const;
  bool in_polygon(const gr_cpoint& z) const;
  void build_references();
  // g >= 0 just off m, where g is g0 at m and changes at rate dg along dir.
  bool holds(double g0, double dg) const { return g0 > margin_ || (g0 >= -margin_ && dg >= 0); }
  // Whether (w minus the distance of m from edge j's line) >= 0 holds just
  // off m: m on the edge's side of offset line j (dg as in holds()).
  bool inside_line(int j, const gr_cpoint& base, const gr_cpoint& nu, const gr_cpoint& m, int line, double par,
                   double dg) const;
  gr_cpoint reference(long cx, long cy) const;

  const EqvidistContext& ctx_;
  double w_;
  double scale_;
  double margin_;  // rounding margin of the constraint values
  double coarse_;  // below this, a constraint value is recomputed from the crossing
  CoverGrids grids_;
  std::vector<Strip> strips_;
  std::vector<Wedge> wedges_;
  SparseCells shapes_core_, shapes_outer_;  // id >= 0 strip, id < 0 wedge -(id + 1); shapes grid
  SparseCells edges_;                       // the polygon's edges, shapes grid
  // Per shapes-grid row: the x of the polygon's crossings of the row's reference
  // line, sorted, and the winding number just right of each.
  std::vector<uint32_t> row_start_;
  std::vector<double> row_x_;
  std::vector<int> row_wnd_;
};

}  // namespace geomkit::offset

#endif
