#include "main_form.h"

#include "help_window.h"
#include "key_filter.h"
#include "mdi_child.h"
#include "small_windows.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

using namespace kalvex::session;

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// "Text|pattern|Text|pattern" as the name filters of a Qt file dialog. The
// texts name their patterns in parentheses already, as the dialog wants.
QStringList name_filters(const char* filter) {
  const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
  QStringList r;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    r << (parts[i].trimmed().endsWith(QLatin1Char(')'))
              ? parts[i]
              : parts[i] + QStringLiteral(" (") + parts[i + 1] + ')');
  return r;
}

// The main window restored: 565 x 415 pixels.
constexpr int kRestoredWidth = 565;
constexpr int kRestoredHeight = 415;

}  // namespace

TMainForm::TMainForm(std::unique_ptr<DialogHost> dialogs)
    : dialogs_(dialogs ? std::move(dialogs) : make_dialog_host(*this)), logic_(*this, *dialogs_) {
  Q_INIT_RESOURCE(kalvex);
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Trevalon"));
  setWindowIcon(QIcon(QStringLiteral(":/kalvex/kalvex.svg")));
  resize(kRestoredWidth, kRestoredHeight);
  setAcceptDrops(true);

  area_ = new QMdiArea(this);
  area_->setBackground(palette().brush(QPalette::Dark));
  area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(area_);
  connect(area_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
    auto* frame = dynamic_cast<TMDIFrame*>(w);
    if (!frame && area_->subWindowList().isEmpty()) {
      logic_.activated(nullptr);
      StatusPanel[0]->clear();
      StatusPanel[1]->clear();
      return;
    }
    if (!frame) return;
    logic_.activated(&frame->child()->view());
    frame->child()->tool_changed(logic_.tool());
    show_selection(frame->child());
  });

  build_menu();
  build_bars();

  apertures_ = new TApertures(this, logic_.apertures(), apertures_path());
  layer_number_ = new TLayerNumber(this);
  times_ = new Ttimes(this);
  about_ = new TAboutBox(this);

  logic_.load_apertures(apertures_path().toStdString());
  keys_ = new KeyFilter(this);
  qApp->installEventFilter(keys_);
  menu_state_changed();
}

TMainForm::~TMainForm() {
  qApp->removeEventFilter(keys_);
  // Drawing windows go first: their documents notify nobody after this.
  closing_ = true;
  // Closed frames may still wait for their deferred deletion: none of them
  // reports back to this half-destroyed window.
  for (TMDIFrame* f : findChildren<TMDIFrame*>()) {
    disconnect(f, nullptr, this, nullptr);
    f->confirm_close();
    delete f;
  }
}

QString TMainForm::apertures_path() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  if (dir.isEmpty()) dir = QDir::homePath();
  QDir().mkpath(dir);
  return dir + QStringLiteral("/ap$$.txt");
}

// ---- menu -----------------------------------------------------------------

