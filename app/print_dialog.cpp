#include "print_dialog.h"

#include "dialog_common.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace kalvex::session;

namespace {
constexpr QSize kPrintpSize(207, 107);
}

TPrintp::TPrintp(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TPrintp"));
  setWindowTitle(QStringLiteral("Свойства печати"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  RadioButton1 = new QRadioButton(QStringLiteral("Натуральный размер рисунка"));
  RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
  RadioButton2 = new QRadioButton(QStringLiteral("Масштабировать чертеж"));
  RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
  RadioButton1->setChecked(logic_.natural);
  RadioButton2->setChecked(!logic_.natural);
  auto* group = new QGroupBox;
  auto* group_box = new QVBoxLayout(group);
  group_box->addWidget(RadioButton1);
  group_box->addWidget(RadioButton2);
  OK = new QPushButton(QStringLiteral("Да"));
  OK->setObjectName(QStringLiteral("OK"));
  Cancel = new QPushButton(QStringLiteral("Нет"));
  Cancel->setObjectName(QStringLiteral("Cancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OK);
  buttons->addWidget(Cancel);
  auto* box = new QVBoxLayout(this);
  box->addWidget(group);
  box->addLayout(buttons);
  connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) { logic_.natural = on; });
  connect(OK, &QPushButton::clicked, this, [this] { done(logic_.yes()); });
  connect(Cancel, &QPushButton::clicked, this, [this] {
    const int r = logic_.no();
    RadioButton1->setChecked(logic_.natural);
    done(r);
  });
  setFixedSize(sizeHint().expandedTo(kPrintpSize));
  centre_on_screen(this);
}

std::optional<bool> TPrintp::ask() {
  if (exec() == QDialog::Rejected) return std::nullopt;
  return logic_.natural_chosen();
}
