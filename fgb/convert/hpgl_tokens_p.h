// The HPGL reader's tokens: mnemonics, numbers and bytes of no meaning,
// and the raw reads of the commands whose arguments are not tokens (label
// text, encoded polylines, the terminator of a label).
//
// Two letters in a row are a mnemonic, a signed run of digits an integer,
// digits with a point a real, any other byte a token of no meaning. Line
// feeds, carriage returns, spaces, commas and semicolons only separate.
#ifndef FGB_CONVERT_HPGL_TOKENS_P_H
#define FGB_CONVERT_HPGL_TOKENS_P_H

#include "convert/digits_p.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fgb::conv::hpgl {

enum class Tok : uint8_t { End, Mnemonic, Integer, Real, Other };

struct Token {
  Tok kind = Tok::End;
  char m0 = 0, m1 = 0;  // mnemonic letters
  int64_t ival = 0;     // integer value (saturated to 32 bits)
  float rval = 0;       // real value, as a 32-bit float (arc and circle arguments)
  double dval = 0;      // real value in full (coordinates)
  bool is_number() const { return kind == Tok::Integer || kind == Tok::Real; }
  double number() const { return kind == Tok::Integer ? static_cast<double>(ival) : rval; }
};

inline bool is_digit(uint8_t c) { return static_cast<uint8_t>(c - '0') < 10; }

// What a byte starts: looked up once per byte instead of compared five ways.
enum CharClass : uint8_t { kOtherByte, kSeparator, kLetter, kNumber };
constexpr std::array<uint8_t, 256> kClassOf = [] {
  std::array<uint8_t, 256> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[static_cast<size_t>(c)] = t[static_cast<size_t>(c + 32)] = kLetter;
  for (int c = '0'; c <= '9'; ++c) t[static_cast<size_t>(c)] = kNumber;
  for (char c : {'-', '+', '.'}) t[static_cast<uint8_t>(c)] = kNumber;
  for (char c : {'\n', '\r', ' ', ',', ';'}) t[static_cast<uint8_t>(c)] = kSeparator;
  return t;
}();

constexpr uint8_t kEscape = 0x1B;

class Tokenizer {
 public:
  Tokenizer(const uint8_t* data, size_t size) : begin_(data), p_(data), end_(data + size) {}

  Token next() {
    if (has_pending_) {
      has_pending_ = false;
      return pending_;
    }
    Token t;
    while (p_ < end_ && kClassOf[*p_] == kSeparator) ++p_;
    while (p_ < end_ && *p_ == kEscape) {
      skip_escape();
      while (p_ < end_ && kClassOf[*p_] == kSeparator) ++p_;
    }
    if (p_ == end_) return t;
    const uint8_t c = *p_;
    const uint8_t cls = kClassOf[c];
    if (cls == kNumber) return number();
    if (cls == kLetter) {
      if (end_ - p_ >= 2 && kClassOf[p_[1]] == kLetter) {
        t.kind = Tok::Mnemonic;
        t.m0 = static_cast<char>(c);
        t.m1 = static_cast<char>(p_[1]);
        p_ += 2;
      } else {
        // A lone letter is a token of no meaning that takes the next byte
        // with it (so "P1" loses its digit, as files of this system expect).
        t.kind = Tok::Other;
        p_ += end_ - p_ >= 2 ? 2 : 1;
      }
      return t;
    }
    t.kind = Tok::Other;
    ++p_;
    return t;
  }

  // The next argument of a command: false at the end of the data or before
  // a mnemonic, which stays for the command loop. (The hot path of long
  // coordinate lists: no token is built for the mnemonic that ends them.)
  bool argument(Token& t) {
    if (has_pending_) {
      if (pending_.kind == Tok::Mnemonic || pending_.kind == Tok::End) return false;
      t = next();
      return true;
    }
    for (;;) {
      while (p_ < end_ && kClassOf[*p_] == kSeparator) ++p_;
      if (p_ == end_) return false;
      // A printer-language sequence between arguments is passed over, and
      // what follows it judged afresh.
      if (*p_ != kEscape) break;
      skip_escape();
    }
    const uint8_t cls = kClassOf[*p_];
    if (cls == kNumber) {
      t = number();
      return true;
    }
    if (cls == kLetter && end_ - p_ >= 2 && kClassOf[p_[1]] == kLetter) return false;
    t = next();
    return true;
  }

