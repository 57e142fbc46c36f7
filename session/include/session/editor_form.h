// The logic of the editor window (TEditor): a small tool window for exact
// moves and scales of the current drawing's selection. It holds no
// document data: its Apply buttons and the Enter key post a message to the
// main window (queued, not a direct call); the main window's handler then
// reads the fields with apply() and calls the drawing's MoveSelection or
// ResizeSelection. At most one editor exists; its fields start from the
// initial texts each time one is made.
#ifndef KALVEX_SESSION_EDITOR_FORM_H
#define KALVEX_SESSION_EDITOR_FORM_H

#include <session/field_numbers.h>
#include <session/window_place.h>

#include <string>

namespace kalvex::session {

class DrawingView;

// Messages the editor posts to the main window.
constexpr int WM_EDITOR_APPLY = 1025;   // wParam 1 move page, 2 scale page
constexpr int WM_EDITOR_CLOSED = 1026;  // wParam 0
constexpr int kApplyMove = 1;
constexpr int kApplyScale = 2;

// The editor's pages, in tab order.
enum class EditorPage { Move = 0, Rotate = 1, Scale = 2 };

struct EditorFields {
  // Move page.
  bool vector = false;                     // CheckBox11 "Вектор смещения"
  std::string move_x = "0", move_y = "0";  // Edit11, Edit12: displacement
  std::string to_x = "0", to_y = "0";      // Edit13, Edit14: new null point
  // Scale page.
  bool proportional = true;  // CheckBox1 "Proportional"
  bool percent = true;       // RadioButton1 "Масштаб" (else RadioButton2 "Размер")
  std::string scale_x = "2540", scale_y = "2540";  // Edit1, Edit2: percent
  std::string size_x = "1", size_y = "1";          // Edit3, Edit4: size in display units
};

// Which fields are enabled.
struct MoveEnabling {
  bool move_x, move_y, to_x, to_y;  // Edit11, Edit12, Edit13, Edit14
};
struct ScaleEnabling {
  bool scale_x, scale_y, size_x, size_y;  // Edit1, Edit2, Edit3, Edit4
};

class EditorForm {
 public:
  EditorFields fields;
  EditorPage page = EditorPage::Move;

  MoveEnabling move_enabling() const;
  ScaleEnabling scale_enabling() const;
  // The pages are enabled exactly when a drawing window exists.
  static bool pages_enabled(int drawing_count) { return drawing_count > 0; }

  // The wParam Enter posts for the page in front (0: nothing, the Rotate
  // page).
  int enter_code() const;

  // The main window's handling of WM_EDITOR_APPLY: reads the fields of the
  // page `code` names and moves or scales the selection of `current`.
  // Returns the message to show when a field holds no number or the
  // selection cannot be scaled to a size (then nothing changes); empty
  // otherwise. Nothing happens without a drawing.
  std::string apply(int code, DrawingView* current, const NumberStyle& style = {}) const;
};

}  // namespace kalvex::session

#endif
