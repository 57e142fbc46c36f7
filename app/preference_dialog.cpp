#include "preference_dialog.h"

#include "dialog_common.h"
#include "main_form.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedLayout>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

using namespace kalvex::session;

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Client sizes of the two windows.
constexpr QSize kPreferenceSize(325, 201);
constexpr QSize kOptionsSize(326, 207);

// Platform colour value (0x00BBGGRR) and QColor.
QColor to_qcolor(uint32_t v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }
uint32_t from_qcolor(const QColor& c) {
  return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

void fit_at_least(QWidget* w, QSize size) { w->setFixedSize(w->sizeHint().expandedTo(size)); }

}  // namespace

// ---- TPreference ----------------------------------------------------------

TPreference::TPreference(TMainForm& form, PreferenceForm& logic)
    : QDialog(&form), form_(form), logic_(logic) {
  setObjectName(QStringLiteral("TPreference"));
  setWindowTitle(QStringLiteral("Preference"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  panels_ = new QStackedLayout(this);
  build_page_panel();
  build_pen_panel();
  build_no_selection_panel();
  refresh();
  fit_at_least(this, kPreferenceSize);
  centre_on_screen(this);
  // The dialog sees keys before its fields: I and M choose the units.
  qApp->installEventFilter(this);
}

TPreference::~TPreference() { qApp->removeEventFilter(this); }

void TPreference::build_page_panel() {
  Panel2 = new QWidget;
  Panel2->setObjectName(QStringLiteral("Panel2"));
  ComboBox21 = new QComboBox;
  ComboBox21->setObjectName(QStringLiteral("ComboBox21"));
  for (const char* name : kPageNames) ComboBox21->addItem(QString::fromUtf8(name));
  ComboBox21->setPlaceholderText(QStringLiteral("  A4"));
  ComboBox11 = new QComboBox;
  ComboBox11->setObjectName(QStringLiteral("ComboBox11"));
  for (const char* name : kUnitNames) ComboBox11->addItem(QString::fromUtf8(name));
  ComboBox11->setPlaceholderText(QStringLiteral("  inch"));
  Edit1 = new QLineEdit;
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit2 = new QLineEdit;
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Edit3 = new QLineEdit;
  Edit3->setObjectName(QStringLiteral("Edit3"));
  RadioButton1 = new QRadioButton(QStringLiteral("Portret"));
  RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
  RadioButton2 = new QRadioButton(QStringLiteral("Landscape"));
  RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
  Button1 = new QPushButton(QStringLiteral("OK"));
  Button1->setObjectName(QStringLiteral("Button1"));
  Button2 = new QPushButton(QStringLiteral("Cancel"));
  Button2->setObjectName(QStringLiteral("Button2"));
  for (QPushButton* b : {Button1, Button2}) b->setAutoDefault(false);

  auto* grid = new QGridLayout(Panel2);
  grid->addWidget(new QLabel(QStringLiteral("Page")), 0, 0);
  grid->addWidget(ComboBox21, 0, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Units")), 1, 0);
  grid->addWidget(ComboBox11, 1, 1, 1, 2);
  grid->addWidget(Edit1, 2, 1);
  grid->addWidget(Edit2, 2, 2);
  grid->addWidget(RadioButton1, 3, 1);
  grid->addWidget(RadioButton2, 3, 2);
  grid->addWidget(new QLabel(QStringLiteral("Resolution")), 4, 0);
  grid->addWidget(Edit3, 4, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  grid->addLayout(buttons, 5, 0, 1, 3);
  panels_->addWidget(Panel2);

  connect(ComboBox21, &QComboBox::activated, this,
          [this](int i) { outcome(logic_.choose_page(i, form_.logic().current())); });
  connect(ComboBox11, &QComboBox::activated, this,
          [this](int i) { outcome(logic_.choose_units(i, form_.logic().current())); });
  connect(Edit1, &QLineEdit::textEdited, this,
          [this](const QString& t) { logic_.set_width_text(t.toStdString()); });
  connect(Edit2, &QLineEdit::textEdited, this,
          [this](const QString& t) { logic_.set_height_text(t.toStdString()); });
  connect(Edit3, &QLineEdit::textEdited, this,
          [this](const QString& t) { logic_.set_resolution_text(t.toStdString()); });
  connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) { logic_.set_portrait(on); });
  connect(Button1, &QPushButton::clicked, this, [this] { outcome(logic_.page_ok(form_.logic().current())); });
  connect(Button2, &QPushButton::clicked, this,
          [this] { outcome(logic_.page_cancel(form_.logic().current())); });
}

void TPreference::build_pen_panel() {
  Panel3 = new QWidget;
  Panel3->setObjectName(QStringLiteral("Panel3"));
  Shape1 = new QLabel;
  Shape1->setObjectName(QStringLiteral("Shape1"));
  Shape1->setFixedSize(41, 25);
  Shape1->setFrameShape(QFrame::Box);
  Shape1->setAutoFillBackground(true);
  Shape1->setCursor(Qt::PointingHandCursor);
  Shape1->installEventFilter(this);
  Edit5 = new QLineEdit;
  Edit5->setObjectName(QStringLiteral("Edit5"));
  Label17 = new QLabel;
  Label17->setObjectName(QStringLiteral("Label17"));
  Button3 = new QPushButton(QStringLiteral("Ok"));
  Button3->setObjectName(QStringLiteral("Button3"));
  Button4 = new QPushButton(QStringLiteral("НЕТ"));
  Button4->setObjectName(QStringLiteral("Button4"));
  for (QPushButton* b : {Button3, Button4}) b->setAutoDefault(false);

  auto* grid = new QGridLayout(Panel3);
  grid->addWidget(new QLabel(QStringLiteral("Цвет пера")), 0, 0);
  grid->addWidget(Shape1, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Ширина пера")), 1, 0);
  grid->addWidget(Edit5, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("mm")), 1, 2);
  grid->addWidget(Label17, 2, 1, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button3);
  buttons->addWidget(Button4);
  grid->addLayout(buttons, 3, 0, 1, 3);
  panels_->addWidget(Panel3);

  connect(Edit5, &QLineEdit::textEdited, this, [this](const QString& t) {
    logic_.set_pen_width_text(t.toStdString());
    Label17->setText(qs(logic_.pen_label()));
  });
  connect(Button3, &QPushButton::clicked, this, [this] { outcome(logic_.pen_ok(form_.logic().current())); });
  connect(Button4, &QPushButton::clicked, this, [this] { done(0); });
}

void TPreference::build_no_selection_panel() {
  Panel4 = new QWidget;
  Panel4->setObjectName(QStringLiteral("Panel4"));
  Label7 = new QLabel(QStringLiteral("Нет выделенных объектов "));
  Label7->setObjectName(QStringLiteral("Label7"));
  Def = new QPushButton(QStringLiteral("Установить по  умолчанию"));
  Def->setObjectName(QStringLiteral("Def"));
  DefCancel = new QPushButton(QStringLiteral("Нет"));
  DefCancel->setObjectName(QStringLiteral("DefCancel"));
  for (QPushButton* b : {Def, DefCancel}) b->setAutoDefault(false);
  auto* box = new QVBoxLayout(Panel4);
  box->addStretch();
  box->addWidget(Label7, 0, Qt::AlignCenter);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Def);
  buttons->addWidget(DefCancel);
  box->addLayout(buttons);
  box->addStretch();
  panels_->addWidget(Panel4);

  connect(Def, &QPushButton::clicked, this, [this] {
    logic_.set_default();
    refresh();
  });
  connect(DefCancel, &QPushButton::clicked, this, [this] { done(0); });
}

void TPreference::refresh() {
  const QSignalBlocker b21(ComboBox21), b11(ComboBox11), b1(RadioButton1), b2(RadioButton2);
  ComboBox21->setCurrentIndex(logic_.page_index());
  ComboBox11->setCurrentIndex(logic_.units_index());
  Edit1->setText(qs(logic_.width_text()));
  Edit2->setText(qs(logic_.height_text()));
  Edit3->setText(qs(logic_.resolution_text()));
  Edit1->setEnabled(logic_.size_enabled());
  Edit2->setEnabled(logic_.size_enabled());
  RadioButton1->setChecked(logic_.portrait());
  RadioButton2->setChecked(!logic_.portrait());
  QPalette p = Shape1->palette();
  p.setColor(QPalette::Window, to_qcolor(logic_.pen_colour()));
  Shape1->setPalette(p);
  Edit5->setText(qs(logic_.pen_width_text()));
  Label17->setText(qs(logic_.pen_label()));
  switch (logic_.panel()) {
    case PreferencePanel::Page: panels_->setCurrentWidget(Panel2); break;
    case PreferencePanel::Pen: panels_->setCurrentWidget(Panel3); break;
    case PreferencePanel::NoSelection: panels_->setCurrentWidget(Panel4); break;
  }
}

void TPreference::show_panel(PreferencePanel panel) {
  logic_.show_panel(panel);
  refresh();
  exec();
}

void TPreference::choose_colour() {
  const QColor c = QColorDialog::getColor(to_qcolor(logic_.pen_colour()), this, QStringLiteral("Цвет пера"));
  if (!c.isValid()) return;
  logic_.set_pen_colour(from_qcolor(c));
  refresh();
}

void TPreference::outcome(const FormOutcome& o) {
  if (!o.error.empty()) {
    form_.error_message(o.error);
    return;
  }
  if (o.units >= 0) form_.show_units(o.units);
  if (o.show_size) {
    const QLocale locale;
    form_.Edit2->setText(locale.toString(o.size.x, 'g', 15));
    form_.Edit3->setText(locale.toString(o.size.y, 'g', 15));
  }
  if (o.repaint) form_.repaint(form_.logic().current());
  refresh();
  if (o.close) done(1);
}

void TPreference::reject() {
  // Escape and the close box: the panel's own way out.
  switch (logic_.panel()) {
    case PreferencePanel::Page: Button2->click(); break;
    case PreferencePanel::Pen:
    case PreferencePanel::NoSelection: done(0); break;
  }
}

bool TPreference::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Shape1 && event->type() == QEvent::MouseButtonPress) {
    choose_colour();
    return true;
  }
  // Keys reach the dialog's window before the focused field.
  if (event->type() != QEvent::KeyPress || !isVisible() || watched != windowHandle()) return false;
  if (logic_.panel() != PreferencePanel::Page) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key != Qt::Key_I && key != Qt::Key_M) return false;
  outcome(logic_.choose_units(key == Qt::Key_I ? kInch : kMillimetre, form_.logic().current()));
  return true;
}