void TMainForm::build_menu() {
  auto item = [this](QMenu* menu, const char* name, const QString& text, const QString& hint, auto fn) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) a->setStatusTip(hint);
    connect(a, &QAction::triggered, this, fn);
    return a;
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setStatusTip(QStringLiteral("File related commands"));
  FileNewItem = item(file, "FileNewItem", "&New", "Create a new file", [this] { logic_.new_document(); });
  FileOpenItem = item(file, "FileOpenItem", "&Open", "Open an existing file", [this] { logic_.open(); });
  FileSaveItem = item(file, "FileSaveItem", "&Save", "Save current file", [this] { logic_.save(); });
  FileSaveAsItem =
      item(file, "FileSaveAsItem", "Save &As...", "Save current file as...", [this] { logic_.save_as(); });
  SaveSelect1 = item(file, "SaveSelect1", "Save Select", "", [this] { logic_.save_select(); });
  Import1 = item(file, "Import1", "Import", "", [this] { logic_.import(); });
  Print1 = item(file, "Print1", "Print", "", [this] { dialogs_->print(logic_.current()); });
  Editor1 = item(file, "Editor1", "Editor", "", [this] { dialogs_->editor(logic_.current()); });
  Preferences =
      item(file, "Preferences", "Preference", "", [this] { dialogs_->page_setup(logic_.current()); });
  ColorWidth1 = item(file, "ColorWidth1", "Color  Width", "", [this] {
    if (logic_.current()) dialogs_->pen(logic_.current());
  });
  Options1 = item(file, "Options1", "Options", "", [this] { dialogs_->options(); });
  file->addSeparator();
  FileCloseItem =
      item(file, "FileCloseItem", "&Close", "Close current file", [this] { logic_.close_current(); });
  FileExitItem = item(file, "FileExitItem", "E&xit", "Exit the application", [this] { logic_.exit(); });

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  Undo1 = item(edit, "Undo1", "Undo", "", [this] { logic_.undo(); });
  Redo1 = item(edit, "Redo1", "Redo", "", [this] { logic_.redo(); });
  edit->addSeparator();
  CutItem = item(edit, "CutItem", "Cu&t", "Cut to clipboard", [] {});
  CopyItem = item(edit, "CopyItem", "&Copy", "Copy to clipboard", [] {});
  PasteItem = item(edit, "PasteItem", "&Paste", "Paste from clipboard", [] {});
  SelectAllCtrlA1 = item(edit, "SelectAllCtrlA1", "Select All   Ctrl+A", "", [this] { logic_.select_all(); });
  N8 = item(edit, "N8", QStringLiteral("Апертуры"), "", [this] { logic_.apertures_editor(); });

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  ViewAll1 = item(view, "ViewAll1", "View All", "", [this] { logic_.view_all(); });
  Zoom1 = item(view, "Zoom1", "Zoom +", "", [this] { logic_.zoom(true); });
  Zoom2 = item(view, "Zoom2", "Zoom -", "", [this] { logic_.zoom(false); });

  QMenu* op = menuBar()->addMenu(QStringLiteral("&Operation"));
  Hatch1 = item(op, "Hatch1", "Hatch", "", [this] { logic_.hatch(); });
  Group1 = item(op, "Group1", "Group", "", [this] { logic_.group(); });
  UnGroup1 = item(op, "UnGroup1", "UnGroup", "", [this] { logic_.ungroup(); });
  Inset1 = item(op, "Inset1", "Inset", "", [this] { logic_.inset(); });
  ToPolyline1 = item(op, "ToPolyline1", "To  Polyline", "", [this] { logic_.to_polyline(); });

  QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
  window->setStatusTip(QStringLiteral("Window related commands such as Tile and Cascade"));
  WindowCascadeItem = item(window, "WindowCascadeItem", "&Cascade", "Arrange windows to overlap",
                           [this] { logic_.cascade(); });
  WindowTileItem =
      item(window, "WindowTileItem", "&Tile", "Arrange windows without overlap", [this] { logic_.tile(); });
  WindowArrangeItem =
      item(window, "WindowArrangeItem", "&Arrange Icons", "Arrange window icons at bottom of main window",
           [this] { logic_.arrange_icons(); });
  WindowMinimizeItem = item(window, "WindowMinimizeItem", "&Minimize All", "Minimize all windows",
                            [this] { logic_.minimize_all(); });
  // The platform's list of the drawing windows.
  window->addSeparator();
  connect(window, &QMenu::aboutToShow, this, [this, window] {
    const QList<QAction*> acts = window->actions();
    for (QAction* a : acts)
      if (a->property("window_entry").toBool()) window->removeAction(a), a->deleteLater();
    int n = 0;
    for (QMdiSubWindow* w : area_->subWindowList()) {
      QAction* a = window->addAction(
          QStringLiteral("&%1 %2").arg(++n).arg(w->windowTitle().remove(QStringLiteral("[*]"))));
      a->setProperty("window_entry", true);
      a->setCheckable(true);
      a->setChecked(w == area_->activeSubWindow());
      connect(a, &QAction::triggered, this, [this, w] { area_->setActiveSubWindow(w); });
    }
  });

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  N6 = item(help, "N6", QStringLiteral("Помощь"), "Help topics", [this] { this->help(); });
  HelpAboutItem = item(help, "HelpAboutItem", "&About", "", [this] { about_dialog(); });
}

// ---- bars -----------------------------------------------------------------

