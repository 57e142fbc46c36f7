/* The graphics database's header is plain C too: the conversion request
 * and the metafile handle functions, called through the shared library. */
#include <string.h>
#include <fgb/fgb.h>

/* The import report is a caller-owned record; the stroke font hands back a
 * polyline set freed by geomkit. */
static int report_and_font(void) {
  int failures = 0;
  fgb_import_report report;
  fgb_text_layout layout;
  gr_polylines* strokes;
  char text[256];
  int missing = -1;
  fgb_report_init(&report);
  if (fgb_report_add(&report, "FT", FGB_REPORT_SKIPPED, 3) != 1) ++failures;
  if (report.item_count != 1 || report.items[0].count != 1) ++failures;
  if (fgb_report_format(&report, text, sizeof text) == 0 || strstr(text, "FT") == NULL) ++failures;
  memset(&layout, 0, sizeof layout);
  layout.height = 0.25;
  strokes = fgb_stroke_text("H", 1, &layout, &missing);
  if (!strokes || strokes->n != 3 || missing != 0) ++failures;
  gr_free_buffer_for_polylines(strokes);
  if (fgb_stroke_text_length("HH", 2, &layout) <= 0.0) ++failures;
  return failures;
}

int fgb_import_c_check(void) {
  int failures = 0;
  /* A standard header (memory metafile, 9 header words, 12 words in all)
   * and the end record. */
  static const uint8_t bits[24] = {1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
  uint8_t back[24];
  Pconvert req;
  HMETAFILE mf = SetMetaFileBitsEx(sizeof bits, bits);
  memset(&req, 0, sizeof req);
  req.kind = FGB_KIND_WMF;
  req.metafile = mf;
  if (!mf) ++failures;
  if (GetMetaFileBitsEx(mf, sizeof back, back) != sizeof bits || memcmp(back, bits, sizeof bits) != 0)
    ++failures;
  if (DeleteMetaFile(req.metafile) != 1) ++failures;
  if (SetMetaFileBitsEx(4, bits) != NULL) ++failures;
  if (FileIsPlaceable("/nonexistent/kalvex.wmf") != 0) ++failures;
  failures += report_and_font();
  return failures;
}
