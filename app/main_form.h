// TMainForm: the program's main window, a multiple-document frame. A thin
// Qt layer over the main window's logic (<session/main_window.h>): it
// builds the menu, the speed bar, the edit panel, the tool palette and the
// status bar, turns their signals into calls on the logic, and offers the
// logic the windows, dialogs and messages it asks for.
#ifndef KALVEX_APP_MAIN_FORM_H
#define KALVEX_APP_MAIN_FORM_H

#include <session/main_window.h>

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;
class QToolBar;
class TMDIChild;
class TMDIFrame;
class TApertures;
class TLayerNumber;
class Ttimes;
class TAboutBox;
class HelpWindow;
class KeyFilter;

class TMainForm : public QMainWindow, public kalvex::session::MainWindowLayer {
 public:
  // dialogs: the page setup, pen, options, printing, editor and hatch
  // windows; null takes make_dialog_host().
  explicit TMainForm(std::unique_ptr<kalvex::session::DialogHost> dialogs = nullptr);
  ~TMainForm() override;

  kalvex::session::MainWindow& logic() { return logic_; }
  kalvex::session::DialogHost& dialogs() { return *dialogs_; }
  QMdiArea* area() const { return area_; }
  TMDIChild* current_child() const;
  TMDIChild* child_of(const kalvex::session::DrawingView* view) const;
  // The apertures file: ap$$.txt in the user's configuration folder.
  static QString apertures_path();

  // From the drawing windows.
  void show_cursor_position(const QString& text);
  void show_selection(TMDIChild* child);
  void drawing_modified(TMDIChild* child);
  void progress(TMDIChild* child, std::intptr_t wparam);

  // MainWindowLayer
  kalvex::session::FileChoice open_dialog(const std::string& title, const char* filter,
                                          int filter_index) override;
  kalvex::session::FileChoice save_dialog(const std::string& title, const char* filter,
                                          int filter_index) override;
  kalvex::session::DrawingView* create_drawing(const std::string& caption) override;
  void destroy_drawing(kalvex::session::DrawingView* view) override;
  void set_caption(kalvex::session::DrawingView* view, const std::string& caption) override;
  int drawing_count() const override;
  std::vector<kalvex::session::DrawingView*> drawings() const override;
  void repaint(kalvex::session::DrawingView* view) override;
  void cascade() override;
  void tile() override;
  void arrange_icons() override;
  void minimize(kalvex::session::DrawingView* view) override;
  void error_message(const std::string& text) override;
  kalvex::session::SaveAnswer ask_save_changes(const std::string& name) override;
  int layer_number_dialog() override;
  void times_dialog(float seconds) override;
  bool apertures_dialog() override;
  void about_dialog() override;
  void help() override;
  void close_main() override;
  void show_units(int units) override;
  void menu_state_changed() override;

  // For the tests: answers given instead of asking (file dialogs and the
  // unsaved-changes question), and messages collected instead of shown.
  struct Scripted {
    bool active = false;
    std::vector<kalvex::session::FileChoice> files;
    std::vector<kalvex::session::SaveAnswer> answers;
    std::vector<std::string> messages;
    int questions = 0;
  };
  Scripted& scripted() { return scripted_; }

  // Menu items, buttons and fields by their component names.
  QAction *FileNewItem, *FileOpenItem, *FileSaveItem, *FileSaveAsItem, *SaveSelect1, *Import1, *Print1,
      *Editor1, *Preferences, *ColorWidth1, *Options1, *FileCloseItem, *FileExitItem;
  QAction *Undo1, *Redo1, *CutItem, *CopyItem, *PasteItem, *SelectAllCtrlA1, *N8;
  QAction *ViewAll1, *Zoom1, *Zoom2;
  QAction *Hatch1, *Group1, *UnGroup1, *Inset1, *ToPolyline1;
  QAction *WindowCascadeItem, *WindowTileItem, *WindowArrangeItem, *WindowMinimizeItem;
  QAction *N6, *HelpAboutItem;
  QAction *NewBut, *OpenBtn, *SaveBtn, *CutBtn, *CopyBtn, *PasteBtn, *ExitBtn;
  QAction *SelectTool, *ZoomTool, *LineTool, *EditorBtn, *SetupBtn, *PropertiesBtn;
  QLineEdit *Edit2, *Edit3;
  QComboBox* ComboBox2;
  QCheckBox* CheckBox1;
  QToolBar* EditPanel;
  QLabel* StatusPanel[3];

 protected:
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void build_menu();
  void build_bars();
  void x_field_entered();
  void tool_chosen(kalvex::session::Tool tool);
  kalvex::session::FileChoice file_dialog(bool save, const std::string& title, const char* filter, int index);

  std::unique_ptr<kalvex::session::DialogHost> dialogs_;
  kalvex::session::MainWindow logic_;
  QMdiArea* area_ = nullptr;
  QActionGroup* tools_ = nullptr;
  TApertures* apertures_ = nullptr;
  TLayerNumber* layer_number_ = nullptr;
  Ttimes* times_ = nullptr;
  TAboutBox* about_ = nullptr;
  QPointer<HelpWindow> help_;
  KeyFilter* keys_ = nullptr;
  Scripted scripted_;
  bool closing_ = false;
};

// The dialogs of the page setup, pen, options, printing, editor and hatch
// windows (dialog_hooks.cpp).
std::unique_ptr<kalvex::session::DialogHost> make_dialog_host(TMainForm& form);

#endif
