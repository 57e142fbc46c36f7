// The settings the page setup and pen dialogs hold for the running program
// (they are kept nowhere else) and that drawing windows copy.
#ifndef KALVEX_SESSION_PAGE_SETUP_H
#define KALVEX_SESSION_PAGE_SETUP_H

#include <cstdint>

namespace kalvex::session {

// Display units, the index of the units list.
enum Units : int { kInch = 0, kMillimetre = 1, kPixel = 2, kCentimetre = 3 };

struct PageSetup {
  int units = kMillimetre;  // display units (0..3)
  int page_index = 0;       // entry of the page-size list; 0 = A4
  double resolution = 300;  // dots per inch
  double width = 297;       // page width in the display units
  double height = 210;      // page height in the display units
  bool portrait = false;    // "Portret" chosen
};

struct PenSetting {
  uint32_t colour = 0;    // platform colour value 0x00BBGGRR
  double width_mm = 0.3;  // millimetres
};

}  // namespace kalvex::session

#endif
