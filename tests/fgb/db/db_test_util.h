// Helpers shared by the document tests: building shapes, reading a side's
// elements back as comparable records, recomputing a side's box.
#ifndef TESTS_FGB_DB_DB_TEST_UTIL_H
#define TESTS_FGB_DB_DB_TEST_UTIL_H

#include <fgb/fgb.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace dbtest {

inline gr_curve_style pen(float width = 0.01f, float r = 0, float g = 0, float b = 0) {
  gr_curve_style s{};
  s.width = width;
  s.color = gr_rgbcol{r, g, b};
  return s;
}

inline gr_fill_area_style fill(int style = BS_SOLID, float r = 0, float g = 0, float b = 0) {
  return gr_fill_area_style{style, {r, g, b}};
}

inline const gr_fill_area_style kNoFill{0, {0, 0, 0}};

inline gr_segment seg(double x1, double y1, double x2, double y2) { return gr_segment{{x1, y1}, {x2, y2}}; }

// A polyline record in an 8-byte aligned buffer.
class Poly {
 public:
  Poly(std::initializer_list<gr_cpoint> pts, int closed = 0) : buf_(1 + 2 * (pts.size() ? pts.size() : 1)) {
    auto* p = get();
    p->closed = closed;
    p->n = static_cast<uint32_t>(pts.size());
    std::size_t i = 0;
    for (const gr_cpoint& q : pts) p->pnt[i++] = q;
  }
  gr_polyline* get() { return reinterpret_cast<gr_polyline*>(buf_.data()); }

 private:
  std::vector<double> buf_;
};

// A polyline set built from member point lists, all closed.
class Polys {
 public:
  Polys(std::initializer_list<std::initializer_list<gr_cpoint>> members) {
    std::size_t words = 1;
    for (auto& m : members) words += 1 + 2 * m.size();
    buf_.assign(words, 0.0);
    auto* set = get();
    set->n = static_cast<int32_t>(members.size());
    set->reserved = 0;
    gr_polyline* p = gr_polylines_first(set);
    for (auto& m : members) {
      p->closed = 1;
      p->n = static_cast<uint32_t>(m.size());
      std::size_t i = 0;
      for (const gr_cpoint& q : m) p->pnt[i++] = q;
      p = gr_polylines_next(p);
    }
  }
  gr_polylines* get() { return reinterpret_cast<gr_polylines*>(buf_.data()); }

 private:
  std::vector<double> buf_;
};

// An element as read back: kind, shape bytes, curve style bytes, fill.
struct Elem {
  int kind = 0;
  std::string shape;
  gr_curve_style curve{};
  bool has_fill = false;
  gr_fill_area_style fill{};

  // The shape record, aligned.
  template <class T>
  T as() const {
    T v;
    std::memcpy(&v, shape.data(), sizeof v);
    return v;
  }
  // A key that tells elements apart in tests: kind, shape and styles.
  std::string key() const {
    std::string k(reinterpret_cast<const char*>(&kind), sizeof kind);
    k += shape;
    k.append(reinterpret_cast<const char*>(&curve), sizeof curve);
    k += has_fill ? '1' : '0';
    if (has_fill) k.append(reinterpret_cast<const char*>(&fill), sizeof fill);
    return k;
  }
};

inline std::vector<Elem> list_elems(const fgb_db* db) {
  std::vector<Elem> out;
  for (tag_ns_handler l = db->head; !fgb_is_end_gdb(l); l = fgb_next_gdb(l)) {
    Elem e;
    tag_ns_handler shape;
    e.has_fill = fgb_get_child_gdb(l, &shape, &e.kind, &e.curve, &e.fill) == 1;
    const char* data = static_cast<const char*>(ns_get_obj_data_ptr(shape));
    e.shape.assign(data, static_cast<std::size_t>(ns_get_boxed_obj_size(shape)));
    out.push_back(e);
  }
  return out;
}

// Every element of one side (1 main, 2 selection), page by page.
inline std::vector<Elem> side_elems(const MainDB& doc, int side) {
  std::vector<Elem> out;
  for (pages* p = side == 1 ? doc.GetFirstPage() : doc.GetFirstPageSelection(); p; p = p->next) {
    auto part = list_elems(p->gdb);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

inline std::vector<std::string> side_keys(const MainDB& doc, int side) {
  std::vector<std::string> keys;
  for (const Elem& e : side_elems(doc, side)) keys.push_back(e.key());
  return keys;
}

// Element counts of the pages of one side.
inline std::vector<long> page_sizes(const MainDB& doc, int side) {
  std::vector<long> n;
  for (pages* p = side == 1 ? doc.GetFirstPage() : doc.GetFirstPageSelection(); p; p = p->next)
    n.push_back(fgb_count_gdb(p->gdb));
  return n;
}

}  // namespace dbtest

#endif
