// Metafile import: the polygons, polylines and poly-polygons of a metafile,
// each with the pen and brush the metafile had selected at that record, and
// the lines, rectangles, ellipses, arcs and texts beside them (Shapes, in
// wmf_shapes.cpp and wmf_text.cpp).
//
// The records are walked in order. Before a record is played, the pen and
// brush in force are taken (so a record's own changes apply to the records
// after it); polygon and polyline records become polylines, poly-polygon
// records a set of closed polylines. Every point goes through the
// metafile's own mapping (its window onto its frame, upright) and then the
// request's transform (to inches): see Mapping.
//
//   0324 polygon       count, then count points (x, y)  -> closed polyline
//                      with the brush as its fill (a polygon is always
//                      closed; a last point repeating the first stays)
//   0325 polyline      the same layout                  -> polyline, default
//                      fill, closed when its first and last points are the
//                      same as stored in the file
//   0538 poly-polygon  number of polygons, a count each, then all points
//                                                        -> closed polylines, brush fill
// All numbers 16-bit signed, except the poly-polygon's counts (unsigned).
// Counts are not trusted: a count beyond the points the record holds is
// cut to them; a count of 0 or less adds nothing.
//
// The pen's width is in the metafile's logical units: it is mapped like
// the coordinates, so that the element's width is in inches like
// everything in the document.
#include "convert/bytes_p.h"
#include "convert/sink_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/path_p.h"
#include "convert/report_p.h"
#include "convert/wmf_p.h"

#include <cfloat>
#include <cmath>

namespace fgb::conv {

namespace {

// Transforms with a larger number than this are refused (nothing is read):
// every product of a 16-bit coordinate and such a transform stays far
// inside the range of a double.
constexpr double kTransformLimit = 1e150;

bool usable(const gr_ctrans& t) {
  for (double v : {t.dx, t.dy, t.scale, t.sin, t.cos})
    if (!(std::fabs(v) <= kTransformLimit)) return false;
  return true;
}

class WmfReader {
 public:
  WmfReader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt)
      : data_(data),
        size_(size),
        sink_(sink),
        t_(opt.transform),
        meter_(opt.progress, opt.progress_user, size),
        report_(opt.report, data, size, false),
        map_(opt),
        player_(wmf::Mapping::initial_state(opt)),
        shapes_(sink, map_, report_) {}

  int run() {
    if (!wmf::valid_header(data_, size_) || !usable(t_)) return 0;
    report_.dialect("Windows metafile");
    wmf::RecordWalker walk(data_, size_);
    wmf::Player& player = player_;
    wmf::Record r;
    size_t at = walk.offset();
    while (walk.next(r)) {
      switch (r.function) {
        case wmf::kPolygon:
        case wmf::kPolyline:
          shapes_.flush();
          poly(r, player);
          break;
        case wmf::kPolyPolygon:
          shapes_.flush();
          poly_polygon(r, player);
          break;
        default: shapes_.draw(r, player.dc(), at); break;
      }
      player.play(r);
      if (changes_window(r.function)) map_.update(player.dc());
      at = walk.offset();
      meter_.at(at);
    }
    shapes_.flush();
    meter_.finish();
    return added_ || shapes_.added() ? 1 : 0;
  }

 private:
  static bool changes_window(uint16_t function) {
    return function == wmf::kSetWindowOrg || function == wmf::kSetWindowExt ||
           function == wmf::kOffsetWindowOrg || function == wmf::kScaleWindowExt ||
           function == wmf::kRestoreDC;
  }

  gr_curve_style pen_style_of(const LOGPEN& pen) const { return wmf::pen_style_of(pen, map_); }

  static gr_fill_area_style fill_of(const LOGBRUSH& brush) {
    gr_fill_area_style f;
    gr_create_fill_area_style_by_logbrush(&f, &brush);
    return f;
  }

  gr_cpoint point(const uint8_t* p) const {
    return map_.point(ByteCursor::les16(p), ByteCursor::les16(p + 2));
  }

