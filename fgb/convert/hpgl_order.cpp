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
#include "convert/writer_p.h"

#include "convert/hpgl_order_p.h"
#include "convert/sink_p.h"
#include "convert/digits_p.h"
#include "convert/outbuf_p.h"
#include "convert/page_p.h"

#include <algorithm>
#include <cmath>

namespace fgb::conv {

namespace {

constexpr int kOrderWindow = 333;

// Time model of the plotter (seconds; distances in plotter units).
constexpr double kTravelSecondsPerUnit = 0.0025 / 11.0;  // pen up
constexpr double kDrawSecondsPerUnit = 0.00125;          // pen down
constexpr double kLiftSeconds = 0.15;                    // per move and per path
constexpr double kPointSeconds = 0.159;                  // per point drawn

// The longest "PA<x>,<y>;" a point can take: two 11-character numbers.
constexpr size_t kMaxPointText = 26;
constexpr uint32_t kPointsPerReserve = kOutBufReserveMax / kMaxPointText;

double dist(OrderPoint a, OrderPoint b) {
  const double dx = static_cast<double>(a.x) - b.x;
  const double dy = static_cast<double>(a.y) - b.y;
  return std::sqrt(dx * dx + dy * dy);
}

// What the ordering keeps from page to page: its arrays grow to the largest
// page and stay, instead of being allocated (and paged in) again per page.
struct OrderMemory {
  std::vector<OrderPoint> pts;
  std::vector<OrderPath> paths;
  PathList list;
};

class Orderer {
 public:
  Orderer(OutBuf& out, OrderMemory& mem) : out_(out), pts_(mem.pts), paths_(mem.paths), list_(mem.list) {
    pts_.clear();
    paths_.clear();
  }

  void add(const PointsView& v, int pen) {
    if (v.n == 0) return;
    OrderPath p{static_cast<uint32_t>(pts_.size()), 0, pen};
    for (uint32_t i = 0; i < v.n; ++i) push(v.p[i]);
    if (v.closed) push(v.p[0]);
    p.count = static_cast<uint32_t>(pts_.size()) - p.first;
    paths_.push_back(p);
  }

  bool empty() const { return paths_.empty(); }

  // Writes every path; returns the estimated time of what was written.
  double emit_all() {
    PathList& list = list_;
    list.reset(paths_, pts_);
    double t = 0.0;
    for (;;) {
      uint32_t first;
      if (has_moved_) {
        first = moved_;
        has_moved_ = false;
      } else {
        const size_t h = list.head();
        if (h == list.end()) break;
        first = list.path(h);
        list.remove(h);
      }
      t += run(list, first);
    }
    return t;
  }

 private:
  // hpgl_point, which holds 32 bits.
  void push(gr_cpoint p) {
    const PlotterPoint q = hpgl_point(p);
    pts_.push_back(OrderPoint{static_cast<int32_t>(q.x), static_cast<int32_t>(q.y)});
  }

  // Writes a path; the estimate of its time.
  double emit(uint32_t i, bool reversed) {
    const OrderPath& p = paths_[i];
    const OrderPoint* pt = &pts_[p.first];
    const auto point = [&](uint32_t k) { return reversed ? pt[p.count - 1 - k] : pt[k]; };
    OrderPoint a = point(0);
    double t = dist(pos_, a) * kTravelSecondsPerUnit + kLiftSeconds;
    char* o = out_.reserve(kMaxPointText + 4);
    o = put_pair(o, "PU", a.x, a.y);
    o = put_text(o, ";PD;");
    out_.commit(o);
    double drawn = 0.0;
    for (uint32_t k = 1; k < p.count;) {
      const uint32_t batch_end = k + std::min<uint32_t>(p.count - k, kPointsPerReserve);
      o = out_.reserve(kMaxPointText * (batch_end - k));
      for (; k < batch_end; ++k) {
        const OrderPoint b = point(k);
        o = put_pair(o, "PA", b.x, b.y);
        *o++ = ';';
        drawn += dist(a, b);
        a = b;
      }
      out_.commit(o);
    }
    t += drawn * kDrawSecondsPerUnit + kLiftSeconds + (p.count - 1) * kPointSeconds;
    pos_ = a;
    return t;
  }

