// Adobe Illustrator reader: the path geometry of an Illustrator file (a
// PostScript text whose path operators stand one to a line), as composite
// cubic Bezier elements in green, width 0.
//
// The body starts after the line whose first word is "%%EndSetup"; a file
// without one (an EPS of the first Illustrator versions, wrapped) is read
// from after its "%%EndProlog" line, and the report says so. The body ends
// at "%AI9_PrivateDataBegin", after which later versions keep a second,
// private copy of the artwork.
//
// Paths. "x y m" starts a path; inside a path, in this order:
//   "x1 y1 x2 y2 x3 y3 c" (or "C") appends the three points;
//   a line whose first character is one of S s f F B b paints the path,
//     which ends it: with more than one point it becomes an element. The
//     operators s, f, F, b and B close the path (s and b by closing it,
//     F, f, B and b by filling it): a path whose last point is not its
//     first gets its closing piece. S leaves it open, and so do longer
//     words of these letters (stroke, fill);
//   "x y l" (or "L") appends a straight piece as a cubic whose control
//     points sit on its ends: previous point, new point, new point. The
//     previous point is the path's last point, so a line after a curve
//     starts where the curve ends;
//   "x2 y2 x3 y3 v" (or "V") appends a curve whose first control point is
//     the previous point, "x1 y1 x3 y3 y" (or "Y") one whose second is its
//     end;
//   any other line is skipped ("h" adds no closing piece).
// A path still open at the end of the file is dropped.
//
// Later versions print their artwork with other operators (mo, li, cv, cp;
// painted by f, ef or @; clipping paths clp, eclp, nclp and np not drawn),
// several subpaths to a path, in a page frame they set up first ("1 -1 scale
// 0 -h translate"). Such paths are read with those operators, each subpath
// an element. Lines made only of numbers and translate, scale, concat (ct),
// gsave and grestore change the frame for the points after them, in either
// kind of file.
//
// Coordinates are PostScript points through that frame; y is not flipped.
// A line with a number that reads as infinite or NaN ("inf", "nan", 1e999)
// matches none of the rules above and is skipped like any other line that
// does not scan: such a point has no place in a drawing.
#include "convert/ai_scan_p.h"
#include "convert/sink_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/report_p.h"
#include "convert/path_p.h"

#include <cmath>
#include <vector>

namespace fgb::conv {

namespace {

constexpr double kInchPerPoint = 0.013900472616068946784;  // 1 / 71.94
constexpr double kPathWidth = 0.0;
constexpr int kPathPen = 3;  // green
constexpr std::string_view kSetupEnd = "%%EndSetup";
constexpr std::string_view kPrologEnd = "%%EndProlog";
constexpr std::string_view kPrivateData = "%AI9_PrivateDataBegin";
constexpr size_t kSetupWordWidth = 10;  // the first word is read with "%10s"
// gsave keeps at most this many frames; deeper ones are not kept.
constexpr size_t kMaxSavedFrames = 64;

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

// The painting operators that close the path they paint.
bool closes(std::string_view op) { return op == "s" || op == "f" || op == "F" || op == "b" || op == "B"; }

// x' = a x + c y + e, y' = b x + d y + f: PostScript's [a b c d e f].
struct Frame {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  // The frame after m: p -> this(m(p)), as concat does.
  Frame then(const Frame& m) const {
    return Frame{a * m.a + c * m.b, b * m.a + d * m.b,     a * m.c + c * m.d,
                 b * m.c + d * m.d, a * m.e + c * m.f + e, b * m.e + d * m.f + f};
  }
  bool identity() const { return a == 1 && b == 0 && c == 0 && d == 1 && e == 0 && f == 0; }
};

class AiReader {
 public:
  AiReader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt)
      : lines_(data, size),
        sink_(sink),
        meter_(opt.progress, opt.progress_user, size),
        report_(opt.report, data, size, true) {}

