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
// keeps the output of large pages the same as it has always been. The test
// hpgl_write_test checks the output against a plain transcription of these
// rules over a linked list.
#include "writer_p.h"

#include <algorithm>
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

// One path: where its points are, its ends (looked at thousands of times
// per path by the choice of the next one) and its pen.
struct Path {
  IPoint head, tail;  // first and last point
  uint32_t first;     // index of the first point in the shared array
  uint32_t count;
  int32_t pen;
};

// Squared distance: the choice compares distances, and squares of integer
// differences compare exactly (below 2^53, i.e. for any sheet a plotter has).
double dist2(IPoint a, IPoint b) {
  const double dx = static_cast<double>(a.x) - b.x;
  const double dy = static_cast<double>(a.y) - b.y;
  return dx * dx + dy * dy;
}

double dist(IPoint a, IPoint b) { return std::sqrt(dist2(a, b)); }

// The list of remaining paths. Every choice, removal and move to the front
// happens within the first few hundred positions (the window), so the list
// is a short array of path numbers at its front, filled on demand from the
// untouched rest, which is simply the collected paths from the last back to
// the first. Scanning an array, unlike following links, lets the processor
// look at many paths at once.
class PathList {
 public:
  explicit PathList(size_t n) : rest_(static_cast<int64_t>(n) - 1) { front_.reserve(2 * kOrderWindow); }
  // The path at a position, or -1 past the end.
  int32_t at(size_t pos) {
    while (pos >= front_.size()) {
      if (rest_ < 0) return -1;
      front_.push_back(static_cast<int32_t>(rest_--));
    }
    return front_[pos];
  }
  bool empty() { return at(0) == -1; }
  // At least n positions in the front array, unless fewer paths remain.
  void fill(size_t n) { at(n - 1); }
  const int32_t* front() const { return front_.data(); }
  size_t front_size() const { return front_.size(); }
  void remove(size_t pos) { front_.erase(front_.begin() + static_cast<std::ptrdiff_t>(pos)); }
  void to_front(size_t pos) {
    std::rotate(front_.begin(), front_.begin() + static_cast<std::ptrdiff_t>(pos),
                front_.begin() + static_cast<std::ptrdiff_t>(pos) + 1);
  }

 private:
  std::vector<int32_t> front_;
  int64_t rest_;  // the next path the front takes in, -1 when none is left
};

class Orderer {
 public:
  explicit Orderer(OutBuf& out) : out_(out) {}

  void add(const PointsView& v, int pen) {
    if (v.n == 0) return;
    Path p{{0, 0}, {0, 0}, static_cast<uint32_t>(pts_.size()), 0, pen};
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
    PathList list(paths_.size());
    double t = 0.0;
    while (!list.empty()) t += run(list);
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

  const Path& at(int32_t i) const { return paths_[static_cast<size_t>(i)]; }

  // Distance (squared) from the pen to the nearer end; reversed when the
  // last point is not farther than the first.
  double reach(int32_t i, bool& reversed) const {
    const Path& p = at(i);
    const double d_first = dist2(pos_, p.head);
    const double d_last = dist2(pos_, p.tail);
    reversed = d_last <= d_first;
    return reversed ? d_last : d_first;
  }

  // Writes a path; the estimate of its time.
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
    return t;
  }

  // One run of one pen (positions in the list: cur is being examined, best
  // is the nearest so far; best never lies after cur).
  double run(PathList& list) {
    const int32_t first = list.at(0);
    const int pen = at(first).pen;
    out_.text("PU;SP");
    out_.integer(pen);
    out_.text(";LT;VS2;");
    pos_ = IPoint{0, 0};
    double t = emit(first, false);
    list.remove(0);

    int j = 0;  // choices made in this run
    size_t cur = 0;
    int k = 0;
    size_t best = 0;
    bool best_reversed = false;
    double best_d = list.at(0) != -1 ? reach(list.at(0), best_reversed) : 0.0;
    for (;;) {
      // Examine until the window says stop; the front array holds every
      // position the examination can reach (k grows by one per position
      // and ends at 333), so the scan is a plain loop over it.
      list.fill(cur + kOrderWindow + 2);
      const int32_t* front = list.front();
      const size_t size = list.front_size();
      bool stop = false;
      for (;;) {
        if (cur >= size || at(front[cur]).pen != pen) return t;
        ++k;
        bool reversed;
        const double d = reach(front[cur], reversed);
        if (d < best_d) {
          best = cur;
          best_d = d;
          best_reversed = reversed;
        }
        stop = cur + 1 >= size || at(front[cur + 1]).pen != pen || k == kOrderWindow - j;
        if (stop || k >= kOrderWindow) break;
        ++cur;
      }
      if (!stop) return t;  // 333 examined without a stop: the run ends
      ++j;
      if (j == kOrderWindow) {
        list.to_front(best);
        return t;
      }
      t += emit(list.at(best), best_reversed);
      list.remove(best);
      if (best == cur) {
        cur = 0;  // examine again from the first path
        k = 0;
      }
      // else: the path after the stop has moved up into position cur
      best = 0;
      best_d = list.at(0) != -1 ? reach(list.at(0), best_reversed) : 0.0;
    }
  }

  OutBuf& out_;
  std::vector<IPoint> pts_;
  std::vector<Path> paths_;
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
