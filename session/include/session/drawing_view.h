// The drawing window's logic, apart from any window system: the page setup
// of one drawing, the mapping of its inch coordinates onto the window
// through a zoomable isotropic view with y up, the paint order, the mouse
// tools (zoom, select, line) and the keys, over the window's MainDB.
//
// Coordinates: the document stores inches. The view's logical unit is 1/U
// inch with U = resolution x zoom; device coordinates are window pixels,
// origin top-left, y down. Mouse events arrive as device points with
// modifier flags; the window layer draws the rubber band this class
// describes over its picture with an inverting pen.
#ifndef KALVEX_SESSION_DRAWING_VIEW_H
#define KALVEX_SESSION_DRAWING_VIEW_H

#include <session/page_setup.h>

#include <fgb/fgb.h>
#include <geomkit/device_context.h>

#include <cstdint>
#include <memory>
#include <string>

namespace kalvex::session {

// ToolMode: the tool palette's buttons.
enum class Tool { Zoom = 0, Select = 1, Line = 2 };

// Modifier flags of a mouse or key event.
enum Modifier : unsigned { kShift = 1, kCtrl = 2, kAlt = 4 };

// Keys the drawing window reacts to.
enum class Key { Other, Delete, A, I, M, Z };

// The rubber band of a drag, in device pixels: a rectangle (normalised) or,
// for the line tool, a line from (left, top) to (right, bottom).
struct Band {
  bool empty = true;
  bool line = false;
  int left = 0, top = 0, right = 0, bottom = 0;
};

// What a mouse release did.
enum class Gesture { None, ZoomIn, ZoomOut, Select, Line };

// Whole-drawing and selection measures, refreshed on every refresh
// notification (inches).
struct SelectionInfo {
  gr_cpoint dim{0, 0}, dim_s{0, 0};
  gr_cpoint centre{0, 0}, centre_s{0, 0};
  gr_cpoint nullp{0, 0}, nullp_s{0, 0};
  long count = 0, count_s = 0;
};

// Converts 32-bit-saturated like the platform's coordinates; truncates
// toward zero.
int32_t trunc_i32(double v);

// Platform colour value (0x00BBGGRR) to a colour; anything wider than six
// hexadecimal digits (a system colour) gives black.
gr_rgbcol colour_from_platform(uint32_t value);

class DrawingView {
 public:
  // The document gets window as its notification target (may be null for
  // a view without a window).
  explicit DrawingView(DbNotifyTarget* window, const PenSetting& pen = {});
  ~DrawingView();
  DrawingView(const DrawingView&) = delete;
  DrawingView& operator=(const DrawingView&) = delete;

  MainDB& document() { return *doc_; }
  const MainDB& document() const { return *doc_; }

  // ---- page setup ----
  // Takes units, page index, resolution, size and orientation; whole-page
  // view; recomputes U and the page rectangle. The caller repaints.
  void reload_page_setup(const PageSetup& setup);
  // This window's page setup, as the page setup dialog shows it.
  PageSetup page_setup() const;
  int units() const { return units_; }
  double resolution() const { return resolution_; }
  double zoom() const { return zoom_; }
  double units_per_inch() const { return u_; }
  int zoom_state() const { return zoom_state_; }
  // Right and bottom of the page rectangle (logical units).
  int page_right() const { return page_right_; }
  int page_bottom() const { return page_bottom_; }
  // Page size in dots (printing at natural size).
  double page_dots_x() const { return page_dots_x_; }
  double page_dots_y() const { return page_dots_y_; }
  struct ZoomWindow {
    double width = 0, height = 0, left = 0, bottom = 0;
  };
  ZoomWindow zoom_window() const { return zoom_window_; }

  // ---- window ----
  // Client size in pixels (after a resize).
  void set_client_size(int width, int height);
  int client_width() const { return static_cast<int>(cw_); }
  int client_height() const { return static_cast<int>(ch_); }
  // Sets the view mapping on dc. False when the device refuses it.
  bool apply_view_mapping(GrDeviceContext& dc) const;
  // Device point to logical, through the view mapping.
  POINT to_logical(int x, int y) const;
  // Paints: view mapping, null brush, axes, page outline, then the
  // document (main drawing and selection). False when the device refused
  // the mapping (nothing drawn).
  bool paint(GrDeviceContext& dc);
  // View All: whole page. The caller repaints.
  void view_all();
  // Zoom + / Zoom -: halves or doubles the region shown about its centre.
  // False when the step would leave the coordinate range (nothing changes).
  bool zoom_step(bool in);

