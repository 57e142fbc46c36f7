// Generated polygons for the offset engine's tests and benchmark, and the
// measures used to compare offsets: signed area, and the Hausdorff distance
// between two contours' outlines. Everything is deterministic (fixed seeds).
#ifndef TESTS_GEOMKIT_OFFSET_CORPUS_H
#define TESTS_GEOMKIT_OFFSET_CORPUS_H

#include <geomkit/gr_types.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace offset_corpus {

using Ring = std::vector<gr_cpoint>;
constexpr double kPi = 3.14159265358979323846;

inline Ring reversed(Ring r) {
  std::reverse(r.begin(), r.end());
  return r;
}

inline double signed_area(const Ring& r) {
  double a = 0;
  for (size_t i = 0; i < r.size(); ++i) {
    const gr_cpoint& p = r[i];
    const gr_cpoint& q = r[(i + 1) % r.size()];
    a += p.x * q.y - q.x * p.y;
  }
  return a / 2;
}

inline Ring rect(double x0, double y0, double x1, double y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// A star-shaped outline around (cx, cy): radius r(t) sampled at n angles.
template <class F>
Ring polar(int n, F&& radius, double cx = 0, double cy = 0) {
  Ring r;
  r.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    double t = 2 * kPi * i / n;
    double rad = radius(i, t);
    r.push_back({cx + rad * std::cos(t), cy + rad * std::sin(t)});
  }
  return r;
}

inline Ring regular(int n, double radius) {
  return polar(n, [&](int, double) { return radius; });
}

// Convex: an ellipse with uneven angular steps.
inline Ring convex(int n, double a, double b, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> jit(0.2, 1.0);
  std::vector<double> steps(static_cast<size_t>(n));
  double total = 0;
  for (double& s : steps) total += (s = jit(rng));
  Ring r;
  double t = 0;
  for (double s : steps) {
    r.push_back({a * std::cos(t), b * std::sin(t)});
    t += 2 * kPi * s / total;
  }
  return r;
}

// Star-shaped with random radii between r0 and r1.
inline Ring star(int n, double r0, double r1, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(r0, r1);
  return polar(n, [&](int, double) { return u(rng); });
}

// A comb: a spine along the bottom and teeth of the given width and gap.
inline Ring comb(int teeth, double tooth_w, double gap, double tooth_h, double spine_h) {
  const double w = teeth * tooth_w + (teeth - 1) * gap, top = spine_h + tooth_h;
  Ring r{{0, 0}, {w, 0}};
  for (int k = teeth - 1; k >= 0; --k) {
    const double x0 = k * (tooth_w + gap), x1 = x0 + tooth_w;
    r.push_back({x1, top});
    r.push_back({x0, top});
    if (k > 0) {
      r.push_back({x0, spine_h});
      r.push_back({x0 - gap, spine_h});
    }
  }
  return r;
}

// Two squares joined by a bridge: shrinking by more than half the bridge
// splits the inset in two.
inline Ring dumbbell(double side, double bridge_len, double bridge_w) {
  double y0 = (side - bridge_w) / 2, y1 = y0 + bridge_w, x2 = side + bridge_len, x3 = x2 + side;
  return {{0, 0},     {side, 0},  {side, y0}, {x2, y0},   {x2, 0},      {x3, 0},
          {x3, side}, {x2, side}, {x2, y1},   {side, y1}, {side, side}, {0, side}};
}

// Three lobes around a centre with narrow necks.
inline Ring clover(int n, double r, double neck) {
  return polar(n, [&](int, double t) {
    return r * (neck + (1 - neck) * std::pow(std::fabs(std::cos(1.5 * t)), 0.7));
  });
}

// Near-collinear points along the edges of a rectangle, with very short
// edges and tiny zig-zags.
inline Ring noisy_rect(double w, double h, int per_side, double wiggle, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-wiggle, wiggle);
  Ring r;
  const gr_cpoint c[4] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
  for (int s = 0; s < 4; ++s) {
    const gr_cpoint& a = c[s];
    const gr_cpoint& b = c[(s + 1) % 4];
    double nx = -(b.y - a.y), ny = b.x - a.x, nl = std::hypot(nx, ny);
    for (int k = 0; k < per_side; ++k) {
      double t = static_cast<double>(k) / per_side;
      double o = k == 0 ? 0 : u(rng);
      r.push_back({a.x + t * (b.x - a.x) + o * nx / nl, a.y + t * (b.y - a.y) + o * ny / nl});
      if (k % 7 == 3) {  // a very short edge
        gr_cpoint p = r.back();
        r.push_back({p.x + 0.0002 * (b.x - a.x) / nl * 100, p.y + 0.0002 * (b.y - a.y) / nl * 100});
      }
    }
  }
  return r;
}

// An L-shaped room with a notch: concave corners and a slot narrower than
// twice the offset closes when growing.
inline Ring notched(double w, double h, double slot_w, double slot_d) {
  double cx = w / 2;
  return {{0, 0},
          {w, 0},
          {w, h},
          {cx + slot_w / 2, h},
          {cx + slot_w / 2, h - slot_d},
          {cx - slot_w / 2, h - slot_d},
          {cx - slot_w / 2, h},
          {0, h}};
}

