#include "mdi_child.h"

#include "main_form.h"

#include <canvas/canvas.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

using namespace kalvex::session;

QEvent::Type DbNotifyEvent::type() {
  static const QEvent::Type t = static_cast<QEvent::Type>(QEvent::registerEventType());
  return t;
}

namespace {

unsigned modifiers_of(Qt::KeyboardModifiers m) {
  unsigned r = 0;
  if (m & Qt::ShiftModifier) r |= kShift;
  if (m & Qt::ControlModifier) r |= kCtrl;
  if (m & Qt::AltModifier) r |= kAlt;
  return r;
}

// The band's pixels: its outline and, for a line, its end points.
constexpr int kBandSlack = 2;

}  // namespace

TMDIChild::TMDIChild(TMainForm* form, const PenSetting& pen) : form_(form), view_(this, pen) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
  setMinimumSize(50, 50);
  tool_changed(form_ ? form_->logic().tool() : Tool::Select);
}

TMDIChild::~TMDIChild() {
  // Notifications still queued for this window are dropped with it.
  QCoreApplication::removePostedEvents(this, DbNotifyEvent::type());
}

void TMDIChild::invalidate() {
  dirty_ = true;
  update();
}

void TMDIChild::tool_changed(Tool tool) {
  setCursor(tool == Tool::Select ? Qt::CrossCursor : Qt::ArrowCursor);
}

void TMDIChild::ensure_buffer() {
  const QSize want = size();
  if (!dirty_ && buffer_.size() == want) return;
  if (buffer_.size() != want) buffer_ = QImage(want, QImage::Format_RGB32);
  dirty_ = false;
  new_segment_ = false;
  if (buffer_.isNull()) return;
  canvas::PainterDC pdc(&buffer_);
  if (!pdc.ok()) return;
  pdc.dc().fill(RGB(255, 255, 255));
  view_.set_client_size(width(), height());
  view_.paint(pdc.dc());
}

QRect TMDIChild::band_rect() const {
  const Band& b = view_.band();
  if (b.empty) return {};
  return QRect(QPoint(std::min(b.left, b.right), std::min(b.top, b.bottom)),
               QPoint(std::max(b.left, b.right), std::max(b.top, b.bottom)))
      .adjusted(-kBandSlack, -kBandSlack, kBandSlack, kBandSlack);
}

void TMDIChild::paintEvent(QPaintEvent* e) {
  ensure_buffer();
  if (new_segment_) {
    // The line just drawn shows at once; the document's refresh repaints
    // the whole drawing after.
    new_segment_ = false;
    canvas::PainterDC pdc(&buffer_);
    if (pdc.ok() && view_.apply_view_mapping(pdc.dc())) view_.draw_new_segment(pdc.dc());
  }
  QPainter p(this);
  p.drawImage(e->rect(), buffer_, e->rect());
  const Band& b = view_.band();
  if (b.empty) return;
  // The band in device pixels with the inverting pen: a dashed blue frame,
  // or a solid line for the line tool.
  canvas::QtDeviceContext dc(p);
  dc.SetROP2(R2_NOTXORPEN);
  HGDIOBJ old_brush = dc.SelectObject(GetStockObject(NULL_BRUSH));
  const LOGBRUSH blue{BS_SOLID, RGB(0, 0, 255), 0};
  HPEN pen = b.line ? ExtCreatePen(PS_COSMETIC | PS_SOLID, 1, &blue, 0, nullptr)
                    : ExtCreatePen(PS_GEOMETRIC | PS_DASH, 1, &blue, 0, nullptr);
  HGDIOBJ old_pen = dc.SelectObject(pen);
  if (b.line) {
    dc.MoveToEx(b.left, b.top, nullptr);
    dc.LineTo(b.right, b.bottom);
  } else {
    dc.Rectangle(b.left, b.top, b.right, b.bottom);
  }
  if (old_pen) dc.SelectObject(old_pen);
  if (old_brush) dc.SelectObject(old_brush);
  DeleteObject(pen);
}

void TMDIChild::resizeEvent(QResizeEvent*) {
  view_.set_client_size(width(), height());
  invalidate();
}

void TMDIChild::mousePressEvent(QMouseEvent* e) {
  view_.set_client_size(width(), height());
  const QPoint p = e->position().toPoint();
  view_.mouse_press(p.x(), p.y(), form_->logic().tool());
}

void TMDIChild::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  const QRect before = band_rect();
  const QChar point = QLocale().decimalPoint().at(0);
  const std::string text =
      view_.mouse_move(p.x(), p.y(), form_->logic().tool(), point.toLatin1() ? point.toLatin1() : '.');
  form_->show_cursor_position(QString::fromStdString(text));
  const QRect after = band_rect();
  if (!before.isNull() || !after.isNull()) update(before.united(after));
}

void TMDIChild::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  const QRect before = band_rect();
  const Gesture g = view_.mouse_release(p.x(), p.y(), form_->logic().tool(), modifiers_of(e->modifiers()));
  switch (g) {
    case Gesture::ZoomIn:
    case Gesture::ZoomOut: invalidate(); break;
    case Gesture::Line:
      new_segment_ = true;
      update();
      break;
    default:
      if (!before.isNull()) update(before);
      break;
  }
}

void TMDIChild::SendNotify(int message, std::intptr_t wparam) {
  view_.note_issued(message, wparam);
  handle(message, wparam);
}

void TMDIChild::PostNotify(int message, std::intptr_t wparam) {
  view_.note_issued(message, wparam);
  if (form_) form_->drawing_modified(this);
  QCoreApplication::postEvent(this, new DbNotifyEvent(message, wparam));
}

void TMDIChild::customEvent(QEvent* e) {
  if (e->type() != DbNotifyEvent::type()) return;
  const auto* n = static_cast<DbNotifyEvent*>(e);
  handle(n->message, n->wparam);
}

void TMDIChild::handle(int message, std::intptr_t wparam) {
  switch (message) {
    case WM_DB_REFRESH:
      if (wparam >= 1 && wparam <= 3) {
        view_.refresh_info();
        if (form_) form_->show_selection(this);
        invalidate();
      }
      break;
    case WM_DB_REDRAW:
      if (wparam == 2) invalidate();
      break;
    case WM_DB_UNDOSTATE:
      if (form_) form_->logic().undo_state(&view_, wparam);
      break;
    case WM_DB_PROGRESS:
      if (form_) form_->progress(this, wparam);
      break;
    default: break;
  }
}

// ---------------------------------------------------------------------------

TMDIFrame::TMDIFrame(TMainForm* form, TMDIChild* child) : form_(form), child_(child) {
  setWidget(child);
  setAttribute(Qt::WA_DeleteOnClose);
}

void TMDIFrame::closeEvent(QCloseEvent* e) {
  if (!confirmed_ && form_ && !form_->logic().confirm_close(&child_->view())) {
    e->ignore();
    return;
  }
  confirmed_ = true;
  QMdiSubWindow::closeEvent(e);
}
