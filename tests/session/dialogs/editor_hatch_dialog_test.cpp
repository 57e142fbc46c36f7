// The editor window's and the hatch dialog's logic, and the progress
// window's places.
// Invariants: the editor's enabling tables leave exactly the fields that
// are read enabled; an apply that cannot read its fields changes nothing;
// the hatch dialog's Enter and Escape act on the page in use; hatching
// groups the selection first and takes -2 (the drawing's pen) or the Inset
// field's number as its preset; step 0 changes nothing.
#include "dialogs_test_util.h"

#include <session/editor_form.h>
#include <session/hatch_form.h>
#include <session/window_place.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace dialogtest;

TEST(EditorWindow, EnablingTablesEnterAndPlace) {
  EditorForm e;
  struct Row {
    bool percent, proportional;
    ScaleEnabling want;
  } rows[] = {
      {true, true, {true, false, false, false}},
      {true, false, {true, true, false, false}},
      {false, true, {false, false, true, false}},
      {false, false, {false, false, true, true}},
  };
  for (const Row& r : rows) {
    e.fields.percent = r.percent;
    e.fields.proportional = r.proportional;
    const ScaleEnabling s = e.scale_enabling();
    EXPECT_EQ(std::vector<bool>({s.scale_x, s.scale_y, s.size_x, s.size_y}),
              std::vector<bool>({r.want.scale_x, r.want.scale_y, r.want.size_x, r.want.size_y}))
        << r.percent << r.proportional;
  }
  MoveEnabling m = e.move_enabling();
  EXPECT_TRUE(!m.move_x && !m.move_y && m.to_x && m.to_y);
  e.fields.vector = true;
  m = e.move_enabling();
  EXPECT_TRUE(m.move_x && m.move_y && !m.to_x && !m.to_y);

  EXPECT_EQ(e.enter_code(), kApplyMove);
  e.page = EditorPage::Rotate;
  EXPECT_EQ(e.enter_code(), 0);
  e.page = EditorPage::Scale;
  EXPECT_EQ(e.enter_code(), kApplyScale);

  EXPECT_EQ(editor_place(1920, 1080), (WindowPlace{1920 - 162 - 30, 1080 - 232 - 200}));
  EXPECT_EQ(editor_place(150, 300), (WindowPlace{0, 0}));
}

TEST(EditorWindow, ScaleAndMoveTheSelection) {
  Drawing d;
  d.view->reload_page_setup(PageSetup{kInch, 0, 300, 11.693, 8.268, false});
  d.square(1, 1, 1);
  EditorForm e;
  // The initial values, proportional: 2540 % about the centre.
  EXPECT_EQ(e.apply(kApplyScale, d.view.get()), "");
  EXPECT_NEAR(d.doc().GetDimensionS().x, 25.4, 1e-9);
  EXPECT_NEAR(d.doc().GetDimensionS().y, 25.4, 1e-9);
  EXPECT_NEAR(d.doc().GetCenterS().x, 1.5, 1e-9);

  // Size mode, proportional, X = 2 on a selection 4 wide and 2 high.
  d.doc().DeleteElem(2);
  d.doc().AddElem(FGB_POLYLINE, testsupport::make_polyline({{0, 0}, {4, 0}, {4, 2}, {0, 2}}).get(),
                  gr_curve_style{}, gr_fill_area_style{}, 2);
  e.fields.percent = false;
  e.fields.size_x = "2";
  e.fields.size_y = "not read";
  EXPECT_EQ(e.apply(kApplyScale, d.view.get()), "");
  EXPECT_NEAR(d.doc().GetDimensionS().x, 2, 1e-9);
  EXPECT_NEAR(d.doc().GetDimensionS().y, 1, 1e-9);

  // Move, vector off, to (0, 0): the null point lands on the origin.
  EXPECT_EQ(e.apply(kApplyMove, d.view.get()), "");
  EXPECT_NEAR(d.doc().GetNullPS().x, 0, 1e-12);
  EXPECT_NEAR(d.doc().GetNullPS().y, 0, 1e-12);
  // A vector in millimetres, with the user's separator.
  d.view->reload_page_setup(PageSetup{});
  e.fields.vector = true;
  e.fields.move_x = "25,4";
  e.fields.move_y = "-50,8";
  EXPECT_EQ(e.apply(kApplyMove, d.view.get(), NumberStyle{","}), "");
  EXPECT_NEAR(d.doc().GetNullPS().x, 1, 1e-12);
  EXPECT_NEAR(d.doc().GetNullPS().y, -2, 1e-12);

  // A field without a number, or a size for an empty selection: a message,
  // nothing changed.
  e.fields.move_y = "two";
  EXPECT_NE(e.apply(kApplyMove, d.view.get(), NumberStyle{","}).find("two"), std::string::npos);
  EXPECT_NEAR(d.doc().GetNullPS().y, -2, 1e-12);
  d.doc().DeleteElem(2);
  EXPECT_FALSE(e.apply(kApplyScale, d.view.get()).empty());
  EXPECT_EQ(e.apply(kApplyMove, nullptr), "");
}

