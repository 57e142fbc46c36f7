// Offset engine, step 4: the crossings of the offset lines.
//
// Every pair of non-neighbouring lines that cross in one point gives a node
// in both lines' crossing lists. The lines are infinite, so nearly every
// pair crosses somewhere: the full lists hold about n^2 nodes. The sweep
// only ever asks two questions of them:
//   a) the node of S's list whose partner is O: a pure function of the two
//      lines (their corner parameters for neighbours, otherwise the
//      parameter gr_intersect_line_line gives), computed on demand;
//   b) the nodes of L's list between two of its nodes whose partner line M
//      "accepts" them (insert___par), where accepting requires M's crossing
//      with L to lie inside M's current piece span, a finite stretch of M.
// So (b) only needs the lines whose piece span crosses the stretch of L
// being walked; an index of those spans (a uniform grid over the lines'
// extents, kept up to date as piece lists change) finds them. The lists are
// ordered by exact parameter, ties by partner index, which is a total order:
// the nodes found through the index come out in the order the full list
// holds them, and the nodes left out would have been rejected. Both modes
// therefore give identical results (the tests check it on the corpus).
#include "offset/offset_engine_p.h"
#include "offset/offset_grid_p.h"
#include "offset/offset_trace_p.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace geomkit::offset {

namespace {

bool node_less(const Node& a, const Node& b) {
  return a.par < b.par || (a.par == b.par && a.partner < b.partner);
}

}  // namespace

// The index of piece spans: every line whose piece list has two or more
// nodes is registered along the segment from its lowest to its highest
// piece parameter (plus the tolerance the accepting test allows past the
// last one). A fine grid sized by the edges holds the short spans; a coarse
// one over all corners holds every span, and apart from it the long ones (a
// fine grid would need too many cells for them). Spans that leave the
// coarse grid are kept in a list every query looks at. Registrations are
// only ever widened; stale cells are harmless since every candidate is
// checked exactly.
class CrossingIndex {
 public:
  explicit CrossingIndex(const EqvidistContext& ctx) : ctx_(ctx) {
    const int n = ctx.line_count();
    gr_xy_rect box{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                   -std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()};
    std::vector<double> lens;
    lens.reserve(static_cast<size_t>(n));
    for (const OffsetLine& L : ctx.lines()) {
      if (L.flag == kFlagShort) continue;
      gr_cpoint a = L.line.p, b;
      gr_conv_linepar_to_cpoint(&b, &L.line, L.end_par);
      grow_box(box, a);
      grow_box(box, b);
      lens.push_back(gr_dist_cpoints(&L.q, &L.r));
    }
    const double w = box.x2 - box.x1, h = box.y2 - box.y1, ext = std::max(w, h);
    // The fine cells are sized by the edges, but no coarser than a few times
    // the corners' mean spacing: on needle-like outlines the edges are long
    // and lie close together, and cells sized by them would each hold
    // nearly every line.
    const double spread = std::sqrt(std::max(w * h, ext * ext * 1e-6) / (4.0 * n + 16));
    fine_.init(box, std::min(6 * median_length(std::move(lens), ext * 1e-6), 4 * spread));
    coarse_.init(box, spread);
    reg_lo_.assign(static_cast<size_t>(n), 0);
    reg_hi_.assign(static_cast<size_t>(n), -1);
    listed_.assign(static_cast<size_t>(n), 0);
    partial_.assign(static_cast<size_t>(n), 0);
    stamp_.assign(static_cast<size_t>(n), 0);
  }

