// The readers' side of the import report (<fgb/convert/report.h>).
//
// A reader keeps one Reporter for the file. It records places as byte
// offsets while reading, which costs nothing on the paths that report
// nothing; finish() turns them into line numbers in one pass over the
// data, for the text formats. Without a report to fill (the caller passed
// none) every call is a single test.
#ifndef FGB_CONVERT_REPORT_P_H
#define FGB_CONVERT_REPORT_P_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <fgb/convert/report.h>

namespace fgb::conv {

class Reporter {
 public:
  // by_line: the places are turned into lines of data (text formats);
  // otherwise they stay byte offsets.
  Reporter(fgb_import_report* out, const uint8_t* data, size_t size, bool by_line) noexcept;
  ~Reporter() { finish(); }
  Reporter(const Reporter&) = delete;
  Reporter& operator=(const Reporter&) = delete;

  bool active() const noexcept { return out_ != nullptr; }
  // One more of name at the byte offset.
  void add(std::string_view name, int what, size_t offset) noexcept {
    if (out_) add_slow(name, what, offset);
  }
  void dialect(std::string_view text) noexcept;
  void units(std::string_view text, double unit_inch) noexcept;
  // Offsets to lines; called by the destructor if not before.
  void finish() noexcept;

 private:
  void add_slow(std::string_view name, int what, size_t offset) noexcept;
  fgb_import_report* out_;
  const uint8_t* data_;
  size_t size_;
  bool by_line_;
  bool finished_ = false;
};

}  // namespace fgb::conv

#endif
