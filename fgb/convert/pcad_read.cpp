// PCAD 4.5 readers: plot files, and one layer of board files. Both decode
// the same graphic records - lines, rectangles, circles, arcs, polygons in
// signed 16-bit thousandths of an inch - into segments and polylines, all
// black and solid with the width the record gives (an unsigned byte, also
// in thousandths). Text and other records are stepped over.
//
// Every number is little-endian. A record is a 16-bit tag and its payload:
//   80A8 line       10 bytes: 1 width, 2 x1, 4 y1, 6 x2, 8 y2 -> segment
//   80A7 rectangle  10 bytes, the same fields -> closed polyline of 4 corners
//   80A6 rectangle  10 bytes, no width -> the same with width 0
//   80A5 circle     10 bytes: 1 width, 2 cx, 4 cy, 6 radius -> 49 points
//   807A arc        14 bytes: 1 width, 2 cx, 4 cy, 6 start x y, 10 end x y
//                   -> 33 points counter-clockwise from start to end
//   80A4            28 bytes, no element;  8095  6 bytes, no element
//   80A3 polygon    a 2-byte head (width in its second byte), then points
//                   up to a terminator (below) -> closed polyline
// A record cut short by the end of the file is taken with the bytes that
// are there (zeros for the rest); reading then stops at the end.
// Text records and, in plot files, words that are no known tag go into
// the import report by byte offset.
#include "convert/bytes_p.h"
#include "convert/sink_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/path_p.h"
#include "convert/page_p.h"
#include "convert/report_p.h"

#include <cmath>

namespace fgb::conv {

namespace {

constexpr double kInchPerUnit = 0.001;
constexpr int kPen = 0;  // black
constexpr int kCircleSteps = 48;
constexpr int kArcSteps = 32;

enum Tag : uint16_t {
  kTagArc = 0x807A,
  kTagSkip6 = 0x8095,
  kTagText = 0x80A2,
  kTagPolygon = 0x80A3,
  kTagSkip28 = 0x80A4,
  kTagCircle = 0x80A5,
  kTagBox = 0x80A6,
  kTagRect = 0x80A7,
  kTagLine = 0x80A8,
  kTagPlotSkip2 = 0x80A9,
  kTagSectionEnd = 0x8005,
};

// Polygon point x values with a meaning.
constexpr uint16_t kPolyEnd = 0x8080;
constexpr uint16_t kPolyMark1 = 0x807E;
constexpr uint16_t kPolyMark2 = 0x807F;

inline double coord(const uint8_t* p) { return ByteCursor::les16(p) * kInchPerUnit; }

class GraphicRecords {
 public:
  GraphicRecords(ElementSink& sink, bool board) : sink_(sink), board_(board) {}

  // Reads the payload of a graphic record and adds its element, if it has
  // one; false (nothing read) when the tag is not a graphic record.
  bool read(uint16_t tag, ByteCursor& in) {
    uint8_t p[14];
    switch (tag) {
      case kTagLine: {
        in.bytes(p, 10);
        const gr_segment seg{{coord(p + 2), coord(p + 4)}, {coord(p + 6), coord(p + 8)}};
        add(kSegment, &seg, p[1]);
        return true;
      }
      case kTagRect:
      case kTagBox: {
        in.bytes(p, 10);
        const double x1 = coord(p + 2), y1 = coord(p + 4), x2 = coord(p + 6), y2 = coord(p + 8);
        path_.clear();
        path_.push(x1, y1);
        path_.push(x2, y1);
        path_.push(x2, y2);
        path_.push(x1, y2);
        add(kPolyline, path_.polyline(true), tag == kTagRect ? p[1] : 0);
        return true;
      }
      case kTagCircle:
        in.bytes(p, 10);
        circle_points(gr_circle{{coord(p + 2), coord(p + 4)}, coord(p + 6)}, kCircleSteps, pts_);
        add_open(p[1]);
        return true;
      case kTagArc: {
        // Radius from the centre to the start point; the arc runs
        // counter-clockwise from the start's direction to the end's.
        in.bytes(p, 14);
        const gr_cpoint c{coord(p + 2), coord(p + 4)};
        const double sx = coord(p + 6) - c.x, sy = coord(p + 8) - c.y;
        const double ex = coord(p + 10) - c.x, ey = coord(p + 12) - c.y;
        const gr_trcircle arc{c, std::hypot(sx, sy), std::atan2(sy, sx), std::atan2(ey, ex)};
        arc_points(arc, kArcSteps, pts_);
        add_open(p[1]);
        return true;
      }
      case kTagSkip28: in.skip(28); return true;
      case kTagSkip6: in.skip(6); return true;
      case kTagPolygon: polygon(in); return true;
      default: return false;
    }
  }

  bool added() const { return added_; }

 private:
  void add(int kind, const void* shape, uint8_t width) {
    sink_.add(kind, shape, pen_style(width * kInchPerUnit, kPen));
    added_ = true;
  }

  void add_open(uint8_t width) {
    path_.clear();
    for (const gr_cpoint& q : pts_) path_.push(q.x, q.y);
    add(kPolyline, path_.polyline(false), width);
  }

