#include "ui/app/key_state_filter.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <optional>

namespace orvane::ui {
namespace {

std::optional<Key> Tracked(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Space:
      return Key::Space;
    case Qt::Key_Escape:
      return Key::Escape;
    case Qt::Key_Left:
      return Key::Left;
    case Qt::Key_Right:
      return Key::Right;
    case Qt::Key_Up:
      return Key::Up;
    case Qt::Key_Down:
      return Key::Down;
    case Qt::Key_Shift:
      return Key::Shift;
    case Qt::Key_Control:
      return Key::Ctrl;
    case Qt::Key_F11:
      return Key::F11;
    default:
      return std::nullopt;
  }
}

}  // namespace

KeyStateFilter::KeyStateFilter(QObject* parent) : QObject(parent) {
  // A key released while another application has the focus never reaches us.
  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
    if (s != Qt::ApplicationActive) down_.fill(false);
  });
}

bool KeyStateFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    if (auto key = Tracked(keyEvent->key()); key && !keyEvent->isAutoRepeat()) {
      down_[static_cast<size_t>(*key)] = event->type() == QEvent::KeyPress;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace orvane::ui
