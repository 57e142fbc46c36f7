// The object store against the C heap on the element store's commonest load:
// a million small records made, filled and dropped. Each round creates
// 1 000 000 cells and sets each to a 24-byte boxed datum, then unties them
// all; the baseline mallocs 1 000 000 blocks of 24 bytes, copies the same
// bytes in and frees them all. The run ends with the store/heap time ratio.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <nodestore/nodestore.h>

namespace {

constexpr int kCount = 1000000;
constexpr int kBytes = 24;
const char kRecord[kBytes + 1] = "0123456789abcdefghijklmn";

void BM_StoreCreateSetUntie(benchmark::State& state) {
  const int count = int(state.range(0));
  std::vector<tag_ns_handler> cells(static_cast<size_t>(count));
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) {
      cells[i] = ns_create_obj();
      if (!ns_set_boxed_obj(cells[i], 4, kRecord, kBytes)) state.SkipWithError("out of memory");
    }
    benchmark::DoNotOptimize(cells.data());
    for (int i = 0; i < count; ++i) ns_untie_obj(cells[i]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_StoreCreateSetUntie)->Arg(kCount)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_MallocCopyFree(benchmark::State& state) {
  const int count = int(state.range(0));
  std::vector<void*> blocks(static_cast<size_t>(count));
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) {
      blocks[i] = std::malloc(kBytes);
      if (!blocks[i]) state.SkipWithError("out of memory");
      std::memcpy(blocks[i], kRecord, kBytes);
    }
    benchmark::DoNotOptimize(blocks.data());
    for (int i = 0; i < count; ++i) std::free(blocks[i]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_MallocCopyFree)->Arg(kCount)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Prints the usual table, then for each size the ratio of the store's time
// to the heap's (real time, per round).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
      std::string name = r.benchmark_name();
      size_t slash = name.find('/');
      std::string size = slash == std::string::npos ? "" : name.substr(slash + 1);
      bool store = name.rfind("BM_Store", 0) == 0;
      (store ? store_ : heap_)[size] = r.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [size, store_time] : store_) {
      auto heap = heap_.find(size);
      if (heap == heap_.end() || heap->second <= 0) continue;
      GetOutputStream() << "records " << size << ": store " << store_time << ", malloc+memcpy+free "
                        << heap->second << " (per round, " << GetTimeUnitString(benchmark::kMicrosecond)
                        << "), ratio " << store_time / heap->second << " (goal: at most 1.0)\n";
    }
  }

 private:
  std::map<std::string, double> store_, heap_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
