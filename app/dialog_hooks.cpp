// The page setup, pen, options, printing, editor and hatch windows behind
// the main window's hooks, and the progress window of long operations.
#include "dialog_hooks.h"

#include "editor_window.h"
#include "hatch_dialog.h"
#include "main_form.h"
#include "mdi_child.h"
#include "preference_dialog.h"
#include "print_dialog.h"

#include <canvas/canvas.h>
#include <session/defaults.h>
#include <session/printing.h>

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

using namespace kalvex::session;

namespace {

QRect screen_rect() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

// Drawing windows that are open (a closed one may wait for its deletion).
int open_drawings(const TMainForm& form) {
  int n = 0;
  for (QMdiSubWindow* w : form.area()->subWindowList())
    if (dynamic_cast<TMDIFrame*>(w) && !w->isHidden()) ++n;
  return n;
}

// Printer resolutions the print takes from a drawing: natural size is one
// printer pixel per dot of the drawing.
constexpr int kMinPrintDpi = 1;
constexpr int kMaxPrintDpi = 9600;

}  // namespace

kalvex::session::NumberStyle user_number_style() {
  NumberStyle s;
  const std::string d = QLocale().decimalPoint().toStdString();
  if (!d.empty()) s.decimal = d;
  return s;
}

void centre_on_screen(QWidget* w) {
  if (QScreen* s = QGuiApplication::primaryScreen())
    w->move(s->availableGeometry().center() - w->rect().center());
}

QEvent::Type EditorMessage::type() {
  static const QEvent::Type t = static_cast<QEvent::Type>(QEvent::registerEventType());
  return t;
}

// ---------------------------------------------------------------------------

DialogHooks::DialogHooks(TMainForm& form) : form_(form) {
  // The main window's queue brings the editor's messages here.
  form_.installEventFilter(this);
}

DialogHooks::~DialogHooks() {
  form_.removeEventFilter(this);
  delete editor_.data();
  delete progress_window_.data();
  delete hatch_dialog_.data();
  delete print_choice_.data();
  delete options_.data();
  delete pref_dialog_.data();
}

TEditor* DialogHooks::editor_window() const { return editor_; }

TInfo_Hatch* DialogHooks::progress_window() const { return progress_window_; }

PreferenceForm& DialogHooks::preference_form() {
  if (!pref_)
    pref_ = std::make_unique<PreferenceForm>(form_.logic().preference(), form_.logic().pen(),
                                             user_number_style());
  return *pref_;
}

TPreference* DialogHooks::preference_dialog() {
  if (!pref_dialog_) pref_dialog_ = new TPreference(form_, preference_form());
  return pref_dialog_;
}

TOptions* DialogHooks::options_dialog() {
  if (!options_) options_ = new TOptions(&form_);
  return options_;
}

TPrintp* DialogHooks::print_choice() {
  if (!print_choice_) print_choice_ = new TPrintp(&form_);
  return print_choice_;
}

THATCH* DialogHooks::hatch_dialog() {
  if (!hatch_dialog_) hatch_dialog_ = new THATCH(form_, hatch_);
  return hatch_dialog_;
}

// ---- page setup, pen, options -----------------------------------------------

void DialogHooks::page_setup(DrawingView*) { preference_dialog()->show_panel(PreferencePanel::Page); }

void DialogHooks::pen(DrawingView*) { preference_dialog()->show_panel(PreferencePanel::Pen); }

void DialogHooks::no_selection(DrawingView*) {
  preference_dialog()->show_panel(PreferencePanel::NoSelection);
}

void DialogHooks::options() { options_dialog()->exec(); }

std::string DialogHooks::approximation_text() {
  return options_ ? options_->approximation() : std::to_string(kGroupApproximation);
}

std::string DialogHooks::max_elements_text() { return options_ ? options_->max_elements() : std::string(); }

std::string DialogHooks::group_separator() { return QLocale().groupSeparator().toStdString(); }

