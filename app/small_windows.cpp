#include "small_windows.h"

#include <session/small_windows.h>

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace kalvex::session;

namespace {

void centre_on_screen(QWidget* w) {
  if (QScreen* s = QGuiApplication::primaryScreen())
    w->move(s->availableGeometry().center() - w->rect().center());
}

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// ---- TApertures -----------------------------------------------------------

TApertures::TApertures(QWidget* parent, Apertures& table, QString path)
    : QDialog(parent), table_(table), path_(std::move(path)) {
  setObjectName(QStringLiteral("TApertures"));
  setWindowTitle(QStringLiteral("Edit  Apertures (INCHes)"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  SaveButton = new QPushButton(QStringLiteral("Сохранить"), this);
  DontSaveButton = new QPushButton(QStringLiteral("Не сохранять"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(SaveButton);
  buttons->addWidget(DontSaveButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1);
  layout->addLayout(buttons);
  setFixedSize(305, 231);
  connect(SaveButton, &QPushButton::clicked, this, &TApertures::save);
  connect(DontSaveButton, &QPushButton::clicked, this, [this] {
    result_ = false;
    done(0);
  });
}

bool TApertures::ask() {
  std::string shown;
  if (editor_.read(path_.toStdString(), shown)) Memo1->setPlainText(qs(shown));
  centre_on_screen(this);
  SaveButton->setFocus();
  exec();
  return result_;
}

void TApertures::save() {
  std::string error;
  if (!editor_.save(path_.toStdString(), Memo1->toPlainText().toStdString(), table_, error)) {
    QMessageBox::critical(this, windowTitle(), qs(error));
    return;
  }
  result_ = true;
  done(1);
}

// ---- TLayerNumber ---------------------------------------------------------

TLayerNumber::TLayerNumber(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TLayerNumber"));
  setWindowTitle(QStringLiteral("Введите номер слоя"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  Edit1 = new QLineEdit(QStringLiteral("1"), this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Button1 = new QPushButton(QStringLiteral("Button1"), this);
  Button1->setDefault(true);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(Edit1);
  layout->addWidget(Button1);
  setFixedSize(226, 96);
  connect(Button1, &QPushButton::clicked, this, [this] {
    if (take_field()) accept();
  });
}

bool TLayerNumber::take_field() {
  int v = 0;
  if (!parse_layer_number(Edit1->text().toStdString(), v)) {
    QMessageBox::critical(this, windowTitle(),
                          QStringLiteral("'%1' is not a valid integer value").arg(Edit1->text()));
    return false;
  }
  layer_ = v;
  return true;
}

int TLayerNumber::ask() {
  centre_on_screen(this);
  exec();
  return layer_;
}

// ---- Ttimes ---------------------------------------------------------------

Ttimes::Ttimes(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Ttimes"));
  setWindowTitle(QStringLiteral("ВРЕМЯ"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  l1 = new QLabel(this);
  l2 = new QLabel(this);
  l3 = new QLabel(this);
  l1->setObjectName(QStringLiteral("l1"));
  l2->setObjectName(QStringLiteral("l2"));
  l3->setObjectName(QStringLiteral("l3"));
  auto* ok = new QPushButton(QStringLiteral("Понятно"), this);
  auto* labels = new QHBoxLayout;
  labels->setSpacing(5);
  labels->addWidget(l1);
  labels->addWidget(l2);
  labels->addWidget(l3);
  labels->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  layout->addLayout(labels);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  setFixedSize(255, 93);
  centre_on_screen(this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void Ttimes::show_time(float t, bool show) {
  const ElapsedLabels l = elapsed_labels(t);
  l1->setText(qs(l.hours));
  l2->setText(qs(l.minutes));
  l3->setText(qs(l.seconds));
  // An empty label takes no room, so the next one follows 5 pixels after
  // the end of the previous text.
  l1->setVisible(!l.hours.empty());
  l2->setVisible(!l.minutes.empty());
  l3->setVisible(!l.seconds.empty());
  if (show) exec();
}

// ---- TAboutBox ------------------------------------------------------------

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TAboutBox"));
  setWindowTitle(QStringLiteral("About"));
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/kalvex/kalvex.svg")).pixmap(64, 64));
  auto* name = new QLabel(QStringLiteral("<b>Trevalon</b>"), this);
  name->setObjectName(QStringLiteral("ProductName"));
  auto* version = new QLabel(
      QStringLiteral("Version 0.1 - an editor for plotter, photoplotter and cutter drawings"), this);
  version->setObjectName(QStringLiteral("Version"));
  version->setWordWrap(true);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  auto* text = new QVBoxLayout;
  text->addWidget(name);
  text->addWidget(version);
  auto* panel = new QHBoxLayout;
  panel->addWidget(icon);
  panel->addLayout(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(panel);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