  void poly(const wmf::Record& r, const wmf::Player& player) {
    if (r.param_bytes < 2) return;
    const int16_t count = ByteCursor::les16(r.params);
    const size_t held = (r.param_bytes - 2) / 4;
    const size_t n = count <= 0 ? 0 : (static_cast<size_t>(count) < held ? static_cast<size_t>(count) : held);
    if (n == 0) return;
    const uint8_t* pts = r.params + 2;
    path_.clear();
    for (size_t i = 0; i < n; ++i) {
      const gr_cpoint q = point(pts + 4 * i);
      path_.push(q.x, q.y);
    }
    const bool closed = r.function == wmf::kPolygon || std::memcmp(pts, pts + 4 * (n - 1), 4) == 0;
    const gr_curve_style pen = pen_style_of(player.pen());
    if (r.function == wmf::kPolygon)
      sink_.add_filled(kPolyline, path_.polyline(closed), pen, fill_of(player.brush()));
    else
      sink_.add(kPolyline, path_.polyline(closed), pen);
    added_ = true;
  }

  void poly_polygon(const wmf::Record& r, const wmf::Player& player) {
    ByteCursor in(r.params, r.param_bytes);
    const uint16_t polygons = in.u16();
    const size_t counts_held = in.left() / 2;
    const size_t with_count = polygons < counts_held ? polygons : counts_held;
    // The points follow all the counts, including any cut off.
    const size_t points_at = 2 + 2 * size_t{polygons};
    size_t points_left = r.param_bytes > points_at ? (r.param_bytes - points_at) / 4 : 0;
    const uint8_t* pts = r.params + (points_left ? points_at : 0);

    // One block: the set's head, then each member that has points.
    size_t bytes = sizeof(gr_polylines);
    size_t left = points_left;
    for (size_t i = 0; i < with_count && left; ++i) {
      const size_t m = std::min<size_t>(ByteCursor::le16(r.params + 2 + 2 * i), left);
      if (m) bytes += 8 + 16 * m;
      left -= m;
    }
    if (bytes == sizeof(gr_polylines)) return;
    block_.assign((bytes + 7) / 8, 0.0);
    auto* set = reinterpret_cast<gr_polylines*>(block_.data());
    set->n = 0;
    set->reserved = 0;
    gr_polyline* member = gr_polylines_first(set);
    for (size_t i = 0; i < with_count && points_left; ++i) {
      const size_t m = std::min<size_t>(ByteCursor::le16(r.params + 2 + 2 * i), points_left);
      if (!m) continue;
      member->closed = 1;
      member->n = static_cast<uint32_t>(m);
      gr_cpoint* out = member->pnt;
      for (size_t k = 0; k < m; ++k) out[k] = point(pts + 4 * k);
      pts += 4 * m;
      points_left -= m;
      ++set->n;
      member = gr_polylines_next(member);
    }
    sink_.add_filled(kPolylines, set, pen_style_of(player.pen()), fill_of(player.brush()));
    added_ = true;
  }

  const uint8_t* data_;
  size_t size_;
  ElementSink& sink_;
  gr_ctrans t_;
  ProgressMeter meter_;
  Reporter report_;
  wmf::Mapping map_;
  wmf::Player player_;
  wmf::Shapes shapes_;
  PathBuffer path_;
  std::vector<double> block_;  // the poly-polygon being built, 8-byte aligned
  bool added_ = false;
};

}  // namespace

int read_wmf(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  WmfReader reader(data, size, sink, opt);
  return reader.run();
}

int read_wmf_file(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  const bool placeable = size >= 24 && ByteCursor::le32(data) == FGB_PLACEABLE_KEY;
  std::vector<uint8_t> bits;
  int units = 0;
  if (!wmf::bits_from_file(data, size, placeable, bits, &units)) return 0;
  ReadOptions framed = opt;
  framed.wmf_framed = placeable;
  if (placeable) wmf::frame_of(data, framed.wmf_frame);
  return read_wmf(bits.data(), bits.size(), sink, framed);
}

}  // namespace fgb::conv
