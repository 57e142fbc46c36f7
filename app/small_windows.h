// The small windows of the main window: the apertures editor, the layer
// number, the plotting time and the about box. Their logic is in
// <session/apertures.h> and <session/small_windows.h>.
#ifndef KALVEX_APP_SMALL_WINDOWS_H
#define KALVEX_APP_SMALL_WINDOWS_H

#include <session/apertures.h>

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The apertures editor: the file's usable lines in a text field; saving
// writes them back and copies the sizes into the program's table.
class TApertures : public QDialog {
 public:
  TApertures(QWidget* parent, kalvex::session::Apertures& table, QString path);
  // Shows the editor modally: true when the user saved. Escape keeps the
  // answer of the previous use (true at the first).
  bool ask();
  QPlainTextEdit* Memo1;
  QPushButton *SaveButton, *DontSaveButton;

 private:
  void save();
  kalvex::session::Apertures& table_;
  kalvex::session::AperturesEditor editor_;
  QString path_;
  bool result_ = true;
};

// The layer to read from a PCAD board file.
class TLayerNumber : public QDialog {
 public:
  explicit TLayerNumber(QWidget* parent);
  // Shows the window modally; the layer number it holds afterwards
  // (closing it by its close box keeps the previous one).
  int ask();
  int layer() const { return layer_; }
  // The button: converts the field; false (the window stays) when it holds
  // no integer.
  bool take_field();
  QLineEdit* Edit1;
  QPushButton* Button1;

 private:
  int layer_ = 0;
};

// The plotting time of the file just written.
class Ttimes : public QDialog {
 public:
  explicit Ttimes(QWidget* parent);
  // Sets the labels for t seconds; shows the window modally when show.
  void show_time(float t, bool show = true);
  QLabel *l1, *l2, *l3;
};

class TAboutBox : public QDialog {
 public:
  explicit TAboutBox(QWidget* parent);
};

#endif
