#include "help_window.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Trevalon - Help"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* browser = new QTextBrowser(this);
  browser->setOpenExternalLinks(false);
  browser->setSource(QUrl(QStringLiteral("qrc:/kalvex/help.html")));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser);
  resize(640, 560);
}
