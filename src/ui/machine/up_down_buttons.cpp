#include "ui/machine/up_down_buttons.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace orvane::ui {

UpDownButtons::UpDownButtons(int minimum, int maximum, int value, QWidget* parent)
    : QWidget(parent), minimum_(minimum), maximum_(maximum), value_(value) {
  Up = new QToolButton(this);
  Down = new QToolButton(this);
  Up->setArrowType(Qt::UpArrow);
  Down->setArrowType(Qt::DownArrow);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* b : {Up, Down}) {
    b->setAutoRepeat(true);
    b->setFixedSize(18, 12);
    layout->addWidget(b);
  }
  connect(Up, &QToolButton::clicked, this, [this] { StepBy(1); });
  connect(Down, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void UpDownButtons::SetValue(int value) {
  value_ = std::clamp(value, minimum_, maximum_);
}

void UpDownButtons::StepBy(int delta) {
  const int before = value_;
  SetValue(value_ + delta);
  if (value_ != before && onChanged) onChanged(value_);
}

}  // namespace orvane::ui
