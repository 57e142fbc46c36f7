// Gerber (RS-274) reader: draws, moves and flashes in integer thousandths of
// an inch, apertures chosen by D-code and sized from the apertures table.
// Files with an extended header (format, units, apertures) or with arcs and
// regions go to the extended reader (gerber_ext.cpp); this one reads the
// rest, passing parameter blocks and other G-codes over.
//
// Mended against the reader it follows: signed coordinates are read (the
// blocks that held them used to be dropped, and whole parts of boards with
// them); D03 without coordinates flashes at the current point; a draw still
// open at M02 or at the end of the file is kept.
//
// Words of a block (G, M, D, X, Y with digits, at most six) are obeyed from
// the last to the first. Nothing but G54 is obeyed until a G word or a word
// numbered 54 has been read. A draw's points are the positions before each
// exposed move plus the position reached when the draw ends (D02 or D03).
#include "convert/blocks_p.h"
#include "convert/gerber_ext_p.h"
#include "convert/report_p.h"
#include "convert/sink_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/path_p.h"

#include <cmath>

namespace fgb::conv {

namespace {

constexpr double kInchPerUnit = 0.001;
constexpr int kMaxWords = 6;
// Aperture size (inches) to pen, tested in this order; |size - v| < 0.001.
constexpr double kSizeMatch = 0.001;
constexpr struct {
  double size;
  int pen;
} kSizePens[] = {{0.012, 2}, {0.025, 3}, {0.039, 4}, {0.011, 9}};
constexpr int kOtherSizePen = 1;
constexpr int kFlashPen = 1;

}  // namespace

int gerber::pen_of_size(double size) {
  for (const auto& row : kSizePens)
    if (std::fabs(size - row.size) < kSizeMatch) return row.pen;
  return kOtherSizePen;
}

namespace {

using gerber::pen_of_size;

inline bool gerber_letter(uint8_t c) { return c == 'G' || c == 'M' || c == 'D' || c == 'X' || c == 'Y'; }

class GerberReader {
 public:
  GerberReader(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt)
      : in_(data, size),
        sink_(sink),
        opt_(opt),
        meter_(opt.progress, opt.progress_user, size),
        rep_(opt.report, data, size, true) {}

  int run() {
    const auto on_word = [this](const Word& w) {
      if (w.letter == 'G' || w.number == 54) enabled_ = true;
    };
    in_.obey_all<kMaxWords, true>(gerber_letter, on_word, meter_,
                                  [this](const Block<kMaxWords>& b) { return obey(b); });
    // A draw still open at M02 or at the end is kept: its outline was meant.
    end_draw();
    rep_.dialect("RS-274D");
    rep_.units("1/1000 inch", kInchPerUnit);
    // Such a file reads as nothing: say so rather than stay silent.
    if (!enabled_ && in_.offset() > 0) rep_.add("no G word or 54", FGB_REPORT_DROPPED, 0);
    return added_ ? 1 : 0;
  }

 private:
  double aperture(int32_t n) const {
    if (!opt_.apertures || n < 0 || n >= opt_.aperture_count) return 0.0;
    return opt_.apertures[n];
  }

  void append_here() { path_.push(x_ * kInchPerUnit, y_ * kInchPerUnit); }

  void end_draw() {
    if (!path_.empty()) {
      append_here();
      if (emit_path(path_, sink_, pen_style(path_size_, pen_of_size(path_size_)))) added_ = true;
    }
    path_.clear();
    path_size_ = selected_size_;
  }

  void flash(int32_t x, int32_t y) {
    const gr_cpoint p{x * kInchPerUnit, y * kInchPerUnit};
    sink_.add(kFlash, &p, pen_style(selected_size_, kFlashPen));
    added_ = true;
  }

  // False when M02 stops reading.
  bool obey(const Block<kMaxWords>& b) {
    bool coordinate_seen = false;
    bool flash_block = false;
    for (int i = b.count - 1; i >= 0; --i) {
      const Word& w = b.words[i];
      switch (w.letter) {
        case 'G':
          if (w.number == 54) enabled_ = true;
          break;
        case 'M':
          if (enabled_ && w.number == 2) return false;
          break;
        case 'D':
          if (!enabled_) break;
          if (w.number == 1) {
            exposure_off_ = false;
          } else if (w.number == 2 || w.number == 3) {
            exposure_off_ = true;
            if (w.number == 3) {
              flash_block = true;
              // D03 alone flashes where the head stands (i == 0 and no
              // coordinate before it: the words are obeyed last to first).
              if (!block_has_coordinate(b)) flash(x_, y_);
            }
            end_draw();
          } else if (w.number == 0 || (w.number >= 4 && w.number <= 99)) {
            selected_size_ = aperture(w.number);
          }
          break;
        case 'X':
        case 'Y': {
          if (!enabled_) break;
          const bool is_x = w.letter == 'X';
          if (!coordinate_seen && !exposure_off_) append_here();
          if (flash_block) {
            const char partner = is_x ? 'Y' : 'X';
            if (coordinate_seen || i == 0 || b.words[i - 1].letter != partner)
              flash(is_x ? w.number : x_, is_x ? y_ : w.number);
          }
          coordinate_seen = true;
          (is_x ? x_ : y_) = w.number;
          break;
        }
        default: break;
      }
    }
    return true;
  }

  static bool block_has_coordinate(const Block<kMaxWords>& b) {
    for (int k = 0; k < b.count; ++k)
      if (b.words[k].letter == 'X' || b.words[k].letter == 'Y') return true;
    return false;
  }

  BlockScanner in_;
  ElementSink& sink_;
  const ReadOptions& opt_;
  ProgressMeter meter_;
  Reporter rep_;
  PathBuffer path_;
  bool enabled_ = false;
  bool exposure_off_ = true;
  bool added_ = false;
  int32_t x_ = 0, y_ = 0;       // position, thousandths
  double path_size_ = 0.0;      // aperture of the open draw
  double selected_size_ = 0.0;  // aperture selected last
};

}  // namespace

int read_gerber(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt) {
  if (gerber::is_extended(data, size)) return gerber::read_extended(data, size, sink, opt);
  GerberReader reader(data, size, sink, opt);
  return reader.run();
}

}  // namespace fgb::conv
