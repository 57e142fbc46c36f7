// The large drawing the document benchmarks share: segment elements on a
// kGrid x kGrid lattice one inch apart, each half an inch long, with a
// hairline pen; and the process's resident memory.
#ifndef BENCH_LATTICE_DRAWING_H
#define BENCH_LATTICE_DRAWING_H

#include <fgb/fgb.h>

#include <cstdio>

namespace lattice {

constexpr int kElements = 1000000;
constexpr int kGrid = 1000;

inline gr_segment segment_at(int i) {
  double x = i % kGrid, y = i / kGrid;
  return gr_segment{{x, y}, {x + 0.5, y + 0.25}};
}

inline gr_curve_style pen() {
  gr_curve_style s{};
  s.width = 0.01f;
  return s;
}

inline const gr_fill_area_style kNoFill{0, {0, 0, 0}};

// The first n elements of the lattice, appended to the main drawing.
inline void fill(MainDB& doc, int n = kElements) {
  const gr_curve_style p = pen();
  for (int i = 0; i < n; ++i) {
    gr_segment s = segment_at(i);
    doc.AddElem(FGB_SEGMENT, &s, p, kNoFill, 1);
  }
}

// Resident memory of this process in bytes (0 when it cannot be read).
inline long resident_bytes() {
  long total = 0, resident = 0;
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  if (std::fscanf(f, "%ld %ld", &total, &resident) != 2) resident = 0;
  std::fclose(f);
  return resident * 4096;
}

inline double resident_mb() { return static_cast<double>(resident_bytes()) / (1024 * 1024); }

}  // namespace lattice

#endif
