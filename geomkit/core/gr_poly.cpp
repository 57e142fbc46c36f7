// Polyline records and buffers, bounding boxes, conversions, and the line
// against one segment, on which every other intersection builds.
#include <geomkit/gr_poly.h>

#include "core/gr_poly_p.h"

#include <climits>
#include <cstddef>
#include <cmath>
#include <cstdlib>
#include <cstring>

using geomkit::kLmesPrec;

static_assert(sizeof(gr_cpoint) == 16 && sizeof(gr_segment) == 32, "record sizes are part of the interface");
static_assert(offsetof(gr_polyline, pnt) == 8, "a polyline is 8 bytes of header, then its points");
static_assert(offsetof(gr_thick_polyline, pline) == 8, "a thick polyline is its thickness, then a polyline");
static_assert(sizeof(gr_polylines) == 8, "a set is its count and padding, then its members");
static_assert(sizeof(gr_trline) == sizeof(gr_line) + 16 && offsetof(gr_trline, tmin) == sizeof(gr_line),
              "a bounded line starts with the fields of a line");

namespace {

// Largest point count whose record size still fits an int.
constexpr long long kMaxPoints = (INT_MAX - 16) / 16;

long long polyline_bytes(long long n) { return 16 * n + 8; }

}  // namespace

extern "C" {

/* ---- sizes and buffers ---- */

int gr_get_polyline_sizen(int n) noexcept {
  if (n < 0 || n > kMaxPoints) return -1;
  return static_cast<int>(polyline_bytes(n));
}

int gr_get_polyline_size(const gr_polyline* pline) noexcept {
  if (!pline || pline->n > kMaxPoints) return -1;
  return static_cast<int>(polyline_bytes(pline->n));
}

gr_polyline* gr_alloc_buffer_for_polyline(int n) noexcept {
  int size = gr_get_polyline_sizen(n);
  if (size < 0) return nullptr;
  return static_cast<gr_polyline*>(std::malloc(static_cast<size_t>(size)));
}

void gr_free_buffer_for_polyline(gr_polyline* p) noexcept { std::free(p); }

gr_polylines* gr_alloc_buffer_for_polylines(int count, const int* ns) noexcept {
  if (count < 0 || (count > 0 && !ns)) return nullptr;
  long long size = static_cast<long long>(sizeof(gr_polylines));
  for (int i = 0; i < count; ++i) {
    if (ns[i] < 0 || ns[i] > kMaxPoints) return nullptr;
    size += polyline_bytes(ns[i]);
    if (size > INT_MAX) return nullptr;
  }
  return static_cast<gr_polylines*>(std::malloc(static_cast<size_t>(size)));
}

void gr_free_buffer_for_polylines(gr_polylines* p) noexcept { std::free(p); }

int gr_get_polylines_size(const gr_polylines* set) noexcept {
  if (!set) return -1;
  long long size = static_cast<long long>(sizeof(gr_polylines));
  bool fits = true;
  geomkit::for_each_polyline(*set, [&](const gr_polyline& p) {
    size += polyline_bytes(p.n);
    if (size > INT_MAX) fits = false;
  });
  return fits ? static_cast<int>(size) : -1;
}

int gr_get_thick_polyline_sizen(int n) noexcept {
  if (n < 0 || n > kMaxPoints) return -1;
  return static_cast<int>(16LL * n + 16);
}

void gr_set_thick_polyline(gr_thick_polyline* out, double thickness, const gr_polyline* pline) noexcept {
  out->thickness = thickness;
  int size = gr_get_polyline_size(pline);
  if (size > 0) std::memmove(&out->pline, pline, static_cast<size_t>(size));
}

/* ---- bounding boxes ---- */

int gr_get_polyline_dims(gr_xy_rect* out, const gr_polyline* pline) noexcept {
  if (!pline || pline->n == 0) return 0;
  gr_xy_rect r{pline->pnt[0].x, pline->pnt[0].y, pline->pnt[0].x, pline->pnt[0].y};
  for (uint32_t i = 1; i < pline->n; ++i) {
    const gr_cpoint& p = pline->pnt[i];
    if (p.x < r.x1) r.x1 = p.x;
    if (p.x > r.x2) r.x2 = p.x;
    if (p.y < r.y1) r.y1 = p.y;
    if (p.y > r.y2) r.y2 = p.y;
  }
  *out = r;
  return pline->n > INT_MAX ? INT_MAX : static_cast<int>(pline->n);
}

int gr_get_polylines_dims(gr_xy_rect* out, const gr_polylines* set) noexcept {
  if (!set) return 0;
  bool any = false;
  gr_xy_rect box{};
  int count = geomkit::for_each_polyline(*set, [&](const gr_polyline& p) {
    gr_xy_rect r;
    if (gr_get_polyline_dims(&r, &p) == 0) return;  // an empty member adds nothing
    if (any)
      gr_union_xy_rect(&box, &box, &r);
    else
      box = r;
    any = true;
  });
  if (any) *out = box;
  return count;
}

/* ---- conversions ---- */

void gr_conv_xy_rect_to_polyline(gr_polyline* out, const gr_xy_rect* rect) noexcept {
  gr_xy_rect r = *rect;
  out->closed = 1;
  out->n = 4;
  out->pnt[0] = {r.x1, r.y1};
  out->pnt[1] = {r.x1, r.y2};
  out->pnt[2] = {r.x2, r.y2};
  out->pnt[3] = {r.x2, r.y1};
}

void gr_create_trline_by_segment(gr_trline* out, const gr_segment* seg) noexcept {
  gr_segment s = *seg;
  gr_cpoint d;
  gr_vect_dif(&d, &s.p2, &s.p1);
  out->p = s.p1;
  gr_vect_dir(&out->dir, &d);
  out->tmin = 0;
  out->tmax = gr_vect_len(&d);
}

double gr_segment_len(const gr_segment* seg) noexcept { return gr_dist_cpoints(&seg->p2, &seg->p1); }

void gr_segment_middle(gr_cpoint* out, const gr_cpoint* p1, const gr_cpoint* p2) noexcept {
  // Summing in extended precision keeps the midpoint of huge coordinates finite.
  double x = static_cast<double>((static_cast<long double>(p1->x) + p2->x) / 2);
  double y = static_cast<double>((static_cast<long double>(p1->y) + p2->y) / 2);
  out->x = x;
  out->y = y;
}

/* ---- line against segment ---- */

int gr_isct_line_segment(double* t, const gr_line* line, const gr_segment* seg) noexcept {
  double tv = 0;
  int code = geomkit::isct_code(&tv, geomkit::LineMeasure(*line), seg->p1, seg->p2);
  if (code >= 3) code = GR_ISCT_ONE;
  if (code == GR_ISCT_ONE && t) *t = tv;
  return code;
}

}  // extern "C"
