#include "ui/shapes/shape_preview.h"

#include <QPainter>
#include <QPolygon>

#include "core/project/preview.h"
#include "ui/shapes/dimension_drawing.h"

namespace orvane::ui {

ShapePreview::ShapePreview(QWidget* parent) : QWidget(parent) {
  setMinimumSize(260, 260);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ShapePreview::Show(const PointRows* adjusted, std::vector<DimensionAnnotation> annotations) {
  rows_ = adjusted;
  annotations_ = std::move(annotations);
  update();
}

void ShapePreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!rows_ || rows_->size() < 2) return;
  const auto extent = ProfileExtent(*rows_, true);
  // Room around the outline for the dimension lines.
  const PreviewTransform t = MakePreviewTransform(extent, width(), height(), 1, 0.78, 0, 0);
  QPolygon outline(static_cast<int>(rows_->size()));
  for (size_t i = 0; i < rows_->size(); ++i) {
    auto [x, y] = t.Map(CellNumber((*rows_)[i].x), CellNumber((*rows_)[i].y));
    outline.setPoint(static_cast<int>(i), x, y);
  }
  painter.setPen(QColor(187, 187, 187));
  painter.drawPolyline(outline);
  painter.fillRect(outline.point(0).x() - 2, outline.point(0).y() - 2, 5, 5, Qt::yellow);
  const QColor colour(96, 181, 255);
  constexpr int kOffset = 18;
  for (const DimensionAnnotation& a : annotations_) {
    const QString label = QString::fromStdString(a.label);
    if (a.vertical) {
      auto [x, y1] = t.Map(a.at, a.from);
      const int y2 = t.Map(a.at, a.to).second;
      DrawVerticalDimension(painter, y1, y2, x + a.side * kOffset, label, colour);
    } else {
      auto [x1, y] = t.Map(a.from, a.at);
      const int x2 = t.Map(a.to, a.at).first;
      // Screen y grows downwards: "below" is a larger y.
      DrawHorizontalDimension(painter, x1, x2, y - a.side * kOffset, label, colour);
    }
  }
}

}  // namespace orvane::ui
