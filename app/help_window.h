// The help window: the bundled help page in a text browser.
#ifndef KALVEX_APP_HELP_WINDOW_H
#define KALVEX_APP_HELP_WINDOW_H

#include <QWidget>

class HelpWindow : public QWidget {
 public:
  explicit HelpWindow(QWidget* parent);
};

#endif
