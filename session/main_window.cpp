#include <session/drawing.h>
#include <session/hatch_form.h>
#include <session/main_window.h>

#include <fgb/convert/convert.h>

#include <charconv>
#include <cmath>
#include <cstring>

namespace kalvex::session {

namespace {

const KindInfo& kind_info(int kind) {
  static const KindInfo unknown{"", -1, false, false, "", "unknown"};
  const KindInfo* k = kind_by_code(kind);
  return k ? *k : unknown;
}

bool writable_kind(int kind) {
  return kind == FGB_KIND_HPGL || kind == FGB_KIND_GERBER || kind == FGB_KIND_GERBER_CUTTER ||
         kind == FGB_KIND_DXF;
}

}  // namespace

MainWindow::MainWindow(MainWindowLayer& layer, DialogHost& dialogs) : layer_(layer), dialogs_(dialogs) {
  std::memset(&request_, 0, sizeof request_);
}

void MainWindow::load_apertures(const std::string& path) {
  apertures_ = Apertures{};
  int err = 0;
  if (!session::load_apertures(path, apertures_, err)) sort_apertures(apertures_);
}

// ---- File -----------------------------------------------------------------

void MainWindow::new_document() {
  const std::string name = "NONAME" + std::to_string(layer_.drawing_count() + 1);
  DrawingView* view = layer_.create_drawing(name);
  if (!view) return;
  view->set_caption(name);
  activated(view);
}

void MainWindow::open() {
  const FileChoice c = layer_.open_dialog("Open", kOpenFilter, open_index_);
  if (!c.chosen) return;
  open_index_ = c.filter_index;
  open_path(c.path, c.filter_index);
}

bool MainWindow::open_path(const std::string& path, int filter_index) {
  const OpenKind k = open_kind(path, filter_index);
  if (k.kind < 0) {
    layer_.error_message(
        "Cannot open '" + path +
        "': the kind of the file is unknown (neither its extension nor its content tells it)");
    return false;
  }
  int layer = 1;
  if (k.ask_layer) layer = layer_.layer_number_dialog();
  DrawingView* view = layer_.create_drawing(path);
  if (!view) return false;
  view->set_caption(path);
  activated(view);
  request_.layer_or_flag = static_cast<int16_t>(static_cast<uint16_t>(layer));
  request_.kind = k.kind;
  if (!read_into(view, path, filter_index, false)) {
    layer_.destroy_drawing(view);
    return false;
  }
  view->set_file(path, k.kind);
  view->mark_saved();
  return true;
}

void MainWindow::import() {
  DrawingView* view = current_;
  if (!view) return;
  const FileChoice c = layer_.open_dialog("Import", kOpenFilter, open_index_);
  if (!c.chosen) return;
  open_index_ = c.filter_index;
  const OpenKind k = open_kind(c.path, c.filter_index);
  if (k.kind < 0) {
    layer_.error_message(
        "Cannot import '" + c.path +
        "': the kind of the file is unknown (neither its extension nor its content tells it)");
    return;
  }
  if (k.ask_layer)
    request_.layer_or_flag = static_cast<int16_t>(static_cast<uint16_t>(layer_.layer_number_dialog()));
  request_.kind = k.kind;
  read_into(view, c.path, c.filter_index, true);
}

// Fills the shared request for a read and runs it on the view's document.
bool MainWindow::read_into(DrawingView* view, const std::string& path, int, bool) {
  view->reset_transform();
  request_path_ = path;
  request_.direction = 0;
  request_.path = request_path_.c_str();
  request_.apertures = apertures_.sizes.data();
  request_.sorted_apertures = apertures_.sorted.data();
  request_.aperture_count = kApertureCount;
  request_.sys_error = 0;
  request_.progress = nullptr;
  request_.progress_user = nullptr;
  if (!prepare_edit(view)) return false;
  Report report;
  MetafileHandle metafile;
  request_.transform = view->transform();
  request_.metafile = nullptr;
  if (request_.kind == FGB_KIND_WMF) {
    if (!load_metafile(path, request_, metafile, report)) {
      layer_.error_message(report.error);
      return false;
    }
    view->transform().scale = request_.transform.scale;
  }
  const int status = view->document().Convert(&request_);
  request_.metafile = nullptr;  // freed with the handle below
  for (const std::string& w : report.warnings) layer_.error_message(w);
  const std::string error = conversion_error(status, request_, kind_info(request_.kind).title, false,
                                             &view->document(), kRaiseInOptions);
  if (!error.empty()) {
    layer_.error_message(error);
    return false;
  }
  return true;
}

bool MainWindow::write_to(DrawingView* view, const std::string& path, int kind, bool selection_only) {
  request_path_ = path;
  request_.path = request_path_.c_str();
  request_.kind = kind;
  request_.direction = 1;
  request_.selection_only = selection_only ? 1 : 0;
  request_.elapsed_time = -1.0f;
  request_.aperture_count = kApertureCount;
  request_.apertures = apertures_.sizes.data();
  request_.sorted_apertures = apertures_.sorted.data();
  request_.sys_error = 0;
  request_.metafile = nullptr;
  if (!prepare_edit(view)) return false;
  const int status = view->document().Convert(&request_);
  const std::string error = conversion_error(status, request_, kind_info(request_.kind).title, true,
                                             &view->document(), kRaiseInOptions);
  if (!error.empty()) {
    layer_.error_message(error);
    return false;
  }
  if (request_.elapsed_time != -1.0f) layer_.times_dialog(request_.elapsed_time);
  return true;
}

bool MainWindow::write_as(bool selection_only) {
  DrawingView* view = current_;
  if (!view) return false;
  const FileChoice c =
      layer_.save_dialog(selection_only ? "Save Selection Only" : "Save  As", kSaveFilter, save_index_);
  if (!c.chosen) return false;
  save_index_ = c.filter_index;
  std::string path = strip_extension(c.path);
  const SaveType t = save_type(c.filter_index, selection_only);
  int kind = request_.kind;
  if (t.offered) {
    path += t.extension;
    kind = t.kind;
    if (t.optimise_flag) {
      request_.optimise = optimise_ ? 1 : 0;
      request_.layer_or_flag = 1;
    } else {
      request_.dxf_variant = t.dxf_variant;
    }
  }
  if (!write_to(view, path, kind, selection_only)) return false;
  if (!selection_only && writable_kind(kind)) {
    view->set_file(path, kind);
    view->mark_saved();
    view->set_caption(path);
    layer_.set_caption(view, path);
  }
  return true;
}

void MainWindow::save_as() { write_as(false); }

void MainWindow::save_select() { write_as(true); }

void MainWindow::save() {
  DrawingView* view = current_;
  if (!view) return;
  if (view->file_path().empty() || !writable_kind(view->file_kind())) {
    write_as(false);
    return;
  }
  const int kind = view->file_kind();
  if (kind == FGB_KIND_DXF) {
    request_.dxf_variant = 0;
  } else {
    request_.optimise = optimise_ ? 1 : 0;
    request_.layer_or_flag = 1;
  }
  if (write_to(view, view->file_path(), kind, false)) view->mark_saved();
}

bool MainWindow::close_drawing(DrawingView* view) {
  if (!view) return true;
  if (!confirm_close(view)) return false;
  layer_.destroy_drawing(view);
  return true;
}

bool MainWindow::confirm_close(DrawingView* view) {
  if (!view) return true;
  if (view->modified()) {
    switch (layer_.ask_save_changes(view->caption())) {
      case SaveAnswer::Cancel: return false;
      case SaveAnswer::Discard: break;
      case SaveAnswer::Save: {
        DrawingView* before = current_;
        current_ = view;
        save();
        current_ = before;
        if (view->modified()) return false;  // not saved: keep the window
        break;
      }
    }
  }
  return true;
}

void MainWindow::close_current() {
  if (current_) close_drawing(current_);
}

bool MainWindow::query_close() {
  for (DrawingView* v : layer_.drawings()) {
    if (!v->modified()) continue;
    if (!close_drawing(v)) return false;
  }
  return true;
}

bool MainWindow::exit() {
  if (!query_close()) return false;
  layer_.close_main();
  return true;
}

// ---- Edit -----------------------------------------------------------------

void MainWindow::undo() {
  if (current_) current_->document().GetUndo();
}

void MainWindow::redo() {
  if (current_) current_->document().GetRedo();
}

void MainWindow::select_all() {
  if (current_) current_->document().SelectElems();
}

void MainWindow::apertures_editor() {
  if (layer_.apertures_dialog()) sort_apertures(apertures_);
}

// ---- View -----------------------------------------------------------------

void MainWindow::view_all() {
  if (!current_) return;
  current_->view_all();
  layer_.repaint(current_);
}

void MainWindow::zoom(bool in) {
  if (!current_) return;
  if (current_->zoom_step(in)) layer_.repaint(current_);
}

// ---- Operation ------------------------------------------------------------

bool MainWindow::approximation(long& n) {
  const std::string text = dialogs_.approximation_text();
  const char* b = text.data();
  const char* e = b + text.size();
  while (b != e && *b == ' ') ++b;
  if (b != e && *b == '+') ++b;
  int v = 0;
  const auto r = std::from_chars(b, e, v);
  if (r.ec != std::errc() || r.ptr != e) {
    layer_.error_message("'" + text + "' is not a valid integer value");
    return false;
  }
  n = v;
  return true;
}

bool MainWindow::max_elements(int64_t& n) {
  const std::string text = dialogs_.max_elements_text();
  const std::optional<int64_t> v = parse_element_count(text, dialogs_.group_separator());
  if (!v) {
    layer_.error_message("'" + text +
                         "' is not a valid number of elements (empty or 0: scaled to the drawing)");
    return false;
  }
  n = *v;
  return true;
}

bool MainWindow::prepare_edit(DrawingView* view) {
  int64_t n = 0;
  if (!view || !max_elements(n)) return false;
  view->document().SetMaxElements(n);
  view->document().SetFailure(FGB_FAILED_NONE);
  return true;
}

bool MainWindow::edit_failed(DrawingView* view, const char* what) {
  MainDB& doc = view->document();
  if (doc.GetFailure() == FGB_FAILED_NONE) return false;
  const std::string message = edit_error(doc, what, view->caption(), kRaiseInOptions);
  // The operation changed nothing; the undo step it took would undo nothing.
  doc.RestoreUndo();
  layer_.error_message(message);
  return true;
}

void MainWindow::run_hatch(const HatchPlan& plan) {
  if (plan.action == HatchPlan::Action::None || !prepare_edit(current_)) return;
  const std::string error = HatchForm::run(plan, current_);
  if (!error.empty()) layer_.error_message(error);
}

void MainWindow::group() {
  long n;
  if (!current_ || !approximation(n) || !prepare_edit(current_)) return;
  current_->document().SetPolyToPols(n);
  edit_failed(current_, "group");
}

void MainWindow::ungroup() {
  if (current_) current_->document().SetPolsToPoly();
}

void MainWindow::to_polyline() {
  long n;
  if (!current_ || !approximation(n) || !prepare_edit(current_)) return;
  current_->document().PolyToBezier(n);
  edit_failed(current_, "flatten the curves of");
}

void MainWindow::hatch() { dialogs_.hatch(current_, false); }

void MainWindow::inset() { dialogs_.hatch(current_, true); }

// ---- Window ---------------------------------------------------------------

void MainWindow::cascade() { layer_.cascade(); }
void MainWindow::tile() { layer_.tile(); }
void MainWindow::arrange_icons() { layer_.arrange_icons(); }

void MainWindow::minimize_all() {
  const std::vector<DrawingView*> all = layer_.drawings();
  for (auto it = all.rbegin(); it != all.rend(); ++it) layer_.minimize(*it);
}

// ---- panels ---------------------------------------------------------------

void MainWindow::choose_units(int units) {
  if (units < kInch || units > kCentimetre) return;
  units_ = units;
  layer_.show_units(units);
  preference_.units = units;
  dialogs_.apply_units(units);
  if (current_) {
    PageSetup s = current_->page_setup();
    s.units = units;
    s.width = preference_.width;
    s.height = preference_.height;
    s.resolution = preference_.resolution;
    s.page_index = preference_.page_index;
    s.portrait = preference_.portrait;
    current_->reload_page_setup(s);
    layer_.repaint(current_);
  }
}

bool MainWindow::resize_from_fields(double x, double y) {
  if (!current_) return false;
  current_->units_to_inches(x, y);
  const gr_cpoint d = current_->document().GetDimensionS();
  const double sx = x / d.x;
  // Nothing selected, or a selection without width: no factor to scale by.
  if (!std::isfinite(sx) || current_->document().GetCountElemsS() == 0) return false;
  const gr_cpoint c = current_->document().GetCenterS();
  current_->document().SetDimension(sx, sx, c.x, c.y, OP_SCALE);
  return true;
}

void MainWindow::properties() {
  if (!current_) return;
  if (current_->document().GetCountElemsS() != 0)
    dialogs_.pen(current_);
  else
    dialogs_.no_selection(current_);
}

void MainWindow::editor_opened() {
  editor_open_ = true;
  update_menus();
}

void MainWindow::editor_closed() {
  editor_open_ = false;
  update_menus();
}

// ---- keys -----------------------------------------------------------------

bool MainWindow::key_down(MainKey key, Key drawing_key, unsigned modifiers) {
  bool acted = false;
  const bool chord = chord_;
  chord_ = key == MainKey::Ctrl;
  if (key == MainKey::F1) {
    layer_.help();
    acted = true;
  } else if (key == MainKey::O && chord) {
    open();
    acted = true;
  } else if (key == MainKey::I && chord) {
    import();
    acted = true;
  }
  if (current_ && !acted) {
    const int units = current_->key_down(drawing_key, modifiers);
    if (units >= 0) choose_units(units);
  }
  return acted;
}

// ---- windows --------------------------------------------------------------

void MainWindow::activated(DrawingView* view) {
  current_ = view;
  if (view) {
    units_ = view->units();
    layer_.show_units(units_);
    preference_ = view->page_setup();
    dialogs_.apply_units(units_);
    undo_ = view->document().GetUndoFlag() != 0;
    redo_ = view->document().GetRedoFlag() != 0;
  } else {
    undo_ = redo_ = false;
  }
  update_menus();
}

void MainWindow::drawing_destroyed(DrawingView* view) {
  if (current_ == view) current_ = nullptr;
  if (layer_.drawing_count() == 0) current_ = nullptr;
  update_menus();
}

void MainWindow::undo_state(DrawingView* view, std::intptr_t wparam) {
  if (view != current_) return;
  switch (wparam) {
    case DB_UNDO_POSSIBLE: undo_ = true; break;
    case DB_REDO_POSSIBLE: redo_ = true; break;
    case DB_UNDO_IMPOSSIBLE: undo_ = false; break;
    case DB_REDO_IMPOSSIBLE: redo_ = false; break;
    default: break;
  }
  update_menus();
}

MenuState MainWindow::menu_state() const {
  MenuState m;
  m.have_drawing = layer_.drawing_count() > 0;
  m.undo = m.have_drawing && current_ && undo_;
  m.redo = m.have_drawing && current_ && redo_;
  m.editor = !editor_open_;
  return m;
}

void MainWindow::update_menus() { layer_.menu_state_changed(); }

}  // namespace kalvex::session
