// The dialogs wired to the main window, under the offscreen platform.
// Invariants: a print to a PDF file puts the ink where the mapping says
// and a print that cannot be written is reported; the editor's Apply acts
// only when the main window reads its queue; a hatch through the dialog
// repaints the progress window between the document's reports and no
// window closes meanwhile, and one that passes the options' element budget
// stops with a message; the page setup dialog's I and M keys work while
// a field has the focus; a field without a number is named in a message.
#include "dialog_hooks.h"
#include "editor_window.h"
#include "hatch_dialog.h"
#include "main_form.h"
#include "mdi_child.h"
#include "preference_dialog.h"

#include "support/poly_builders.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace kalvex::session;

namespace {

void settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

struct Form {
  TMainForm form;
  Form() {
    form.scripted().active = true;
    form.resize(900, 700);
    form.show();
    settle();
  }
  DialogHooks& hooks() { return dynamic_cast<DialogHooks&>(form.dialogs()); }
  TMDIChild* drawing() {
    form.logic().new_document();
    settle();
    return form.current_child();
  }
};

void add_rect(DrawingView& v, double x, double y, double w, double h, int side) {
  const std::vector<gr_cpoint> pts{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
  gr_curve_style pen{};
  pen.width = 0.02f;
  auto set = testsupport::make_polylines({pts});
  v.document().AddElem(FGB_POLYLINES, set.get(), pen, gr_fill_area_style{}, side);
  v.refresh_info();
}

// ---- printing -------------------------------------------------------------

struct Ink {
  double x1 = 1e9, y1 = 1e9, x2 = -1, y2 = -1;  // inches from the page's top-left corner
  int width = 0, height = 0;                    // the page in pixels
};

// The ink of the first page of a PDF, through pdftoppm at `dpi`.
bool pdf_ink(const std::filesystem::path& pdf, int dpi, Ink& ink) {
  const std::filesystem::path out = pdf.parent_path() / "page";
  const std::string cmd = "pdftoppm -gray -r " + std::to_string(dpi) + " -f 1 -l 1 -singlefile \"" +
                          pdf.string() + "\" \"" + out.string() + "\"";
  if (std::system(cmd.c_str()) != 0) return false;
  std::ifstream in(out.string() + ".pgm", std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> ink.width >> ink.height >> maxval;
  in.get();
  if (magic != "P5" || ink.width <= 0) return false;
  std::vector<unsigned char> px(size_t(ink.width) * ink.height);
  in.read(reinterpret_cast<char*>(px.data()), std::streamsize(px.size()));
  for (int y = 0; y < ink.height; ++y)
    for (int x = 0; x < ink.width; ++x) {
      if (px[size_t(y) * ink.width + x] > 128) continue;
      ink.x1 = std::min(ink.x1, double(x) / dpi);
      ink.x2 = std::max(ink.x2, double(x + 1) / dpi);
      ink.y1 = std::min(ink.y1, double(y) / dpi);
      ink.y2 = std::max(ink.y2, double(y + 1) / dpi);
    }
  return ink.x2 > 0;
}

bool have_pdftoppm() { return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty(); }

// A landscape A4 PDF printer without margins: the printable area is the
// paper (11.69 x 8.27 inches).
void pdf_printer(QPrinter& p, const std::filesystem::path& file) {
  p.setOutputFormat(QPrinter::PdfFormat);
  p.setOutputFileName(QString::fromStdString(file.string()));
  p.setPageSize(QPageSize(QPageSize::A4));
  p.setPageOrientation(QPageLayout::Landscape);
  p.setFullPage(true);
  p.setPageMargins(QMarginsF(0, 0, 0, 0));
}

TEST(PrintWiring, PdfInkLandsWhereTheMappingPutsIt) {
  if (!have_pdftoppm()) GTEST_SKIP() << "pdftoppm not installed";
  testsupport::TempFolder dir;
  Form f;
  DrawingView& v = f.drawing()->view();
  const double pw = 297 / 25.4, ph = 210 / 25.4;
  struct Row {
    const char* name;
    double x, y, w, h;
    bool natural;
    Ink want;  // inches from the paper's top-left corner
  } rows[] = {
      // 10 x 2 inches, fit: the paper's width, centred vertically.
      {"wide", 3, 3, 10, 2, false, {0, (ph - 2 * pw / 10) / 2, pw, (ph + 2 * pw / 10) / 2}},
      // 1 x 4 inches, fit: the paper's height, centred horizontally.
      {"tall", -2, 1, 1, 4, false, {(pw - ph / 4) / 2, 0, (pw + ph / 4) / 2, ph}},
      // Natural size: the drawing's inches from the page's lower-left corner
      // (the document's page is this paper).
      {"natural", 1, 2, 3, 1, true, {1, ph - 3, 4, ph - 2}},
  };
  for (const Row& r : rows) {
    v.document().DeleteElemAll(1);
    add_rect(v, r.x, r.y, r.w, r.h, 1);
    const std::filesystem::path file = dir.path() / (std::string(r.name) + ".pdf");
    QPrinter printer(QPrinter::HighResolution);
    pdf_printer(printer, file);
    ASSERT_EQ(f.hooks().print_on(printer, v, r.natural), "") << r.name;
    EXPECT_EQ(printer.docName(), QStringLiteral("Trevalon is printing"));
    Ink ink;
    ASSERT_TRUE(pdf_ink(file, 50, ink)) << r.name;
    const double tol = 0.1;  // inches: two pixels at 50 dpi and the pen's width
    EXPECT_NEAR(ink.x1, r.want.x1, tol) << r.name;
    EXPECT_NEAR(ink.x2, r.want.x2, tol) << r.name;
    EXPECT_NEAR(ink.y1, r.want.y1, tol) << r.name;
    EXPECT_NEAR(ink.y2, r.want.y2, tol) << r.name;
  }
  // Nothing but the file itself is left in the folder (no temporary files).
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    files += e.path().extension() == ".pdf";
  EXPECT_EQ(files, 3);
}

TEST(PrintWiring, APrintThatCannotBeWrittenIsReported) {
  testsupport::TempFolder dir;
  Form f;
  DrawingView& v = f.drawing()->view();
  add_rect(v, 0, 0, 1, 1, 1);
  QPrinter printer(QPrinter::HighResolution);
  pdf_printer(printer, dir.path() / "missing" / "x.pdf");
  const std::string error = f.hooks().print_on(printer, v, false);
  EXPECT_NE(error.find("x.pdf"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
  // An existing file that cannot be replaced keeps its content.
  std::filesystem::create_directory(dir.path() / "ro");
  testsupport::spit(dir.path() / "ro" / "old.pdf", "old");
  std::filesystem::permissions(dir.path() / "ro",
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  pdf_printer(printer, dir.path() / "ro" / "old.pdf");
  if (::geteuid() != 0) {
    EXPECT_FALSE(f.hooks().print_on(printer, v, false).empty());
    EXPECT_EQ(testsupport::slurp(dir.path() / "ro" / "old.pdf"), "old");
  }
}

// ---- the editor -----------------------------------------------------------

TEST(EditorWiring, ApplyIsPostedAndReadByTheMainWindow) {
  Form f;
  TMainForm& m = f.form;
  DrawingView& v = f.drawing()->view();
  add_rect(v, 1, 1, 1, 1, 2);
  m.EditorBtn->trigger();
  TEditor* e = f.hooks().editor_window();
  ASSERT_NE(e, nullptr);
  EXPECT_TRUE(e->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(m.Editor1->isEnabled());
  EXPECT_FALSE(m.EditorBtn->isEnabled());
  EXPECT_TRUE(e->TabSheet3->isEnabled());
  EXPECT_FALSE(e->Edit2->isEnabled());

  e->PageControl1->setCurrentIndex(2);
  e->Button1->click();
  // Posted: nothing has changed until the main window reads its queue.
  EXPECT_NEAR(v.document().GetDimensionS().x, 1, 1e-9);
  settle();
  EXPECT_NEAR(v.document().GetDimensionS().x, 25.4, 1e-9);
  // Enter on the Scale page applies it again; a field without a number is
  // named in a message and changes nothing.
  e->Edit1->setText(QStringLiteral("50%"));
  e->Edit1->textEdited(e->Edit1->text());
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(e->windowHandle(), &enter);
  settle();
  ASSERT_EQ(m.scripted().messages.size(), 1u);
  EXPECT_NE(m.scripted().messages[0].find("50%"), std::string::npos);
  EXPECT_NEAR(v.document().GetDimensionS().x, 25.4, 1e-9);

  e->close();
  settle();
  EXPECT_EQ(f.hooks().editor_window(), nullptr);
  EXPECT_TRUE(m.Editor1->isEnabled());
  EXPECT_TRUE(m.EditorBtn->isEnabled());
}

// ---- hatch with the progress window ----------------------------------------

TEST(HatchWiring, ProgressWindowRepaintsAndNothingClosesMeanwhile) {
  Form f;
  TMainForm& m = f.form;
  TMDIChild* child = f.drawing();
  DrawingView& v = child->view();
  add_rect(v, 0, 0, 8, 6, 2);
  f.hooks().set_pump_interval_ms(0);
  m.scripted().answers.push_back(SaveAnswer::Discard);
  QTimer::singleShot(0, &m, [&] {
    THATCH* h = f.hooks().hatch_dialog();
    h->Edit1->setText(QStringLiteral("0.5"));
    h->Edit1->textEdited(h->Edit1->text());
    // Tries to close the program while the document works.
    QTimer::singleShot(0, &m, [&] { m.close(); });
    h->Button1->click();
  });
  m.Hatch1->trigger();
  EXPECT_EQ(m.scripted().questions, 0);
  ASSERT_EQ(m.area()->subWindowList().size(), 1);
  EXPECT_GT(v.document().GetCountElemsS(), 200);
  EXPECT_GT(f.hooks().progress_pumps(), 10);
  EXPECT_GT(f.hooks().progress_paints(), 0);
  ASSERT_NE(f.hooks().progress_window(), nullptr);  // freed by the end report, which is posted
  const QPoint at = f.hooks().progress_window()->pos();
  EXPECT_GT(at.x(), 10);
  settle();
  EXPECT_EQ(f.hooks().progress_window(), nullptr);
  EXPECT_FALSE(f.hooks().hatch_form().hatch_enabled());
}

// The options' "Maximum elements" reaches an edit made through the hatch
// dialog: it stops, says why in a message box, and the drawing stays.
TEST(HatchWiring, TheOptionsElementBudgetStopsAHatchWithAMessage) {
  Form f;
  TMainForm& m = f.form;
  DrawingView& v = f.drawing()->view();
  add_rect(v, 0, 0, 8, 6, 2);
  QTimer::singleShot(0, &m, [&] {
    TOptions* o = f.hooks().options_dialog();
    o->EditMaxElements->setText(QStringLiteral("5"));
    o->OKBtn->click();
  });
  m.Options1->trigger();
  QTimer::singleShot(0, &m, [&] {
    THATCH* h = f.hooks().hatch_dialog();
    h->Edit1->setText(QStringLiteral("0.5"));
    h->Edit1->textEdited(h->Edit1->text());
    h->Button1->click();
  });
  m.Hatch1->trigger();
  settle();
  ASSERT_EQ(m.scripted().messages.size(), 1u);
  EXPECT_NE(m.scripted().messages[0].find("cannot hatch"), std::string::npos);
  EXPECT_NE(m.scripted().messages[0].find("more than 5 elements"), std::string::npos);
  EXPECT_EQ(v.document().GetCountElemsS(), 1);
}

// ---- page setup ---------------------------------------------------------------

TEST(PreferenceWiring, UnitKeysWhileAFieldHasTheFocusAndOkReloads) {
  Form f;
  TMainForm& m = f.form;
  DrawingView& v = f.drawing()->view();
  EXPECT_EQ(v.units(), kMillimetre);
  QTimer::singleShot(0, &m, [&] {
    TPreference* p = f.hooks().preference_dialog();
    EXPECT_FALSE(p->Panel2->isHidden());
    EXPECT_EQ(p->Edit1->text(), QStringLiteral("297"));
    p->Edit3->setFocus();
    QKeyEvent i(QEvent::KeyPress, Qt::Key_I, Qt::NoModifier);
    QCoreApplication::sendEvent(p->windowHandle(), &i);
    EXPECT_EQ(p->ComboBox11->currentIndex(), kInch);
    EXPECT_EQ(m.ComboBox2->currentIndex(), kInch);
    EXPECT_EQ(p->Edit1->text(), QStringLiteral("11.693"));
    EXPECT_EQ(p->Edit3->text(), QStringLiteral("300"));  // the key did not reach the field
    p->Button1->click();
  });
  m.Preferences->trigger();
  EXPECT_EQ(v.units(), kInch);
  EXPECT_DOUBLE_EQ(v.page_setup().width, 11.693);

  // The pen panel: a width that is no number is named, the dialog stays.
  QTimer::singleShot(0, &m, [&] {
    TPreference* p = f.hooks().preference_dialog();
    EXPECT_FALSE(p->Panel3->isHidden());
    EXPECT_EQ(p->Label17->text(), QStringLiteral("0.011811  inchs"));
    p->Edit5->setText(QStringLiteral("wide"));
    p->Edit5->textEdited(p->Edit5->text());
    p->Button3->click();
    EXPECT_TRUE(p->isVisible());
    p->Button4->click();
  });
  m.ColorWidth1->trigger();
  ASSERT_EQ(m.scripted().messages.size(), 1u);
  EXPECT_NE(m.scripted().messages[0].find("Ширина пера"), std::string::npos);
}

}  // namespace
