// Adobe Illustrator reader: the path geometry of an Illustrator file (a
// PostScript text whose path operators stand one to a line), as composite
// cubic Bezier elements in green, width 0.
//
// Nothing is read before the line whose first word is "%%EndSetup". After
// it, "x y m" starts a path; inside a path, in this order:
//   "x1 y1 x2 y2 x3 y3 c" (or "C") appends the three points;
//   a line whose first character is one of S s f F B b paints the path,
//     which ends it: with more than one point it becomes an element;
//   "x y l" (or "L") appends a straight piece as a cubic whose control
//     points sit on its ends: previous point, new point, new point. The
//     previous point is the path's last point, so a line after a curve
//     starts where the curve ends;
//   any other line is skipped ("h" adds no closing piece).
// A path still open at the end of the file is dropped. Coordinates are
// PostScript points; y is not flipped.
//
// A line with a number that reads as infinite or NaN ("inf", "nan", 1e999)
// matches none of the rules above and is skipped like any other line that
// does not scan: such a point has no place in a drawing.
#include "convert/ai_scan_p.h"
#include "convert/sink_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/path_p.h"

#include <cmath>

namespace fgb::conv {

namespace {

constexpr double kInchPerPoint = 0.013900472616068946784;  // 1 / 71.94
constexpr double kPathWidth = 0.0;
constexpr int kPathPen = 3;  // green
constexpr std::string_view kSetupEnd = "%%EndSetup";
constexpr size_t kSetupWordWidth = 10;  // the first word is read with "%10s"

bool all_finite(const double* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

bool paints(std::string_view line) {
  for (char c : line) {
    if (ai::is_space(c)) continue;
    return c == 'S' || c == 's' || c == 'f' || c == 'F' || c == 'B' || c == 'b';
  }
  return false;
}

class AiReader {
 public:
  AiReader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt)
      : lines_(data, size), sink_(sink), meter_(opt.progress, opt.progress_user, size) {}

  int run() {
    if (skip_setup()) {
      while (find_path_start() && read_path()) {
      }
    }
    meter_.finish();
    return added_ ? 1 : 0;
  }

 private:
  bool next(std::string_view& line) {
    if (!lines_.next(line)) return false;
    meter_.at(lines_.offset());
    return true;
  }

  // True once the end of the setup has been passed.
  bool skip_setup() {
    std::string_view line;
    while (next(line))
      if (ai::first_word(line, kSetupWordWidth) == kSetupEnd) return true;
    return false;
  }

  // True with the path's first point stored; false at the end of the file.
  bool find_path_start() {
    std::string_view line;
    double v[2];
    char after[2];
    while (next(line)) {
      // "%f %f %1s" giving three items, the third "m".
      if (ai::scan_numbers(line, 2, v, after) == 2 && after[1] == 'm' && all_finite(v, 2)) {
        path_.clear();
        push(v[0], v[1]);
        return true;
      }
    }
    return false;
  }

  // Reads the path up to its painting operator and adds it; false at the
  // end of the file (the open path is dropped).
  bool read_path() {
    std::string_view line;
    double v[6];
    char after[6];
    while (next(line)) {
      // One scan serves both "%f %f %f %f %f %f %1s" and "%f %f %1s".
      const int n = ai::scan_numbers(line, 6, v, after);
      if (n == 6 && (after[5] == 'c' || after[5] == 'C') && all_finite(v, 6)) {
        push(v[0], v[1]);
        push(v[2], v[3]);
        push(v[4], v[5]);
      } else if (paints(line)) {
        if (path_.size() > 1) {
          sink_.add(kBezier, path_.bezier(), pen_style(kPathWidth, kPathPen));
          added_ = true;
        }
        path_.clear();
        return true;
      } else if (n >= 2 && (after[1] == 'l' || after[1] == 'L') && all_finite(v, 2)) {
        const gr_cpoint previous = path_.at(path_.size() - 1);
        path_.push(previous.x, previous.y);
        push(v[0], v[1]);
        push(v[0], v[1]);
      }
    }
    return false;
  }

  // Appends a point given in PostScript points.
  void push(double x, double y) { path_.push(x * kInchPerPoint, y * kInchPerPoint); }

  ai::LineReader lines_;
  ElementSink& sink_;
  ProgressMeter meter_;
  PathBuffer path_;
  bool added_ = false;
};

}  // namespace

int read_ai(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  AiReader reader(data, size, sink, opt);
  return reader.run();
}

}  // namespace fgb::conv
