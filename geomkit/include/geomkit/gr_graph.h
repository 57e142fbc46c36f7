/* Device drawing of the geometry records onto a device context (HDC, see
 * <geomkit/gr_dc.h>). Coordinates are logical units of the device context;
 * every conversion to the device's integers truncates toward zero, and every
 * line and dash vertex goes through one primitive that copes with values
 * beyond 32-bit integers. Each function leaves the device context as it
 * found it: objects it selects are deselected, objects it creates deleted,
 * map mode and extents restored. Coordinates beyond the device's 32-bit
 * range are clamped into it, never wrapped. */
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
 * logical units and len 8-bit characters. 52 + len bytes: the fields are
 * packed to 4 bytes (height sits at offset 36, the characters at 48) and the
 * record keeps 4 spare bytes beyond the characters. */
#pragma pack(push, 4)
typedef struct gr_text {
  double x, y;
  uint8_t reserved[20]; /* not read by the library */
  double height;
  int32_t len;
  char str[4]; /* len characters from here, then 4 spare bytes */
} gr_text;
#pragma pack(pop)

/* len + 52. */
GR_API int gr_get_text_sizen(int len) GR_NOEXCEPT;
GR_API int gr_get_text_size(const gr_text* text) GR_NOEXCEPT;
/* A block of gr_get_text_sizen(len) bytes on the C heap, uninitialised;
 * null for a negative len or when memory runs out. */
GR_API gr_text* gr_alloc_buffer_for_text(int len) GR_NOEXCEPT;
GR_API void gr_free_buffer_for_text(gr_text* p) GR_NOEXCEPT;

/* ---- plain outlines, current pen ---- */
/* A polyline of fewer than 2 points (the precondition pline->n > 1 not met)
 * draws nothing; so do the dashed, styled, thick forms, and members of a set
 * that have fewer than 2 points. A point with a NaN coordinate is skipped. */
GR_API void gr_polyline_draw(const gr_polyline* pline, HDC dc) GR_NOEXCEPT;
GR_API void gr_polylines_draw(const gr_polylines* set, HDC dc) GR_NOEXCEPT;
GR_API void gr_segment_draw(const gr_segment* seg, HDC dc) GR_NOEXCEPT;
GR_API void gr_circle_draw(const gr_circle* circle, HDC dc) GR_NOEXCEPT;
GR_API void gr_trcircle_draw(const gr_trcircle* arc, HDC dc) GR_NOEXCEPT;
/* step: chord length in logical units (about: the parameter advances by
 * step over the distance from the centre); a step that is not positive draws
 * nothing, and a figure huge beside its step is cut into at most about a
 * million chords. An empty range, or both semi-axes within GR_LMES_PREC,
 * draws nothing; with one semi-axis within it the figure is the segment
 * along the other axis, drawn there and back. */
GR_API void gr_ellip_draw(const gr_ellip* ellip, HDC dc, double step) GR_NOEXCEPT;
GR_API void gr_trellip_draw(const gr_trellip* trellip, HDC dc, double step) GR_NOEXCEPT;
/* One PolyBezier per complete piece of 4 points; stops at the first that fails. */
GR_API void gr_bezier_draw(HDC dc, const gr_bezier* bez) GR_NOEXCEPT;

/* ---- dashed outlines, current pen (font->n > 0) ----
 * Even entries draw, odd ones skip. Along a polyline or an ellipse's chords
 * the pattern carries round the corners; it restarts for every polyline of a
 * set and every call. A segment starts at the first entry and always ends
 * with the pen down at p2. A pattern that cannot advance (no entries, or
 * lengths adding up to no more than GR_LMES_PREC; negative lengths count as
 * 0) draws solid, and so does an edge that would need more than about a
 * million pieces. */
GR_API void gr_polyline_draw16(const gr_polyline* pline, HDC dc, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_polylines_draw16(const gr_polylines* set, HDC dc, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_segment_draw16(const gr_segment* seg, HDC dc, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_ellip_draw16(const gr_ellip* ellip, HDC dc, double step,
                            const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_trellip_draw16(const gr_trellip* trellip, HDC dc, double step,
                              const gr_curve_font* font) GR_NOEXCEPT;

/* ---- styled outlines, pen made from the style ----
 * A negative width draws nothing; a pattern count of 0 draws solid. The
 * dashed circle is drawn as chords of about 10 logical units. */
GR_API void gr_styled_polyline_draw(const gr_polyline* pline, const gr_curve_style* style,
                                    HDC dc) GR_NOEXCEPT;
GR_API void gr_styled_segment_draw(const gr_segment* seg, const gr_curve_style* style, HDC dc) GR_NOEXCEPT;
GR_API void gr_styled_circle_draw(const gr_circle* circle, const gr_curve_style* style, HDC dc) GR_NOEXCEPT;

/* ---- thick outlines (a copy of the current pen; thickness does not change it) ---- */
GR_API void gr_thick_polyline_draw(const gr_thick_polyline* tpline, HDC dc) GR_NOEXCEPT;
GR_API void gr_thick_polyline_draw16(const gr_thick_polyline* tpline, HDC dc,
                                     const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_thick_segment_draw(const gr_segment* seg, HDC dc) GR_NOEXCEPT;
GR_API void gr_thick_segment_draw16(const gr_segment* seg, HDC dc, const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_thick_circle_draw(const gr_thick_circle* circle, HDC dc) GR_NOEXCEPT;
GR_API void gr_thick_circle_draw16(const gr_thick_circle* circle, HDC dc, double step,
                                   const gr_curve_font* font) GR_NOEXCEPT;
GR_API void gr_thick_trcircle_draw(const gr_thick_trcircle* arc, HDC dc) GR_NOEXCEPT;
GR_API void gr_thick_trcircle_draw16(const gr_thick_trcircle* arc, HDC dc, double step,
                                     const gr_curve_font* font) GR_NOEXCEPT;

/* ---- filled shapes, current pen and brush; 1 drawn, 0 out of memory ---- */
GR_API int gr_filled_polyline_draw(const gr_polyline* pline, HDC dc) GR_NOEXCEPT;
/* All members as one shape, even-odd fill. */
GR_API int gr_filled_polylines_draw(const gr_polylines* set, HDC dc) GR_NOEXCEPT;

/* ---- markers and text ----
 * Marker kinds: 0 disc (a pixel at size 0) filled with the marker colour and
 * outlined with the current pen; 1-6 outlines with a 1-unit pen of the marker
 * colour; any other kind draws nothing. Text: the stock ANSI_VAR_FONT at the
 * record's height, transparent background, aligned on its bottom-left. */
GR_API void gr_styled_cpoint_draw(const gr_cpoint* pt, const gr_marker_style* marker, HDC dc) GR_NOEXCEPT;
GR_API void gr_text_draw(const gr_text* text, HDC dc) GR_NOEXCEPT;

GR_END_C

#endif
