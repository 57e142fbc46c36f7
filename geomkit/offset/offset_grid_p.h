// Grids for the offset engine's spatial questions (which lines' extents
// cross this stretch, which strips cover this point, which candidate
// intervals may cross). An outline is a thin curve: the cells are sized
// from its edges, not from its bounding box, and only occupied cells are
// stored (SparseCells). Very long shapes (the mitres of needle-sharp
// corners) are registered in a second, coarse grid instead of crossing
// thousands of fine cells.
//
// Shapes are registered conservatively: every cell the shape touches, grown
// by a margin far above rounding, is visited, so a point computed on two
// shapes from either side always lies in a cell where both are registered.
#ifndef GEOMKIT_OFFSET_GRID_P_H
#define GEOMKIT_OFFSET_GRID_P_H

#include <geomkit/gr_types.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace geomkit::offset {

// Liang-Barsky: the part [*t0, *t1] of a + t (b - a), t in [0, 1], within
// the box; false when none.
bool clip_unit(const gr_cpoint& a, const gr_cpoint& b, const gr_xy_rect& r, double* t0, double* t1);


// Cells of size h over a rectangle, addressed by one 64-bit key.
class CellGrid {
 public:
  static constexpr double kMaxSide = 1 << 20;

  // Cells of about size h over box (grown by a hair); h is raised as
  // needed to keep at most kMaxSide cells a side.
  void init(gr_xy_rect box, double h) {
    double w = box.x2 - box.x1, ht = box.y2 - box.y1;
    const double ext = std::max({w, ht, 1e-6});
    box.x1 -= ext * 1e-6;
    box.y1 -= ext * 1e-6;
    box.x2 += ext * 1e-6;
    box.y2 += ext * 1e-6;
    w = box.x2 - box.x1;
    ht = box.y2 - box.y1;
    h = std::max({h, w / kMaxSide, ht / kMaxSide, ext * 1e-12});
    nx_ = static_cast<long>(std::max(1.0, std::ceil(w / h)));
    ny_ = static_cast<long>(std::max(1.0, std::ceil(ht / h)));
    x0_ = box.x1;
    y0_ = box.y1;
    x1_ = box.x2;
    y1_ = box.y2;
    cw_ = w / static_cast<double>(nx_);
    ch_ = ht / static_cast<double>(ny_);
    margin_ = ext * 1e-8 + 1e-12;
  }

  long nx() const { return nx_; }
  long ny() const { return ny_; }
  double cell_w() const { return cw_; }
  double cell_h() const { return ch_; }
  double x0() const { return x0_; }
  double y0() const { return y0_; }
  uint64_t key(long cx, long cy) const {
    return static_cast<uint64_t>(cy) * static_cast<uint64_t>(nx_) + static_cast<uint64_t>(cx);
  }

  // The rectangle of cell (cx, cy).
  gr_xy_rect cell_box(long cx, long cy) const {
    return {x0_ + cw_ * static_cast<double>(cx), y0_ + ch_ * static_cast<double>(cy),
            x0_ + cw_ * static_cast<double>(cx + 1), y0_ + ch_ * static_cast<double>(cy + 1)};
  }
  long col_of_key(uint64_t key) const { return static_cast<long>(key % static_cast<uint64_t>(nx_)); }
  long row_of_key(uint64_t key) const { return static_cast<long>(key / static_cast<uint64_t>(nx_)); }

  bool contains(const gr_cpoint& p) const { return p.x >= x0_ && p.x <= x1_ && p.y >= y0_ && p.y <= y1_; }

  // The cell holding p; false when p lies outside the grid.
  bool cell_of(const gr_cpoint& p, long* cx, long* cy) const {
    double fx = (p.x - x0_) / cw_, fy = (p.y - y0_) / ch_;
    if (!(fx >= 0 && fy >= 0 && fx < static_cast<double>(nx_) && fy < static_cast<double>(ny_))) return false;
    *cx = static_cast<long>(fx);
    *cy = static_cast<long>(fy);
    return true;
  }

  // Visits (the key of) every cell the segment ab, grown by the margin,
  // touches within the grid; returns false when part of it lies outside.
  template <class F>
  bool for_segment_cells(gr_cpoint a, gr_cpoint b, F&& f) const {
    bool any = false;
    const bool whole = clip(a, b, &any);
    if (any) {
      const gr_cpoint pts[2] = {a, b};
      rasterize(pts, 2, f);
    }
    return whole;
  }

  // The parts of ab outside the grid (none, one or two segments), each
  // reaching a hair into the grid so that a point on the grid's edge is in
  // both grids' cells.
  template <class F>
  void for_outside_parts(const gr_cpoint& a, const gr_cpoint& b, F&& f) const {
    gr_cpoint ca = a, cb = b;
    bool any = false;
    if (clip(ca, cb, &any)) return;
    if (!any) {
      f(a, b);
      return;
    }
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    if (len == 0) return;
    const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len, m = margin_ * 4;
    if (ca.x != a.x || ca.y != a.y) f(a, gr_cpoint{ca.x + m * ux, ca.y + m * uy});
    if (cb.x != b.x || cb.y != b.y) f(gr_cpoint{cb.x - m * ux, cb.y - m * uy}, b);
  }

