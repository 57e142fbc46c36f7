// A window layer for the main window's logic without any window system:
// drawing windows are plain DrawingViews whose notifications are queued
// and delivered by deliver(), file dialogs and questions are answered from
// scripts, and every message is kept.
#ifndef KALVEX_TESTS_SESSION_SESSION_TEST_UTIL_H
#define KALVEX_TESTS_SESSION_SESSION_TEST_UTIL_H

#include "support/temp_folder.h"

#include <session/main_window.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace sessiontest {

using namespace kalvex::session;

// A drawing window: the view and the target of its document.
struct FakeChild : DbNotifyTarget {
  std::unique_ptr<DrawingView> view;
  std::deque<std::pair<int, std::intptr_t>> queue;
  MainWindow* main = nullptr;
  void SendNotify(int message, std::intptr_t wparam) override { view->note_issued(message, wparam); }
  void PostNotify(int message, std::intptr_t wparam) override {
    view->note_issued(message, wparam);
    queue.emplace_back(message, wparam);
  }
};

class FakeLayer : public MainWindowLayer {
 public:
  std::vector<std::unique_ptr<FakeChild>> children;
  std::deque<FileChoice> files;  // answers of the file dialogs
  std::vector<std::string> dialog_titles;
  std::deque<SaveAnswer> answers;  // answers to "Save changes to NAME?"
  std::vector<std::string> questions;
  std::vector<std::string> messages;
  std::vector<float> times;
  int layer = 1;
  int layer_asked = 0;
  int helps = 0;
  int shown_units = -1;
  bool main_closed = false;
  int repaints = 0;
  MainWindow* main = nullptr;

  FileChoice open_dialog(const std::string& title, const char*, int) override { return next(title); }
  FileChoice save_dialog(const std::string& title, const char*, int) override { return next(title); }
  DrawingView* create_drawing(const std::string&) override {
    auto c = std::make_unique<FakeChild>();
    c->view = std::make_unique<DrawingView>(c.get());
    c->view->set_client_size(500, 400);
    children.push_back(std::move(c));
    return children.back()->view.get();
  }
  void destroy_drawing(DrawingView* v) override {
    for (size_t i = 0; i < children.size(); ++i)
      if (children[i]->view.get() == v) {
        children.erase(children.begin() + static_cast<std::ptrdiff_t>(i));
        if (main) main->drawing_destroyed(v);
        return;
      }
  }
  void set_caption(DrawingView*, const std::string&) override {}
  int drawing_count() const override { return static_cast<int>(children.size()); }
  std::vector<DrawingView*> drawings() const override {
    std::vector<DrawingView*> r;
    for (auto& c : children) r.push_back(c->view.get());
    return r;
  }
  void repaint(DrawingView*) override { ++repaints; }
  void cascade() override {}
  void tile() override {}
  void arrange_icons() override {}
  void minimize(DrawingView*) override {}
  void error_message(const std::string& text) override { messages.push_back(text); }
  SaveAnswer ask_save_changes(const std::string& name) override {
    questions.push_back(name);
    if (answers.empty()) return SaveAnswer::Cancel;
    SaveAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  int layer_number_dialog() override {
    ++layer_asked;
    return layer;
  }
  void times_dialog(float s) override { times.push_back(s); }
  bool apertures_dialog() override { return true; }
  void about_dialog() override {}
  void help() override { ++helps; }
  void close_main() override { main_closed = true; }
  void show_units(int u) override { shown_units = u; }
  void menu_state_changed() override {}

  // Delivers the queued notifications of every window, as the event loop
  // would after the command returned.
  void deliver() {
    for (auto& c : children)
      while (!c->queue.empty()) {
        auto [m, w] = c->queue.front();
        c->queue.pop_front();
        if (m == WM_DB_REFRESH) c->view->refresh_info();
        if (m == WM_DB_UNDOSTATE && main) main->undo_state(c->view.get(), w);
      }
  }

 private:
  FileChoice next(const std::string& title) {
    dialog_titles.push_back(title);
    if (files.empty()) return {};
    FileChoice c = files.front();
    files.pop_front();
    return c;
  }
};

class FakeDialogs : public DialogHost {
 public:
  std::string approximation = "14";
  std::string max_elements;  // the options' "Maximum elements"
  std::string group = ",";   // the locale's thousands separator
  std::vector<std::string> calls;
  void print(DrawingView*) override { calls.push_back("print"); }
  void editor(DrawingView*) override { calls.push_back("editor"); }
  void page_setup(DrawingView*) override { calls.push_back("page_setup"); }
  void pen(DrawingView*) override { calls.push_back("pen"); }
  void no_selection(DrawingView*) override { calls.push_back("no_selection"); }
  void options() override { calls.push_back("options"); }
  void hatch(DrawingView*, bool inset) override { calls.push_back(inset ? "inset" : "hatch"); }
  std::string approximation_text() override { return approximation; }
  std::string max_elements_text() override { return max_elements; }
  std::string group_separator() override { return group; }
  void apply_units(int) override {}
};

// The main window's logic over the fake layer.
struct Program {
  FakeLayer layer;
  FakeDialogs dialogs;
  MainWindow main{layer, dialogs};
  Program() { layer.main = &main; }
  FileChoice choice(const std::string& path, int index) { return FileChoice{true, path, index}; }
};

// Writes text to a file.
inline void write_file(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// A small HPGL drawing: two separate squares.
inline const char* two_squares_hpgl() {
  return "IN;SP1;PU0,0;PD400,0,400,400,0,400,0,0;PU2000,0;PD2400,0,2400,400,2000,400,2000,0;PU;";
}

}  // namespace sessiontest

#endif
