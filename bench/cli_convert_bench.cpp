// Whole kalvex-cli processes beside the peer tools of Debian (hp2xx, gerbv,
// python3-ezdxf, libwmf-bin; scripts/setup.sh bench installs them) on the
// same generated files of one million pen-down points (the metafile: 100 000
// polygons), in one run:
//   read     kalvex-cli info FILE, per format, against the number-scanning
//            floor on the same bytes and the peers' reading;
//   convert  HPGL to HPGL (plain and --optimise) against hp2xx -m hpgl,
//            Gerber to Gerber against gerbv exporting RS-274X, the metafile
//            to HPGL against libwmf's wmf2svg and wmf2eps;
//   memory   peak resident size of reading the HPGL file, beside its size.
// Wall-clock time from fork to exit and the process's processor time; the
// best of a few runs; peak memory of one more run under GNU time (package
// "time"). A summary with the ratios the project aims for follows the table.
#include "fgb_convert_inputs.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Run {
  double seconds = 0;      // wall clock
  double cpu_seconds = 0;  // user and system time of the process
  long peak_kb = 0;
  bool ok = false;
};

Run run_process(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  Run r;
  int status = 0;
  struct rusage ru {};
  if (pid < 0 || ::wait4(pid, &status, 0, &ru) != pid) return r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.cpu_seconds = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                  static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
  r.peak_kb = ru.ru_maxrss;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

struct Inputs {
  fs::path dir;
  std::map<std::string, fs::path> files;  // format -> file
  std::map<std::string, std::string> text;
};

Inputs& inputs() {
  static Inputs in = [] {
    Inputs i;
    i.dir = fs::temp_directory_path() / ("kalvex-bench-" + std::to_string(::getpid()));
    fs::create_directories(i.dir);
    const struct {
      const char* name;
      const char* file;
      std::string (*make)();
    } rows[] = {{"hpgl", "drawing.hpg", bench_inputs::make_hpgl},
                {"gerber", "drawing.gbr", bench_inputs::make_gerber},
                {"cutter", "drawing.cut", bench_inputs::make_cutter},
                {"dxf", "drawing.dxf", bench_inputs::make_dxf},
                {"hpgl2-pe", "drawing-pe.hpg", bench_inputs::make_hpgl2_pe},
                {"hpgl2-real", "drawing-real.hpg", bench_inputs::make_hpgl2_real},
                {"gerber-plain", "drawing-plain.gbr", bench_inputs::make_gerber_plain},
                {"gerber-arcs", "drawing-arcs.gbr", bench_inputs::make_gerber_arcs},
                {"dxf-blocks", "drawing-blocks.dxf", bench_inputs::make_dxf_blocks},
                {"wmf", "drawing.wmf", bench_inputs::make_wmf}};
    for (const auto& r : rows) {
      i.text[r.name] = r.make();
      i.files[r.name] = i.dir / r.file;
      std::ofstream(i.files[r.name], std::ios::binary) << i.text[r.name];
    }
    return i;
  }();
  return in;
}

std::string cli_path() { return std::string(KALVEX_BINARY_DIR) + "/cli/kalvex-cli"; }

// Best time and peak memory of each named measurement, for the summary.
std::map<std::string, Run>& results() {
  static std::map<std::string, Run> r;
  return r;
}

// Peak resident size (KB) of one more run, measured by GNU time: a child
// forked from this process starts with our own resident pages counted (the
// generated inputs), so wait4's figure would be ours. 0 without GNU time.
long peak_kb(const std::vector<std::string>& argv) {
  if (::access("/usr/bin/time", X_OK) != 0) return 0;
  const std::string out = (inputs().dir / "peak.txt").string();
  std::vector<std::string> wrapped = {"/usr/bin/time", "-f", "%M", "-o", out};
  wrapped.insert(wrapped.end(), argv.begin(), argv.end());
  if (!run_process(wrapped).ok) return 0;
  std::ifstream in(out);
  long kb = 0;
  in >> kb;
  return kb;
}

void timed(benchmark::State& st, const std::string& name, const std::vector<std::string>& argv,
           size_t bytes) {
  Run best;
  best.seconds = best.cpu_seconds = 1e30;
  for (auto _ : st) {
    const Run r = run_process(argv);
    if (!r.ok) {
      st.SkipWithError(("failed: " + argv[0]).c_str());
      return;
    }
    st.SetIterationTime(r.seconds);
    best.seconds = std::min(best.seconds, r.seconds);
    best.cpu_seconds = std::min(best.cpu_seconds, r.cpu_seconds);
  }
  best.ok = true;
  best.peak_kb = peak_kb(argv);
  results()[name] = best;
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * bytes));
  st.counters["best_cpu_ms"] = best.cpu_seconds * 1e3;
  st.counters["peak_MB"] = static_cast<double>(best.peak_kb) / 1024.0;
  st.counters["file_MB"] = static_cast<double>(bytes) / (1 << 20);
}