void DialogHooks::apply_units(int) {
  // The main window has set its page setup (a drawing became active, or
  // its units selector chose units): the fields follow, and the main
  // window then reloads the drawing from them.
  PreferenceForm& p = preference_form();
  p.set_style(user_number_style());
  const FormOutcome o = p.follow_preference(form_.logic().current());
  if (!o.error.empty()) form_.error_message(o.error);
  if (o.show_size) {
    const QLocale locale;
    form_.Edit2->setText(locale.toString(o.size.x, 'g', 15));
    form_.Edit3->setText(locale.toString(o.size.y, 'g', 15));
  }
  if (pref_dialog_) pref_dialog_->refresh();
}

// ---- hatch and inset ------------------------------------------------------

void DialogHooks::hatch(DrawingView*, bool inset_page) {
  hatch_dialog()->open_page(inset_page ? HatchPage::Inset : HatchPage::Hatch);
}

// ---- the editor -------------------------------------------------------------

void DialogHooks::editor(DrawingView*) {
  if (editor_) {
    editor_->show();
    editor_->raise();
    return;
  }
  // A new editor starts from the initial texts.
  editor_form_ = std::make_shared<EditorForm>();
  editor_ = new TEditor(&form_, editor_form_);
  const QRect screen = screen_rect();
  const WindowPlace at = editor_place(screen.width(), screen.height(), editor_->width(), editor_->height());
  editor_->move(screen.left() + at.left, screen.top() + at.top);
  editor_->set_pages_enabled(open_drawings(form_) > 0);
  connect(form_.area(), &QMdiArea::subWindowActivated, editor_, [this] {
    if (editor_) editor_->set_pages_enabled(open_drawings(form_) > 0);
  });
  form_.logic().editor_opened();
  editor_->show();
}

void DialogHooks::editor_message(int message, int wparam) {
  if (message == WM_EDITOR_CLOSED) {
    editor_ = nullptr;  // the window frees itself
    form_.logic().editor_closed();
    return;
  }
  if (message != WM_EDITOR_APPLY || !editor_form_) return;
  const std::string error = editor_form_->apply(wparam, form_.logic().current(), user_number_style());
  if (!error.empty()) form_.error_message(error);
  if (TMDIChild* c = form_.current_child()) c->setFocus();
}

// ---- printing ---------------------------------------------------------------

void DialogHooks::print(DrawingView* view) {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer_->setPageOrientation(print_portrait(form_.logic().preference()) ? QPageLayout::Portrait
                                                                          : QPageLayout::Landscape);
  if (!printable(view)) return;
  const std::optional<bool> natural = print_choice()->ask();
  if (!natural) return;
  QPrintDialog dialog(printer_.get(), &form_);
  if (dialog.exec() != QDialog::Accepted) return;
  const std::string error = print_on(*printer_, *view, *natural);
  if (!error.empty()) form_.error_message(error);
}

std::string DialogHooks::print_on(QPrinter& printer, DrawingView& view, bool natural) {
  printer.setDocName(QString::fromUtf8(kPrintJobTitle));
  // One printer pixel per dot of the drawing: natural size is the
  // drawing's own size on paper.
  const double dpi = std::clamp(std::round(view.resolution()), double(kMinPrintDpi), double(kMaxPrintDpi));
  printer.setResolution(static_cast<int>(dpi));

  // A PDF file is written under a temporary name beside it and renamed
  // over it only when complete.
  const QString target = printer.outputFileName();
  const bool to_file = printer.outputFormat() == QPrinter::PdfFormat && !target.isEmpty();
  QString temp;
  if (to_file) {
    const QFileInfo info(target);
    QTemporaryFile t(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                     QStringLiteral(".XXXXXX"));
    t.setAutoRemove(false);
    if (!t.open()) return "Cannot print to " + target.toStdString() + ": " + t.errorString().toStdString();
    temp = t.fileName();
    t.close();
    printer.setOutputFileName(temp);
  }
  auto fail = [&](const std::string& why) {
    if (to_file) {
      printer.setOutputFileName(target);
      QFile::remove(temp);
    }
    return "Printing failed: " + why;
  };

  QPainter painter;
  if (!painter.begin(&printer)) return fail("the printer cannot start the job");
  bool drawn = false;
  {
    canvas::QtDeviceContext dc(painter);
    drawn = print_page(dc, view, natural, dc.device_width(), dc.device_height());
  }
  const bool ended = painter.end();
  if (!ended || printer.printerState() == QPrinter::Error) return fail("the printer reported an error");
  if (!drawn) return fail("the printer's page takes no drawing");
  if (to_file) {
    printer.setOutputFileName(target);
    QFile::setPermissions(temp, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ReadOther);
    std::error_code ec;
    std::filesystem::rename(temp.toStdString(), target.toStdString(), ec);
    if (ec) {
      QFile::remove(temp);
      return "Printing failed: cannot write " + target.toStdString() + ": " + ec.message();
    }
  }
  return {};
}

