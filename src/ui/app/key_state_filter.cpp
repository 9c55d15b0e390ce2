#include "ui/app/key_state_filter.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <optional>

namespace orvane::ui {
namespace {

// A release and a press this close (in milliseconds) are one auto-repeat of
// a key still down: the system sends both with the same time.
constexpr quint64 kRepeatGap = 5;

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
    if (s != Qt::ApplicationActive) {
      down_.fill(false);
      pressed_.clear();
      held_.clear();
      releasedAt_.clear();
    }
  });
}

void DropRepeatsOfHeldKeys(KeyState* keys) {
  if (auto* filter = dynamic_cast<KeyStateFilter*>(keys)) filter->DropRepeatsOfHeldKeys();
}

bool KeyStateFilter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::WindowUnblocked) {
    // Qt drops the keys addressed to a window a modal question blocks: a key
    // released before the question took the keyboard (a quick tap of the
    // space bar that stopped a run) would stay down and stop the resumed run
    // at once. Held keys keep their repeats dropped.
    down_.fill(false);
    pressed_.clear();
    return QObject::eventFilter(watched, event);
  }
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) {
    return QObject::eventFilter(watched, event);
  }
  auto* keyEvent = static_cast<QKeyEvent*>(event);
  const int code = keyEvent->key();
  if (held_.contains(code)) {
    if (keyEvent->isAutoRepeat()) {
      // A shortcut is claimed so that the press which follows comes here.
      if (type == QEvent::ShortcutOverride) event->accept();
      return true;
    }
    if (type == QEvent::KeyRelease) {
      // Released, unless a press follows at the same moment.
      releasedAt_.insert(code, keyEvent->timestamp());
      pressed_.remove(code);
      if (auto key = Tracked(code)) down_[static_cast<size_t>(*key)] = false;
      return QObject::eventFilter(watched, event);
    }
    const auto released = releasedAt_.constFind(code);
    const bool repeat =
        released == releasedAt_.cend() || keyEvent->timestamp() - *released <= kRepeatGap;
    if (repeat) {
      if (type == QEvent::ShortcutOverride) {
        event->accept();
        return true;
      }
      pressed_.insert(code);
      if (auto key = Tracked(code)) down_[static_cast<size_t>(*key)] = true;
      return true;
    }
    // Pressed again after a real release: a deliberate key.
    if (type == QEvent::KeyPress) {
      held_.remove(code);
      releasedAt_.remove(code);
    }
  }
  if (type == QEvent::ShortcutOverride || keyEvent->isAutoRepeat()) {
    return QObject::eventFilter(watched, event);
  }
  if (type == QEvent::KeyPress) {
    pressed_.insert(code);
  } else {
    pressed_.remove(code);
  }
  if (auto key = Tracked(code)) down_[static_cast<size_t>(*key)] = type == QEvent::KeyPress;
  return QObject::eventFilter(watched, event);
}

}  // namespace orvane::ui
