// Extended Gerber: the block engine.
//
// Blocks are read in file order, each as a whole: its G codes set modes
// (G01 linear, G02 clockwise and G03 counter-clockwise arcs, G74 single-
// and G75 multi-quadrant arcs, G36/G37 regions, G70/G71 inches and
// millimetres, G90/G91 absolute and incremental), a D code of 10 or more
// selects an aperture, and the coordinates with D01 (draw), D02 (move) or
// D03 (flash) act; coordinates without a D code repeat the last one. A
// file is read from its start: the extended header announces the format.
//
// Draws of one aperture join into polylines; an arc becomes an arc element
// (a full circle a circle element) of the aperture's width; a region's
// contours become closed polylines of width 0; a flash a flash element of
// the aperture's flash size. Numbers: %FS digits (leading or trailing zeros
// omitted), absolute or incremental, in %MO units; without %FS, 2.4 digits
// and leading zeros omitted.
#include "convert/gerber_ext_p.h"

#include "convert/path_p.h"
#include "convert/progress_p.h"
#include "convert/digits_p.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fgb::conv::gerber {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kInchPerMm = 1.0 / 25.4;
constexpr int kFlashPen = 1;
constexpr int kRegionPen = 1;
// Arcs inside regions become chords, at most this many per full turn.
constexpr int kChordsPerTurn = 64;
// Digits of a coordinate beyond these are dropped (no photoplotter writes
// more; the value must stay exact in a double).
constexpr int kMaxDigits = 12;
// Aperture macro evaluation (bytes of macro text evaluated) allowed beyond 16
// per byte of the file: a macro is evaluated once per aperture defined with it.
constexpr uint64_t kMacroWorkFloor = 65536;
// Powers of ten for placing the point of a coordinate. Digits are
// multiplied by the negative powers (as the plain reader multiplies its
// thousandths by 0.001, so that both read a thousandth alike): a division
// per coordinate would cost as much as all the rest of a block.
constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13};
constexpr double kInvPow10[] = {1e0,  1e-1, 1e-2, 1e-3,  1e-4,  1e-5,  1e-6,
                                1e-7, 1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13};

bool g_of_interest(const uint8_t* p, const uint8_t* end) {
  // G02 G03 G36 G74 G75 G71 G91, with or without a leading zero (G2, G3).
  int v = 0, n = 0;
  while (p < end && *p >= '0' && *p <= '9' && n < 3) v = v * 10 + (*p++ - '0'), ++n;
  if (n == 0 || (p < end && *p >= '0' && *p <= '9')) return false;
  return v == 2 || v == 3 || v == 36 || v == 74 || v == 75 || v == 71 || v == 91;
}

class Engine {
 public:
  Engine(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt)
      : p_(data),
        begin_(data),
        end_(data + size),
        sink_(sink),
        opt_(opt),
        meter_(opt.progress, opt.progress_user, size),
        rep_(opt.report, data, size, true) {
    defs_.budget = 16 * static_cast<uint64_t>(size) + kMacroWorkFloor;
  }

  int run() {
    while (p_ < end_ && !stop_) {
      meter_.at(static_cast<uint64_t>(p_ - begin_));
      if (*p_ == '%') {
        parameters();
      } else if (*p_ == '*' || *p_ == '\r' || *p_ == '\n' || *p_ == ' ' || *p_ == '\t') {
        ++p_;
      } else {
        data_block();
      }
    }
    end_path();
    end_region();
    meter_.finish();
    if (rep_.active()) {
      rep_.dialect(saw_parameters_ ? "RS-274X" : "RS-274D with arcs or regions");
      std::string u = fmt_.metric ? "millimetre" : "inch";
      u += ", " + std::to_string(fmt_.int_x) + "." + std::to_string(fmt_.dec_x) + " digits, " +
           (fmt_.trailing ? "trailing" : "leading") + " zeros omitted" +
           (fmt_.incremental ? ", incremental" : "");
      rep_.units(u, (fmt_.metric ? kInchPerMm : 1.0) * std::pow(10.0, -fmt_.dec_x));
    }
    rep_.finish();
    return added_ ? 1 : 0;
  }

