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

#include "convert/sink_p.h"
#include <fgb/convert/wmf.h>
#include <geomkit/gr_dc.h>

#include <cstddef>
#include <cstdint>
#include <queue>
#include <vector>

struct fgb_metafile {
  std::vector<uint8_t> bits;  // standard header, then the records
};

namespace fgb::wmf {

constexpr size_t kPlaceableBytes = 22;  // the placeable header
constexpr size_t kHeaderBytes = 18;     // the standard header
constexpr size_t kUnitsOffset = 14;     // units per inch in the placeable header
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

// The playback state: the object table and the pen and brush selected. At
// the start the system's default pen (black, solid, width 0: one device
// pixel) and brush (white, solid) are in force.
class Player {
 public:
  Player() noexcept;
  // Changes the state as the record would (creating, selecting and deleting
  // objects); other records change nothing.
  void play(const Record& r);
  const LOGPEN& pen() const noexcept { return pen_; }
  const LOGBRUSH& brush() const noexcept { return brush_; }

 private:
  enum class Kind : uint8_t { kFree, kPen, kBrush, kOther };
  struct Object {
    Kind kind = Kind::kFree;
    LOGPEN pen{};
    LOGBRUSH brush{};
  };
  // Puts the object in the lowest free slot, as playback does; an object
  // with no free slot left (the 16-bit index is full) is dropped.
  void create(const Object& o);

  std::vector<Object> table_;
  // Freed slots below table_.size(), lowest first: a metafile of many
  // objects created and deleted costs log n per object, not a scan.
  std::priority_queue<uint32_t, std::vector<uint32_t>, std::greater<uint32_t>> free_;
  LOGPEN pen_;
  LOGBRUSH brush_;
};

}  // namespace fgb::wmf

#endif
