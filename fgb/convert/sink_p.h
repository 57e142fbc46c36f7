// The element records and pens of the converters, and the sink every
// reader emits into.
//
// Readers take the whole file as (data, size) and emit elements into an
// ElementSink; they never touch a document, a file or a device. Writers take
// one page of elements at a time and append text to an OutBuf. The
// dispatcher (dispatcher.cpp) joins both ends to MainDB and to files.
//
// Invariants every reader keeps, whatever the bytes:
//  - it reads only inside [data, data + size) and finishes in time linear in
//    size (no step re-reads input, no loop runs without consuming input or
//    adding a bounded amount of output);
//  - memory grows at most in proportion to size (points of open paths), with
//    a fixed bound on anything a number in the file could inflate;
//  - every number it hands on is finite.
#ifndef FGB_CONVERT_SINK_P_H
#define FGB_CONVERT_SINK_P_H

#include <fgb/fgb_db.h>
#include <geomkit/gr_circle.h>
#include <geomkit/gr_style.h>
#include <geomkit/gr_types.h>

namespace fgb::conv {

// The element store's kind codes, under the converters' names.
enum ElementKind : int {
  kPolyline = FGB_POLYLINE,
  kPolylines = FGB_POLYLINES,
  kThickPolyline = FGB_THICK_POLYLINE,
  kArc = FGB_ARC,
  kSegment = FGB_SEGMENT,
  kCircle = FGB_CIRCLE,
  kBezier = FGB_BEZIER,
  kFlash = FGB_FLASH,
};

// An arc element's record, its leading fields set as every producer sets them.
fgb_arc make_arc_record(const gr_trcircle& arc) noexcept;
inline gr_trcircle arc_of_record(const void* record) noexcept {
  return static_cast<const fgb_arc*>(record)->arc;
}

// The shared pen palette: pen number -> colour (numbers outside 0..9 black).
gr_rgbcol pen_colour(int pen) noexcept;
// A solid line style of the given width (inches) and palette colour.
gr_curve_style pen_style(double width, int pen) noexcept;

// Receives the elements of a file in file order. shape points to the record
// of the kind (gr_polyline, gr_segment, gr_circle, arc record, gr_cpoint);
// it is valid only during the call.
class ElementSink {
 public:
  virtual ~ElementSink() = default;
  virtual void add(int kind, const void* shape, const gr_curve_style& style) = 0;
  // An element with a fill style of its own (metafile polygons take the
  // brush in force); sinks that keep no fill get the plain add.
  virtual void add_filled(int kind, const void* shape, const gr_curve_style& style,
                          const gr_fill_area_style& fill) {
    (void)fill;
    add(kind, shape, style);
  }
  // The box of everything the sink holds, when it keeps one (a document
  // does): true, with out set, or to x1 > x2 while it holds nothing. False
  // when the sink cannot tell; a reader that needs extents then keeps them
  // itself.
  virtual bool box(gr_xy_rect* out) const {
    (void)out;
    return false;
  }
};

}  // namespace fgb::conv

#endif
