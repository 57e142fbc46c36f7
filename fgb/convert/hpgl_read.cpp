// HPGL reader: the pen-plotter commands PU, PD, PA, AA, CI and SP in
// absolute plotter units (1016 per inch). Everything else is skipped.
//
// The file is a stream of tokens: two letters in a row are a mnemonic, a
// signed run of digits an integer, digits with a point a real, any other
// byte a token of no meaning. Line feeds, carriage returns, spaces, commas
// and semicolons only separate. Mnemonics are case-sensitive.
//
// Paths: the open path always starts where the pen stood when it began. PU
// and the other commands that end it ("flush") add it as a polyline (3 or
// more points, closed when its ends coincide) or a segment (2 points), in
// the pen of the last SP before the flush.
#include "convert/sink_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/path_p.h"
#include "convert/digits_p.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace fgb::conv {

namespace {

constexpr double kPlotterUnitsPerInch = 1016.0;
constexpr double kInchPerPlotterUnit = 1.0 / kPlotterUnitsPerInch;
constexpr double kPi = 3.141592653589793;
constexpr double kRadPerDeg = kPi / 180.0;

// Chord angles (degrees) from this value up are drawn as chords; smaller
// ones mean "as smooth as the device can", kept as true arcs and circles.
constexpr double kChordMinDegrees = 10.0;
// An AA sweep of more than this many degrees is reduced by whole turns (to
// this many turns and the remainder) before it is cut into chords: the
// chords of further turns would only repeat, and a sweep read as 2^31
// degrees must not make a billion of them.
constexpr double kMaxChordSweepDegrees = 3600.0;

// HPGL pens: the line width (inches) each pen stands for.
double pen_width(int pen) {
  switch (pen) {
    case 1: return 0.055;
    case 3: return 0.025;
    case 4: return 0.039;
    default: return 0.012;
  }
}

// Arcs and circles from AA and CI: no width, red.
constexpr int kCurvePen = 1;

enum class Tok : uint8_t { End, Mnemonic, Integer, Real, Other };

struct Token {
  Tok kind = Tok::End;
  char m0 = 0, m1 = 0;  // mnemonic letters
  int64_t ival = 0;     // integer value (saturated to 32 bits)
  float rval = 0;       // real value
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
    while (p_ < end_ && kClassOf[*p_] == kSeparator) ++p_;
    if (p_ == end_) return false;
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
    while (p_ < end_ && kClassOf[*p_] == kSeparator) ++p_;
    if (p_ == end_) return kNoMore;
    const uint8_t* q = p_;
    bool negative = false;
    if (*q == '-' || *q == '+') {
      negative = *q == '-';
      ++q;
    }
    if (q == end_ || !is_digit(*q)) {
      const uint8_t cls = kClassOf[*p_];
      if (cls == kLetter && end_ - p_ >= 2 && kClassOf[p_[1]] == kLetter) return kNoMore;
      return kOther;
    }
    uint64_t v = 0;
    const uint32_t n = end_ - q >= 8 ? leading_digits(q, v) : 8;
    if (n < 8) {
      q += n;  // below 10^7: no saturation
    } else {  // eight digits or more, or near the end: one at a time
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

 private:
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
        const auto r = std::from_chars(reinterpret_cast<const char*>(digits),
                                       reinterpret_cast<const char*>(q), d);
        if (r.ec == std::errc::result_out_of_range) d = HUGE_VAL;
        const float f = static_cast<float>(negative ? -d : d);
        t.kind = Tok::Real;
        t.rval = f;
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

class HpglReader {
 public:
  HpglReader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt)
      : tok_(data, size), sink_(sink), meter_(opt.progress, opt.progress_user, size) {}

  int run() {
    char m0, m1;
    while (tok_.mnemonic(m0, m1)) {  // stray numbers and bytes are passed over
      meter_.at(tok_.offset());
      if (m0 == 'P') {
        if (m1 == 'U') pen_up();
        else if (m1 == 'D') pen_down();
        else if (m1 == 'A') plot_absolute();
      } else if (m0 == 'A' && m1 == 'A') {
        arc_absolute();
      } else if (m0 == 'C' && m1 == 'I') {
        circle();
      } else if (m0 == 'S' && m1 == 'P') {
        select_pen();
      }
    }
    flush();
    meter_.finish();
    return added_ ? 1 : 0;
  }

 private:
  // The argument tokens of a command: everything up to the next mnemonic,
  // which is left for the command loop.
  bool next_argument(Token& t) { return tok_.argument(t); }

  void start_path_here() {
    path_.clear();
    path_.push(x_ * kInchPerPlotterUnit, y_ * kInchPerPlotterUnit);
  }

  void flush() {
    if (emit_path(path_, sink_, pen_style(pen_width(pen_), pen_))) added_ = true;
    start_path_here();
  }

  void append_here() { path_.push(x_ * kInchPerPlotterUnit, y_ * kInchPerPlotterUnit); }

  // PU [x,y]...: ends the path; the pairs move the pen, the last one wins.
  // (A single pair is the common case; further pairs are pen-up moves too.)
  void pen_up() {
    pen_is_up_ = true;
    pa_path_open_ = false;
    flush();
    Token t;
    bool y_place = false;
    while (next_argument(t)) {
      if (t.kind == Tok::Integer) (y_place ? y_ : x_) = static_cast<double>(t.ival);
      y_place = !y_place;
    }
    start_path_here();
  }

  // PD [x,y]...: every pair draws to that point, extending the open path.
  void pen_down() {
    pen_is_up_ = false;
    pa_path_open_ = false;
    draw_pairs(true);
  }

  // PA x,y...: with the pen down the pairs draw, with the pen up they move.
  void plot_absolute() {
    if (!pa_path_open_) {
      flush();
      pa_path_open_ = true;
    }
    draw_pairs(!pen_is_up_);
  }

  void draw_pairs(bool drawing) {
    bool y_place = false;
    double x = x_;
    for (;;) {
      int64_t v = 0;
      const Tokenizer::Simple a = tok_.integer_argument(v);
      if (a == Tokenizer::kNoMore) {
        // A PD next (one per point in most files) goes on here, as the
        // command loop would: pen_down() is this with drawing set.
        if (!tok_.take_pen_down()) return;
        meter_.at(tok_.offset());
        pen_is_up_ = false;
        pa_path_open_ = false;
        drawing = true;
        y_place = false;
        x = x_;
        continue;
      }
      if (a == Tokenizer::kOther) {
        // Reals and bytes of no meaning take a place without moving.
        Token t;
        if (!next_argument(t)) return;
        if (t.kind != Tok::Integer) {
          y_place = !y_place;
          continue;
        }
        v = t.ival;
      }
      if (!y_place) {
        x = static_cast<double>(v);
      } else {
        x_ = x;
        y_ = static_cast<double>(v);
        if (drawing) {
          append_here();
        } else {
          // A pen-up move also moves where the next path starts; without
          // this a later "PD x,y" would draw from a point the pen left.
          start_path_here();
        }
      }
      y_place = !y_place;
    }
  }

  // AA cx,cy,sweep[,chord]: an arc from the pen position around the centre.
  void arc_absolute() {
    if (pen_is_up_) return;
    flush();
    pa_path_open_ = false;
    Token t;
    int count = 0;
    while (count < 4 && next_argument(t)) {
      if (t.is_number()) aa_args_[count] = t.number();
      ++count;
    }
    if (count == 3) aa_args_[3] = 0.0;
    const double cx = aa_args_[0] * kInchPerPlotterUnit;
    const double cy = aa_args_[1] * kInchPerPlotterUnit;
    double sweep = aa_args_[2];
    const double chord = aa_args_[3];
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(sweep)) return;
    const double sx = x_ * kInchPerPlotterUnit;
    const double sy = y_ * kInchPerPlotterUnit;
    const double r = std::hypot(sx - cx, sy - cy);
    if (r == 0.0) return;
    const double start = std::atan2(sy - cy, sx - cx);
    double ex, ey;
    if (chord >= kChordMinDegrees) {
      if (std::fabs(sweep) > kMaxChordSweepDegrees)
        sweep = std::fmod(sweep, 360.0) + std::copysign(kMaxChordSweepDegrees - 360.0, sweep);
      const double n = std::fabs(std::trunc(sweep / chord));  // at most 360 per turn
      const int pieces = static_cast<int>(n) + 1;
      const double span = sweep / pieces * kRadPerDeg;
      const gr_curve_style style = pen_style(0.0, kCurvePen);
      gr_cpoint a{sx, sy};
      for (int i = 1; i <= pieces; ++i) {
        const double angle = start + span * i;
        const gr_cpoint b{cx + r * std::cos(angle), cy + r * std::sin(angle)};
        const gr_segment seg{a, b};
        sink_.add(kSegment, &seg, style);
        a = b;
      }
      ex = a.x;
      ey = a.y;
    } else {
      const double raw_end = start + sweep * kRadPerDeg;
      const double end = std::atan2(std::sin(raw_end), std::cos(raw_end));
      gr_trcircle arc{{cx, cy}, r, start, end};
      if (sweep < 0) {
        arc.a1 = end;
        arc.a2 = start;
      }
      const fgb_arc rec = make_arc_record(arc);
      sink_.add(kArc, &rec, pen_style(0.0, kCurvePen));
      ex = cx + r * std::cos(end);
      ey = cy + r * std::sin(end);
    }
    added_ = true;
    x_ = ex * kPlotterUnitsPerInch;
    y_ = ey * kPlotterUnitsPerInch;
    path_.clear();
    path_.push(ex, ey);
  }

