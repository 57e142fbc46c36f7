// DXF reader: the two-dimensional line geometry of an ASCII drawing
// (POLYLINE, LINE, CIRCLE, ARC), in millimetres.
//
// The file is read as a stream of words separated by white space, whatever
// their role: group codes and values alike. The reader reacts to the words
// it knows and reads the word after a known group code as a number. This
// scanning is what drawings written by this system have always been read
// with; it misreads a value that happens to equal a word it looks for.
//
// Colour and width carry over from one entity to the next when an entity
// does not give them; so do the coordinates an entity type left last time.
#include "convert/sink_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/path_p.h"
#include "convert/digits_p.h"

#include <charconv>
#include <cmath>

namespace fgb::conv {

namespace {

constexpr double kInchPerMm = 0.039370078740157482516;
constexpr double kPi = 3.141592653589793;
constexpr double kRadPerDeg = kPi / 180.0;
// A polyline without the closed flag whose ends agree this closely (inches)
// is closed, and its last point dropped.
constexpr double kSameEndTolerance = 0.00001;

inline bool is_space(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool is_digit(uint8_t c) { return static_cast<uint8_t>(c - '0') < 10; }

class WordCursor {
 public:
  WordCursor(const uint8_t* data, size_t size) : begin_(data), p_(data), end_(data + size) {}

  // The next word, empty at the end of the data.
  std::string_view word() {
    skip_space();
    const uint8_t* start = p_;
    while (p_ < end_ && !is_space(*p_)) ++p_;
    return {reinterpret_cast<const char*>(start), static_cast<size_t>(p_ - start)};
  }

  // A floating-point number at the start of the next word; the rest of the
  // word, if any, is left as the next word. False when none is there (or it
  // is not finite), which ends reading.
  bool real(double& out) {
    skip_space();
    const uint8_t* q = p_;
    bool negative = false;
    if (q < end_ && (*q == '+' || *q == '-')) {
      negative = *q == '-';
      ++q;
    }
    if (q == end_ || !(is_digit(*q) || *q == '.')) return false;
    double v = 0;
    const auto r = std::from_chars(reinterpret_cast<const char*>(q), reinterpret_cast<const char*>(end_), v,
                                   std::chars_format::general);
    if (r.ec == std::errc::invalid_argument) return false;
    const auto* stop = reinterpret_cast<const uint8_t*>(r.ptr);
    if (r.ec == std::errc::result_out_of_range) {
      // Underflow reads as zero; overflow is not a usable number.
      bool negative_exponent = false;
      for (const uint8_t* e = q; e + 1 < stop; ++e)
        if ((*e == 'e' || *e == 'E') && e[1] == '-') negative_exponent = true;
      if (!negative_exponent) return false;
      v = 0.0;
    }
    p_ = stop;
    out = negative ? -v : v;
    return true;
  }

  // A decimal integer as a C program reads it into a 16-bit int: the
  // digits are read as a long and the value wraps to 16 bits.
  bool int16(int16_t& out) {
    skip_space();
    const uint8_t* q = p_;
    bool negative = false;
    if (q < end_ && (*q == '+' || *q == '-')) {
      negative = *q == '-';
      ++q;
    }
    if (q == end_ || !is_digit(*q)) return false;
    uint64_t v = 0;
    while (q < end_ && is_digit(*q)) {
      if (v <= uint64_t{kIntReadMax}) v = v * 10 + (*q - '0');
      ++q;
    }
    int64_t s = static_cast<int64_t>(std::min<uint64_t>(v, uint64_t{kIntReadMax}));
    if (negative) s = -s;
    p_ = q;
    out = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(s) & 0xffffu));
    return true;
  }

  size_t offset() const { return static_cast<size_t>(p_ - begin_); }

 private:
  void skip_space() {
    while (p_ < end_ && is_space(*p_)) ++p_;
  }
  const uint8_t* begin_;
  const uint8_t* p_;
  const uint8_t* end_;
};

class DxfReader {
 public:
  DxfReader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt)
      : in_(data, size), sink_(sink), meter_(opt.progress, opt.progress_user, size) {}

  int run() {
    bool entities = false;
    for (;;) {
      const std::string_view w = in_.word();
      if (w.empty() || w == "EOF") break;
      meter_.at(in_.offset());
      bool ok = true;
      if (w == "ENTITIES" || w == "BLOCKS") {
        entities = true;
      } else if (w == "ENDSEC") {
        entities = false;
      } else if (w == "POLYLINE") {
        if (entities) ok = polyline();
      } else if (w == "LINE") {
        ok = line();
      } else if (w == "CIRCLE") {
        ok = circle();
      } else if (w == "ARC") {
        ok = arc();
      }
      if (!ok) break;  // the file ended inside an entity or a number was not one
    }
    meter_.finish();
    return added_ ? 1 : 0;
  }

