// The apertures table file: one aperture per line, a decimal aperture
// number 0..99 and its size in inches separated by white space; lines that
// do not read so, and numbers out of range, are skipped.
#ifndef KALVEX_CLI_APERTURES_H
#define KALVEX_CLI_APERTURES_H

#include <array>
#include <string>

namespace kalvex::cli {

constexpr int kApertureCount = 100;

struct Apertures {
  std::array<float, kApertureCount> sizes{};   // by D-code; 0 = unknown
  std::array<float, kApertureCount> sorted{};  // the same, ascending
};

// Parses the text of a table into t (entries not named keep their value)
// and rebuilds the sorted copy. Returns the number of usable lines.
int parse_apertures(const std::string& text, Apertures& t);
// Reads a table file; false (errno in err) when it cannot be read.
bool load_apertures(const std::string& path, Apertures& t, int& err);

}  // namespace kalvex::cli

#endif
