// Internals shared by the readers and writers of the exchange formats.
//
// Readers take the whole file as (data, size) and emit elements into an
// ElementSink; they never touch a document, a file or a device. Writers take
// one page of elements at a time and append text to an OutBuf. The
// dispatcher (dispatcher.cpp) joins both ends to MainDB and to files.
//
// Invariants every reader keeps, whatever the bytes:
//  - it reads only inside [data, data + size) and finishes in time linear in
//    size (no step re-reads input, no loop runs without consuming input or
//    adding a bounded amount of output);
//  - memory grows at most in proportion to size (points of open paths), with
//    a fixed bound on anything a number in the file could inflate;
//  - every number it hands on is finite.
#ifndef FGB_CONVERT_CONVERT_P_H
#define FGB_CONVERT_CONVERT_P_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <fgb/convert/convert.h>
#include <fgb/fgb_db.h>
#include <geomkit/gr_bez.h>
#include <geomkit/gr_circle.h>
#include <geomkit/gr_poly.h>
#include <geomkit/gr_style.h>
#include <geomkit/gr_types.h>

namespace fgb::conv {

// ---- element kinds and records ---------------------------------------------

// The element store's kind codes, under the converters' names.
enum ElementKind : int {
  kPolyline = FGB_POLYLINE,
  kPolylines = FGB_POLYLINES,
  kThickPolyline = FGB_THICK_POLYLINE,
  kArc = FGB_ARC,
  kSegment = FGB_SEGMENT,
  kCircle = FGB_CIRCLE,
  kBezier = FGB_BEZIER,
  kFlash = FGB_FLASH,
};

// An arc element's record, its leading fields set as every producer sets them.
fgb_arc make_arc_record(const gr_trcircle& arc) noexcept;
inline gr_trcircle arc_of_record(const void* record) noexcept {
  return static_cast<const fgb_arc*>(record)->arc;
}

// ---- pens, colours and styles ------------------------------------------------

// The shared pen palette: pen number -> colour (numbers outside 0..9 black).
gr_rgbcol pen_colour(int pen) noexcept;
// A solid line style of the given width (inches) and palette colour.
gr_curve_style pen_style(double width, int pen) noexcept;

// ---- the sink readers emit into -----------------------------------------------

// Receives the elements of a file in file order. shape points to the record
// of the kind (gr_polyline, gr_segment, gr_circle, arc record, gr_cpoint);
// it is valid only during the call.
class ElementSink {
 public:
  virtual ~ElementSink() = default;
  virtual void add(int kind, const void* shape, const gr_curve_style& style) = 0;
  // An element with a fill style of its own (metafile polygons take the
  // brush in force); sinks that keep no fill get the plain add.
  virtual void add_filled(int kind, const void* shape, const gr_curve_style& style,
                          const gr_fill_area_style& fill) {
    (void)fill;
    add(kind, shape, style);
  }
};

// ---- progress ------------------------------------------------------------------

// Calls the request's progress function with the share of work done, at most
// a couple of hundred times per operation, and only for work big enough to
// be noticed.
class ProgressMeter {
 public:
  ProgressMeter(fgb_progress_fn fn, void* user, uint64_t total) noexcept;
  // Cheap enough for inner loops: one comparison unless a report is due.
  void at(uint64_t done) noexcept {
    if (done >= next_) report(done);
  }
  void finish() noexcept;

