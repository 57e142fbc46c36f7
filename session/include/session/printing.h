// The logic of printing the current drawing on one page: the choice of
// natural size or fit to page (TPrintp), the printer's orientation, and
// the two mappings that put the drawing on the printer's page before
// MainDB::Draw draws it there, exactly as it draws on the screen.
//
// Natural size: one logical unit is one printer pixel and the drawing is
// drawn at its own resolution (dots per inch), the document's page centred
// on the printer's page. Fit to page: the drawing's extent (both sides,
// MainDB::DimensionDB_OUT) fills the printable area at the largest
// isotropic scale, centred along the other axis. Both have y upwards.
#ifndef KALVEX_SESSION_PRINTING_H
#define KALVEX_SESSION_PRINTING_H

#include <session/page_setup.h>

#include <fgb/fgb.h>
#include <geomkit/device_context.h>

namespace kalvex::session {

class DrawingView;

// The print job's title.
constexpr const char* kPrintJobTitle = "Trevalon is printing";

// TPrintp: "Натуральный размер рисунка" (natural size, chosen at start) or
// "Масштабировать чертеж" (scale the drawing). Both buttons print.
class PrintChoiceForm {
 public:
  bool natural = true;  // RadioButton1 chosen
  // "Да": closes with 1.
  int yes() const { return 1; }
  // "Нет": natural size again when it was chosen at creation (it was),
  // then closes with 1.
  int no() {
    if (natural_at_creation_) natural = true;
    return 1;
  }
  // What the print uses after the dialog closed.
  bool natural_chosen() const { return natural; }

 private:
  bool natural_at_creation_ = true;
};

// The printer's orientation: portrait only when "Portret" is chosen in the
// page setup dialog.
inline bool print_portrait(const PageSetup& preference) { return preference.portrait; }

// Whether the drawing has anything to print (elements on either side).
bool printable(const DrawingView* view);

// The page of a drawing in dots at its resolution (width, height).
gr_cpoint page_in_dots(const PageSetup& page);

// The mapping calls of one print, in the order they are made.
struct PrintMapping {
  POINT viewport_org{0, 0};  // SetViewportOrgEx
  SIZE window_ext{1, 1};     // SetWindowExtEx (after SetMapMode isotropic)
  SIZE viewport_ext{1, -1};  // SetViewportExtEx
  POINT window_shift{0, 0};  // OffsetWindowOrgEx
};

// Natural size: the document's page (dots) centred on a printable page of
// pw x ph printer pixels.
PrintMapping natural_mapping(gr_cpoint page_dots, int pw, int ph);
// Fit to page: the extent (size and lower-left corner, inches) at
// resolution r onto pw x ph printer pixels. An extent without width or
// height counts as one dot wide or high.
PrintMapping fit_mapping(gr_cpoint size, gr_cpoint corner, double r, int pw, int ph);

// Sets the mapping on the printer's context, selects the null brush and
// draws the drawing (main drawing and selection) with a copy of its view
// transform scaled to its resolution. False when the context refuses the
// viewport origin: nothing is drawn.
bool print_page(GrDeviceContext& dc, DrawingView& view, bool natural, int pw, int ph);

}  // namespace kalvex::session

#endif
