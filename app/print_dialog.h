// TPrintp: natural size or fit to page, before the system's print dialog.
// A thin window over <session/printing.h>; both buttons print.
#ifndef KALVEX_APP_PRINT_DIALOG_H
#define KALVEX_APP_PRINT_DIALOG_H

#include <session/printing.h>

#include <QDialog>

#include <optional>

class QPushButton;
class QRadioButton;

class TPrintp : public QDialog {
 public:
  explicit TPrintp(QWidget* parent);
  // Shows the dialog modally: whether natural size is chosen after it
  // closed by "Да" or "Нет" (both print); nothing when it was closed by its
  // close box or Escape (no print).
  std::optional<bool> ask();
  kalvex::session::PrintChoiceForm& logic() { return logic_; }
  QRadioButton *RadioButton1, *RadioButton2;
  QPushButton *OK, *Cancel;

 private:
  kalvex::session::PrintChoiceForm logic_;
};

#endif