  // Line l's piece list has taken nodes with parameters within
  // [lo, hi]. The span registered covers every node of the list, except
  // while the list holds a single node (it is not registered then).
  void update(int l, double lo, double hi) {
    const OffsetLine& L = ctx_.lines()[static_cast<size_t>(l)];
    const size_t k = static_cast<size_t>(l);
    if (L.pieces.size() < 2) {
      partial_[k] = 1;
      return;
    }
    if (listed_[k]) return;
    if (partial_[k] || reg_lo_[k] > reg_hi_[k]) {
      partial_[k] = 0;
      for (const Node& nd : L.pieces) {
        lo = std::min(lo, nd.par);
        hi = std::max(hi, nd.par);
      }
    }
    hi += 2 * kTol;
    lo -= kTol;
    if (reg_lo_[k] <= reg_hi_[k] && reg_lo_[k] <= lo && hi <= reg_hi_[k]) return;
    if (reg_lo_[k] <= reg_hi_[k]) {
      lo = std::min(lo, reg_lo_[k]);
      hi = std::max(hi, reg_hi_[k]);
    }
    reg_lo_[k] = lo;
    reg_hi_[k] = hi;
    gr_cpoint a, b;
    gr_conv_linepar_to_cpoint(&a, &L.line, lo);
    gr_conv_linepar_to_cpoint(&b, &L.line, hi);
    if (!coarse_.contains(a) || !coarse_.contains(b)) {
      listed_[k] = 1;
      always_.push_back(l);
      return;
    }
    coarse_.for_segment_cells(a, b, [&](uint64_t c) { coarse_all_[c].push_back(l); });
    if (fine_.cells_along(a, b) > kMaxCells)
      coarse_.for_segment_cells(a, b, [&](uint64_t c) { coarse_long_[c].push_back(l); });
    else
      fine_.for_segment_cells(a, b, [&](uint64_t c) { fine_cells_[c].push_back(l); });
  }

  // Calls f(m) once for every line registered along L between lo and hi.
  template <class F>
  void candidates(int l, double lo, double hi, F&& f) {
    if (++epoch_ == 0) {
      std::fill(stamp_.begin(), stamp_.end(), 0);
      epoch_ = 1;
    }
    const OffsetLine& L = ctx_.lines()[static_cast<size_t>(l)];
    gr_cpoint a, b;
    gr_conv_linepar_to_cpoint(&a, &L.line, lo);
    gr_conv_linepar_to_cpoint(&b, &L.line, hi);
    auto visit = [&](int m) {
      if (stamp_[static_cast<size_t>(m)] == epoch_) return;
      stamp_[static_cast<size_t>(m)] = epoch_;
      f(m);
    };
    auto walk = [&](const CellGrid& g, const std::unordered_map<uint64_t, std::vector<int>>& cells) {
      g.for_segment_cells(a, b, [&](uint64_t c) {
        auto it = cells.find(c);
        if (it != cells.end())
          for (int m : it->second) visit(m);
      });
    };
    for (int m : always_) visit(m);
    if (fine_.cells_along(a, b) > kMaxCells) {
      walk(coarse_, coarse_all_);
    } else {
      walk(fine_, fine_cells_);
      walk(coarse_, coarse_long_);
    }
  }

 private:
  static constexpr double kMaxCells = 256;

  static void grow_box(gr_xy_rect& r, const gr_cpoint& p) {
    r.x1 = std::min(r.x1, p.x);
    r.y1 = std::min(r.y1, p.y);
    r.x2 = std::max(r.x2, p.x);
    r.y2 = std::max(r.y2, p.y);
  }

  const EqvidistContext& ctx_;
  CellGrid fine_, coarse_;
  std::unordered_map<uint64_t, std::vector<int>> fine_cells_, coarse_all_, coarse_long_;
  std::vector<double> reg_lo_, reg_hi_;
  std::vector<char> listed_;
  std::vector<char> partial_;  // nodes taken while the list held fewer than two
  std::vector<int> always_;
  std::vector<uint32_t> stamp_;
  uint32_t epoch_ = 0;
};

// Here, where the index is a complete type.
EqvidistContext::EqvidistContext(const Options& opt, OffsetTrace* trace)
    : opt_(opt), trace_(trace && trace->on() ? trace : nullptr) {}
EqvidistContext::~EqvidistContext() = default;