  static char* put_text(char* o, std::string_view s) {
    std::memcpy(o, s.data(), s.size());
    return o + s.size();
  }
  static char* put_pair(char* o, const char (&cmd)[3], int32_t x, int32_t y) {
    o[0] = cmd[0];
    o[1] = cmd[1];
    o = format_int(o + 2, x);
    *o++ = ',';
    return format_int(o, y);
  }

  // One run of one pen. The examination goes forward from cur over the
  // paths of the pen; each stretch ends where the window says stop (the
  // list's end, a path of another pen, k reaching 333 - j) or where k
  // reaches 333 without a stop, which ends the run. best is the nearest so
  // far and never lies after cur.
  double run(PathList& list, uint32_t first) {
    const int pen = paths_[first].pen;
    out_.text("PU;SP");
    out_.integer(pen);
    out_.text(";LT;VS2;");
    pos_ = OrderPoint{0, 0};
    double t = emit(first, false);
    list.start_run(pen);

    int j = 0;  // choices made in this run
    int k = 0;  // paths examined since the examination last started over
    size_t cur = list.head();
    size_t best = cur;
    double best_d = cur != list.end() ? list.reach(cur, pos_) : 0.0;
    for (;;) {
      if (cur == list.end() || list.pen(cur) != pen) return t;
      // The stretch examined now: as many paths as k may still grow by.
      // When k can still reach 333 - j that ends it with a stop; else only
      // the 333 itself ends it (at least the path at cur is examined).
      const bool window_stop = kOrderWindow - j > k;
      const size_t want =
          static_cast<size_t>(window_stop ? kOrderWindow - j - k : std::max(1, kOrderWindow - k));
      const PathList::Stretch s = list.stretch(cur, want);
      list.nearest(cur, s.last, pos_, best, best_d);
      k += static_cast<int>(s.taken);
      cur = s.last;
      const bool stop = s.taken < want || window_stop || s.run_ends;
      if (!stop) return t;  // 333 examined without a stop: the run ends
      ++j;
      if (j == kOrderWindow) {
        // The nearest starts the next run.
        moved_ = list.path(best);
        has_moved_ = true;
        list.remove(best);
        return t;
      }
      t += emit(list.path(best), list.reversed(best, pos_));
      const bool again = best == cur;
      list.remove(best);
      if (again) {
        cur = list.head();  // examine again from the first path
        k = 0;
      } else {
        cur = list.next(cur + 1);  // the path after the stop
      }
      list.tidy(cur);
      best = list.head();
      best_d = best != list.end() ? list.reach(best, pos_) : 0.0;
    }
  }

  OutBuf& out_;
  std::vector<OrderPoint>& pts_;
  std::vector<OrderPath>& paths_;
  PathList& list_;
  OrderPoint pos_{0, 0};
  uint32_t moved_ = 0;  // the path that starts the next run, when has_moved_
  bool has_moved_ = false;
};

}  // namespace

void write_hpgl_ordered(Page& page, WriterContext& ctx) {
  OutBuf& out = *ctx.file;
  if (!ctx.order_memory) ctx.order_memory = std::make_shared<OrderMemory>();
  Orderer order(out, *static_cast<OrderMemory*>(ctx.order_memory.get()));
  std::vector<gr_cpoint> pts;
  for (Element e; page.next(e);) {
    const int pen = hpgl_pen_of_width(e.style.width);
    switch (e.kind) {
      case kPolyline: order.add(view_of(static_cast<const gr_polyline*>(e.shape)), pen); break;
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
        if (bezier_points(static_cast<const gr_bezier*>(e.shape), ctx.bezier_density, pts, ctx.budget))
          order.add(PointsView{pts.data(), static_cast<uint32_t>(pts.size()), false}, pen);
        break;
      case kArc: hpgl_write_arc(out, arc_of_record(e.shape), pen); break;
      case kCircle: hpgl_write_circle(out, *static_cast<const gr_circle*>(e.shape), pen); break;
      default: break;
    }
  }
  if (order.empty()) return;
  const double start = ctx.elapsed_time > 0 ? ctx.elapsed_time : 0.0;
  ctx.elapsed_time = static_cast<float>(start + order.emit_all());
}

}  // namespace fgb::conv
