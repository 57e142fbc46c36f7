// Core records: vectors, directions, rectangles, transforms, length units
// and lines. Every formula is evaluated in extended precision (long double)
// and the result stored as a double, so that the decisions made against the
// tolerance further up (hatching, selection, offsets) see the same values
// whatever the compiler keeps in registers.
#include <geomkit/gr_types.h>

#include "core/gr_poly_p.h"

#include <cmath>

namespace {

using ld = long double;

// pi as the library writes it everywhere (a double constant).
constexpr double kPi = 3.141592653589793;

}  // namespace

namespace geomkit {
namespace {

// Parameter of the second point that builds a line's implicit equation:
// far enough along the line that the equation's coefficients carry the
// direction to full precision.
constexpr double kFarParam = 10000000.0;

inline ld sq(ld v) { return v * v; }

}  // namespace

LineMeasure::LineMeasure(const gr_line& line) noexcept : line_(line) {
  // P0, P1: the points at parameters 0 and 10 000 000, stored as points.
  //   A = (P0.y - P1.y) / d,  B = (P1.x - P0.x) / d,  C = -(A P0.x + B P0.y)
  //   deriv(pt) = (A pt.x + B pt.y + C) / sqrt(A^2 + B^2)
  gr_cpoint p0, p1;
  gr_conv_linepar_to_cpoint(&p0, &line, 0.0);
  gr_conv_linepar_to_cpoint(&p1, &line, kFarParam);
  ld dx = static_cast<ld>(p1.x) - p0.x;
  ld dy = static_cast<ld>(p1.y) - p0.y;
  ld d = std::sqrt(sq(dx) + sq(dy));
  a_ = (static_cast<ld>(p0.y) - p1.y) / d;
  b_ = (static_cast<ld>(p1.x) - p0.x) / d;
  c_ = -(a_ * p0.x + b_ * p0.y);
  norm_ = std::sqrt(a_ * a_ + b_ * b_);
  fa_ = static_cast<double>(a_ / norm_);
  fb_ = static_cast<double>(b_ / norm_);
  px_ = line.p.x;
  py_ = line.p.y;
  cos_ = line.dir.cos;
  sin_ = line.dir.sin;
}

void normalise_rect(gr_xy_rect& r) noexcept {
  if (r.x1 > r.x2) {
    double t = r.x1;
    r.x1 = r.x2;
    r.x2 = t;
  }
  if (r.y1 > r.y2) {
    double t = r.y1;
    r.y1 = r.y2;
    r.y2 = t;
  }
}

}  // namespace geomkit

using geomkit::kLmesPrec;

