// A horizontal hatch line against one 100 000-vertex polygon, through the
// set intersection (gr_isct_line_polylines, what hatching calls per line)
// and the single-polyline one (gr_isct_line_polyline). Reported per edge.
//
// Shapes:
//   wavy   a circle with 50 lobes: the line crosses it a few dozen times,
//          so the cost is the per-edge measure;
//   comb   50 000 teeth edges crossing the line: the sorted insertion of
//          100 000 parameters dominates;
//   tops   the comb with the line along the teeth's tops: 50 000 vertices
//          on the line, each through the vertex-crossing test (touches,
//          so keep_all = 0 finds nothing and keep_all = 1 every contact).
#include <geomkit/gr_poly.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kVertices = 100000;

struct Shape {
  std::vector<unsigned char> set_block;  // a gr_polylines of one member
  gr_polyline* pline = nullptr;
  double y = 0;
};

Shape make_shape(int kind) {
  std::vector<gr_cpoint> pts;
  pts.reserve(kVertices);
  double y = 0;
  if (kind == 0) {
    for (int i = 0; i < kVertices; ++i) {
      const double a = 2 * M_PI * i / kVertices;
      const double r = 10 + 3 * std::sin(50 * a);
      pts.push_back({r * std::cos(a), r * std::sin(a)});
    }
    y = 0.3;
  } else {
    // Teeth of height 1 rising from y = 0, four vertices each.
    const int teeth = (kVertices - 2) / 4;
    for (int i = 0; i < teeth; ++i) {
      pts.push_back({2.0 * i, 0});
      pts.push_back({2.0 * i, 1});
      pts.push_back({2.0 * i + 1, 1});
      pts.push_back({2.0 * i + 1, 0});
    }
    pts.push_back({2.0 * teeth, -1});
    pts.push_back({0, -1});
    y = kind == 1 ? 0.5 : 1.0;
  }
  Shape s;
  const int ns[1] = {static_cast<int>(pts.size())};
  gr_polylines* set = gr_alloc_buffer_for_polylines(1, ns);
  const size_t size = static_cast<size_t>(gr_get_polyline_sizen(ns[0])) + sizeof(gr_polylines);
  s.set_block.assign(reinterpret_cast<unsigned char*>(set), reinterpret_cast<unsigned char*>(set) + size);
  gr_free_buffer_for_polylines(set);
  auto* own = reinterpret_cast<gr_polylines*>(s.set_block.data());
  own->n = 1;
  own->reserved = 0;
  s.pline = gr_polylines_first(own);
  s.pline->closed = 1;
  s.pline->n = static_cast<uint32_t>(pts.size());
  std::memcpy(s.pline->pnt, pts.data(), pts.size() * sizeof(gr_cpoint));
  s.y = y;
  return s;
}

void report(benchmark::State& state, uint32_t edges, int params) {
  state.counters["per_edge"] =
      benchmark::Counter(static_cast<double>(edges),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["params"] = params;
}

void BM_IsctLinePolylines(benchmark::State& state) {
  const Shape shape = make_shape(static_cast<int>(state.range(0)));
  const auto* set = reinterpret_cast<const gr_polylines*>(shape.set_block.data());
  const gr_line line{{0, shape.y}, {0, 1}};
  const int keep_all = static_cast<int>(state.range(1));
  int n = 0;
  for (auto _ : state) {
    double* buf = static_cast<double*>(std::malloc(100 * sizeof(double)));
    n = gr_isct_line_polylines(&buf, &line, set, keep_all);
    benchmark::DoNotOptimize(buf[0]);
    std::free(buf);
  }
  report(state, shape.pline->n, n);
}

void BM_IsctLinePolyline(benchmark::State& state) {
  const Shape shape = make_shape(static_cast<int>(state.range(0)));
  const gr_line line{{0, shape.y}, {0, 1}};
  const int keep_all = static_cast<int>(state.range(1));
  std::vector<double> buf(static_cast<size_t>(gr_maxn_isct_line_polyline(&line, shape.pline)) + 1);
  int n = 0;
  for (auto _ : state) {
    n = gr_isct_line_polyline(buf.data(), &line, shape.pline, keep_all);
    benchmark::DoNotOptimize(buf[0]);
  }
  report(state, shape.pline->n, n);
}

void BM_MaxnIsctLinePolyline(benchmark::State& state) {
  const Shape shape = make_shape(static_cast<int>(state.range(0)));
  const gr_line line{{0, shape.y}, {0, 1}};
  int n = 0;
  for (auto _ : state) {
    n = gr_maxn_isct_line_polyline(&line, shape.pline);
    benchmark::DoNotOptimize(n);
  }
  report(state, shape.pline->n, n);
}

void shapes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"shape", "keep_all"});
  for (int kind = 0; kind < 3; ++kind)
    for (int keep_all = 0; keep_all < 2; ++keep_all) b->Args({kind, keep_all});
  b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_IsctLinePolylines)->Apply(shapes);
BENCHMARK(BM_IsctLinePolyline)->Apply(shapes);
BENCHMARK(BM_MaxnIsctLinePolyline)->ArgName("shape")->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
