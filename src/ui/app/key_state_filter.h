#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <array>

#include "core/app/host_services.h"

namespace orvane::ui {

// Keeps the pressed state of the keys long work polls (Space, Escape, arrows,
// Shift, Ctrl, F11). Current whenever pending events have been processed.
class KeyStateFilter : public QObject, public KeyState {
 public:
  explicit KeyStateFilter(QObject* parent = nullptr);
  bool IsKeyDown(Key key) const override { return down_[static_cast<size_t>(key)]; }

  // After a stop: every key held now (the space bar held in a hurry) has its
  // auto-repeats dropped until it is released, so that they cannot answer the
  // question that follows or press the buttons of the windows behind it.
  void DropRepeatsOfHeldKeys() {
    held_ = pressed_;
    releasedAt_.clear();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<bool, 9> down_{};
  QSet<int> pressed_;  // every key down, by Qt key code
  QSet<int> held_;     // down at the last stop and not released since
  // A held key's last release and when it came: a press at the same moment
  // is the system's auto-repeat, even when not flagged as such.
  QHash<int, quint64> releasedAt_;
};

// The program's filter behind `keys`, or none (a test's own key state).
void DropRepeatsOfHeldKeys(KeyState* keys);

}  // namespace orvane::ui
