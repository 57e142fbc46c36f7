/* The graphics database's header is plain C too: the conversion request
 * and the metafile handle functions, called through the shared library. */
#include <string.h>
#include <fgb/fgb.h>

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
  if (GetMetaFileBitsEx(mf, sizeof back, back) != sizeof bits || memcmp(back, bits, sizeof bits) != 0) ++failures;
  if (DeleteMetaFile(req.metafile) != 1) ++failures;
  if (SetMetaFileBitsEx(4, bits) != NULL) ++failures;
  if (FileIsPlaceable("/nonexistent/kalvex.wmf") != 0) ++failures;
  return failures;
}
