// The coverage contour, second half: candidate intervals, their crossings, the
// boundary pieces and their chaining into loops; and the comparison of two
// contours line by line. See offset_cover_p.h for the model.
#include "offset/offset_cover_p.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

namespace geomkit::offset {

namespace {

gr_cpoint sub(const gr_cpoint& a, const gr_cpoint& b) { return {a.x - b.x, a.y - b.y}; }
double cross(const gr_cpoint& a, const gr_cpoint& b) { return a.x * b.y - a.y * b.x; }

struct Split {
  double par;
  int partner;  // candidate index crossing here, -1 an interval end
};

// The candidate intervals (see offset_cover_p.h).
std::vector<Candidate> make_candidates(const EqvidistContext& ctx) {
  const std::vector<OffsetLine>& lines = ctx.lines();
  const int n = static_cast<int>(lines.size());
  const double w = std::fabs(ctx.b()), side = ctx.b() > 0 ? 1 : -1;
  std::vector<Candidate> out;
  out.reserve(static_cast<size_t>(n));
  auto dir_of = [](const OffsetLine& L) { return gr_cpoint{L.line.dir.cos, L.line.dir.sin}; };
  auto turns_away = [&](int v) {  // corner at the end of line v gets a mitre wedge
    const OffsetLine& A = lines[static_cast<size_t>(v)];
    const OffsetLine& B = lines[static_cast<size_t>(v + 1 == n ? 0 : v + 1)];
    if (A.end_flat || B.start_flat) return false;
    return cross(dir_of(A), dir_of(B)) * ctx.b() > 0;
  };
  for (int v = 0; v < n; ++v) {
    const OffsetLine& L = lines[static_cast<size_t>(v)];
    gr_cpoint u = dir_of(L), nu{side * u.y, -side * u.x};
    gr_cpoint q1{L.q.x + w * nu.x, L.q.y + w * nu.y};
    double a = gr_proj_cpoint_on_line(&q1, &L.line);
    double len = gr_dist_cpoints(&L.q, &L.r);
    double lo = a, hi = a + len;
    if (turns_away(v == 0 ? n - 1 : v - 1)) lo = std::min(lo, 0.0);
    if (turns_away(v)) hi = std::max(hi, L.end_par);
    out.push_back(Candidate{L.line, lo, hi, nu, v});
  }
  // Flat caps where a corner has no mitre point: from the end of one
  // offset edge straight across to the start of the next.
  for (int v = 0; v < n; ++v) {
    const OffsetLine& A = lines[static_cast<size_t>(v)];
    const OffsetLine& B = lines[static_cast<size_t>(v + 1 == n ? 0 : v + 1)];
    if (!(A.end_flat || B.start_flat)) continue;
    gr_cpoint ua = dir_of(A), ub = dir_of(B);
    gr_cpoint s{A.r.x + w * side * ua.y, A.r.y - w * side * ua.x};
    gr_cpoint e{A.r.x + w * side * ub.y, A.r.y - w * side * ub.x};
    gr_line cap;
    if (!gr_line_by_two_points(&cap, &s, &e)) continue;
    out.push_back(Candidate{cap, 0, gr_dist_cpoints(&s, &e), ua, n + v});
  }
  return out;
}

// Crossing of two candidates: parameters on each, within both intervals.
// Neighbouring offset lines meet at their shared corner.
bool candidates_cross(const EqvidistContext& ctx, const Candidate& A, const Candidate& B, double eps,
                      double* ta, double* tb) {
  const int n = ctx.line_count();
  if (A.id < n && B.id < n) {
    const int an = A.id + 1 == n ? 0 : A.id + 1, bn = B.id + 1 == n ? 0 : B.id + 1;
    if (an == B.id) {
      *ta = ctx.lines()[static_cast<size_t>(A.id)].end_par;
      *tb = 0;
    } else if (bn == A.id) {
      *ta = 0;
      *tb = ctx.lines()[static_cast<size_t>(B.id)].end_par;
    } else if (!line_cross(A.line, B.line, ta) || !line_cross(B.line, A.line, tb)) {
      return false;
    }
  } else if (!line_cross(A.line, B.line, ta) || !line_cross(B.line, A.line, tb)) {
    return false;
  }
  return *ta >= A.lo - eps && *ta <= A.hi + eps && *tb >= B.lo - eps && *tb <= B.hi + eps;
}

// Orders loops as the greedy assembly emits them: by their lowest line,
// starting each at the first piece on that line.
void normalise_loop(Loop& lp, std::vector<double>& starts) {
  size_t best = 0;
  for (size_t k = 1; k < lp.lines.size(); ++k)
    if (lp.lines[k] < lp.lines[best] || (lp.lines[k] == lp.lines[best] && starts[k] < starts[best])) best = k;
  std::rotate(lp.lines.begin(), lp.lines.begin() + static_cast<std::ptrdiff_t>(best), lp.lines.end());
  std::rotate(starts.begin(), starts.begin() + static_cast<std::ptrdiff_t>(best), starts.end());
  lp.pts.pop_back();
  std::rotate(lp.pts.begin(), lp.pts.begin() + static_cast<std::ptrdiff_t>(best), lp.pts.end());
  lp.pts.push_back(lp.pts.front());
}

}  // namespace

namespace {

// The grids' pair tests are given up for the pruning tree beyond this
// many per candidate (plus a floor for small outlines): on smooth outlines
// (two or three tests per candidate) the grids take half the tree's time,
// on needle-like ones (a dozen or more) the tree takes less, and far less
// as the cells grow crowded.
constexpr double kGridPairsPerCandidate = 16;
constexpr double kGridPairsFloor = 1e5;

// Crossings through uniform grids: candidate pairs sharing a grid cell. A
// candidate that would cross very many fine cells (a long mitre) is not
// registered there; instead its path is walked over the occupied cells.
// With may_give_up, false, with nothing found, when the cells are crowded
// (the outline's edges much longer than its features are wide: the cells
// are sized by the edges).
bool grid_pairs(const EqvidistContext& ctx, const std::vector<Candidate>& cands, const Coverage& cov,
                double eps, bool may_give_up, std::vector<std::pair<int, int>>& pairs) {
  const CoverGrids& grids = cov.grids();
  static constexpr double kLongCells = 4096;
  std::vector<std::pair<uint64_t, int>> outer_cells;
  std::vector<int> longs;
  SparseCells core_cells, far_cells;
  auto ends = [&](size_t k, gr_cpoint* a, gr_cpoint* b) {
    gr_conv_linepar_to_cpoint(a, &cands[k].line, cands[k].lo);
    gr_conv_linepar_to_cpoint(b, &cands[k].line, cands[k].hi);
  };
  const double budget = kGridPairsPerCandidate * static_cast<double>(cands.size()) + kGridPairsFloor;
  if (may_give_up) {
    // Crowding known beforehand: the candidates' incidences with the core
    // cells, I, spread over at most all C cells, make at least I^2 / C
    // pairs of a candidate with itself or another (half of them tests).
    double incidences = 0;
    const CellGrid& core = grids.core();
    const double cells = static_cast<double>(core.nx()) * static_cast<double>(core.ny());
    for (size_t k = 0; k < cands.size(); ++k) {
      gr_cpoint a, b;
      ends(k, &a, &b);
      incidences += std::min(core.cells_along(a, b), static_cast<double>(core.nx() + core.ny()));
    }
    if (incidences * incidences / cells / 2 > 4 * budget) return false;
  }
  core_cells.build([&](auto&& add) {
    for (size_t k = 0; k < cands.size(); ++k) {
      gr_cpoint a, b;
      ends(k, &a, &b);
      const int id = static_cast<int>(k);
      bool inside = grids.core().contains(a) && grids.core().contains(b);
      if (grids.core().cells_along(a, b) > kLongCells) {
        longs.push_back(id);
        inside = false;
      } else {
        inside = grids.core().for_segment_cells(a, b, [&](uint64_t c) { add(c, id); });
      }
      if (inside) continue;
      grids.core().for_outside_parts(a, b, [&](const gr_cpoint& p, const gr_cpoint& q) {
        grids.outer().for_segment_cells(p, q, [&](uint64_t c) { outer_cells.emplace_back(c, id); });
      });
    }
  });
  far_cells.build([&](auto&& add) {
    for (const auto& [c, id] : outer_cells) add(c, id);
  });
  // Long candidates meet each other within the polygon's box in a grid of
  // blocks of fine cells.
  SparseCells long_cells;
  CellGrid blocks;
  blocks.init({grids.core().x0(), grids.core().y0(),
               grids.core().x0() + grids.core().cell_w() * static_cast<double>(grids.core().nx()),
               grids.core().y0() + grids.core().cell_h() * static_cast<double>(grids.core().ny())},
              std::max(grids.core().cell_w(), grids.core().cell_h()) * BlockWalker::kBlock);
  long_cells.build([&](auto&& add) {
    for (int k : longs) {
      gr_cpoint a, b;
      ends(static_cast<size_t>(k), &a, &b);
      blocks.for_segment_cells(a, b, [&](uint64_t c) { add(c, k); });
    }
  });
  double work = 0;
  for (const SparseCells* sc : {&core_cells, &far_cells, &long_cells})
    for (size_t g = 0; g < sc->groups(); ++g) {
      const double k = static_cast<double>(sc->group_end(g) - sc->group_begin(g));
      work += k * (k - 1) / 2;
    }
  if (may_give_up && work > budget) return false;
  // Candidates sharing a cell are tested at once; only the pairs that
  // cross (or lie on one line) are kept, so fans of long, nearly parallel
  // mitres sharing many cells cost a test each, not a sort.
  auto test = [&](int i, int j) {
    if (i == j) return;
    if (i > j) std::swap(i, j);
    const Candidate& A = cands[static_cast<size_t>(i)];
    const Candidate& B = cands[static_cast<size_t>(j)];
    double ta = 0, tb = 0;
    if (candidates_cross(ctx, A, B, eps, &ta, &tb) || !line_cross(A.line, B.line, &ta))
      pairs.emplace_back(i, j);
  };
  for (const SparseCells* sc : {&core_cells, &far_cells, &long_cells})
    for (size_t g = 0; g < sc->groups(); ++g)
      for (const int* i = sc->group_begin(g); i != sc->group_end(g); ++i)
        for (const int* j = i + 1; j != sc->group_end(g); ++j) test(*i, *j);
  const BlockWalker walker(grids.core(), core_cells);
  for (int k : longs) {
    gr_cpoint a, b;
    ends(static_cast<size_t>(k), &a, &b);
    walker.walk(a, b, [&](uint64_t c) {
      const auto [i0, i1] = core_cells.find(c);
      for (const int* i = i0; i != i1; ++i) test(*i, k);
    });
  }
  return true;
}

// Crossings through the pruning tree (offset_cover_p.h), which it leaves in
// tree for locating points; nothing when no candidate reaches a shrunk
// polygon's box.
void tree_pairs(const EqvidistContext& ctx, const std::vector<Candidate>& cands, const Coverage& cov,
                double eps, std::optional<PruneTree>& tree, std::vector<std::pair<int, int>>& pairs) {
  const double scale = cov.scale();
  gr_xy_rect root{INFINITY, INFINITY, -INFINITY, -INFINITY};
  for (const Candidate& c : cands)
    for (double t : {c.lo, c.hi}) {
      gr_cpoint p;
      gr_conv_linepar_to_cpoint(&p, &c.line, t);
      root = {std::min(root.x1, p.x), std::min(root.y1, p.y), std::max(root.x2, p.x), std::max(root.y2, p.y)};
    }
  if (!ctx.grows()) {
    // Shrunk, the contour lies within the polygon.
    const std::vector<gr_cpoint>& poly = ctx.polygon();
    gr_xy_rect pb{poly[0].x, poly[0].y, poly[0].x, poly[0].y};
    for (const gr_cpoint& p : poly)
      pb = {std::min(pb.x1, p.x), std::min(pb.y1, p.y), std::max(pb.x2, p.x), std::max(pb.y2, p.y)};
    root = {std::max(root.x1, pb.x1), std::max(root.y1, pb.y1), std::min(root.x2, pb.x2),
            std::min(root.y2, pb.y2)};
    if (!(root.x1 <= root.x2 && root.y1 <= root.y2)) return;
  }
  // Neighbours meet at their shared corner, however badly rounded (at
  // needle-sharp mitres the two lines give it far apart): always a pair.
  const int n = ctx.line_count();
  for (int v = 0; v < n; ++v) {
    const int a = v, b = v + 1 == n ? 0 : v + 1;
    double ta = 0, tb = 0;
    if (candidates_cross(ctx, cands[static_cast<size_t>(a)], cands[static_cast<size_t>(b)], eps, &ta, &tb))
      pairs.emplace_back(std::min(a, b), std::max(a, b));
  }
  // In each leaf, the pairs crossing there (each crossing lies in one
  // leaf, give or take the margin), and candidates on one line. Only the
  // pairs whose parts in the leaf may meet are tested.
  std::vector<std::array<gr_cpoint, 2>> ends(cands.size());
  for (size_t k = 0; k < cands.size(); ++k) {
    gr_conv_linepar_to_cpoint(&ends[k][0], &cands[k].line, cands[k].lo);
    gr_conv_linepar_to_cpoint(&ends[k][1], &cands[k].line, cands[k].hi);
  }
  const double g = 4e-9 * scale;
  std::vector<CellPart> parts;
  CellPairs cell_pairs;
  auto visit = [&](const gr_xy_rect& box, const int* c0, const int* c1) {
    const gr_xy_rect lb{box.x1 - g, box.y1 - g, box.x2 + g, box.y2 + g};
    parts.clear();
    for (const int* i = c0; i != c1; ++i) {
      const std::array<gr_cpoint, 2>& e = ends[static_cast<size_t>(*i)];
      double u0 = 0, u1 = 1;
      if (!clip_unit(e[0], e[1], lb, &u0, &u1)) u0 = 0, u1 = 1;
      parts.push_back({{e[0].x + u0 * (e[1].x - e[0].x), e[0].y + u0 * (e[1].y - e[0].y)},
                       {e[0].x + u1 * (e[1].x - e[0].x), e[0].y + u1 * (e[1].y - e[0].y)},
                       u0 > 0 && u1 < 1});
    }
    cell_pairs.find(lb, parts, g, [&](size_t i, size_t j) {
      const int a = std::min(c0[i], c0[j]), b = std::max(c0[i], c0[j]);
      if (b < n && (b == a + 1 || (a == 0 && b == n - 1))) return;
      const Candidate& A = cands[static_cast<size_t>(a)];
      const Candidate& B = cands[static_cast<size_t>(b)];
      double ta = 0, tb = 0;
      if (candidates_cross(ctx, A, B, eps, &ta, &tb)) {
        gr_cpoint x;
        gr_conv_linepar_to_cpoint(&x, &A.line, ta);
        if (x.x >= lb.x1 && x.x <= lb.x2 && x.y >= lb.y1 && x.y <= lb.y2) pairs.emplace_back(a, b);
      } else if (!line_cross(A.line, B.line, &ta)) {
        pairs.emplace_back(a, b);
      }
    });
  };
  tree.emplace(ctx, cov, ends, root, visit);
}

}  // namespace

bool EqvidistContext::cover_contour(std::vector<Loop>& out) {
  out.clear();
  const std::vector<Candidate> cands = make_candidates(*this);
  Coverage cov(*this, cands);
  const double scale = cov.scale();
  const double eps = 1e-9 * scale;    // slack of interval ends against crossing rounding
  const double tiny = 1e-12 * scale;  // pieces shorter than this carry no decision
  const double tau = 1e-9 * scale;    // end points this close chain up

  std::vector<std::pair<int, int>> pairs;
  std::optional<PruneTree> tree;
  if (opt_.cover != CoverMode::kTree &&
      grid_pairs(*this, cands, cov, eps, opt_.cover == CoverMode::kAuto, pairs)) {
    cov.index_shapes();
  } else {
    tree_pairs(*this, cands, cov, eps, tree, pairs);
    if (!tree) return true;
  }
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());

