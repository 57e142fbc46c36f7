// Helpers shared by the device-drawing tests: building variable-length
// records and reading what the recording device saw.
#ifndef TESTS_GEOMKIT_DRAW_TEST_UTIL_H
#define TESTS_GEOMKIT_DRAW_TEST_UTIL_H

#include <geomkit/gr_graph.h>
#include <geomkit/recording_dc.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace drawtest {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using Block = std::unique_ptr<T, FreeDeleter>;

inline Block<gr_polyline> make_polyline(std::initializer_list<gr_cpoint> pts, bool closed) {
  const size_t n = pts.size();
  auto* p = static_cast<gr_polyline*>(std::calloc(1, 8 + 16 * (n ? n : 1)));
  p->closed = closed ? 1 : 0;
  p->n = static_cast<uint32_t>(n);
  size_t i = 0;
  for (const gr_cpoint& q : pts) p->pnt[i++] = q;
  return Block<gr_polyline>(p);
}

// A set of polylines in one block, as gr_polylines_first / _next walk it.
inline Block<gr_polylines> make_polylines(const std::vector<std::vector<gr_cpoint>>& members) {
  size_t size = 8;
  for (const auto& m : members) size += 8 + 16 * m.size();
  auto* set = static_cast<gr_polylines*>(std::calloc(1, size));
  set->n = static_cast<int32_t>(members.size());
  gr_polyline* p = gr_polylines_first(set);
  for (const auto& m : members) {
    p->closed = 0;
    p->n = static_cast<uint32_t>(m.size());
    for (size_t i = 0; i < m.size(); ++i) p->pnt[i] = m[i];
    p = gr_polylines_next(p);
  }
  return Block<gr_polylines>(set);
}

inline Block<gr_bezier> make_bezier(int n) {
  auto* b = static_cast<gr_bezier*>(std::calloc(1, 8 + 16 * static_cast<size_t>(n > 0 ? n : 1)));
  b->n = n;
  for (int i = 0; i < n; ++i) b->pnt[i] = {10.0 * i, 5.0 * (i % 2)};
  return Block<gr_bezier>(b);
}

// A dash pattern (or a curve style carrying one) with room for its entries.
struct Pattern {
  std::vector<unsigned char> bytes;
  explicit Pattern(const std::vector<float>& lengths) {
    bytes.resize(4 + 4 * (lengths.size() ? lengths.size() : 1));
    const int32_t n = static_cast<int32_t>(lengths.size());
    std::memcpy(bytes.data(), &n, 4);
    size_t i = 0;
    for (float f : lengths) std::memcpy(bytes.data() + 4 + 4 * i++, &f, 4);
  }
  const gr_curve_font* font() const { return reinterpret_cast<const gr_curve_font*>(bytes.data()); }
};

struct Style {
  std::vector<unsigned char> bytes;
  Style(float width, gr_rgbcol color, const std::vector<float>& lengths) {
    const Pattern p(lengths);
    bytes.resize(16 + p.bytes.size() < 24 ? 24 : 16 + p.bytes.size());
    std::memcpy(bytes.data(), &width, 4);
    std::memcpy(bytes.data() + 4, &color, 12);
    std::memcpy(bytes.data() + 16, p.bytes.data(), p.bytes.size());
  }
  const gr_curve_style* style() const { return reinterpret_cast<const gr_curve_style*>(bytes.data()); }
};

// The pen moves and lines as a compact trace: "M x,y" or "L x,y".
inline std::vector<std::string> trace(const GrRecordingDC& dc) {
  std::vector<std::string> out;
  for (const auto& c : dc.calls) {
    if (c.op == "MoveToEx") out.push_back("M " + std::to_string(c.args[0]) + "," + std::to_string(c.args[1]));
    if (c.op == "LineTo") out.push_back("L " + std::to_string(c.args[0]) + "," + std::to_string(c.args[1]));
  }
  return out;
}

}  // namespace drawtest

#endif