  // Visits every cell a convex polygon (grown by the margin) touches;
  // returns false when part of it lies outside the grid (the cells along
  // the border stand in for the outside part).
  template <class F>
  bool for_convex_cells(const gr_cpoint* pts, int n, F&& f) const {
    bool inside = true;
    for (int i = 0; i < n; ++i) inside = inside && contains(pts[i]);
    rasterize(pts, n, f);
    return inside;
  }

  // Number of cells the segment ab would visit, roughly (its length in cells).
  double cells_along(const gr_cpoint& a, const gr_cpoint& b) const {
    return std::fabs(b.x - a.x) / cw_ + std::fabs(b.y - a.y) / ch_ + 1;
  }

 private:
  // Liang-Barsky clip of ab to the grid; returns true when nothing was cut
  // off; *any tells whether anything is left.
  bool clip(gr_cpoint& a, gr_cpoint& b, bool* any) const {
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - x0_, x1_ - a.x, a.y - y0_, y1_ - a.y};
    *any = false;
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return false;
        continue;
      }
      const double r = q[i] / p[i];
      if (p[i] < 0) {
        if (r > t1) return false;
        t0 = std::max(t0, r);
      } else {
        if (r < t0) return false;
        t1 = std::min(t1, r);
      }
    }
    *any = true;
    const bool whole = t0 == 0 && t1 == 1;
    const gr_cpoint na{a.x + t0 * dx, a.y + t0 * dy}, nb{a.x + t1 * dx, a.y + t1 * dy};
    a = na;
    b = nb;
    return whole;
  }

  // Row by row: the x-extent of the convex shape within each row's band
  // (the band and the extent grown by the margin), clamped to the grid.
  template <class F>
  void rasterize(const gr_cpoint* pts, int n, F&& f) const {
    double ylo = pts[0].y, yhi = pts[0].y;
    for (int i = 1; i < n; ++i) {
      ylo = std::min(ylo, pts[i].y);
      yhi = std::max(yhi, pts[i].y);
    }
    const long r0 = row_of(ylo - margin_), r1 = row_of(yhi + margin_);
    for (long r = r0; r <= r1; ++r) {
      const double b0 = std::max(y0_ + ch_ * static_cast<double>(r) - margin_, ylo - margin_);
      const double b1 = std::min(y0_ + ch_ * static_cast<double>(r + 1) + margin_, yhi + margin_);
      double xlo = INFINITY, xhi = -INFINITY;
      for (int i = 0; i < n; ++i) {
        const gr_cpoint& p = pts[i];
        const gr_cpoint& q = pts[(i + 1) % n];
        const double pylo = std::min(p.y, q.y), pyhi = std::max(p.y, q.y);
        if (pyhi < b0 || pylo > b1) continue;
        const double dy = q.y - p.y;
        if (dy == 0) {
          xlo = std::min({xlo, p.x, q.x});
          xhi = std::max({xhi, p.x, q.x});
          continue;
        }
        const double ta = std::clamp((std::max(b0, pylo) - p.y) / dy, 0.0, 1.0);
        const double tb = std::clamp((std::min(b1, pyhi) - p.y) / dy, 0.0, 1.0);
        const double xa = p.x + ta * (q.x - p.x), xb = p.x + tb * (q.x - p.x);
        xlo = std::min({xlo, xa, xb});
        xhi = std::max({xhi, xa, xb});
      }
      if (!(xlo <= xhi)) continue;
      const long c0 = col_of(xlo - margin_), c1 = col_of(xhi + margin_);
      for (long c = c0; c <= c1; ++c) f(key(c, r));
    }
  }

  long row_of(double y) const {
    const double f = std::floor((y - y0_) / ch_);
    return static_cast<long>(std::clamp(f, 0.0, static_cast<double>(ny_ - 1)));
  }
  long col_of(double x) const {
    const double f = std::floor((x - x0_) / cw_);
    return static_cast<long>(std::clamp(f, 0.0, static_cast<double>(nx_ - 1)));
  }

  double x0_ = 0, y0_ = 0, x1_ = 1, y1_ = 1, cw_ = 1, ch_ = 1, margin_ = 0;
  long nx_ = 1, ny_ = 1;
};

// Ids per occupied cell, built once from (key, id) pairs.
class SparseCells {
 public:
  template <class Fill>
  void build(Fill&& fill) {
    std::vector<std::pair<uint64_t, int>> pairs;
    fill([&](uint64_t key, int id) { pairs.emplace_back(key, id); });
    radix_sort(pairs);
    keys_.clear();
    start_.clear();
    ids_.clear();
    ids_.reserve(pairs.size());
    for (size_t i = 0; i < pairs.size(); ++i) {
      if (i == 0 || pairs[i].first != pairs[i - 1].first) {
        keys_.push_back(pairs[i].first);
        start_.push_back(static_cast<uint32_t>(ids_.size()));
      }
      if (ids_.size() == start_.back() || ids_.back() != pairs[i].second) ids_.push_back(pairs[i].second);
    }
    start_.push_back(static_cast<uint32_t>(ids_.size()));
  }

