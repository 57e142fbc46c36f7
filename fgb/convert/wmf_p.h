// The metafile layer behind <fgb/convert/wmf.h>: the bits a handle owns,
// loading them from a file's bytes, walking the records in order, and a
// player that keeps the object table and the pen and brush in force.
//
// Record layout: a 32-bit size in 16-bit words (the record's own six bytes
// included), a 16-bit function number, then the parameters. The walk
// trusts no size: a record running past the end of the bits is cut there
// (and is the last), a size below the three words of a record's own fields
// ends the walk, as does the end record (function 0).
#ifndef FGB_CONVERT_WMF_P_H
#define FGB_CONVERT_WMF_P_H

#include "convert/path_p.h"
#include "convert/readers_p.h"
#include "convert/report_p.h"
#include "convert/sink_p.h"
#include <fgb/convert/wmf.h>
#include <geomkit/gr_dc.h>

#include <cstddef>
#include <cstdint>
#include <queue>
#include <vector>

struct fgb_metafile {
  std::vector<uint8_t> bits;        // standard header, then the records
  bool framed = false;              // loaded from a placeable file: frame holds its bounding box
  int16_t frame[4] = {0, 0, 0, 0};  // left, top, right, bottom, in the placeable header's units
};

namespace fgb::wmf {

constexpr size_t kPlaceableBytes = 22;  // the placeable header
constexpr size_t kHeaderBytes = 18;     // the standard header
constexpr size_t kUnitsOffset = 14;     // units per inch in the placeable header
constexpr size_t kFrameOffset = 6;      // bounding box (four 16-bit numbers) in the placeable header
constexpr size_t kSizeOffset = 6;       // 32-bit size in words in the standard header
constexpr size_t kObjectsOffset = 10;   // number of objects in the standard header
constexpr size_t kRecordHeadBytes = 6;  // size and function of a record

// Record functions.
enum Function : uint16_t {
  kEof = 0x0000,
  kSelectObject = 0x012D,
  kDeleteObject = 0x01F0,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kPolyPolygon = 0x0538,
  // Records that create an object in the table.
  kCreatePenIndirect = 0x02FA,
  kCreateBrushIndirect = 0x02FC,
  kCreateFontIndirect = 0x02FB,
  kCreatePalette = 0x00F7,
  kCreatePatternBrush = 0x01F9,
  kDibCreatePatternBrush = 0x0142,
  kCreateRegion = 0x06FF,
  // The device context's state.
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kOffsetWindowOrg = 0x020F,
  kScaleWindowExt = 0x0410,
  kSaveDC = 0x001E,
  kRestoreDC = 0x0127,
  kMoveTo = 0x0214,
  kSetTextAlign = 0x012E,
  kSetTextColor = 0x0209,
  // Drawing besides the polygons.
  kLineTo = 0x0213,
  kRectangle = 0x041B,
  kRoundRect = 0x061C,
  kEllipse = 0x0418,
  kArc = 0x0817,
  kChord = 0x0830,
  kPie = 0x081A,
  kTextOut = 0x0521,
  kExtTextOut = 0x0A32,
};

// True when bits start with a standard header: type 1 (memory) or 2
// (disk), header size 9 words.
bool valid_header(const uint8_t* bits, size_t size) noexcept;

// The metafile's bits in a file's bytes. placeable: the file starts with a
// placeable header, whose units per inch go to *units (when the header is
// there). The metafile is as long as its header says; a size below the
// header or beyond the file takes the rest of the file. False when there
// is no valid standard header.
bool bits_from_file(const uint8_t* file, size_t size, bool placeable, std::vector<uint8_t>& bits,
                    int* units) noexcept;
// The placeable header's bounding box (left, top, right, bottom).
void frame_of(const uint8_t* file, int16_t frame[4]) noexcept;

struct Record {
  uint16_t function;
  const uint8_t* params;  // the parameters (the record after its six bytes)
  size_t param_bytes;     // as many as the record holds within the bits
};

// Visits the records after the standard header, in order.
class RecordWalker {
 public:
  RecordWalker(const uint8_t* bits, size_t size) noexcept;
  // False after the last record.
  bool next(Record& r) noexcept;
  size_t offset() const noexcept { return pos_; }

