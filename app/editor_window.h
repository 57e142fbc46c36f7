// TEditor: the stay-on-top tool window for exact moves and scales of the
// selection. A thin window over <session/editor_form.h>: its Apply buttons
// and the Enter key post WM_EDITOR_APPLY to the main window, and closing it
// posts WM_EDITOR_CLOSED; it never calls the document itself.
#ifndef KALVEX_APP_EDITOR_WINDOW_H
#define KALVEX_APP_EDITOR_WINDOW_H

#include <session/editor_form.h>

#include <QWidget>

#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

class TEditor : public QWidget {
 public:
  // target: the main window, the only receiver of the editor's messages;
  // logic: the fields, which the main window reads when it handles them.
  TEditor(QObject* target, std::shared_ptr<kalvex::session::EditorForm> logic);
  ~TEditor() override;

  // The pages are enabled exactly when a drawing window exists.
  void set_pages_enabled(bool on);
  // The field-enabling tables, after any click on the check boxes or the
  // mode buttons.
  void update_enabling();
  // Posts WM_EDITOR_APPLY with code (1 move, 2 scale).
  void post_apply(int code);

  QTabWidget* PageControl1;
  QWidget *TabSheet1, *TabSheet2, *TabSheet3;  // "Move", "Rotate", "Scale"
  QCheckBox* CheckBox11;
  QLineEdit *Edit11, *Edit12, *Edit13, *Edit14;
  QPushButton* Button11;
  QCheckBox* CheckBox1;
  QRadioButton *RadioButton1, *RadioButton2;
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4;
  QPushButton* Button1;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  QObject* target_;
  std::shared_ptr<kalvex::session::EditorForm> keep_;
  kalvex::session::EditorForm& logic_;
};

#endif
