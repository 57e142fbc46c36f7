// The stroke font: Hershey simplex Roman glyphs laid out along a baseline.
//
// A glyph point (gx, gy) of the font (y down, baseline at gy = 9, cap line
// at gy = -12, the glyph centred on gx = 0 between its bounds left and
// right) lands on the page at
//   v = (9 - gy) * sy                          height above the baseline
//   u = pen + (gx - left) * sx                  proportional spacing, or
//   u = pen + body / 2 + (gx - mid) * sx        fixed pitch, mid = (left + right) / 2
//   u += slant * v
//   P = origin + u * d + v * n,  d the unit baseline direction, n = d turned left
// with sy = height / 21 and sx = width / 14 (the body of "H"), or sy when no
// width is given; body = 14 * sx. pen advances by (right - left) * sx, or by
// the pitch.
#include "text/stroke_font_p.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace fgb::text {

namespace {

struct StrokeGlyph {
  uint32_t offset;  // into kStrokeCoords, in values (two per pair)
  uint32_t pairs;
  int8_t left, right;
};

#include "text/stroke_font_data.inc"

constexpr double kBaselineY = 9.0;
constexpr int8_t kPenLift = -128;
constexpr uint32_t kFirstChar = 32;
constexpr uint32_t kLastChar = 126;
// At most this many points in one stroke of the font (its longest glyph has
// fewer than 60 pairs).
constexpr uint32_t kMaxStrokePoints = 128;

// The next code point of UTF-8 text; a byte that does not start a valid
// sequence is taken alone as Latin-1.
uint32_t next_code(std::string_view s, size_t& i) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint32_t c = b(i);
  if (c < 0x80) {
    ++i;
    return c;
  }
  const size_t extra = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
  if (extra == 0 || extra >= s.size() - i) {
    ++i;
    return c;
  }
  uint32_t v = c & (0x3Fu >> extra);
  for (size_t k = 1; k <= extra; ++k) {
    const uint32_t t = b(i + k);
    if ((t & 0xC0) != 0x80) {
      ++i;
      return c;
    }
    v = (v << 6) | (t & 0x3F);
  }
  i += extra + 1;
  return v;
}

struct Frame {
  double sx, sy;  // font units to inches
  double body;    // fixed pitch: the body each character is centred on
  double pitch;   // 0: proportional
  double dx, dy;  // unit baseline direction
  double slant;
  gr_cpoint origin;
};

bool make_frame(const fgb_text_layout& l, Frame& f) {
  if (!(l.height > 0) || !std::isfinite(l.height) || !std::isfinite(l.width) || !std::isfinite(l.pitch) ||
      !std::isfinite(l.dir_x) || !std::isfinite(l.dir_y) || !std::isfinite(l.slant) ||
      !std::isfinite(l.origin.x) || !std::isfinite(l.origin.y))
    return false;
  f.sy = l.height / kFontCapHeight;
  f.sx = l.width > 0 ? l.width / kFontBodyWidth : f.sy;
  f.body = kFontBodyWidth * f.sx;
  f.pitch = l.pitch;
  const double len = std::hypot(l.dir_x, l.dir_y);
  if (len > 0 && std::isfinite(len)) {
    f.dx = l.dir_x / len;
    f.dy = l.dir_y / len;
  } else {
    f.dx = 1.0;
    f.dy = 0.0;
  }
  f.slant = l.slant;
  f.origin = l.origin;
  return true;
}

const StrokeGlyph* glyph_of(uint32_t code) {
  if (code < kFirstChar || code > kLastChar) return nullptr;
  return &kStrokeGlyphs[code - kFirstChar];
}

// The advance of one character in the frame; missing glyphs take a space's.
double advance_of(const Frame& f, const StrokeGlyph* g) {
  if (f.pitch != 0) return f.pitch;
  if (!g) g = &kStrokeGlyphs[0];
  return (g->right - g->left) * f.sx;
}

}  // namespace

