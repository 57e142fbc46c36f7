/* fgb: the graphics database. Element lists (plain C, <fgb/fgb_db.h>), the
 * conversion request (plain C, <fgb/convert/convert.h>), the import report
 * (plain C, <fgb/convert/report.h>), metafile loading (plain C,
 * <fgb/convert/wmf.h>), text as strokes (plain C, <fgb/text/stroke_font.h>)
 * and, for C++, the
 * document class MainDB with its notifications. */
#ifndef FGB_FGB_H
#define FGB_FGB_H

#include <fgb/fgb_api.h>
#include <fgb/fgb_db.h>
#include <fgb/convert/convert.h>
#include <fgb/convert/wmf.h>
#include <fgb/convert/report.h>
#include <fgb/text/stroke_font.h>

#ifdef __cplusplus
#include <fgb/db_notify.h>
#include <fgb/main_db.h>
#endif

#endif