extern "C" {

/* ---- vectors and points ---- */

void gr_vect_sum(gr_cpoint* out, const gr_cpoint* a, const gr_cpoint* b) noexcept {
  double x = static_cast<double>(static_cast<ld>(a->x) + b->x);
  double y = static_cast<double>(static_cast<ld>(a->y) + b->y);
  out->x = x;
  out->y = y;
}

void gr_vect_dif(gr_cpoint* out, const gr_cpoint* a, const gr_cpoint* b) noexcept {
  double x = static_cast<double>(static_cast<ld>(a->x) - b->x);
  double y = static_cast<double>(static_cast<ld>(a->y) - b->y);
  out->x = x;
  out->y = y;
}

void gr_vect_scale(gr_cpoint* out, const gr_cpoint* a, double k) noexcept {
  double x = static_cast<double>(static_cast<ld>(a->x) * k);
  double y = static_cast<double>(static_cast<ld>(a->y) * k);
  out->x = x;
  out->y = y;
}

double gr_vect_len(const gr_cpoint* a) noexcept {
  // Extended precision also keeps the squares of huge coordinates finite.
  ld x = a->x, y = a->y;
  return static_cast<double>(std::sqrt(x * x + y * y));
}

void gr_vect_dir(gr_direct* out, const gr_cpoint* v) noexcept {
  ld x = v->x, y = v->y;
  ld len = std::sqrt(x * x + y * y);
  if (len == 0) return;
  out->cos = static_cast<double>(x / len);
  out->sin = static_cast<double>(y / len);
}

double gr_vect_vmult(const gr_cpoint* a, const gr_cpoint* b) noexcept {
  return static_cast<double>(static_cast<ld>(a->x) * b->y - static_cast<ld>(a->y) * b->x);
}

double gr_vect_smult(const gr_cpoint* a, const gr_cpoint* b) noexcept {
  return static_cast<double>(static_cast<ld>(a->x) * b->x + static_cast<ld>(a->y) * b->y);
}

double gr_dist_cpoints(const gr_cpoint* a, const gr_cpoint* b) noexcept {
  ld dx = static_cast<ld>(a->x) - b->x;
  ld dy = static_cast<ld>(a->y) - b->y;
  return static_cast<double>(std::sqrt(dx * dx + dy * dy));
}

void gr_dir_between_vects(gr_direct* out, const gr_cpoint* a, const gr_cpoint* b) noexcept {
  ld la = std::sqrt(static_cast<ld>(a->x) * a->x + static_cast<ld>(a->y) * a->y);
  ld lb = std::sqrt(static_cast<ld>(b->x) * b->x + static_cast<ld>(b->y) * b->y);
  if (la == 0 || lb == 0) {
    // No angle to a zero vector: answer the zero angle rather than NaNs
    // that would poison a winding sum.
    out->cos = 1.0;
    out->sin = 0.0;
    return;
  }
  ld smult = static_cast<ld>(a->x) * b->x + static_cast<ld>(a->y) * b->y;
  ld vmult = static_cast<ld>(a->x) * b->y - static_cast<ld>(a->y) * b->x;
  out->cos = static_cast<double>(smult / la / lb);
  out->sin = static_cast<double>(vmult / la / lb);
}

double gr_angle_by_direct(const gr_direct* dir) noexcept {
  // Only |sin| (clamped to 1) and the two signs are used; -0.0 counts as >= 0.
  ld s = std::fabs(static_cast<ld>(dir->sin));
  if (s > 1) s = 1;
  ld r = std::asin(s);
  ld pi = kPi;
  if (dir->sin >= 0) return static_cast<double>(dir->cos >= 0 ? r : pi - r);
  return static_cast<double>(dir->cos < 0 ? r - pi : -r);
}

void gr_direct_by_angle(gr_direct* out, double angle) noexcept {
  ld a = angle;
  out->sin = static_cast<double>(std::sin(a));
  out->cos = static_cast<double>(std::cos(a));
}

/* ---- rectangles ---- */

void gr_union_xy_rect(gr_xy_rect* out, const gr_xy_rect* a, const gr_xy_rect* b) noexcept {
  gr_xy_rect r;
  r.x1 = a->x1 < b->x1 ? a->x1 : b->x1;
  r.y1 = a->y1 < b->y1 ? a->y1 : b->y1;
  r.x2 = a->x2 > b->x2 ? a->x2 : b->x2;
  r.y2 = a->y2 > b->y2 ? a->y2 : b->y2;
  *out = r;
}

double gr_xy_rect_width(const gr_xy_rect* r) noexcept {
  return static_cast<double>(static_cast<ld>(r->x2) - r->x1);
}

double gr_xy_rect_height(const gr_xy_rect* r) noexcept {
  return static_cast<double>(static_cast<ld>(r->y2) - r->y1);
}

void gr_xy_rect_inflate(gr_xy_rect* r, double dx, double dy) noexcept {
  // Shrinking may reduce an axis but never to zero or below.
  if (static_cast<ld>(r->x2) - r->x1 > -2 * static_cast<ld>(dx)) {
    r->x1 = static_cast<double>(static_cast<ld>(r->x1) - dx);
    r->x2 = static_cast<double>(static_cast<ld>(r->x2) + dx);
  }
  if (static_cast<ld>(r->y2) - r->y1 > -2 * static_cast<ld>(dy)) {
    r->y1 = static_cast<double>(static_cast<ld>(r->y1) - dy);
    r->y2 = static_cast<double>(static_cast<ld>(r->y2) + dy);
  }
}

void gr_map_rect_regions(gr_ctrans* out, const gr_xy_rect* from, const gr_xy_rect* to) noexcept {
  //   k = min(width(to) / width(from), height(to) / height(from))
  //   dx = to.x1 - k from.x1,  dy = to.y1 - k from.y1
  // An axis of zero extent in from gives no ratio; when neither axis gives
  // one the scale is 1, so that the map stays finite.
  ld fw = static_cast<ld>(from->x2) - from->x1, fh = static_cast<ld>(from->y2) - from->y1;
  ld tw = static_cast<ld>(to->x2) - to->x1, th = static_cast<ld>(to->y2) - to->y1;
  bool has_x = fw != 0 && !std::isnan(fw);
  bool has_y = fh != 0 && !std::isnan(fh);
  ld k = 1;
  if (has_x && has_y) {
    ld kx = tw / fw, ky = th / fh;
    k = ky < kx ? ky : kx;
  } else if (has_x) {
    k = tw / fw;
  } else if (has_y) {
    k = th / fh;
  }
  out->scale = static_cast<double>(k);
  out->sin = 0.0;
  out->cos = 1.0;
  out->xsign = 1;
  out->ysign = 1;
  out->dx = static_cast<double>(to->x1 - k * from->x1);
  out->dy = static_cast<double>(to->y1 - k * from->y1);
}

/* ---- transforms ---- */

gr_cpoint gr_vector_ctrans(double x, double y, const gr_ctrans* t) noexcept {
  if (!t) return gr_cpoint{x, y};
  //   x' = xsign scale ( x cos + y sin) + dx
  //   y' = ysign scale (-x sin + y cos) + dy
  ld lx = x, ly = y;
  ld xs = static_cast<ld>(t->xsign) * t->scale;
  ld ys = static_cast<ld>(t->ysign) * t->scale;
  gr_cpoint r;
  r.x = static_cast<double>(xs * (lx * t->cos + ly * t->sin) + t->dx);
  r.y = static_cast<double>(ys * (-lx * t->sin + ly * t->cos) + t->dy);
  return r;
}

void gr_xy_rect_ctrans(gr_xy_rect* out, const gr_xy_rect* in, const gr_ctrans* t) noexcept {
  gr_cpoint a = gr_vector_ctrans(in->x1, in->y1, t);
  gr_cpoint b = gr_vector_ctrans(in->x2, in->y2, t);
  out->x1 = a.x;
  out->y1 = a.y;
  out->x2 = b.x;
  out->y2 = b.y;
}

/* ---- length units ---- */

double gr_get_lunits(double value, gr_lunits_kind kind) noexcept {
  // One unit of each kind in logical units, held in extended precision.
  ld f = 1;
  switch (kind) {
    case 1: f = 39.370078740157481L; break;   // 1 / 0.0254
    case 2: f = 0.98425196850393704L; break;  // 1 / 1.016
    case 3: f = 0.001L; break;
    default: break;
  }
  return static_cast<double>(value * f);
}

double gr_set_lunits(double value, gr_lunits_kind kind) noexcept {
  // The reverse factors are plain doubles (1000 a float constant).
  double f = 1;
  switch (kind) {
    case 1: f = 0.0254; break;
    case 2: f = 1.016; break;
    case 3: f = 1000.0f; break;
    default: break;
  }
  return value * f;
}

double gr_conv_lunits(double value, gr_lunits_kind from, gr_lunits_kind to) noexcept {
  return gr_set_lunits(gr_get_lunits(value, from), to);
}

/* ---- lines ---- */

int gr_line_by_two_points(gr_line* out, const gr_cpoint* a, const gr_cpoint* b) noexcept {
  gr_cpoint d;
  gr_vect_dif(&d, b, a);
  gr_cpoint pa = *a;
  out->p = pa;
  if (gr_vect_len(&d) < kLmesPrec) return 0;
  gr_vect_dir(&out->dir, &d);
  return 1;
}

void gr_conv_linepar_to_cpoint(gr_cpoint* out, const gr_line* line, double t) noexcept {
  ld lt = t;
  double x = static_cast<double>(line->p.x + lt * line->dir.cos);
  double y = static_cast<double>(line->p.y + lt * line->dir.sin);
  out->x = x;
  out->y = y;
}

double gr_proj_cpoint_on_line(const gr_cpoint* pt, const gr_line* line) noexcept {
  // (pt - p) . (cos, sin), the same expression as LineMeasure::proj.
  return static_cast<double>(
      (static_cast<ld>(pt->x) - static_cast<ld>(line->p.x)) * static_cast<ld>(line->dir.cos) +
      (static_cast<ld>(pt->y) - static_cast<ld>(line->p.y)) * static_cast<ld>(line->dir.sin));
}

double gr_deriv_line_cpoint(const gr_line* line, const gr_cpoint* pt) noexcept {
  return geomkit::LineMeasure(*line).deriv(*pt);
}

int gr_intersect_line_line(double* out_t, const gr_line* line1, const gr_line* line2) noexcept {
  const gr_direct& d1 = line1->dir;
  const gr_direct& d2 = line2->dir;
  // 1. Crossing lines: t = ((p1 - p2) x d2) / (d2 x d1).
  ld det = static_cast<ld>(d1.sin) * d2.cos - static_cast<ld>(d1.cos) * d2.sin;
  auto crossing = [&]() {
    ld t = ((static_cast<ld>(line1->p.x) - line2->p.x) * d2.sin -
            (static_cast<ld>(line1->p.y) - line2->p.y) * d2.cos) /
           det;
    *out_t = static_cast<double>(t);
    return 1;
  };
  if (std::fabs(det) > kLmesPrec) return crossing();
  // 2. Nearly parallel: the directions must agree or be opposite within the
  // tolerance; anything else (non-unit directions) still takes the formula.
  bool same = std::fabs(static_cast<ld>(d1.sin) - d2.sin) <= kLmesPrec &&
              std::fabs(static_cast<ld>(d1.cos) - d2.cos) <= kLmesPrec;
  bool opposite = std::fabs(static_cast<ld>(d1.sin) + d2.sin) <= kLmesPrec &&
                  std::fabs(static_cast<ld>(d1.cos) + d2.cos) <= kLmesPrec;
  if (!same && !opposite) return crossing();
  // 3. Parallel: coincident when line2's base point lies on line1.
  if (std::fabs(gr_deriv_line_cpoint(line1, &line2->p)) < kLmesPrec) {
    *out_t = gr_proj_cpoint_on_line(&line2->p, line1);
    return 2;
  }
  return 0;
}

}  // extern "C"
