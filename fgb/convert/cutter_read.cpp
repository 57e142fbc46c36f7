// Gerber-cutter reader: the Gerber dialect of knife cutters. The knife is
// lowered with M14 (which starts a cut at the current position) and raised
// with M15 (which ends it); X and Y move it, in integer thousandths of an
// inch, or hundredths when the caller says so (most cutter software writes
// hundredths: ReadOptions::cutter_units). A and B raise and lower the knife
// without starting or ending a cut.
//
// Words of a block (M, X, Y, H, Q, N, A, B, D with digits, at most five) are
// obeyed from the last to the first. M, X and Y are obeyed only after an M
// word or a word numbered 70 has been read. A block with both X and Y cuts
// to the point once both are set; one coordinate alone only moves.
#include "convert/blocks_p.h"
#include "convert/sink_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/path_p.h"
#include "convert/report_p.h"

namespace fgb::conv {

namespace {

constexpr int kMaxWords = 5;
constexpr double kCutWidth = 0.012;
constexpr int kCutPen = 0;

inline bool cutter_letter(uint8_t c) {
  switch (c) {
    case 'M':
    case 'X':
    case 'Y':
    case 'H':
    case 'Q':
    case 'N':
    case 'A':
    case 'B':
    case 'D': return true;
    default: return false;
  }
}

class CutterReader {
 public:
  CutterReader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt)
      : in_(data, size),
        sink_(sink),
        meter_(opt.progress, opt.progress_user, size),
        rep_(opt.report, data, size, true),
        inch_per_unit_(opt.cutter_units == 100 ? 0.01 : 0.001) {}

  int run() {
    const auto on_word = [this](const Word& w) {
      if (w.letter == 'M' || w.number == 70) enabled_ = true;
    };
    in_.obey_all<kMaxWords>(cutter_letter, on_word, meter_,
                            [this](const Block<kMaxWords>& b) { return obey(b); });
    // A cut still open here is dropped: files end with "M15*M0*".
    rep_.dialect("Gerber-cutter");
    rep_.units(inch_per_unit_ == 0.01 ? "1/100 inch" : "1/1000 inch", inch_per_unit_);
    return added_ ? 1 : 0;
  }

 private:
  void end_cut() {
    if (emit_path(path_, sink_, pen_style(kCutWidth, kCutPen))) added_ = true;
    path_.clear();
    cut_open_ = false;
  }

  // False when M00 stops reading.
  bool obey(const Block<kMaxWords>& b) {
    bool coordinate_seen = false;
    for (int i = b.count - 1; i >= 0; --i) {
      const Word& w = b.words[i];
      switch (w.letter) {
        case 'A': knife_up_ = true; break;
        case 'B': knife_up_ = false; break;
        case 'M':
          if (!enabled_) break;
          if (w.number == 0) return false;
          if (w.number == 14) {
            knife_up_ = false;
            if (!cut_open_) {
              path_.clear();
              path_.push(x_ * inch_per_unit_, y_ * inch_per_unit_);
              cut_open_ = true;
            }
          } else if (w.number == 15) {
            knife_up_ = true;
            end_cut();
          }
          break;
        case 'X':
        case 'Y':
          if (!enabled_) break;
          (w.letter == 'X' ? x_ : y_) = w.number;
          if (coordinate_seen && !knife_up_) path_.push(x_ * inch_per_unit_, y_ * inch_per_unit_);
          coordinate_seen = true;
          break;
        default: break;
      }
    }
    return true;
  }

  BlockScanner in_;
  ElementSink& sink_;
  ProgressMeter meter_;
  Reporter rep_;
  double inch_per_unit_;
  PathBuffer path_;
  bool enabled_ = false;
  bool knife_up_ = true;
  bool cut_open_ = false;
  bool added_ = false;
  int32_t x_ = 0, y_ = 0;  // position, thousandths
};

}  // namespace

int read_cutter(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  CutterReader reader(data, size, sink, opt);
  return reader.run();
}

}  // namespace fgb::conv