 private:
  gr_curve_style style() const { return pen_style(width_, colour_); }

  // The common groups of LINE, CIRCLE and ARC: colour and width.
  bool common_group(std::string_view w, bool& handled) {
    handled = true;
    if (w == "62") return in_.int16(colour_);
    if (w == "39") return in_.real(width_);
    handled = false;
    return true;
  }

  bool polyline() {
    width_ = 0.0;
    path_.clear();
    int16_t closed = 0;
    for (;;) {
      const std::string_view w = in_.word();
      if (w.empty()) return false;
      if (w == "SEQEND") break;
      if (w == "62") {
        if (!in_.int16(colour_)) return false;
      } else if (w == "40" || w == "41") {
        if (!in_.real(width_)) return false;
      } else if (w == "70") {
        if (!in_.int16(closed)) return false;
      } else if (w == "VERTEX") {
        double x = 0, y = 0;
        if (!skip_to("10") || !in_.real(x)) return false;
        for (;;) {  // up to "20"; a second "10" replaces x
          const std::string_view v = in_.word();
          if (v.empty()) return false;
          if (v == "10") {
            if (!in_.real(x)) return false;
          } else if (v == "20") {
            if (!in_.real(y)) return false;
            break;
          }
        }
        path_.push(x * kInchPerMm, y * kInchPerMm);
      }
    }
    uint32_t n = path_.size();
    if (closed == 0 && n > 0) {
      const gr_cpoint a = path_.at(0), b = path_.at(n - 1);
      if (std::fabs(a.x - b.x) < kSameEndTolerance && std::fabs(a.y - b.y) < kSameEndTolerance) {
        path_.drop_last();
        --n;
        closed = 1;
      }
    }
    if (n >= 2) add(kPolyline, path_.polyline(closed != 0));
    return true;
  }

  bool skip_to(std::string_view target) {
    for (;;) {
      const std::string_view w = in_.word();
      if (w.empty()) return false;
      if (w == target) return true;
    }
  }

  // The groups of a LINE, CIRCLE or ARC up to its last coordinate group:
  // colour and width, and the numbers of the groups in codes, each stored
  // in the matching slot of carried (kept for the next entity of the type)
  // until the last code, whose number goes to last and ends the entity.
  // False when the file ends first or a number is not one.
  template <size_t N>
  bool entity_groups(const std::string_view (&codes)[N], double (&carried)[N - 1], double& last) {
    for (;;) {
      const std::string_view w = in_.word();
      if (w.empty()) return false;
      bool handled;
      if (!common_group(w, handled)) return false;
      if (handled) continue;
      for (size_t i = 0; i + 1 < N; ++i)
        if (w == codes[i] && !in_.real(carried[i])) return false;
      if (w == codes[N - 1]) return in_.real(last);
    }
  }

  void add(int kind, const void* shape) {
    sink_.add(kind, shape, style());
    added_ = true;
  }

  bool line() {
    static constexpr std::string_view kCodes[] = {"10", "20", "11", "21"};
    double y2;
    if (!entity_groups(kCodes, line_, y2)) return false;
    const gr_segment seg{{line_[0] * kInchPerMm, line_[1] * kInchPerMm}, {line_[2] * kInchPerMm, y2 * kInchPerMm}};
    add(kSegment, &seg);
    return true;
  }

  bool circle() {
    static constexpr std::string_view kCodes[] = {"10", "20", "40"};
    double r;
    if (!entity_groups(kCodes, circle_, r)) return false;
    const gr_circle c{{circle_[0] * kInchPerMm, circle_[1] * kInchPerMm}, r * kInchPerMm};
    add(kCircle, &c);
    return true;
  }

  bool arc() {
    static constexpr std::string_view kCodes[] = {"10", "20", "40", "50", "51"};
    double end_deg;
    if (!entity_groups(kCodes, arc_, end_deg)) return false;
    const gr_trcircle a{{arc_[0] * kInchPerMm, arc_[1] * kInchPerMm},
                        arc_[2] * kInchPerMm,
                        arc_[3] * kRadPerDeg,
                        end_deg * kRadPerDeg};
    const fgb_arc rec = make_arc_record(a);
    add(kArc, &rec);
    return true;
  }

  WordCursor in_;
  ElementSink& sink_;
  ProgressMeter meter_;
  PathBuffer path_;
  bool added_ = false;
  int16_t colour_ = 0;  // colour number, carried from entity to entity
  double width_ = 0.0;  // inches as written, carried from entity to entity
  double line_[3] = {0, 0, 0};       // x1, y1, x2 (mm)
  double circle_[2] = {0, 0};        // centre (mm)
  double arc_[4] = {0, 0, 0, 0};     // centre, radius (mm), start angle (degrees)
};

}  // namespace

int read_dxf(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  DxfReader reader(data, size, sink, opt);
  return reader.run();
}

}  // namespace fgb::conv
