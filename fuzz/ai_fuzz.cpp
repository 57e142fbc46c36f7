// libFuzzer harness of the Illustrator reader (in memory; see fuzz_common.h).
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzing::fuzz_one(fgb::conv::read_ai, FGB_KIND_AI, data, size);
}
