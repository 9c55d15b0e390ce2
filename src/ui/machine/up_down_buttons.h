#pragma once

#include <QWidget>
#include <functional>

class QToolButton;

namespace orvane::ui {

// A pair of arrow buttons that step a whole number within bounds, for an
// edit beside it; held down, they repeat.
class UpDownButtons : public QWidget {
 public:
  UpDownButtons(int minimum, int maximum, int value, QWidget* parent = nullptr);

  int Value() const { return value_; }
  // Sets the value (kept within bounds) without calling `onChanged`.
  void SetValue(int value);
  void StepBy(int delta);

  QToolButton* Up = nullptr;
  QToolButton* Down = nullptr;
  std::function<void(int value)> onChanged;

 private:
  int minimum_, maximum_, value_;
};

}  // namespace orvane::ui
