// libFuzzer harness of the metafile import: the bytes of a metafile file,
// placeable or plain, loaded as the program loads them and converted (in
// memory; see fuzz_common.h).
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzing::fuzz_one(fgb::conv::read_wmf_file, FGB_KIND_WMF, data, size);
}
