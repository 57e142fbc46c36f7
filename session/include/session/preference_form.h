// The logic of the page setup, pen and options dialogs (TPreference and
// TOptions): the page-size table and its number formats, what each button
// reads and calls, and the settings they keep for the running program.
//
// The dialog's fields are texts, as the user left them; numbers are read
// from them only when a step needs them. The numbers of the last good read
// are kept in the main window's PageSetup and PenSetting (new drawing
// windows take them). A drawing changes only on the page panel's OK (its
// page setup), the pen panel's Ok (its pen, or its selection's) and the
// units selector of the main window; Cancel puts the drawing's own setup
// back into the fields.
#ifndef KALVEX_SESSION_PREFERENCE_FORM_H
#define KALVEX_SESSION_PREFERENCE_FORM_H

#include <session/field_numbers.h>
#include <session/page_setup.h>

#include <fgb/fgb.h>

#include <optional>
#include <string>

namespace kalvex::session {

class DrawingView;

// Entries of the page list.
enum PageIndex : int { kPageA4 = 0, kPageA3, kPageA2, kPageDP1545, kPageKodak, kPageLetter, kPageCastom };
constexpr int kPageCount = 7;
// The page list's and the units list's items, in index order.
extern const char* const kPageNames[kPageCount];
extern const char* const kUnitNames[4];

// What the page-size table writes into the width and height fields for a
// page in some units at resolution r (dots per inch); nothing for
// "DP  1545" and "Castom". Width is the larger value.
struct PageSizeText {
  bool set = false;
  std::string width, height;
};
PageSizeText page_size_text(int page, int units, double resolution, const NumberStyle& style = {});

// The label under the pen width: the width (millimetres) in inches with 6
// significant digits and "  inchs"; "0  inchs" for an empty field. A text
// that is no number gives "?  inchs".
std::string pen_width_label(const std::string& width_mm_text, const NumberStyle& style = {});

// A selection's width and height (inches) in display units.
gr_cpoint size_in_units(gr_cpoint inches, int units, double resolution);

// Which panel of TPreference is shown.
enum class PreferencePanel { Page, Pen, NoSelection };

// The result of a button or a change: an error to show (nothing changed),
// whether the dialog closes, and what the main window shows afterwards.
struct FormOutcome {
  std::string error;       // non-empty: show it; the step was not done
  bool close = false;      // the dialog closes
  bool repaint = false;    // the current drawing changed its page: repaint it
  int units = -1;          // the main window's units selector shows this (-1: unchanged)
  bool show_size = false;  // the main window's X and Y fields show `size`
  gr_cpoint size{0, 0};    // in the dialog's units
};

class PreferenceForm {
 public:
  // preference and pen: the main window's settings, kept in step with the
  // fields.
  PreferenceForm(PageSetup& preference, PenSetting& pen, NumberStyle style = {});

  // ---- the page panel's fields ----
  int page_index() const { return page_index_; }    // -1: nothing chosen
  int units_index() const { return units_index_; }  // -1: nothing chosen
  const std::string& width_text() const { return width_; }
  const std::string& height_text() const { return height_; }
  const std::string& resolution_text() const { return resolution_; }
  bool size_enabled() const { return size_enabled_; }  // only for "Castom"
  bool portrait() const { return portrait_; }
  void set_width_text(std::string t) { width_ = std::move(t); }
  void set_height_text(std::string t) { height_ = std::move(t); }
  void set_resolution_text(std::string t) { resolution_ = std::move(t); }
  void set_portrait(bool on) { portrait_ = on; }

  // ---- the pen panel's fields ----
  uint32_t pen_colour() const { return pen_colour_; }  // platform value 0x00BBGGRR
  const std::string& pen_width_text() const { return pen_width_; }
  const std::string& pen_label() const { return pen_label_; }  // Label17
  void set_pen_colour(uint32_t colour);
  void set_pen_width_text(std::string t);

  PreferencePanel panel() const { return panel_; }
  void show_panel(PreferencePanel p) { panel_ = p; }

  // ---- page settings ----
  // ShowPageSetup: a drawing's setup into the fields (lists, resolution,
  // size, orientation).
  void show_page_setup(const PageSetup& s);
  // ApplyPageSettings: with a drawing, the fields take the page-size table
  // for the chosen page and units (resolution from its field), "Castom"
  // enables the size fields, and the main window shows the selection of
  // `current` in the new units. Nothing without a drawing.
  FormOutcome apply_page_settings(const DrawingView* current);
  // The units list or the I and M keys chose units; the page list a page.
  FormOutcome choose_units(int units, const DrawingView* current);
  FormOutcome choose_page(int page, const DrawingView* current);
  // The main window's units selector, or a drawing window that became
  // active, set the main window's settings: the fields follow them. With
  // `current` showing the same setup, its own page size stays in the
  // fields (ShowPageSetup after applying).
  FormOutcome follow_preference(const DrawingView* current);

  // ---- buttons ----
  // Page panel "OK": the current drawing takes the fields' setup.
  FormOutcome page_ok(DrawingView* current);
  // Page panel "Cancel": the current drawing's setup back into the fields.
  FormOutcome page_cancel(const DrawingView* current);
  // Pen panel "Ok": the selection's pen, or with nothing selected the
  // drawing window's own pen (new lines, hatching).
  FormOutcome pen_ok(DrawingView* current);
  // No-selection panel "Установить по  умолчанию": on to the pen panel.
  void set_default() { panel_ = PreferencePanel::Pen; }

  const NumberStyle& style() const { return style_; }
  void set_style(NumberStyle s) { style_ = std::move(s); }

 private:
  void keep_numbers();

  PageSetup& preference_;
  PenSetting& pen_;
  NumberStyle style_;
  int page_index_ = -1;
  int units_index_ = -1;
  std::string width_ = "11.693", height_ = "8.268", resolution_ = "300";
  bool size_enabled_ = false;
  bool portrait_ = false;
  uint32_t pen_colour_ = 0;
  std::string pen_width_ = "0.3";
  std::string pen_label_;
  PreferencePanel panel_ = PreferencePanel::Page;
};

// TOptions: the curve approximation field; its text is the setting.
struct OptionsForm {
  std::string approximation = "14";
};

}  // namespace kalvex::session

#endif
