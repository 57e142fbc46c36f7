// The edge scan: the parameters of every hatch line of one element from one
// pass over its edges.
//
// Each edge is put, once, in the bucket of the first hatch line that comes
// within reach of it (its lower end less a slack), or nowhere when no line
// does. Going up line by line, the edges of the line's bucket join an
// active list and an edge leaves it once the lines have passed its upper
// end plus the slack. So a line looks only at the edges that reach it, and
// most edges of a finely divided outline are never looked at.
//
// For a line the active edges are decided exactly as the library decides
// them (gr_isct_line_polyline / gr_isct_line_polylines, keep_all 0):
//
//   line y through (0, y) pointing +x: a point's parameter is its x, its
//   signed distance d = y_point - y (in extended precision, then rounded)
//   edge a -> b:   both |d| < tol     on the line        nothing
//                  |da| < tol         starts on the line  code 3
//                  |db| < tol         ends on the line    code 4
//                  da db > 0          one side            nothing
//                  otherwise          crossing            t = xa when |xa - xb| < tol,
//                                                         else (xa |db| + xb |da|) / (|db| + |da|)
//   polyline set:  code 1 counts; code 4 counts where the outline crosses
//                  at the end vertex (vertex_crosses_line)
//   one polyline:  a crossing point away from both ends counts; one at an
//                  end counts for that vertex once, when the vertex before
//                  it is off the line and the outline crosses there
//
// and the parameters are ordered as the library inserts them, edge by edge
// in outline order: a value goes before the first one at least tol above
// it. When every two neighbours differ by tol or more that is plain sorted
// order; otherwise the insertions are replayed in outline order.
#include "db/hatch_p.h"

#include <geomkit/gr_poly.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace fgb {

namespace {

constexpr double kTol = GR_LMES_PREC;

// Reach of an edge beyond its ends, in height: a line farther than the
// tolerance from both ends on one side meets nothing, and the slack is ten
// times that plus room for the rounding of large coordinates, so no edge the
// exact test would count is left out of the active list.
constexpr double kSlack = 10 * GR_LMES_PREC;
constexpr double kSlackRelative = 1e-12;

struct Member {
  const gr_cpoint* pnt;
  uint32_t n;
};

struct Edge {
  uint64_t key;  // position in the library's walk over the element's edges
  double top;    // the last height the edge can reach
  uint32_t member;
  uint32_t i;  // from vertex i to vertex i + 1 (modulo n)
};

struct Hit {
  uint64_t key;  // the edge that inserts it
  double t;
};

struct VertexHit {
  uint64_t key;
  uint32_t v;
  double t;
};

// The signed distance of p from the line at height y, as the library
// measures it for a horizontal line through (0, y).
inline double deriv(const gr_cpoint& p, double y) {
  return static_cast<double>(static_cast<long double>(p.y) - static_cast<long double>(y));
}

// The library's line-segment decision from the ends' parameters and
// distances (codes as above; 0 none, 2 on the line) and its insertion rule
// (t goes before v), taken from the library's own internal header so that
// the scan decides exactly as gr_isct_line_polyline does. Only inline code
// of that header may be used here: the shared geomkit exports none of its
// other symbols.

// Does the outline of m cross the line at vertex k, which lies on it? The
// nearest vertices off the line before and after k (modulo n) must be
// distinct and on opposite sides.
bool vertex_crosses(const Member& m, uint32_t k, double y) {
  const uint32_t n = m.n;
  if (k >= n || std::fabs(deriv(m.pnt[k], y)) >= kTol) return false;
  double d_before = 0, d_after = 0;
  uint32_t before = k;
  do {
    before = before == 0 ? n - 1 : before - 1;
    d_before = deriv(m.pnt[before], y);
  } while (before != k && std::fabs(d_before) < kTol);
  if (before == k) return false;
  uint32_t after = k;
  do {
    after = after + 1 == n ? 0 : after + 1;
    d_after = deriv(m.pnt[after], y);
  } while (after != k && std::fabs(d_after) < kTol);
  if (after == k || after == before) return false;
  return static_cast<long double>(d_before) * d_after < 0;
}

class ScanLineParams final : public LineParams {
 public:
  bool init(int kind, const void* shape, const double* ys, std::size_t count) noexcept override;
  const std::vector<double>* params(std::size_t k) noexcept override;

 private:
  bool collect_edges(uint32_t member, bool closing);
  void bucket_edges();
  void hatch_set_edge(const Edge& e, double y);
  void hatch_single_edge(const Edge& e, double y);
  void settle_vertices(double y);
  void order_hits();