void TMainForm::build_bars() {
  QToolBar* speed = addToolBar(QStringLiteral("Speed bar"));
  speed->setObjectName(QStringLiteral("SpeedBar"));
  speed->setMovable(false);
  speed->setIconSize(QSize(17, 17));
  auto button = [this, speed](const char* name, QStyle::StandardPixmap icon, const QString& hint, auto fn) {
    QAction* a = speed->addAction(style()->standardIcon(icon), hint);
    a->setObjectName(QString::fromLatin1(name));
    a->setStatusTip(hint);
    connect(a, &QAction::triggered, this, fn);
    if (auto* b = qobject_cast<QToolButton*>(speed->widgetForAction(a))) b->setFixedSize(25, 25);
    return a;
  };
  NewBut = button("NewBut", QStyle::SP_FileIcon, QString(), [this] { logic_.new_document(); });
  NewBut->setToolTip(QStringLiteral("New"));
  OpenBtn = button("OpenBtn", QStyle::SP_DialogOpenButton, QStringLiteral("Open"), [this] { logic_.open(); });
  SaveBtn = button("SaveBtn", QStyle::SP_DialogSaveButton, QStringLiteral("Save"), [this] { logic_.save(); });
  speed->addSeparator();
  CutBtn = button("CutBtn", QStyle::SP_DialogDiscardButton, QStringLiteral("Cut"), [] {});
  CopyBtn = button("CopyBtn", QStyle::SP_FileDialogContentsView, QStringLiteral("Copy"), [] {});
  PasteBtn = button("PasteBtn", QStyle::SP_FileDialogDetailedView, QStringLiteral("Paste"), [] {});
  speed->addSeparator();
  ExitBtn =
      button("ExitBtn", QStyle::SP_DialogCloseButton, QStringLiteral("Exit"), [this] { logic_.exit(); });

  addToolBarBreak();
  EditPanel = addToolBar(QStringLiteral("Edit panel"));
  EditPanel->setObjectName(QStringLiteral("EditPanel"));
  EditPanel->setMovable(false);
  EditPanel->addWidget(new QLabel(QStringLiteral(" X: ")));
  Edit2 = new QLineEdit(QStringLiteral("0"));
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Edit2->setFixedWidth(110);
  EditPanel->addWidget(Edit2);
  EditPanel->addWidget(new QLabel(QStringLiteral("  Y: ")));
  Edit3 = new QLineEdit(QStringLiteral("0"));
  Edit3->setObjectName(QStringLiteral("Edit3"));
  Edit3->setFixedWidth(110);
  EditPanel->addWidget(Edit3);
  ComboBox2 = new QComboBox;
  ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
  ComboBox2->addItems({QStringLiteral("inch"), QStringLiteral("millimeter"), QStringLiteral("pixel"),
                       QStringLiteral("santimeter")});
  EditPanel->addSeparator();
  EditPanel->addWidget(ComboBox2);
  CheckBox1 = new QCheckBox(QStringLiteral("Оптимизация"));
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(true);
  EditPanel->addSeparator();
  EditPanel->addWidget(CheckBox1);
  connect(Edit2, &QLineEdit::returnPressed, this, &TMainForm::x_field_entered);
  connect(ComboBox2, &QComboBox::activated, this, [this](int i) { logic_.choose_units(i); });
  connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) { logic_.set_optimise(on); });

  QToolBar* palette = new QToolBar(QStringLiteral("Tools"), this);
  palette->setObjectName(QStringLiteral("ToolPalette"));
  palette->setMovable(false);
  palette->setToolButtonStyle(Qt::ToolButtonTextOnly);
  addToolBar(Qt::LeftToolBarArea, palette);
  tools_ = new QActionGroup(this);
  tools_->setExclusive(true);
  auto tool = [this, palette](const char* name, const QString& text, Tool t) {
    QAction* a = palette->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setCheckable(true);
    tools_->addAction(a);
    connect(a, &QAction::triggered, this, [this, t] { tool_chosen(t); });
    return a;
  };
  SelectTool = tool("SelectTool", QStringLiteral("Выделение"), Tool::Select);
  ZoomTool = tool("ZoomTool", QStringLiteral("Масштаб"), Tool::Zoom);
  LineTool = tool("LineTool", QStringLiteral("Линия"), Tool::Line);
  SelectTool->setChecked(true);
  palette->addSeparator();
  auto plain = [this, palette](const char* name, const QString& text, auto fn) {
    QAction* a = palette->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, fn);
    return a;
  };
  EditorBtn = plain("EditorBtn", QStringLiteral("Редактор"), [this] {
    EditorBtn->setEnabled(false);
    dialogs_->editor(logic_.current());
  });
  SetupBtn =
      plain("SetupBtn", QStringLiteral("Параметры"), [this] { dialogs_->page_setup(logic_.current()); });
  PropertiesBtn = plain("PropertiesBtn", QStringLiteral("Свойства"), [this] { logic_.properties(); });

  const int widths[3] = {50, 250, 250};
  for (int i = 0; i < 3; ++i) {
    StatusPanel[i] = new QLabel;
    StatusPanel[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
    StatusPanel[i]->setMinimumWidth(widths[i]);
    StatusPanel[i]->setFrameShape(QFrame::Panel);
    StatusPanel[i]->setFrameShadow(QFrame::Sunken);
    statusBar()->addWidget(StatusPanel[i], i == 0 ? 0 : 1);
  }
  StatusPanel[0]->setAlignment(Qt::AlignCenter);
}