  void push(uint16_t x, uint16_t y) {
    path_.push(static_cast<int16_t>(x) * kInchPerUnit, static_cast<int16_t>(y) * kInchPerUnit);
  }

  // The first point is always taken; it ends the polygon when its x is the
  // end mark or its y is 0. After it: an x that is none of the marks is a
  // point; the end mark ends the polygon; the other two marks are not
  // points and end the polygon in a board file, in a plot file only with y
  // 0. The end of the file ends the polygon too. The points taken make a
  // closed polyline, even a single one.
  void polygon(ByteCursor& in) {
    in.u8();
    const uint8_t width = in.u8();
    path_.clear();
    uint16_t x = in.u16(), y = in.u16();
    push(x, y);
    if (x != kPolyEnd && y != 0) {
      while (!in.at_end()) {
        x = in.u16();
        y = in.u16();
        if (x == kPolyEnd) break;
        if (x == kPolyMark1 || x == kPolyMark2) {
          if (board_ || y == 0) break;
          continue;
        }
        push(x, y);
      }
    }
    add(kPolyline, path_.polyline(true), width);
  }

  ElementSink& sink_;
  bool board_;
  PathBuffer path_;
  std::vector<gr_cpoint> pts_;
  bool added_ = false;
};

// A board file's text record, dropped: three 16-bit fields, four bytes,
// then byte pairs up to one holding a zero byte. The two bytes after it are
// looked at and put back unless one of them is zero.
void skip_text(ByteCursor& in, Reporter& rep) {
  rep.add("text", FGB_REPORT_SKIPPED, in.pos() - 2);
  in.skip(10);
  for (;;) {
    const uint8_t a = in.u8(), b = in.u8();
    if (a == 0 || b == 0) break;  // also at the end of the file, which reads as zeros
  }
  const uint8_t a = in.u8(), b = in.u8();
  if (a != 0 && b != 0) in.back(2);
}

// One section of a board file, from just after its key: 8 bytes, then
// records, each followed by a 16-bit word that ends the section when it is
// 8005 and else by 10 bytes before the next tag. Every turn moves on by 12
// bytes at least, so a section ends in time linear in its length.
void read_section(ByteCursor& in, GraphicRecords& records, Reporter& rep) {
  in.skip(8);
  uint16_t tag = in.u16();
  while (tag != kTagSectionEnd && in.left() >= 4) {
    if (!records.read(tag, in) && tag == kTagText) skip_text(in, rep);
    if (in.u16() == kTagSectionEnd) break;
    in.skip(10);
    tag = in.u16();
  }
}

}  // namespace

// Plot file: a 20-byte header whose 32-bit count at offset 16 gives the
// number of 8-byte entries after it; the records follow them. Besides the
// graphic records, 80A2 is followed by 10 bytes and 80A9 by 2 that are
// ignored; any other tag is passed over alone.
int read_pcad_plot(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  ByteCursor in(data, size);
  ProgressMeter meter(opt.progress, opt.progress_user, size);
  GraphicRecords records(sink, false);
  Reporter rep(opt.report, data, size, false);
  rep.dialect("PCAD 4.5 plot");
  rep.units("1/1000 inch", kInchPerUnit);
  in.seek(16);
  const uint32_t entries = in.u32();
  in.seek(20 + 8 * uint64_t{entries});
  while (!in.at_end()) {
    const uint16_t tag = in.u16();
    if (!records.read(tag, in)) {
      if (tag == kTagText) {
        rep.add("text", FGB_REPORT_SKIPPED, in.pos() - 2);
        in.skip(10);
      } else if (tag == kTagPlotSkip2) {
        in.skip(2);
      } else {
        rep.add("unknown tag", FGB_REPORT_SKIPPED, in.pos() - 2);
      }
    }
    meter.at(in.pos());
  }
  meter.finish();
  return records.added() ? 1 : 0;
}

// Board file, one layer: every section whose key - 05 80 followed by the
// layer as a 16-bit number - is found by a scan that moves on one byte at
// a time; the scan goes on after each section. Layer -1 makes every
// position a section start (meant for files that are one section from
// their fifth byte on); each section still consumes at least 14 bytes, so
// the scan stays linear.
int read_pcad_board(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  ByteCursor in(data, size);
  ProgressMeter meter(opt.progress, opt.progress_user, size);
  GraphicRecords records(sink, true);
  Reporter rep(opt.report, data, size, false);
  rep.dialect("PCAD 4.5 board");
  rep.units("1/1000 inch", kInchPerUnit);
  const bool every_position = opt.layer == -1;
  const uint32_t key = kTagSectionEnd | (uint32_t{static_cast<uint16_t>(opt.layer)} << 16);
  while (in.left() > 4) {
    if (in.u32() == key || every_position)
      read_section(in, records, rep);
    else
      in.back(3);
    meter.at(in.pos());
  }
  meter.finish();
  return records.added() ? 1 : 0;
}

}  // namespace fgb::conv