// The options dialog's approximation, as the main window reads it.
bool fourteen(long& n) {
  n = 14;
  return true;
}

TEST(HatchDialog, HatchWithTheInitialValuesUsesTheDrawingsPen) {
  Drawing d;
  d.square(0, 0, 1);
  d.square(2, 0, 1);
  HatchForm h;
  h.open(HatchPage::Hatch);
  EXPECT_TRUE(h.hatch_enabled());
  EXPECT_FALSE(h.inset_enabled());
  const HatchPlan plan = h.hatch_ok(d.view.get(), fourteen);
  ASSERT_EQ(plan.action, HatchPlan::Action::Hatch);
  EXPECT_TRUE(plan.close);
  EXPECT_EQ(plan.result, kResultOk);
  EXPECT_EQ(plan.preset, kPresetOwnPen);
  EXPECT_NEAR(plan.param.step, 0.03937, 1e-5);
  EXPECT_EQ(plan.param.offset, 0.0);
  EXPECT_EQ(plan.param.all, 0);
  EXPECT_FLOAT_EQ(plan.param.style.width, float(0.3 / 25.4));
  EXPECT_EQ(plan.steps, 14);
  EXPECT_EQ(d.view->pen_preset(), 2);  // the Inset field's number
  EXPECT_FALSE(h.hatch_enabled());

  HatchForm::run(plan, d.view.get());
  const std::vector<Element> sel = d.selection();
  // Grouped into one polylines element, then hatched: both squares get
  // lines, one step apart.
  ASSERT_GT(sel.size(), 40u);
  EXPECT_EQ(sel[0].kind, FGB_POLYLINES);
  for (size_t i = 1; i < sel.size(); ++i) {
    EXPECT_EQ(sel[i].kind, FGB_SEGMENT);
    EXPECT_FLOAT_EQ(sel[i].curve.width, float(0.3 / 25.4));
  }
}

TEST(HatchDialog, MatchingTakesTheInsetFieldsPresetAndStepZeroDoesNothing) {
  Drawing d;
  d.square(0, 0, 1);
  HatchForm h;
  h.fields.match = true;
  h.fields.inset = "2";
  h.fields.step = "0,5";
  h.set_style(NumberStyle{","});
  h.open(HatchPage::Hatch);
  HatchPlan plan = h.hatch_ok(d.view.get(), fourteen);
  EXPECT_EQ(plan.preset, 2);
  HatchForm::run(plan, d.view.get());
  const std::vector<Element> sel = d.selection();
  ASSERT_GT(sel.size(), 1u);
  EXPECT_FLOAT_EQ(sel.back().curve.width, 0.012f);  // preset 2: yellow, 0.012
  EXPECT_FLOAT_EQ(sel.back().curve.color.g, 1.0f);

  // Step 0: the dialog closes, nothing is grouped or hatched, no undo step.
  Drawing two;
  two.square(0, 0, 1);
  two.square(2, 0, 1);
  h.fields.step = "0";
  h.open(HatchPage::Hatch);
  plan = h.hatch_ok(two.view.get(), fourteen);
  EXPECT_TRUE(plan.close);
  EXPECT_EQ(plan.action, HatchPlan::Action::None);
  HatchForm::run(plan, two.view.get());
  EXPECT_EQ(two.selection().size(), 2u);
  EXPECT_EQ(two.doc().GetUndoFlag(), 0);

  // Fields without numbers, a negative step, an approximation that is no
  // number: nothing happens and the dialog stays.
  for (const char* step : {"1mm", "-1"}) {
    h.fields.step = step;
    plan = h.hatch_ok(two.view.get(), fourteen);
    EXPECT_FALSE(plan.close) << step;
    EXPECT_FALSE(plan.error.empty()) << step;
  }
  h.fields.step = "1";
  plan = h.hatch_ok(two.view.get(), [](long&) { return false; });
  EXPECT_FALSE(plan.close);
  EXPECT_EQ(plan.action, HatchPlan::Action::None);
  // No drawing: the dialog closes.
  EXPECT_TRUE(h.hatch_ok(nullptr, fourteen).close);
}

