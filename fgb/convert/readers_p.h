// The readers of the exchange formats: one entry point per kind.
#ifndef FGB_CONVERT_READERS_P_H
#define FGB_CONVERT_READERS_P_H

#include "convert/sink_p.h"

#include <cstddef>
#include <cstdint>

#include <fgb/convert/convert.h>
#include <geomkit/gr_types.h>

namespace fgb::conv {

struct ReadOptions {
  const float* apertures = nullptr;  // sizes (inches) by D-code, or null: all 0
  int aperture_count = 0;            // entries of apertures
  int layer = 0;                     // board layer to read (PCAD boards); -1 reads every position
  gr_ctrans transform{0.0, 0.0, 1.0, 0.0, 1.0, 1, 1};  // metafiles: the frame's units -> inches
  bool wmf_framed = false;                             // metafiles: wmf_frame holds the placeable
  int16_t wmf_frame[4] = {0, 0, 0, 0};                 //   header's box: left, top, right, bottom
  fgb_progress_fn progress = nullptr;
  void* progress_user = nullptr;
  fgb_import_report* report = nullptr;  // null: nothing is reported
  int cutter_units = 1000;              // Gerber-cutter numbers per inch: 1000 or 100
  int64_t max_elements = 0;             // budget of the read (see read_budget); 0: scaled to the input
};

// The elements a read of size bytes may create (the add budget of the
// document it fills): max_elements when given, else kBudgetFloor or one
// element per kBudgetBytesOfInput bytes, whichever is more.
int64_t read_budget(int64_t max_elements, size_t size) noexcept;

// Each returns 1 when at least one element was added, 0 otherwise.
using ReadFn = int (*)(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_hpgl(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_dxf(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_gerber(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_cutter(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_ai(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_pcad_plot(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
int read_pcad_board(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
// The bits a metafile handle holds: the standard header, then the records.
int read_wmf(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);
// A metafile file's bytes, placeable or plain, loaded as the program loads
// them and then read as read_wmf does (fuzzers, tests, benchmarks).
int read_wmf_file(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);

}  // namespace fgb::conv

#endif
