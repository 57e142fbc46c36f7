// Offset engine, the list routines of the sweep: the side test, the index
// helpers, the piece-parameter lookups and the insertions into crossing and
// piece lists.
//
// Piece lists: nodes in ascending parameter order where the kept contour
// enters or leaves a line. A parameter p goes before the first node that is
// not smaller than p by the tolerance or more; nothing is inserted when
// that node (or, when appending, the last node) already has the partner.
#include "offset/offset_engine_p.h"
#include "offset/offset_trace_p.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace geomkit::offset {

// ---- piece lists ----

double PieceList::top_of(const std::vector<Node>& nodes) {
  double top = -INFINITY;
  for (const Node& nd : nodes) top = std::isnan(nd.par) ? INFINITY : std::max(top, nd.par);
  return top;
}

void PieceList::retop() {
  Blocks& bg = *big_;
  bg.tops.resize(bg.blocks.size());
  bg.sizes.resize(bg.blocks.size());
  bg.size = 0;
  for (size_t b = 0; b < bg.blocks.size(); ++b) {
    bg.tops[b] = top_of(bg.blocks[b]);
    bg.sizes[b] = bg.blocks[b].size();
    bg.size += bg.sizes[b];
  }
  if (bg.size == 0) big_.reset();
}

std::pair<size_t, size_t> PieceList::locate(size_t k) const {
  size_t b = 0;
  while (k >= big_->sizes[b]) k -= big_->sizes[b++];
  return {b, k};
}

const Node& PieceList::at_in_blocks(size_t k) const {
  const auto [b, i] = locate(k);
  return big_->blocks[b][i];
}

PieceList::operator const std::vector<Node>&() const {
  if (!big_) return small_;
  big_->flat.clear();
  for (const std::vector<Node>& b : big_->blocks) big_->flat.insert(big_->flat.end(), b.begin(), b.end());
  return big_->flat;
}

size_t PieceList::position_in_blocks(double p, const Node** at) const {
  auto before = [p](double par) { return p - par >= kTol; };
  const Blocks& bg = *big_;
  size_t pos = 0;
  for (size_t b = 0; b < bg.tops.size(); ++b) {
    if (before(bg.tops[b])) {
      pos += bg.sizes[b];
      continue;
    }
    for (const Node& nd : bg.blocks[b]) {
      if (!before(nd.par)) {
        if (at) *at = &nd;
        return pos;
      }
      ++pos;
    }
  }
  if (at) *at = nullptr;
  return pos;
}

void PieceList::insert_in_blocks(size_t pos, const Node& nd) {
  if (!big_) {
    // The plain array has grown too long: into blocks.
    big_ = std::make_unique<Blocks>();
    for (size_t at = 0; at < small_.size(); at += kBlock) {
      const auto from = small_.begin() + static_cast<std::ptrdiff_t>(at);
      big_->blocks.emplace_back(from,
                                from + static_cast<std::ptrdiff_t>(std::min(kBlock, small_.size() - at)));
    }
    small_.clear();
    small_.shrink_to_fit();
    retop();
  }
  Blocks& bg = *big_;
  size_t b = bg.blocks.size() - 1, i = bg.sizes.back();
  if (pos < bg.size) std::tie(b, i) = locate(pos);
  std::vector<Node>& blk = bg.blocks[b];
  blk.insert(blk.begin() + static_cast<std::ptrdiff_t>(i), nd);
  bg.tops[b] = std::isnan(nd.par) ? INFINITY : std::max(bg.tops[b], nd.par);
  ++bg.sizes[b];
  ++bg.size;
  if (blk.size() > 2 * kBlock) {
    // Both halves anew, without the room the full block had grown.
    std::vector<Node> head(blk.begin(), blk.begin() + kBlock), tail(blk.begin() + kBlock, blk.end());
    blk.swap(head);
    const auto next = static_cast<std::ptrdiff_t>(b) + 1;
    bg.tops.insert(bg.tops.begin() + next, top_of(tail));
    bg.sizes.insert(bg.sizes.begin() + next, tail.size());
    bg.blocks.insert(bg.blocks.begin() + next, std::move(tail));
    bg.tops[b] = top_of(bg.blocks[b]);
    bg.sizes[b] = kBlock;
  }
}

void PieceList::truncate(size_t k) {
  if (!big_) {
    if (k < small_.size()) small_.resize(k);
    return;
  }
  if (k >= big_->size) return;
  if (k == 0) {
    big_.reset();
    return;
  }
  Blocks& bg = *big_;
  const auto [b, i] = locate(k);
  const size_t keep = i == 0 ? b : b + 1;
  bg.blocks.resize(keep);
  bg.tops.resize(keep);
  bg.sizes.resize(keep);
  if (i > 0) {
    bg.blocks[b].resize(i);
    bg.tops[b] = top_of(bg.blocks[b]);
    bg.sizes[b] = i;
  }
  bg.size = k;
}

