// libFuzzer harness of the PCAD board reader (in memory; see fuzz_common.h).
// The first byte chooses the layer (0..3, or -1 for every position); the
// rest is the file.
#include "fuzz_common.h"

namespace {

int read_board_with_layer(const uint8_t* data, size_t size, fgb::conv::ElementSink& sink,
                          const fgb::conv::ReadOptions& opt) {
  if (size == 0) return 0;
  fgb::conv::ReadOptions o = opt;
  o.layer = data[0] >= 0xF0 ? -1 : data[0] % 4;
  return fgb::conv::read_pcad_board(data + 1, size - 1, sink, o);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzing::fuzz_one(read_board_with_layer, FGB_KIND_PCAD_BOARD, data, size);
}
