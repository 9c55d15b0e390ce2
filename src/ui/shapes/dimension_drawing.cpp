#include "ui/shapes/dimension_drawing.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace orvane::ui {

void DrawAngledText(QPainter& painter, int x, int y, int tenths, const QString& text) {
  painter.save();
  painter.translate(x, y);
  painter.rotate(-tenths / 10.0);
  painter.drawText(0, painter.fontMetrics().ascent(), text);
  painter.restore();
}

void DrawHorizontalDimension(QPainter& painter, int x1, int x2, int y, const QString& label,
                             const QColor& colour) {
  if (x1 > x2) std::swap(x1, x2);
  painter.save();
  QPen dotted(colour);
  dotted.setStyle(Qt::DotLine);
  painter.setPen(dotted);
  painter.drawLine(x1, y, x2, y);
  painter.setPen(QPen(colour));
  painter.drawLine(x1, y, x1 + 4, y - 3);
  painter.drawLine(x1, y, x1 + 4, y + 3);
  painter.drawLine(x2, y, x2 - 4, y - 3);
  painter.drawLine(x2, y, x2 - 4, y + 3);
  const int width = painter.fontMetrics().horizontalAdvance(label);
  painter.drawText((x1 + x2 - width) / 2, y - 4, label);
  painter.restore();
}

void DrawVerticalDimension(QPainter& painter, int y1, int y2, int x, const QString& label,
                           const QColor& colour) {
  if (y1 > y2) std::swap(y1, y2);
  painter.save();
  QPen dotted(colour);
  dotted.setStyle(Qt::DotLine);
  painter.setPen(dotted);
  painter.drawLine(x, y1, x, y2);
  painter.setPen(QPen(colour));
  painter.drawLine(x, y1, x - 3, y1 + 4);
  painter.drawLine(x, y1, x + 3, y1 + 4);
  painter.drawLine(x, y2, x - 3, y2 - 4);
  painter.drawLine(x, y2, x + 3, y2 - 4);
  const QFontMetrics metrics = painter.fontMetrics();
  const int width = metrics.horizontalAdvance(label);
  // Turned by 90 degrees, reading upwards, just left of the line.
  DrawAngledText(painter, x - 4 - metrics.height(), (y1 + y2 + width) / 2, 900, label);
  painter.restore();
}

}  // namespace orvane::ui
