#include "ui/project/preview_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include "core/common/text_number.h"

namespace orvane::ui {
namespace {

const QColor kReference(85, 85, 85);
const QColor kOutline(187, 187, 187);

int DensityStep(const MachineSettings& s) {
  return static_cast<int>(ParseInteger(s.Densite).value_or(1));
}

}  // namespace

PreviewWidget::PreviewWidget(const MachineSettings* settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
  setMinimumSize(200, 200);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewWidget::ShowBrowsed(std::vector<double> xs, std::vector<double> ys) {
  browsedX_ = std::move(xs);
  browsedY_ = std::move(ys);
  message_.clear();
  overOutline_ = false;
  update();
}

void PreviewWidget::ShowMessage(const QString& message) {
  browsedX_.clear();
  browsedY_.clear();
  message_ = message;
  overOutline_ = false;
  update();
}

void PreviewWidget::ShowBrowsedWithMessage(const QString& message) {
  message_ = message;
  overOutline_ = true;
  update();
}

void PreviewWidget::ClearBrowsed() {
  browsedX_.clear();
  browsedY_.clear();
  message_.clear();
  overOutline_ = false;
  update();
}

void PreviewWidget::DrawReferences(QPainter& painter) {
  const int w = width(), h = height();
  QPen pen(kReference);
  pen.setStyle(Qt::DashDotLine);
  painter.setPen(pen);
  painter.drawLine(0, h / 2, w, h / 2);
  painter.drawLine(w / 2, 0, w / 2, h);
  const int mx = static_cast<int>(w * 0.02), my = static_cast<int>(h * 0.02);
  painter.drawRect(mx, my, w - 2 * mx, h - 2 * my);
  painter.setPen(QColor(170, 170, 170));
  painter.setBrush(QColor(170, 170, 170));
  const QPoint corner[] = {{2, h - 3}, {2, h - 11}, {10, h - 3}};
  painter.drawPolygon(corner, 3);
  painter.setBrush(Qt::NoBrush);
}

void PreviewWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  auto writeMessage = [&] {
    QFont font = painter.font();
    font.setPointSize(10);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, message_);
  };
  if (!message_.isEmpty() && !overOutline_) {
    writeMessage();
    return;
  }
  if (!browsedX_.empty()) {
    // The browsed file: its own extent, yellow, no markers.
    double minX = browsedX_[0], maxX = minX, minY = browsedY_[0], maxY = minY;
    for (size_t i = 0; i < browsedX_.size(); ++i) {
      minX = std::min(minX, browsedX_[i]), maxX = std::max(maxX, browsedX_[i]);
      minY = std::min(minY, browsedY_[i]), maxY = std::max(maxY, browsedY_[i]);
    }
    PreviewTransform t =
        MakePreviewTransform({maxX - minX, maxY - minY}, width(), height(), 1, 1, 0, 0);
    QPolygon outline(static_cast<int>(browsedX_.size()));
    for (size_t i = 0; i < browsedX_.size(); ++i) {
      auto [x, y] = t.Map(browsedX_[i] - minX, browsedY_[i] - minY);
      outline.setPoint(static_cast<int>(i), x, y);
    }
    painter.setPen(Qt::yellow);
    painter.drawPolyline(outline);
    if (overOutline_) writeMessage();
    return;
  }
  if (!profile_ || !profile_->Present()) {
    if (settings_->Reperes) DrawReferences(painter);
    return;
  }
  const PointRows& rows = profile_->adjusted;
  const PreviewTransform t = Transform();
  QPolygon outline(static_cast<int>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    auto [x, y] = t.Map(CellNumber(rows[i].x), CellNumber(rows[i].y));
    outline.setPoint(static_cast<int>(i), x, y);
  }
  if (panning_) {
    // While panning only the outline is drawn.
    painter.setPen(QColor(96, 181, 255));
    painter.drawPolyline(outline);
    return;
  }
  if (settings_->Reperes) DrawReferences(painter);
  painter.setPen(kOutline);
  painter.drawPolyline(outline);