void floor_scan(benchmark::State& st, const std::string& fmt) {
  const std::string& text = inputs().text[fmt];
  Run best;
  best.seconds = 1e30;
  for (auto _ : st) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(bench_inputs::scan_numbers(text));
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    st.SetIterationTime(s);
    best.seconds = std::min(best.seconds, s);
  }
  best.ok = true;
  results()["floor/" + fmt] = best;
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * text.size()));
}

bool have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

void add(const std::string& name, std::vector<std::string> argv, size_t bytes, int runs = 3) {
  benchmark::RegisterBenchmark(name.c_str(),
                               [name, argv, bytes](benchmark::State& st) { timed(st, name, argv, bytes); })
      ->UseManualTime()
      ->Iterations(runs)
      ->Unit(benchmark::kMillisecond);
}

void summary() {
  auto& r = results();
  const auto mbps = [&](const std::string& name, const std::string& fmt) {
    return inputs().text[fmt].size() / r[name].seconds / 1e6;
  };
  std::printf("\nsummary (best of 3 runs, wall clock, whole processes):\n");
  for (const char* fmt : {"hpgl", "gerber", "cutter", "dxf"}) {
    const std::string info = std::string("read/kalvex-cli/") + fmt;
    if (!r[info].ok) continue;
    std::printf("  read %-7s %7.1f MB/s (%6.1f ms), floor %7.1f MB/s: %.2f times the floor\n", fmt,
                mbps(info, fmt), r[info].seconds * 1e3, mbps("floor/" + std::string(fmt), fmt),
                r[info].seconds / r["floor/" + std::string(fmt)].seconds);
  }
  for (const auto& [peer, fmt] : {std::pair<std::string, std::string>{"read/hp2xx/hpgl", "hpgl"},
                                  {"read/gerbv/gerber", "gerber"},
                                  {"read/ezdxf/dxf", "dxf"}})
    if (r[peer].ok) std::printf("  %-22s %7.1f MB/s\n", peer.c_str(), mbps(peer, fmt));
  // Wall clock, and the processes' own processor time (user and system),
  // which a machine busy with other work disturbs less.
  const auto ratio = [&](const char* ours, const char* theirs) {
    if (r[ours].ok && r[theirs].ok)
      std::printf(
          "  %-32s %7.1f ms (cpu %7.1f), %-20s %7.1f ms (cpu %7.1f): %5.1f times faster (cpu %5.1f)\n", ours,
          r[ours].seconds * 1e3, r[ours].cpu_seconds * 1e3, theirs, r[theirs].seconds * 1e3,
          r[theirs].cpu_seconds * 1e3, r[theirs].seconds / r[ours].seconds,
          r[theirs].cpu_seconds / r[ours].cpu_seconds);
  };
  ratio("convert/kalvex-cli/hpgl", "convert/hp2xx/hpgl");
  ratio("convert/kalvex-cli/hpgl-optimise", "convert/hp2xx/hpgl");
  ratio("convert/kalvex-cli/gerber", "convert/gerbv/gerber");
  ratio("read/kalvex-cli/wmf", "convert/wmf2svg/wmf");
  ratio("read/kalvex-cli/wmf", "convert/wmf2eps/wmf");
  ratio("convert/kalvex-cli/wmf", "convert/wmf2svg/wmf");
  ratio("convert/kalvex-cli/wmf", "convert/wmf2eps/wmf");
  const Run& mem = r["read/kalvex-cli/hpgl"];
  if (mem.ok)
    std::printf("  peak memory reading the HPGL file: %.1f MB for a file of %.1f MB\n", mem.peak_kb / 1024.0,
                inputs().text["hpgl"].size() / 1048576.0);
}

}  // namespace