uint32_t stroke_text(std::string_view text, const fgb_text_layout& layout, StrokeSink& out) {
  Frame f;
  if (!make_frame(layout, f)) return 0;
  uint32_t missing = 0;
  double pen = 0.0;
  gr_cpoint pts[kMaxStrokePoints];
  for (size_t i = 0; i < text.size();) {
    const uint32_t code = next_code(text, i);
    if (code < kFirstChar) continue;
    const StrokeGlyph* g = glyph_of(code);
    if (!g) ++missing;
    if (g) {
      const double shift =
          f.pitch != 0 ? pen + f.body / 2 - (g->left + g->right) / 2.0 * f.sx : pen - g->left * f.sx;
      uint32_t n = 0;
      const int8_t* c = kStrokeCoords + g->offset;
      for (uint32_t k = 0; k <= g->pairs; ++k, c += 2) {
        if (k == g->pairs || c[0] == kPenLift) {
          if (n >= 2) out.stroke(pts, n);
          n = 0;
          continue;
        }
        const double v = (kBaselineY - c[1]) * f.sy;
        const double u = shift + c[0] * f.sx + f.slant * v;
        if (n < kMaxStrokePoints)
          pts[n++] = gr_cpoint{f.origin.x + u * f.dx - v * f.dy, f.origin.y + u * f.dy + v * f.dx};
      }
    }
    pen += advance_of(f, g);
  }
  return missing;
}

double stroke_text_length(std::string_view text, const fgb_text_layout& layout) noexcept {
  Frame f;
  if (!make_frame(layout, f)) return 0.0;
  double pen = 0.0;
  for (size_t i = 0; i < text.size();) {
    const uint32_t code = next_code(text, i);
    if (code >= kFirstChar) pen += advance_of(f, glyph_of(code));
  }
  return pen;
}

}  // namespace fgb::text

// ---- the plain interface ----------------------------------------------------

namespace {

class CollectStrokes final : public fgb::text::StrokeSink {
 public:
  void stroke(const gr_cpoint* pts, uint32_t n) override {
    sizes.push_back(static_cast<int>(n));
    points.insert(points.end(), pts, pts + n);
  }
  std::vector<int> sizes;
  std::vector<gr_cpoint> points;
};

}  // namespace

gr_polylines* fgb_stroke_text(const char* text, size_t len, const fgb_text_layout* layout,
                              int* missing) noexcept {
  if (missing) *missing = 0;
  if (!layout || (!text && len)) return nullptr;
  try {
    CollectStrokes c;
    const uint32_t m = fgb::text::stroke_text(std::string_view(text ? text : "", len), *layout, c);
    if (missing) *missing = static_cast<int>(m > 0x7FFFFFFF ? 0x7FFFFFFF : m);
    if (c.sizes.empty() || c.sizes.size() > 0x7FFFFFFF) return nullptr;
    gr_polylines* set = gr_alloc_buffer_for_polylines(static_cast<int>(c.sizes.size()), c.sizes.data());
    if (!set) return nullptr;
    set->n = static_cast<int32_t>(c.sizes.size());
    set->reserved = 0;
    gr_polyline* p = gr_polylines_first(set);
    size_t at = 0;
    for (size_t k = 0; k < c.sizes.size(); ++k, p = gr_polylines_next(p)) {
      p->closed = 0;
      p->n = static_cast<uint32_t>(c.sizes[k]);
      std::memcpy(p->pnt, c.points.data() + at, sizeof(gr_cpoint) * static_cast<size_t>(c.sizes[k]));
      at += static_cast<size_t>(c.sizes[k]);
    }
    return set;
  } catch (...) {
    return nullptr;
  }
}

double fgb_stroke_text_length(const char* text, size_t len, const fgb_text_layout* layout) noexcept {
  if (!layout || (!text && len)) return 0.0;
  return fgb::text::stroke_text_length(std::string_view(text ? text : "", len), *layout);
}
