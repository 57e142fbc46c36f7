// The text output of the writers and its locale-free number formatting.
#ifndef FGB_CONVERT_OUTBUF_P_H
#define FGB_CONVERT_OUTBUF_P_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace fgb::conv {

// Thrown by a writer that must not go on: status is FGB_CONVERT_TOO_LARGE
// (its budget of flattened points is spent) or FGB_CONVERT_OUT_OF_RANGE (a
// number lies beyond what the format holds). The write is then abandoned.
struct WriteRefused {
  int status;
};

// The largest magnitude written in fixed notation: 16 digits before the
// point, where a double still resolves the sixth after it to about a unit.
// Beyond it a number would be hundreds of digits of noise.
constexpr double kFixedLimit = 1e15;

// Text output of a writer. Every line feed of a format is written as
// carriage return + line feed, the bytes files of this system have always
// had. Numbers are formatted independently of the process locale with the
// digits of the C formats "%ld", "%d", "%f" and "%6.5f".
class OutBuf {
 public:
  // Receives full buffers; returns false when the bytes could not be stored.
  using Drain = bool (*)(void* ctx, const char* data, size_t n);
  OutBuf(Drain drain, void* ctx);
  explicit OutBuf(std::string& memory);
  OutBuf(const OutBuf&) = delete;
  OutBuf& operator=(const OutBuf&) = delete;

  void text(std::string_view s);  // line feeds become CR LF
  void raw(std::string_view s);   // bytes as they are
  void put(char c) {
    if (len_ == cap_) flush();
    buf_[len_++] = c;
  }
  void integer(int64_t v);  // "%ld" / "%d"
  // prefix, a, sep, b, suffix in one go ("PD%ld,%ld;", "X%ldY%ld*"): the
  // writers' innermost step. prefix and suffix hold no line feed.
  void pair(std::string_view prefix, int64_t a, char sep, int64_t b, std::string_view suffix);
  // "%f" is precision 6; "%6.5f" is precision 5. Throws WriteRefused when
  // v is not finite or beyond kFixedLimit.
  void fixed(double v, int precision);
  // Room for n bytes (at most kOutBufReserveMax) to write in place, without
  // line feeds; commit(end) then takes them up to end.
  char* reserve(size_t n) { return room(n); }
  void commit(char* end) { len_ = static_cast<size_t>(end - buf_.get()); }
  // Drains what is buffered; false when any drain so far failed.
  bool finish();
  bool ok() const noexcept { return ok_; }
  uint64_t bytes_out() const noexcept { return total_ + len_; }

 private:
  char* room(size_t n) {
    if (cap_ - len_ < n) flush();
    return buf_.get() + len_;
  }
  void flush();
  static bool to_string(void* ctx, const char* data, size_t n);

  Drain drain_;
  void* ctx_;
  std::unique_ptr<char[]> buf_;
  size_t len_ = 0;
  size_t cap_;
  uint64_t total_ = 0;
  bool ok_ = true;
};

// The most reserve() may ask for at once.
constexpr size_t kOutBufReserveMax = size_t{1} << 15;

// Formats v like printf("%d", v) in the C locale into out; returns the end.
// Needs room for 11 chars beyond out even when fewer are taken: the digits
// are made in a scratch and copied in one fixed-length piece (the writers'
// innermost step, a million times per drawing). Up to five digits - the
// coordinates of almost every drawing - take no branch on their length.
extern const char kDigitPairs[201];  // "00" "01" ... "99"
inline char* format_int(char* out, int32_t v) noexcept {
  auto u = static_cast<uint32_t>(v);
  if (v < 0) {
    *out++ = '-';
    u = 0u - u;
  }
  if (u < 100000) {
    char digits[16] = {};  // five digits, zero-padded, then room for the copy
    const uint32_t low = u % 10000;
    digits[0] = static_cast<char>('0' + u / 10000);
    std::memcpy(digits + 1, kDigitPairs + 2 * (low / 100), 2);
    std::memcpy(digits + 3, kDigitPairs + 2 * (low % 100), 2);
    // Digits from the bit length: 2^(w-1) <= u < 2^w has kMost[w] digits or one less.
    static constexpr uint8_t kMost[18] = {1, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 6};
    static constexpr uint32_t kLeast[18] = {0,   0,    0,    0,    10,   10,    10,    100,   100,
                                            100, 1000, 1000, 1000, 1000, 10000, 10000, 10000, 100000};
    const auto w = static_cast<uint32_t>(std::bit_width(u));
    const uint32_t n = kMost[w] - (u < kLeast[w]);
    std::memcpy(out, digits + 5 - n, 8);  // what follows the digits is overwritten later
    return out + n;
  }
  char digits[20] = {};  // the digits end at 10; a copy of ten from p stays inside
  char* p = digits + 10;
  while (u >= 100) {
    const uint32_t pair = u % 100;
    u /= 100;
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * pair, 2);
  }
  if (u >= 10) {
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * u, 2);
  } else {
    *--p = static_cast<char>('0' + u);
  }
  std::memcpy(out, p, 10);
  return out + (digits + 10 - p);
}

// "%ld" into room for 20 chars: the common 32-bit values the quick way.
char* format_long_wide(char* out, int64_t v) noexcept;
inline char* format_long(char* out, int64_t v) noexcept {
  if (v >= INT32_MIN && v <= INT32_MAX) return format_int(out, static_cast<int32_t>(v));
  return format_long_wide(out, v);
}

// The pieces are a few bytes: copied one by one (no library call), and as
// constants where the call is inlined.
inline void OutBuf::pair(std::string_view prefix, int64_t a, char sep, int64_t b, std::string_view suffix) {
  char* p = room(prefix.size() + suffix.size() + 42);
  for (const char c : prefix) *p++ = c;
  p = format_long(p, a);
  *p++ = sep;
  p = format_long(p, b);
  for (const char c : suffix) *p++ = c;
  len_ = static_cast<size_t>(p - buf_.get());
}

// Formats v like printf("%.*f", precision, v) in the C locale into out
// (room for kFixedMax chars); returns the end.
constexpr size_t kFixedMax = 400;
char* format_fixed(char* out, double v, int precision) noexcept;

}  // namespace fgb::conv

#endif