  // ---- mouse ----
  void mouse_press(int x, int y, Tool tool);
  // Returns the cursor position for the status bar ("X=1.00,Y=2.00" with
  // decimal as the separator) and updates the band while dragging.
  std::string mouse_move(int x, int y, Tool tool, char decimal = '.');
  Gesture mouse_release(int x, int y, Tool tool, unsigned modifiers);
  const Band& band() const { return band_; }
  bool dragging() const { return dragging_; }
  // Draws the segment the line tool just added, with its selection marks,
  // onto dc (the window's picture under the view mapping) so that it shows
  // before the repaint the document asks for.
  void draw_new_segment(GrDeviceContext& dc) const;

  // ---- keys ----
  // Returns the display units a key asks for (-1: none); the caller sets
  // them through the main window's selector.
  int key_down(Key key, unsigned modifiers);

  // ---- document state ----
  // Re-reads the measures from the document (on a refresh).
  void refresh_info();
  const SelectionInfo& info() const { return info_; }
  // Width and height of the selection in the display units.
  gr_cpoint selection_size_in_units() const;
  // Display units to inches, on a pair of values.
  void units_to_inches(double& x, double& y) const;

  // MoveSelection: vector: (x, y) is a displacement in inches; otherwise
  // the new position of the selection's lower-left corner.
  void move_selection(bool vector, double x, double y);
  // ResizeSelection: percent: a (and b unless proportional) in percent;
  // otherwise a new width and height in inches (nothing happens when the
  // selection has no width or height to divide by).
  void resize_selection(bool percent, bool proportional, double a, double b);
  // ApplyPen: platform colour value and width in inches.
  void apply_pen(uint32_t colour, double width_in);
  // The window's own pen (new lines and hatching): colour and width in
  // inches.
  void set_pen(uint32_t colour, double width_in);
  gr_rgbcol pen_colour() const { return pen_colour_; }
  double pen_width_in() const { return pen_width_in_; }
  // The pen preset the hatch dialog stores with the window.
  int pen_preset() const { return pen_preset_; }
  void set_pen_preset(int preset) { pen_preset_ = preset; }

  // ---- changes since opened or saved ----
  // Called as each notification is issued (before it is queued): edits,
  // undo and redo mark the drawing changed.
  void note_issued(int message, std::intptr_t wparam);
  bool modified() const { return modified_; }
  void mark_saved() { modified_ = false; }

  // The file the drawing was read from or saved to, and its kind (-1: none).
  const std::string& file_path() const { return file_path_; }
  int file_kind() const { return file_kind_; }
  void set_file(const std::string& path, int kind) {
    file_path_ = path;
    file_kind_ = kind;
  }

  const std::string& caption() const { return caption_; }
  void set_caption(const std::string& caption) { caption_ = caption; }

  // The view transform, reset before Open and Import.
  gr_ctrans& transform() { return trans_; }
  void reset_transform();

 private:
  void recompute();
  gr_cpoint logical_to_inch(double lx, double ly) const { return {lx / u_, ly / u_}; }
  bool zoom_fits(double factor) const;
  void finish_zoom_in();

  std::unique_ptr<MainDB> doc_;
  int units_ = 1;                       // 0 inch, 1 millimetre, 2 pixel, 3 centimetre
  int page_index_ = 0;                  // A4
  double resolution_ = 300;             // dots per inch
  int orientation_ = 2;                 // 1 portrait, 2 landscape
  double page_w_ = 297, page_h_ = 210;  // display units
  double page_dots_x_ = 0, page_dots_y_ = 0;
  double zoom_ = 1.0;
  double u_ = 300;
  int page_right_ = 0, page_bottom_ = 0;
  double cw_ = 1, ch_ = 1;
  int zoom_state_ = 0;
  ZoomWindow zoom_window_;
  bool dragging_ = false;
  POINT down_{0, 0}, up_{0, 0};
  gr_cpoint press_{0, 0};
  Band band_;
  gr_segment new_segment_{};
  bool has_new_segment_ = false;
  SelectionInfo info_;
  gr_ctrans trans_{};
  double pen_width_in_ = 0.3 / 25.4;
  gr_rgbcol pen_colour_{0, 0, 0};
  int pen_preset_ = 0;
  bool modified_ = false;
  std::string file_path_;
  int file_kind_ = -1;
  std::string caption_;
};

}  // namespace kalvex::session

#endif
