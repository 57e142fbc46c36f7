// Where the editor and progress windows go on the screen, and what the
// progress window shows while the document reports its progress.
#ifndef KALVEX_SESSION_WINDOW_PLACE_H
#define KALVEX_SESSION_WINDOW_PLACE_H

#include <string>

namespace kalvex::session {

struct WindowPlace {
  int left = 0, top = 0;
  bool operator==(const WindowPlace&) const = default;
};

// ---- the editor window ----
// Client size.
constexpr int kEditorWidth = 162;
constexpr int kEditorHeight = 232;
// left = screen width - window width - 30, top = screen height - window
// height - 200, never above or left of the screen's corner.
WindowPlace editor_place(int screen_width, int screen_height, int window_width = kEditorWidth,
                         int window_height = kEditorHeight);

// ---- the progress window (TInfo_Hatch) ----
constexpr int kProgressWidth = 349;
constexpr int kProgressHeight = 68;

// The progress window of one long operation: made on the document's start
// report, moved across the screen by the fraction on each tick, freed on
// the end report. Starts and ends are counted, so that the end report of
// one operation, handled while a second one runs, does not free the second
// one's window.
class ProgressWindow {
 public:
  ProgressWindow(int screen_width, int screen_height) : sw_(screen_width), sh_(screen_height) {}
  // The screen the window goes on (taken at each start).
  void set_screen(int width, int height) {
    sw_ = width;
    sh_ = height;
  }

  // The document's start report: true when a window is to be made (none
  // was shown), placed at start_place().
  bool start();
  // A tick with fraction f (0..1): true when the window moved or its text
  // changed, so that it needs painting.
  bool tick(double f);
  // The end report (handled after the operation returned): true when the
  // window is to be freed.
  bool end();
  // An operation is running: between its start report and its end.
  bool busy() const { return started_ > ended_; }
  bool shown() const { return shown_; }

  // left = 0, top = (screen height - window height) / 2.
  WindowPlace start_place() const;
  // left = trunc(screen width x f + 10), kept where the whole window stays
  // on the screen.
  int left_for(double f) const;
  WindowPlace place() const { return place_; }
  // The text: the percentage done.
  const std::string& text() const { return text_; }

 private:
  int sw_, sh_;
  long started_ = 0, ended_ = 0;
  bool shown_ = false;
  WindowPlace place_;
  std::string text_;
};

}  // namespace kalvex::session

#endif
