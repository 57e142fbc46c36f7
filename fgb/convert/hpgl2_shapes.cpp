// HPGL reader: rectangles (EA, ER, RA, RR) and polygon mode (PM, EP, FP).
// The document has no filled areas of its own: a filled rectangle or
// polygon is drawn as its outline, and the import report says so.
#include "convert/hpgl_reader_p.h"

#include <cmath>

namespace fgb::conv::hpgl {

void Reader::emit_plotter_stroke(const gr_cpoint* pts, uint32_t n, bool closed) {
  if (n < 2) return;
  const gr_curve_style style = path_style();
  PathBuffer& out = scratch_;
  out.clear();
  const auto put = [&](double px, double py) {
    const gr_cpoint p = out_point(px * kInchPerPlotterUnit, py * kInchPerPlotterUnit);
    out.push(p.x, p.y);
  };
  const auto finish = [&] {
    if (out.size() >= 2 && emit_path(out, sink_, style)) added_ = true;
    out.clear();
  };
  const uint32_t edges = closed ? n : n - 1;
  if (!clip_) {
    for (uint32_t i = 0; i < n; ++i) put(pts[i].x, pts[i].y);
    if (closed) put(pts[0].x, pts[0].y);
    finish();
    return;
  }
  for (uint32_t i = 0; i < edges; ++i) {
    const gr_cpoint& a = pts[i];
    const gr_cpoint& b = pts[i + 1 < n ? i + 1 : 0];
    double ax = a.x, ay = a.y, bx = b.x, by = b.y;
    if (!clip_segment(ax, ay, bx, by)) {
      finish();
      continue;
    }
    if (out.empty() || ax != a.x || ay != a.y) {
      finish();
      put(ax, ay);
    }
    put(bx, by);
    if (bx != b.x || by != b.y) finish();
  }
  finish();
}

// EA x,y / ER dx,dy (edged) and RA / RR (filled): the rectangle between the
// pen position and the corner; the pen does not move.
void Reader::rectangle(bool relative, bool filled, char m0, char m1, size_t at) {
  note_hpgl2();
  double a[2];
  if (numbers(a, 2) < 2) return;
  flush();
  double cx, cy;
  to_plotter(a[0], a[1], relative, cx, cy);
  if (!std::isfinite(cx) || !std::isfinite(cy)) return;
  const gr_cpoint corners[4] = {{x_, y_}, {cx, y_}, {cx, cy}, {x_, cy}};
  emit_plotter_stroke(corners, 4, true);
  if (filled && rep_.active()) {
    const char name[2] = {m0, m1};
    rep_.add(std::string_view(name, 2), FGB_REPORT_APPROXIMATED, at);
  }
}

// PM 0 starts a polygon at the pen position: moves and draws now only
// build it. PM 1 closes a sub-polygon, PM 2 closes the polygon and leaves
// polygon mode.
void Reader::polygon_mode() {
  note_hpgl2();
  double a = 0;
  const int n = numbers(&a, 1);
  const int mode = n ? static_cast<int>(a) : 0;
  if (mode == 0) {
    flush();
    poly_.clear();
    poly_starts_.clear();
    poly_open_.clear();
    start_subpolygon(x_, y_);
    polygon_mode_ = true;
  } else if (mode == 1 && polygon_mode_) {
    start_subpolygon(x_, y_);
  } else if (mode == 2) {
    polygon_mode_ = false;
    flush();
  }
  update_mode();
}

// EP: the polygon's outline, each sub-polygon closed unless the pen was
// lifted at its end; FP: the outline of the filled area, closed.
void Reader::edge_polygon(bool fill) {
  for (size_t k = 0; k < poly_starts_.size(); ++k) {
    const size_t from = poly_starts_[k];
    const size_t to = k + 1 < poly_starts_.size() ? poly_starts_[k + 1] : poly_.size();
    if (to - from < 2) continue;
    if (poly_budget_ < to - from) {
      rep_.add("EP", FGB_REPORT_DROPPED, tok_.offset());
      return;
    }
    poly_budget_ -= to - from;
    const gr_cpoint& first = poly_[from];
    const gr_cpoint& last = poly_[to - 1];
    const bool ends_at_start = first.x == last.x && first.y == last.y;
    const bool close = fill || !poly_open_[k];
    emit_plotter_stroke(poly_.data() + from,
                        static_cast<uint32_t>(to - from - (ends_at_start && close ? 1 : 0)), close);
  }
}

// FP: the polygon filled; drawn as its outline.
void Reader::fill_polygon(size_t at) {
  if (poly_.empty()) return;
  edge_polygon(true);
  rep_.add("FP", FGB_REPORT_APPROXIMATED, at);
}

}  // namespace fgb::conv::hpgl
