// The program's windows wired to their logic, under the offscreen platform.
// Invariants: the menu state follows the drawing windows; keys reach the
// current drawing through the application's key hook even while a field
// has the focus; a file opened through the menu shows ink inside the page
// outline; a changed drawing asks before its window closes.
#include "main_form.h"
#include "mdi_child.h"
#include "small_windows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QWindow>

#include <cstdlib>
#include <filesystem>

using namespace kalvex::session;

namespace {

void settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void key(TMainForm& form, int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, k, mods);
  QCoreApplication::sendEvent(form.windowHandle(), &press);
  QKeyEvent release(QEvent::KeyRelease, k, mods);
  QCoreApplication::sendEvent(form.windowHandle(), &release);
}

struct Form {
  TMainForm form;
  Form() {
    form.scripted().active = true;
    form.resize(900, 700);
    form.show();
    settle();
  }
  TMDIChild* child() { return form.current_child(); }
};

TEST(AppWiring, MenuStateAndEditPanelFollowTheDrawings) {
  Form f;
  TMainForm& m = f.form;
  EXPECT_EQ(m.windowTitle(), "Trevalon");
  EXPECT_EQ(m.FileSaveAsItem->text(), "Save &As...");
  EXPECT_EQ(m.N8->text(), QStringLiteral("Апертуры"));
  EXPECT_EQ(m.ColorWidth1->text(), "Color  Width");
  EXPECT_EQ(m.SelectAllCtrlA1->text(), "Select All   Ctrl+A");
  EXPECT_EQ(m.ComboBox2->count(), 4);
  EXPECT_TRUE(m.SelectTool->isChecked());
  for (QAction* a : {m.FileCloseItem, m.FileSaveItem, m.Import1, m.ViewAll1, m.Zoom1, m.Hatch1, m.Group1,
                     m.Undo1, m.Redo1, m.SaveBtn})
    EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  for (QAction* a : {m.FileNewItem, m.FileOpenItem, m.SaveSelect1, m.UnGroup1, m.Inset1, m.N8, m.N6})
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  EXPECT_TRUE(m.EditPanel->isHidden());

  m.FileNewItem->trigger();
  settle();
  ASSERT_NE(f.child(), nullptr);
  EXPECT_EQ(m.area()->activeSubWindow()->windowTitle(), "NONAME1[*]");
  for (QAction* a : {m.FileCloseItem, m.FileSaveItem, m.Import1, m.ViewAll1, m.Zoom1, m.Hatch1, m.Group1})
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  EXPECT_FALSE(m.EditPanel->isHidden());
  // The new window takes its units: millimetre.
  EXPECT_EQ(m.ComboBox2->currentIndex(), kMillimetre);

  // Choosing a tool is exclusive and reaches the window's cursor.
  m.LineTool->trigger();
  EXPECT_FALSE(m.SelectTool->isChecked());
  EXPECT_EQ(m.logic().tool(), Tool::Line);
  EXPECT_EQ(f.child()->cursor().shape(), Qt::ArrowCursor);
  m.SelectTool->trigger();
  EXPECT_EQ(f.child()->cursor().shape(), Qt::CrossCursor);

  m.FileCloseItem->trigger();
  settle();
  EXPECT_EQ(m.area()->subWindowList().size(), 0);
  EXPECT_FALSE(m.FileCloseItem->isEnabled());
  EXPECT_TRUE(m.EditPanel->isHidden());
}

