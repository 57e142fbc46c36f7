// The main window's commands over a window layer without windows.
// Invariants: commands that need a drawing do nothing without one; a file
// is read with the kind its extension (any case) or its content tells, or
// not at all; every failed read or write is reported and never looks like
// success; a changed drawing is never closed without the question.
#include "session_test_util.h"

#include <session/drawing.h>
#include <session/hatch_form.h>

#include <fgb/convert/convert.h>
#include <gtest/gtest.h>

#include <functional>

using namespace sessiontest;
using testsupport::TempFolder;

namespace {

TEST(MainCommands, WithoutDrawingsMenusAreOffAndCommandsDoNothing) {
  Program p;
  EXPECT_FALSE(p.main.menu_state().have_drawing);
  EXPECT_FALSE(p.main.menu_state().undo);
  p.main.undo();
  p.main.redo();
  p.main.group();
  p.main.ungroup();
  p.main.to_polyline();
  p.main.select_all();
  p.main.save();
  p.main.save_select();
  p.main.view_all();
  p.main.zoom(true);
  p.main.properties();
  EXPECT_TRUE(p.layer.dialog_titles.empty());
  EXPECT_TRUE(p.layer.messages.empty());
  EXPECT_EQ(p.main.current(), nullptr);

  p.main.new_document();
  EXPECT_TRUE(p.main.menu_state().have_drawing);
  EXPECT_NE(p.main.current(), nullptr);
  p.main.close_current();
  EXPECT_FALSE(p.main.menu_state().have_drawing);
  EXPECT_EQ(p.main.current(), nullptr);
}

TEST(MainCommands, NewDrawingsAreNumberedFromTheWindowCount) {
  Program p;
  p.main.new_document();
  p.main.new_document();
  ASSERT_EQ(p.layer.children.size(), 2u);
  EXPECT_EQ(p.layer.children[0]->view->caption(), "NONAME1");
  EXPECT_EQ(p.layer.children[1]->view->caption(), "NONAME2");
  p.main.close_current();
  p.main.close_drawing(p.layer.children[0]->view.get());
  p.main.new_document();
  EXPECT_EQ(p.layer.children[0]->view->caption(), "NONAME1");
}

TEST(MainCommands, OpenReadsByExtensionInAnyCaseAndByContent) {
  TempFolder dir;
  const std::string hpgl = two_squares_hpgl();
  struct Case {
    const char* name;
    std::string file;
    std::string content;
    int filter;
    int kind;  // -1: not read
  };
  const Case cases[] = {
      {"lower-case .hpg", "a.hpg", hpgl, 8, FGB_KIND_HPGL},
      {"upper-case .HPG", "b.HPG", hpgl, 3, FGB_KIND_HPGL},
      {"mixed-case .Hpg", "c.Hpg", hpgl, 8, FGB_KIND_HPGL},
      {"HPGL in a .txt", "d.txt", hpgl, 8, FGB_KIND_HPGL},
      {"HPGL in a .plt", "e.plt", hpgl, 6, FGB_KIND_HPGL},
      {"DXF in a file without extension", "f",
       "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n0\nENDSEC\n0\nEOF\n", 8,
       FGB_KIND_DXF},
      {"text of no kind", "g.txt", "hello, world\n", 8, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Program p;
    const std::string path = dir.write(c.file, c.content);
    p.layer.files.push_back(p.choice(path, c.filter));
    p.main.open();
    if (c.kind < 0) {
      EXPECT_TRUE(p.layer.children.empty());
      ASSERT_EQ(p.layer.messages.size(), 1u);
      EXPECT_NE(p.layer.messages[0].find(path), std::string::npos);
      EXPECT_NE(p.layer.messages[0].find("unknown"), std::string::npos);
      continue;
    }
    ASSERT_EQ(p.layer.children.size(), 1u);
    EXPECT_TRUE(p.layer.messages.empty()) << p.layer.messages[0];
    EXPECT_EQ(p.main.request().kind, c.kind);
    EXPECT_EQ(p.main.request().direction, 0);
    EXPECT_GT(p.main.current()->document().GetCountElems(), 0);
    EXPECT_EQ(p.main.current()->caption(), path);
    EXPECT_FALSE(p.main.current()->modified());
  }
}

TEST(MainCommands, GerberIsCutterDataOnlyWithAllFiles) {
  TempFolder dir;
  const std::string path = dir.write("a.GBR", "G01X0Y0D02*X1000Y0D01*M02*");
  struct Case {
    int filter;
    int kind;
  };
  for (const Case c : {Case{8, FGB_KIND_GERBER_CUTTER}, Case{4, FGB_KIND_GERBER}, Case{7, FGB_KIND_GERBER}}) {
    SCOPED_TRACE(c.filter);
    Program p;
    p.layer.files.push_back(p.choice(path, c.filter));
    p.main.open();
    EXPECT_EQ(p.main.request().kind, c.kind);
    EXPECT_EQ(p.main.open_filter_index(), c.filter);
  }
}

TEST(MainCommands, FailedOpenIsReportedAndClosesItsWindow) {
  TempFolder dir;
  Program p;
  p.layer.files.push_back(p.choice(dir / "missing.hpg", 8));
  p.main.open();
  EXPECT_TRUE(p.layer.children.empty());
  ASSERT_EQ(p.layer.messages.size(), 1u);
  EXPECT_NE(p.layer.messages[0].find("missing.hpg"), std::string::npos);
  EXPECT_EQ(p.main.current(), nullptr);

  // A metafile that is none: the message, no window.
  p.layer.messages.clear();
  p.layer.files.push_back(p.choice(dir.write("x.wmf", "not a metafile at all"), 8));
  p.main.open();
  EXPECT_TRUE(p.layer.children.empty());
  EXPECT_EQ(p.layer.messages.size(), 1u);
}

TEST(MainCommands, PcadBoardAsksForTheLayer) {
  TempFolder dir;
  Program p;
  p.layer.layer = 70000;  // only the low 16 bits reach the request
  p.layer.files.push_back(p.choice(dir.write("b.Pcb", std::string(64, '\0')), 8));
  p.main.open();
  EXPECT_EQ(p.layer.layer_asked, 1);
  EXPECT_EQ(p.main.request().kind, FGB_KIND_PCAD_BOARD);
  EXPECT_EQ(static_cast<uint16_t>(p.main.request().layer_or_flag), 70000 & 0xFFFF);
}

TEST(MainCommands, SaveAsAndSaveSelectFollowTheTypeTable) {
  TempFolder dir;
  Program p;
  p.layer.files.push_back(p.choice(dir.write("in.hpg", two_squares_hpgl()), 8));
  p.main.open();
  p.main.select_all();
  p.layer.deliver();

  struct Case {
    const char* name;
    bool selection;
    int type;
    const char* file;
    int kind;
    int dxf_variant;
  };
  const Case cases[] = {
      {"Save As, type 3", false, 3, "drawing.dxf", FGB_KIND_DXF, 0},
      {"Save Select, type 3", true, 3, "drawing.dxf", FGB_KIND_DXF, 1},
      {"Save As, type 4", false, 4, "drawing.dxf", FGB_KIND_DXF, 1},
      {"Save Select, type 4", true, 4, "drawing.dxf", FGB_KIND_DXF, 0},
      {"Save As, type 1", false, 1, "drawing.hpg", FGB_KIND_HPGL, -1},
      {"Save As, type 2", false, 2, "drawing.gbr", FGB_KIND_GERBER, -1},
      {"Save As, type 5", false, 5, "drawing.gbr", FGB_KIND_GERBER_CUTTER, -1},
      // Type 5 is not offered for the selection: no extension, the kind of
      // the conversion before stays (the cutter of the row above).
      {"Save Select, type 5", true, 5, "drawing", FGB_KIND_GERBER_CUTTER, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir / c.file);
    p.layer.files.push_back(p.choice(dir / "drawing.txt", c.type));
    if (c.selection)
      p.main.save_select();
    else
      p.main.save_as();
    EXPECT_TRUE(p.layer.messages.empty()) << p.layer.messages[0];
    EXPECT_EQ(std::string(p.main.request().path), dir / c.file);
    EXPECT_EQ(p.main.request().kind, c.kind);
    EXPECT_EQ(p.main.request().direction, 1);
    EXPECT_EQ(p.main.request().selection_only, c.selection ? 1 : 0);
    if (c.dxf_variant >= 0) {
      EXPECT_EQ(p.main.request().dxf_variant, c.dxf_variant);
    } else {
      EXPECT_EQ(p.main.request().layer_or_flag, 1);
    }
    EXPECT_TRUE(std::filesystem::exists(dir / c.file));
    EXPECT_EQ(p.main.save_filter_index(), c.type);
  }
  // The optimised HPGL writer's plotting time was shown.
  EXPECT_FALSE(p.layer.times.empty());
}

TEST(MainCommands, SaveWritesBackToTheDrawingsOwnFileOrAsksForOne) {
  TempFolder dir;
  Program p;
  const std::string path = dir.write(
      "own.dxf", "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n0\nENDSEC\n0\nEOF\n");
  p.layer.files.push_back(p.choice(path, 2));
  p.main.open();
  std::filesystem::remove(path);
  p.main.current()->key_down(Key::A, kCtrl);
  EXPECT_TRUE(p.main.current()->modified());
  p.main.save();
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(p.main.request().kind, FGB_KIND_DXF);
  EXPECT_FALSE(p.main.current()->modified());
  EXPECT_EQ(p.layer.dialog_titles.size(), 1u);  // only the Open

  // A new drawing has no file: Save is Save As.
  p.main.new_document();
  p.layer.files.push_back(p.choice(dir / "fresh", 1));
  p.main.save();
  EXPECT_EQ(p.layer.dialog_titles.back(), "Save  As");
  EXPECT_TRUE(std::filesystem::exists(dir / "fresh.hpg"));
  EXPECT_EQ(p.main.current()->file_path(), dir / "fresh.hpg");
}

TEST(MainCommands, FailedSaveIsReportedAndTheDrawingStaysChanged) {
  TempFolder dir;
  Program p;
  p.main.new_document();
  p.main.current()->set_client_size(500, 400);
  p.main.current()->mouse_press(100, 100, Tool::Line);
  p.main.current()->mouse_release(200, 150, Tool::Line, 0);
  ASSERT_TRUE(p.main.current()->modified());
  p.layer.files.push_back(p.choice(dir / "no/such/folder/x.hpg", 1));
  p.main.save_as();
  ASSERT_EQ(p.layer.messages.size(), 1u);
  EXPECT_NE(p.layer.messages[0].find("cannot write"), std::string::npos);
  EXPECT_NE(p.layer.messages[0].find("x.hpg"), std::string::npos);
  EXPECT_TRUE(p.main.current()->modified());
  EXPECT_TRUE(p.layer.times.empty());
}

TEST(MainCommands, ChangedDrawingAsksBeforeItCloses) {
  TempFolder dir;
  Program p;
  p.main.new_document();
  DrawingView* v = p.main.current();
  // Unchanged: closes without a question.
  p.main.close_current();
  EXPECT_TRUE(p.layer.questions.empty());
  EXPECT_TRUE(p.layer.children.empty());

  p.main.new_document();
  v = p.main.current();
  v->mouse_press(10, 10, Tool::Line);
  v->mouse_release(60, 80, Tool::Line, 0);
  // Cancel keeps it.
  p.layer.answers.push_back(SaveAnswer::Cancel);
  EXPECT_FALSE(p.main.close_drawing(v));
  EXPECT_EQ(p.layer.children.size(), 1u);
  EXPECT_EQ(p.layer.questions.back(), "NONAME1");
  // Save, then cancel the name: still open.
  p.layer.answers.push_back(SaveAnswer::Save);
  EXPECT_FALSE(p.main.close_drawing(v));
  EXPECT_EQ(p.layer.children.size(), 1u);
  // Save with a name: written, closed.
  p.layer.answers.push_back(SaveAnswer::Save);
  p.layer.files.push_back(p.choice(dir / "kept.dxf", 3));
  EXPECT_TRUE(p.main.close_drawing(v));
  EXPECT_TRUE(std::filesystem::exists(dir / "kept.dxf"));
  EXPECT_TRUE(p.layer.children.empty());

  // Exit asks about every changed drawing; Discard lets it go.
  p.main.new_document();
  p.main.new_document();
  p.main.current()->key_down(Key::A, kCtrl);  // select-all is an undo step
  p.layer.answers.push_back(SaveAnswer::Discard);
  EXPECT_TRUE(p.main.exit());
  EXPECT_TRUE(p.layer.main_closed);
  EXPECT_EQ(p.layer.questions.size(), 4u);
}

TEST(MainCommands, CtrlChordOpensOnlyWhenUninterrupted) {
  Program p;
  p.main.key_down(MainKey::Ctrl, Key::Other, kCtrl);
  EXPECT_TRUE(p.main.key_down(MainKey::O, Key::Other, kCtrl));
  ASSERT_EQ(p.layer.dialog_titles.size(), 1u);
  EXPECT_EQ(p.layer.dialog_titles[0], "Open");

  p.main.key_down(MainKey::Ctrl, Key::Other, kCtrl);
  p.main.other_message();  // a mouse message
  EXPECT_FALSE(p.main.key_down(MainKey::O, Key::Other, kCtrl));
  EXPECT_EQ(p.layer.dialog_titles.size(), 1u);

  // Another key between Ctrl and O breaks the chord too; F1 is help.
  p.main.key_down(MainKey::Ctrl, Key::Other, kCtrl);
  p.main.key_down(MainKey::Other, Key::Other, kCtrl);
  p.main.key_down(MainKey::O, Key::Other, kCtrl);
  EXPECT_EQ(p.layer.dialog_titles.size(), 1u);
  p.main.key_down(MainKey::F1, Key::Other, 0);
  EXPECT_EQ(p.layer.helps, 1);
  // Import needs a drawing; with one, Ctrl then I asks for the file.
  p.main.new_document();
  p.main.key_down(MainKey::Ctrl, Key::Other, kCtrl);
  p.main.key_down(MainKey::I, Key::I, kCtrl);
  EXPECT_EQ(p.layer.dialog_titles.back(), "Import");
}

TEST(MainCommands, KeysReachTheCurrentDrawing) {
  TempFolder dir;
  Program p;
  p.layer.files.push_back(p.choice(dir.write("k.hpg", two_squares_hpgl()), 8));
  p.main.open();
  p.layer.deliver();
  DrawingView* v = p.main.current();
  const int n = v->document().GetCountElems();
  p.main.key_down(MainKey::Other, Key::A, kCtrl);
  p.layer.deliver();
  EXPECT_EQ(v->document().GetCountElemsS(), n);
  EXPECT_TRUE(p.main.menu_state().undo);
  p.main.key_down(MainKey::Other, Key::Delete, 0);
  p.layer.deliver();
  EXPECT_EQ(v->document().GetCountElemsS(), 0);
  p.main.key_down(MainKey::Other, Key::Z, kCtrl);
  p.layer.deliver();
  EXPECT_EQ(v->document().GetCountElemsS(), n);
  EXPECT_TRUE(p.main.menu_state().redo);
  p.main.key_down(MainKey::Other, Key::Z, kCtrl | kShift);
  p.layer.deliver();
  EXPECT_EQ(v->document().GetCountElemsS(), 0);

  // Units keys go through the selector to the window.
  p.main.key_down(MainKey::I, Key::I, kShift);
  EXPECT_EQ(p.layer.shown_units, kInch);
  EXPECT_EQ(v->units(), kInch);
  p.main.key_down(MainKey::Other, Key::M, kShift);
  EXPECT_EQ(p.layer.shown_units, kMillimetre);
  EXPECT_EQ(v->units(), kMillimetre);
}

TEST(MainCommands, EnterInTheXFieldScalesTheSelectionProportionally) {
  TempFolder dir;
  Program p;
  // One square 4 inches wide (HPGL: 1016 units = 1 inch).
  p.layer.files.push_back(p.choice(dir.write("sq.hpg", "IN;PU0,0;PD4064,0,4064,2032,0,2032,0,0;PU;"), 8));
  p.main.open();
  DrawingView* v = p.main.current();
  v->key_down(Key::A, kCtrl);
  p.layer.deliver();
  p.main.choose_units(kInch);
  ASSERT_NEAR(v->document().GetDimensionS().x, 4.0, 1e-6);
  EXPECT_TRUE(p.main.resize_from_fields(2.0, 123.0));
  p.layer.deliver();
  EXPECT_NEAR(v->document().GetDimensionS().x, 2.0, 1e-6);
  EXPECT_NEAR(v->document().GetDimensionS().y, 1.0, 1e-6);
  // In millimetres: 25.4 mm is an inch.
  p.main.choose_units(kMillimetre);
  EXPECT_TRUE(p.main.resize_from_fields(25.4, 0));
  p.layer.deliver();
  EXPECT_NEAR(v->document().GetDimensionS().x, 1.0, 1e-6);
  // Nothing selected: nothing to scale, no division by a zero width.
  v->key_down(Key::Delete, 0);
  p.layer.deliver();
  EXPECT_FALSE(p.main.resize_from_fields(3.0, 3.0));
}

TEST(MainCommands, OperationsReadTheApproximationField) {
  TempFolder dir;
  Program p;
  p.main.new_document();
  p.dialogs.approximation = "abc";
  p.main.group();
  p.main.to_polyline();
  EXPECT_EQ(p.layer.messages.size(), 2u);
  p.dialogs.approximation = "14";
  p.main.group();
  EXPECT_EQ(p.layer.messages.size(), 2u);
  p.main.hatch();
  p.main.inset();
  p.main.properties();
  EXPECT_EQ(p.dialogs.calls, (std::vector<std::string>{"hatch", "inset", "no_selection"}));
}

// The options' element budget reaches every read, write and edit; one that
// stops on it leaves the drawing as it was, with no undo step, and says
// why and how to raise the limit.
TEST(MainCommands, OptionsElementBudgetStopsReadsAndEditsWithoutChangingTheDrawing) {
  TempFolder dir;
  Program p;
  const std::string path = dir.write("squares.hpg", two_squares_hpgl());
  p.dialogs.max_elements = "1";
  EXPECT_FALSE(p.main.open_path(path));
  EXPECT_TRUE(p.layer.children.empty());
  ASSERT_EQ(p.layer.messages.size(), 1u);
  EXPECT_NE(p.layer.messages[0].find("more than 1 elements"), std::string::npos);
  EXPECT_NE(p.layer.messages[0].find(kRaiseInOptions), std::string::npos);

  // Not a count: nothing is read.
  p.dialogs.max_elements = "12abc";
  EXPECT_FALSE(p.main.open_path(path));
  EXPECT_NE(p.layer.messages.back().find("'12abc' is not a valid number of elements"), std::string::npos);

  p.dialogs.max_elements = " 1,000 ";
  ASSERT_TRUE(p.main.open_path(path));
  DrawingView* v = p.main.current();
  MainDB& doc = v->document();
  EXPECT_EQ(doc.GetMaxElements(), 1000);
  p.main.select_all();
  p.layer.deliver();
  const int32_t selected = doc.GetCountElemsS();
  ASSERT_EQ(selected, 2);
  const int32_t undo_flag = doc.GetUndoFlag();
  p.layer.messages.clear();

  p.dialogs.max_elements = "3";
  HatchPlan hatch;
  hatch.action = HatchPlan::Action::Hatch;
  hatch.steps = 14;
  hatch.param.step = 0.01;
  hatch.param.all = 1;
  HatchPlan inset;
  inset.action = HatchPlan::Action::Inset;
  inset.distance = 0.01;
  inset.count = 50;
  const std::pair<const char*, std::function<void()>> edits[] = {
      {"cannot hatch '", [&] { p.main.run_hatch(hatch); }},
      {"cannot inset '", [&] { p.main.run_hatch(inset); }},
  };
  for (const auto& [message, edit] : edits) {
    SCOPED_TRACE(message);
    p.layer.messages.clear();
    edit();
    p.layer.deliver();
    ASSERT_EQ(p.layer.messages.size(), 1u);
    EXPECT_EQ(
        p.layer.messages[0].rfind(std::string(message) + path + "': it would make more than 3 elements", 0),
        0u)
        << p.layer.messages[0];
    EXPECT_EQ(doc.GetCountElemsS(), selected);
    EXPECT_EQ(doc.GetCountElems(), 0);
    EXPECT_EQ(doc.GetUndoFlag(), undo_flag);
  }

  p.layer.messages.clear();
  p.dialogs.max_elements = "1";
  p.main.group();
  ASSERT_EQ(p.layer.messages.size(), 1u);
  EXPECT_EQ(p.layer.messages[0].rfind("cannot group '" + path + "': it would make more than 1 elements", 0),
            0u);
  EXPECT_EQ(doc.GetCountElemsS(), selected);

  // Empty: scaled to the drawing, and the hatch goes through.
  p.layer.messages.clear();
  p.dialogs.max_elements = "";
  p.main.run_hatch(hatch);
  EXPECT_TRUE(p.layer.messages.empty());
  EXPECT_GT(doc.GetCountElemsS(), 10);
}

TEST(FieldNumbers, ElementCountsTakeTheLocalesGroupsAndNothingElse) {
  EXPECT_EQ(parse_element_count(""), 0);
  EXPECT_EQ(parse_element_count("  0 "), 0);
  EXPECT_EQ(parse_element_count("4000000"), 4000000);
  EXPECT_EQ(parse_element_count("4.000.000", "."), 4000000);
  EXPECT_EQ(parse_element_count("4 000 000", "."), 4000000);
  EXPECT_EQ(parse_element_count("4\xc2\xa0"
                                "000"),
            4000);
  for (const char* bad :
       {"-5", "1e6", "4,00", "4000,000", ",400", "400,", "1.5", "x", "99999999999999999999"})
    EXPECT_FALSE(parse_element_count(bad, ",")) << bad;
}

}  // namespace
