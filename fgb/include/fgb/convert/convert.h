/* The conversion request: reading an exchange file into a document, or
 * writing a document out to one, through MainDB::Convert.
 *
 * The program keeps one request for the whole process and fills some of its
 * fields before each conversion; the rest keep the values of the previous
 * one. Numbers in files are read and written with "." as the decimal
 * separator whatever the process locale. Written files get CR LF line ends.
 * A write goes to a temporary file in the target's folder that replaces the
 * target only when complete, so a failed save leaves the old file intact:
 * the saved file is a new file (other hard links to the old one keep the
 * old contents), with the old file's permission bits less set-user-ID and
 * set-group-ID. A symbolic link is written through: the file it names is
 * replaced and the link stays. Devices and named pipes are written
 * directly (not_atomic tells). */
#ifndef FGB_CONVERT_CONVERT_H
#define FGB_CONVERT_CONVERT_H

#include <stdint.h>
#include <fgb/fgb_api.h>
#include <fgb/convert/wmf.h>
#include <fgb/convert/report.h>
#include <geomkit/gr_types.h>
#include <geomkit/gr_style.h>

#ifdef __cplusplus
extern "C" {
#endif

/* File kinds (field kind). */
enum {
  FGB_KIND_HPGL = 0,         /* read and written */
  FGB_KIND_GERBER = 1,       /* RS-274 blocks; read and written */
  FGB_KIND_DXF = 2,          /* read and written */
  FGB_KIND_WMF = 3,          /* Windows metafile, read only */
  FGB_KIND_AI = 4,           /* Adobe Illustrator, read only */
  FGB_KIND_PCAD_PLOT = 5,    /* PCAD 4.5 plot file, read only */
  FGB_KIND_PCAD_BOARD = 6,   /* PCAD board, one layer, read only */
  FGB_KIND_GERBER_CUTTER = 7 /* Gerber dialect of knife cutters; read and written */
};

/* Results of MainDB::Convert. */
enum {
  FGB_CONVERT_DONE = 1,          /* read or written */
  FGB_CONVERT_NOTHING = 0,       /* no reader or writer for this kind and direction */
  FGB_CONVERT_READ_FAILED = -1,  /* the input could not be opened or read (kind 3: no metafile
                                    handle); nothing added */
  FGB_CONVERT_WRITE_FAILED = -2, /* the output could not be created, written or put in place;
                                    the previous file (if any) is untouched */
  FGB_CONVERT_NO_MEMORY = -3,    /* memory ran out; a read leaves the document as it was before
                                    (see partial), a write leaves the previous file untouched */
  FGB_CONVERT_BAD_REQUEST = -4,  /* no path given */
  FGB_CONVERT_TOO_LARGE = -5,    /* the read would create more elements than max_elements allows
                                    (or a stream is longer than any drawing); handled like
                                    FGB_CONVERT_NO_MEMORY */
  FGB_CONVERT_NOT_A_FILE = -6,   /* the path names a device, a socket or the like: not read */
  FGB_CONVERT_EMPTY = -7,        /* a write of a drawing without elements over an existing file
                                    that is not empty, without force: the file is untouched */
  FGB_CONVERT_OUT_OF_RANGE = -8  /* a write met a coordinate or size beyond what the format holds
                                    (32-bit plotter units; 10^15 in DXF): the file is untouched */
};

/* Called during long reads and writes with the share done (0..1). */
typedef void (*fgb_progress_fn)(void* user, double fraction);

typedef struct Pconvert {
  int32_t direction;             /* 0 read the file into the document, 1 write the document */
  const char* path;              /* file to read or create; zero-terminated, the caller's */
  int32_t kind;                  /* FGB_KIND_* */
  uint8_t optimise;              /* HPGL writing: non-zero orders the paths and estimates the time */
  int16_t layer_or_flag;         /* reading PCAD boards: the layer; writers ignore it */
  const float* apertures;        /* aperture sizes (inches) by D-code; null reads as all 0 */
  const float* sorted_apertures; /* the same sizes, ascending */
  int32_t aperture_count;        /* entries of both tables (100) */
  float elapsed_time;            /* in: -1.0 before a write; out: estimated plotting time (s)
                                     after an HPGL or Gerber write */
  int32_t dxf_variant;           /* DXF writing: non-zero leaves segments out */
  HMETAFILE metafile;            /* kind 3: the metafile the caller loaded (still the caller's) */
  gr_ctrans transform;           /* kind 3: transform of every metafile coordinate and pen width,
                                     logical units to inches (scale 1 / units per inch) */
  int32_t selection_only;        /* writing: non-zero writes only the selected elements */
  /* Beyond the program's own request: */
  fgb_progress_fn progress;  /* null: no progress reports */
  void* progress_user;       /* handed to progress */
  int32_t sys_error;         /* out: errno of the file operation that failed, else 0 */
  fgb_import_report* report; /* reading: null, or the caller's report, cleared and then filled
                                     by the reader (<fgb/convert/report.h>) */
  int32_t cutter_units;      /* reading Gerber-cutter files: units per inch of their numbers,
                                     1000 (thousandths, also for 0) or 100 (hundredths) */
  int64_t max_elements;      /* reading: the most elements the read may create, every 128
                                     bytes of points (about 8 points) counting as one more;
                                     0: the document's SetMaxElements, else scaled to the input
                                     (4 000 000, or one per 4 bytes of the file when more).
                                     writing: the same for the curves flattened on the way
                                     (FGB_CONVERT_TOO_LARGE); 0 scales it to the drawing
                                     (4 000 000, or 16 per element written when more) */
  int32_t partial;           /* out: 1 when a read that ran out of memory or budget could not
                                     be taken back: the document holds what was read up to there */
  int32_t force;             /* writing: non-zero writes a drawing without elements over a
                                     file that is not empty (else FGB_CONVERT_EMPTY) */
  int32_t not_atomic;        /* out: 1 when the write went straight to a device or a named
                                     pipe, which cannot be replaced as a whole */
} Pconvert;

/* The fill style of every element a reader creates: style 0, black. */
FGB_API extern const gr_fill_area_style fgb_default_fill_area_style;

#ifdef __cplusplus
}
#endif

#endif
