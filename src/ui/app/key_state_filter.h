#pragma once

#include <QObject>
#include <array>

#include "core/app/host_services.h"

namespace orvane::ui {

// Keeps the pressed state of the keys long work polls (Space, Escape, arrows,
// Shift, Ctrl, F11). Current whenever pending events have been processed.
class KeyStateFilter : public QObject, public KeyState {
 public:
  explicit KeyStateFilter(QObject* parent = nullptr);
  bool IsKeyDown(Key key) const override { return down_[static_cast<size_t>(key)]; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<bool, 9> down_{};
};

}  // namespace orvane::ui
