// Readers and writers of the exchange formats in process, on generated
// drawings of one million pen-down points: the number-scanning floor, each
// reader alone (a sink that only counts), each reader into a document, and
// each writer from a document into memory. cli_convert_bench times the whole
// program beside other tools.
#include "fgb_convert_inputs.h"

#include "convert/document_p.h"
#include "convert/sink_p.h"
#include "convert/readers_p.h"
#include "convert/outbuf_p.h"

#include <benchmark/benchmark.h>

#include <map>

using namespace fgb::conv;

namespace {

struct Format {
  const char* name;
  int kind;
  ReadFn read;
  std::string (*make)();
};

const Format kFormats[] = {
    {"hpgl", FGB_KIND_HPGL, read_hpgl, bench_inputs::make_hpgl},
    {"gerber", FGB_KIND_GERBER, read_gerber, bench_inputs::make_gerber},
    {"cutter", FGB_KIND_GERBER_CUTTER, read_cutter, bench_inputs::make_cutter},
    {"dxf", FGB_KIND_DXF, read_dxf, bench_inputs::make_dxf},
    {"dxf-blocks", FGB_KIND_DXF, read_dxf, bench_inputs::make_dxf_blocks},
};

const std::string& input(const Format& f) {
  static std::map<std::string, std::string> cache;
  auto it = cache.find(f.name);
  if (it == cache.end()) it = cache.emplace(f.name, f.make()).first;
  return it->second;
}

float g_apertures[100];

ReadOptions options() {
  g_apertures[11] = 0.012f;
  ReadOptions o;
  o.apertures = g_apertures;
  o.aperture_count = 100;
  return o;
}

// Counts elements, and the points of polylines.
class CountingSink final : public ElementSink {
 public:
  void add(int kind, const void* shape, const gr_curve_style&) override {
    ++count;
    if (kind == kPolyline) points += static_cast<const gr_polyline*>(shape)->n;
  }
  long count = 0;
  long points = 0;
};

void floor_scan(benchmark::State& st, const Format& f) {
  const std::string& text = input(f);
  for (auto _ : st) benchmark::DoNotOptimize(bench_inputs::scan_numbers(text));
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * text.size()));
}

void read_only(benchmark::State& st, const Format& f) {
  const std::string& text = input(f);
  const ReadOptions opt = options();
  long elements = 0, points = 0;
  for (auto _ : st) {
    CountingSink sink;
    f.read(reinterpret_cast<const uint8_t*>(text.data()), text.size(), sink, opt);
    elements = sink.count;
    points = sink.points;
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * text.size()));
  st.counters["elements"] = static_cast<double>(elements);
  st.counters["polyline_points"] = static_cast<double>(points);
}

void read_into_document(benchmark::State& st, const Format& f) {
  const std::string& text = input(f);
  const ReadOptions opt = options();
  for (auto _ : st) {
    MainDB doc;
    read_document(doc, f.kind, reinterpret_cast<const uint8_t*>(text.data()), text.size(), opt);
    benchmark::DoNotOptimize(doc.GetCountElems());
    st.PauseTiming();
    doc.Delete();
    st.ResumeTiming();
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * text.size()));
}

void write_from_document(benchmark::State& st, const Format& f, bool optimise) {
  const std::string& text = input(f);
  MainDB doc;
  read_document(doc, f.kind, reinterpret_cast<const uint8_t*>(text.data()), text.size(), options());
  size_t bytes = 0;
  for (auto _ : st) {
    Pconvert req{};
    req.direction = 1;
    req.kind = f.kind;
    req.optimise = optimise ? 1 : 0;
    req.elapsed_time = -1.0f;
    std::string out;
    out.reserve(text.size() * 2);
    OutBuf buf(out);
    write_document(doc, req, buf);
    buf.finish();
    bytes = out.size();
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * bytes));
}

}  // namespace

int main(int argc, char** argv) {
  for (const Format& f : kFormats) {
    benchmark::RegisterBenchmark((std::string("floor/") + f.name).c_str(), floor_scan, f)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("read_only/") + f.name).c_str(), read_only, f)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("read_document/") + f.name).c_str(), read_into_document, f)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("write/") + f.name).c_str(), write_from_document, f, false)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("write_optimised/hpgl", write_from_document, kFormats[0], true)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
