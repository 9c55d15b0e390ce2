#pragma once

#include <QSpinBox>
#include <QWidget>
#include <functional>

class QPainter;

namespace orvane::ui {

// An up-down whose position stands for a speed: the position times `scale`
// shown with two decimals. The arrows move it; the text cannot be typed.
class SpeedSpin : public QSpinBox {
 public:
  SpeedSpin(int minimum, int maximum, QWidget* parent);
  void SetScale(double scale);
  double Speed() const { return value() * scale_; }

 protected:
  QString textFromValue(int value) const override;
  int valueFromText(const QString& text) const override;

 private:
  double scale_ = 0;
};

// A drawing redrawn from the window's values.
class Diagram : public QWidget {
 public:
  Diagram(QSize size, std::function<void(QPainter&, QRect)> draw, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::function<void(QPainter&, QRect)> draw_;
};

}  // namespace orvane::ui
