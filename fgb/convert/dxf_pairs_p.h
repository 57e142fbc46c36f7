// The DXF reader's view of a file: group-code / value pairs, two lines
// each, and the numbers in their values.
//
// A line ends at a line feed, a carriage return, or both (files come with
// LF, CR LF and lone CR line ends). A code line holds an integer between
// blanks; the value line is kept as it is, blanks included (a text may
// start with one), and compared or converted after trimming. A code line
// that is not an integer means the file is not (or no longer) a sequence of
// pairs: the cursor stops there for good.
#ifndef FGB_CONVERT_DXF_PAIRS_P_H
#define FGB_CONVERT_DXF_PAIRS_P_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fgb::conv::dxf {

struct Pair {
  int code = 0;
  std::string_view value;  // the value line without its line end
  size_t offset = 0;       // of the code line, from the start of the data
};

class PairCursor {
 public:
  // The pairs of data[begin, end).
  PairCursor(const uint8_t* data, size_t begin, size_t end) noexcept : data_(data), pos_(begin), end_(end) {}

  // The next pair; false at the end of the pairs (the data ends, or a code
  // line is not a group code).
  bool next(Pair& p) noexcept {
    if (pending_) {
      pending_ = false;
      p = back_;
      return true;
    }
    return read_pair(p);
  }
  // Hands p, the pair last returned, back: the next call of next() returns
  // it again. Entities end at the pair of code 0 that starts the next one.
  // (The pair is kept by the caller, not copied on every read: a copy of
  // what was just written field by field would wait for those writes.)
  void unread(const Pair& p) noexcept {
    back_ = p;
    pending_ = true;
  }
  // Where the pair after the last one returned starts (where the cursor
  // would go on from without an unread pair).
  size_t offset() const noexcept { return pending_ ? back_.offset : pos_; }
  // The cursor met a code line that is not an integer.
  bool broken() const noexcept { return broken_; }
  // The value of p (a pair of this cursor) as a number, as to_real reads
  // it, the numbers writers print read eight digits at a time.
  bool real(const Pair& p, double& out) const noexcept;
  // Pairs read so far (each once, however often handed back).
  uint64_t count() const noexcept { return count_; }

 private:
  bool read_pair(Pair& p) noexcept;

  const uint8_t* data_;
  size_t pos_;
  size_t end_;
  Pair back_;  // the pair handed back
  bool pending_ = false;
  bool broken_ = false;
  uint64_t count_ = 0;
};

// Blanks (spaces, tabs) and line-end bytes trimmed from both ends.
std::string_view trim(std::string_view v) noexcept;

// The value as a C program reads it with strtod: blanks, a number, and
// whatever follows ignored ("7x" reads 7). An underflow reads as 0. False
// when no number starts the value or it is not finite.
bool to_real(std::string_view v, double& out) noexcept;
// The same; the bytes up to readable may be read past the value's end.
bool to_real(std::string_view v, double& out, const char* readable) noexcept;

// The value as a C program reads it into a 16-bit int through a long: the
// digits saturate at the long's range and the result wraps to 16 bits
// (65543 reads 7). False when no integer starts the value.
bool to_int16(std::string_view v, int16_t& out) noexcept;

// The value as a 32-bit integer, saturated; false when none starts it.
bool to_int32(std::string_view v, int32_t& out) noexcept;

}  // namespace fgb::conv::dxf

#endif
