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

/* Each component trunc(c * 255), low 8 bits: red bits 0-7, green 8-15, blue 16-23. */
GR_API COLORREF gr_get_colorref(const gr_rgbcol* color) GR_NOEXCEPT;
GR_API void gr_create_color_by_colorref(gr_rgbcol* out, COLORREF colorref) GR_NOEXCEPT;
GR_API int gr_curve_font_size(const gr_curve_font* font) GR_NOEXCEPT;
GR_API int gr_curve_font_sizen(int n) GR_NOEXCEPT;
GR_API int gr_curve_style_size(void) GR_NOEXCEPT;
GR_API int gr_fill_area_style_size(void) GR_NOEXCEPT;
/* A solid pen (PS_NULL for width -1.0); the caller deletes it with DeleteObject. */
GR_API HPEN gr_create_pen_by_curve_style(const gr_curve_style* style) GR_NOEXCEPT;
/* A brush of the style's code and colour, hatch HS_CROSS; the caller deletes it. */
GR_API HBRUSH gr_create_brush_by_fill_area_style(const gr_fill_area_style* fstyle) GR_NOEXCEPT;
GR_API void gr_create_fill_area_style_by_logbrush(gr_fill_area_style* out, const LOGBRUSH* logbrush) GR_NOEXCEPT;
/* Width and colour from the pen (white for PS_NULL). out is a 24-byte
 * record; see the implementation notes for dashed pens. */
GR_API int gr_create_curve_style_by_logpen(gr_curve_style* out, const LOGPEN* logpen) GR_NOEXCEPT;

GR_END_C

#endif