// ---- progress -----------------------------------------------------------------

void DialogHooks::progress(DrawingView* view, std::intptr_t wparam) {
  ++reports_;
  last_report_ = std::chrono::steady_clock::now();
  switch (wparam) {
    case DB_PROGRESS_START: {
      const QRect screen = screen_rect();
      progress_.set_screen(screen.width(), screen.height());
      if (progress_.start()) {
        progress_window_ = new TInfo_Hatch;
        place_progress_window();
        progress_window_->show();
      }
      pump();  // the window shows at once
      break;
    }
    case DB_PROGRESS_TICK:
      progress_.tick(view ? view->document().GetProgress() : 0.0);
      // The window moves when the event loop runs, so that it is painted
      // where it goes and what it leaves is painted over at once.
      if (!since_pump_.isValid() || since_pump_.elapsed() >= pump_ms_) pump();
      break;
    case DB_PROGRESS_END:
      if (progress_.end() && progress_window_) {
        paints_before_ += progress_window_->paints();
        delete progress_window_.data();
      }
      break;
    default: break;
  }
}

long DialogHooks::progress_paints() const {
  return paints_before_ + (progress_window_ ? progress_window_->paints() : 0);
}

void DialogHooks::place_progress_window() {
  if (!progress_window_ || !progress_.shown()) return;
  const QRect screen = screen_rect();
  const WindowPlace at = progress_.place();
  progress_window_->move(screen.left() + at.left, screen.top() + at.top);
  progress_window_->set_text(QString::fromStdString(progress_.text()));
}

void DialogHooks::pump() {
  if (pumping_) return;
  place_progress_window();
  // The windows repaint and the queued notifications are handled; user
  // input waits for the operation's end. The document is in the middle of
  // its work: nothing may close a window or edit it meanwhile.
  pumping_ = true;
  qApp->installEventFilter(this);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  qApp->removeEventFilter(this);
  pumping_ = false;
  ++pumps_;
  since_pump_.restart();
  // The editor's messages held back go to the queue again: handled after
  // the operation (or held again by the next pump).
  for (const auto& [message, wparam] : deferred_)
    QCoreApplication::postEvent(&form_, new EditorMessage(message, wparam));
  deferred_.clear();
}

bool DialogHooks::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == EditorMessage::type()) {
    if (watched != &form_) return false;
    const auto* m = static_cast<EditorMessage*>(event);
    if (pumping_)
      deferred_.emplace_back(m->message, m->wparam);
    else
      editor_message(m->message, m->wparam);
    return true;
  }
  if (pumping_ && event->type() == QEvent::Close &&
      (watched == &form_ || dynamic_cast<QMdiSubWindow*>(watched))) {
    event->ignore();
    return true;
  }
  return false;
}

std::unique_ptr<kalvex::session::DialogHost> make_dialog_host(TMainForm& form) {
  return std::make_unique<DialogHooks>(form);
}