void EqvidistContext::find_crossings() {
  const int n = line_count();
  if (opt_.crossings == CrossingMode::kQuadratic || (trace_ && trace_->on())) {
    for (int v = 0; v < n; ++v) {
      const OffsetLine& Lv = lines_[static_cast<size_t>(v)];
      if (Lv.flag == kFlagShort) continue;
      for (int w = v + 2; w < n; ++w) {
        if (v == 0 && w == n - 1) continue;
        const OffsetLine& Lw = lines_[static_cast<size_t>(w)];
        if (Lw.flag == kFlagShort) continue;
        double tv = 0, tw = 0;
        if (gr_intersect_line_line(&tv, &Lv.line, &Lw.line) == 1) insert_glob_par(v, tv, w);
        if (gr_intersect_line_line(&tw, &Lw.line, &Lv.line) == 1) insert_glob_par(w, tw, v);
      }
    }
    for (OffsetLine& L : lines_) std::sort(L.crossings.begin(), L.crossings.end(), node_less);
  }
  if (opt_.crossings == CrossingMode::kFast) index_ = std::make_unique<CrossingIndex>(*this);
  if (trace_ && trace_->on()) {
    trace_->dump_crossings(*this);
    trace_->dump_dxf(*this);
    dump_lines();
  }
}

bool EqvidistContext::cross_par(int s, int o, double* t) const {
  if (s == o) return false;
  const OffsetLine& S = lines_[static_cast<size_t>(s)];
  if (opt_.crossings == CrossingMode::kQuadratic) {
    for (const Node& nd : S.crossings)
      if (nd.partner == o) {
        *t = nd.par;
        return true;
      }
    return false;
  }
  const OffsetLine& O = lines_[static_cast<size_t>(o)];
  if (S.flag == kFlagShort || O.flag == kFlagShort) return false;
  if (o == prev_line(s)) {
    *t = 0;
    return true;
  }
  if (o == next_line(s)) {
    *t = S.end_par;
    return true;
  }
  return gr_intersect_line_line(t, &S.line, &O.line) == 1;
}

void EqvidistContext::accepted_crossings_between(int l, int from_partner, int to_partner,
                                                 std::vector<Node>& out) {
  out.clear();
  const OffsetLine& L = lines_[static_cast<size_t>(l)];
  if (opt_.crossings == CrossingMode::kQuadratic) {
    size_t fi = L.crossings.size(), ti = L.crossings.size();
    for (size_t k = 0; k < L.crossings.size(); ++k) {
      if (fi == L.crossings.size() && L.crossings[k].partner == from_partner) fi = k;
      if (ti == L.crossings.size() && L.crossings[k].partner == to_partner) ti = k;
    }
    if (fi >= ti || ti == L.crossings.size()) return;
    for (size_t k = fi + 1; k < ti; ++k) {
      const Node& x = L.crossings[k];
      double tm = 0;
      if (cross_par(x.partner, l, &tm) && accepts(x.partner, tm, l)) out.push_back(x);
    }
    return;
  }
  Node lo{from_partner, 0}, hi{to_partner, 0};
  if (!cross_par(l, from_partner, &lo.par) || !cross_par(l, to_partner, &hi.par)) return;
  if (!node_less(lo, hi)) return;
  auto consider = [&](int m) {
    if (m == l || m == from_partner || m == to_partner) return;
    Node x{m, 0};
    double tm = 0;
    if (!cross_par(l, m, &x.par)) return;
    if (!node_less(lo, x) || !node_less(x, hi)) return;
    if (cross_par(m, l, &tm) && accepts(m, tm, l)) out.push_back(x);
  };
  consider(prev_line(l));
  if (next_line(l) != prev_line(l)) consider(next_line(l));
  index_->candidates(l, lo.par, hi.par, [&](int m) {
    if (m != prev_line(l) && m != next_line(l)) consider(m);
  });
  std::sort(out.begin(), out.end(), node_less);
}

void EqvidistContext::pieces_changed(int l, double lo, double hi) {
  if (index_) index_->update(l, lo, hi);
}

}  // namespace geomkit::offset