int main(int argc, char** argv) {
  Inputs& in = inputs();
  const std::string cli = cli_path();
  const auto file = [&](const char* fmt) { return in.files[fmt].string(); };
  const auto size = [&](const char* fmt) { return in.text[fmt].size(); };
  const auto out = [&](const char* name) { return (in.dir / name).string(); };

  for (const char* fmt : {"hpgl", "gerber", "cutter", "dxf"}) {
    benchmark::RegisterBenchmark((std::string("floor/") + fmt).c_str(), floor_scan, std::string(fmt))
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    std::vector<std::string> args = {cli, "info", file(fmt)};
    if (std::string(fmt) == "cutter") args = {cli, "info", "--from", "gerber-cutter", file(fmt)};
    add(std::string("read/kalvex-cli/") + fmt, args, size(fmt));
  }
  // The newer dialects beside the old ones (issues 14 and 15).
  for (const char* fmt : {"hpgl2-pe", "hpgl2-real", "gerber-plain", "gerber-arcs", "dxf-blocks"}) {
    const std::string f(fmt);
    const char* from = f.rfind("hpgl", 0) == 0 ? "hpgl" : f.rfind("gerber", 0) == 0 ? "gerber" : "dxf";
    add("read/kalvex-cli/" + f, {cli, "info", "--from", from, file(fmt)}, size(fmt));
  }
  if (have("hp2xx"))
    add("read/hp2xx/hpgl", {"hp2xx", "-q", "-m", "hpgl", "-f", out("hp2xx-read.hpgl"), file("hpgl")},
        size("hpgl"));
  if (have("gerbv"))
    add("read/gerbv/gerber", {"gerbv", "-x", "rs274x", "-o", out("gerbv-read.gbr"), file("gerber")},
        size("gerber"));
  // The metafile has no number floor: it is binary.
  add("read/kalvex-cli/wmf", {cli, "info", file("wmf")}, size("wmf"));
  if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0)
    add("read/ezdxf/dxf",
        {"/usr/bin/python3", "-c", "import ezdxf,sys; ezdxf.readfile(sys.argv[1])", file("dxf")}, size("dxf"),
        1);  // half a minute a run

  add("convert/kalvex-cli/hpgl", {cli, "convert", file("hpgl"), out("out.hpg")}, size("hpgl"));
  add("convert/kalvex-cli/hpgl-optimise", {cli, "convert", "--optimise", file("hpgl"), out("out-opt.hpg")},
      size("hpgl"));
  if (have("hp2xx"))
    add("convert/hp2xx/hpgl", {"hp2xx", "-q", "-m", "hpgl", "-f", out("hp2xx.hpgl"), file("hpgl")},
        size("hpgl"));
  add("convert/kalvex-cli/gerber", {cli, "convert", file("gerber"), out("out.gbr")}, size("gerber"));
  if (have("gerbv"))
    add("convert/gerbv/gerber", {"gerbv", "-x", "rs274x", "-o", out("gerbv.gbr"), file("gerber")},
        size("gerber"));
  add("convert/kalvex-cli/wmf", {cli, "convert", file("wmf"), out("out-wmf.hpg")}, size("wmf"));
  if (have("wmf2svg"))
    add("convert/wmf2svg/wmf", {"wmf2svg", "-o", out("wmf.svg"), file("wmf")}, size("wmf"));
  if (have("wmf2eps"))
    add("convert/wmf2eps/wmf", {"wmf2eps", "-o", out("wmf.eps"), file("wmf")}, size("wmf"));

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  summary();
  std::error_code ec;
  fs::remove_all(in.dir, ec);
  return 0;
}