void PieceList::drop_front(size_t k) {
  if (!big_) {
    small_.erase(small_.begin(), small_.begin() + static_cast<std::ptrdiff_t>(std::min(k, small_.size())));
    return;
  }
  if (k == 0) return;
  if (k >= big_->size) {
    big_.reset();
    return;
  }
  Blocks& bg = *big_;
  const auto [b, i] = locate(k);
  const auto nb = static_cast<std::ptrdiff_t>(b);
  bg.blocks.erase(bg.blocks.begin(), bg.blocks.begin() + nb);
  bg.tops.erase(bg.tops.begin(), bg.tops.begin() + nb);
  bg.sizes.erase(bg.sizes.begin(), bg.sizes.begin() + nb);
  std::vector<Node>& nodes = bg.blocks.front();
  nodes.erase(nodes.begin(), nodes.begin() + static_cast<std::ptrdiff_t>(i));
  bg.tops.front() = top_of(nodes);
  bg.sizes.front() = nodes.size();
  bg.size -= k;
}

// A point is real when it lies on the line or on its offset side: left of
// the line for b <= 0 (edges moved left), right of it for b >= 0.
bool EqvidistContext::real_li_point(const gr_cpoint& pt, const gr_line& line) const {
  if (trace_) trace_->log("real_li_point", kTraceEntry);
  double e = gr_deriv_line_cpoint(&line, &pt);
  if (std::fabs(e) <= kTol) return true;
  if (e > kTol) return b_ <= 0;
  return b_ >= 0;
}

// a in the range (lo, hi), either way round.
bool EqvidistContext::belong_i_group(int a, int lo, int hi) {
  return lo <= hi ? lo <= a && a <= hi : hi <= a && a <= lo;
}

// One cyclic step, repeated over lines that do not keep their direction as
// long as the index stays within (lo, hi).
int EqvidistContext::increment_i(int i, bool forward, int lo, int hi) const {
  if (trace_) trace_->log("increment_i", kTraceEntry);
  const int n = line_count();
  for (int guard = 0; guard < n; ++guard) {
    i = forward ? (i + 1 == n ? 0 : i + 1) : (i == 0 ? n - 1 : i - 1);
    if (!belong_i_group(i, lo, hi) || lines_[static_cast<size_t>(i)].flag == kFlagKeeps) break;
  }
  return i;
}

// The first (end 0) or last (end 1) piece parameter of line l.
bool EqvidistContext::find_par_at_atribute(int l, int end, double* par) const {
  if (trace_) trace_->log("find_par_at_atribute", kTraceEntry);
  const PieceList& p = lines_[static_cast<size_t>(l)].pieces;
  if (p.empty()) {
    if (trace_) trace_->log("find_par_at_atribute", kTraceNoPiece);
    return false;
  }
  *par = end == 0 ? p.front().par : p.back().par;
  return true;
}

// Crossing lists are sorted once all their nodes are in (find_crossings).
void EqvidistContext::insert_glob_par(int l, double par, int partner) {
  if (trace_) trace_->log("insert_glob_par", kTraceEntry);
  lines_[static_cast<size_t>(l)].crossings.push_back(Node{partner, par});
}

bool EqvidistContext::accepts(int m, double par, int partner) const {
  const Node* at = nullptr;
  const size_t pos = lines_[static_cast<size_t>(m)].pieces.position(par, &at);
  return pos > 0 && at && at->partner != partner;
}

// An extra piece parameter of line m where another line's kept part passes
// through m's kept part (the caller checked accepts()).
void EqvidistContext::insert__dopolnitelny(int m, double par, int partner) {
  if (trace_) trace_->log("insert__dopolnitelny", kTraceEntry);
  PieceList& p = lines_[static_cast<size_t>(m)].pieces;
  const Node* at = nullptr;
  const size_t pos = p.position(par, &at);
  if (at && at->partner == partner) return;
  p.insert(pos, Node{partner, par});
  pieces_changed(m, par, par);
}

