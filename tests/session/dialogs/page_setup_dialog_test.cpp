// The page setup, pen and options dialogs' logic, and the numbers typed
// into the dialogs' fields.
// Invariants: the page-size table writes the larger value as the width,
// whole millimetres for A4, A3, A2 and KODAK and up to 15 significant digits
// otherwise, with the user's decimal separator; a field that holds no
// number leaves everything as it was and names itself in the message; a
// drawing changes only on OK (page), Ok (pen) and never on Cancel.
#include "dialogs_test_util.h"

#include <session/preference_form.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using namespace dialogtest;

TEST(DialogFields, NumbersFollowTheUsersSeparatorAndTakeAPointToo) {
  const NumberStyle comma{","};
  struct Row {
    const char* text;
    NumberStyle style;
    bool ok;
    double value;
  } rows[] = {
      {"1.5", {}, true, 1.5},        {" 2 ", {}, true, 2},
      {"1,5", comma, true, 1.5},     {"1.5", comma, true, 1.5},
      {"-0,25", comma, true, -0.25}, {"+3e2", {}, true, 300},
      {"1,5", {}, false, 0},         {"abc", {}, false, 0},
      {"1.2.3", {}, false, 0},       {"1,2.3", comma, false, 0},
      {"inf", {}, false, 0},         {"nan", {}, false, 0},
      {"+-1", {}, false, 0},         {"", {}, false, 0},
      {"1e999", {}, false, 0},       {"0x10", {}, false, 0},
  };
  for (const Row& r : rows) {
    const auto v = parse_field_number(r.text, r.style);
    EXPECT_EQ(v.has_value(), r.ok) << r.text;
    if (v && r.ok) {
      EXPECT_DOUBLE_EQ(*v, r.value) << r.text;
    }
  }
  const FieldRead bad = read_field("Resolution", "3oo", {});
  EXPECT_FALSE(bad.ok());
  EXPECT_NE(bad.error.find("Resolution"), std::string::npos);
  EXPECT_NE(bad.error.find("3oo"), std::string::npos);
}

TEST(DialogFields, IntegersAreReadLeniently) {
  EXPECT_EQ(parse_field_integer("  -12abc"), -12);
  EXPECT_EQ(parse_field_integer("+7"), 7);
  EXPECT_EQ(parse_field_integer("abc"), 0);
  EXPECT_EQ(parse_field_integer(""), 0);
  EXPECT_EQ(parse_field_integer("2.9"), 2);
  EXPECT_EQ(parse_field_integer("99999999999999999999"), INT_MAX);
  EXPECT_EQ(parse_field_integer("-99999999999999999999"), INT_MIN);
}

TEST(PageSetupDialog, PageSizeTableForEveryPageAndUnit) {
  struct Row {
    int page, units;
    const char *w, *h;  // nullptr: the fields are not written
  } rows[] = {
      {kPageA4, kInch, "11.693", "8.268"},
      {kPageA4, kMillimetre, "297", "210"},
      {kPageA4, kPixel, "3507.9", "2480.4"},
      {kPageA4, kCentimetre, "29.7", "21"},
      {kPageA3, kMillimetre, "420", "297"},
      {kPageA3, kPixel, "4960.8", "3507.9"},
      {kPageA2, kInch, "23.386", "16.536"},
      {kPageA2, kCentimetre, "59.4", "42"},
      {kPageKodak, kInch, "15.748031496063", "11.8110236220472"},
      {kPageKodak, kMillimetre, "400", "300"},
      {kPageKodak, kPixel, "4724.4094488189", "3543.30708661417"},
      {kPageKodak, kCentimetre, "40", "30"},
      {kPageLetter, kInch, "11", "8.5"},
      {kPageLetter, kMillimetre, "279.4", "215.9"},
      {kPageLetter, kPixel, "3300", "2550"},
      {kPageLetter, kCentimetre, "27.94", "21.59"},
      {kPageDP1545, kMillimetre, nullptr, nullptr},
      {kPageCastom, kInch, nullptr, nullptr},
  };
  for (const Row& r : rows) {
    const PageSizeText t = page_size_text(r.page, r.units, 300);
    const std::string name = std::string(kPageNames[r.page]) + " / " + kUnitNames[r.units];
    ASSERT_EQ(t.set, r.w != nullptr) << name;
    if (!r.w) continue;
    EXPECT_EQ(t.width, r.w) << name;
    EXPECT_EQ(t.height, r.h) << name;
  }
  EXPECT_EQ(page_size_text(kPageLetter, kCentimetre, 300, NumberStyle{","}).width, "27,94");
  EXPECT_EQ(page_size_text(kPageA4, kMillimetre, 300, NumberStyle{","}).width, "297");
}

