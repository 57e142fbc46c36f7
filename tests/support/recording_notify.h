// A notification target for tests: records every notification a document
// sends or posts, in order, and keeps the posted ones queued until the test
// delivers them, as a window's message loop would after the call returns.
#ifndef TESTS_SUPPORT_RECORDING_NOTIFY_H
#define TESTS_SUPPORT_RECORDING_NOTIFY_H

#include <fgb/db_notify.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RecordedNotify {
  bool sent;             // true: SendNotify (handled at once); false: PostNotify
  int message;           // WM_DB_*
  std::intptr_t wparam;  // its wParam
  bool operator==(const RecordedNotify& o) const {
    return sent == o.sent && message == o.message && wparam == o.wparam;
  }
};

class RecordingNotifyTarget : public DbNotifyTarget {
 public:
  // Every notification in the order the document issued it.
  std::vector<RecordedNotify> issued;
  // Notifications in the order they were handled: sent ones at once,
  // posted ones when deliver() runs.
  std::vector<RecordedNotify> handled;
  // Posted and not yet delivered.
  std::vector<RecordedNotify> queue;
  // Called for each notification as it is handled (optional).
  std::function<void(const RecordedNotify&)> on_handle;

  void SendNotify(int message, std::intptr_t wparam) override;
  void PostNotify(int message, std::intptr_t wparam) override;

  // Handles the queued posted notifications in order (those posted while
  // delivering are handled too). Returns how many were handled.
  int deliver();
  void clear();

  // The issued notifications as "3003/0 3001/3 ..." (sent ones marked with
  // a leading '!'), for compact expectations.
  std::string issued_text() const;
  // Only the posted (message, wparam) pairs of one message, in order.
  std::vector<std::intptr_t> posted_wparams(int message) const;
};

#endif
