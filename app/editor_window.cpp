#include "editor_window.h"

#include "dialog_common.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

using namespace kalvex::session;

namespace {

QLineEdit* field(const char* name, const std::string& text, std::string& into, QObject* owner) {
  auto* e = new QLineEdit(QString::fromStdString(text));
  e->setObjectName(QString::fromLatin1(name));
  QObject::connect(e, &QLineEdit::textEdited, owner, [&into](const QString& t) { into = t.toStdString(); });
  return e;
}

}  // namespace

TEditor::TEditor(QObject* target, std::shared_ptr<EditorForm> logic)
    : target_(target), keep_(std::move(logic)), logic_(*keep_) {
  setObjectName(QStringLiteral("TEditor"));
  setWindowTitle(QStringLiteral("Editor"));
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setAttribute(Qt::WA_DeleteOnClose);
  EditorFields& f = logic_.fields;

  PageControl1 = new QTabWidget;
  TabSheet1 = new QWidget;
  CheckBox11 = new QCheckBox(QStringLiteral("Вектор смещения"));
  CheckBox11->setChecked(f.vector);
  Edit11 = field("Edit11", f.move_x, f.move_x, this);
  Edit12 = field("Edit12", f.move_y, f.move_y, this);
  Edit13 = field("Edit13", f.to_x, f.to_x, this);
  Edit14 = field("Edit14", f.to_y, f.to_y, this);
  Button11 = new QPushButton(QStringLiteral("Apply"));
  auto* move = new QGridLayout(TabSheet1);
  move->addWidget(CheckBox11, 0, 0, 1, 2);
  move->addWidget(new QLabel(QStringLiteral("X")), 1, 0);
  move->addWidget(Edit11, 1, 1);
  move->addWidget(new QLabel(QStringLiteral("Y")), 2, 0);
  move->addWidget(Edit12, 2, 1);
  move->addWidget(new QLabel(QStringLiteral("Смещение  системы \nкоординат модели в точку")), 3, 0, 1, 2);
  move->addWidget(Edit13, 4, 1);
  move->addWidget(Edit14, 5, 1);
  move->addWidget(Button11, 6, 0, 1, 2);
  PageControl1->addTab(TabSheet1, QStringLiteral("Move"));

  TabSheet2 = new QWidget;
  PageControl1->addTab(TabSheet2, QStringLiteral("Rotate"));

  TabSheet3 = new QWidget;
  CheckBox1 = new QCheckBox(QStringLiteral("Proportional"));
  CheckBox1->setChecked(f.proportional);
  RadioButton1 = new QRadioButton(QStringLiteral("Масштаб"));
  RadioButton2 = new QRadioButton(QStringLiteral("Размер"));
  RadioButton1->setChecked(f.percent);
  RadioButton2->setChecked(!f.percent);
  Edit1 = field("Edit1", f.scale_x, f.scale_x, this);
  Edit2 = field("Edit2", f.scale_y, f.scale_y, this);
  Edit3 = field("Edit3", f.size_x, f.size_x, this);
  Edit4 = field("Edit4", f.size_y, f.size_y, this);
  Button1 = new QPushButton(QStringLiteral("Apply"));
  auto* scale = new QGridLayout(TabSheet3);
  scale->addWidget(CheckBox1, 0, 0, 1, 3);
  scale->addWidget(RadioButton1, 1, 0, 1, 3);
  scale->addWidget(new QLabel(QStringLiteral("X")), 2, 0);
  scale->addWidget(Edit1, 2, 1);
  scale->addWidget(new QLabel(QStringLiteral("%")), 2, 2);
  scale->addWidget(new QLabel(QStringLiteral("Y")), 3, 0);
  scale->addWidget(Edit2, 3, 1);
  scale->addWidget(new QLabel(QStringLiteral("%")), 3, 2);
  scale->addWidget(RadioButton2, 4, 0, 1, 3);
  scale->addWidget(Edit3, 5, 1);
  scale->addWidget(Edit4, 6, 1);
  scale->addWidget(Button1, 7, 0, 1, 3);
  PageControl1->addTab(TabSheet3, QStringLiteral("Scale"));

  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(2, 2, 2, 2);
  box->addWidget(PageControl1);

  connect(CheckBox11, &QCheckBox::toggled, this, [this](bool on) {
    logic_.fields.vector = on;
    update_enabling();
  });
  connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) {
    logic_.fields.proportional = on;
    update_enabling();
  });
  connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
    logic_.fields.percent = on;
    update_enabling();
  });
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this](int i) { logic_.page = static_cast<EditorPage>(i); });
  connect(Button11, &QPushButton::clicked, this, [this] { post_apply(kApplyMove); });
  connect(Button1, &QPushButton::clicked, this, [this] { post_apply(kApplyScale); });
  update_enabling();
  setFixedSize(sizeHint().expandedTo(QSize(kEditorWidth, kEditorHeight)));
  // The editor sees keys before its fields: Enter applies the page in front.
  qApp->installEventFilter(this);
}

TEditor::~TEditor() { qApp->removeEventFilter(this); }

void TEditor::set_pages_enabled(bool on) {
  for (QWidget* page : {TabSheet1, TabSheet2, TabSheet3}) page->setEnabled(on);
}

void TEditor::update_enabling() {
  const MoveEnabling m = logic_.move_enabling();
  Edit11->setEnabled(m.move_x);
  Edit12->setEnabled(m.move_y);
  Edit13->setEnabled(m.to_x);
  Edit14->setEnabled(m.to_y);
  const ScaleEnabling s = logic_.scale_enabling();
  Edit1->setEnabled(s.scale_x);
  Edit2->setEnabled(s.scale_y);
  Edit3->setEnabled(s.size_x);
  Edit4->setEnabled(s.size_y);
}

void TEditor::post_apply(int code) {
  // Posted, not sent: the editor goes on at once, the main window acts
  // when it next reads its queue.
  if (code != 0 && TabSheet1->isEnabled())
    QCoreApplication::postEvent(target_, new EditorMessage(WM_EDITOR_APPLY, code));
}

bool TEditor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || watched != windowHandle()) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  post_apply(logic_.enter_code());
  return true;
}

void TEditor::closeEvent(QCloseEvent* e) {
  QCoreApplication::postEvent(target_, new EditorMessage(WM_EDITOR_CLOSED, 0));
  e->accept();
}
