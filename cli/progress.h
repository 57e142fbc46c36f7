// A progress bar on a terminal's standard error, for long reads and writes.
#ifndef KALVEX_CLI_PROGRESS_H
#define KALVEX_CLI_PROGRESS_H

#include <cstdio>
#include <string>

namespace kalvex::cli {

class ProgressBar {
 public:
  // Draws nothing unless enabled.
  ProgressBar(FILE* to, bool enabled, std::string label);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // For Pconvert::progress (user = the bar).
  static void update(void* bar, double fraction);
  // Clears the line if something was drawn.
  void done();

 private:
  FILE* to_;
  bool enabled_;
  std::string label_;
  int shown_ = -1;  // percent last drawn
};

}  // namespace kalvex::cli

#endif
