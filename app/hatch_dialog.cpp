#include "hatch_dialog.h"

#include "dialog_common.h"
#include "main_form.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

using namespace kalvex::session;

namespace {

constexpr QSize kHatchSize(334, 296);

QLineEdit* field(const char* name, std::string& text, QObject* owner) {
  auto* e = new QLineEdit(QString::fromStdString(text));
  e->setObjectName(QString::fromLatin1(name));
  QObject::connect(e, &QLineEdit::textEdited, owner, [&text](const QString& t) { text = t.toStdString(); });
  return e;
}

QPushButton* button(const char* name, const char* text) {
  auto* b = new QPushButton(QString::fromUtf8(text));
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

THATCH::THATCH(TMainForm& form, HatchForm& logic) : QDialog(&form), form_(form), logic_(logic) {
  setObjectName(QStringLiteral("THATCH"));
  setWindowTitle(QStringLiteral("HATCH"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  HatchFields& f = logic_.fields;

  TabSheet1 = new QWidget;
  RadioButton1 = new QRadioButton(QStringLiteral("Hatch polypolygons only"));
  RadioButton2 = new QRadioButton(QStringLiteral("Hatch polylines only"));
  RadioButton3 = new QRadioButton(QStringLiteral("Hatch  all"));
  RadioButton1->setChecked(true);
  RadioButton2->setEnabled(false);
  RadioButton3->setEnabled(false);
  auto* what = new QGroupBox;
  auto* what_box = new QVBoxLayout(what);
  for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton3}) what_box->addWidget(r);
  RadioButton4 = new QRadioButton(QStringLiteral("Соответствие"));
  RadioButton5 = new QRadioButton(QStringLiteral("без соответствия"));
  RadioButton4->setChecked(f.match);
  RadioButton5->setChecked(!f.match);
  auto* pens = new QGroupBox;
  auto* pens_box = new QGridLayout(pens);
  pens_box->addWidget(RadioButton4, 0, 0);
  pens_box->addWidget(new QLabel(QStringLiteral("цвета и толщины")), 1, 0);
  pens_box->addWidget(RadioButton5, 0, 1);
  pens_box->addWidget(new QLabel(QStringLiteral("цвета и толщины")), 1, 1);
  Edit1 = field("Edit1", f.step, this);
  ComboBox1 = new QComboBox;
  ComboBox1->addItems({QStringLiteral("mm"), QStringLiteral("inch")});
  ComboBox1->setCurrentIndex(f.step_units);
  Edit2 = field("Edit2", f.offset, this);
  Button1 = button("Button1", "OK");
  Button2 = button("Button2", "Cancel");
  auto* hatch = new QGridLayout(TabSheet1);
  hatch->addWidget(what, 0, 0, 1, 3);
  hatch->addWidget(pens, 1, 0, 1, 3);
  hatch->addWidget(new QLabel(QStringLiteral("Length between lines")), 2, 0);
  hatch->addWidget(Edit1, 2, 1);
  hatch->addWidget(ComboBox1, 2, 2);
  hatch->addWidget(new QLabel(QStringLiteral("Offset from  border")), 3, 0);
  hatch->addWidget(Edit2, 3, 1);
  auto* hatch_buttons = new QHBoxLayout;
  hatch_buttons->addStretch();
  hatch_buttons->addWidget(Button1);
  hatch_buttons->addWidget(Button2);
  hatch->addLayout(hatch_buttons, 4, 0, 1, 3);

  TabSheet2 = new QWidget;
  Edit3 = field("Edit3", f.inset, this);
  Edit4 = field("Edit4", f.inset_count, this);
  Button3 = button("Button3", "OK");
  Button4 = button("Button4", "Cancel");
  auto* inset = new QGridLayout(TabSheet2);
  inset->addWidget(new QLabel(QStringLiteral("Inset")), 0, 0);
  inset->addWidget(Edit3, 0, 1);
  inset->addWidget(new QLabel(QStringLiteral("Match")), 1, 0);
  inset->addWidget(Edit4, 1, 1);
  inset->setRowStretch(2, 1);
  auto* inset_buttons = new QHBoxLayout;
  inset_buttons->addStretch();
  inset_buttons->addWidget(Button3);
  inset_buttons->addWidget(Button4);
  inset->addLayout(inset_buttons, 3, 0, 1, 2);

  PageControl1 = new QTabWidget;
  PageControl1->addTab(TabSheet1, QStringLiteral("Hatch"));
  PageControl1->addTab(TabSheet2, QStringLiteral("Inset"));
  auto* box = new QVBoxLayout(this);
  box->addWidget(PageControl1);

  connect(RadioButton4, &QRadioButton::toggled, this, [this](bool on) { logic_.fields.match = on; });
  connect(ComboBox1, &QComboBox::activated, this, [this](int i) { logic_.fields.step_units = i; });
  connect(Button1, &QPushButton::clicked, this, &THATCH::hatch_ok);
  connect(Button2, &QPushButton::clicked, this, &THATCH::hatch_cancel);
  connect(Button3, &QPushButton::clicked, this, &THATCH::inset_ok);
  connect(Button4, &QPushButton::clicked, this, &THATCH::inset_cancel);
  refresh();
  setFixedSize(sizeHint().expandedTo(kHatchSize));
  centre_on_screen(this);
  // The dialog sees Enter and Escape before its fields.
  qApp->installEventFilter(this);
}

THATCH::~THATCH() { qApp->removeEventFilter(this); }

void THATCH::refresh() {
  TabSheet1->setEnabled(logic_.hatch_enabled());
  TabSheet2->setEnabled(logic_.inset_enabled());
  PageControl1->setCurrentIndex(static_cast<int>(logic_.page()));
}

void THATCH::open_page(HatchPage page) {
  logic_.set_style(user_number_style());
  logic_.open(page);
  refresh();
  exec();
}

void THATCH::carry_out(const HatchPlan& plan) {
  if (!plan.error.empty()) form_.error_message(plan.error);
  refresh();
  if (!plan.close) return;
  // The dialog goes first, so that the progress window stands alone while
  // the document works.
  done(plan.result);
  form_.logic().run_hatch(plan);
}

void THATCH::hatch_ok() {
  carry_out(
      logic_.hatch_ok(form_.logic().current(), [this](long& n) { return form_.logic().approximation(n); }));
}

void THATCH::hatch_cancel() { carry_out(logic_.hatch_cancel()); }

void THATCH::inset_ok() { carry_out(logic_.inset_ok(form_.logic().current())); }

void THATCH::inset_cancel() { carry_out(logic_.inset_cancel()); }

void THATCH::reject() { carry_out(logic_.escape()); }

bool THATCH::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !isVisible() || watched != windowHandle()) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    carry_out(
        logic_.enter(form_.logic().current(), [this](long& n) { return form_.logic().approximation(n); }));
    return true;
  }
  if (key == Qt::Key_Escape) {
    carry_out(logic_.escape());
    return true;
  }
  return false;
}

