// Little-endian reading of binary files (metafiles, PCAD plot and board
// files) through one cursor that knows its end.
//
// A read that runs past the end gives the bytes that are there with zeros
// for the missing ones, leaves the cursor at the end and sets a sticky flag;
// a skip past the end stops at the end. So a record cut short by the end of
// the file is taken with whatever bytes were read, and every loop that reads
// ends once the cursor is at the end.
#ifndef FGB_CONVERT_BYTES_P_H
#define FGB_CONVERT_BYTES_P_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fgb::conv {

class ByteCursor {
 public:
  ByteCursor(const uint8_t* data, size_t size) noexcept : data_(data), size_(size) {}

  size_t pos() const noexcept { return pos_; }
  size_t size() const noexcept { return size_; }
  size_t left() const noexcept { return size_ - pos_; }
  bool at_end() const noexcept { return pos_ >= size_; }
  // Some read or skip ran past the end.
  bool cut_short() const noexcept { return cut_short_; }

  // n bytes into out (zeros past the end).
  void bytes(uint8_t* out, size_t n) noexcept {
    const size_t have = n <= left() ? n : left();
    if (have) std::memcpy(out, data_ + pos_, have);
    if (have < n) {
      std::memset(out + have, 0, n - have);
      cut_short_ = true;
    }
    pos_ += have;
  }
  uint8_t u8() noexcept {
    if (pos_ < size_) return data_[pos_++];
    cut_short_ = true;
    return 0;
  }
  uint16_t u16() noexcept {
    if (left() >= 2) {
      const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
      pos_ += 2;
      return v;
    }
    uint8_t b[2] = {0, 0};
    bytes(b, 2);
    return le16(b);
  }
  int16_t i16() noexcept { return static_cast<int16_t>(u16()); }
  uint32_t u32() noexcept {
    if (left() >= 4) {
      const uint32_t v = le32(data_ + pos_);
      pos_ += 4;
      return v;
    }
    uint8_t b[4] = {0, 0, 0, 0};
    bytes(b, 4);
    return le32(b);
  }

  void skip(size_t n) noexcept {
    if (n > left()) {
      pos_ = size_;
      cut_short_ = true;
      return;
    }
    pos_ += n;
  }
  // Steps back over bytes already read (never before the start).
  void back(size_t n) noexcept { pos_ = n <= pos_ ? pos_ - n : 0; }
  // To an absolute position; past the end means the end.
  void seek(uint64_t pos) noexcept {
    if (pos > size_) {
      pos_ = size_;
      cut_short_ = true;
      return;
    }
    pos_ = static_cast<size_t>(pos);
  }

  static uint16_t le16(const uint8_t* b) noexcept { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }
  static int16_t les16(const uint8_t* b) noexcept { return static_cast<int16_t>(le16(b)); }
  static uint32_t le32(const uint8_t* b) noexcept {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool cut_short_ = false;
};

}  // namespace fgb::conv

#endif
