#pragma once

#include <QColor>
#include <QString>

class QPainter;

namespace orvane::ui {

// The dimension annotations of the shape previews: a dotted line with short
// arrow strokes at both ends and its label centred over it; the vertical
// line's label is turned by 90 degrees.
void DrawHorizontalDimension(QPainter& painter, int x1, int x2, int y, const QString& label,
                             const QColor& colour);
void DrawVerticalDimension(QPainter& painter, int y1, int y2, int x, const QString& label,
                           const QColor& colour);
// Text at an angle in tenths of a degree, counter-clockwise, anchored at its
// top left corner as a font escapement draws it.
void DrawAngledText(QPainter& painter, int x, int y, int tenths, const QString& text);

}  // namespace orvane::ui
