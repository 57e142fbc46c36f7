// The apertures table file: one aperture per line, a decimal aperture
// number 0..99 and its size in inches separated by white space; lines that
// do not read so, and numbers out of range, are skipped.
#ifndef KALVEX_SESSION_APERTURES_H
#define KALVEX_SESSION_APERTURES_H

#include <array>
#include <cstddef>
#include <string>

namespace kalvex::session {

constexpr int kApertureCount = 100;

struct Apertures {
  std::array<float, kApertureCount> sizes{};   // by D-code; 0 = unknown
  std::array<float, kApertureCount> sorted{};  // the same, ascending
};

// Parses the text of a table into t (entries not named keep their value)
// and rebuilds the sorted copy. Returns the number of usable lines.
int parse_apertures(const std::string& text, Apertures& t);
// Error codes of load_apertures beside errno values.
constexpr int kApertureNotAFile = -1;  // a directory, a device: not read
constexpr int kApertureTooLong = -2;   // more than kApertureFileMax bytes
// A table is a hundred short lines; a file a hundred times that size is not
// one (and /dev/zero would never end).
constexpr size_t kApertureFileMax = size_t{1} << 20;

// Reads a table file (or a pipe); false with errno or a code above in err
// when it cannot be read.
bool load_apertures(const std::string& path, Apertures& t, int& err);
// Rebuilds the sorted copy: an exchange sort, ascending, equal sizes in
// their order.
void sort_apertures(Apertures& t);

// The usable lines of a table's text, unchanged, joined by line feeds;
// sizes[number] = size for each.
std::string usable_aperture_lines(const std::string& text, std::array<float, kApertureCount>& sizes);

// Writes text to path through a temporary file renamed over it when
// complete. False with the cause in error; the old file stays.
bool save_text_file(const std::string& path, const std::string& text, std::string& error);

// The apertures editor's logic: its own table, filled whenever it reads
// the file, and copied whole into the program's table after a save.
class AperturesEditor {
 public:
  // On each showing: when the file opens, the text the editor shows (its
  // usable lines) and true; otherwise false (the editor keeps its text).
  bool read(const std::string& path, std::string& shown);
  // "Сохранить": writes the lines, reads the file back into the editor's
  // table and copies it into main (sorted copy rebuilt). False with the
  // cause in error, and no table changed.
  bool save(const std::string& path, const std::string& text, Apertures& main, std::string& error);
  const std::array<float, kApertureCount>& table() const { return table_; }

 private:
  std::array<float, kApertureCount> table_{};
};

}  // namespace kalvex::session

#endif