void TMainForm::tool_chosen(Tool tool) {
  logic_.set_tool(tool);
  if (TMDIChild* c = current_child()) c->tool_changed(tool);
}

void TMainForm::x_field_entered() {
  QLocale locale;
  bool ok_x = false, ok_y = false;
  const double x = locale.toDouble(Edit2->text().trimmed(), &ok_x);
  const double y = locale.toDouble(Edit3->text().trimmed(), &ok_y);
  if (!ok_x || !ok_y) {
    error_message("'" + (ok_x ? Edit3 : Edit2)->text().toStdString() +
                  "' is not a valid floating point value");
    return;
  }
  logic_.resize_from_fields(x, y);
  Edit3->setFocus();
  Edit3->clearFocus();
}

// ---- the drawing windows --------------------------------------------------

TMDIChild* TMainForm::current_child() const { return child_of(logic_.current()); }

TMDIChild* TMainForm::child_of(const DrawingView* view) const {
  if (!view) return nullptr;
  for (QMdiSubWindow* w : area_->subWindowList())
    if (auto* f = dynamic_cast<TMDIFrame*>(w); f && &f->child()->view() == view) return f->child();
  return nullptr;
}

void TMainForm::show_cursor_position(const QString& text) { StatusPanel[0]->setText(text); }

void TMainForm::show_selection(TMDIChild* child) {
  if (!child || &child->view() != logic_.current()) return;
  const SelectionInfo& info = child->view().info();
  StatusPanel[1]->setText(QString::number(info.count_s));
  const gr_cpoint size = child->view().selection_size_in_units();
  QLocale locale;
  Edit2->setText(locale.toString(size.x, 'g', 15));
  Edit3->setText(locale.toString(size.y, 'g', 15));
  Edit2->setCursorPosition(0);
  Edit3->setCursorPosition(0);
}

void TMainForm::drawing_modified(TMDIChild* child) {
  if (auto* f = dynamic_cast<QMdiSubWindow*>(child->parentWidget()))
    f->setWindowModified(child->view().modified());
}

void TMainForm::progress(TMDIChild* child, std::intptr_t wparam) {
  // The progress window belongs to the hatch dialog.
  dialogs_->progress(child ? &child->view() : nullptr, wparam);
}

DrawingView* TMainForm::create_drawing(const std::string& caption) {
  auto* child = new TMDIChild(this, logic_.pen());
  auto* frame = new TMDIFrame(this, child);
  frame->setWindowTitle(qs(caption) + QStringLiteral("[*]"));
  frame->setWindowIcon(windowIcon());
  area_->addSubWindow(frame);
  connect(frame, &QObject::destroyed, this, [this, view = &child->view()] {
    if (!closing_) logic_.drawing_destroyed(view);
  });
  frame->showMaximized();
  area_->setActiveSubWindow(frame);
  child->view().set_client_size(child->width(), child->height());
  return &child->view();
}

void TMainForm::destroy_drawing(DrawingView* view) {
  TMDIChild* c = child_of(view);
  if (!c) return;
  auto* f = static_cast<TMDIFrame*>(c->parentWidget());
  f->confirm_close();
  f->close();
}

void TMainForm::set_caption(DrawingView* view, const std::string& caption) {
  if (TMDIChild* c = child_of(view)) {
    c->parentWidget()->setWindowTitle(qs(caption) + QStringLiteral("[*]"));
    c->parentWidget()->setWindowModified(view->modified());
  }
}

int TMainForm::drawing_count() const {
  int n = 0;
  for (QMdiSubWindow* w : area_->subWindowList())
    if (dynamic_cast<TMDIFrame*>(w)) ++n;
  return n;
}

std::vector<DrawingView*> TMainForm::drawings() const {
  std::vector<DrawingView*> r;
  for (QMdiSubWindow* w : area_->subWindowList(QMdiArea::CreationOrder))
    if (auto* f = dynamic_cast<TMDIFrame*>(w)) r.push_back(&f->child()->view());
  return r;
}

void TMainForm::repaint(DrawingView* view) {
  if (TMDIChild* c = child_of(view)) c->invalidate();
}

void TMainForm::cascade() { area_->cascadeSubWindows(); }
void TMainForm::tile() { area_->tileSubWindows(); }