 private:
  void report(uint64_t done) noexcept;
  fgb_progress_fn fn_;
  void* user_;
  uint64_t total_;
  uint64_t step_;
  uint64_t next_;
};

// ---- reading -----------------------------------------------------------------

struct ReadOptions {
  const float* apertures = nullptr;  // sizes (inches) by D-code, or null: all 0
  int aperture_count = 0;            // entries of apertures
  int layer = 0;                     // board layer to read (PCAD boards); -1 reads every position
  gr_ctrans transform{0.0, 0.0, 1.0, 0.0, 1.0, 1, 1};  // metafiles: logical units -> inches
  fgb_progress_fn progress = nullptr;
  void* progress_user = nullptr;
};

// Each returns 1 when at least one element was added, 0 otherwise.
using ReadFn = int (*)(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_hpgl(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_dxf(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_gerber(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_cutter(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_ai(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_pcad_plot(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_pcad_board(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
// The bits a metafile handle holds: the standard header, then the records.
int read_wmf(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
// A metafile file's bytes, placeable or plain, loaded as the program loads
// them and then read as read_wmf does (fuzzers, tests, benchmarks).
int read_wmf_file(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);

// Points of the path being read, kept in the layout of a gr_polyline (an
// 8-byte head, then the points) so that finishing a path hands the record
// on without another copy. Grows geometrically: a path of n points costs
// O(n) however long it gets.
class PathBuffer {
 public:
  PathBuffer();
  void clear() noexcept { n_ = 0; }
  uint32_t size() const noexcept { return n_; }
  bool empty() const noexcept { return n_ == 0; }
  void push(double x, double y) {
    if (n_ == cap_) grow();
    double* p = store_.get() + 1 + 2 * static_cast<size_t>(n_);
    p[0] = x;
    p[1] = y;
    ++n_;
  }
  gr_cpoint at(uint32_t i) const noexcept {
    const double* p = store_.get() + 1 + 2 * static_cast<size_t>(i);
    return gr_cpoint{p[0], p[1]};
  }
  void set(uint32_t i, gr_cpoint pt) noexcept {
    double* p = store_.get() + 1 + 2 * static_cast<size_t>(i);
    p[0] = pt.x;
    p[1] = pt.y;
  }
  void drop_last() noexcept {
    if (n_) --n_;
  }
  // The path as a polyline record (valid until the next push or clear).
  const gr_polyline* polyline(bool closed) noexcept;
  // The points as a composite Bezier record (same validity).
  const gr_bezier* bezier() noexcept;

 private:
  void grow();
  std::unique_ptr<double[]> store_;  // [head][x0 y0][x1 y1]...
  uint32_t n_ = 0;
  uint32_t cap_ = 0;
};

// Ends a path the way every reader does: 3 or more points make a polyline,
// closed when the first and last points are exactly equal; 2 points make a
// segment; fewer make nothing. Returns 1 when an element was added.
int emit_path(PathBuffer& path, ElementSink& sink, const gr_curve_style& style);

// ---- numbers -----------------------------------------------------------------

// A coordinate read back from a file is often a hair below the integer it
// came from (290 thousandths read as 0.29 inch, times 1000, is
// 289.99999999999997). Truncating toward zero would then move the point by a
// unit on every save. The slack pushes such values past the integer before
// truncating: 1e-7 of a file unit is far below any unit a plotter resolves,
// and the relative part (about 4.5 ulps) covers the rounding of a read and a
// scaling up to magnitudes of 10^11 units. It is capped well below a unit:
// beyond 2^52 every double is an integer and nothing needs correcting.
constexpr double kTruncSlack = 1e-7;
constexpr double kTruncRelSlack = 1e-15;
constexpr double kTruncSlackMax = 1e-3;

// trunc(v) toward zero after the slack, saturated to the result's range;
// NaN gives 0.
template <typename Int>
inline Int trunc_slack(double v) noexcept {
  if (v != v) return 0;
  const double a = v < 0 ? -v : v;
  double slack = kTruncSlack + a * kTruncRelSlack;
  if (slack > kTruncSlackMax) slack = kTruncSlackMax;
  const double corrected = v < 0 ? v - slack : v + slack;
  // The bounds are powers of two, exact as doubles.
  constexpr double hi = -static_cast<double>(std::numeric_limits<Int>::min());
  if (corrected >= hi) return std::numeric_limits<Int>::max();
  if (corrected <= -hi) return std::numeric_limits<Int>::min();
  return static_cast<Int>(corrected);
}
inline int64_t trunc_file_unit(double v) noexcept { return trunc_slack<int64_t>(v); }
inline int32_t trunc_file_unit32(double v) noexcept { return trunc_slack<int32_t>(v); }

// Integer scanning shared by the readers: digits as the C library reads
// them into a 32-bit long, saturating instead of overflowing.
constexpr int64_t kIntReadMax = 2147483647;
constexpr int64_t kIntReadMin = -2147483647 - 1;

// Up to eight digits at once (the coordinates of plotter and photoplotter
// files have four to six): the number of leading digits among the eight
// bytes at p (the caller makes sure there are eight), and their value when
// there are 1 to 7 or exactly 8.
//
// A byte b is a digit when neither b + 0x46 (b > '9') nor b - 0x30 (b < '0')
// sets its top bit. Carries and borrows only leave a byte at one that is no
// digit, so they can only spoil bytes after the first non-digit. The value:
// the digits shifted to the top of the word (as if led by zeros), then
// pairs, fours and eights of digits combined by multiplication.
inline uint64_t load_le64(const uint8_t* p) {
  uint64_t w = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&w, p, sizeof w);
  } else {
    for (int i = 7; i >= 0; --i) w = (w << 8) | p[i];
  }
  return w;
}

inline uint32_t leading_digits(const uint8_t* p, uint64_t& value) {
  const uint64_t w = load_le64(p);
  const uint64_t not_digit = ((w + 0x4646464646464646u) | (w - 0x3030303030303030u)) & 0x8080808080808080u;
  const auto n = static_cast<uint32_t>(not_digit ? std::countr_zero(not_digit) / 8 : 8);
  if (n == 0) return 0;
  uint64_t d = (w - 0x3030303030303030u) << (8 * (8 - n));
  d = d * 10 + (d >> 8);
  d = ((d & 0x000000FF000000FFu) * (100 + (1000000ull << 32)) +
       ((d >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32))) >> 32;
  value = d;
  return n;
}

// ---- writing -----------------------------------------------------------------

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
  void integer(int64_t v);              // "%ld" / "%d"
  // prefix, a, sep, b, suffix in one go ("PD%ld,%ld;", "X%ldY%ld*"): the
  // writers' innermost step. prefix and suffix hold no line feed.
  void pair(std::string_view prefix, int64_t a, char sep, int64_t b, std::string_view suffix);
  void fixed(double v, int precision);  // "%f" is precision 6; "%6.5f" is precision 5
  // Room for n bytes (at most kOutBufReserveMax) to write in place, without
  // line feeds; commit(end) then takes them up to end.
  char* reserve(size_t n) { return room(n); }
  void commit(char* end) { len_ = static_cast<size_t>(end - buf_.get()); }
  // Drains what is buffered; false when any drain so far failed.
  bool finish();
  bool ok() const noexcept { return ok_; }
  uint64_t bytes_out() const noexcept { return total_ + len_; }

 private:
  char* room(size_t n);
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
    const uint32_t n = 1u + (u >= 10) + (u >= 100) + (u >= 1000) + (u >= 10000);
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

// Formats v like printf("%.*f", precision, v) in the C locale into out
// (room for kFixedMax chars); returns the end.
constexpr size_t kFixedMax = 400;
char* format_fixed(char* out, double v, int precision) noexcept;

// One element of a page as the writers see it.
struct Element {
  int kind;
  const void* shape;  // the record of the kind, 8-byte aligned
  gr_curve_style style;
};

// The elements of one page, visited once in order.
class Page {
 public:
  virtual ~Page() = default;
  // The next element; false after the last. e.shape stays valid until the
  // next call.
  virtual bool next(Element& e) = 0;
};

// A page over elements the caller holds (tests, fuzzers, benchmarks).
class ElementSpan final : public Page {
 public:
  explicit ElementSpan(std::span<const Element> elems) : elems_(elems) {}
  bool next(Element& e) override {
    if (at_ == elems_.size()) return false;
    e = elems_[at_++];
    return true;
  }

 private:
  std::span<const Element> elems_;
  size_t at_ = 0;
};

// The context shared by the HPGL, Gerber and Gerber-cutter writers for all
// pages of one conversion.
struct WriterContext {
  uint8_t optimise = 0;        // HPGL: order paths and estimate the time
  int32_t bezier_density = 12; // points per Bezier piece when flattening
  int16_t layer_or_flag = 0;   // handed through, not used
  float elapsed_time = -1.0f;  // estimated plotting time (s); writers may replace it
  OutBuf* file = nullptr;
  // Working memory the optimised HPGL writer keeps from one page to the next.
  std::shared_ptr<void> order_memory;
};

// The DXF writer's own context.
struct DxfContext {
  const char* path = nullptr;
  int32_t variant = 0;  // non-zero leaves segments out
  int32_t bezier_density = 12;
  OutBuf* file = nullptr;
};

// One call per page. Each returns normally; output errors show in OutBuf.
void write_hpgl_page(Page& page, WriterContext& ctx);
void write_gerber_page(Page& page, WriterContext& ctx, const float* sorted_apertures, int count);
void write_cutter_page(Page& page, WriterContext& ctx, const float* sorted_apertures, int count);
void write_dxf_page(Page& page, DxfContext& ctx);

// Headers and trailers the dispatcher frames a written file with.
extern const char kHpglTrailer[];
extern const char kGerberTrailer[];
extern const char kDxfHeader[];
extern const char kDxfTrailer[];
extern const char kCutterTrailer[];

// Flattening shared by the writers. Each fills pts (reused between calls).
// An arc as n + 1 points from its start to its end, counter-clockwise.
void arc_points(const gr_trcircle& arc, int n, std::vector<gr_cpoint>& pts);
// A circle as n + 1 points from angle 0 to 2 pi.
void circle_points(const gr_circle& circle, int n, std::vector<gr_cpoint>& pts);
// A Bezier element flattened with the context's density; false when it has
// no complete piece (nothing is written then).
bool bezier_points(const gr_bezier* bez, int density, std::vector<gr_cpoint>& pts);

// The writers flatten arcs and circles into this many segments.
constexpr int kWriterArcSegments = 40;

}  // namespace fgb::conv

#endif