  if (settings_->Points) {
    std::vector<bool> locked(rows.size() + 1, false);
    for (int row : profile_->LockedRows) {
      if (row >= 1 && static_cast<size_t>(row) <= rows.size()) locked[row] = true;
    }
    const int step = DensityStep(*settings_);
    const bool range = profile_->selectionBottom > profile_->selectionTop;
    for (int row = 1; row <= static_cast<int>(rows.size()); ++row) {
      if (!HasMarker(row, step)) continue;
      const QPoint p = outline.point(row - 1);
      const bool selected =
          range && row >= profile_->selectionTop && row <= profile_->selectionBottom;
      const QColor colour = selected      ? QColor(255, 255, 0)
                            : locked[row] ? QColor(0, 255, 0)
                                          : QColor(255, 0, 0);
      painter.setPen(colour);
      if (settings_->Taille == "1") {
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRect(p.x() - 2, p.y() - 2, 5, 5));
      } else if (settings_->Taille == "3") {
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRect(p.x() - 1, p.y() - 1, 3, 3));
      } else {
        painter.fillRect(QRect(p.x() - 1, p.y() - 1, 3, 3), colour);
      }
    }
  }
  const int current = profile_->currentRow;
  if (current >= 1 && current <= static_cast<int>(rows.size())) {
    const QPoint p = outline.point(current - 1);
    painter.fillRect(QRect(p.x() - 2, p.y() - 2, 5, 5), Qt::yellow);
  }
  if (dragging_) {
    painter.setPen(QColor(85, 85, 85));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(pressAt_, lastAt_).normalized());
  }
}

PreviewTransform PreviewWidget::Transform() const {
  return MakePreviewTransform(ProfileExtent(profile_->adjusted, true), width(), height(), zoom_,
                              factor_, panX_, panY_);
}

QPoint PreviewWidget::ScreenPosition(int row) const {
  const PointText& cell = profile_->adjusted[row - 1];
  auto [x, y] = Transform().Map(CellNumber(cell.x), CellNumber(cell.y));
  return {x, y};
}

int PreviewWidget::Tolerance() const {
  // Stored in reverse order: "0" is the finest pointer.
  static const int kPixels[4] = {0, 2, 4, 6};
  const auto precision = ParseInteger(settings_->Precision).value_or(1);
  return kPixels[std::clamp<int64_t>(precision, 0, 3)];
}

std::vector<int> PreviewWidget::RowsIn(QRect area, int t) const {
  std::vector<int> found;
  if (!profile_ || !profile_->Present()) return found;
  const PreviewTransform transform = Transform();
  area = area.normalized();
  for (size_t i = 0; i < profile_->adjusted.size(); ++i) {
    const PointText& cell = profile_->adjusted[i];
    auto [x, y] = transform.Map(CellNumber(cell.x), CellNumber(cell.y));
    if (x - t <= area.right() && area.left() <= x + t + 1 && y - t <= area.bottom() &&
        area.top() <= y + t + 1) {
      found.push_back(static_cast<int>(i) + 1);
    }
  }
  return found;
}

void PreviewWidget::mousePressEvent(QMouseEvent* event) {
  if (!profile_ || !profile_->Present() || event->button() == Qt::RightButton) return;
  pressAt_ = lastAt_ = event->position().toPoint();
  const bool space = keys_ && keys_->IsKeyDown(Key::Space);
  if (event->button() == Qt::MiddleButton || space) {
    panning_ = true;
    setCursor(Qt::SizeAllCursor);
    return;
  }
  const std::vector<int> hits = RowsIn(QRect(pressAt_, pressAt_), Tolerance());
  if (onPick) onPick(hits.empty() ? 0 : hits.back(), event->modifiers() & Qt::ShiftModifier);
  dragging_ = true;
}

void PreviewWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (panning_) {
    panX_ += (at.x() - lastAt_.x()) / zoom_;
    panY_ += (at.y() - lastAt_.y()) / zoom_;
  }
  lastAt_ = at;
  if (panning_ || dragging_) update();
}

void PreviewWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (panning_) {
    panning_ = false;
    unsetCursor();
    update();
    return;
  }
  if (!dragging_) return;
  dragging_ = false;
  lastAt_ = event->position().toPoint();
  if ((lastAt_ - pressAt_).manhattanLength() > 2 && onRectangle) {
    onRectangle(RowsIn(QRect(pressAt_, lastAt_), Tolerance()),
                event->modifiers() & Qt::ControlModifier);
  }
  update();
}

}  // namespace orvane::ui