  std::vector<std::vector<Split>> splits(cands.size());
  std::vector<std::vector<std::pair<double, double>>> shadow(cands.size());
  for (size_t k = 0; k < cands.size(); ++k) {
    splits[k].push_back(Split{cands[k].lo, -1});
    splits[k].push_back(Split{cands[k].hi, -1});
  }
  for (const auto& [i, j] : pairs) {
    const Candidate& A = cands[static_cast<size_t>(i)];
    const Candidate& B = cands[static_cast<size_t>(j)];
    double ta = 0, tb = 0;
    if (candidates_cross(*this, A, B, eps, &ta, &tb)) {
      splits[static_cast<size_t>(i)].push_back(Split{std::clamp(ta, A.lo, A.hi), j});
      splits[static_cast<size_t>(j)].push_back(Split{std::clamp(tb, B.lo, B.hi), i});
      continue;
    }
    // Two offset lines on one line, same way round (collinear edges): the
    // overlap is boundary once, on the line with the lower index. Lines
    // merely close to each other cross somewhere and were handled above.
    double t = 0;
    if (line_cross(A.line, B.line, &t)) continue;
    if (A.line.dir.cos * B.line.dir.cos + A.line.dir.sin * B.line.dir.sin <= 0) continue;
    {
      gr_cpoint d{B.line.p.x - A.line.p.x, B.line.p.y - A.line.p.y};
      if (std::fabs(d.x * A.line.dir.sin - d.y * A.line.dir.cos) > tiny * 1e3) continue;
    }
    const bool a_low = A.id < B.id;
    const Candidate& low = a_low ? A : B;
    const Candidate& high = a_low ? B : A;
    gr_cpoint p0, p1;
    gr_conv_linepar_to_cpoint(&p0, &low.line, low.lo);
    gr_conv_linepar_to_cpoint(&p1, &low.line, low.hi);
    double s0 = gr_proj_cpoint_on_line(&p0, &high.line), s1 = gr_proj_cpoint_on_line(&p1, &high.line);
    if (s1 < high.lo || s0 > high.hi) continue;
    const size_t hk = static_cast<size_t>(a_low ? j : i);
    splits[hk].push_back(Split{std::clamp(s0, high.lo, high.hi), -1});
    splits[hk].push_back(Split{std::clamp(s1, high.lo, high.hi), -1});
    shadow[hk].emplace_back(s0, s1);
  }