  int run() {
    report_.units("PostScript points (1/71.94 inch)", kInchPerPoint);
    report_.dialect("Adobe Illustrator");
    if (find_body()) {
      while (find_path_start() && (agm_ ? read_agm_path() : read_path())) {
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

  // True once the end of the setup (or, without one, of the prolog) has
  // been passed.
  bool find_body() {
    std::string_view line;
    size_t prolog_end = 0;
    bool prolog = false, pdf = false;
    while (next(line)) {
      if (ai::first_word(line, kSetupWordWidth) == kSetupEnd) return true;
      if (!prolog && ai::first_word(line, kPrologEnd.size()) == kPrologEnd) {
        prolog = true;
        prolog_end = lines_.offset();
      }
      pdf = pdf || line.substr(0, 5) == "%PDF-";
    }
    if (!prolog) {
      if (pdf) report_.dialect("PDF (Illustrator 9 or later): not read");
      return false;
    }
    report_.dialect("Illustrator, body after %%EndProlog");
    report_.add(kPrologEnd, FGB_REPORT_NOTE, prolog_end);
    lines_.seek(prolog_end);
    return true;
  }

  // A line of numbers and frame operators: applies it and returns true.
  bool frame_line(std::string_view line) {
    // Such a line ends with one of the operators: most lines are told apart
    // by their last word alone.
    size_t last = line.size();
    while (last > 0 && ai::is_space(line[last - 1])) --last;
    if (last == 0 || (line[last - 1] != 'e' && line[last - 1] != 't')) return false;  // the usual case
    size_t first = last;
    while (first > 0 && !ai::is_space(line[first - 1]) && line[first - 1] != ']') --first;
    const std::string_view tail = line.substr(first, last - first);
    if (tail != "scale" && tail != "translate" && tail != "concat" && tail != "ct" && tail != "gsave" &&
        tail != "grestore")
      return false;
    double stack[6];
    int n = 0;
    Frame f = frame_;
    bool any = false;
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (ai::is_space(line[i]) || line[i] == '[' || line[i] == ']')) ++i;
      if (i == line.size()) break;
      size_t j = i;
      while (j < line.size() && !ai::is_space(line[j]) && line[j] != '[' && line[j] != ']') ++j;
      const std::string_view w = line.substr(i, j - i);
      i = j;
      const char* p = w.data();
      double v;
      if (ai::scan_float(p, w.data() + w.size(), v) && p == w.data() + w.size()) {
        if (!std::isfinite(v) || n == 6) return false;
        stack[n++] = v;
        continue;
      }
      if (w == "dup" && n > 0 && n < 6) {
        stack[n] = stack[n - 1];
        ++n;
      } else if (w == "scale" && n >= 2) {
        f = f.then(Frame{stack[n - 2], 0, 0, stack[n - 1], 0, 0});
        n -= 2;
      } else if (w == "translate" && n >= 2) {
        f = f.then(Frame{1, 0, 0, 1, stack[n - 2], stack[n - 1]});
        n -= 2;
      } else if ((w == "concat" || w == "ct") && n >= 6) {
        f = f.then(Frame{stack[0], stack[1], stack[2], stack[3], stack[4], stack[5]});
        n = 0;
      } else if (w == "gsave" && n == 0) {
        if (saved_.size() < kMaxSavedFrames) saved_.push_back(f);
      } else if (w == "grestore" && n == 0) {
        if (!saved_.empty()) {
          f = saved_.back();
          saved_.pop_back();
        }
      } else {
        return false;
      }
      any = true;
    }
    if (!any || n != 0) return false;
    if (!f.identity() && !(f.a == frame_.a && f.b == frame_.b && f.c == frame_.c && f.d == frame_.d &&
                           f.e == frame_.e && f.f == frame_.f))
      report_.add("page frame", FGB_REPORT_NOTE, lines_.offset());
    frame_ = f;
    plain_frame_ = f.identity();
    return true;
  }

  // True with the path's first point stored; false at the end of the body.
  bool find_path_start() {
    std::string_view line;
    double v[2];
    char after[2];
    size_t rest;
    while (next(line)) {
      // "%f %f %1s" giving three items, the third "m".
      if (ai::scan_numbers(line, 2, v, after, rest) == 2 && after[1] == 'm' && all_finite(v, 2)) {
        agm_ = rest + 1 < line.size() && line[rest + 1] == 'o' && ai::word_at(line.substr(rest)) == "mo";
        if (agm_) report_.dialect("Illustrator 9 or later, printing data");
        path_.clear();
        starts_.assign(1, 0);
        push(v[0], v[1]);
        return true;
      }
      if (line.substr(0, kPrivateData.size()) == kPrivateData) {
        report_.add(kPrivateData, FGB_REPORT_NOTE, lines_.offset());
        return false;
      }
      // Frame lines end with their operator (translate, scale, concat,
      // ct, gsave, grestore); most lines are told apart by the last byte.
      if (!line.empty() && (line.back() == 'e' || line.back() == 't' || ai::is_space(line.back())))
        frame_line(line);
    }
    return false;
  }

  // Adds the path (one composite Bezier element), closed by a last piece
  // back to its first point when asked and not there already.
  void emit(PathBuffer& path, bool closed) {
    if (path.size() <= 1) return;
    if (closed) close(path, 0);
    sink_.add(kBezier, path.bezier(), pen_style(kPathWidth, kPathPen));
    added_ = true;
  }

  // A straight closing piece from the last point back to point `first`.
  static void close(PathBuffer& path, uint32_t first) {
    const gr_cpoint a = path.at(first), b = path.at(path.size() - 1);
    if (path.size() - first > 1 && (a.x != b.x || a.y != b.y)) {
      path.push(b.x, b.y);
      path.push(a.x, a.y);
      path.push(a.x, a.y);
    }
  }

  // Reads the path up to its painting operator and adds it; false at the
  // end of the file (the open path is dropped).
  bool read_path() {
    std::string_view line;
    double v[6];
    char after[6];
    while (next(line)) {
      // One scan serves "%f %f %f %f %f %f %1s", "%f %f %f %f %1s" and "%f %f %1s".
      const int n = ai::scan_numbers(line, 6, v, after);
      if (n == 6 && (after[5] == 'c' || after[5] == 'C') && all_finite(v, 6)) {
        push(v[0], v[1]);
        push(v[2], v[3]);
        push(v[4], v[5]);
      } else if (paints(line)) {
        emit(path_, closes(ai::word_at(line)));
        path_.clear();
        return true;
      } else if (n >= 2 && (after[1] == 'l' || after[1] == 'L') && all_finite(v, 2)) {
        const gr_cpoint previous = path_.at(path_.size() - 1);
        path_.push(previous.x, previous.y);
        push(v[0], v[1]);
        push(v[0], v[1]);
      } else if (n == 4 && (after[3] == 'v' || after[3] == 'V' || after[3] == 'y' || after[3] == 'Y') &&
                 all_finite(v, 4)) {
        if (after[3] == 'v' || after[3] == 'V') {
          const gr_cpoint previous = path_.at(path_.size() - 1);
          path_.push(previous.x, previous.y);
          push(v[0], v[1]);
        } else {
          push(v[0], v[1]);
          push(v[2], v[3]);
        }
        push(v[2], v[3]);
      }
    }
    return false;
  }

  // A path of the later operators, up to the operator that paints or
  // discards it; each subpath an element. False at the end of the file.
  bool read_agm_path() {
    std::string_view line;
    double v[6];
    char after[6];
    size_t rest;
    while (next(line)) {
      const int n = ai::scan_numbers(line, 6, v, after, rest);
      const std::string_view op = ai::word_at(line.substr(rest));
      if (n == 6 && op == "cv" && all_finite(v, 6)) {
        reopen();
        push(v[0], v[1]);
        push(v[2], v[3]);
        push(v[4], v[5]);
      } else if (n == 2 && op == "li" && all_finite(v, 2)) {
        reopen();
        const gr_cpoint previous = path_.at(path_.size() - 1);
        path_.push(previous.x, previous.y);
        push(v[0], v[1]);
        push(v[0], v[1]);
      } else if (n == 2 && op == "mo" && all_finite(v, 2)) {
        starts_.push_back(path_.size());
        push(v[0], v[1]);
        closed_ = false;
      } else if (n == 0 && op == "cp") {
        close(path_, starts_.back());
        closed_ = true;
      } else if (n == 0 && (op == "f" || op == "ef" || op == "F" || op == "@" || op == "S" || op == "s" ||
                            op == "b" || op == "B")) {
        const bool fill = op != "@" && op != "S";
        for (size_t k = 0; k < starts_.size(); ++k) {
          const uint32_t end = k + 1 < starts_.size() ? starts_[k + 1] : path_.size();
          one_.clear();
          for (uint32_t i = starts_[k]; i < end; ++i) one_.push(path_.at(i).x, path_.at(i).y);
          emit(one_, fill);
        }
        return true;
      } else if (n == 0 &&
                 (op == "clp" || op == "eclp" || op == "nclp" || op == "np" || op == "n" || op == "N")) {
        if (op != "np") report_.add(op, FGB_REPORT_SKIPPED, lines_.offset());
        return true;
      } else if (n == 0) {
        frame_line(line);
      }
    }
    return false;
  }

  // After cp, drawing goes on from the closed subpath's start, as a new one.
  void reopen() {
    if (!closed_) return;
    const gr_cpoint start = path_.at(starts_.back());
    starts_.push_back(path_.size());
    path_.push(start.x, start.y);
    closed_ = false;
  }

  // Appends a point given in PostScript points, through the frame.
  void push(double x, double y) {
    if (plain_frame_) {
      path_.push(x * kInchPerPoint, y * kInchPerPoint);
      return;
    }
    const double px = frame_.a * x + frame_.c * y + frame_.e, py = frame_.b * x + frame_.d * y + frame_.f;
    path_.push(px * kInchPerPoint, py * kInchPerPoint);
  }

  ai::LineReader lines_;
  ElementSink& sink_;
  ProgressMeter meter_;
  Reporter report_;
  PathBuffer path_;
  PathBuffer one_;                // one subpath of a path of the later operators
  std::vector<uint32_t> starts_;  // where each subpath of path_ starts
  Frame frame_;
  bool plain_frame_ = true;  // frame_ is the identity
  std::vector<Frame> saved_;
  bool agm_ = false;     // the path being read uses the later operators
  bool closed_ = false;  // its last subpath was closed by cp
  bool added_ = false;
};

}  // namespace

int read_ai(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  AiReader reader(data, size, sink, opt);
  return reader.run();
}

}  // namespace fgb::conv
