// TPreference, the page setup, pen and no-selection panels in one dialog,
// and TOptions, the curve approximation. Thin windows over
// <session/preference_form.h>: the widgets show the form's fields, and
// each edit, list choice and button goes to the form.
#ifndef KALVEX_APP_PREFERENCE_DIALOG_H
#define KALVEX_APP_PREFERENCE_DIALOG_H

#include <session/preference_form.h>

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedLayout;
class QTabWidget;
class TMainForm;

class TPreference : public QDialog {
 public:
  TPreference(TMainForm& form, kalvex::session::PreferenceForm& logic);
  ~TPreference() override;

  kalvex::session::PreferenceForm& logic() { return logic_; }
  // Shows one panel modally.
  void show_panel(kalvex::session::PreferencePanel panel);
  // The widgets show the form's fields again.
  void refresh();
  // A click on the colour shape: the colour chooser.
  void choose_colour();

  // Panel2: page setup.
  QWidget* Panel2;
  QComboBox *ComboBox21, *ComboBox11;
  QLineEdit *Edit1, *Edit2, *Edit3;
  QRadioButton *RadioButton1, *RadioButton2;
  QPushButton *Button1, *Button2;
  // Panel3: pen.
  QWidget* Panel3;
  QLabel *Shape1, *Label17;
  QLineEdit* Edit5;
  QPushButton *Button3, *Button4;
  // Panel4: nothing selected.
  QWidget* Panel4;
  QLabel* Label7;
  QPushButton *Def, *DefCancel;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  void outcome(const kalvex::session::FormOutcome& o);
  void build_page_panel();
  void build_pen_panel();
  void build_no_selection_panel();

  TMainForm& form_;
  kalvex::session::PreferenceForm& logic_;
  QStackedLayout* panels_ = nullptr;
};

class TOptions : public QDialog {
 public:
  explicit TOptions(QWidget* parent);
  // The fields' texts: the settings.
  std::string approximation() const;
  std::string max_elements() const;
  QTabWidget* PageControl1;
  QLineEdit* Edit1;
  QLineEdit* EditMaxElements;  // empty: every read and edit scaled to its input
  QPushButton *OKBtn, *CancelBtn;
};

#endif
