#include "ui/params/params_widgets.h"

#include <QLineEdit>
#include <QPainter>
#include <cmath>

namespace orvane::ui {

SpeedSpin::SpeedSpin(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
  setRange(minimum, maximum);
  lineEdit()->setReadOnly(true);
  setMinimumWidth(90);
}

void SpeedSpin::SetScale(double scale) {
  scale_ = scale;
  // The text follows the new scale at the same position.
  const int position = value();
  blockSignals(true);
  setValue(position == minimum() ? maximum() : minimum());
  setValue(position);
  blockSignals(false);
}

QString SpeedSpin::textFromValue(int value) const {
  return QString::asprintf("%.2f", value * scale_);
}

int SpeedSpin::valueFromText(const QString& text) const {
  if (!(scale_ > 0)) return value();
  return static_cast<int>(std::lround(text.toDouble() / scale_));
}

Diagram::Diagram(QSize size, std::function<void(QPainter&, QRect)> draw, QWidget* parent)
    : QWidget(parent), draw_(std::move(draw)) {
  setFixedSize(size);
}

void Diagram::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), Qt::white);
  painter.setPen(QColor(160, 160, 160));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (draw_) draw_(painter, rect().adjusted(8, 8, -8, -8));
}

}  // namespace orvane::ui
