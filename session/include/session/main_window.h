// The main window's logic, apart from any window system: what each menu
// item, button and key of the program reads, sets and calls, the shared
// conversion request, the menu state, the Ctrl chord and the numbering of
// new drawings. The window layer (the Qt main window, or a test double)
// implements MainWindowLayer; the dialogs of the page setup, pen, options,
// printing, editor and hatch windows plug in through DialogHost.
#ifndef KALVEX_SESSION_MAIN_WINDOW_H
#define KALVEX_SESSION_MAIN_WINDOW_H

#include <session/apertures.h>
#include <session/drawing_view.h>
#include <session/field_numbers.h>
#include <session/file_types.h>
#include <session/page_setup.h>

#include <fgb/fgb.h>

#include <string>
#include <vector>

namespace kalvex::session {

struct HatchPlan;

// A file dialog's answer.
struct FileChoice {
  bool chosen = false;  // false: cancelled
  std::string path;
  int filter_index = 1;  // 1-based, as chosen
};

enum class SaveAnswer { Save, Discard, Cancel };

// What the main window's logic asks of the window system.
class MainWindowLayer {
 public:
  virtual ~MainWindowLayer() = default;
  // Open and save dialogs: title, filter list ("Text|pattern|..."), the
  // filter index to start with.
  virtual FileChoice open_dialog(const std::string& title, const char* filter, int filter_index) = 0;
  virtual FileChoice save_dialog(const std::string& title, const char* filter, int filter_index) = 0;
  // A new drawing window with this caption, made active; its view. Null
  // when it could not be made.
  virtual DrawingView* create_drawing(const std::string& caption) = 0;
  // Destroys a drawing window with its document (no question asked).
  virtual void destroy_drawing(DrawingView* view) = 0;
  virtual void set_caption(DrawingView* view, const std::string& caption) = 0;
  virtual int drawing_count() const = 0;
  // The drawings, first to last.
  virtual std::vector<DrawingView*> drawings() const = 0;
  virtual void repaint(DrawingView* view) = 0;
  // Drawings arranged by the platform.
  virtual void cascade() = 0;
  virtual void tile() = 0;
  virtual void arrange_icons() = 0;
  virtual void minimize(DrawingView* view) = 0;
  // Messages.
  virtual void error_message(const std::string& text) = 0;
  virtual SaveAnswer ask_save_changes(const std::string& name) = 0;
  // The small windows: the layer number (returns the number it holds),
  // the plotting time, the apertures editor (true when saved), about, help.
  virtual int layer_number_dialog() = 0;
  virtual void times_dialog(float seconds) = 0;
  virtual bool apertures_dialog() = 0;
  virtual void about_dialog() = 0;
  virtual void help() = 0;
  // The main window closes (the program ends).
  virtual void close_main() = 0;
  // The units selector shows this index.
  virtual void show_units(int units) = 0;
  // Menu and button state changed (read it with MainWindow::menu_state()).
  virtual void menu_state_changed() = 0;
};

// The dialogs of the page setup, pen, options, printing, editor and hatch
// windows. Each hook receives the current drawing (may be null).
class DialogHost {
 public:
  virtual ~DialogHost() = default;
  virtual void print(DrawingView* view) = 0;
  virtual void editor(DrawingView* view) = 0;
  // The page setup dialog with its page panel.
  virtual void page_setup(DrawingView* view) = 0;
  // The page setup dialog with its pen panel ("Color  Width", and
  // "Свойства" with a selection) or its no-selection panel.
  virtual void pen(DrawingView* view) = 0;
  virtual void no_selection(DrawingView* view) = 0;
  virtual void options() = 0;
  // The hatch dialog on its "Hatch" or "Inset" page.
  virtual void hatch(DrawingView* view, bool inset_page) = 0;
  // The text of the options dialog's "Аппроксимация кривой Безье" field.
  virtual std::string approximation_text() = 0;
  // The text of the options dialog's "Maximum elements" field (empty: the
  // budget of every read and edit is scaled to its input).
  virtual std::string max_elements_text() { return {}; }
  // The thousands separator of the user's locale (UTF-8; empty: none).
  virtual std::string group_separator() { return {}; }
  // The units list of the page setup dialog changed: apply the page
  // settings there (the page setup record is MainWindow::preference()).
  virtual void apply_units(int units) = 0;
  // A drawing's document reports the progress of a long operation
  // (WM_DB_PROGRESS: 3005 start, 0 tick, 3006 end); the progress window
  // follows it.
  virtual void progress(DrawingView*, std::intptr_t) {}
};

// Menu items and buttons whose state depends on the program's state.
struct MenuState {
  bool have_drawing = false;  // Close, Save, Save As, Cut, Copy, Paste,
                              // Select All, the Save button, the window
                              // items, Import, View All, Zoom +/-, Color
                              // Width, Hatch, Group; the edit panel shown
  bool undo = false;
  bool redo = false;
  bool editor = true;  // "Editor" and "Редактор" (off while the editor is open)
};

// Keys the main window reacts to before any control.
enum class MainKey { Other, Ctrl, F1, O, I };

class MainWindow {
 public:
  MainWindow(MainWindowLayer& layer, DialogHost& dialogs);

