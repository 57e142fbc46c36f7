// DXF splines: SPLINE entities, and the spline edges of hatch boundaries.
//
// A B-spline of degree p, n control points P and knots t (n + p + 1 of
// them, not decreasing) is, on each knot span [t_i, t_i+1) of its domain
// [t_p, t_n], a polynomial of degree p. Its polar form (blossom) on the span,
// f(u_1, ..., u_p), is de Boor's algorithm with u_r used at level r:
//   d_j^0 = P_j,  d_j^r = (1 - a) d_j-1^r-1 + a d_j^r-1,
//   a = (u_r - t_j) / (t_j+p+1-r - t_j),  i - p + r <= j <= i,
// and the span's Bezier control points are f(a..a), f(a..a, b), ..., f(b..b)
// for a = t_i, b = t_i+1. So a spline of degree 2 or 3 without weights is
// exactly a run of Bezier pieces (quadratic ones raised to cubic); degree 1
// is its control polygon. Weighted (rational) splines and higher degrees are
// cut into chords, evaluating the same recursion on (w x, w y, w).
//
// Affine maps commute with all of this, so the control points are mapped
// to the document first.
#include "convert/dxf_p.h"

#include <algorithm>
#include <cmath>

namespace fgb::conv::dxf {

namespace {

// Chords per knot span at most and at least, when a spline is cut.
constexpr int kMaxChordsPerSpan = 64;
constexpr int kMinChordsPerSpan = 2;

// SPLINE flags (70).
constexpr int16_t kClosed = 1;
constexpr int16_t kRational = 4;

// The blossom of span i at u[0..p-1]: (x, y, w) of homogeneous points h
// (three numbers each).
void blossom(const double* h, const double* t, int p, size_t i, const double* u, double out[3]) {
  double d[3 * (kMaxSplineDegree + 1)];
  for (int j = 0; j <= p; ++j)
    for (int k = 0; k < 3; ++k)
      d[3 * j + k] = h[3 * (i - static_cast<size_t>(p) + static_cast<size_t>(j)) + k];
  for (int r = 1; r <= p; ++r)
    for (int j = p; j >= r; --j) {
      const size_t g = i - static_cast<size_t>(p) + static_cast<size_t>(j);
      const double alpha = (u[r - 1] - t[g]) / (t[g + static_cast<size_t>(p + 1 - r)] - t[g]);
      for (int k = 0; k < 3; ++k) d[3 * j + k] = (1 - alpha) * d[3 * (j - 1) + k] + alpha * d[3 * j + k];
    }
  for (int k = 0; k < 3; ++k) out[k] = d[3 * p + k];
}

}  // namespace

int Reader::spline_path(const Xform& xf, int degree, bool chords_only, bool with_start, PathBuffer& out) {
  const size_t n = ctrl_.size() / 2;
  const auto p = static_cast<size_t>(degree);
  if (degree < 1 || degree > kMaxSplineDegree || n < p + 1) return 0;
  const bool rational = weights_.size() == n;
  // Knots as given when they make a spline; otherwise clamped and uniform.
  bool good = knots_.size() == n + p + 1;
  for (size_t i = 0; good && i < knots_.size(); ++i)
    good = std::isfinite(knots_[i]) && (i == 0 || knots_[i] >= knots_[i - 1]);
  if (!good || !(knots_[p] < knots_[n])) {
    knots_.assign(n + p + 1, 0.0);
    for (size_t i = 0; i < knots_.size(); ++i)
      knots_[i] = static_cast<double>(std::clamp(i, p, n)) - static_cast<double>(p);
  }
  // Homogeneous points in inches.
  work_.resize(3 * n);
  for (size_t i = 0; i < n; ++i) {
    const double w = rational && weights_[i] > 0 && std::isfinite(weights_[i]) ? weights_[i] : 1.0;
    const gr_cpoint q = xf.point(ctrl_[2 * i], ctrl_[2 * i + 1]);
    work_[3 * i] = q.x * w;
    work_[3 * i + 1] = q.y * w;
    work_[3 * i + 2] = w;
  }
  const double* h = work_.data();
  const double* t = knots_.data();
  double u[kMaxSplineDegree], pt[3];
  bool first = with_start;
  const auto push = [&](const double v[3]) { out.push(v[0] / v[2], v[1] / v[2]); };

  if (degree == 1 && !rational) {
    for (size_t i = first ? 0 : 1; i < n; ++i) out.push(h[3 * i], h[3 * i + 1]);
    return 2;
  }
  if (degree <= 3 && !rational && !chords_only) {
    for (size_t i = p; i < n; ++i) {
      const double a = t[i], b = t[i + 1];
      if (!(a < b)) continue;
      double q[4][3];
      for (size_t k = 0; k <= p; ++k) {
        for (size_t r = 0; r < p; ++r) u[r] = r < p - k ? a : b;
        blossom(h, t, degree, i, u, q[k]);
      }
      if (first) push(q[0]);
      first = false;
      if (degree == 3) {
        push(q[1]), push(q[2]), push(q[3]);
      } else {
        // Quadratic to cubic: the inner points two thirds of the way to the middle one.
        const double c1[3] = {q[0][0] + 2.0 / 3 * (q[1][0] - q[0][0]),
                              q[0][1] + 2.0 / 3 * (q[1][1] - q[0][1]), 1};
        const double c2[3] = {q[2][0] + 2.0 / 3 * (q[1][0] - q[2][0]),
                              q[2][1] + 2.0 / 3 * (q[1][1] - q[2][1]), 1};
        push(c1), push(c2), push(q[2]);
      }
    }
    return 1;
  }
  // Chords: each span cut by the length of its control polygon.
  for (size_t i = p; i < n; ++i) {
    const double a = t[i], b = t[i + 1];
    if (!(a < b)) continue;
    double length = 0;
    for (size_t j = i - p; j < i; ++j)
      length += std::hypot(h[3 * j + 3] / h[3 * j + 5] - h[3 * j] / h[3 * j + 2],
                           h[3 * j + 4] / h[3 * j + 5] - h[3 * j + 1] / h[3 * j + 2]);
    // A chord of a curve of length L and bend about 1 / L stands off it by
    // about L / (8 s^2) for s chords.
    const double s = std::ceil(std::sqrt(length / (8 * kChordTolerance)));
    const int chords = static_cast<int>(std::clamp(s, double{kMinChordsPerSpan}, double{kMaxChordsPerSpan}));
    for (int k = first ? 0 : 1; k <= chords; ++k) {
      const double v = a + (b - a) * k / chords;
      for (size_t r = 0; r < p; ++r) u[r] = v;
      blossom(h, t, degree, i, u, pt);
      push(pt);
    }
    first = false;
  }
  return 2;
}

// SPLINE: degree (71), flags (70), knots (40 each), weights (41 each),
// control points (10, 20 each), fit points (11, 21 each) used only when
// there are no control points: a smooth curve through them (Catmull-Rom).
bool Reader::spline(PairCursor& in, const Place& place, size_t at) {
  Head h;
  int16_t degree = 3, flags = 0;
  ctrl_.clear();
  weights_.clear();
  knots_.clear();
  fit_.clear();
  if (!each_pair(in, [&](const Pair& p) {
        double v = 0;
        switch (p.code) {
          case 70: return to_int16(p.value, flags);
          case 71: return to_int16(p.value, degree);
          case 40:
            if (!to_real(p.value, v)) return false;
            knots_.push_back(v);
            return true;
          case 41:
            if (!to_real(p.value, v)) return false;
            weights_.push_back(v);
            return true;
          case 10:
            if (!to_real(p.value, v)) return false;
            ctrl_.push_back(v), ctrl_.push_back(0.0);
            return true;
          case 20: return ctrl_.empty() || to_real(p.value, ctrl_.back());
          case 11:
            if (!to_real(p.value, v)) return false;
            fit_.push_back(v), fit_.push_back(0.0);
            return true;
          case 21: return fit_.empty() || to_real(p.value, fit_.back());
          default: {
            bool ok;
            h.take(p, ok);
            return true;
          }
        }
      }))
    return false;
  if (left_out(h, place, "SPLINE", at)) return true;
  const gr_curve_style style = pen_style(0.0, colour_of(h, place));
  if (!(flags & kRational)) weights_.clear();
  path_.clear();
  int made = 0;
  if (!ctrl_.empty()) {
    made = spline_path(place.xf, degree, false, true, path_);
    if (made == 2 && degree > 1 && !quiet_) report_.add("SPLINE", FGB_REPORT_APPROXIMATED, at);
  } else if (fit_.size() >= 4) {
    // P_i + (P_i+1 - P_i-1) / 6 leaves P_i along the tangent of the
    // Catmull-Rom curve; ends take their neighbour as the missing point.
    const size_t m = fit_.size() / 2;
    const auto f = [&](size_t i) { return place.xf.point(fit_[2 * i], fit_[2 * i + 1]); };
    path_.push(f(0).x, f(0).y);
    for (size_t i = 0; i + 1 < m; ++i) {
      const gr_cpoint a = f(i ? i - 1 : 0), b = f(i), c = f(i + 1), d = f(i + 2 < m ? i + 2 : m - 1);
      path_.push(b.x + (c.x - a.x) / 6, b.y + (c.y - a.y) / 6);
      path_.push(c.x - (d.x - b.x) / 6, c.y - (d.y - b.y) / 6);
      path_.push(c.x, c.y);
    }
    made = 1;
    if (!quiet_) report_.add("SPLINE", FGB_REPORT_APPROXIMATED, at);
  }
  if (made == 0 || path_.size() < 2) {
    if (!quiet_) report_.add("SPLINE", FGB_REPORT_DROPPED, at);
    return true;
  }
  if (made == 1) {
    add(kBezier, path_.bezier(), style);
  } else {
    const gr_cpoint a = path_.at(0), b = path_.at(path_.size() - 1);
    const bool closed = (flags & kClosed) && a.x == b.x && a.y == b.y && path_.size() > 2;
    if (closed) path_.drop_last();
    add(kPolyline, path_.polyline(closed), style);
  }
  return true;
}

}  // namespace fgb::conv::dxf
