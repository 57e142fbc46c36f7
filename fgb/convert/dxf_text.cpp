// DXF texts: TEXT, ATTRIB and MTEXT, drawn in the stroke font at their
// height (the height of a capital), one polyline set per text.
//
// TEXT and ATTRIB: the string (1) from its first alignment point (10, 20)
// at the height (40), widened by the width factor (41), turned by the
// rotation (50, degrees), slanted by the oblique angle (51), mirrored by the
// generation flags (71: 2 backwards, 4 upside down), in the object
// coordinate system. Other justifications (72: 1 centre, 2 right, 3
// aligned, 4 middle, 5 fit; 73, for ATTRIB 74: 1 bottom, 2 middle, 3 top)
// place it about the second alignment point (11, 21); aligned and fit
// texts run from the first point to the second.
//
// MTEXT: paragraphs (\P) of the string (3 chunks, then 1) from the
// insertion point (10, 20, world coordinates) at the height (40), lines
// wrapped at the reference width (41) and 5/3 of the height apart times the
// spacing factor (44), placed by the attachment point (71: 1 to 9, top left
// to bottom right), along the direction (11, 21) or the rotation (50).
// Formatting codes are dropped; stacked fractions read a/b.
#include "convert/dxf_p.h"
#include "convert/strokes_p.h"

#include <algorithm>
#include <cmath>

namespace fgb::conv::dxf {

namespace {

// The stroke font's descent below the baseline, in cap heights (7 of its
// 21 units).
constexpr double kDescent = 1.0 / 3.0;
// Lines of an MTEXT stand this many heights apart at spacing factor 1.
constexpr double kLineSpacing = 5.0 / 3.0;
// Paragraphs wrapped into more lines than this are cut: a width in the file
// must not turn one text into a line per character of a huge string.
constexpr size_t kMaxTextLines = 4096;

void append_utf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x110000) {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// \U+XXXX at s[i] (the backslash): the code point appended, i moved past.
bool unicode_escape(std::string_view s, size_t& i, std::string& out) {
  if (i + 6 >= s.size() + 0 || (s[i + 1] != 'U' && s[i + 1] != 'u') || s[i + 2] != '+') return false;
  uint32_t c = 0;
  for (size_t k = 3; k < 7; ++k) {
    const int h = i + k < s.size() ? hex_value(s[i + k]) : -1;
    if (h < 0) return false;
    c = c * 16 + static_cast<uint32_t>(h);
  }
  append_utf8(out, c);
  i += 7;
  return true;
}

// The control codes of TEXT strings: %%d degree, %%p plus-minus, %%c
// diameter, %%% per cent, %%nnn a character by number; %%u and %%o
// (underline, overline) drawn as nothing. Appends s decoded.
void decode_percent(std::string_view s, std::string& out) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && unicode_escape(s, i, out)) {
      --i;
      continue;
    }
    if (s[i] != '%' || i + 2 >= s.size() || s[i + 1] != '%') {
      out += s[i];
      continue;
    }
    const char c = s[i + 2];
    i += 2;
    switch (c) {
      case 'd':
      case 'D': append_utf8(out, 0xB0); break;
      case 'p':
      case 'P': append_utf8(out, 0xB1); break;
      case 'c':
      case 'C': append_utf8(out, 0x2300); break;
      case '%': out += '%'; break;
      case 'u':
      case 'U':
      case 'o':
      case 'O':
      case 'k':
      case 'K': break;
      default:
        if (c >= '0' && c <= '9') {
          uint32_t v = 0;
          size_t k = i;
          for (; k < s.size() && k < i + 3 && s[k] >= '0' && s[k] <= '9'; ++k)
            v = v * 10 + static_cast<uint32_t>(s[k] - '0');
          append_utf8(out, v);
          i = k - 1;
        } else {
          out += "%%";
          out += c;
        }
    }
  }
}

// The paragraphs of an MTEXT string, formatting removed.
void mtext_paragraphs(std::string_view s, std::vector<std::string>& out) {
  out.assign(1, std::string());
  std::string raw;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '{' || c == '}') continue;
    if (c == '^' && i + 1 < s.size()) {  // caret codes: ^J line feed, ^I tab
      ++i;
      if (s[i] == 'J') out.emplace_back();
      if (s[i] == 'I') out.back() += ' ';
      continue;
    }
    if (c != '\\' || i + 1 >= s.size()) {
      out.back() += c;
      continue;
    }
    if (unicode_escape(s, i, out.back())) {
      --i;
      continue;
    }
    const char k = s[++i];
    switch (k) {
      case 'P':
      case 'N':
      case 'X': out.emplace_back(); break;
      case '~': out.back() += ' '; break;
      case '\\':
      case '{':
      case '}': out.back() += k; break;
      case 'L':
      case 'l':
      case 'O':
      case 'o':
      case 'K':
      case 'k': break;
      case 'S': {  // stacked text up to ';': its parts read as a fraction
        size_t e = s.find(';', i + 1);
        if (e == std::string_view::npos) e = s.size();
        for (size_t j = i + 1; j < e; ++j) out.back() += (s[j] == '^' || s[j] == '#') ? '/' : s[j];
        i = e;
        break;
      }
      default: {  // a code with an argument up to ';' (\A1; \C2; \fArial|b0; \H2.5x; ...)
        const size_t e = s.find(';', i + 1);
        i = e == std::string_view::npos ? s.size() : e;
      }
    }
  }
}

}  // namespace

