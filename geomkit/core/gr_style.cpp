// Line, fill and marker styles: the two default records, colour
// conversion to and from COLORREF, and pens and brushes made from styles.
#include <geomkit/gr_style.h>

#include <geomkit/device_context.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

static_assert(sizeof(gr_rgbcol) == 12, "a colour is three floats");
static_assert(sizeof(gr_curve_style) == 24 && offsetof(gr_curve_style, font) == 16,
              "a line style is width, colour, then the inline dash pattern with room for one length");
static_assert(sizeof(gr_fill_area_style) == 16, "a fill style is a brush code and a colour");

namespace {

// Truncation toward zero to a 32-bit integer. A value that has no 32-bit
// integer (NaN, infinite, or out of range) gives 0: the low byte of the
// processor's "integer indefinite" answer, which is what a colour byte made
// from such a component always was.
int32_t trunc_to_i32(long double v) noexcept {
  if (!(v > -2147483649.0L && v < 2147483648.0L)) return 0;
  return static_cast<int32_t>(v);
}

uint32_t colour_byte(float c) noexcept {
  return static_cast<uint32_t>(trunc_to_i32(static_cast<long double>(c) * 255)) & 0xFFu;
}

// The dash patterns of the GDI pen styles, in logical units.
struct DashPattern {
  int32_t n;
  float len[6];
};

DashPattern pattern_of(UINT pen_style) noexcept {
  switch (pen_style) {
    case PS_DASH: return {2, {4.0f, 4.0f}};
    case PS_DOT: return {2, {1.0f, 4.0f}};
    case PS_DASHDOT: return {4, {8.0f, 2.0f, 1.0f, 2.0f}};
    case PS_DASHDOTDOT: return {6, {5.0f, 2.0f, 1.0f, 2.0f, 1.0f, 2.0f}};
    default: return {0, {}};  // solid, null, inside-frame and anything else
  }
}

}  // namespace

extern "C" {

const gr_curve_style gr_default_curve_style = {1.0f, {0.0f, 0.0f, 0.0f}, {0, {0.0f}}};
const gr_marker_style gr_default_marker_style = {0, {100.0f, 0.0f, 0.0f}, 0.0};

COLORREF gr_get_colorref(const gr_rgbcol* color) noexcept {
  return colour_byte(color->r) | colour_byte(color->g) << 8 | colour_byte(color->b) << 16;
}

void gr_create_color_by_colorref(gr_rgbcol* out, COLORREF colorref) noexcept {
  const long double k = 1.0L / 255;
  out->r = static_cast<float>(GetRValue(colorref) * k);
  out->g = static_cast<float>(GetGValue(colorref) * k);
  out->b = static_cast<float>(GetBValue(colorref) * k);
}

int gr_curve_font_size(const gr_curve_font* font) noexcept { return font ? gr_curve_font_sizen(font->n) : 0; }

int gr_curve_font_sizen(int n) noexcept {
  if (n < 0) return 4;  // a negative count is a solid line
  if (n > (INT32_MAX - 4) / 4) return -1;
  return 4 * n + 4;
}

int gr_curve_style_size(void) noexcept { return 24; }

int gr_fill_area_style_size(void) noexcept { return 16; }

HPEN gr_create_pen_by_curve_style(const gr_curve_style* style) noexcept {
  if (!style) return nullptr;
  LOGPEN lp{};
  if (style->width == -1.0f) {
    lp.lopnStyle = PS_NULL;
    lp.lopnWidth.x = 0;
  } else {
    lp.lopnStyle = PS_SOLID;
    lp.lopnWidth.x = trunc_to_i32(style->width);
  }
  lp.lopnColor = gr_get_colorref(&style->color);
  return CreatePenIndirect(&lp);
}

HBRUSH gr_create_brush_by_fill_area_style(const gr_fill_area_style* fstyle) noexcept {
  if (!fstyle) return nullptr;
  LOGBRUSH lb{};
  lb.lbStyle = static_cast<UINT>(fstyle->style);
  lb.lbColor = gr_get_colorref(&fstyle->color);
  lb.lbHatch = HS_CROSS;
  return CreateBrushIndirect(&lb);
}

void gr_create_fill_area_style_by_logbrush(gr_fill_area_style* out, const LOGBRUSH* logbrush) noexcept {
  out->style = static_cast<int32_t>(logbrush->lbStyle);
  gr_create_color_by_colorref(&out->color, logbrush->lbColor);
}

int gr_create_curve_style_by_logpen(gr_curve_style* out, const LOGPEN* logpen) noexcept {
  out->width = static_cast<float>(logpen->lopnWidth.x);
  if (logpen->lopnStyle == PS_NULL)
    out->color = gr_rgbcol{1.0f, 1.0f, 1.0f};
  else
    gr_create_color_by_colorref(&out->color, logpen->lopnColor);
  // The record has room for one dash length only, and a pattern has two or
  // more: the style comes out solid, and the pen's pattern is reported for
  // callers that can hold it (gr_conv_logpen_to_curve_font).
  out->font.n = 0;
  out->font.len[0] = 0.0f;
  return pattern_of(logpen->lopnStyle).n;
}

int gr_conv_logpen_to_curve_font(gr_curve_font* out, int room, const LOGPEN* logpen) noexcept {
  const DashPattern p = pattern_of(logpen->lopnStyle);
  if (!out) return p.n;
  if (room < p.n) {
    // A pattern is never cut short: a record without room stays solid.
    out->n = 0;
    return p.n;
  }
  out->n = p.n;
  float* len = out->len;  // the lengths continue past the declared array
  for (int i = 0; i < p.n; ++i) len[i] = p.len[i];
  return p.n;
}

}  // extern "C"
