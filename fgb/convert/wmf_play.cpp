// Metafile bits, the record walk and the playback state.
#include "convert/bytes_p.h"
#include "convert/wmf_p.h"

#include <cstring>

namespace fgb::wmf {

using conv::ByteCursor;

namespace {

// The 16-bit object index of playback has room for this many objects.
constexpr size_t kMaxObjects = 65536;
// Brush styles of pattern brushes, as the platform reports them.
constexpr UINT kBrushPattern = 3;
constexpr UINT kBrushDibPattern = 5;
constexpr uint16_t kMemoryMetafile = 1;
constexpr uint16_t kDiskMetafile = 2;
constexpr uint16_t kHeaderWords = 9;

}  // namespace

bool valid_header(const uint8_t* bits, size_t size) noexcept {
  if (size < kHeaderBytes) return false;
  const uint16_t type = ByteCursor::le16(bits);
  return (type == kMemoryMetafile || type == kDiskMetafile) && ByteCursor::le16(bits + 2) == kHeaderWords;
}

bool bits_from_file(const uint8_t* file, size_t size, bool placeable, std::vector<uint8_t>& bits,
                    int* units) noexcept {
  bits.clear();
  size_t start = 0;
  if (placeable) {
    if (size < kPlaceableBytes) return false;
    if (units) *units = ByteCursor::le16(file + kUnitsOffset);
    start = kPlaceableBytes;
  }
  const uint8_t* mf = file + start;
  const size_t available = size - start;
  if (!valid_header(mf, available)) return false;
  // The header's size is not trusted: a metafile cannot be shorter than its
  // header nor longer than the file.
  uint64_t n = uint64_t{ByteCursor::le32(mf + kSizeOffset)} * 2;
  if (n < kHeaderBytes || n > available) n = available;
  try {
    bits.assign(mf, mf + n);
  } catch (...) {
    return false;
  }
  return true;
}

// ---- records -------------------------------------------------------------

RecordWalker::RecordWalker(const uint8_t* bits, size_t size) noexcept
    : bits_(bits), size_(size), pos_(size < kHeaderBytes ? size : kHeaderBytes) {}

bool RecordWalker::next(Record& r) noexcept {
  const size_t left = size_ - pos_;
  if (left < kRecordHeadBytes) return false;
  const uint8_t* p = bits_ + pos_;
  const uint64_t bytes = uint64_t{ByteCursor::le32(p)} * 2;
  r.function = ByteCursor::le16(p + 4);
  // A size below the record's own fields leaves no way to the next record.
  if (bytes < kRecordHeadBytes || r.function == kEof) {
    pos_ = size_;
    return false;
  }
  const size_t take = bytes < left ? static_cast<size_t>(bytes) : left;
  r.params = p + kRecordHeadBytes;
  r.param_bytes = take - kRecordHeadBytes;
  pos_ += take;
  return true;
}

// ---- playback ------------------------------------------------------------

Player::Player() noexcept {
  pen_ = LOGPEN{PS_SOLID, {0, 0}, RGB(0, 0, 0)};
  brush_ = LOGBRUSH{BS_SOLID, RGB(255, 255, 255), 0};
}

void Player::create(const Object& o) {
  uint32_t slot;
  if (!free_.empty()) {
    slot = free_.top();
    free_.pop();
  } else if (table_.size() < kMaxObjects) {
    slot = static_cast<uint32_t>(table_.size());
    table_.emplace_back();
  } else {
    return;
  }
  table_[slot] = o;
}

void Player::play(const Record& r) {
  // Parameters past the end of a record read as zeros.
  ByteCursor in(r.params, r.param_bytes);
  Object o;
  switch (r.function) {
    case kCreatePenIndirect: {
      o.kind = Kind::kPen;
      o.pen.lopnStyle = in.u16() & PS_STYLE_MASK;
      o.pen.lopnWidth.x = in.i16();
      o.pen.lopnWidth.y = in.i16();
      o.pen.lopnColor = in.u32();
      create(o);
      break;
    }
    case kCreateBrushIndirect: {
      o.kind = Kind::kBrush;
      o.brush.lbStyle = in.u16();
      o.brush.lbColor = in.u32();
      o.brush.lbHatch = in.u16();
      create(o);
      break;
    }
    case kCreatePatternBrush:
      o.kind = Kind::kBrush;
      o.brush = LOGBRUSH{kBrushPattern, 0, 0};
      create(o);
      break;
    case kDibCreatePatternBrush:
      o.kind = Kind::kBrush;
      o.brush = LOGBRUSH{in.u16() == kBrushPattern ? kBrushPattern : kBrushDibPattern, 0, 0};
      create(o);
      break;
    case kCreateFontIndirect:
    case kCreatePalette:
    case kCreateRegion:
      o.kind = Kind::kOther;
      create(o);
      break;
    case kSelectObject: {
      const uint16_t i = in.u16();
      if (i >= table_.size()) break;
      const Object& s = table_[i];
      if (s.kind == Kind::kPen) pen_ = s.pen;
      if (s.kind == Kind::kBrush) brush_ = s.brush;
      break;
    }
    case kDeleteObject: {
      // An object deleted while selected stays in force until another is
      // selected, as on the platform; only its slot is freed.
      const uint16_t i = in.u16();
      if (i >= table_.size() || table_[i].kind == Kind::kFree) break;
      table_[i].kind = Kind::kFree;
      free_.push(i);
      break;
    }
    default:
      break;
  }
}

}  // namespace fgb::wmf
