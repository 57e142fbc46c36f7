#include "progress.h"

namespace kalvex::cli {

namespace {
constexpr int kBarWidth = 30;
}  // namespace

ProgressBar::ProgressBar(FILE* to, bool enabled, std::string label)
    : to_(to), enabled_(enabled), label_(std::move(label)) {}

ProgressBar::~ProgressBar() { done(); }

void ProgressBar::update(void* bar, double fraction) {
  auto* self = static_cast<ProgressBar*>(bar);
  if (!self->enabled_) return;
  const double f = fraction < 0 ? 0 : fraction > 1 ? 1 : fraction;
  const int percent = static_cast<int>(f * 100);
  if (percent == self->shown_) return;
  self->shown_ = percent;
  const int filled = static_cast<int>(f * kBarWidth);
  std::string bar_text(static_cast<size_t>(filled), '#');
  bar_text.append(static_cast<size_t>(kBarWidth - filled), '.');
  std::fprintf(self->to_, "\r%s [%s] %3d%%", self->label_.c_str(), bar_text.c_str(), percent);
  std::fflush(self->to_);
}

void ProgressBar::done() {
  if (shown_ < 0) return;
  // Wipe the bar so that messages after it start on a clean line.
  std::fprintf(to_, "\r%*s\r", static_cast<int>(label_.size()) + kBarWidth + 8, "");
  std::fflush(to_);
  shown_ = -1;
}

}  // namespace kalvex::cli