// Lays text out in its own frame (baseline from the origin along x, at
// the height, drawing units) and adds its strokes mapped through m.
static void add_text(Reader& r, std::string_view s, const fgb_text_layout& layout, const TextMap& m,
                     const gr_curve_style& style, StrokeSet& set) {
  set.start(m);
  text::stroke_text(s, layout, set);
  if (const gr_polylines* p = set.set()) r.add(kPolylines, p, style);
}

// The map from a text's frame (x along its baseline, units of the drawing)
// into the document: turned by angle about the origin and moved to (x, y),
// then xf.
static TextMap text_map(const Xform& xf, double x, double y, double cos_a, double sin_a, double sx,
                        double sy) {
  Affine local{cos_a * sx, -sin_a * sy, sin_a * sx, cos_a * sy, x, y};
  const Affine w = xf.plain() ? local : xf.affine().after(local);
  return TextMap{w.a * kInchPerMm, w.b * kInchPerMm, w.c * kInchPerMm,
                 w.d * kInchPerMm, w.e * kInchPerMm, w.f * kInchPerMm};
}

bool Reader::text(PairCursor& in, const Place& place, std::string_view type, size_t at) {
  Head h;
  std::string_view raw;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0, height = 0, factor = 1, rotation = 0, oblique = 0;
  int16_t mirror = 0, hjust = 0, vjust = 0, flags = 0;
  bool second = false;
  const bool attrib = type == "ATTRIB";
  if (!each_pair(in, [&](const Pair& p) {
        switch (p.code) {
          case 1: raw = p.value; return true;
          case 10: return to_real(p.value, x1);
          case 20: return to_real(p.value, y1);
          case 11: second = true; return to_real(p.value, x2);
          case 21: return to_real(p.value, y2);
          case 40: return to_real(p.value, height);
          case 41: return to_real(p.value, factor);
          case 50: return to_real(p.value, rotation);
          case 51: return to_real(p.value, oblique);
          case 70: return to_int16(p.value, flags);
          case 71: return to_int16(p.value, mirror);
          case 72: return to_int16(p.value, hjust);
          case 73: return attrib || to_int16(p.value, vjust);
          case 74: return !attrib || to_int16(p.value, vjust);
          default: {
            bool ok;
            if (h.take(p, ok) && !ok) h.has_extrusion = false;
            return true;
          }
        }
      }))
    return false;
  if (left_out(h, place, type, at)) return true;
  if (attrib && (flags & 1)) return true;  // an invisible attribute
  std::string s;
  decode_percent(raw, s);
  if (!(height > 0) || s.empty()) return true;
  if (!(factor > 0)) factor = 1;
  fgb_text_layout layout{};
  layout.height = height;
  layout.width = factor * height * text::kFontBodyWidth / text::kFontCapHeight;
  layout.slant = std::fabs(oblique) < 85 ? std::tan(oblique * kRadPerDeg) : 0.0;
  const double length = text::stroke_text_length(s, layout);
  double ax = x1, ay = y1, angle = rotation * kRadPerDeg, sx = 1, sy = 1, dx = 0, dy = 0;
  if (second && (hjust == 3 || hjust == 5) && length > 0) {
    // Aligned or fit: from the first point to the second.
    const double run = std::hypot(x2 - x1, y2 - y1);
    if (run > 0) {
      angle = std::atan2(y2 - y1, x2 - x1);
      sx = run / length;
      if (hjust == 3) sy = sx;
    }
  } else if (hjust != 0 || vjust != 0) {
    if (second) ax = x2, ay = y2;
    if (hjust == 1 || hjust == 4) dx = -length / 2;
    if (hjust == 2) dx = -length;
    if (hjust == 4)
      dy = -height / 2;
    else if (vjust == 1)
      dy = height * kDescent;
    else if (vjust == 2)
      dy = -height / 2;
    else if (vjust == 3)
      dy = -height;
  }
  if (mirror & 2) sx = -sx;
  if (mirror & 4) sy = -sy;
  Xform xf = place.xf;
  Affine ocs;
  if (h.has_extrusion && ocs_map(h.extrusion, 0.0, ocs)) xf = place.xf.then_from(ocs);
  layout.origin = gr_cpoint{dx, dy};  // in the text's own frame, before turning and mirroring
  StrokeSet set;
  add_text(*this, s, layout, text_map(xf, ax, ay, std::cos(angle), std::sin(angle), sx, sy),
           pen_style(0.0, colour_of(h, place)), set);
  if (!quiet_) report_.add(type, FGB_REPORT_APPROXIMATED, at);
  return true;
}

