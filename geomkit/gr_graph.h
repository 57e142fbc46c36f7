/* Device drawing of the geometry records onto a device context (HDC, see
 * <geomkit/gr_dc.h>). Coordinates are logical units of the device context;
 * every conversion to the device's integers truncates toward zero, and every
 * line and dash vertex goes through one primitive that copes with values
 * beyond 32-bit integers. Each function leaves the device context as it
 * found it: objects it selects are deselected, objects it creates deleted,
 * map mode and extents restored. */
#ifndef GEOMKIT_GR_GRAPH_H
#define GEOMKIT_GR_GRAPH_H

#include <stdint.h>
#include <geomkit/gr_api.h>
#include <geomkit/gr_dc.h>
#include <geomkit/gr_types.h>
#include <geomkit/gr_style.h>
#include <geomkit/gr_poly.h>
#include <geomkit/gr_circle.h>
#include <geomkit/gr_bez.h>

GR_BEGIN_C

/* Text: reference point (left end of the baseline's bottom), font height in
 * logical units and len 8-bit characters. */
typedef struct gr_text {
  double x, y;
  uint8_t reserved[20]; /* not read by the library */
  double height;
  int32_t len;
  char str[4];          /* len characters follow; the record keeps 4 spare bytes */
} gr_text;

GR_API int gr_get_text_sizen(int len) GR_NOEXCEPT;
GR_API int gr_get_text_size(const gr_text* text) GR_NOEXCEPT;
GR_API gr_text* gr_alloc_buffer_for_text(int len) GR_NOEXCEPT;
GR_API void gr_free_buffer_for_text(gr_text* p) GR_NOEXCEPT;

/* ---- plain outlines, current pen ---- */
GR_API void gr_polyline_draw(const gr_polyline* pline, HDC dc) GR_NOEXCEPT;
GR_API void gr_polylines_draw(const gr_polylines* set, HDC dc) GR_NOEXCEPT;
GR_API void gr_segment_draw(const gr_segment* seg, HDC dc) GR_NOEXCEPT;
GR_API void gr_circle_draw(const gr_circle* circle, HDC dc) GR_NOEXCEPT;
GR_API void gr_trcircle_draw(const gr_trcircle* arc, HDC dc) GR_NOEXCEPT;
/* step: chord length in logical units. */
GR_API void gr_ellip_draw(const gr_ellip* ellip, HDC dc, double step) GR_NOEXCEPT;
GR_API void gr_trellip_draw(const gr_trellip* trellip, HDC dc, double step) GR_NOEXCEPT;
GR_API void gr_bezier_draw(HDC dc, const gr_bezier* bez) GR_NOEXCEPT;

/* ---- dashed outlines, current pen (font->n > 0) ---- */
GR_API void gr_polyline_draw16(const gr_polyline* pline, HDC dc, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_polylines_draw16(const gr_polylines* set, HDC dc, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_segment_draw16(const gr_segment* seg, HDC dc, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_ellip_draw16(const gr_ellip* ellip, HDC dc, double step, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_trellip_draw16(const gr_trellip* trellip, HDC dc, double step, const gr_curve_font* font) GR_NOEXCEPT;

/* ---- styled outlines, pen made from the style ---- */
GR_API void gr_styled_polyline_draw(const gr_polyline* pline, const gr_curve_style* style, HDC dc) GR_NOEXCEPT;
GR_API void gr_styled_segment_draw(const gr_segment* seg, const gr_curve_style* style, HDC dc) GR_NOEXCEPT;
GR_API void gr_styled_circle_draw(const gr_circle* circle, const gr_curve_style* style, HDC dc) GR_NOEXCEPT;

/* ---- thick outlines (a copy of the current pen; thickness does not change it) ---- */
GR_API void gr_thick_polyline_draw(const gr_thick_polyline* tpline, HDC dc) GR_NOEXCEPT;
GR_API void gr_thick_polyline_draw16(const gr_thick_polyline* tpline, HDC dc, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_thick_segment_draw(const gr_segment* seg, HDC dc) GR_NOEXCEPT;
GR_API void gr_thick_segment_draw16(const gr_segment* seg, HDC dc, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_thick_circle_draw(const gr_thick_circle* circle, HDC dc) GR_NOEXCEPT;
GR_API void gr_thick_circle_draw16(const gr_thick_circle* circle, HDC dc, double step, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_thick_trcircle_draw(const gr_thick_trcircle* arc, HDC dc) GR_NOEXCEPT;
GR_API void gr_thick_trcircle_draw16(const gr_thick_trcircle* arc, HDC dc, double step, const gr_curve_font* font) GR_NOEXCEPT;

/* ---- filled shapes, current pen and brush; 1 drawn, 0 out of memory ---- */
GR_API int gr_filled_polyline_draw(const gr_polyline* pline, HDC dc) GR_NOEXCEPT;
/* All members as one shape, even-odd fill. */
GR_API int gr_filled_polylines_draw(const gr_polylines* set, HDC dc) GR_NOEXCEPT;

/* ---- markers and text ---- */
GR_API void gr_styled_cpoint_draw(const gr_cpoint* pt, const gr_marker_style* marker, HDC dc) GR_NOEXCEPT;
GR_API void gr_text_draw(const gr_text* text, HDC dc) GR_NOEXCEPT;

GR_END_C

#endif
