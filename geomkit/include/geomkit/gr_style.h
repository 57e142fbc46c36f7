/* Line, fill and marker styles, colours and their conversion to and from
 * pen and brush descriptions. The records cross the library boundary by
 * value, so their sizes are part of the interface. */
#ifndef GEOMKIT_GR_STYLE_H
#define GEOMKIT_GR_STYLE_H

#include <stdint.h>
#include <geomkit/gr_api.h>
#include <geomkit/gr_dc.h>

GR_BEGIN_C

/* 12 bytes; components nominally 0..1 (not clamped). */
typedef struct gr_rgbcol {
  float r, g, b;
} gr_rgbcol;

/* Dash pattern: n lengths (logical units of the device drawn into),
 * alternating drawn and skipped pieces, starting with a drawn one; n = 0 is
 * solid. 4 + 4 n bytes: a pattern longer than one entry continues past the
 * end of this record, so reach the lengths through a pointer to len. */
typedef struct gr_curve_font {
  int32_t n;
  float len[1];
} gr_curve_font;

/* Line style, 24 bytes by value (room for one dash length). width -1.0
 * exactly selects a null pen; any negative width draws nothing; otherwise
 * the pen width in logical units, truncated when the pen is made. */
typedef struct gr_curve_style {
  float width;
  gr_rgbcol color;
  gr_curve_font font; /* inline; longer patterns occupy more memory */
} gr_curve_style;

/* Fill style, 16 bytes: a brush style code (BS_SOLID, BS_NULL, BS_HATCHED) and colour. */
typedef struct gr_fill_area_style {
  int32_t style;
  gr_rgbcol color;
} gr_fill_area_style;

/* Marker kinds: 0 disc (one pixel at size 0), 1 X, 2 +, 3 both, 4 circle,
 * 5 square, 6 triangle; any other draws nothing. */
typedef struct gr_marker_style {
  int8_t kind;
  gr_rgbcol color;
  double size; /* extent in logical units */
} gr_marker_style;

/* Width 1.0, black, solid. */
GR_API extern const gr_curve_style gr_default_curve_style;
/* Kind 0, colour (100, 0, 0), size 0: a single pixel. */
GR_API extern const gr_marker_style gr_default_marker_style;

/* Each component trunc(c * 255), low 8 bits: red bits 0-7, green 8-15, blue
 * 16-23, bits 24-31 zero. Components are not clamped (100.0 gives 156); one
 * whose product has no 32-bit integer (NaN, infinite, beyond +-2^31) gives 0. */
GR_API COLORREF gr_get_colorref(const gr_rgbcol* color) GR_NOEXCEPT;
/* Each byte / 255 (extended-precision reciprocal), stored as floats. */
GR_API void gr_create_color_by_colorref(gr_rgbcol* out, COLORREF colorref) GR_NOEXCEPT;
/* 4 n + 4 bytes (a negative n counts as 0; -1 when the size has no int). */
GR_API int gr_curve_font_size(const gr_curve_font* font) GR_NOEXCEPT;
GR_API int gr_curve_font_sizen(int n) GR_NOEXCEPT;
/* 24: the style by value, with room for one dash length. */
GR_API int gr_curve_style_size(void) GR_NOEXCEPT;
/* 16. */
GR_API int gr_fill_area_style_size(void) GR_NOEXCEPT;
/* A pen made with CreatePenIndirect: PS_NULL of width 0 when the width is
 * exactly -1.0, else PS_SOLID of width trunc(width) (0 when it has no
 * 32-bit integer); the dash pattern is drawn by the library, not the pen.
 * The caller deletes it with DeleteObject. Null style: null. */
GR_API HPEN gr_create_pen_by_curve_style(const gr_curve_style* style) GR_NOEXCEPT;
/* A brush (CreateBrushIndirect) of the style's code and colour, hatch
 * HS_CROSS; the caller deletes it. Null style: null. */
GR_API HBRUSH gr_create_brush_by_fill_area_style(const gr_fill_area_style* fstyle) GR_NOEXCEPT;
/* Style code and colour from the brush; the hatch is dropped. */
GR_API void gr_create_fill_area_style_by_logbrush(gr_fill_area_style* out,
                                                  const LOGBRUSH* logbrush) GR_NOEXCEPT;
/* Fills the 24-byte record out: width lopnWidth.x, colour from lopnColor
 * (white (1, 1, 1) for PS_NULL), and a solid pattern (n = 0, the spare
 * length 0.0) for every pen style: the record has no room for a dash
 * pattern, whose two to six lengths would run past it. Returns the number
 * of dash lengths the pen's style implies (PS_DASH 2, PS_DOT 2, PS_DASHDOT
 * 4, PS_DASHDOTDOT 6, else 0); a caller with a larger record gets them
 * with gr_conv_logpen_to_curve_font. Nothing is allocated. */
GR_API int gr_create_curve_style_by_logpen(gr_curve_style* out, const LOGPEN* logpen) GR_NOEXCEPT;
/* The dash pattern of a pen style: PS_DASH 4, 4; PS_DOT 1, 4; PS_DASHDOT
 * 8, 2, 1, 2; PS_DASHDOTDOT 5, 2, 1, 2, 1, 2; any other style solid.
 * Writes n and the lengths into out when out has room for that many
 * lengths (room, counting len[0]); otherwise writes n = 0 (solid) and no
 * length. Returns the pattern's length count; out may be null to ask it. */
GR_API int gr_conv_logpen_to_curve_font(gr_curve_font* out, int room, const LOGPEN* logpen) GR_NOEXCEPT;

GR_END_C

#endif