void TMainForm::arrange_icons() {
  // Minimised windows lie along the bottom of the area.
  int x = 0;
  for (QMdiSubWindow* w : area_->subWindowList()) {
    if (!w->isMinimized()) continue;
    w->move(x, area_->viewport()->height() - w->height());
    x += w->width();
  }
}

void TMainForm::minimize(DrawingView* view) {
  if (TMDIChild* c = child_of(view)) c->parentWidget()->showMinimized();
}

// ---- dialogs and messages -------------------------------------------------

FileChoice TMainForm::file_dialog(bool save, const std::string& title, const char* filter, int index) {
  if (scripted_.active) {
    if (scripted_.files.empty()) return {};
    FileChoice c = scripted_.files.front();
    scripted_.files.erase(scripted_.files.begin());
    return c;
  }
  QFileDialog dialog(this, qs(title));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = name_filters(filter);
  dialog.setNameFilters(filters);
  if (index >= 1 && index <= filters.size()) dialog.selectNameFilter(filters[index - 1]);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  FileChoice c;
  c.chosen = true;
  c.path = dialog.selectedFiles().front().toStdString();
  c.filter_index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  if (c.filter_index < 1) c.filter_index = index;
  return c;
}

FileChoice TMainForm::open_dialog(const std::string& title, const char* filter, int filter_index) {
  return file_dialog(false, title, filter, filter_index);
}

FileChoice TMainForm::save_dialog(const std::string& title, const char* filter, int filter_index) {
  return file_dialog(true, title, filter, filter_index);
}

void TMainForm::error_message(const std::string& text) {
  if (scripted_.active) {
    scripted_.messages.push_back(text);
    return;
  }
  QMessageBox::warning(this, windowTitle(), qs(text));
}

SaveAnswer TMainForm::ask_save_changes(const std::string& name) {
  if (scripted_.active) {
    ++scripted_.questions;
    if (scripted_.answers.empty()) return SaveAnswer::Cancel;
    const SaveAnswer a = scripted_.answers.front();
    scripted_.answers.erase(scripted_.answers.begin());
    return a;
  }
  const auto r = QMessageBox::question(
      this, windowTitle(), QStringLiteral("Save changes to %1?").arg(qs(name)),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  return r == QMessageBox::Save      ? SaveAnswer::Save
         : r == QMessageBox::Discard ? SaveAnswer::Discard
                                     : SaveAnswer::Cancel;
}

int TMainForm::layer_number_dialog() { return layer_number_->ask(); }

void TMainForm::times_dialog(float seconds) {
  if (scripted_.active) {
    scripted_.messages.push_back("time " + std::to_string(seconds));
    return;
  }
  times_->show_time(seconds);
}

bool TMainForm::apertures_dialog() { return apertures_->ask(); }

void TMainForm::about_dialog() { about_->exec(); }

void TMainForm::help() {
  if (!help_) help_ = new HelpWindow(this);
  help_->show();
  help_->raise();
  help_->activateWindow();
}

void TMainForm::close_main() {
  closing_ = false;
  close();
}

void TMainForm::show_units(int units) {
  QSignalBlocker block(ComboBox2);
  ComboBox2->setCurrentIndex(units);
}

void TMainForm::menu_state_changed() {
  const MenuState m = logic_.menu_state();
  for (QAction* a : {FileCloseItem, FileSaveItem, FileSaveAsItem, CutItem, CopyItem, PasteItem,
                     SelectAllCtrlA1, SaveBtn, WindowCascadeItem, WindowTileItem, WindowArrangeItem,
                     WindowMinimizeItem, Import1, ViewAll1, Zoom1, Zoom2, ColorWidth1, Hatch1, Group1})
    a->setEnabled(m.have_drawing);
  // The clipboard has no commands behind it: its buttons stay off.
  for (QAction* a : {CutBtn, CopyBtn, PasteBtn}) a->setEnabled(false);
  Undo1->setEnabled(m.undo);
  Redo1->setEnabled(m.redo);
  Editor1->setEnabled(m.editor);
  EditorBtn->setEnabled(m.editor);
  EditPanel->setVisible(m.have_drawing);
}

// ---- window events --------------------------------------------------------

void TMainForm::closeEvent(QCloseEvent* e) {
  if (!logic_.query_close()) {
    e->ignore();
    return;
  }
  closing_ = true;
  if (help_) help_->close();
  e->accept();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* e) {
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile()) logic_.open_path(url.toLocalFile().toStdString(), logic_.open_filter_index());
  e->acceptProposedAction();
}
