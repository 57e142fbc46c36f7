// TMDIChild: the drawing window. A thin Qt widget over the drawing view's
// logic (<session/drawing_view.h>): it translates paint, resize, mouse and
// key events, receives its document's notifications, and paints the
// drawing once into a back buffer over which the rubber band is drawn with
// an inverting pen, so that a drag never repaints the drawing itself.
#ifndef KALVEX_APP_MDI_CHILD_H
#define KALVEX_APP_MDI_CHILD_H

#include <session/drawing_view.h>

#include <QEvent>
#include <QImage>
#include <QMdiSubWindow>
#include <QWidget>

class TMainForm;

// A document notification delivered through the event loop (posted ones).
class DbNotifyEvent : public QEvent {
 public:
  static QEvent::Type type();
  DbNotifyEvent(int msg, std::intptr_t wp) : QEvent(type()), message(msg), wparam(wp) {}
  int message;
  std::intptr_t wparam;
};

class TMDIChild : public QWidget, public DbNotifyTarget {
 public:
  TMDIChild(TMainForm* form, const kalvex::session::PenSetting& pen);
  ~TMDIChild() override;

  kalvex::session::DrawingView& view() { return view_; }
  // The drawing changed: paint it again into the buffer.
  void invalidate();
  // Updates the cursor for the tool chosen in the main window.
  void tool_changed(kalvex::session::Tool tool);
  // The back buffer as painted last (for tests and the benchmarks).
  const QImage& buffer() const { return buffer_; }
  // Renders the back buffer now if it is out of date.
  void ensure_buffer();

  // DbNotifyTarget
  void SendNotify(int message, std::intptr_t wparam) override;
  void PostNotify(int message, std::intptr_t wparam) override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void customEvent(QEvent* e) override;

 private:
  void handle(int message, std::intptr_t wparam);
  QRect band_rect() const;

  TMainForm* form_;
  kalvex::session::DrawingView view_;
  QImage buffer_;
  bool dirty_ = true;
  bool new_segment_ = false;  // draw the line tool's segment into the buffer
};

// The frame of a drawing window inside the main window's area. Closing it
// asks about unsaved changes first, unless the main window already did.
class TMDIFrame : public QMdiSubWindow {
 public:
  TMDIFrame(TMainForm* form, TMDIChild* child);
  TMDIChild* child() const { return child_; }
  // The question was asked (or is not to be asked): the next close goes on.
  void confirm_close() { confirmed_ = true; }

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  TMainForm* form_;
  TMDIChild* child_;
  bool confirmed_ = false;
};

#endif