 private:
  // ---- parameter blocks ----

  size_t at() const { return static_cast<size_t>(p_ - begin_); }

  // "%" blocks... "%": each block up to "*"; a macro takes the rest of its
  // section.
  void parameters() {
    saw_parameters_ = true;
    ++p_;
    const uint8_t* close = static_cast<const uint8_t*>(std::memchr(p_, '%', static_cast<size_t>(end_ - p_)));
    const uint8_t* stop = close ? close : end_;
    const size_t where = at();
    std::vector<std::string> blocks;
    const uint8_t* b = p_;
    for (const uint8_t* q = p_; q < stop; ++q) {
      if (*q == '*') {
        blocks.emplace_back(reinterpret_cast<const char*>(b), static_cast<size_t>(q - b));
        b = q + 1;
      }
    }
    if (b < stop) blocks.emplace_back(reinterpret_cast<const char*>(b), static_cast<size_t>(stop - b));
    p_ = close ? close + 1 : end_;
    for (std::string& s : blocks)
      s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; }), s.end());
    if (blocks.empty()) return;
    if (blocks[0].rfind("AM", 0) == 0) {
      const std::string name = blocks[0].substr(2);
      blocks.erase(blocks.begin());
      defs_.define_macro(name, std::move(blocks));
      return;
    }
    for (const std::string& s : blocks) parameter(s, where);
  }

  void parameter(std::string_view s, size_t where) {
    if (s.size() < 2) return;
    const std::string_view code = s.substr(0, 2);
    if (code == "FS") {
      format(s.substr(2));
    } else if (code == "MO") {
      fmt_.metric = s.substr(2, 2) == "MM";
    } else if (code == "AD") {
      defs_.define(s, unit(), rep_, where);
    } else if (code == "LP") {
      if (s.substr(2, 1) == "C") rep_.add("%LPC", FGB_REPORT_NOT_REPRESENTED, where);
    } else if (code == "IP") {
      if (s.substr(2, 3) == "NEG") rep_.add("%IPNEG", FGB_REPORT_NOT_REPRESENTED, where);
    } else if (code == "SR") {
      // A step-and-repeat of one by one repeats nothing.
      if (s != "SR" && s.substr(0, 6) != "SRX1Y1") rep_.add("%SR", FGB_REPORT_SKIPPED, where);
    } else if (code == "TF" || code == "TA" || code == "TO" || code == "TD" || code == "IN" || code == "LN" ||
               code == "IC" || code == "AS" || code == "IR") {
      // Names, attributes and orientation of the photoplotter: nothing to draw.
    } else {
      rep_.add(std::string("%") + std::string(code), FGB_REPORT_SKIPPED, where);
    }
  }

  // FS[L|T|D][A|I][Nn][Gn]Xnn Ynn[Dn][Mn]
  void format(std::string_view s) {
    fmt_.given = true;
    for (size_t i = 0; i < s.size(); ++i) {
      const char c = s[i];
      if (c == 'T')
        fmt_.trailing = true;
      else if (c == 'L')
        fmt_.trailing = false;
      else if (c == 'I')
        fmt_.incremental = true;
      else if (c == 'A')
        fmt_.incremental = false;
      else if ((c == 'X' || c == 'Y') && i + 2 < s.size()) {
        const int a = s[i + 1] - '0', b = s[i + 2] - '0';
        if (a < 0 || a > 9 || b < 0 || b > 9) continue;
        (c == 'X' ? fmt_.int_x : fmt_.int_y) = a;
        (c == 'X' ? fmt_.dec_x : fmt_.dec_y) = b;
        i += 2;
      }
    }
  }

  double unit() const { return fmt_.metric ? kInchPerMm : 1.0; }

  // ---- data blocks ----

  struct Number {
    bool set = false;
    double v = 0;
  };

  // A coordinate word's digits as the format says: "-0012" with 2.4 digits
  // and leading zeros omitted is -0.0012; with trailing zeros omitted it is
  // -0.12. A number with a point is taken as written.
  double coordinate(const uint8_t*& q, int int_digits, int dec_digits) {
    bool neg = false;
    if (q < end_ && (*q == '-' || *q == '+')) neg = *q++ == '-';
    const uint8_t* start = q;
    uint64_t v = 0;
    int n = 0;
    // Most coordinates are a few plain digits: up to eight at once.
    if (end_ - q >= 8 && (n = static_cast<int>(leading_digits(q, v))) < 8) {
      q += n;
    } else {
      v = 0, n = 0;
      while (q < end_ && *q >= '0' && *q <= '9') {
        if (n < kMaxDigits) v = v * 10 + static_cast<uint64_t>(*q - '0'), ++n;
        ++q;
      }
    }
    double r;
    if (q < end_ && *q == '.') {  // a point: the number as written
      while (q < end_ && ((*q >= '0' && *q <= '9') || *q == '.')) ++q;
      double d = 0;
      parse_decimal(std::string_view(reinterpret_cast<const char*>(start), static_cast<size_t>(q - start)),
                    d);
      r = d;
    } else if (fmt_.trailing) {
      // The digits stand left-aligned in int + dec places.
      const int shift = int_digits - n;
      r = shift >= 0 ? static_cast<double>(v) * kPow10[shift] : static_cast<double>(v) * kInvPow10[-shift];
    } else {
      r = static_cast<double>(v) * kInvPow10[dec_digits];
    }
    if (fmt_.metric) r *= kInchPerMm;
    return neg ? -r : r;
  }

  void data_block() {
    // Most blocks are "X..Y..D0n*" with parts left out: read those at once.
    {
      const uint8_t* q = p_;
      Number x, y;
      if (*q == 'X') x = {true, coordinate(++q, fmt_.int_x, fmt_.dec_x)};
      if (q < end_ && *q == 'Y') y = {true, coordinate(++q, fmt_.int_y, fmt_.dec_y)};
      int d = -1;
      if (end_ - q >= 4 && q[0] == 'D' && q[1] == '0' && q[2] >= '1' && q[2] <= '3' && q[3] == '*') {
        d = q[2] - '0';
        q += 3;
      }
      if (q < end_ && *q == '*' && (x.set || y.set || d > 0)) {
        p_ = q + 1;
        act(d, x, y, Number{}, Number{});
        return;
      }
    }
    const size_t where = at();
    int g[4];
    int gs = 0;
    int d = -1, m = -1;
    Number x, y, i, j;
    bool skip_rest = false;
    while (p_ < end_ && *p_ != '*' && *p_ != '%') {
      const uint8_t c = *p_;
      if (skip_rest || c == '\r' || c == '\n' || c == ' ' || c == '\t') {
        ++p_;
        continue;
      }
      ++p_;
      switch (c) {
        case 'G': {
          const int v = integer();
          if (v == 4) skip_rest = true;  // a comment
          if (gs < 4) g[gs++] = v;
          break;
        }
        case 'D': d = integer(); break;
        case 'M': m = integer(); break;
        case 'N': integer(); break;
        case 'X': x = {true, coordinate(p_, fmt_.int_x, fmt_.dec_x)}; break;
        case 'Y': y = {true, coordinate(p_, fmt_.int_y, fmt_.dec_y)}; break;
        case 'I': i = {true, coordinate(p_, fmt_.int_x, fmt_.dec_x)}; break;
        case 'J': j = {true, coordinate(p_, fmt_.int_y, fmt_.dec_y)}; break;
        default: {
          const char name[1] = {static_cast<char>(c)};
          rep_.add(std::string_view(name, 1), FGB_REPORT_SKIPPED, where);
          skip_rest = true;
        }
      }
    }
    if (p_ < end_ && *p_ == '*') ++p_;
    for (int k = 0; k < gs; ++k) g_code(g[k]);
    if (d == 0 || d >= 4) select(d);
    act(d, x, y, i, j);
    if (m == 0 || m == 2 || m == 30) stop_ = true;
  }

  // The coordinates and the operation of a block, after its modes.
  void act(int d, const Number& x, const Number& y, const Number& i, const Number& j) {
    const bool coords = x.set || y.set;
    if (d >= 1 && d <= 3) last_op_ = d;
    if (coords || (d >= 1 && d <= 3)) {
      double nx = x.set ? x.v : (fmt_.incremental ? 0 : cx_);
      double ny = y.set ? y.v : (fmt_.incremental ? 0 : cy_);
      if (fmt_.incremental) nx += cx_, ny += cy_;
      const int op = d >= 1 && d <= 3 ? d : last_op_;
      if (std::isfinite(nx) && std::isfinite(ny)) operate(op, nx, ny, i, j);
    }
  }

  int integer() {
    int64_t v = 0;
    int n = 0;
    while (p_ < end_ && *p_ >= '0' && *p_ <= '9') {
      if (n < 9) v = v * 10 + (*p_ - '0');
      ++p_, ++n;
    }
    return n ? static_cast<int>(v) : -1;
  }

  void g_code(int v) {
    switch (v) {
      case 1: interp_ = 1; break;
      case 2: interp_ = 2; break;
      case 3: interp_ = 3; break;
      case 36:
        end_path();
        region_ = true;
        break;
      case 37:
        end_region();
        region_ = false;
        break;
      case 70: fmt_.metric = false; break;
      case 71: fmt_.metric = true; break;
      case 74: multi_ = false; break;
      case 75: multi_ = true; break;
      case 90: fmt_.incremental = false; break;
      case 91: fmt_.incremental = true; break;
      default: break;
    }
  }

  void select(int code) {
    double draw = 0, flash = 0;
    if (const Aperture* a = defs_.find(code)) {
      draw = a->draw, flash = a->flash;
    } else if (opt_.apertures && code >= 0 && code < opt_.aperture_count) {
      draw = flash = opt_.apertures[code];
    }
    if (draw != width_) end_path();
    width_ = draw;
    flash_ = flash;
  }

  void operate(int op, double nx, double ny, const Number& i, const Number& j) {
    if (op == 2) {
      if (region_) {
        end_contour();
      } else {
        end_path();
      }
      cx_ = nx, cy_ = ny;
      return;
    }
    if (op == 3) {
      if (!region_) end_path();
      cx_ = nx, cy_ = ny;
      const gr_cpoint p{nx, ny};
      sink_.add(kFlash, &p, pen_style(flash_, kFlashPen));
      added_ = true;
      return;
    }
    if (op != 1) return;
    PathBuffer& path = region_ ? contour_ : path_;
    if (path.empty()) path.push(cx_, cy_);
    if (interp_ == 1) {
      path.push(nx, ny);
    } else {
      arc(nx, ny, i.set ? i.v : 0, j.set ? j.v : 0);
    }
    cx_ = nx, cy_ = ny;
  }

  // From (cx_, cy_) to (nx, ny) about the centre at offset (i, j).
  void arc(double nx, double ny, double i, double j) {
    const bool cw = interp_ == 2;
    double ccx, ccy;
    if (multi_) {
      ccx = cx_ + i, ccy = cy_ + j;
    } else {
      // Single quadrant: the offsets are unsigned; the centre is the one of
      // the four whose radii agree best and whose sweep is at most 90°.
      double best = INFINITY;
      ccx = cx_ + i, ccy = cy_ + j;
      for (double si : {1.0, -1.0})
        for (double sj : {1.0, -1.0}) {
          const double ax = cx_ + si * std::fabs(i), ay = cy_ + sj * std::fabs(j);
          const double r0 = std::hypot(cx_ - ax, cy_ - ay), r1 = std::hypot(nx - ax, ny - ay);
          double sweep = sweep_of(ax, ay, nx, ny, cw);
          const double err = std::fabs(r0 - r1) + (sweep > kPi / 2 + 1e-6 ? 1e6 : 0);
          if (err < best) best = err, ccx = ax, ccy = ay;
        }
    }
    const double r = std::hypot(cx_ - ccx, cy_ - ccy);
    if (!(r > 0) || !std::isfinite(r)) {
      (region_ ? contour_ : path_).push(nx, ny);
      return;
    }
    double sweep = sweep_of(ccx, ccy, nx, ny, cw);
    const bool full = multi_ && nx == cx_ && ny == cy_;
    if (full) sweep = 2 * kPi;
    if (region_) {
      const double a0 = std::atan2(cy_ - ccy, cx_ - ccx);
      const int n = std::max(1, static_cast<int>(std::ceil(sweep / (2 * kPi) * kChordsPerTurn)));
      for (int k = 1; k <= n; ++k) {
        const double a = a0 + (cw ? -1 : 1) * sweep * k / n;
        contour_.push(ccx + r * std::cos(a), ccy + r * std::sin(a));
      }
      contour_.set(contour_.size() - 1, gr_cpoint{nx, ny});
      return;
    }
    end_path();
    const gr_curve_style style = pen_style(width_, pen_of_size(width_));
    if (full) {
      const gr_circle c{{ccx, ccy}, r};
      sink_.add(kCircle, &c, style);
    } else {
      const double a_start = std::atan2(cy_ - ccy, cx_ - ccx), a_end = std::atan2(ny - ccy, nx - ccx);
      const gr_trcircle t =
          cw ? gr_trcircle{{ccx, ccy}, r, a_end, a_start} : gr_trcircle{{ccx, ccy}, r, a_start, a_end};
      const fgb_arc rec = make_arc_record(t);
      sink_.add(kArc, &rec, style);
    }
    added_ = true;
    path_.push(nx, ny);  // the next draw goes on from the arc's end
  }

  double sweep_of(double ccx, double ccy, double nx, double ny, bool cw) const {
    const double a0 = std::atan2(cy_ - ccy, cx_ - ccx), a1 = std::atan2(ny - ccy, nx - ccx);
    double s = cw ? a0 - a1 : a1 - a0;
    while (s < 0) s += 2 * kPi;
    return s;
  }

  void end_path() {
    if (path_.size() >= 2 && emit_path(path_, sink_, pen_style(width_, pen_of_size(width_)))) added_ = true;
    path_.clear();
  }

  void end_contour() {
    if (contour_.size() >= 3) {
      const gr_cpoint a = contour_.at(0), b = contour_.at(contour_.size() - 1);
      if (a.x != b.x || a.y != b.y) contour_.push(a.x, a.y);
      if (emit_path(contour_, sink_, pen_style(0.0, kRegionPen))) added_ = true;
    }
    contour_.clear();
  }

  void end_region() { end_contour(); }

  const uint8_t* p_;
  const uint8_t* begin_;
  const uint8_t* end_;
  ElementSink& sink_;
  const ReadOptions& opt_;
  ProgressMeter meter_;
  Reporter rep_;
  Format fmt_;
  ApertureDefs defs_;
  PathBuffer path_, contour_;
  double cx_ = 0, cy_ = 0;  // inches
  double width_ = 0, flash_ = 0;
  int interp_ = 1;
  int last_op_ = 2;
  bool multi_ = false;
  bool region_ = false;
  bool stop_ = false;
  bool added_ = false;
  bool saw_parameters_ = false;
};

}  // namespace

bool is_extended(const uint8_t* data, size_t size) noexcept {
  const uint8_t* end = data + size;
  for (const uint8_t* p = data; p < end;) {
    const void* hit = std::memchr(p, '%', static_cast<size_t>(end - p));
    if (!hit) break;
    p = static_cast<const uint8_t*>(hit) + 1;
    if (end - p >= 2 && ((p[0] == 'F' && p[1] == 'S') || (p[0] == 'M' && p[1] == 'O') ||
                         (p[0] == 'A' && (p[1] == 'D' || p[1] == 'M'))))
      return true;
  }
  for (const uint8_t* p = data; p < end;) {
    const void* hit = std::memchr(p, 'G', static_cast<size_t>(end - p));
    if (!hit) return false;
    p = static_cast<const uint8_t*>(hit) + 1;
    if (g_of_interest(p, end)) return true;
  }
  return false;
}

int read_extended(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  Engine e(data, size, sink, opt);
  return e.run();
}

}  // namespace fgb::conv::gerber
