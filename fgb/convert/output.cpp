// Text output of the writers: a buffer drained in large pieces, line feeds
// written as CR LF, and numbers formatted without the process locale.
#include "convert/outbuf_p.h"

#include <fgb/convert/convert.h>

#include <charconv>
#include <cmath>

namespace fgb::conv {

namespace {
constexpr size_t kOutBufSize = size_t{1} << 16;
}  // namespace

OutBuf::OutBuf(Drain drain, void* ctx)
    : drain_(drain), ctx_(ctx), buf_(new char[kOutBufSize]), cap_(kOutBufSize) {}

OutBuf::OutBuf(std::string& memory) : OutBuf(&OutBuf::to_string, &memory) {}

bool OutBuf::to_string(void* ctx, const char* data, size_t n) {
  static_cast<std::string*>(ctx)->append(data, n);
  return true;
}

void OutBuf::flush() {
  if (len_ == 0) return;
  if (ok_ && !drain_(ctx_, buf_.get(), len_)) ok_ = false;
  total_ += len_;
  len_ = 0;
}

void OutBuf::raw(std::string_view s) {
  while (!s.empty()) {
    if (len_ == cap_) flush();
    const size_t n = std::min(s.size(), cap_ - len_);
    std::memcpy(buf_.get() + len_, s.data(), n);
    len_ += n;
    s.remove_prefix(n);
  }
}

void OutBuf::text(std::string_view s) {
  // The formats' pieces are short: copy them byte by byte into room for the
  // worst case, every byte a line feed.
  while (!s.empty()) {
    const size_t piece = std::min(s.size(), cap_ / 2);
    char* o = room(2 * piece);
    for (size_t i = 0; i < piece; ++i) {
      const char c = s[i];
      if (c == '\n') *o++ = '\r';
      *o++ = c;
    }
    len_ = static_cast<size_t>(o - buf_.get());
    s.remove_prefix(piece);
  }
}

void OutBuf::integer(int64_t v) {
  char* p = room(24);
  len_ = static_cast<size_t>(std::to_chars(p, p + 24, v).ptr - buf_.get());
}

char* format_long_wide(char* out, int64_t v) noexcept { return std::to_chars(out, out + 20, v).ptr; }

void OutBuf::fixed(double v, int precision) {
  if (!(std::fabs(v) <= kFixedLimit)) throw WriteRefused{FGB_CONVERT_OUT_OF_RANGE};
  char* p = room(kFixedMax);
  len_ = static_cast<size_t>(format_fixed(p, v, precision) - buf_.get());
}

const char kDigitPairs[201] =
    "00010203040506070809101112131415161718192021222324"
    "25262728293031323334353637383940414243444546474849"
    "50515253545556575859606162636465666768697071727374"
    "75767778798081828384858687888990919293949596979899";

bool OutBuf::finish() {
  flush();
  return ok_;
}

// printf("%.*f") in the C locale: "-" for a negative sign bit (also on -0.0
// and on values that round to zero), "inf"/"nan" for the non-finite ones.
// std::to_chars gives the same digits (exact decimal expansion, correctly
// rounded), which the tests check against snprintf.
char* format_fixed(char* out, double v, int precision) noexcept {
  if (std::isnan(v)) {
    if (std::signbit(v)) *out++ = '-';
    std::memcpy(out, "nan", 3);
    return out + 3;
  }
  const auto r = std::to_chars(out, out + kFixedMax, v, std::chars_format::fixed, precision);
  return r.ptr;
}

}  // namespace fgb::conv
