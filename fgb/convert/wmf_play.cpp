// Metafile bits, the record walk and the playback state.
#include "convert/bytes_p.h"
#include "convert/wmf_p.h"

#include <algorithm>
#include <cmath>
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

void frame_of(const uint8_t* file, int16_t frame[4]) noexcept {
  for (size_t i = 0; i < 4; ++i) frame[i] = ByteCursor::les16(file + kFrameOffset + 2 * i);
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

namespace {

// SaveDC keeps at most this many states; later ones are not kept (and
// their RestoreDC finds nothing to restore).
constexpr size_t kMaxSavedStates = 4096;
// Window sizes (logical units) beyond this are not taken: ScaleWindowExt
// repeated would otherwise run them to infinity.
constexpr double kMaxWindowExtent = 1e9;

}  // namespace

Player::Player() noexcept : Player(DcState{}) {}

Player::Player(const DcState& start) noexcept : dc_(start) {
  dc_.pen = LOGPEN{PS_SOLID, {0, 0}, RGB(0, 0, 0)};
  dc_.brush = LOGBRUSH{BS_SOLID, RGB(255, 255, 255), 0};
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

// RestoreDC(n): n below 0 goes back -n saves from the latest; n above 0 to
// the n-th save counted from the first. A save that is not there restores
// nothing.
void Player::restore(int16_t which) {
  size_t keep;
  if (which < 0) {
    const auto back = static_cast<size_t>(-static_cast<int32_t>(which));
    if (back > saved_.size()) return;
    keep = saved_.size() - back;
  } else {
    if (which == 0 || static_cast<size_t>(which) > saved_.size()) return;
    keep = static_cast<size_t>(which) - 1;
  }
  dc_ = saved_[keep];
  saved_.resize(keep);
}

void Player::play(const Record& r) {
  // Parameters past the end of a record read as zeros. Coordinates come
  // last first (y, then x).
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
    case kCreateFontIndirect: {
      // height, width, escapement, orientation, weight, then bytes: italic, ...
      o.kind = Kind::kFont;
      o.font.height = in.i16();
      in.skip(2);
      o.font.escapement = in.i16();
      in.skip(4);
      o.font.italic = in.u8() != 0;
      create(o);
      break;
    }
    case kCreatePalette:
    case kCreateRegion:
      o.kind = Kind::kOther;
      create(o);
      break;
    case kSelectObject: {
      const uint16_t i = in.u16();
      if (i >= table_.size()) break;
      const Object& s = table_[i];
      if (s.kind == Kind::kPen) dc_.pen = s.pen;
      if (s.kind == Kind::kBrush) dc_.brush = s.brush;
      if (s.kind == Kind::kFont) dc_.font = s.font;
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
    case kSetWindowOrg: {
      const int16_t y = in.i16();
      dc_.window_org[0] = in.i16();
      dc_.window_org[1] = y;
      break;
    }
    case kOffsetWindowOrg: {
      const int16_t dy = in.i16();
      const int16_t dx = in.i16();
      dc_.window_org[0] = std::clamp(dc_.window_org[0] + dx, -kMaxWindowExtent, kMaxWindowExtent);
      dc_.window_org[1] = std::clamp(dc_.window_org[1] + dy, -kMaxWindowExtent, kMaxWindowExtent);
      break;
    }
    case kSetWindowExt: {
      // A size of 0 is refused, as the platform refuses it.
      const int16_t y = in.i16();
      const int16_t x = in.i16();
      if (x != 0 && y != 0) {
        dc_.window_ext[0] = x;
        dc_.window_ext[1] = y;
      }
      break;
    }
    case kScaleWindowExt: {
      const int16_t y_den = in.i16(), y_num = in.i16(), x_den = in.i16(), x_num = in.i16();
      if (x_den == 0 || y_den == 0 || x_num == 0 || y_num == 0 || dc_.window_ext[0] == 0) break;
      const double x = dc_.window_ext[0] * x_num / x_den, y = dc_.window_ext[1] * y_num / y_den;
      if (std::fabs(x) <= kMaxWindowExtent && std::fabs(y) <= kMaxWindowExtent) {
        dc_.window_ext[0] = x;
        dc_.window_ext[1] = y;
      }
      break;
    }
    case kSaveDC:
      if (saved_.size() < kMaxSavedStates) saved_.push_back(dc_);
      break;
    case kRestoreDC: restore(in.i16()); break;
    case kMoveTo:
    case kLineTo:
      dc_.y = in.i16();
      dc_.x = in.i16();
      break;
    case kSetTextAlign: dc_.text_align = in.u16(); break;
    case kSetTextColor: dc_.text_colour = in.u32(); break;
    default: break;
  }
}

}  // namespace fgb::wmf
