// Writer internals: contours as point runs, and the HPGL pieces the plain
// and the optimised HPGL writers share.
#ifndef FGB_CONVERT_WRITER_P_H
#define FGB_CONVERT_WRITER_P_H

#include "convert/digits_p.h"
#include "convert/outbuf_p.h"
#include "convert/page_p.h"

#include <cstdint>

#include <fgb/convert/convert.h>

namespace fgb::conv {

// A point in the writer's plotter coordinates.
struct PlotterPoint {
  int64_t x, y;
};

// A run of points to write as one contour.
struct PointsView {
  const gr_cpoint* p;
  uint32_t n;
  bool closed;
};

inline PointsView view_of(const gr_polyline* pl) {
  const gr_cpoint* first = pl->pnt;  // the points follow the head
  return PointsView{first, pl->n, pl->closed != 0};
}

// The pen (1..4) that draws a line of width w inches.
int hpgl_pen_of_width(double w);

// The writer's plotter: 1016 units per inch, origin shifted by (-11000, -6900).
inline constexpr double kHpglUnitsPerInch = 1016.0;
inline constexpr double kHpglShiftX = 11000.0;
inline constexpr double kHpglShiftY = 6900.0;

// A coordinate or size in the file's integer units, truncated read-back
// safe. Plotters and their files hold 32-bit numbers: beyond them the write
// is refused (WriteRefused, FGB_CONVERT_OUT_OF_RANGE) rather than given a
// number no reader takes back.
inline int64_t file_coordinate(double v) {
  const int64_t u = trunc_file_unit(v);
  if (u < INT32_MIN || u > INT32_MAX || v != v) throw WriteRefused{FGB_CONVERT_OUT_OF_RANGE};
  return u;
}

// (trunc(x 1016 - 11000), trunc(y 1016 - 6900)), read-back safe.
inline PlotterPoint hpgl_point(gr_cpoint p) {
  return {file_coordinate(p.x * kHpglUnitsPerInch - kHpglShiftX),
          file_coordinate(p.y * kHpglUnitsPerInch - kHpglShiftY)};
}

// DXF colour number of a colour.
int dxf_colour_number(const gr_rgbcol& c);

void hpgl_write_arc(OutBuf& out, const gr_trcircle& arc, int pen);
void hpgl_write_circle(OutBuf& out, const gr_circle& c, int pen);
// Optimised mode after "IN;\n": see hpgl_order.cpp.
void write_hpgl_ordered(Page& page, WriterContext& ctx);

}  // namespace fgb::conv

#endif
