#include "key_filter.h"

#include "main_form.h"

#include <QKeyEvent>
#include <QWindow>

using namespace kalvex::session;

KeyFilter::KeyFilter(TMainForm* form) : QObject(form), form_(form) {}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
  // Each input event reaches the main window's top-level window once
  // before it goes to a widget; dialogs have windows of their own.
  if (!watched->isWindowType() || watched != form_->windowHandle()) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto* k = static_cast<QKeyEvent*>(event);
      MainKey main = MainKey::Other;
      Key key = Key::Other;
      switch (k->key()) {
        case Qt::Key_Control: main = MainKey::Ctrl; break;
        case Qt::Key_F1: main = MainKey::F1; break;
        case Qt::Key_O: main = MainKey::O; break;
        case Qt::Key_I:
          main = MainKey::I;
          key = Key::I;
          break;
        case Qt::Key_Delete: key = Key::Delete; break;
        case Qt::Key_A: key = Key::A; break;
        case Qt::Key_M: key = Key::M; break;
        case Qt::Key_Z: key = Key::Z; break;
        default: break;
      }
      unsigned mods = 0;
      if (k->modifiers() & Qt::ShiftModifier) mods |= kShift;
      if (k->modifiers() & Qt::ControlModifier) mods |= kCtrl;
      if (k->modifiers() & Qt::AltModifier) mods |= kAlt;
      return form_->logic().key_down(main, key, mods);
    }
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel: form_->logic().other_message(); return false;
    default: return false;
  }
}