TEST(PageSetupDialog, PenWidthLabelInInches) {
  EXPECT_EQ(pen_width_label("0.3"), "0.011811  inchs");
  EXPECT_EQ(pen_width_label(""), "0  inchs");
  EXPECT_EQ(pen_width_label("25.4"), "1  inchs");
  EXPECT_EQ(pen_width_label("0,3", NumberStyle{","}), "0,011811  inchs");
  PageSetup page;
  PenSetting pen;
  PreferenceForm form(page, pen);
  EXPECT_EQ(form.pen_width_text(), "0.3");
  EXPECT_EQ(form.pen_label(), "0.011811  inchs");
  form.set_pen_width_text("1x");
  EXPECT_EQ(form.pen_label(), "?  inchs");
  EXPECT_DOUBLE_EQ(pen.width_mm, 0.3);  // new drawings keep the last number
  form.set_pen_width_text("0.5");
  EXPECT_DOUBLE_EQ(pen.width_mm, 0.5);
}

TEST(PageSetupDialog, ApplyingWritesTheTableAndCastomEnablesTheFields) {
  Drawing d;
  PageSetup page;
  PenSetting pen;
  PreferenceForm form(page, pen);
  // Without a drawing nothing happens.
  EXPECT_FALSE(form.choose_page(kPageLetter, nullptr).show_size);
  EXPECT_EQ(form.width_text(), "11.693");

  d.square(0, 0, 2);
  FormOutcome o = form.choose_units(kCentimetre, d.view.get());
  EXPECT_EQ(form.width_text(), "27.94");
  EXPECT_EQ(form.height_text(), "21.59");
  EXPECT_EQ(o.units, kCentimetre);
  ASSERT_TRUE(o.show_size);
  EXPECT_DOUBLE_EQ(o.size.x, 2 * 2.54);
  EXPECT_DOUBLE_EQ(page.width, 27.94);

  // DP 1545 leaves the fields as they were, and disabled.
  form.choose_page(kPageDP1545, d.view.get());
  EXPECT_EQ(form.width_text(), "27.94");
  EXPECT_FALSE(form.size_enabled());
  form.choose_page(kPageCastom, d.view.get());
  EXPECT_TRUE(form.size_enabled());
  form.choose_page(kPageA4, d.view.get());
  EXPECT_FALSE(form.size_enabled());

  // Pixels follow the resolution field; one that holds no number stops the
  // step with nothing changed.
  form.set_resolution_text("600");
  form.choose_units(kPixel, d.view.get());
  EXPECT_EQ(form.width_text(), "7015.8");
  form.set_resolution_text("6OO");
  o = form.choose_units(kInch, d.view.get());
  EXPECT_NE(o.error.find("Resolution"), std::string::npos);
  EXPECT_EQ(form.width_text(), "7015.8");
}

TEST(PageSetupDialog, OkReloadsTheDrawingAndCancelRestoresItsSetup) {
  Drawing d;
  PageSetup page;
  PenSetting pen;
  PreferenceForm form(page, pen);
  form.show_page_setup(d.view->page_setup());  // a new drawing: A4, millimetre, landscape, 300
  EXPECT_EQ(form.width_text(), "297");
  EXPECT_EQ(form.resolution_text(), "300");

  // Changes in the dialog, then Cancel: the fields show the drawing again
  // and the drawing never changed.
  form.choose_page(kPageCastom, d.view.get());
  form.set_width_text("500");
  form.set_resolution_text("72.5");
  form.set_portrait(true);
  form.choose_units(kInch, d.view.get());
  FormOutcome o = form.page_cancel(d.view.get());
  EXPECT_TRUE(o.close);
  EXPECT_EQ(form.page_index(), kPageA4);
  EXPECT_EQ(form.units_index(), kMillimetre);
  EXPECT_EQ(form.width_text(), "297");
  EXPECT_EQ(form.height_text(), "210");
  EXPECT_FALSE(form.portrait());
  EXPECT_EQ(o.units, kMillimetre);
  EXPECT_EQ(d.view->page_right(), 3507);

  // OK takes the fields: A3 portrait in inches at 200 dots per inch.
  form.choose_units(kInch, d.view.get());
  form.choose_page(kPageA3, d.view.get());
  form.set_resolution_text("200");
  form.set_portrait(true);
  o = form.page_ok(d.view.get());
  EXPECT_TRUE(o.close);
  EXPECT_TRUE(o.repaint);
  const PageSetup s = d.view->page_setup();
  EXPECT_EQ(s.units, kInch);
  EXPECT_DOUBLE_EQ(s.width, 11.693);  // portrait swaps
  EXPECT_DOUBLE_EQ(s.height, 16.536);
  EXPECT_EQ(d.view->page_right(), 2338);
  // Cancel writes the resolution with two digits more than its integer part.
  form.set_resolution_text("1");
  d.view->reload_page_setup(PageSetup{kMillimetre, kPageA4, 72.126, 297, 210, false});
  form.page_cancel(d.view.get());
  EXPECT_EQ(form.resolution_text(), "72.13");

  // A field without a number: the message names it, the drawing stays.
  form.choose_page(kPageCastom, d.view.get());
  form.set_height_text("2l0");
  o = form.page_ok(d.view.get());
  EXPECT_FALSE(o.close);
  EXPECT_NE(o.error.find("Height"), std::string::npos);
  EXPECT_DOUBLE_EQ(d.view->page_setup().resolution, 72.126);
  // No drawing: OK just closes.
  EXPECT_TRUE(form.page_ok(nullptr).close);
}

