#include <session/window_place.h>

#include <algorithm>
#include <cmath>

namespace kalvex::session {

namespace {

// The editor keeps clear of the screen's right edge and of a taskbar.
constexpr int kRightGap = 30;
constexpr int kBottomGap = 200;
// The progress window starts this far right of the fraction's place.
constexpr double kProgressShift = 10;

std::string percent_text(double f) {
  const int p = static_cast<int>(std::trunc(std::clamp(f, 0.0, 1.0) * 100));
  return std::to_string(p) + " %";
}

}  // namespace

WindowPlace editor_place(int sw, int sh, int ww, int wh) {
  return {std::max(0, sw - ww - kRightGap), std::max(0, sh - wh - kBottomGap)};
}

WindowPlace ProgressWindow::start_place() const { return {0, (sh_ - kProgressHeight) / 2}; }

int ProgressWindow::left_for(double f) const {
  if (!std::isfinite(f)) f = 0;
  const double left = std::trunc(sw_ * std::clamp(f, 0.0, 1.0) + kProgressShift);
  // Past this the window would leave the screen and hide what it shows.
  const int rightmost = std::max(0, sw_ - kProgressWidth);
  return static_cast<int>(std::min(left, double(rightmost)));
}

bool ProgressWindow::start() {
  ++started_;
  if (shown_) return false;
  shown_ = true;
  place_ = start_place();
  text_ = percent_text(0);
  return true;
}

bool ProgressWindow::tick(double f) {
  if (!shown_) return false;
  const WindowPlace p{left_for(f), place_.top};
  std::string t = percent_text(std::isfinite(f) ? f : 0);
  if (p == place_ && t == text_) return false;
  place_ = p;
  text_ = std::move(t);
  return true;
}

bool ProgressWindow::end() {
  if (ended_ < started_) ++ended_;
  if (busy() || !shown_) return false;
  shown_ = false;
  return true;
}

}  // namespace kalvex::session
