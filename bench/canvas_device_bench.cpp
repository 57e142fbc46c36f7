// The Qt device against plain QPainter: 100 000 segments on a 2000 x 2000
// image, drawn through MoveToEx / LineTo and through QPainter::drawLine with
// the same pen and transform, in the same run. The device may cost at most
// 1.5 times the plain loop; BM_DeviceOverPlain times both loops alternately
// and reports the ratio.
//   long:  random segments across the image
//   short: a chain of 10-pixel pieces (a drawing's polylines), where the
//          per-call cost weighs most
//   mapped: the chain in a y-up isotropic view (logical units 1/10 pixel)
#include <canvas/canvas.h>

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kSide = 2000;
constexpr int kSegments = 100000;

enum Scene { kLong, kShort, kMapped };

struct Segment {
  int x1, y1, x2, y2;  // logical units
};

std::vector<Segment> make_segments(Scene scene) {
  std::mt19937 rng(12345);
  std::vector<Segment> segs;
  segs.reserve(kSegments);
  const int scale = scene == kMapped ? 10 : 1;
  std::uniform_int_distribution<int> pos(0, kSide * scale - 1);
  std::uniform_int_distribution<int> step(-10 * scale, 10 * scale);
  int x = kSide * scale / 2, y = kSide * scale / 2;
  for (int i = 0; i < kSegments; ++i) {
    if (scene == kLong) {
      segs.push_back({pos(rng), pos(rng), pos(rng), pos(rng)});
    } else {
      const int nx = std::clamp(x + step(rng), 0, kSide * scale - 1);
      const int ny = std::clamp(y + step(rng), 0, kSide * scale - 1);
      segs.push_back({x, y, nx, ny});
      x = nx;
      y = ny;
    }
  }
  return segs;
}

// One image and painter shared by both loops, the device over the painter.
struct Bench {
  explicit Bench(Scene scene) : segs(make_segments(scene)), image(kSide, kSide, QImage::Format_RGB32) {
    image.fill(Qt::white);
    painter.begin(&image);
    dc = std::make_unique<canvas::QtDeviceContext>(painter);
    if (scene == kMapped) {
      canvas::ViewMapping view;
      view.map_mode = MM_ISOTROPIC;
      view.window_ext = {kSide * 10, kSide * 10};
      view.viewport_ext = {kSide, -kSide};
      view.viewport_org = {0, kSide};
      view.apply(*dc);
    }
    // The device's pen and transform, for the plain loop: a one-pixel
    // cosmetic pen without its last pixel.
    dc->MoveToEx(0, 0, nullptr);
    dc->LineTo(0, 0);
    plain_pen = painter.pen();
    plain_transform = painter.worldTransform();
  }
  ~Bench() {
    dc.reset();
    painter.end();
  }

  void plain() {
    painter.setWorldTransform(plain_transform);
    painter.setPen(plain_pen);
    for (const Segment& s : segs) painter.drawLine(QPoint(s.x1, s.y1), QPoint(s.x2, s.y2));
  }
  void device() {
    GrDeviceContext& d = *dc;
    for (const Segment& s : segs) {
      d.MoveToEx(s.x1, s.y1, nullptr);
      d.LineTo(s.x2, s.y2);
    }
  }

  std::vector<Segment> segs;
  QImage image;
  QPainter painter;
  std::unique_ptr<canvas::QtDeviceContext> dc;
  QPen plain_pen;
  QTransform plain_transform;
};

void BM_PlainDrawLine(benchmark::State& state) {
  Bench b(static_cast<Scene>(state.range(0)));
  for (auto _ : state) {
    b.plain();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSegments);
}

void BM_DeviceLineTo(benchmark::State& state) {
  Bench b(static_cast<Scene>(state.range(0)));
  for (auto _ : state) {
    b.device();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSegments);
}

// CPU time of the process, seconds: the machine may be shared, and wall
// time would charge other programs' work to whichever loop was running.
double cpu_seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Both loops in each iteration, timed apart; counters in milliseconds of CPU
// per 100 000 segments and their ratio.
void BM_DeviceOverPlain(benchmark::State& state) {
  Bench b(static_cast<Scene>(state.range(0)));
  double plain_s = 0.0, device_s = 0.0;
  for (auto _ : state) {
    const double t0 = cpu_seconds();
    b.plain();
    const double t1 = cpu_seconds();
    b.device();
    const double t2 = cpu_seconds();
    plain_s += t1 - t0;
    device_s += t2 - t1;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["plain_ms"] = plain_s / n * 1e3;
  state.counters["device_ms"] = device_s / n * 1e3;
  state.counters["ratio"] = plain_s > 0 ? device_s / plain_s : 0.0;
}

void scenes(benchmark::internal::Benchmark* b) {
  b->ArgName("scene")->Arg(kLong)->Arg(kShort)->Arg(kMapped)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_PlainDrawLine)->Apply(scenes);
BENCHMARK(BM_DeviceLineTo)->Apply(scenes);
BENCHMARK(BM_DeviceOverPlain)->Apply(scenes)->MinTime(3.0);

}  // namespace

// Painting lines on an image needs no application object.
BENCHMARK_MAIN();