  // Pieces, and which of them lie on the boundary.
  std::vector<Piece> kept;
  for (size_t k = 0; k < cands.size(); ++k) {
    std::vector<Split>& sp = splits[k];
    std::sort(sp.begin(), sp.end(), [](const Split& x, const Split& y) { return x.par < y.par; });
    const Candidate& C = cands[k];
    for (size_t s = 0; s + 1 < sp.size(); ++s) {
      const double p0 = sp[s].par, p1 = sp[s + 1].par;
      if (p1 - p0 <= tiny) continue;
      const double mid = (p0 + p1) / 2;
      bool shadowed = false;
      for (const auto& [s0, s1] : shadow[k]) shadowed = shadowed || (mid > s0 && mid < s1);
      if (shadowed) continue;
      gr_cpoint m;
      gr_conv_linepar_to_cpoint(&m, &C.line, mid);
      if (tree) {
        // A piece whose middle lies where the tree dropped the cell is no
        // boundary. Nor is one that passes through such a cell elsewhere:
        // near the cell it is not, and crossings in the leaves were all
        // found, so that it keeps that verdict up to the cell, and the
        // point test gives it at the middle.
        const PruneTree::Leaf* leaf = tree->locate(m);
        if (!leaf || cov.in_region(m, C.away, C.id, mid, tree->locale(*leaf)) == grows_) continue;
      } else if (cov.in_region(m, C.away, C.id, mid) == grows_) {
        continue;
      }
      Piece pc{static_cast<int>(k), p0, p1, {}, {}, sp[s].partner, sp[s + 1].partner};
      if (tree) {
        // Splits at one parameter come in no particular order, and the tree
        // adds ends of its own: a crossing among them names the neighbour,
        // which at a needle-sharp mitre is the only sure way to find it.
        for (size_t r = s; pc.from < 0 && sp[r].par == p0; --r) {
          pc.from = sp[r].partner;
          if (r == 0) break;
        }
        for (size_t r = s + 1; pc.to < 0 && r < sp.size() && sp[r].par == p1; ++r) pc.to = sp[r].partner;
      }
      gr_conv_linepar_to_cpoint(&pc.a, &C.line, p0);
      gr_conv_linepar_to_cpoint(&pc.b, &C.line, p1);
      kept.push_back(pc);
    }
  }
  if (kept.empty()) return true;

