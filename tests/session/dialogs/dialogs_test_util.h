// Drawings for the dialogs' tests: a drawing window's logic without a
// window (its document notifies nobody; tests refresh its measures), with
// squares on either side, and a walk over the selection's elements.
#ifndef KALVEX_TESTS_SESSION_DIALOGS_TEST_UTIL_H
#define KALVEX_TESTS_SESSION_DIALOGS_TEST_UTIL_H

#include "support/poly_builders.h"

#include <session/drawing_view.h>

#include <memory>
#include <vector>

namespace dialogtest {

using namespace kalvex::session;

struct Element {
  int kind;
  gr_curve_style curve;
};

struct Drawing {
  std::unique_ptr<DrawingView> view = std::make_unique<DrawingView>(nullptr);
  MainDB& doc() { return view->document(); }

  // A square (x, y)-(x + side, y + side), on the selection (side 2) or the
  // main drawing (side 1); filled squares are polylines elements with a
  // solid fill, the others plain polylines.
  void square(double x, double y, double side, int on = 2, bool filled = false) {
    const std::vector<gr_cpoint> pts{{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}};
    gr_curve_style pen{};
    pen.width = 0.01f;
    gr_fill_area_style fill{};
    if (filled) {
      fill.style = 0;  // BS_SOLID
      auto set = testsupport::make_polylines({pts});
      doc().AddElem(FGB_POLYLINES, set.get(), pen, fill, on);
    } else {
      auto p = testsupport::make_polyline(pts);
      doc().AddElem(FGB_POLYLINE, p.get(), pen, fill, on);
    }
    view->refresh_info();
  }

  std::vector<Element> selection() {
    std::vector<Element> r;
    for (pages* p = doc().GetFirstPageSelection(); p; p = p->next)
      for (tag_ns_handler l = p->gdb->head; !fgb_is_end_gdb(l); l = fgb_next_gdb(l)) {
        tag_ns_handler shape;
        Element e{};
        gr_fill_area_style fill{};
        fgb_get_child_gdb(l, &shape, &e.kind, &e.curve, &fill);
        r.push_back(e);
      }
    return r;
  }
};

}  // namespace dialogtest

#endif
