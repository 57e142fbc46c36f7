// The object store against the C heap on the element store's commonest load:
// many small records made, filled and dropped. A store round creates the
// cells and sets each to a 24-byte boxed datum, then unties them all; a heap
// round mallocs as many 24-byte blocks, copies the same bytes in and frees
// them all. BM_StoreVsMalloc runs the two rounds in turn inside one
// benchmark, so that both see the same machine load, and reports the mean
// time of each and their ratio (goal: at most 1.0).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <nodestore/nodestore.h>

namespace {

constexpr int kMillion = 1000000;
constexpr int kBytes = 24;
const char kRecord[kBytes + 1] = "0123456789abcdefghijklmn";

bool store_round(std::vector<tag_ns_handler>& cells) {
  bool ok = true;
  for (tag_ns_handler& h : cells) {
    h = ns_create_obj();
    ok &= ns_set_boxed_obj(h, 4, kRecord, kBytes) == 1;
  }
  benchmark::DoNotOptimize(cells.data());
  for (tag_ns_handler h : cells) ns_untie_obj(h);
  benchmark::ClobberMemory();
  return ok;
}

bool heap_round(std::vector<void*>& blocks) {
  for (void*& p : blocks) {
    p = std::malloc(kBytes);
    if (!p) return false;
    std::memcpy(p, kRecord, kBytes);
  }
  benchmark::DoNotOptimize(blocks.data());
  for (void* p : blocks) std::free(p);
  benchmark::ClobberMemory();
  return true;
}

void BM_StoreCreateSetUntie(benchmark::State& state) {
  std::vector<tag_ns_handler> cells(static_cast<size_t>(state.range(0)));
  for (auto _ : state)
    if (!store_round(cells)) state.SkipWithError("out of memory");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StoreCreateSetUntie)->Arg(kMillion)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_MallocCopyFree(benchmark::State& state) {
  std::vector<void*> blocks(static_cast<size_t>(state.range(0)));
  for (auto _ : state)
    if (!heap_round(blocks)) state.SkipWithError("out of memory");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MallocCopyFree)->Arg(kMillion)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_StoreVsMalloc(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  std::vector<tag_ns_handler> cells(static_cast<size_t>(state.range(0)));
  std::vector<void*> blocks(static_cast<size_t>(state.range(0)));
  store_round(cells);  // the store keeps its blocks: time it in steady state, as the heap
  heap_round(blocks);
  double store_s = 0, heap_s = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    bool ok = store_round(cells);
    auto t1 = Clock::now();
    ok &= heap_round(blocks);
    auto t2 = Clock::now();
    if (!ok) state.SkipWithError("out of memory");
    store_s += std::chrono::duration<double>(t1 - t0).count();
    heap_s += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
  }
  double rounds = double(state.iterations());
  state.counters["store_ms"] = 1e3 * store_s / rounds;
  state.counters["malloc_ms"] = 1e3 * heap_s / rounds;
  state.counters["ratio"] = heap_s > 0 ? store_s / heap_s : 0;
}
BENCHMARK(BM_StoreVsMalloc)->Arg(kMillion)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
