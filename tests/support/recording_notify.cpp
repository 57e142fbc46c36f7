#include "recording_notify.h"

#include <cstddef>

void RecordingNotifyTarget::SendNotify(int message, std::intptr_t wparam) {
  RecordedNotify n{true, message, wparam};
  issued.push_back(n);
  handled.push_back(n);
  if (on_handle) on_handle(n);
}

void RecordingNotifyTarget::PostNotify(int message, std::intptr_t wparam) {
  RecordedNotify n{false, message, wparam};
  issued.push_back(n);
  queue.push_back(n);
}

int RecordingNotifyTarget::deliver() {
  int count = 0;
  for (std::size_t i = 0; i < queue.size(); ++i) {
    RecordedNotify n = queue[i];
    handled.push_back(n);
    if (on_handle) on_handle(n);
    ++count;
  }
  queue.clear();
  return count;
}

void RecordingNotifyTarget::clear() {
  issued.clear();
  handled.clear();
  queue.clear();
}

std::string RecordingNotifyTarget::issued_text() const {
  std::string s;
  for (const RecordedNotify& n : issued) {
    if (!s.empty()) s += ' ';
    if (n.sent) s += '!';
    s += std::to_string(n.message) + "/" + std::to_string(n.wparam);
  }
  return s;
}

std::vector<std::intptr_t> RecordingNotifyTarget::posted_wparams(int message) const {
  std::vector<std::intptr_t> out;
  for (const RecordedNotify& n : issued)
    if (!n.sent && n.message == message) out.push_back(n.wparam);
  return out;
}
