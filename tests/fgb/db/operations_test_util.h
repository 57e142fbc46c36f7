// Helpers of the editing-operation and hatch tests: shapes read back from a
// document's element bytes (aligned), and a document with a selection
// built from a list of elements.
#ifndef TESTS_FGB_DB_OPERATIONS_TEST_UTIL_H
#define TESTS_FGB_DB_OPERATIONS_TEST_UTIL_H

#include "db_test_util.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace optest {

using dbtest::Elem;

// The element's bytes in 8-byte aligned memory.
inline std::vector<double> aligned(const Elem& e) {
  std::vector<double> buf((e.shape.size() + 7) / 8 + 1, 0.0);
  std::memcpy(buf.data(), e.shape.data(), e.shape.size());
  return buf;
}

struct Ring {
  bool closed = false;
  std::vector<gr_cpoint> pts;
};

// The points of a polyline element (kind 4).
inline Ring polyline_of(const Elem& e) {
  std::vector<double> buf = aligned(e);
  auto* p = reinterpret_cast<const gr_polyline*>(buf.data());
  return Ring{p->closed != 0, std::vector<gr_cpoint>(p->pnt, p->pnt + p->n)};
}

// The members of a polyline set element (kind 5).
inline std::vector<Ring> polylines_of(const Elem& e) {
  std::vector<double> buf = aligned(e);
  auto* set = reinterpret_cast<const gr_polylines*>(buf.data());
  std::vector<Ring> out;
  const gr_polyline* p = gr_polylines_first(set);
  for (int32_t i = 0; i < set->n; ++i, p = gr_polylines_next(p))
    out.push_back(Ring{p->closed != 0, std::vector<gr_cpoint>(p->pnt, p->pnt + p->n)});
  return out;
}

// The control points of a Bezier element (kind 14).
inline std::vector<gr_cpoint> bezier_of(const Elem& e) {
  std::vector<double> buf = aligned(e);
  auto* b = reinterpret_cast<const gr_bezier*>(buf.data());
  return std::vector<gr_cpoint>(b->pnt, b->pnt + b->n);
}

// A Bezier record in aligned memory.
class Bez {
 public:
  explicit Bez(std::initializer_list<gr_cpoint> pts) : buf_(1 + 2 * pts.size()) {
    auto* b = get();
    b->n = static_cast<int32_t>(pts.size());
    b->reserved = 0;
    std::size_t i = 0;
    for (const gr_cpoint& q : pts) b->pnt[i++] = q;
  }
  gr_bezier* get() { return reinterpret_cast<gr_bezier*>(buf_.data()); }

 private:
  std::vector<double> buf_;
};

inline double ring_area(const std::vector<gr_cpoint>& r) {
  double a = 0;
  for (std::size_t i = 0; i < r.size(); ++i) {
    const gr_cpoint& p = r[i];
    const gr_cpoint& q = r[(i + 1) % r.size()];
    a += p.x * q.y - q.x * p.y;
  }
  return a / 2;
}

inline gr_xy_rect ring_box(const std::vector<gr_cpoint>& r) {
  gr_xy_rect b{INFINITY, INFINITY, -INFINITY, -INFINITY};
  for (const gr_cpoint& p : r) {
    b.x1 = std::fmin(b.x1, p.x);
    b.y1 = std::fmin(b.y1, p.y);
    b.x2 = std::fmax(b.x2, p.x);
    b.y2 = std::fmax(b.y2, p.y);
  }
  return b;
}

inline std::vector<gr_cpoint> square(double x0, double y0, double side, bool ccw = true) {
  std::vector<gr_cpoint> r{{x0, y0}, {x0 + side, y0}, {x0 + side, y0 + side}, {x0, y0 + side}};
  if (!ccw) std::swap(r[1], r[3]);
  return r;
}

// A polyline record in aligned memory from a point list.
class PolyBuf {
 public:
  PolyBuf(const std::vector<gr_cpoint>& pts, int closed) : buf_(1 + 2 * (pts.empty() ? 1 : pts.size())) {
    auto* p = get();
    p->closed = closed;
    p->n = static_cast<uint32_t>(pts.size());
    if (!pts.empty()) std::memcpy(p->pnt, pts.data(), pts.size() * sizeof(gr_cpoint));
  }
  gr_polyline* get() { return reinterpret_cast<gr_polyline*>(buf_.data()); }

 private:
  std::vector<double> buf_;
};

// A polyline set record in aligned memory from member point lists.
class PolysBuf {
 public:
  explicit PolysBuf(const std::vector<std::vector<gr_cpoint>>& members, int closed = 1) {
    std::size_t words = 1;
    for (const auto& m : members) words += 1 + 2 * m.size();
    buf_.assign(words, 0.0);
    auto* set = get();
    set->n = static_cast<int32_t>(members.size());
    set->reserved = 0;
    gr_polyline* p = gr_polylines_first(set);
    for (const auto& m : members) {
      p->closed = closed;
      p->n = static_cast<uint32_t>(m.size());
      if (!m.empty()) std::memcpy(p->pnt, m.data(), m.size() * sizeof(gr_cpoint));
      p = gr_polylines_next(p);
    }
  }
  gr_polylines* get() { return reinterpret_cast<gr_polylines*>(buf_.data()); }

 private:
  std::vector<double> buf_;
};

}  // namespace optest

#endif