TEST(AppWiring, KeysReachTheDrawingWhileTheXFieldHasTheFocus) {
  Form f;
  TMainForm& m = f.form;
  m.logic().new_document();
  settle();
  TMDIChild* c = f.child();
  ASSERT_NE(c, nullptr);
  // A line with the line tool: a refresh shows the selected count.
  c->view().mouse_press(100, 100, Tool::Line);
  c->view().mouse_release(200, 160, Tool::Line, 0);
  settle();
  EXPECT_EQ(m.StatusPanel[1]->text(), "1");
  EXPECT_TRUE(m.Undo1->isEnabled());
  EXPECT_TRUE(m.area()->activeSubWindow()->isWindowModified());

  m.Edit2->setFocus();
  key(m, Qt::Key_Delete);
  settle();
  EXPECT_EQ(c->view().document().GetCountElemsS(), 0);
  key(m, Qt::Key_Z, Qt::ControlModifier);
  settle();
  EXPECT_EQ(c->view().document().GetCountElemsS(), 1);
  EXPECT_TRUE(m.Redo1->isEnabled());
  key(m, Qt::Key_I, Qt::ShiftModifier);
  EXPECT_EQ(m.ComboBox2->currentIndex(), kInch);
  EXPECT_EQ(c->view().units(), kInch);

  // Ctrl, then O: the open dialog (scripted: cancelled).
  key(m, Qt::Key_Control, Qt::ControlModifier);
  key(m, Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(m.area()->subWindowList().size(), 1);
}

TEST(AppWiring, OpenedCorpusFileShowsInkInsideThePage) {
  const char* corpus = std::getenv("KALVEX_CORPUS_DIR");
  const std::string path =
      std::string(corpus ? corpus : "") + "/hpgl/chiplotle_bird_by_brian_whitman_and_kelly_dobson.hpgl";
  if (!corpus || !std::filesystem::exists(path)) GTEST_SKIP() << "corpus file not found: " << path;
  Form f;
  TMainForm& m = f.form;
  m.scripted().files.push_back(FileChoice{true, path, 8});
  m.FileOpenItem->trigger();
  settle();
  ASSERT_TRUE(m.scripted().messages.empty()) << m.scripted().messages[0];
  TMDIChild* c = f.child();
  ASSERT_NE(c, nullptr);
  EXPECT_GT(c->view().document().GetCountElems(), 100);
  const QImage shot = c->grab().toImage();
  ASSERT_FALSE(shot.isNull());
  // The page outline in window pixels.
  GrDeviceContext dc;
  c->view().set_client_size(c->width(), c->height());
  ASSERT_TRUE(c->view().apply_view_mapping(dc));
  POINT corners[2] = {{0, 0}, {c->view().page_right(), c->view().page_bottom()}};
  dc.LPtoDP(corners, 2);
  const QRect page =
      QRect(QPoint(corners[0].x, corners[1].y), QPoint(corners[1].x, corners[0].y)).normalized();
  ASSERT_GT(page.width(), 100);
  int ink = 0, outside = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      if (shot.pixel(x, y) == qRgb(255, 255, 255)) continue;
      if (page.adjusted(3, 3, -3, -3).contains(x, y))
        ++ink;
      else if (!page.adjusted(-3, -3, 3, 3).contains(x, y))
        ++outside;
    }
  EXPECT_GT(ink, 500);
  // Outside the page only the axes show (the bird lies inside it).
  EXPECT_LT(outside, c->width() + c->height() + 10);
}

TEST(AppWiring, ClosingAChangedDrawingAsksFirst) {
  Form f;
  TMainForm& m = f.form;
  m.logic().new_document();
  settle();
  TMDIChild* c = f.child();
  c->view().mouse_press(50, 50, Tool::Line);
  c->view().mouse_release(90, 70, Tool::Line, 0);
  settle();
  QMdiSubWindow* w = m.area()->activeSubWindow();
  m.scripted().answers.push_back(SaveAnswer::Cancel);
  w->close();
  settle();
  EXPECT_EQ(m.scripted().questions, 1);
  EXPECT_EQ(m.area()->subWindowList().size(), 1);
  m.scripted().answers.push_back(SaveAnswer::Discard);
  w->close();
  settle();
  EXPECT_EQ(m.scripted().questions, 2);
  EXPECT_EQ(m.area()->subWindowList().size(), 0);
  // An unchanged one closes without a question, and so does the program.
  m.logic().new_document();
  settle();
  EXPECT_TRUE(m.close());
  EXPECT_EQ(m.scripted().questions, 2);
}

TEST(AppWiring, TimingAndLayerWindows) {
  Form f;
  Ttimes times(&f.form);
  times.show_time(3725.4f, false);
  EXPECT_EQ(times.l1->text(), QStringLiteral("1  час"));
  EXPECT_EQ(times.l3->text(), QStringLiteral("5  сек."));
  EXPECT_EQ(times.windowTitle(), QStringLiteral("ВРЕМЯ"));
  TLayerNumber layer(&f.form);
  EXPECT_EQ(layer.layer(), 0);
  layer.Edit1->setText(QStringLiteral("$10"));
  EXPECT_TRUE(layer.take_field());
  EXPECT_EQ(layer.layer(), 16);
}

}  // namespace
