// Metafile text: TextOut and ExtTextOut records drawn in the stroke font at
// the selected font's height, in the text colour, one polyline set each.
//
//   0521 TextOut     count, the string (padded to whole words), y, x
//   0A32 ExtTextOut  y, x, count, options, [a rectangle of four words when
//                    options has 2 or 4], the string (padded), [count advances]
//
// The font's height (lfHeight) is its character height when below 0 and
// its cell height when above; the stroke font is drawn at the capital
// height a typical face has for it. The reference point is the top of the
// text, its baseline or its bottom, and its left end, centre or right end,
// as SetTextAlign says (TA_TOP and TA_LEFT at first); the baseline turns by
// the font's escapement. Given advances place each character; otherwise
// the stroke font's own widths do. Bytes are characters of the Latin-1 set.
#include "convert/bytes_p.h"
#include "convert/strokes_p.h"
#include "convert/wmf_p.h"

#include <cmath>
#include <string>

namespace fgb::wmf {

using conv::ByteCursor;

namespace {

// Proportions of a typical face (Arial) to its character (em) height.
constexpr double kCellPerEm = 1.15;  // cell height, inner leading included
constexpr double kCapPerEm = 0.716;  // height of a capital
constexpr double kAscentPerEm = 0.905;
constexpr double kDescentPerEm = 0.212;
// The em height (logical units) of a font of height 0: the system's
// default size on a 96 dpi screen, 12 points.
constexpr double kDefaultEm = 16.0;
constexpr double kItalicSlant = 0.21;  // tan 12 degrees
constexpr double kDegPerTenth = 0.1;
constexpr double kRadPerDeg = 3.141592653589793 / 180.0;

// SetTextAlign flags.
constexpr uint16_t kAlignUpdateCp = 1;
constexpr uint16_t kAlignRight = 2;
constexpr uint16_t kAlignCentre = 6;
constexpr uint16_t kAlignBottom = 8;
constexpr uint16_t kAlignBaseline = 24;
// ExtTextOut options that put a rectangle before the string.
constexpr uint16_t kOptionsWithRect = 0x0006;

void latin1_to_utf8(const uint8_t* s, size_t n, std::string& out) {
  out.clear();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = s[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
}

}  // namespace

void Shapes::text(const Record& r, const DcState& dc, size_t offset) {
  ByteCursor in(r.params, r.param_bytes);
  int16_t x = 0, y = 0, count = 0;
  const uint8_t* chars = nullptr;
  const uint8_t* advances = nullptr;
  if (r.function == kTextOut) {
    count = in.i16();
    if (count <= 0 || static_cast<size_t>(count) > in.left()) return;
    chars = r.params + in.pos();
    in.skip((static_cast<size_t>(count) + 1) & ~size_t{1});
    y = in.i16();
    x = in.i16();
  } else {
    y = in.i16();
    x = in.i16();
    count = in.i16();
    const uint16_t options = in.u16();
    if (options & kOptionsWithRect) in.skip(8);
    if (count <= 0 || static_cast<size_t>(count) > in.left()) return;
    chars = r.params + in.pos();
    in.skip((static_cast<size_t>(count) + 1) & ~size_t{1});
    if (in.left() >= 2 * static_cast<size_t>(count)) advances = r.params + in.pos();
  }
  if (dc.text_align & kAlignUpdateCp) x = dc.x, y = dc.y;

  const double h = dc.font.height;
  const double em = h < 0 ? -h : h > 0 ? h / kCellPerEm : kDefaultEm;
  const double cap = map_.length_y(em * kCapPerEm);
  if (!(cap > 0) || !std::isfinite(cap)) return;
  const double angle = dc.font.escapement * kDegPerTenth * kRadPerDeg;
  const double dx = std::cos(angle), dy = std::sin(angle);  // along the baseline
  const double nx = -dy, ny = dx;                           // up from it
  std::string s;
  std::string one;
  latin1_to_utf8(chars, static_cast<size_t>(count), s);

  fgb_text_layout layout{};
  layout.height = cap;
  layout.dir_x = dx;
  layout.dir_y = dy;
  layout.slant = dc.font.italic ? kItalicSlant : 0.0;
  double length = 0;
  if (advances) {
    for (int16_t i = 0; i < count; ++i) length += map_.length_x(ByteCursor::les16(advances + 2 * i));
  } else {
    length = text::stroke_text_length(s, layout);
  }
  // The baseline's start from the reference point.
  gr_cpoint o = map_.point(x, y);
  const uint16_t vertical = dc.text_align & kAlignBaseline;
  const double down = vertical == kAlignBaseline ? 0.0
                      : vertical == kAlignBottom ? -map_.length_y(em * kDescentPerEm)
                                                 : map_.length_y(em * kAscentPerEm);
  o.x -= nx * down, o.y -= ny * down;
  const uint16_t horizontal = dc.text_align & kAlignCentre;
  const double back = horizontal == kAlignCentre ? length / 2 : horizontal == kAlignRight ? length : 0.0;
  o.x -= dx * back, o.y -= dy * back;

  conv::StrokeSet set;
  set.start(conv::TextMap{});
  if (advances) {
    double along = 0;
    for (int16_t i = 0; i < count; ++i) {
      latin1_to_utf8(chars + i, 1, one);
      layout.origin = gr_cpoint{o.x + dx * along, o.y + dy * along};
      text::stroke_text(one, layout, set);
      along += map_.length_x(ByteCursor::les16(advances + 2 * i));
    }
  } else {
    layout.origin = o;
    text::stroke_text(s, layout, set);
  }
  if (const gr_polylines* strokes = set.set()) {
    const LOGPEN pen{PS_SOLID, {0, 0}, dc.text_colour};
    gr_curve_style style;
    gr_create_curve_style_by_logpen(&style, &pen);
    sink_.add(conv::kPolylines, strokes, style);
    added_ = true;
  }
  report_.add(r.function == kTextOut ? "TextOut" : "ExtTextOut", FGB_REPORT_APPROXIMATED, offset);
}

}  // namespace fgb::wmf