  // ---- start-up ----
  // Loads the apertures table from path (a missing file leaves it zero).
  void load_apertures(const std::string& path);
  const Apertures& apertures() const { return apertures_; }
  Apertures& apertures() { return apertures_; }

  // ---- File ----
  void new_document();
  void open();
  // Opens path as if chosen in the open dialog with the given filter
  // (the command line, dropped files). True when read.
  bool open_path(const std::string& path, int filter_index = kOpenFilterAll);
  void import();
  void save();
  void save_as();
  void save_select();
  // Before a drawing window closes: when it changed since it was opened or
  // saved, asks whether to save it (and saves it). False when it is to stay
  // open (the user cancelled, or the save did not happen).
  bool confirm_close(DrawingView* view);
  // Close a drawing window: confirm_close, then destroy it. False when it
  // stays open.
  bool close_drawing(DrawingView* view);
  void close_current();
  // Exit: every drawing closed (asking about changes) and then the main
  // window; false when the user cancelled.
  bool exit();
  // Before the main window closes by other means: asks about every
  // changed drawing; false when the user cancelled.
  bool query_close();

  // ---- Edit ----
  void undo();
  void redo();
  void select_all();
  void apertures_editor();

  // ---- View ----
  void view_all();
  void zoom(bool in);

  // ---- Operation ----
  void group();
  void ungroup();
  void to_polyline();
  void hatch();
  void inset();

  // ---- Window ----
  void cascade();
  void tile();
  void arrange_icons();
  void minimize_all();

  // ---- tools and panels ----
  void set_tool(Tool tool) { tool_ = tool; }
  Tool tool() const { return tool_; }
  bool optimise() const { return optimise_; }
  void set_optimise(bool on) { optimise_ = on; }
  // The units selector chose an index.
  void choose_units(int units);
  // Enter in the X field: resize the selection to the X field's width,
  // proportionally. The texts are already read as numbers (display units);
  // false when the selection has no extent to scale (nothing happens).
  bool resize_from_fields(double x, double y);
  // "Свойства".
  void properties();
  // The options dialog's curve approximation as Group, To Polyline and
  // Hatch pass it; false (and a message) when it holds no integer.
  bool approximation(long& n);
  // The options dialog's maximum number of elements a read or an edit may
  // create (0: scaled to the input); false (and a message) when the field
  // holds no count.
  bool max_elements(int64_t& n);
  // Before a read, write or edit of the view's document: the document takes
  // the options' element budget and forgets its last failure. False (and a
  // message) when the options' field holds no count: nothing is to be done.
  bool prepare_edit(DrawingView* view);
  // After an edit: when it failed (its budget, or memory), takes back the
  // undo step it left, shows "cannot WHAT 'NAME': CAUSE" and returns true.
  bool edit_failed(DrawingView* view, const char* what);
  // The hatch dialog's plan carried out on the current drawing, a failure
  // shown as for the other edits.
  void run_hatch(const HatchPlan& plan);
  void editor_opened();
  void editor_closed();

  // ---- keys ----
  // A key-down anywhere in the program, before any control sees it.
  // Returns true when the main window acted on it (F1, the Ctrl chord);
  // the current drawing's key handler runs in every case.
  bool key_down(MainKey key, Key drawing_key, unsigned modifiers);
  // Any other input message (mouse, key release) clears the chord.
  void other_message() { chord_ = false; }
  bool chord() const { return chord_; }

  // ---- windows ----
  // A drawing window became active (or none: nullptr).
  void activated(DrawingView* view);
  // A drawing window was destroyed.
  void drawing_destroyed(DrawingView* view);
  DrawingView* current() const { return current_; }
  // Undo state notifications of the current drawing.
  void undo_state(DrawingView* view, std::intptr_t wparam);
  MenuState menu_state() const;

  // The settings of the page setup dialog for the running program.
  PageSetup& preference() { return preference_; }
  PenSetting& pen() { return pen_; }

  // The shared conversion request.
  const Pconvert& request() const { return request_; }
  int open_filter_index() const { return open_index_; }
  int save_filter_index() const { return save_index_; }

 private:
  bool read_into(DrawingView* view, const std::string& path, int filter_index, bool import);
  bool write_as(bool selection_only);
  bool write_to(DrawingView* view, const std::string& path, int kind, bool selection_only);
  void update_menus();

  MainWindowLayer& layer_;
  DialogHost& dialogs_;
  Apertures apertures_;
  Tool tool_ = Tool::Select;
  DrawingView* current_ = nullptr;
  bool chord_ = false;
  bool optimise_ = true;
  bool editor_open_ = false;
  bool undo_ = false, redo_ = false;
  int units_ = kInch;  // the selector
  int open_index_ = kOpenFilterAll;
  int save_index_ = kSaveFilterInitial;
  PageSetup preference_;
  PenSetting pen_;
  Pconvert request_{};
  std::string request_path_;  // what request_.path points to
};

}  // namespace kalvex::session

#endif
