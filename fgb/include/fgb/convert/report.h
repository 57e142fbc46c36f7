/* The import report: what a reader passed over or could not represent.
 *
 * Usage. The caller owns one fgb_import_report (it is a plain record of
 * fixed size: no allocation, nothing to free), points the conversion
 * request's field report at it and calls MainDB::Convert to read a file.
 * The dispatcher clears it with fgb_report_init before the reader runs; the
 * reader fills it and never prints anything. Afterwards:
 *   - dialect, units and unit_inch say how the reader took the file's numbers
 *     ("HP-GL/2", "1/1016 inch (plotter units)", 1/1016);
 *   - items lists, one entry per command, entity or parameter name as the
 *     file spells it ("FT", "%SR", "HATCH"), what happened to it (what), how
 *     often (count) and where the first few were (where: lines from 1 when
 *     by_line is 1, byte offsets from 0 otherwise);
 *   - fgb_report_format writes all of it as text for a person.
 * A reader writes its entries with the functions of the library's private
 * side (convert/report_p.h); another program may add its own with
 * fgb_report_add. Entries beyond FGB_REPORT_ITEMS distinct names are counted
 * in items_lost only. */
#ifndef FGB_CONVERT_REPORT_H
#define FGB_CONVERT_REPORT_H

#include <stddef.h>
#include <stdint.h>
#include <fgb/fgb_api.h>

FGB_BEGIN_C

#define FGB_REPORT_NAME_SIZE 16 /* bytes of a name, its terminating zero included */
#define FGB_REPORT_PLACES 4     /* places kept per entry */
#define FGB_REPORT_ITEMS 48     /* distinct entries kept */

/* What happened to the entries of one name (field what). */
enum {
  FGB_REPORT_SKIPPED = 0,         /* not understood by the reader: passed over */
  FGB_REPORT_NOT_REPRESENTED = 1, /* understood, but the document cannot hold it (fills, clear
                                     polarity, bitmaps): left out */
  FGB_REPORT_APPROXIMATED = 2,    /* drawn approximately (a macro aperture by its extent, a
                                     character without a glyph as a space) */
  FGB_REPORT_DROPPED = 3,         /* geometry given but left out (outside a clip window, a
                                     number out of range, a limit reached) */
  FGB_REPORT_NOTE = 4             /* an assumption the reader made (pages laid side by side) */
};

typedef struct fgb_report_item {
  char name[FGB_REPORT_NAME_SIZE];   /* as the file spells it, cut to 15 bytes; zero-terminated */
  int32_t what;                      /* FGB_REPORT_* */
  uint32_t count;                    /* times met (saturates at 2^32 - 1) */
  uint32_t places;                   /* entries of where used, at most FGB_REPORT_PLACES */
  uint32_t reserved;                 /* 0 */
  uint64_t where[FGB_REPORT_PLACES]; /* the first places met, in file order: lines (from 1)
                                        or byte offsets (from 0), see by_line */
} fgb_report_item;

typedef struct fgb_import_report {
  uint32_t size;       /* sizeof(fgb_import_report), set by fgb_report_init */
  int32_t by_line;     /* 1: where holds line numbers; 0: byte offsets */
  double unit_inch;    /* one coordinate unit of the file in inches as read; 0 when the
                            reader has no single unit (metafiles: the caller's transform) */
  char units[48];      /* the units assumed, in words; zero-terminated, may be empty */
  char dialect[48];    /* the dialect assumed, in words; zero-terminated, may be empty */
  uint32_t item_count; /* entries of items used */
  uint32_t items_lost; /* names met after items was full; their entries are not kept */
  fgb_report_item items[FGB_REPORT_ITEMS];
} fgb_import_report;

/* Clears the report: no entries, empty texts, unit 0, by_line 1. */
FGB_API void fgb_report_init(fgb_import_report* report) FGB_NOEXCEPT;

/* Counts one more of name (what, at place where) into the report: the entry
 * of the same name and what, or a new one. 1 done, 0 when report or name is
 * null or the table is full (then items_lost grows). */
FGB_API int fgb_report_add(fgb_import_report* report, const char* name, int what,
                           uint64_t where) FGB_NOEXCEPT;

/* "skipped", "not represented", "approximated", "dropped", "note"; "?" for
 * other values. */
FGB_API const char* fgb_report_what_name(int what) FGB_NOEXCEPT;

/* Writes the report as lines of text for a person into out (at most size
 * bytes, zero-terminated when size > 0), one line for the dialect and units
 * and one per entry ("  FT  skipped  12x  lines 4, 9, 17, 30 ..."). Returns
 * the length of the whole text, as snprintf does; out may be null when size
 * is 0. */
FGB_API size_t fgb_report_format(const fgb_import_report* report, char* out, size_t size) FGB_NOEXCEPT;

FGB_END_C

#endif
