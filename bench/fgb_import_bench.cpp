// Read throughput of the import-only readers on large generated files: an
// Illustrator file of 100 000 paths and a placeable metafile of 100 000
// polygon records (with a pen and brush change every 50 records), written
// to a temporary file. Beside each, in the same run, a plain sequential
// read of the same file (read(2) in 1 MB blocks): the floor any reader of
// the file stands on.
//
//   Sequential/<kind>   the file's bytes read and summed
//   Reader/<kind>       the reader alone on the bytes in memory (a sink that counts)
//   Document/<kind>     the reader into a document, in memory
//   Convert/<kind>      the whole import as the program does it: the file
//                       opened (the metafile loaded), read into a new document
#include "fgb_convert_inputs.h"

#include "convert/document_p.h"
#include "convert/sink_p.h"
#include "convert/readers_p.h"

#include <fgb/convert/wmf.h>
#include <fgb/main_db.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using namespace fgb::conv;

namespace {

constexpr int kPaths = 100000;

std::string make_ai() {
  std::string s = "%!PS-Adobe-3.0\n%%Creator: benchmark\n%%BeginSetup\n%%EndSetup\n";
  char line[128];
  for (int i = 0; i < kPaths; ++i) {
    const double x = (i % 317) * 7.25, y = (i / 317) * 5.5;
    std::snprintf(line, sizeof line, "0 0 0 1 k\n0.5 w\n%.4f %.4f m\n", x, y);
    s += line;
    std::snprintf(line, sizeof line, "%.4f %.4f l\n%.4f %.4f l\n", x + 3.125, y, x + 3.125, y + 2.5);
    s += line;
    std::snprintf(line, sizeof line, "%.4f %.4f %.4f %.4f %.4f %.4f c\n", x + 2.5, y + 4.0, x + 0.75, y + 4.0,
                  x, y + 2.5);
    s += line;
    s += i % 2 ? "h\nf\n" : "S\n";
  }
  s += "%%Trailer\n";
  return s;
}

// A generated file on disk for the run, removed at exit.
class TempFile {
 public:
  TempFile(const char* suffix, const std::string& bytes) {
    path_ = "/tmp/kalvex-import-bench-" + std::to_string(::getpid()) + suffix;
    FILE* f = std::fopen(path_.c_str(), "wb");
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    bytes_ = bytes;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string path_;
  std::string bytes_;
};

const TempFile& ai_file() {
  static const TempFile f(".ai", make_ai());
  return f;
}
const TempFile& wmf_file() {
  static const TempFile f(".wmf", bench_inputs::make_wmf());
  return f;
}

class CountingSink final : public ElementSink {
 public:
  void add(int, const void*, const gr_curve_style&) override { ++count; }
  long count = 0;
};

void sequential(benchmark::State& st, const TempFile& file) {
  std::string block(1 << 20, '\0');
  for (auto _ : st) {
    const int fd = ::open(file.path().c_str(), O_RDONLY);
    if (fd < 0) {
      st.SkipWithError("cannot open the generated file");
      return;
    }
    uint64_t sum = 0, total = 0;
    for (;;) {
      const ssize_t n = ::read(fd, block.data(), block.size());
      if (n <= 0) break;
      total += static_cast<uint64_t>(n);
      for (ssize_t i = 0; i < n; ++i) sum += static_cast<unsigned char>(block[static_cast<size_t>(i)]);
    }
    ::close(fd);
    if (total != file.bytes().size()) {
      st.SkipWithError("short read of the generated file");
      return;
    }
    benchmark::DoNotOptimize(sum);
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * file.bytes().size()));
}

ReadOptions wmf_options() {
  ReadOptions o;
  o.transform = gr_ctrans{0, 0, 1.0 / 1440, 0, 1, 1, 1};
  return o;
}

void reader(benchmark::State& st, const TempFile& file, ReadFn read, ReadOptions opt) {
  const std::string& b = file.bytes();
  long elements = 0;
  for (auto _ : st) {
    CountingSink sink;
    read(reinterpret_cast<const uint8_t*>(b.data()), b.size(), sink, opt);
    elements = sink.count;
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
  st.counters["elements"] = static_cast<double>(elements);
}

void document(benchmark::State& st, const TempFile& file, int kind, ReadOptions opt) {
  const std::string& b = file.bytes();
  std::vector<uint8_t> bits;
  const uint8_t* data = reinterpret_cast<const uint8_t*>(b.data());
  size_t size = b.size();
  if (kind == FGB_KIND_WMF) {
    bits.assign(data + 22, data + size);  // the metafile after its placeable header
    data = bits.data();
    size = bits.size();
  }
  long elements = 0;
  for (auto _ : st) {
    MainDB doc;
    read_document(doc, kind, data, size, opt);
    elements = doc.GetCountElems();
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
  st.counters["elements"] = static_cast<double>(elements);
}

void convert(benchmark::State& st, const TempFile& file, int kind) {
  long elements = 0;
  for (auto _ : st) {
    MainDB doc;
    Pconvert req{};
    req.direction = 0;
    req.kind = kind;
    req.path = file.path().c_str();
    req.transform = gr_ctrans{0, 0, 1.0, 0, 1, 1, 1};
    HMETAFILE mf = nullptr;
    if (kind == FGB_KIND_WMF) {
      int units = 1000;
      mf = FileIsPlaceable(req.path) ? GetPlaceableMetaFile(req.path, &units) : GetMetaFileA(req.path);
      req.metafile = mf;
      req.transform.scale = 1.0 / units;
    }
    doc.Convert(&req);
    DeleteMetaFile(mf);
    elements = doc.GetCountElems();
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * file.bytes().size()));
  st.counters["elements"] = static_cast<double>(elements);
}

void register_all() {
  benchmark::RegisterBenchmark("Sequential/ai", [](benchmark::State& st) {
    sequential(st, ai_file());
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Reader/ai", [](benchmark::State& st) {
    reader(st, ai_file(), read_ai, {});
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Document/ai", [](benchmark::State& st) {
    document(st, ai_file(), FGB_KIND_AI, {});
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Convert/ai", [](benchmark::State& st) {
    convert(st, ai_file(), FGB_KIND_AI);
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Sequential/wmf", [](benchmark::State& st) {
    sequential(st, wmf_file());
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Reader/wmf", [](benchmark::State& st) {
    reader(st, wmf_file(), read_wmf_file, wmf_options());
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Document/wmf", [](benchmark::State& st) {
    document(st, wmf_file(), FGB_KIND_WMF, wmf_options());
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Convert/wmf", [](benchmark::State& st) {
    convert(st, wmf_file(), FGB_KIND_WMF);
  })->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  register_all();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