// A spiral strip: growing it fuses neighbouring turns.
inline Ring spiral(int turns, int per_turn, double r0, double pitch, double width) {
  Ring out, in;
  int n = turns * per_turn;
  for (int i = 0; i <= n; ++i) {
    double t = 2 * kPi * i / per_turn, rr = r0 + pitch * t / (2 * kPi);
    out.push_back({(rr + width / 2) * std::cos(t), (rr + width / 2) * std::sin(t)});
    in.push_back({(rr - width / 2) * std::cos(t), (rr - width / 2) * std::sin(t)});
  }
  std::reverse(in.begin(), in.end());
  out.insert(out.end(), in.begin(), in.end());
  return out;
}

// The benchmark's star-shaped outlines, 200 mm across (inches): smooth,
// with small jitter, with random spikes (80 triangular spikes of fixed
// angular width, so the shape is the same at every vertex count), or with
// needles (one vertex in ten pushed out: at high counts these are needles
// a thousand times longer than wide, whose mitres reach far beyond the
// shape).
enum class Outline { kSmooth, kJitter, kSpikes, kNeedles };

inline Ring bench_star(Outline kind, int n, uint32_t seed = 7) {
  const double r = 100.0 / 25.4;
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> jit(-0.002, 0.002);
  std::uniform_real_distribution<double> u01(0, 1);
  struct Spike {
    double at, half, height;
  };
  std::vector<Spike> spikes;
  if (kind == Outline::kSpikes)
    for (int k = 0; k < 80; ++k)
      spikes.push_back({2 * kPi * u01(rng), (0.3 + 0.7 * u01(rng)) * kPi / 180, 0.05 + 0.15 * u01(rng)});
  return polar(n, [&](int, double t) {
    double base = r * (0.8 + 0.12 * std::sin(5 * t) + 0.05 * std::cos(13 * t));
    switch (kind) {
      case Outline::kSmooth: return base;
      case Outline::kJitter: return base + jit(rng);
      case Outline::kSpikes: {
        double bump = 0;
        for (const Spike& s : spikes) {
          double dt = std::fabs(std::remainder(t - s.at, 2 * kPi));
          if (dt < s.half) bump = std::max(bump, s.height * (1 - dt / s.half));
        }
        return base * (1 + bump);
      }
      case Outline::kNeedles: return u01(rng) < 0.1 ? base * (1.05 + 0.15 * u01(rng)) : base;
    }
    return base;
  });
}

// A needle star: vertex i at angle 2 pi (i + 0.8 u) / n, radius 50 to 100 mm
// (in inches), u and v uniform. Needles on every side, their tips and slits
// corners of a fraction of a degree, whose mitres reach far beyond the
// shape: an inset of 0.5 mm at 10 000 vertices vanishes, the slits' mitres
// cutting through. A prefix of it, closed by the chord back to the first
// vertex, crosses itself where the chord cuts the needles.
inline Ring urchin(int n, uint32_t seed = 16) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u01(0, 1);
  Ring r;
  r.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double u = u01(rng), v = u01(rng);
    const double t = 2 * kPi * (i + 0.8 * u) / n, rad = 100 * (0.5 + 0.5 * v) / 25.4;
    r.push_back({rad * std::cos(t), rad * std::sin(t)});
  }
  return r;
}

inline Ring prefix(const Ring& r, size_t k) {
  return Ring(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(std::min(k, r.size())));
}

// ---- measures ----

inline double dist_point_segment(const gr_cpoint& p, const gr_cpoint& a, const gr_cpoint& b) {
  double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
  double t = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0;
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Distance from p to the outlines (closed rings).
inline double dist_to_rings(const gr_cpoint& p, const std::vector<Ring>& rings) {
  double best = INFINITY;
  for (const Ring& r : rings)
    for (size_t i = 0; i < r.size(); ++i)
      best = std::min(best, dist_point_segment(p, r[i], r[(i + 1) % r.size()]));
  return best;
}

// Points along the outlines, at most step apart, vertices included.
inline std::vector<gr_cpoint> samples(const std::vector<Ring>& rings, double step) {
  std::vector<gr_cpoint> out;
  for (const Ring& r : rings)
    for (size_t i = 0; i < r.size(); ++i) {
      const gr_cpoint& a = r[i];
      const gr_cpoint& b = r[(i + 1) % r.size()];
      int k = std::max(1, static_cast<int>(std::ceil(std::hypot(b.x - a.x, b.y - a.y) / step)));
      for (int j = 0; j < k; ++j) out.push_back({a.x + (b.x - a.x) * j / k, a.y + (b.y - a.y) * j / k});
    }
  return out;
}

// Hausdorff distance between two sets of outlines, sampled at step.
inline double hausdorff(const std::vector<Ring>& a, const std::vector<Ring>& b, double step) {
  if (a.empty() || b.empty()) return a.empty() && b.empty() ? 0 : INFINITY;
  double h = 0;
  for (const gr_cpoint& p : samples(a, step)) h = std::max(h, dist_to_rings(p, b));
  for (const gr_cpoint& p : samples(b, step)) h = std::max(h, dist_to_rings(p, a));
  return h;
}

}  // namespace offset_corpus

#endif