TEST(PageSetupDialog, ActivationShowsTheDrawingsOwnSetup) {
  Drawing d;
  d.view->reload_page_setup(PageSetup{kMillimetre, kPageA4, 300, 297, 210, true});
  PageSetup page = d.view->page_setup();  // what the main window copies on activation
  PenSetting pen;
  PreferenceForm form(page, pen);
  form.follow_preference(d.view.get());
  EXPECT_EQ(form.width_text(), "210");
  EXPECT_EQ(form.height_text(), "297");
  EXPECT_TRUE(form.portrait());
  // The units selector chose centimetres: the table's size in them.
  page.units = kCentimetre;
  form.follow_preference(d.view.get());
  EXPECT_EQ(form.width_text(), "29.7");
  EXPECT_DOUBLE_EQ(page.width, 29.7);
}

TEST(PenDialog, SelectionTakesThePenOtherwiseNewLinesDo) {
  Drawing d;
  PageSetup page;
  PenSetting pen;
  PreferenceForm form(page, pen);
  d.square(0, 0, 1, 2);
  d.square(3, 0, 1, 1);
  form.set_pen_colour(0x0000FF);  // red
  form.set_pen_width_text("2.54");
  EXPECT_TRUE(form.pen_ok(d.view.get()).close);
  ASSERT_EQ(d.selection().size(), 1u);
  EXPECT_FLOAT_EQ(d.selection()[0].curve.width, 0.1f);
  EXPECT_FLOAT_EQ(d.selection()[0].curve.color.r, 1.0f);
  EXPECT_FLOAT_EQ(d.view->pen_width_in(), 0.3f / 25.4f);  // the window's pen is not touched
  EXPECT_EQ(pen.colour, 0x0000FFu);
  EXPECT_DOUBLE_EQ(pen.width_mm, 2.54);

  // Nothing selected ("Установить по  умолчанию", then Ok): only the
  // window's own pen changes, which new lines take.
  d.doc().DeleteElem(2);
  form.show_panel(PreferencePanel::NoSelection);
  form.set_default();
  EXPECT_EQ(form.panel(), PreferencePanel::Pen);
  form.set_pen_colour(0xFF0000);  // blue
  form.set_pen_width_text("1.27");
  form.pen_ok(d.view.get());
  EXPECT_FLOAT_EQ(float(d.view->pen_width_in()), 0.05f);
  EXPECT_FLOAT_EQ(d.view->pen_colour().b, 1.0f);
  d.view->set_client_size(500, 400);
  d.view->mouse_press(100, 100, Tool::Line);
  d.view->mouse_release(200, 150, Tool::Line, 0);
  ASSERT_EQ(d.selection().size(), 1u);
  EXPECT_FLOAT_EQ(d.selection()[0].curve.width, 0.05f);

  form.set_pen_width_text("-1");
  EXPECT_FALSE(form.pen_ok(d.view.get()).error.empty());
  form.set_pen_width_text("thin");
  EXPECT_NE(form.pen_ok(d.view.get()).error.find("Ширина пера"), std::string::npos);
  EXPECT_FLOAT_EQ(float(d.view->pen_width_in()), 0.05f);
}

}  // namespace