  // The next command's mnemonic, passing over the stray tokens before it;
  // false at the end of the data. (Most of the time the mnemonic is right
  // here: no token is built for it.)
  bool mnemonic(char& m0, char& m1) {
    if (!has_pending_ && end_ - p_ >= 2 && kClassOf[p_[0]] == kLetter && kClassOf[p_[1]] == kLetter) {
      m0 = static_cast<char>(p_[0]);
      m1 = static_cast<char>(p_[1]);
      p_ += 2;
      return true;
    }
    for (;;) {
      const Token t = next();
      if (t.kind == Tok::End) return false;
      if (t.kind == Tok::Mnemonic) {
        m0 = t.m0;
        m1 = t.m1;
        return true;
      }
    }
  }

  // The next argument when it is a plain integer (the coordinate lists of
  // PU, PD and PA): kInteger with its value; kNoMore at the end of the data
  // or before a mnemonic, like argument(); kOther when the next argument is
  // anything else, which is then left for argument() to read.
  enum Simple { kInteger, kNoMore, kOther };
  Simple integer_argument(int64_t& value) {
    if (has_pending_) return kOther;
  again:
    while (p_ < end_ && kClassOf[*p_] == kSeparator) ++p_;
    if (p_ == end_) return kNoMore;
    const uint8_t* q = p_;
    bool negative = false;
    if (*q == '-' || *q == '+') {
      negative = *q == '-';
      ++q;
    }
    if (q == end_ || !is_digit(*q)) {
      if (*p_ == kEscape) {
        skip_escape();
        goto again;
      }
      const uint8_t cls = kClassOf[*p_];
      if (cls == kLetter && end_ - p_ >= 2 && kClassOf[p_[1]] == kLetter) return kNoMore;
      return kOther;
    }
    uint64_t v = 0;
    const uint32_t n = end_ - q >= 8 ? leading_digits(q, v) : 8;
    if (n < 8) {
      q += n;  // below 10^7: no saturation
    } else {   // eight digits or more, or near the end: one at a time
      v = 0;
      do {
        if (v <= uint64_t{kIntReadMax}) v = v * 10 + (*q - '0');
        ++q;
      } while (q < end_ && is_digit(*q));
      v = std::min(v, negative ? uint64_t{1} << 31 : uint64_t{kIntReadMax});
    }
    if (q < end_ && *q == '.') return kOther;  // a real
    value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    p_ = q;
    return kInteger;
  }

  // True, and past it, when the next command is PD (nothing pending).
  bool take_pen_down() {
    if (has_pending_ || end_ - p_ < 2 || p_[0] != 'P' || p_[1] != 'D') return false;
    p_ += 2;
    return true;
  }

  void unget(const Token& t) {
    pending_ = t;
    has_pending_ = true;
  }

  size_t offset() const { return static_cast<size_t>(p_ - begin_); }

  // ---- raw reads (nothing may be pending) ----

  bool at_end() const { return !has_pending_ && p_ == end_; }
  // The next byte without taking it; -1 at the end.
  int peek() const { return p_ < end_ ? *p_ : -1; }
  int take() { return p_ < end_ ? *p_++ : -1; }
  // Takes bytes up to and including the terminator (or to the end of the
  // data); [from, to) are the bytes before it. True when the terminator was
  // met.
  bool take_until(uint8_t terminator, const uint8_t*& from, const uint8_t*& to) {
    from = p_;
    const void* hit = std::memchr(p_, terminator, static_cast<size_t>(end_ - p_));
    if (!hit) {
      to = p_ = end_;
      return false;
    }
    to = static_cast<const uint8_t*>(hit);
    p_ = to + 1;
    return true;
  }
  // True when the last mnemonic was led by an escape byte, which has then
  // been passed over with its sequence (see skip_escape).
  bool pending() const { return has_pending_; }

