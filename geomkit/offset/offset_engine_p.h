// The offset engine behind gr_eqvidist_polyline: its records, its context
// and its stages.
//
// The engine works on offset lines, one infinite line per edge of the
// prepared polygon, parametrised by signed length from the line's start
// corner, and on sorted lists of (partner line, parameter) nodes along them.
// Stages, each in its own file:
//   offset_prepare.cpp    1 side of the offset, 2 preparation and rotation,
//                         3 offset lines with corner bisectors and flags
//   offset_crossings.cpp  4 the crossings of the lines (quadratic lists, or
//                         the fast index that answers the same questions)
//   offset_sweep.cpp      5 the sweep: execute_lib, peres_2_elem
//   offset_lists.cpp      5 the list routines of the sweep, and the piece
//                         lists themselves (offset_piece_list_p.h)
//   offset_pieces.cpp     6 pieces with the parity flag, 7 greedy assembly
//   offset_cover.cpp      the coverage contour that checks the sweep's result
//   offset_contour.cpp    and replaces it when it is not the offset
//   offset_prune.cpp      (offset_cover_p.h), with the pruning tree for
//                         outlines whose grids would be crowded
//   offset_trace.cpp      the developer trace log and dump files
//
// All state lives in one EqvidistContext per call: the engine is re-entrant.
#ifndef GEOMKIT_OFFSET_ENGINE_P_H
#define GEOMKIT_OFFSET_ENGINE_P_H

#include "offset/offset_piece_list_p.h"

#include <geomkit/gr_poly.h>
#include <geomkit/gr_types.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace geomkit::offset {

class OffsetTrace;
class CrossingIndex;

// Every length, parameter and coordinate comparison of the engine uses the
// library tolerance.
inline constexpr double kTol = GR_LMES_PREC;
// Step 1 moves its probe this far off the polygon: far enough to leave the
// tolerance band of the edge, small against any drawn feature (1/1000 inch).
inline constexpr double kProbeStep = 0.001;

// Sweep states of a line.
enum : int16_t {
  kStateCut = -2,     // cut away entirely
  kStateFresh = 0,    // not yet reached
  kStateReached = 1,  // reached
  kStateKept = 2,     // reached, contributes pieces
  kStateWaiting = 4,  // waits for a crossing found further on
};

// Direction flags of a line.
enum : int16_t {
  kFlagShort = -1,  // edge shorter than the tolerance: takes no part
  kFlagTurned = 0,  // the end corner lies before the start corner
  kFlagKeeps = 1,   // the moved edge keeps its direction
};

// One offset line per edge v of the prepared polygon (edge v runs from
// point v + 1 to point v + 2, cyclically).
struct OffsetLine {
  gr_line line;        // start corner (parameter 0) and direction
  double end_par = 0;  // parameter of the end corner
  gr_cpoint q{}, r{};  // the edge before moving
  int16_t state = kStateFresh;
  int16_t flag = kFlagKeeps;
  int index = 0;                // the line's own index
  int wait_idx = -1;            // waiting partner, -1 none
  double wait_par = 0;          // its parameter on this line
  bool wait_real = false;       // whether the held crossing passed the side test
  bool start_flat = false;      // the bisector at the start ran parallel: corner at the foot
  bool end_flat = false;        // likewise at the end
  PieceList pieces;             // where the kept contour enters or leaves
  std::vector<Node> crossings;  // quadratic mode only: every crossing
};

// How step 4 is answered: every pair of lines up front (the quadratic
// lists), or on demand through an index over the lines' kept extents.
// Both give identical results; the quadratic mode exists to prove it.
enum class CrossingMode { kFast, kQuadratic };

// How the coverage contour finds crossings and locates points: through
// uniform grids, or through the pruning tree (offset_cover_p.h). By
// default the grids, unless their cells would be crowded; both give the
// same contour, and the forced modes exist to prove it.
enum class CoverMode { kAuto, kGrids, kTree };

struct Options {
  CrossingMode crossings = CrossingMode::kFast;
  CoverMode cover = CoverMode::kAuto;
  // Compare the sweep's contour with the coverage contour and return the
  // latter when they differ. Off only in tests that look at the raw sweep.
  bool check = true;
  // Run the sweep at all (off: the coverage contour alone).
  bool sweep = true;
};

// What happened inside one call, for tests and the trace.
enum class SweepOutcome {
  kNotRun,  // failed before the sweep, or Options::sweep was off
  kKept,    // the sweep's contour is the result
  kWrong,   // the sweep built a contour that is not the offset
  kFailed,  // the sweep failed (or gave up after its work budget)
};

struct Report {
  SweepOutcome outcome = SweepOutcome::kNotRun;
  bool side_mended = false;  // step 1's probe crossed another edge
  bool cover_ok = false;     // the coverage contour was built
  long comparisons = 0;      // peres_2_elem calls
};

// A closed contour: pts repeats its first point as its last; lines[k] is the
// offset line that segment k (pts[k] to pts[k+1]) lies on (>= the line count
// for the flat caps of the coverage contour).
struct Loop {
  std::vector<gr_cpoint> pts;
  std::vector<int> lines;
};

