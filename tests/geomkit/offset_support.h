// Helpers of the offset engine's tests: calling gr_eqvidist_polyline on a
// ring, Clipper's mitred offset of the same ring, and the corpus of named
// cases the two are compared on.
#ifndef TESTS_GEOMKIT_OFFSET_SUPPORT_H
#define TESTS_GEOMKIT_OFFSET_SUPPORT_H

#include "support/offset_corpus.h"

#include <geomkit/gr_eqvidist.h>
#include <geomkit/gr_poly.h>

#ifdef KALVEX_HAVE_CLIPPER
#include <polyclipping/clipper.hpp>
#endif

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace offset_support {

// Two results of the engine's own interface (loops of the same lines and
// points) are the same to the bit.
template <class Loops>
void expect_same_loops(const Loops& a, const Loops& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t k = 0; k < a.size(); ++k) {
    EXPECT_EQ(a[k].lines, b[k].lines);
    ASSERT_EQ(a[k].pts.size(), b[k].pts.size());
    for (size_t i = 0; i < a[k].pts.size(); ++i) {
      EXPECT_EQ(a[k].pts[i].x, b[k].pts[i].x);
      EXPECT_EQ(a[k].pts[i].y, b[k].pts[i].y);
    }
  }
}

using offset_corpus::Ring;

struct PlineFree {
  void operator()(gr_polyline* p) const { gr_free_buffer_for_polyline(p); }
};
using PlinePtr = std::unique_ptr<gr_polyline, PlineFree>;

inline PlinePtr to_pline(const Ring& r) {
  PlinePtr p(gr_alloc_buffer_for_polyline(static_cast<int>(r.size())));
  p->closed = 1;
  p->n = static_cast<uint32_t>(r.size());
  for (size_t i = 0; i < r.size(); ++i) p->pnt[i] = r[i];
  return p;
}

// The engine through its C interface. Rings come back without the
// repeated closing point. Returns the function's result.
inline int engine_offset(const Ring& r, double d, std::vector<Ring>* out) {
  out->clear();
  PlinePtr p = to_pline(r);
  gr_polylines* set = nullptr;
  int ok = gr_eqvidist_polyline(p.get(), d, &set, 1);
  if (ok && set) {
    const gr_polyline* m = gr_polylines_first(set);
    for (int i = 0; i < set->n; ++i) {
      Ring ring(m->pnt, m->pnt + m->n);
      if (ring.size() > 1) ring.pop_back();
      out->push_back(std::move(ring));
      m = gr_polylines_next(m);
    }
  }
  gr_free_buffer_for_polylines(set);
  return ok;
}

inline double net_area(const std::vector<Ring>& rings) {
  double a = 0;
  for (const Ring& r : rings) a += offset_corpus::signed_area(r);
  return a;
}

// True when no two segments of the outlines cross or touch other than
// consecutive segments at their shared point.
inline bool simple_outlines(const std::vector<Ring>& rings) {
  struct Seg {
    gr_cpoint a, b;
    size_t ring, idx, count;
  };
  std::vector<Seg> segs;
  for (size_t k = 0; k < rings.size(); ++k)
    for (size_t i = 0; i < rings[k].size(); ++i)
      segs.push_back({rings[k][i], rings[k][(i + 1) % rings[k].size()], k, i, rings[k].size()});
  auto orient = [](const gr_cpoint& a, const gr_cpoint& b, const gr_cpoint& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  };
  for (size_t i = 0; i < segs.size(); ++i)
    for (size_t j = i + 1; j < segs.size(); ++j) {
      const Seg& s = segs[i];
      const Seg& t = segs[j];
      if (s.ring == t.ring && (t.idx == (s.idx + 1) % s.count || s.idx == (t.idx + 1) % s.count)) continue;
      double o1 = orient(s.a, s.b, t.a), o2 = orient(s.a, s.b, t.b);
      double o3 = orient(t.a, t.b, s.a), o4 = orient(t.a, t.b, s.b);
      if (((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0)))
        return false;
    }
  return true;
}

