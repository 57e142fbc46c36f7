// THATCH, the hatch and inset dialog, and TInfo_Hatch, the progress window
// of a long operation. Thin windows over <session/hatch_form.h> and
// <session/window_place.h>.
#ifndef KALVEX_APP_HATCH_DIALOG_H
#define KALVEX_APP_HATCH_DIALOG_H

#include <session/hatch_form.h>
#include <session/window_place.h>

#include <QDialog>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TMainForm;

class THATCH : public QDialog {
 public:
  THATCH(TMainForm& form, kalvex::session::HatchForm& logic);
  ~THATCH() override;

  // Shows the dialog modally on a page.
  void open_page(kalvex::session::HatchPage page);
  // The widgets show the form's fields and pages again.
  void refresh();
  // OK, Cancel, Enter and Escape (Enter and Escape act on the enabled page).
  void hatch_ok();
  void hatch_cancel();
  void inset_ok();
  void inset_cancel();

  QTabWidget* PageControl1;
  QWidget *TabSheet1, *TabSheet2;  // "Hatch", "Inset"
  QRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4, *RadioButton5;
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4;
  QComboBox* ComboBox1;
  QPushButton *Button1, *Button2, *Button3, *Button4;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  void carry_out(const kalvex::session::HatchPlan& plan);

  TMainForm& form_;
  kalvex::session::HatchForm& logic_;
};

// The progress window: borderless, on top, teal, moved across the screen
// by the fraction done; it shows the percentage.
class TInfo_Hatch : public QWidget {
 public:
  TInfo_Hatch();
  void set_text(const QString& text);
  long paints() const { return paints_; }
  QWidget* Shape1;        // the maroon bar (hidden)
  QPlainTextEdit* Memo1;  // hidden
  QLabel* Percent;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  long paints_ = 0;
};

#endif
