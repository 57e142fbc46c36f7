// Optimised HPGL output: the page's contours are drawn in an order that cuts
// the pen-up travel between them, and the plotting time is estimated.
//
// Stages:
//  1. collect: arcs and circles are written at once as in plain mode; every
//     other contour (polyline, member of a polyline set, segment, flattened
//     Bezier) becomes a path of plotter points with its pen;
//  2. order: runs of paths of one pen; each run starts with the first path
//     left and then repeatedly takes the nearest path (either end, drawn
//     backwards when its last point is nearer) among a window of at most
//     333 paths following in the list;
//  3. estimate: pen-up travel, drawn length, the number of points and one
//     pen lift per path, in seconds, added to the context's time.
//
// The list of paths starts with the last path collected. Within a run the
// window shrinks by one with every choice (333 - j), and after 333 choices
// the nearest candidate starts a new run: this bounds the work per path and
// keeps the output of large pages the same as it has always been.
#include "writer_p.h"

#include <cmath>

namespace fgb::conv {

namespace {

constexpr int kOrderWindow = 333;

// Time model of the plotter (seconds; distances in plotter units).
constexpr double kTravelSecondsPerUnit = 0.0025 / 11.0;  // pen up
constexpr double kDrawSecondsPerUnit = 0.00125;         // pen down
constexpr double kLiftSeconds = 0.15;                   // per move and per path
constexpr double kPointSeconds = 0.159;                 // per point drawn

struct IPoint {
  int32_t x, y;
};

// One path; its end points are kept beside the links, where the choice of
// the next path looks thousands of times per path.
struct Path {
  IPoint head, tail;   // first and last point
  uint32_t first;      // index of the first point in the shared array
  uint32_t count;
  int32_t pen;
  int32_t prev, next;  // list links (-1: none)
};

// Squared distance: the choice compares distances, and squares of integer
// differences compare exactly (below 2^53, i.e. for any sheet a plotter has).
double dist2(IPoint a, IPoint b) {
  const double dx = static_cast<double>(a.x) - b.x;
  const double dy = static_cast<double>(a.y) - b.y;
  return dx * dx + dy * dy;
}

double dist(IPoint a, IPoint b) { return std::sqrt(dist2(a, b)); }

class Orderer {
 public:
  explicit Orderer(OutBuf& out) : out_(out) {}

  void add(const PointsView& v, int pen) {
    if (v.n == 0) return;
    Path p{{0, 0}, {0, 0}, static_cast<uint32_t>(pts_.size()), 0, pen, -1, -1};
    for (uint32_t i = 0; i < v.n; ++i) push(v.p[i]);
    if (v.closed) push(v.p[0]);
    p.count = static_cast<uint32_t>(pts_.size()) - p.first;
    p.head = pts_[p.first];
    p.tail = pts_.back();
    paths_.push_back(p);
  }

  bool empty() const { return paths_.empty(); }

  // Writes every path; returns the estimated time of what was written.
  double emit_all() {
    link_reversed();
    double t = 0.0;
    while (head_ != -1) t += run();
    return t;
  }