// ---- TInfo_Hatch ----------------------------------------------------------

TInfo_Hatch::TInfo_Hatch() {
  setObjectName(QStringLiteral("TInfo_Hatch"));
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                 Qt::WindowDoesNotAcceptFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(kProgressWidth, kProgressHeight);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(0, 128, 128));  // teal
  p.setColor(QPalette::WindowText, Qt::white);
  setPalette(p);
  setAutoFillBackground(true);
  Shape1 = new QWidget(this);
  Shape1->setGeometry(8, 24, kProgressWidth - 16, 20);
  QPalette bar = Shape1->palette();
  bar.setColor(QPalette::Window, QColor(128, 0, 0));  // maroon
  Shape1->setPalette(bar);
  Shape1->setAutoFillBackground(true);
  Shape1->hide();
  Memo1 = new QPlainTextEdit(this);
  Memo1->hide();
  Percent = new QLabel(this);
  Percent->setGeometry(rect());
  Percent->setAlignment(Qt::AlignCenter);
  QFont font = Percent->font();
  font.setPointSize(font.pointSize() * 2);
  font.setBold(true);
  Percent->setFont(font);
}

void TInfo_Hatch::set_text(const QString& text) { Percent->setText(text); }

void TInfo_Hatch::paintEvent(QPaintEvent* e) {
  ++paints_;
  QWidget::paintEvent(e);
}