// Insertion into a piece list. Before the finishing phase a node inserted
// in front of others becomes the last piece (what lay beyond it is cut
// off); an appended node first takes over the crossings between the former
// last piece and itself where another kept part passes. In the finishing
// phase, which closes the loop at its start, the same happens at the front.
void EqvidistContext::insert___par(int l, double par, int partner) {
  if (trace_) trace_->log("insert___par", kTraceEntry);
  if (partner < 0) return;
  PieceList& p = lines_[static_cast<size_t>(l)].pieces;
  const Node* next = nullptr;
  const size_t pos = p.position(par, &next);
  if (next && next->partner == partner) return;
  if (pos == p.size() && !p.empty() && p.back().partner == partner) return;
  const Node node{partner, par};
  std::vector<Node> extra;
  double lo = par, hi = par;  // parameters of the nodes taken
  auto take_over = [&](const Node& x) {
    double tm = 0;
    if (cross_par(x.partner, l, &tm)) insert__dopolnitelny(x.partner, tm, l);
    lo = std::min(lo, x.par);
    hi = std::max(hi, x.par);
  };
  if (!finishing_ && !wrapped_) {
    if (pos < p.size()) {
      p.insert(pos, node);
      p.truncate(pos + 1);
    } else {
      if (!p.empty()) {
        accepted_crossings_between(l, p.back().partner, partner, extra);
        for (const Node& x : extra) {
          take_over(x);
          p.push_back(x);
        }
      }
      p.push_back(node);
    }
  } else if (pos < p.size() && pos > 0) {
    p.insert(pos, node);
    p.drop_front(pos);
  } else if (pos == 0 && !p.empty()) {
    const int former = p.front().partner;
    accepted_crossings_between(l, partner, former, extra);
    p.insert(0, node);
    size_t at = 1;
    for (const Node& x : extra) {
      take_over(x);
      p.insert(at++, x);
    }
  } else {
    p.push_back(node);
  }
  pieces_changed(l, lo, hi);
}

// Where S crosses O relative to the kept parts of the two lines. t_s and
// t_o receive the crossing's parameters on S and on O.
//   1   the crossing lies on O's kept part (and on S's, when S is placed)
//   0   it does not (or a list lacks the node or a piece parameter)
//   2   it lies outside O's kept span (S placed), or the lines coincide
//   3   the lines are parallel
//   4/5 O waits: the crossing lies beyond its held parameter (4) or not (5)
//   -1  no rule for these states
int EqvidistContext::find_per_linii_s_segm(int s, int o, int st_s, int st_o, int e, int f, double* t_s,
                                           double* t_o) {
  if (trace_) trace_->log("find_per_linii_s_segm", kTraceEntry);
  if (!cross_par(s, o, t_s)) {
    if (trace_) trace_->log("find_per_linii_s_segm", kTraceNoNode);
    return 0;
  }
  const bool o_lists_s = cross_par(o, s, t_o);
  const OffsetLine& O = lines_[static_cast<size_t>(o)];
  auto parallel_code = [&]() {
    double t = 0;
    int c = gr_intersect_line_line(&t, &lines_[static_cast<size_t>(s)].line, &O.line);
    return c == 0 ? 3 : c == 2 ? 2 : 0;
  };
  // O's kept part starts (f = 0) or ends (f = 1) at q.
  auto on_o_end = [&]() {
    double q = 0;
    if (!find_par_at_atribute(o, f, &q)) return 0;
    return (std::fabs(*t_o - q) < kTol || (f == 1 && *t_o < q) || (f == 0 && *t_o > q)) ? 1 : 0;
  };
  // O's kept part spans q0..q1.
  auto on_o_span = [&](int outside) {
    double q0 = 0, q1 = 0;
    if (!find_par_at_atribute(o, 0, &q0) || !find_par_at_atribute(o, 1, &q1)) return 0;
    if (std::fabs(*t_o - q1) < kTol || std::fabs(*t_o - q0) < kTol) return 1;
    if (*t_o >= q1 || *t_o <= q0) return outside;
    return 1;
  };
  if (st_s == kStateFresh) {
    switch (st_o) {
      case kStateFresh: return o_lists_s ? 1 : parallel_code();
      case kStateReached: return o_lists_s ? on_o_end() : parallel_code();
      case kStateKept: return o_lists_s ? on_o_span(0) : 0;
      case kStateWaiting:
        if (!o_lists_s) return 5;
        return *t_o > O.wait_par + kTol ? 4 : 5;
      default: break;
    }
  } else if (st_s == kStateReached && (st_o == kStateReached || st_o == kStateKept)) {
    double p = 0;
    if (!find_par_at_atribute(s, e, &p)) return 0;
    if (std::fabs(*t_s - p) >= kTol && ((e == 1 && *t_s >= p) || (e == 0 && *t_s <= p))) return 0;
    if (!o_lists_s) return 0;
    return st_o == kStateReached ? on_o_end() : on_o_span(2);
  }
  if (trace_) trace_->log("find_per_linii_s_segm", kTraceBadStates);
  return -1;
}

}  // namespace geomkit::offset