bool Reader::mtext(PairCursor& in, const Place& place, size_t at) {
  Head h;
  std::string raw;
  std::string_view last;
  double x = 0, y = 0, height = 0, width = 0, spacing = 1, rotation = 0, dir_x = 0, dir_y = 0;
  int16_t attach = 1;
  bool has_dir = false;
  if (!each_pair(in, [&](const Pair& p) {
        switch (p.code) {
          case 3: raw += p.value; return true;
          case 1: last = p.value; return true;
          case 10: return to_real(p.value, x);
          case 20: return to_real(p.value, y);
          case 11: has_dir = true; return to_real(p.value, dir_x);
          case 21: return to_real(p.value, dir_y);
          case 40: return to_real(p.value, height);
          case 41: return to_real(p.value, width);
          case 44: return to_real(p.value, spacing);
          case 50: return to_real(p.value, rotation);
          case 71: return to_int16(p.value, attach);
          default: {
            bool ok;
            if (h.take(p, ok) && !ok) h.has_extrusion = false;
            return true;
          }
        }
      }))
    return false;
  if (left_out(h, place, "MTEXT", at)) return true;
  raw += last;
  if (!(height > 0)) return true;
  if (!(spacing > 0)) spacing = 1;
  if (attach < 1 || attach > 9) attach = 1;
  std::vector<std::string> paragraphs;
  mtext_paragraphs(raw, paragraphs);
  fgb_text_layout layout{};
  layout.height = height;
  // Lines: each paragraph wrapped at the width between words.
  std::vector<std::string> lines;
  for (auto& para : paragraphs) {
    std::string s;
    decode_percent(para, s);
    if (!(width > 0) || text::stroke_text_length(s, layout) <= width) {
      lines.push_back(std::move(s));
      continue;
    }
    // Advances add up: a line's length grows by each word's and its
    // space's, so that wrapping costs one measure per word.
    const double space = text::stroke_text_length(" ", layout);
    std::string line;
    double line_length = 0;
    size_t i = 0;
    while (i < s.size() && lines.size() < kMaxTextLines) {
      size_t e = s.find(' ', i);
      if (e == std::string::npos) e = s.size();
      const std::string_view word(s.data() + i, e - i);
      const double word_length = text::stroke_text_length(word, layout);
      if (!line.empty() && line_length + space + word_length > width) {
        lines.push_back(std::move(line));
        line.assign(word);
        line_length = word_length;
      } else {
        if (!line.empty()) line += ' ', line_length += space;
        line += word;
        line_length += word_length;
      }
      i = e + 1;
    }
    lines.push_back(line);
    if (lines.size() >= kMaxTextLines) break;
  }
  if (lines.size() > kMaxTextLines) lines.resize(kMaxTextLines);
  // The direction: given in world coordinates, or the rotation in the
  // object coordinate system.
  Affine ocs;
  const bool has_ocs = h.has_extrusion && ocs_map(h.extrusion, 0.0, ocs);
  double angle = rotation * kRadPerDeg;
  if (has_dir && (dir_x != 0 || dir_y != 0)) {
    angle = std::atan2(dir_y, dir_x);
  } else if (has_ocs) {
    angle = std::atan2(ocs.c * std::cos(angle) + ocs.d * std::sin(angle),
                       ocs.a * std::cos(angle) + ocs.b * std::sin(angle));
  }
  const double c = std::cos(angle), sn = std::sin(angle);
  const double step = height * kLineSpacing * spacing;
  const double total = step * static_cast<double>(lines.size() - 1) + height;
  const int row = (attach - 1) / 3, column = (attach - 1) % 3;
  const double top = row == 0 ? 0.0 : row == 1 ? total / 2 : total;  // the block's top above the point
  const gr_curve_style style = pen_style(0.0, colour_of(h, place));
  StrokeSet set;
  set.start(text_map(place.xf, x, y, c, sn, 1, 1));
  for (size_t i = 0; i < lines.size(); ++i) {
    const double length = text::stroke_text_length(lines[i], layout);
    fgb_text_layout l = layout;
    l.origin = gr_cpoint{column == 0   ? 0.0
                         : column == 1 ? -length / 2
                                       : -length,
                         top - height - step * static_cast<double>(i)};
    text::stroke_text(lines[i], l, set);
  }
  if (const gr_polylines* p = set.set()) add(kPolylines, p, style);
  if (!quiet_) report_.add("MTEXT", FGB_REPORT_APPROXIMATED, at);
  return true;
}

}  // namespace fgb::conv::dxf