 private:
  const uint8_t* bits_;
  size_t size_;
  size_t pos_;
};

// The font of a CreateFontIndirect record, as far as text is drawn here.
struct Font {
  int16_t height = 0;      // logical units: below 0 the character (em) height, above 0 the
                           // cell's (with its inner leading), 0 the default
  int16_t escapement = 0;  // the baseline's angle, tenths of a degree counter-clockwise
  bool italic = false;
};

// The parts of a device context a metafile's records change and its
// drawing depends on. SaveDC keeps a copy, RestoreDC brings one back.
struct DcState {
  LOGPEN pen;
  LOGBRUSH brush;
  Font font;
  double window_org[2] = {0, 0};  // logical coordinates of the window's corner
  double window_ext[2] = {0, 0};  // logical size of the window; 0: not set
  int16_t x = 0, y = 0;           // current position (MoveTo, LineTo)
  uint16_t text_align = 0;        // TA_* flags
  COLORREF text_colour = 0;
};

// The playback state: the object table and the device context's state. At
// the start the system's default pen (black, solid, width 0: one device
// pixel), brush (white, solid) and font are in force, and the window is
// not set.
class Player {
 public:
  Player() noexcept;
  explicit Player(const DcState& start) noexcept;
  // Changes the state as the record would (creating, selecting and deleting
  // objects, setting the window, saving and restoring); other records
  // change nothing.
  void play(const Record& r);
  const LOGPEN& pen() const noexcept { return dc_.pen; }
  const LOGBRUSH& brush() const noexcept { return dc_.brush; }
  const DcState& dc() const noexcept { return dc_; }

 private:
  enum class Kind : uint8_t { kFree, kPen, kBrush, kFont, kOther };
  struct Object {
    Kind kind = Kind::kFree;
    LOGPEN pen{};
    LOGBRUSH brush{};
    Font font{};
  };
  // Puts the object in the lowest free slot, as playback does; an object
  // with no free slot left (the 16-bit index is full) is dropped.
  void create(const Object& o);
  void restore(int16_t which);

  std::vector<Object> table_;
  // Freed slots below table_.size(), lowest first: a metafile of many
  // objects created and deleted costs log n per object, not a scan.
  std::priority_queue<uint32_t, std::vector<uint32_t>, std::greater<uint32_t>> free_;
  DcState dc_;
  std::vector<DcState> saved_;  // SaveDC's copies, the latest last
};

// Logical coordinates to the document. The window (its corner and size)
// is drawn onto the frame: the placeable header's bounding box, or the
// first window a plain metafile sets (then logical units are the frame's);
// y is turned to grow upwards from the frame's lower edge, x counted from
// its left edge; then the request's transform takes the frame's units to
// inches. Without a frame or a window, y is only turned over. Both maps are
// affine, so a point costs two products and a sum per coordinate.
class Mapping {
 public:
  explicit Mapping(const conv::ReadOptions& opt) noexcept;
  // The state playback starts from: the window is the frame, if any.
  static DcState initial_state(const conv::ReadOptions& opt) noexcept;
  // The window in force changed.
  void update(const DcState& dc) noexcept;
  gr_cpoint point(double x, double y) const noexcept {
    return gr_cpoint{xx_ * x + xy_ * y + x0_, yx_ * x + yy_ * y + y0_};
  }
  // The document's vector of a logical one.
  gr_cpoint vector(double x, double y) const noexcept;
  // A length in logical units (a pen's width, a text's height) as inches,
  // along x or along y.
  double length_x(double v) const noexcept;
  double length_y(double v) const noexcept;

 private:
  gr_ctrans t_;
  bool framed_;
  bool frame_set_ = false;                     // a plain metafile's first window became its frame
  double frame_w_ = 0, frame_h_ = 0;           // the frame's size (its units)
  double ax_ = 1, bx_ = 0, ay_ = -1, by_ = 0;  // the window on the frame: X = ax x + bx, Y = ay y + by
  double xx_ = 1, xy_ = 0, x0_ = 0, yx_ = 0, yy_ = -1, y0_ = 0;  // that, then the transform
};

// The element style of a pen (its width mapped to inches) and the fill of
// a brush.
gr_curve_style pen_style_of(const LOGPEN& pen, const Mapping& map) noexcept;
gr_fill_area_style fill_of(const LOGBRUSH& brush) noexcept;

// Draws the records besides polygons: MoveTo / LineTo strokes (a run of
// LineTo from one point on is one polyline), rectangles, rounded ones,
// ellipses, arcs, chords, pies and text; reports bitmaps and other records
// it does not draw.
class Shapes {
 public:
  Shapes(conv::ElementSink& sink, const Mapping& map, conv::Reporter& report) noexcept;
  // Draws r with the state dc sampled before the record plays; offset
  // places it for the report. Any record but LineTo ends a run of strokes
  // first.
  void draw(const Record& r, const DcState& dc, size_t offset);
  // Ends the open run of strokes.
  void flush() {
    if (run_) flush_run();
  }
  bool added() const noexcept { return added_; }

 private:
  void flush_run();
  void stroke_to(const Record& r, const DcState& dc);
  void box(const Record& r, const DcState& dc);
  void arc(const Record& r, const DcState& dc);
  void text(const Record& r, const DcState& dc, size_t offset);
  void outline(const DcState& dc);  // shape_ as a closed, filled outline

  conv::ElementSink& sink_;
  const Mapping& map_;
  conv::Reporter& report_;
  conv::PathBuffer path_;   // the open run of strokes
  conv::PathBuffer shape_;  // a closed shape being built
  gr_curve_style run_style_{};
  bool run_ = false;
  bool added_ = false;
};

}  // namespace fgb::wmf

#endif
