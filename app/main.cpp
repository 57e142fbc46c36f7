// Kalvex: the drawing editor. Files named on the command line open in their
// own drawing windows.
#include "main_form.h"

#include <QApplication>
#include <QScreen>
#include <QStringList>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kalvex"));
  QApplication::setOrganizationName(QStringLiteral("Trevalon"));
  QApplication::setApplicationVersion(QStringLiteral("0.1"));
  TMainForm form;
  // Maximised; without a window manager to do it, the screen's size.
  if (QScreen* screen = QGuiApplication::primaryScreen()) form.setGeometry(screen->availableGeometry());
  form.showMaximized();
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i)
    form.logic().open_path(args[i].toStdString(), form.logic().open_filter_index());
  return QApplication::exec();
}
