// Offset engine, step 5: the sweep.
//
// The lines are placed in order around the contour; each new line S is
// compared with the lines placed before it, back to the start of the
// current loop, until one comparison settles where S enters the contour.
// A comparison either joins S to an earlier line O at their crossing
// (both get a piece parameter), cuts O away (S passes over O's kept part),
// cuts S, or puts S in waiting when the crossing that decides it lies
// further on. The finishing phase closes the loop at line 0.
//
// Cut lines are skipped through a bit set of the lines with a non-negative
// state. The sweep has a work budget proportional to the line count: on
// pathological input it gives up and the call falls back to the coverage
// contour instead of taking quadratic time.
#include "offset/offset_engine_p.h"
#include "offset/offset_trace_p.h"

#include <bit>

namespace geomkit::offset {

void EqvidistContext::set_state(int l, int16_t st) {
  OffsetLine& L = lines_[static_cast<size_t>(l)];
  L.state = st;
  uint64_t bit = uint64_t{1} << (l & 63);
  if (st >= 0)
    alive_[static_cast<size_t>(l) >> 6] |= bit;
  else
    alive_[static_cast<size_t>(l) >> 6] &= ~bit;
}

void EqvidistContext::advance(int l) {
  int16_t st = lines_[static_cast<size_t>(l)].state;
  if (st == kStateFresh)
    set_state(l, kStateReached);
  else if (st == kStateReached)
    set_state(l, kStateKept);
}

void EqvidistContext::cut(int l) { set_state(l, kStateCut); }

bool EqvidistContext::budget_left() { return ++work_ <= work_budget_; }

int EqvidistContext::prev_alive(int j) const {
  if (j <= 0) return -1;
  int k = j - 1;
  size_t w = static_cast<size_t>(k) >> 6;
  uint64_t bits = alive_[w] & (~uint64_t{0} >> (63 - (k & 63)));
  for (;;) {
    if (bits) return static_cast<int>(w * 64 + 63 - static_cast<size_t>(std::countl_zero(bits)));
    if (w == 0) return -1;
    bits = alive_[--w];
  }
}

gr_cpoint EqvidistContext::point_at(int l, double par) const {
  gr_cpoint p;
  gr_conv_linepar_to_cpoint(&p, &lines_[static_cast<size_t>(l)].line, par);
  return p;
}

void EqvidistContext::dump_lines() {
  if (trace_ && trace_->on()) trace_->dump_lines(*this);
}

bool EqvidistContext::execute_lib() {
  if (trace_) trace_->log("execute_lib", kTraceEntry);
  const int n = line_count();
  alive_.assign(static_cast<size_t>(n + 63) / 64, 0);
  for (int l = 0; l < n; ++l) set_state(l, lines_[static_cast<size_t>(l)].state);
  work_ = 0;
  work_budget_ = 64L * n + 1000000L;
  finishing_ = wrapped_ = false;
  // Rewriting the line dump at every step is quadratic; beyond this many
  // lines it is written after step 4 and after the sweep only.
  const bool dump_each_step = trace_ && trace_->on() && n <= 1000;
  auto failed = [&](int code) {
    if (trace_) trace_->log("execute_lib", code);
    return false;
  };

  int r = peres_2_elem(1, 0, 0);
  if (r == -1 || r == 0) return failed(kTraceSweepFailed);
  if (r == 2) {
    double t = 0;
    if (gr_intersect_line_line(&t, &lines_[1].line, &lines_[0].line) == 0) return failed(kTraceSweepFailed);
  }
  int s = 0;
  int i = 2 % n;
  long finishing_steps = 0;
  for (;;) {
    if (!budget_left()) return failed(kTraceBudget);
    if (lines_[static_cast<size_t>(i)].state != kStateWaiting) set_state(i, kStateFresh);
    // Compare line i with the lines before it, back to the loop start s.
    const bool cyclic = finishing_ || i == 0;
    int j = cyclic ? (i == 0 ? n - 1 : i - 1) : prev_alive(i);
    for (int steps = 0; steps < n; ++steps) {
      if (j < 0 || (!cyclic && j < s) || j == i) break;
      if (!budget_left()) return failed(kTraceBudget);
      const int16_t before = lines_[static_cast<size_t>(j)].state;
      const bool last = j == s;
      if (before >= 0) {
        if (before > 0 && before != kStateWaiting) set_state(j, kStateReached);
        const int f = (j == s && !wrapped_) ? 1 : 0;
        const int res = peres_2_elem(i, j, f);
        if (before != kStateFresh) {
          if (res == 1 || res == 0) break;
          if (res == -1) return failed(kTraceSweepFailed);
          if (res == 10) {
            s = i + 1 == n ? 0 : i + 1;
            if (!cyclic) break;
          }
        }
      }
      if (last) break;
      if (cyclic)
        j = increment_i(j, false, -1, -1);
      else
        j = prev_alive(j);
    }
    if (dump_each_step) dump_lines();
    // The pass that wrapped round to line 0 closes the loop just as the
    // finishing phase does.
    if ((finishing_ || wrapped_) && lines_[static_cast<size_t>(i)].state > 0) break;
    if (i != n - 1 && !wrapped_ && !finishing_) {
      ++i;
    } else if (lines_[static_cast<size_t>(i)].state == kStateWaiting && !wrapped_ && !finishing_) {
      wrapped_ = true;
      i = 0;
    } else {
      finishing_ = true;
      if (++finishing_steps > n) return failed(kTraceSweepFailed);
      i = increment_i(i, true, -1, -1);
    }
  }
  if (lines_[static_cast<size_t>(s)].state == kStateReached) set_state(s, kStateKept);
  // Nodes that point at cut lines go.
  for (OffsetLine& L : lines_) {
    L.pieces.erase_if([&](const Node& nd) {
      return nd.partner >= 0 && nd.partner < n && lines_[static_cast<size_t>(nd.partner)].state < 0;
    });
  }
  dump_lines();
  return true;
}

int EqvidistContext::peres_2_elem(int s, int o, int f) {
  if (trace_) trace_->log("peres_2_elem", kTraceEntry);
  ++comparisons_;
  if (o == 0) f = 1;
  OffsetLine& S = lines_[static_cast<size_t>(s)];
  OffsetLine& O = lines_[static_cast<size_t>(o)];
  double ts = 0, to = 0;
  const int r = find_per_linii_s_segm(s, o, S.state, O.state, 0, f, &ts, &to);
  switch (r) {
    case 1:
      insert___par(s, ts, o);
      insert___par(o, to, s);
      advance(s);
      advance(o);
      return 1;

    case 0: {
      // S meets O outside O's kept part. When O's kept part starts on the
      // offset side of S, S passes over it: O goes. Otherwise S belongs to
      // an earlier line: look for it further back.
      if (O.state != kStateReached) {
        if (trace_) trace_->log("peres_2_elem", kTraceStateNotReached);
        return -1;
      }
      double q = 0;
      if (find_par_at_atribute(o, 0, &q) && real_li_point(point_at(o, q), S.line)) {
        cut(o);
        return 2;
      }
      bool tested0 = false;
      for (int l = prev_alive(o); l >= 0; l = prev_alive(l)) {
        if (!budget_left()) return -1;
        if (l == s || lines_[static_cast<size_t>(l)].state <= 0) continue;
        const int fl = l == 0 ? 1 : f;
        tested0 = tested0 || l == 0;
        double ts2 = 0, tl = 0;
        if (find_per_linii_s_segm(s, l, S.state, lines_[static_cast<size_t>(l)].state, 0, fl, &ts2, &tl) ==
            1) {
          set_state(s, kStateWaiting);
          insert___par(s, ts2, l);
          S.wait_idx = l;
          S.wait_par = ts2;
          S.wait_real = real_li_point(point_at(s, ts), lines_[static_cast<size_t>(l)].line) && ts2 > ts;
          break;
        }
      }
      if (S.state != kStateWaiting) {
        if (tested0) {
          for (int k = o; k >= 0; --k)
            if (k != s) cut(k);
          return 10;
        }
        cut(s);
      }
      return 0;
    }

    case 2:
      // S crosses O outside O's kept span (or lies on O): whichever of the
      // two lies on the offset side of the other goes.
      if (real_li_point(O.line.p, S.line)) {
        cut(s);
        return 0;
      }
      cut(o);
      return 2;

    case 3:
      if (O.flag == kFlagKeeps && O.pieces.size() > 1) {
        set_state(o, kStateKept);
        set_state(s, kStateReached);
        return 1;
      }
      if (trace_) trace_->log("peres_2_elem", kTraceParallelNoPieces);
      return -1;

    case 4: {
      // The crossing O waited for: the loop between O and its waiting
      // partner W closes; the lines in between go.
      const int w = O.wait_idx;
      if (w < 0) return -1;
      for (int k = increment_i(w, true, -1, -1); k != o; k = increment_i(k, true, -1, -1)) {
        if (!budget_left()) return -1;
        if (k != s) cut(k);
      }
      set_state(w, w == 0 ? kStateReached : kStateKept);
      set_state(o, kStateKept);
      O.wait_idx = -1;
      insert___par(o, to, s);
      insert___par(s, ts, o);
      set_state(s, kStateReached);
      if (O.pieces.size() < 2) set_state(o, kStateReached);
      double tw = 0;
      if (!cross_par(w, o, &tw)) {
        if (trace_) trace_->log("peres_2_elem", kTraceNoWaitCrossing);
        return -1;
      }
      insert___par(w, tw, o);
      return 1;
    }

    case 5: {
      if (O.state != kStateWaiting) return 2;
      const int w = O.wait_idx;
      if (O.wait_real && w >= 0) {
        for (int k = o; k != w; k = increment_i(k, false, -1, -1)) {
          if (!budget_left()) return -1;
          if (k != s) cut(k);
        }
      } else {
        cut(o);
        O.wait_idx = -1;
      }
      bool first = true;
      for (int l = prev_alive(o); l >= 0; l = prev_alive(l)) {
        if (!budget_left()) return -1;
        if (l == s) continue;
        const int fl = l == 0 ? 1 : f;
        double ts2 = 0, tl = 0;
        const int r2 =
            find_per_linii_s_segm(s, l, S.state, lines_[static_cast<size_t>(l)].state, 0, fl, &ts2, &tl);
        if (r2 == 1 && !first) {
          for (int k = o - 1; k > l; --k)
            if (k != s) cut(k);
          insert___par(s, ts2, l);
          insert___par(l, tl, s);
          advance(s);
          break;
        }
        first = false;
      }
      return 1;
    }

    default: return -1;
  }
}

}  // namespace geomkit::offset
