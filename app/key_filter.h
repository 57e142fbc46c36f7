// The program's key hook: an event filter on the application object that
// sees every key-down of the main window before any control does (the X and
// Y fields included) and hands it to the main window's logic, which runs
// F1, the Ctrl chord and the current drawing's keys. Any other input event
// clears the chord.
#ifndef KALVEX_APP_KEY_FILTER_H
#define KALVEX_APP_KEY_FILTER_H

#include <QObject>

class TMainForm;

class KeyFilter : public QObject {
 public:
  explicit KeyFilter(TMainForm* form);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TMainForm* form_;
};

#endif