  // Chaining: each piece continues with an unused piece starting where it
  // ends. Where several do (loops touching at a point), the turn that keeps
  // the region tightest wins: the leftmost when the region lies left of
  // the pieces, the rightmost otherwise.
  const bool region_left = grows_ == (b_ > 0);
  const double cell = 4 * tau;
  auto key_of = [&](long kx, long ky) {
    return (static_cast<uint64_t>(kx) << 32) ^ static_cast<uint32_t>(ky);
  };
  std::unordered_map<uint64_t, std::vector<int>> starts;
  starts.reserve(kept.size() * 2);
  for (size_t k = 0; k < kept.size(); ++k)
    starts[key_of(static_cast<long>(std::floor(kept[k].a.x / cell)),
                  static_cast<long>(std::floor(kept[k].a.y / cell)))]
        .push_back(static_cast<int>(k));
  // Where the crossing is known, the piece on the crossing line that starts
  // there is the natural successor, however badly rounded the corner point
  // (mitres of needle-sharp corners are).
  auto pair_key = [](int cand, int partner) {
    return (static_cast<uint64_t>(cand) << 32) | static_cast<uint32_t>(partner);
  };
  std::unordered_map<uint64_t, int> by_start;
  by_start.reserve(kept.size());
  for (size_t k = 0; k < kept.size(); ++k)
    if (kept[k].from >= 0) by_start.emplace(pair_key(kept[k].cand, kept[k].from), static_cast<int>(k));
  std::vector<char> used(kept.size(), 0);
  for (size_t first = 0; first < kept.size(); ++first) {
    if (used[first]) continue;
    std::vector<int> chain{static_cast<int>(first)};
    used[first] = 1;
    bool closed = false;
    for (size_t guard = 0; guard <= kept.size(); ++guard) {
      const Piece& cur = kept[static_cast<size_t>(chain.back())];
      const gr_cpoint din = sub(cur.b, cur.a);
      const long kx = static_cast<long>(std::floor(cur.b.x / cell)),
                 ky = static_cast<long>(std::floor(cur.b.y / cell));
      int best = -1;
      double best_turn = 0;
      auto consider = [&](int cand) {
        if (used[static_cast<size_t>(cand)] && cand != chain.front()) return;
        const Piece& nx = kept[static_cast<size_t>(cand)];
        const gr_cpoint dout = sub(nx.b, nx.a);
        double turn = std::atan2(cross(din, dout), din.x * dout.x + din.y * dout.y);
        if (!region_left) turn = -turn;
        if (best < 0 || turn > best_turn) {
          best = cand;
          best_turn = turn;
        }
      };
      for (long dx = -1; dx <= 1; ++dx)
        for (long dy = -1; dy <= 1; ++dy) {
          auto it = starts.find(key_of(kx + dx, ky + dy));
          if (it == starts.end()) continue;
          for (int cand : it->second) {
            const Piece& nx = kept[static_cast<size_t>(cand)];
            if (std::fabs(nx.a.x - cur.b.x) <= tau && std::fabs(nx.a.y - cur.b.y) <= tau) consider(cand);
          }
        }
      if (cur.to >= 0) {
        auto it = by_start.find(pair_key(cur.to, cur.cand));
        if (it != by_start.end()) consider(it->second);
      }
      if (best < 0) return false;
      if (best == chain.front()) {
        closed = true;
        break;
      }
      used[static_cast<size_t>(best)] = 1;
      chain.push_back(best);
    }
    if (!closed) return false;
    // Runs of pieces on one candidate become one segment.
    Loop lp;
    std::vector<double> run_starts;
    for (size_t k = 0; k < chain.size(); ++k) {
      const Piece& pc = kept[static_cast<size_t>(chain[k])];
      const Piece& prev = kept[static_cast<size_t>(chain[k == 0 ? chain.size() - 1 : k - 1])];
      if (chain.size() > 1 && prev.cand == pc.cand && k != 0) continue;
      if (k == 0 && chain.size() > 1 && prev.cand == pc.cand) continue;
      lp.pts.push_back(pc.a);
      lp.lines.push_back(cands[static_cast<size_t>(pc.cand)].id);
      run_starts.push_back(pc.p0);
    }
    if (lp.lines.size() < 2) continue;  // a loop on one line encloses nothing
    lp.pts.push_back(lp.pts.front());
    normalise_loop(lp, run_starts);
    out.push_back(std::move(lp));
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const Loop& a, const Loop& b) { return a.lines.front() < b.lines.front(); });
  return true;
}