TEST(HatchDialog, KeysActOnThePageInUse) {
  Drawing d;
  d.square(0, 0, 1);
  HatchForm h;
  // Hatch, Cancel, then Inset: Enter insets.
  h.open(HatchPage::Hatch);
  HatchPlan plan = h.escape();
  EXPECT_EQ(plan.result, kResultCancel);
  EXPECT_FALSE(h.hatch_enabled());
  h.open(HatchPage::Inset);
  plan = h.enter(d.view.get(), fourteen);
  ASSERT_EQ(plan.action, HatchPlan::Action::Inset);
  EXPECT_DOUBLE_EQ(plan.distance, 2 / 25.4);
  EXPECT_EQ(plan.count, 1);
  EXPECT_FALSE(h.inset_enabled());
  HatchForm::run(plan, d.view.get());
  ASSERT_EQ(d.selection().size(), 2u);
  EXPECT_EQ(d.selection()[0].kind, FGB_POLYLINES);  // the new contour comes first

  // Inset opened, then Hatch opened: Enter hatches, Escape cancels it.
  h.open(HatchPage::Inset);
  h.open(HatchPage::Hatch);
  EXPECT_EQ(h.enter(d.view.get(), fourteen).action, HatchPlan::Action::Hatch);
  h.open(HatchPage::Inset);
  EXPECT_EQ(h.escape().result, kResultCancel);
  EXPECT_FALSE(h.inset_enabled());
  h.fields.inset = "2 mm";
  h.open(HatchPage::Inset);
  plan = h.enter(d.view.get(), fourteen);
  EXPECT_NE(plan.error.find("Inset"), std::string::npos);
  EXPECT_TRUE(h.inset_enabled());
}

TEST(ProgressWindow, PlacesAcrossTheScreen) {
  ProgressWindow p(1920, 1080);
  EXPECT_FALSE(p.tick(0.5));  // no window yet
  ASSERT_TRUE(p.start());
  EXPECT_EQ(p.place(), (WindowPlace{0, (1080 - 68) / 2}));
  EXPECT_EQ(p.text(), "0 %");
  EXPECT_TRUE(p.tick(0.5));
  EXPECT_EQ(p.place().left, 970);
  EXPECT_EQ(p.text(), "50 %");
  EXPECT_FALSE(p.tick(0.5));     // nothing moved: no paint needed
  EXPECT_TRUE(p.tick(0.25001));  // 490.0192 -> 490
  EXPECT_EQ(p.place().left, 490);
  EXPECT_TRUE(p.tick(1.0));
  EXPECT_EQ(p.place().left, 1920 - 349);  // the whole window stays on the screen
  EXPECT_EQ(p.text(), "100 %");
  EXPECT_EQ(p.left_for(-1), 10);

  // A second operation starts before the first one's end report arrives:
  // that report does not free the second one's window.
  EXPECT_FALSE(p.start());
  EXPECT_FALSE(p.end());
  EXPECT_TRUE(p.busy());
  EXPECT_TRUE(p.end());
  EXPECT_FALSE(p.busy());
  EXPECT_FALSE(p.end());
}

}  // namespace