// ---- TOptions -------------------------------------------------------------

TOptions::TOptions(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TOptions"));
  setWindowTitle(QStringLiteral("Options"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  PageControl1 = new QTabWidget;
  auto* page = new QWidget;
  auto* form = new QVBoxLayout(page);
  form->addWidget(new QLabel(QStringLiteral("Аппроксимация кривой Безье")));
  Edit1 = new QLineEdit(QStringLiteral("14"));
  Edit1->setObjectName(QStringLiteral("Edit1"));
  form->addWidget(Edit1);
  form->addWidget(new QLabel(QStringLiteral("Maximum elements")));
  EditMaxElements = new QLineEdit;
  EditMaxElements->setObjectName(QStringLiteral("EditMaxElements"));
  EditMaxElements->setPlaceholderText(QStringLiteral("automatic"));
  form->addWidget(EditMaxElements);
  form->addStretch();
  PageControl1->addTab(page, QStringLiteral("Аппроксимация"));
  OKBtn = new QPushButton(QStringLiteral("OK"));
  CancelBtn = new QPushButton(QStringLiteral("Cancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto* box = new QVBoxLayout(this);
  box->addWidget(PageControl1);
  box->addLayout(buttons);
  // Every way out just closes: the typed value stays either way.
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(Edit1, &QLineEdit::returnPressed, this, &QDialog::accept);
  connect(EditMaxElements, &QLineEdit::returnPressed, this, &QDialog::accept);
  fit_at_least(this, kOptionsSize);
  centre_on_screen(this);
}

std::string TOptions::approximation() const { return Edit1->text().toStdString(); }

std::string TOptions::max_elements() const { return EditMaxElements->text().toStdString(); }