  bool single_ = false;  // one polyline (its own vertex rule) or a set
  const double* ys_ = nullptr;
  std::size_t count_ = 0;
  double mean_step_ = 0;  // (last height - first) / (count - 1)
  std::vector<Member> members_;
  std::vector<Edge> edges_;      // ordered by their first line
  std::vector<uint32_t> first_;  // first line of each edge, parallel to edges_
  std::size_t next_ = 0;         // next edge to join the active list
  std::size_t line_ = 0;         // next line expected
  std::vector<Edge> active_;
  std::vector<Hit> hits_;
  std::vector<VertexHit> vertex_hits_;
  std::vector<double> out_;
};

// The first line at or above `lo`: an estimate from the mean step, then a
// walk to the exact index (the heights are sums of steps, so the estimate
// is off by a line at most).
std::size_t first_line_at(const double* ys, std::size_t count, double mean_step, double lo) {
  std::size_t k = 0;
  if (mean_step > 0) {
    const double est = (lo - ys[0]) / mean_step;
    if (!(est > 0))
      k = 0;
    else if (est >= static_cast<double>(count))
      k = count;
    else
      k = static_cast<std::size_t>(est);
  }
  while (k > 0 && ys[k - 1] >= lo) --k;
  while (k < count && ys[k] < lo) ++k;
  return k;
}

bool ScanLineParams::collect_edges(uint32_t member, bool closing) {
  const Member& m = members_[member];
  const uint32_t edges = closing ? m.n : m.n - 1;
  for (uint32_t i = 0; i < edges; ++i) {
    const gr_cpoint& a = m.pnt[i];
    const gr_cpoint& b = m.pnt[i + 1 == m.n ? 0 : i + 1];
    if (!std::isfinite(a.y) || !std::isfinite(b.y) || !std::isfinite(a.x) || !std::isfinite(b.x))
      return false;
    const double ylo = a.y < b.y ? a.y : b.y, yhi = a.y < b.y ? b.y : a.y;
    const double slack = kSlack + kSlackRelative * std::max(std::fabs(ylo), std::fabs(yhi));
    const double lo = ylo - slack, hi = yhi + slack;
    const std::size_t k = first_line_at(ys_, count_, mean_step_, lo);
    if (k == count_ || ys_[k] > hi) continue;  // no line comes near it
    edges_.push_back(Edge{0, hi, member, i});
    first_.push_back(static_cast<uint32_t>(k));
  }
  return true;
}

bool ScanLineParams::init(int kind, const void* shape, const double* ys, std::size_t count) noexcept {
  members_.clear();
  edges_.clear();
  first_.clear();
  active_.clear();
  next_ = line_ = 0;
  ys_ = ys;
  count_ = count;
  mean_step_ = count > 1 ? (ys[count - 1] - ys[0]) / static_cast<double>(count - 1) : 0;
  if (!shape || count > UINT32_MAX) return false;
  try {
    if (kind == FGB_POLYLINE) {
      single_ = true;
      auto* p = static_cast<const gr_polyline*>(shape);
      if (p->n == 0 || count == 0) return true;
      members_.push_back(Member{p->pnt, p->n});
      if (!collect_edges(0, p->closed != 0)) return false;
    } else if (kind == FGB_POLYLINES) {
      single_ = false;
      auto* set = static_cast<const gr_polylines*>(shape);
      if (count == 0) return true;
      const gr_polyline* m = gr_polylines_first(set);
      for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m)) {
        if (m->n == 0) continue;  // the library passes over empty members
        members_.push_back(Member{m->pnt, m->n});
      }
      for (uint32_t i = 0; i < members_.size(); ++i)
        if (!collect_edges(i, true)) return false;
    } else {
      return true;
    }
    bucket_edges();
    return true;
  } catch (...) {
    return false;
  }
}

// Keys follow the library's walk (members in order, edges in order), which
// is the order edges_ was filled in; then the edges are ordered by their
// first line, stably.
void ScanLineParams::bucket_edges() {
  const std::size_t e = edges_.size();
  // Edges that no line reaches were left out, so an edge's key is its index
  // in the walk: its member's offset plus its first vertex.
  std::vector<uint64_t> offset(members_.size(), 0);
  uint64_t total = 0;
  for (std::size_t m = 0; m < members_.size(); ++m) {
    offset[m] = total;
    total += members_[m].n;
  }
  for (Edge& ed : edges_) ed.key = offset[ed.member] + ed.i;

  std::vector<Edge> sorted(e);
  std::vector<uint32_t> sorted_first(e);
  if (count_ <= 4 * e + 1024) {
    // Counting sort over the lines.
    std::vector<uint32_t> start(count_ + 1, 0);
    for (uint32_t f : first_) ++start[f + 1];
    for (std::size_t k = 0; k < count_; ++k) start[k + 1] += start[k];
    for (std::size_t i = 0; i < e; ++i) {
      const uint32_t at = start[first_[i]]++;
      sorted[at] = edges_[i];
      sorted_first[at] = first_[i];
    }
  } else {
    std::vector<uint32_t> order(e);
    for (uint32_t i = 0; i < e; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return first_[a] < first_[b]; });
    for (std::size_t i = 0; i < e; ++i) {
      sorted[i] = edges_[order[i]];
      sorted_first[i] = first_[order[i]];
    }
  }
  edges_.swap(sorted);
  first_.swap(sorted_first);
}

