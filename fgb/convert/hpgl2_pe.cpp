// HPGL reader: PE, polyline-encoded data.
//
// PE [flag][value]... up to ";". Each value is a signed integer written in
// base 64 (8-bit mode, the default) or base 32 (7-bit mode, flag "7"),
// least significant digit first: digits 63..126 go on, a last digit
// 191..254 (base 64) or 95..126 (base 32) ends the number. The integer is
// twice the magnitude, plus one when negative. Flags:
//   ":" pen   the next value selects the pen
//   "<"       the next pair is a pen-up move
//   ">" bits  the following coordinates have that many fractional bits
//   "="       the next pair is absolute
//   "7"       7-bit mode
// Pairs are relative to the pen position unless "=" says otherwise, in
// user units when scaling is on, and draw unless "<" says otherwise; the
// pen stays down after a drawn pair.
#include "convert/hpgl_reader_p.h"

#include <cmath>

namespace fgb::conv::hpgl {

namespace {

// Digits beyond the first 60 bits are dropped: more could not be a
// coordinate, and the sum must not overflow.
constexpr int kMaxBits = 60;
// Fractional bits beyond this are no finer than a double keeps.
constexpr int kMaxFractionBits = 52;

enum class Got { Value, End, Other, Cut };

// One value at the tokenizer: Value with v set; End at ";" or the end of
// the data (not taken); Other at a byte that is neither (not taken); Cut
// when such a byte ends a value early (its digits are dropped).
Got value(Tokenizer& tok, int base, int64_t& v) {
  const int last = base == 64 ? 191 : 95;
  const int bits_per_digit = base == 64 ? 6 : 5;
  uint64_t mag = 0;
  int digits = 0;
  for (;;) {
    const int c = tok.peek();
    if (c < 0 || c == ';') return Got::End;
    if (c < 63 || (base == 64 && c > 126 && c < 191) || c > (base == 64 ? 254 : 126))
      return digits == 0 ? Got::Other : Got::Cut;
    tok.take();
    const bool final_digit = c >= last;
    const uint64_t d = static_cast<uint64_t>(final_digit ? c - last : c - 63);
    if ((digits + 1) * bits_per_digit <= kMaxBits) mag |= d << (digits * bits_per_digit);
    if (digits < kMaxBits) ++digits;
    if (final_digit) break;
  }
  const int64_t half = static_cast<int64_t>(mag >> 1);
  v = (mag & 1) ? -half : half;
  return Got::Value;
}

}  // namespace

void Reader::polyline_encoded() {
  note_hpgl2();
  pa_path_open_ = false;
  int base = 64;
  double unit = 1.0;  // 2^-fractional bits
  bool up_next = false, absolute_next = false;
  bool have_x = false;
  double ux = 0;
  for (;;) {
    const int c = tok_.peek();
    if (c < 0) return;
    if (c == ';') {
      tok_.take();
      return;
    }
    if (c == ':' || c == '>') {
      tok_.take();
      int64_t v = 0;
      if (value(tok_, base, v) != Got::Value) continue;
      if (c == ':') {
        pen_ = static_cast<int>(std::clamp<int64_t>(v, -1000000, 1000000));
        style_dirty_ = true;
      } else {
        unit = std::ldexp(1.0, -static_cast<int>(std::clamp<int64_t>(v, 0, kMaxFractionBits)));
      }
      have_x = false;
      continue;
    }
    if (c == '<' || c == '=' || c == '7') {
      tok_.take();
      if (c == '<') up_next = true;
      if (c == '=') absolute_next = true;
      if (c == '7') base = 32;
      continue;
    }
    int64_t v = 0;
    const Got g = value(tok_, base, v);
    if (g == Got::End || g == Got::Cut) continue;
    if (g == Got::Other) {
      tok_.take();  // a byte of no meaning (a line break inside the data)
      continue;
    }
    meter_.at(tok_.offset());
    if (!have_x) {
      ux = static_cast<double>(v) * unit;
      have_x = true;
      continue;
    }
    have_x = false;
    double px, py;
    to_plotter(ux, static_cast<double>(v) * unit, !absolute_next, px, py);
    if (up_next) {
      pen_is_up_ = true;
      move_to(px, py);
    } else {
      pen_is_up_ = false;
      if (simple_) {
        x_ = px;
        y_ = py;
        append_here();
      } else {
        line_to(px, py);
      }
    }
    point_done();
    up_next = absolute_next = false;
  }
}

}  // namespace fgb::conv::hpgl
