// Hatch: filling the selected polylines and polyline sets with horizontal
// segments a fixed step apart, each shortened at both ends by the border
// offset, as a plotter pen exposes an area.
//
// A hatch line through (0, y) pointing +x meets the element at sorted line
// parameters; consecutive pairs are the stretches inside (even-odd along
// the line), an odd last one is ignored. The lines run from two steps below
// the element's box while below two steps above it, so one always falls on
// or below the lowest point. Progress: start (sent), before each line a
// tick with the fraction of the present element written first (sent), end
// (posted).
#include <fgb/main_db.h>

#include "db/gdb_p.h"
#include "db/hatch_p.h"
#include "db/main_db_p.h"
#include "db/operations_p.h"

#include <cmath>
#include <new>

namespace fgb {

namespace {

struct Preset {
  int number;
  float width;
  gr_rgbcol color;
};

// The pens the program's pen numbers stand for.
constexpr Preset kPresets[] = {
    {1, 0.055f, {1, 0, 0}}, {2, 0.012f, {1, 1, 0}}, {3, 0.025f, {0, 1, 0}},
    {4, 0.039f, {0, 1, 1}}, {-1, 0.0f, {0, 0, 0}},
};

// A stretch shorter than this after shortening gives no segment: the pen
// would only make a dot.
constexpr double kMinHatchSegment = 0.00001;

bool finite_points(const gr_polyline& p) {
  for (uint32_t i = 0; i < p.n; ++i)
    if (!std::isfinite(p.pnt[i].x) || !std::isfinite(p.pnt[i].y)) return false;
  return true;
}

bool finite_shape(int kind, const void* shape) {
  if (kind == FGB_POLYLINE) return finite_points(*static_cast<const gr_polyline*>(shape));
  auto* set = static_cast<const gr_polylines*>(shape);
  const gr_polyline* m = gr_polylines_first(set);
  for (int32_t i = 0; i < set->n; ++i, m = gr_polylines_next(m))
    if (!finite_points(*m)) return false;
  return true;
}

// The segments of one line from its sorted parameters.
void line_segments(double y, const std::vector<double>& t, double offset, HatchSink& sink) {
  const gr_line line{{0, y}, {0, 1}};
  for (std::size_t i = 0; i + 1 < t.size(); i += 2) {
    const double t1 = t[i] + offset;
    const double t2 = t[i + 1] - offset;
    if (!(t1 <= t2) || std::fabs(t1 - t2) < kMinHatchSegment) continue;
    gr_segment s;
    gr_conv_linepar_to_cpoint(&s.p1, &line, t1);
    gr_conv_linepar_to_cpoint(&s.p2, &line, t2);
    sink.segment(s);
  }
}

// Progress within the element: the height already passed over the box's
// height, kept within 0..1 (the lines run two steps beyond the box at both
// ends, and a flat element has no height to divide by).
double fraction(double passed, double height) {
  if (!(height > 0)) return 0;
  const double f = passed / height;
  return f > 1 ? 1 : f;
}

// The document side of a hatch: ticks to the window, segments into the
// work document's selection.
class DocumentSink final : public HatchSink {
 public:
  DocumentSink(MainDB& doc, MainDB& work, const gr_curve_style& pen) : doc_(doc), work_(work), pen_(pen) {}
  void line(double f) override {
    doc_.SetProgress(f);
    doc_.PostM(WM_DB_PROGRESS);
  }
  void segment(const gr_segment& s) override {
    work_.AddElem(FGB_SEGMENT, &s, pen_, kNoFill, 2);
    // Budget spent or memory gone: the hatch of this element stops here
    // (hatch_element catches it) and the operation is dropped.
    if (work_.GetFailure() != FGB_FAILED_NONE) throw std::bad_alloc();
  }

 private:
  MainDB& doc_;
  MainDB& work_;
  gr_curve_style pen_;
};

}  // namespace

gr_curve_style hatch_style(const gr_curve_style& requested, int preset) noexcept {
  gr_curve_style s = requested;
  for (const Preset& p : kPresets) {
    if (p.number != preset) continue;
    s.width = p.width;
    s.color = p.color;
  }
  return s;
}

bool hatch_element(int kind, const void* shape, double step, double offset, HatchPath path,
                   HatchSink& sink) noexcept {
  if (kind != FGB_POLYLINE && kind != FGB_POLYLINES) return true;
  // A step of zero (or less) would give one line forever.
  if (!shape || !(step > 0) || !std::isfinite(step)) return true;
  gr_xy_rect box;
  if (!shape_box(kind, shape, box) || !finite_shape(kind, shape)) return true;
  const double height = box.y2 - box.y1;
  gr_xy_rect_inflate(&box, 2 * step, 2 * step);
  // Far more lines than any plotter could draw (and than memory could
  // hold segments for): the element is left as it is.
  if (!((box.y2 - box.y1) / step <= static_cast<double>(kMaxScanLines))) return false;
  try {
    // The lines' heights, each the previous one plus the step. A step below
    // the resolution of the heights would not move on: the lines end there.
    std::vector<double> ys;
    for (double y = box.y1; y < box.y2;) {
      if (ys.size() == kMaxScanLines) return false;
      ys.push_back(y);
      const double next = y + step;
      if (!(next > y)) break;
      y = next;
    }
    std::unique_ptr<LineParams> lp =
        path == HatchPath::kScan ? make_scan_line_params() : make_plain_line_params();
    if (!lp->init(kind, shape, ys.data(), ys.size())) {
      lp = make_plain_line_params();  // the scan could not get its memory
      if (!lp->init(kind, shape, ys.data(), ys.size())) return false;
    }
    double passed = 0;
    for (std::size_t k = 0; k < ys.size(); ++k) {
      sink.line(fraction(passed, height));
      const std::vector<double>* t = lp->params(k);
      if (!t) return false;
      line_segments(ys[k], *t, offset, sink);
      passed += step;
    }
    return true;
  } catch (...) {
    return false;  // out of memory (or a sink that failed): what was done stays
  }
}

}  // namespace fgb

void MainDB::Hatch(H_param* request, int preset) noexcept {
  if (!request) return;
  const H_param rq = *request;
  // No lines to draw: nothing changes, not even the undo history.
  if (!(rq.step > 0) || !std::isfinite(rq.step)) return;
  CreateUndo();
  MainDB* w = new (std::nothrow) MainDB();
  if (!w) return;
  AppendingDB(w, 1, 1);
  AppendingDB(w, 2, 2);
  PostM(DB_PROGRESS_START);
  fgb::DocumentSink sink(*this, *w, fgb::hatch_style(rq.style, preset));
  fgb::AlignedShape aligned;
  w->SetAddBudget(fgb::operation_budget(*this, count_s_));
  for (pages* p = first_s_; p; p = p->next) {
    fgb::for_each_link(p->gdb, [&](tag_ns_handler l) {
      if (w->GetFailure() != FGB_FAILED_NONE) return;  // the rest would be thrown away
      fgb::ElementView e;
      fgb::read_element(l, e);
      if (e.kind != FGB_POLYLINE && e.kind != FGB_POLYLINES) return;
      if (!e.has_fill && rq.all == 0) return;  // "polypolygons only": elements with a fill style
      const void* data = aligned.view(e.data, e.size);
      if (data) fgb::hatch_element(e.kind, data, rq.step, rq.offset, fgb::HatchPath::kScan, sink);
    });
  }
  PostM(DB_PROGRESS_END);
  fgb::take_over(*this, w);
  PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
}