#ifdef KALVEX_HAVE_CLIPPER
// Clipper works in integers: 1e7 units to the inch keeps its rounding
// (1e-7 inch) two orders below the engine's tolerance.
constexpr double kClipperScale = 1e7;
// Clipper squares a corner off only when its mitre would reach beyond
// kMiterLimit times the distance, i.e. for turns within about 0.1 degree of
// a full reversal. The corpus has no such corners, so both sides mitre every
// corner and differ by rounding alone.
constexpr double kMiterLimit = 1000;

inline std::vector<Ring> clipper_offset(const Ring& r, double d) {
  ClipperLib::Path path;
  for (const gr_cpoint& p : r)
    path.push_back(ClipperLib::IntPoint(static_cast<ClipperLib::cInt>(std::llround(p.x * kClipperScale)),
                                        static_cast<ClipperLib::cInt>(std::llround(p.y * kClipperScale))));
  ClipperLib::ClipperOffset co(kMiterLimit);
  co.AddPath(path, ClipperLib::jtMiter, ClipperLib::etClosedPolygon);
  ClipperLib::Paths sol;
  co.Execute(sol, d * kClipperScale);
  std::vector<Ring> out;
  for (const ClipperLib::Path& p : sol) {
    Ring ring;
    for (const ClipperLib::IntPoint& q : p)
      ring.push_back({static_cast<double>(q.X) / kClipperScale, static_cast<double>(q.Y) / kClipperScale});
    out.push_back(std::move(ring));
  }
  return out;
}
#endif

// A named polygon of the corpus with the distances it is offset by.
struct Case {
  std::string name;
  Ring ring;
  std::vector<double> distances;
};

// Every shape in both orientations.
inline std::vector<Case> corpus() {
  using namespace offset_corpus;
  std::vector<Case> base = {
      {"square", rect(0, 0, 10, 10), {1, -1, 4.9, -4.9, -6}},
      {"triangle", {{0, 0}, {4, 0}, {1, 3}}, {0.3, -0.3, -0.7}},
      {"convex 60", convex(60, 3, 2, 11), {0.1, -0.1, 0.5, -0.5, -1.5, -2.5}},
      {"regular 200", regular(200, 2), {0.05, -0.05, -1, 1}},
      {"star 40", star(40, 1, 3, 5), {0.05, -0.05, 0.2, -0.2, 0.5, -0.5}},
      {"star 300", star(300, 2, 2.3, 9), {0.02, -0.02, 0.1, -0.1}},
      {"comb narrow teeth", comb(12, 0.1, 0.08, 1.5, 0.5), {0.02, -0.02, 0.03, 0.05, -0.045, -0.06}},
      {"comb wide gaps", comb(6, 0.3, 0.4, 1, 0.3), {0.1, -0.1, 0.25, -0.16}},
      {"dumbbell", dumbbell(2, 2, 0.4), {0.1, -0.1, -0.19, -0.25, -0.6, 0.5}},
      {"clover", clover(180, 2, 0.15), {0.05, -0.05, -0.2, -0.4, 0.3}},
      {"notched", notched(4, 3, 0.3, 1.5), {0.1, 0.2, -0.1, -0.2, 0.5}},
      {"noisy rect", noisy_rect(3, 2, 40, 2e-4, 3), {0.05, -0.05, 0.3, -0.3}},
      {"near collinear", noisy_rect(2, 1, 25, 1e-7, 4), {0.02, -0.02, 0.2, -0.2}},
      {"spiral", spiral(3, 48, 1, 0.6, 0.3), {0.05, -0.05, 0.16, -0.12}},
      {"jitter star", bench_star(Outline::kJitter, 400), {0.02, -0.02}},
      {"spiky star", bench_star(Outline::kSpikes, 1500), {0.02, -0.02, 0.08}},
      {"needle star", bench_star(Outline::kNeedles, 400), {0.02, -0.02}},
  };
  std::vector<Case> all;
  for (Case& c : base) {
    Case rev{c.name + " (reversed)", reversed(c.ring), c.distances};
    all.push_back(std::move(c));
    all.push_back(std::move(rev));
  }
  return all;
}

}  // namespace offset_support

#endif
