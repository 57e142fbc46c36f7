// What the benchmarks on generated star outlines (offset_corpus.h) share:
// the outlines' names, their polyline records and Clipper paths, and the
// timer of the figures measured beside Google Benchmark's own.
#ifndef BENCH_OUTLINE_BENCH_H
#define BENCH_OUTLINE_BENCH_H

#include "support/offset_corpus.h"
#include "support/poly_builders.h"

#ifdef KALVEX_HAVE_CLIPPER
#include <polyclipping/clipper.hpp>
#endif

#include <chrono>
#include <cmath>

namespace outline_bench {

using offset_corpus::Outline;
using offset_corpus::Ring;

inline const char* name_of(Outline o) {
  switch (o) {
    case Outline::kSmooth: return "smooth";
    case Outline::kJitter: return "jitter";
    case Outline::kSpikes: return "spikes";
    case Outline::kNeedles: return "needles";
  }
  return "?";
}

// The outline as a closed polyline record.
inline testsupport::PolylinePtr to_pline(const Ring& r) { return testsupport::make_polyline(r, 1); }

// Mean seconds per call of f, over at least 300 ms or `most` calls.
template <class F>
double seconds_per_call(F&& f, int most = 1000) {
  int reps = 0;
  const auto t0 = std::chrono::steady_clock::now();
  do {
    f();
    ++reps;
  } while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(300) && reps < most);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / reps;
}

#ifdef KALVEX_HAVE_CLIPPER
// Clipper's integer units per inch.
constexpr double kClipperScale = 1e7;

inline ClipperLib::Path to_path(const Ring& r) {
  ClipperLib::Path p;
  p.reserve(r.size());
  for (const gr_cpoint& q : r)
    p.push_back(ClipperLib::IntPoint(static_cast<ClipperLib::cInt>(std::llround(q.x * kClipperScale)),
                                     static_cast<ClipperLib::cInt>(std::llround(q.y * kClipperScale))));
  return p;
}
#endif

}  // namespace outline_bench

#endif