// The engine. Returns 1 with the contour in out (possibly empty when the
// offset vanishes), 0 on failure (out empty).
int eqvidist(const gr_cpoint* pts, uint32_t n, double d, const Options& opt, std::vector<Loop>& out,
             Report* report = nullptr);

// The per-call state.
class EqvidistContext {
 public:
  EqvidistContext(const Options& opt, OffsetTrace* trace);
  ~EqvidistContext();
  EqvidistContext(const EqvidistContext&) = delete;
  EqvidistContext& operator=(const EqvidistContext&) = delete;

  // ---- offset_prepare.cpp ----
  // Step 1. Sets b_; false when |d| is below the tolerance or the probe
  // lies on the polygon.
  bool side_of_offset(const gr_cpoint* pts, uint32_t n, double d);
  // Step 2. False when fewer than three distinct points remain.
  bool prepare(const gr_cpoint* pts, uint32_t n);
  // Step 3.
  void build_offset_lines();

  // ---- offset_crossings.cpp ----
  // Step 4: fills the crossing lists (quadratic mode) or the index.
  void find_crossings();
  // The node of S's crossing list whose partner is O.
  bool cross_par(int s, int o, double* t) const;
  // The crossings of L strictly between its node with partner from_partner
  // and its node with partner to_partner (in list order) whose partner line
  // accepts them, in list order.
  void accepted_crossings_between(int l, int from_partner, int to_partner, std::vector<Node>& out);
  // Keeps the index in step with a piece list that has just taken nodes
  // whose parameters lie within [lo, hi].
  void pieces_changed(int l, double lo, double hi);

  // ---- offset_lists.cpp ----
  bool real_li_point(const gr_cpoint& pt, const gr_line& line) const;
  static bool belong_i_group(int a, int lo, int hi);
  int increment_i(int i, bool forward, int lo, int hi) const;
  bool find_par_at_atribute(int l, int end, double* par) const;
  void insert_glob_par(int l, double par, int partner);
  void insert___par(int l, double par, int partner);
  void insert__dopolnitelny(int m, double par, int partner);
  int find_per_linii_s_segm(int s, int o, int st_s, int st_o, int e, int f, double* t_s, double* t_o);
  // Accepting test of insert___par: where par would go into M's pieces is
  // before a node that has a predecessor and a partner other than partner.
  bool accepts(int m, double par, int partner) const;

  // ---- offset_sweep.cpp ----
  // Step 5. False when the sweep fails.
  bool execute_lib();
  int peres_2_elem(int s, int o, int f);

  // ---- offset_pieces.cpp ----
  // Steps 6 and 7.
  void make_contour(std::vector<Loop>& out);

  // ---- offset_cover.cpp ----
  // The coverage contour: the boundary of the region every edge's strip
  // and every mitre wedge covers (grown) or leaves (shrunk). False when it
  // cannot be built.
  bool cover_contour(std::vector<Loop>& out);
  // True when two contours are the same loops (as sequences of lines).
  bool same_contour(const std::vector<Loop>& a, const std::vector<Loop>& b) const;

  double b() const { return b_; }
  int line_count() const { return static_cast<int>(lines_.size()); }
  const std::vector<OffsetLine>& lines() const { return lines_; }
  const std::vector<gr_cpoint>& polygon() const { return poly_; }
  bool grows() const { return grows_; }
  long comparisons() const { return comparisons_; }
  bool side_mended() const { return side_mended_; }

 private:
  friend class CrossingIndex;
  friend class OffsetTrace;

  gr_cpoint point_at(int l, double par) const;
  void advance(int l);
  void cut(int l);
  void set_state(int l, int16_t st);
  bool budget_left();
  void dump_lines();
  int prev_line(int l) const { return l == 0 ? line_count() - 1 : l - 1; }
  int next_line(int l) const { return l + 1 == line_count() ? 0 : l + 1; }
  // The largest line index below j with a non-negative state, or -1.
  int prev_alive(int j) const;

  // Pieces with the parity flag (step 6) and the assembly (step 7).
  struct Segment {
    gr_cpoint a, b;
    int line;
    bool used;
  };

  Options opt_;
  OffsetTrace* trace_;
  double d_ = 0;
  double b_ = 0;       // signed distance: positive = to the right of the edges
  bool grows_ = true;  // d > 0
  bool side_mended_ = false;
  std::vector<gr_cpoint> poly_;  // the prepared polygon
  std::vector<OffsetLine> lines_;
  std::unique_ptr<CrossingIndex> index_;
  // Sweep flags.
  bool finishing_ = false;
  bool wrapped_ = false;
  int parity_ = 1;
  long comparisons_ = 0;
  long work_ = 0;
  long work_budget_ = 0;
  // Lines with a non-negative state, for quick skipping of cut lines.
  std::vector<uint64_t> alive_;
};

}  // namespace geomkit::offset

#endif
