/* Text as strokes: a single-stroke font, as pen plotters draw text.
 *
 * Usage. Fill an fgb_text_layout (where the baseline starts, the cap height,
 * the direction of the baseline, optionally a fixed character width and
 * pitch and a slant) and call fgb_stroke_text with the string (UTF-8): it
 * returns the strokes as one polyline set in document units (inches), which
 * the caller frees with gr_free_buffer_for_polylines, or adds member by
 * member to a document as ordinary polylines. fgb_stroke_text_length gives
 * the distance from the first character's origin to the point after the
 * last one, along the baseline, for aligning text (centred, right-aligned).
 *
 * The font is the Hershey simplex Roman font (Dr. A. V. Hershey, U. S.
 * National Bureau of Standards; data format by James Hurt, Cognition,
 * Inc.), compiled into the library from Debian's hershey-fonts-data at build
 * time. It has the printable ASCII characters; any other character takes the
 * room of a space and is counted as missing. Control characters (below
 * 32) draw nothing and take no room: line breaks are the caller's. */
#ifndef FGB_TEXT_STROKE_FONT_H
#define FGB_TEXT_STROKE_FONT_H

#include <stddef.h>
#include <fgb/fgb_api.h>
#include <geomkit/gr_poly.h>
#include <geomkit/gr_types.h>

FGB_BEGIN_C

typedef struct fgb_text_layout {
  gr_cpoint origin; /* start of the first character's baseline, inches */
  double height;    /* cap height (the height of "H"), inches; not above 0 draws nothing */
  double width;     /* body width of a character (of "H"), inches; 0: the font's own
                       proportions at this height */
  double pitch;     /* origin to origin of successive characters, inches: fixed pitch,
                       each character centred on its body; 0: proportional, each
                       character as wide as the font has it */
  double dir_x;     /* direction of the baseline; need not be a unit vector; (0, 0) reads */
  double dir_y;     /*   as (1, 0). The characters stand to the left of it (y up) */
  double slant;     /* tangent of the slant: sideways shift per unit of height; 0 upright */
} fgb_text_layout;

/* The strokes of text (len bytes of UTF-8; invalid bytes are taken one by
 * one as Latin-1) in one heap block; free it with
 * gr_free_buffer_for_polylines. Each member is one stroke, open, of two or
 * more points. Null when nothing is drawn (empty or blank text, a bad
 * layout: height not above 0 or not finite numbers) or memory ran out.
 * missing, when not null, receives the number of characters without a
 * glyph. */
FGB_API gr_polylines* fgb_stroke_text(const char* text, size_t len, const fgb_text_layout* layout,
                                      int* missing) FGB_NOEXCEPT;

/* The length of text along the baseline (inches): the sum of its
 * characters' advances, the pitch each for a fixed pitch. 0 for a bad
 * layout. */
FGB_API double fgb_stroke_text_length(const char* text, size_t len,
                                      const fgb_text_layout* layout) FGB_NOEXCEPT;

FGB_END_C

#endif
