// What the program's dialogs share: the user's number style, centring a
// window, and the editor's messages to the main window.
#ifndef KALVEX_APP_DIALOG_COMMON_H
#define KALVEX_APP_DIALOG_COMMON_H

#include <session/field_numbers.h>

#include <QEvent>

class QWidget;

// The user's way of writing numbers (QLocale's decimal separator).
kalvex::session::NumberStyle user_number_style();
// Centres a window on the primary screen.
void centre_on_screen(QWidget* w);

// A message the editor posts to the main window (WM_EDITOR_APPLY,
// WM_EDITOR_CLOSED), handled when the main window next reads its queue.
class EditorMessage : public QEvent {
 public:
  static QEvent::Type type();
  EditorMessage(int msg, int wp) : QEvent(type()), message(msg), wparam(wp) {}
  int message;
  int wparam;
};

#endif
