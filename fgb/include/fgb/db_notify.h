// How a document tells its window about changes.
//
// A MainDB holds a pointer to a DbNotifyTarget where a window would keep a
// window handle (null: notifications go nowhere). The target is the
// window's side of the conversation; it knows no Qt here, and the program
// implements it over its own event loop.
//
//   SendNotify  handled synchronously: the target reacts before the call
//               returns (a progress tick repaints the progress window while
//               the operation is still running).
//   PostNotify  queued by the target and handled after the document's
//               method has returned (a refresh repaints once, at the end).
//
// Messages and their wParam (lParam is always 0):
//   WM_DB_REFRESH   3001  3 drawing changed, redraw everything;
//                         2 new contours were added to the selection
//   WM_DB_REDRAW    3002  2 styles of the selection changed
//   WM_DB_UNDOSTATE 3003  0 undo possible, 1 redo possible,
//                         2 undo impossible, 3 redo impossible
//   WM_DB_PROGRESS  3004  3005 start (sent), 0 tick (sent), 3006 end (posted)
#ifndef FGB_DB_NOTIFY_H
#define FGB_DB_NOTIFY_H

#include <fgb/fgb_api.h>

#include <cstdint>

constexpr int WM_DB_REFRESH = 3001;
constexpr int WM_DB_REDRAW = 3002;
constexpr int WM_DB_UNDOSTATE = 3003;
constexpr int WM_DB_PROGRESS = 3004;

// wParam of WM_DB_REFRESH and WM_DB_REDRAW.
constexpr std::intptr_t DB_CHANGED_ALL = 3;
constexpr std::intptr_t DB_CHANGED_SELECTION = 2;

// wParam of WM_DB_UNDOSTATE.
constexpr std::intptr_t DB_UNDO_POSSIBLE = 0;
constexpr std::intptr_t DB_REDO_POSSIBLE = 1;
constexpr std::intptr_t DB_UNDO_IMPOSSIBLE = 2;
constexpr std::intptr_t DB_REDO_IMPOSSIBLE = 3;

// wParam of WM_DB_PROGRESS (and the codes MainDB::PostM takes for them).
constexpr std::intptr_t DB_PROGRESS_TICK = 0;
constexpr std::intptr_t DB_PROGRESS_START = 3005;
constexpr std::intptr_t DB_PROGRESS_END = 3006;

class FGB_API DbNotifyTarget {
 public:
  virtual ~DbNotifyTarget() = default;
  // Handle now; return when handled.
  virtual void SendNotify(int message, std::intptr_t wparam) = 0;
  // Queue; handle after the document's method has returned.
  virtual void PostNotify(int message, std::intptr_t wparam) = 0;
};

#endif
