// Progress reports of the readers and writers.
#ifndef FGB_CONVERT_PROGRESS_P_H
#define FGB_CONVERT_PROGRESS_P_H

#include <cstdint>

#include <fgb/convert/convert.h>

namespace fgb::conv {

// Calls the request's progress function with the share of work done, at most
// a couple of hundred times per operation, and only for work big enough to
// be noticed.
class ProgressMeter {
 public:
  ProgressMeter(fgb_progress_fn fn, void* user, uint64_t total) noexcept;
  // Cheap enough for inner loops: one comparison unless a report is due.
  void at(uint64_t done) noexcept {
    if (done >= next_) report(done);
  }
  void finish() noexcept;

 private:
  void report(uint64_t done) noexcept;
  fgb_progress_fn fn_;
  void* user_;
  uint64_t total_;
  uint64_t step_;
  uint64_t next_;
};

}  // namespace fgb::conv

#endif