 private:
  void push(gr_cpoint p) {
    const PlotterPoint q = hpgl_point(p);
    pts_.push_back(IPoint{clamp32(q.x), clamp32(q.y)});
  }
  static int32_t clamp32(int64_t v) {
    return static_cast<int32_t>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, v)));
  }

  void link_reversed() {
    const auto n = static_cast<int32_t>(paths_.size());
    for (int32_t i = 0; i < n; ++i) {
      paths_[static_cast<size_t>(i)].next = i - 1;
      paths_[static_cast<size_t>(i)].prev = i + 1 < n ? i + 1 : -1;
    }
    head_ = n - 1;
  }

  Path& at(int32_t i) { return paths_[static_cast<size_t>(i)]; }

  void unlink(int32_t i) {
    Path& p = at(i);
    if (p.prev != -1) at(p.prev).next = p.next;
    else head_ = p.next;
    if (p.next != -1) at(p.next).prev = p.prev;
    p.prev = p.next = -1;
  }

  void to_front(int32_t i) {
    unlink(i);
    at(i).next = head_;
    if (head_ != -1) at(head_).prev = i;
    head_ = i;
  }

  // Distance (squared) from the pen to the nearer end; reversed when the
  // last point is not farther than the first.
  double reach(int32_t i, bool& reversed) {
    const Path& p = at(i);
    const double d_first = dist2(pos_, p.head);
    const double d_last = dist2(pos_, p.tail);
    reversed = d_last <= d_first;
    return reversed ? d_last : d_first;
  }

  double emit(int32_t i, bool reversed) {
    const Path& p = at(i);
    const IPoint* pt = &pts_[p.first];
    const auto point = [&](uint32_t k) { return reversed ? pt[p.count - 1 - k] : pt[k]; };
    IPoint a = point(0);
    double t = dist(pos_, a) * kTravelSecondsPerUnit + kLiftSeconds;
    out_.pair("PU", a.x, ',', a.y, ";PD;");
    double drawn = 0.0;
    for (uint32_t k = 1; k < p.count; ++k) {
      const IPoint b = point(k);
      out_.pair("PA", b.x, ',', b.y, ";");
      drawn += dist(a, b);
      a = b;
    }
    t += drawn * kDrawSecondsPerUnit + kLiftSeconds + (p.count - 1) * kPointSeconds;
    pos_ = a;
    unlink(i);
    return t;
  }

  double run() {
    const int32_t first = head_;
    const int pen = at(first).pen;
    out_.text("PU;SP");
    out_.integer(pen);
    out_.text(";LT;VS2;");
    pos_ = IPoint{0, 0};
    double t = emit(first, false);

    int j = 0;  // choices made in this run
    int32_t cur = head_;
    int k = 0;
    int32_t best = head_;
    bool best_reversed = false;
    double best_d = best != -1 ? reach(best, best_reversed) : 0.0;
    for (;;) {
      if (cur == -1 || at(cur).pen != pen) return t;
      ++k;
      bool reversed;
      const double d = reach(cur, reversed);
      if (d < best_d) {
        best = cur;
        best_d = d;
        best_reversed = reversed;
      }
      const int32_t after = at(cur).next;
      const bool stop = after == -1 || at(after).pen != pen || k == kOrderWindow - j;
      if (!stop) {
        if (k < kOrderWindow) {
          cur = after;
          continue;
        }
        return t;
      }
      ++j;
      if (j == kOrderWindow) {
        to_front(best);
        return t;
      }
      t += emit(best, best_reversed);
      if (best == cur) {
        cur = head_;
        k = 0;
      } else {
        cur = after;
      }
      best = head_;
      best_d = best != -1 ? reach(best, best_reversed) : 0.0;
    }
  }

  OutBuf& out_;
  std::vector<IPoint> pts_;
  std::vector<Path> paths_;
  int32_t head_ = -1;
  IPoint pos_{0, 0};
};

}  // namespace

void write_hpgl_ordered(Page& page, WriterContext& ctx) {
  OutBuf& out = *ctx.file;
  Orderer order(out);
  std::vector<gr_cpoint> pts;
  for (Element e; page.next(e);) {
    const int pen = hpgl_pen_of_width(e.style.width);
    switch (e.kind) {
      case kPolyline:
        order.add(view_of(static_cast<const gr_polyline*>(e.shape)), pen);
        break;
      case kPolylines: {
        const auto* set = static_cast<const gr_polylines*>(e.shape);
        const gr_polyline* m = gr_polylines_first(set);
        for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m)) order.add(view_of(m), pen);
        break;
      }
      case kSegment: {
        const auto* s = static_cast<const gr_segment*>(e.shape);
        const gr_cpoint ends[2] = {s->p1, s->p2};
        order.add(PointsView{ends, 2, false}, pen);
        break;
      }
      case kBezier:
        if (bezier_points(static_cast<const gr_bezier*>(e.shape), ctx.bezier_density, pts))
          order.add(PointsView{pts.data(), static_cast<uint32_t>(pts.size()), false}, pen);
        break;
      case kArc:
        hpgl_write_arc(out, arc_of_record(e.shape), pen);
        break;
      case kCircle:
        hpgl_write_circle(out, *static_cast<const gr_circle*>(e.shape), pen);
        break;
      default:
        break;
    }
  }
  if (order.empty()) return;
  const double start = ctx.elapsed_time > 0 ? ctx.elapsed_time : 0.0;
  ctx.elapsed_time = static_cast<float>(start + order.emit_all());
}

}  // namespace fgb::conv