void ScanLineParams::hatch_set_edge(const Edge& e, double y) {
  const Member& m = members_[e.member];
  const uint32_t j = e.i + 1 == m.n ? 0 : e.i + 1;
  const gr_cpoint& a = m.pnt[e.i];
  const gr_cpoint& b = m.pnt[j];
  double t = 0;
  switch (gr_isct_params_code(&t, a.x, deriv(a, y), b.x, deriv(b, y))) {
    case 1: hits_.push_back(Hit{e.key, t}); break;
    case 4:
      if (vertex_crosses(m, j, y)) hits_.push_back(Hit{e.key, t});
      break;
    default: break;  // on the line, or starting on it (its vertex is the previous edge's)
  }
}

void ScanLineParams::hatch_single_edge(const Edge& e, double y) {
  const Member& m = members_[e.member];
  const uint32_t j = e.i + 1 == m.n ? 0 : e.i + 1;
  const gr_cpoint& a = m.pnt[e.i];
  const gr_cpoint& b = m.pnt[j];
  double t = 0;
  const int code = gr_isct_params_code(&t, a.x, deriv(a, y), b.x, deriv(b, y));
  if (code == 0 || code == 2) return;
  // Where the crossing lies decides, as in the library: away from both
  // ends it counts; at an end it belongs to that vertex.
  const gr_line line{{0, y}, {0, 1}};
  gr_cpoint x;
  gr_conv_linepar_to_cpoint(&x, &line, t);
  const bool near_a = gr_dist_cpoints(&x, &a) < kTol;
  const bool near_b = !near_a && gr_dist_cpoints(&x, &b) < kTol;
  if (!near_a && !near_b)
    hits_.push_back(Hit{e.key, t});
  else
    vertex_hits_.push_back(VertexHit{e.key, near_a ? e.i : j, t});
}

// A vertex on the line met by two edges counts once, at the first of them
// in the walk, and only as the first vertex of a run on the line and where
// the outline crosses.
void ScanLineParams::settle_vertices(double y) {
  if (vertex_hits_.empty()) return;
  std::sort(vertex_hits_.begin(), vertex_hits_.end(),
            [](const VertexHit& p, const VertexHit& q) { return p.v != q.v ? p.v < q.v : p.key < q.key; });
  const Member& m = members_[0];
  for (std::size_t i = 0; i < vertex_hits_.size(); ++i) {
    const VertexHit& h = vertex_hits_[i];
    if (i > 0 && vertex_hits_[i - 1].v == h.v) continue;
    const uint32_t before = h.v == 0 ? m.n - 1 : h.v - 1;
    if (std::fabs(deriv(m.pnt[before], y)) < kTol) continue;
    if (vertex_crosses(m, h.v, y)) hits_.push_back(Hit{h.key, h.t});
  }
  vertex_hits_.clear();
}

void ScanLineParams::order_hits() {
  out_.clear();
  std::sort(hits_.begin(), hits_.end(),
            [](const Hit& p, const Hit& q) { return p.t != q.t ? p.t < q.t : p.key < q.key; });
  bool apart = true;
  for (std::size_t i = 1; i < hits_.size() && apart; ++i)
    apart = gr_param_goes_before(hits_[i - 1].t, hits_[i].t);
  if (apart) {
    for (const Hit& h : hits_) out_.push_back(h.t);
    return;
  }
  // Values within the tolerance of each other: replay the insertions.
  std::sort(hits_.begin(), hits_.end(), [](const Hit& p, const Hit& q) { return p.key < q.key; });
  for (const Hit& h : hits_) {
    std::size_t j = 0;
    while (j < out_.size() && !gr_param_goes_before(h.t, out_[j])) ++j;
    out_.insert(out_.begin() + static_cast<std::ptrdiff_t>(j), h.t);
  }
}

const std::vector<double>* ScanLineParams::params(std::size_t k) noexcept {
  if (k >= count_ || k < line_) return nullptr;  // lines are asked for going up
  line_ = k + 1;
  const double y = ys_[k];
  try {
    while (next_ < edges_.size() && first_[next_] <= k) active_.push_back(edges_[next_++]);
    hits_.clear();
    for (std::size_t i = 0; i < active_.size();) {
      const Edge& e = active_[i];
      if (e.top < y) {
        active_[i] = active_.back();
        active_.pop_back();
        continue;
      }
      if (single_)
        hatch_single_edge(e, y);
      else
        hatch_set_edge(e, y);
      ++i;
    }
    settle_vertices(y);
    order_hits();
  } catch (...) {
    return nullptr;
  }
  return &out_;
}

}  // namespace

std::unique_ptr<LineParams> make_scan_line_params() { return std::make_unique<ScanLineParams>(); }

}  // namespace fgb