  // CI radius[,chord]: a circle around the pen position, which stays.
  void circle() {
    flush();
    pa_path_open_ = false;
    Token t;
    double radius = 0.0, chord = 0.0;
    int numbers = 0;
    while (next_argument(t)) {
      if (!t.is_number()) continue;
      if (numbers == 0) radius = t.number();
      else if (numbers == 1) chord = t.number();
      ++numbers;
    }
    // A negative radius only starts the circle on the other side.
    const double r = std::fabs(radius) * kInchPerPlotterUnit;
    if (!std::isfinite(r)) return;
    const double cx = x_ * kInchPerPlotterUnit;
    const double cy = y_ * kInchPerPlotterUnit;
    const gr_curve_style style = pen_style(0.0, kCurvePen);
    if (chord >= kChordMinDegrees) {
      const double nv = std::trunc(360.0 / chord + 1.0);  // at most 37
      if (!(nv >= 3.0)) return;
      const int n = static_cast<int>(nv);
      PathBuffer& ring = scratch_;
      ring.clear();
      const double step = 360.0 / n * kRadPerDeg;
      for (int i = 0; i < n; ++i) ring.push(cx + r * std::cos(step * i), cy + r * std::sin(step * i));
      ring.push(cx + r, cy);
      sink_.add(kPolyline, ring.polyline(true), style);
    } else {
      const gr_circle c{{cx, cy}, r};
      sink_.add(kCircle, &c, style);
    }
    added_ = true;
  }

  // SP n: the pen of the paths flushed from now on (no number: pen 0).
  void select_pen() {
    const Token t = tok_.next();
    if (t.kind == Tok::Integer) {
      pen_ = static_cast<int>(t.ival);
    } else if (t.kind == Tok::Real) {
      const double v = std::trunc(static_cast<double>(t.rval));
      pen_ = std::fabs(v) < 1e9 ? static_cast<int>(v) : 0;
    } else {
      pen_ = 0;
      if (t.kind == Tok::Mnemonic) tok_.unget(t);
    }
  }

  Tokenizer tok_;
  ElementSink& sink_;
  ProgressMeter meter_;
  PathBuffer path_;
  PathBuffer scratch_;
  bool pen_is_up_ = true;
  bool pa_path_open_ = false;
  bool added_ = false;
  double x_ = 0.0, y_ = 0.0;  // pen position, plotter units
  int pen_ = 0;
  double aa_args_[4] = {0.0, 0.0, 0.0, 0.0};  // missing AA numbers keep their last values
};

}  // namespace

int read_hpgl(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  HpglReader reader(data, size, sink, opt);
  return reader.run();
}

}  // namespace fgb::conv