  // Passes over a device-control or printer-language sequence that starts
  // at the escape byte here: ESC % ... letter (PCL: enter and leave the
  // plotter language, the job language's ESC %-12345X and its @PJL lines),
  // ESC E, ESC . letter with its parameters up to ":" (plotter device
  // control), ESC ( or ) with a character set. False when no escape is here.
  bool skip_escape() {
    if (has_pending_ || p_ == end_ || *p_ != 0x1B) return false;
    const uint8_t* q = p_ + 1;
    if (q < end_ && *q == '%') {
      ++q;
      while (q < end_ && (*q == '-' || *q == '+' || is_digit(*q))) ++q;
      const bool job = q < end_ && *q == 'X';
      if (q < end_ && static_cast<uint8_t>((*q | 0x20) - 'a') < 26) ++q;
      p_ = q;
      if (job) skip_job_lines();
      return true;
    }
    if (q < end_ && *q == '.') {
      ++q;
      if (q < end_) ++q;  // the device-control letter
      // Parameters: digits and ";" up to ":", a few at most.
      const uint8_t* r = q;
      while (r < end_ && r - q < 64 && (is_digit(*r) || *r == ';' || *r == ' ')) ++r;
      if (r < end_ && *r == ':') q = r + 1;
      p_ = q;
      return true;
    }
    if (q < end_ && (*q == '(' || *q == ')')) {
      ++q;
      while (q < end_ && q - p_ < 16 && !static_cast<bool>(static_cast<uint8_t>((*q | 0x20) - 'a') < 26)) ++q;
      if (q < end_) ++q;
      p_ = q;
      return true;
    }
    p_ = q < end_ ? q + 1 : q;  // ESC and one more (ESC E: reset)
    return true;
  }

 private:
  // After a job-language escape: its @PJL lines.
  void skip_job_lines() {
    for (;;) {
      const uint8_t* q = p_;
      while (q < end_ && (*q == '\r' || *q == '\n' || *q == ' ')) ++q;
      if (end_ - q < 4 || q[0] != '@' || q[1] != 'P' || q[2] != 'J' || q[3] != 'L') return;
      const void* nl = std::memchr(q, '\n', static_cast<size_t>(end_ - q));
      p_ = nl ? static_cast<const uint8_t*>(nl) + 1 : end_;
    }
  }

  Token number() {
    Token t;
    const uint8_t* q = p_;
    bool negative = false;
    if (*q == '-' || *q == '+') {
      negative = *q == '-';
      ++q;
    }
    const uint8_t* digits = q;
    uint64_t v = 0;
    while (q < end_ && is_digit(*q)) {
      if (v <= uint64_t{kIntReadMax}) v = v * 10 + (*q - '0');
      ++q;
    }
    const size_t int_digits = static_cast<size_t>(q - digits);
    if (q < end_ && *q == '.') {
      const uint8_t* frac = ++q;
      while (q < end_ && is_digit(*q)) ++q;
      if (int_digits + static_cast<size_t>(q - frac) > 0) {
        double d = 0;
        // Only digits and one point: from_chars cannot fail here, but may
        // report a value out of range (very many digits), which is infinite.
        const auto r =
            std::from_chars(reinterpret_cast<const char*>(digits), reinterpret_cast<const char*>(q), d);
        if (r.ec == std::errc::result_out_of_range) d = HUGE_VAL;
        const float f = static_cast<float>(negative ? -d : d);
        t.kind = Tok::Real;
        t.rval = f;
        t.dval = negative ? -d : d;
        p_ = q;
        return t;
      }
    } else if (int_digits > 0) {
      int64_t s = static_cast<int64_t>(v);
      if (negative) s = -s;
      if (s > kIntReadMax) s = kIntReadMax;
      if (s < kIntReadMin) s = kIntReadMin;
      t.kind = Tok::Integer;
      t.ival = s;
      p_ = q;
      return t;
    }
    // A sign or a point with no digits: one byte of no meaning.
    t.kind = Tok::Other;
    ++p_;
    return t;
  }

  const uint8_t* begin_;
  const uint8_t* p_;
  const uint8_t* end_;
  Token pending_;
  bool has_pending_ = false;
};

}  // namespace fgb::conv::hpgl

#endif