  // Stable sort by key, 16 bits a pass (only as many passes as the largest
  // key needs): the pairs come in id order, which each cell keeps.
  static void radix_sort(std::vector<std::pair<uint64_t, int>>& v) {
    uint64_t top = 0;
    for (const auto& p : v) top |= p.first;
    std::vector<std::pair<uint64_t, int>> tmp(v.size());
    std::vector<uint32_t> count(65537);
    for (int shift = 0; shift < 64 && (top >> shift) != 0; shift += 16) {
      std::fill(count.begin(), count.end(), 0);
      for (const auto& p : v) ++count[((p.first >> shift) & 0xffff) + 1];
      for (size_t i = 1; i < count.size(); ++i) count[i] += count[i - 1];
      for (const auto& p : v) tmp[count[(p.first >> shift) & 0xffff]++] = p;
      v.swap(tmp);
    }
  }

  size_t groups() const { return keys_.size(); }
  uint64_t key(size_t g) const { return keys_[g]; }
  size_t size() const { return ids_.size(); }
  const int* group_begin(size_t g) const { return ids_.data() + start_[g]; }
  const int* group_end(size_t g) const { return ids_.data() + start_[g + 1]; }

  // The ids in the cell with this key (an empty range when none).
  std::pair<const int*, const int*> find(uint64_t key) const {
    auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    if (it == keys_.end() || *it != key) return {nullptr, nullptr};
    const size_t g = static_cast<size_t>(it - keys_.begin());
    return {group_begin(g), group_end(g)};
  }

 private:
  std::vector<uint64_t> keys_;
  std::vector<uint32_t> start_;
  std::vector<int> ids_;
};

// Blocks of kBlock x kBlock fine cells that hold anything: a long segment
// walks the blocks and enters the fine cells only where a block is
// occupied, so crossing empty space costs little.
class BlockWalker {
 public:
  static constexpr long kBlock = 32;

  BlockWalker(const CellGrid& fine, const SparseCells& cells) : fine_(fine) {
    blocks_.init({fine.x0(), fine.y0(), fine.x0() + fine.cell_w() * static_cast<double>(fine.nx()),
                  fine.y0() + fine.cell_h() * static_cast<double>(fine.ny())},
                 std::max(fine.cell_w(), fine.cell_h()) * kBlock);
    for (size_t g = 0; g < cells.groups(); ++g) {
      const uint64_t k = cells.key(g);
      gr_xy_rect b = fine.cell_box(fine.col_of_key(k), fine.row_of_key(k));
      long bx = 0, by = 0;
      if (blocks_.cell_of({(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2}, &bx, &by))
        occupied_.push_back(blocks_.key(bx, by));
    }
    std::sort(occupied_.begin(), occupied_.end());
    occupied_.erase(std::unique(occupied_.begin(), occupied_.end()), occupied_.end());
  }

  // Visits the fine cells along ab (as CellGrid::for_segment_cells would)
  // that lie in occupied blocks.
  template <class F>
  void walk(const gr_cpoint& a, const gr_cpoint& b, F&& f) const {
    blocks_.for_segment_cells(a, b, [&](uint64_t bk) {
      if (!std::binary_search(occupied_.begin(), occupied_.end(), bk)) return;
      gr_xy_rect box = blocks_.cell_box(blocks_.col_of_key(bk), blocks_.row_of_key(bk));
      const double gx = fine_.cell_w(), gy = fine_.cell_h();
      box = {box.x1 - gx, box.y1 - gy, box.x2 + gx, box.y2 + gy};
      gr_cpoint ca = a, cb = b;
      if (!clip_to(box, ca, cb)) return;
      fine_.for_segment_cells(ca, cb, f);
    });
  }

 private:
  static bool clip_to(const gr_xy_rect& r, gr_cpoint& a, gr_cpoint& b) {
    double t0, t1;
    if (!clip_unit(a, b, r, &t0, &t1)) return false;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const gr_cpoint na{a.x + t0 * dx, a.y + t0 * dy}, nb{a.x + t1 * dx, a.y + t1 * dy};
    a = na;
    b = nb;
    return true;
  }

  const CellGrid& fine_;
  CellGrid blocks_;
  std::vector<uint64_t> occupied_;
};

// The median of the lengths (at least floor), for sizing cells.
inline double median_length(std::vector<double> lens, double floor) {
  if (lens.empty()) return floor;
  auto mid = lens.begin() + static_cast<std::ptrdiff_t>(lens.size() / 2);
  std::nth_element(lens.begin(), mid, lens.end());
  return std::max(*mid, floor);
}

}  // namespace geomkit::offset

#endif
