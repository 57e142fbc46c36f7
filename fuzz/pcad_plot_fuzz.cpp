// libFuzzer harness of the PCAD plot-file reader (in memory; see fuzz_common.h).
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzing::fuzz_one(fgb::conv::read_pcad_plot, FGB_KIND_PCAD_PLOT, data, size);
}