// Two contours are the same when they have the same loops, each loop read
// as the cyclic sequence of the lines its segments lie on. Lines that
// coincide (collinear edges) count as one; segments shorter than the
// tolerance are left out, so two contours that differ only within the
// tolerance (which of three nearly concurrent lines carries a vanishing
// segment) count as the same. Both contours come from the same lines, so
// equal sequences mean equal corners.
bool EqvidistContext::same_contour(const std::vector<Loop>& a, const std::vector<Loop>& b) const {
  if (a.size() != b.size()) return false;
  const int n = line_count();
  double scale = 1;
  for (const gr_cpoint& p : poly_) scale = std::max({scale, std::fabs(p.x), std::fabs(p.y)});
  const double tiny = 1e-9 * scale;  // coincidence of lines
  constexpr double kPi = 3.14159265358979323846;
  // Group coincident lines with the same direction.
  std::vector<int> order(static_cast<size_t>(n)), group(static_cast<size_t>(n));
  std::vector<double> angle(static_cast<size_t>(n)), offset(static_cast<size_t>(n));
  for (int l = 0; l < n; ++l) {
    const gr_line& ln = lines_[static_cast<size_t>(l)].line;
    // Directions within rounding of -x must not split into -pi and pi.
    const double theta = std::atan2(ln.dir.sin, ln.dir.cos);
    angle[static_cast<size_t>(l)] = theta > kPi - 1e-9 ? theta - 2 * kPi : theta;
    offset[static_cast<size_t>(l)] = ln.p.x * ln.dir.sin - ln.p.y * ln.dir.cos;
    order[static_cast<size_t>(l)] = l;
  }
  std::sort(order.begin(), order.end(), [&](int x, int y) {
    const size_t i = static_cast<size_t>(x), j = static_cast<size_t>(y);
    return angle[i] < angle[j] || (angle[i] == angle[j] && offset[i] < offset[j]);
  });
  for (size_t k = 0; k < order.size(); ++k) {
    const size_t i = static_cast<size_t>(order[k]);
    if (k > 0) {
      const size_t j = static_cast<size_t>(order[k - 1]);
      if (std::fabs(angle[i] - angle[j]) < 1e-9 && std::fabs(offset[i] - offset[j]) < tiny) {
        group[i] = group[j];
        continue;
      }
    }
    group[i] = static_cast<int>(i);
  }
  auto canon = [&](const std::vector<Loop>& loops, std::vector<std::vector<int>>& seqs) {
    seqs.clear();
    for (const Loop& lp : loops) {
      std::vector<int> seq;
      const size_t m = lp.lines.size();
      for (size_t k = 0; k < m; ++k) {
        int l = lp.lines[k];
        if (l < 0) {
          // The segment that closed an open chain counts when it runs along
          // an offset line (the contour is then right after all).
          auto along = [&](int j) {
            if (j < 0 || j >= n) return false;
            const gr_line& ln = lines_[static_cast<size_t>(j)].line;
            return std::fabs(gr_deriv_line_cpoint(&ln, &lp.pts[k])) < kTol &&
                   std::fabs(gr_deriv_line_cpoint(&ln, &lp.pts[k + 1])) < kTol;
          };
          const int before = lp.lines[(k + m - 1) % m], after = lp.lines[(k + 1) % m];
          l = along(before) ? before : along(after) ? after : -1;
          for (int j = 0; j < n && l < 0; ++j)
            if (along(j)) l = j;
          if (l < 0) return false;
        }
        if (gr_dist_cpoints(&lp.pts[k], &lp.pts[k + 1]) < kTol) continue;
        const int g = l < n ? group[static_cast<size_t>(l)] : l;
        if (seq.empty() || seq.back() != g) seq.push_back(g);
      }
      while (seq.size() > 1 && seq.front() == seq.back()) seq.pop_back();
      // The least rotation.
      std::vector<int> best = seq;
      const int least = seq.empty() ? 0 : *std::min_element(seq.begin(), seq.end());
      for (size_t r = 1; r < seq.size(); ++r) {
        if (seq[r] != least) continue;
        std::vector<int> rot(seq.begin() + static_cast<std::ptrdiff_t>(r), seq.end());
        rot.insert(rot.end(), seq.begin(), seq.begin() + static_cast<std::ptrdiff_t>(r));
        if (rot < best) best = std::move(rot);
      }
      seqs.push_back(std::move(best));
    }
    std::sort(seqs.begin(), seqs.end());
    return true;
  };
  std::vector<std::vector<int>> sa, sb;
  return canon(a, sa) && canon(b, sb) && sa == sb;
}

}  // namespace geomkit::offset
