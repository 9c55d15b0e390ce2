#include "ui/machine/cut_preview_pane.h"

#include <QPainter>
#include <QPainterPath>

#include "core/machine/cut_preview_layout.h"

namespace orvane::ui {
namespace {

constexpr int kMargin = 34;  // room for the dimensions around the block

}  // namespace

CutPreviewPane::CutPreviewPane(int side, QWidget* parent) : QWidget(parent), side_(side) {
  setMinimumSize(300, 230);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CutPreviewPane::Clear() {
  message_.clear();
  details_.clear();
  points_.reset();
  dimensions_.clear();
  update();
}

void CutPreviewPane::ShowMessage(const QString& message, const QStringList& details) {
  Clear();
  message_ = message;
  details_ = details;
  update();
}

void CutPreviewPane::ShowCut(std::shared_ptr<const std::vector<CutPointRecord>> points,
                             const QString& dimensions) {
  Clear();
  points_ = std::move(points);
  extent_ = PointExtent(*points_);
  dimensions_ = dimensions;
  update();
}

void CutPreviewPane::SetBlock(int widthMm, int heightMm, bool fits) {
  blockWidth_ = widthMm;
  blockHeight_ = heightMm;
  fits_ = fits;
  update();
}

void CutPreviewPane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.setPen(QColor(160, 160, 160));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.setPen(Qt::black);
  painter.drawText(8, 16, side_ == 0 ? QStringLiteral("Profil 1") : QStringLiteral("Profil 2"));

  if (!message_.isEmpty()) {
    // Under the caption, not in the middle: while the user browses, the open
    // dialog sits over the middle of both previews.
    const int top = 28;
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::red);
    painter.drawText(QRect(0, top, width(), 18), Qt::AlignCenter, message_);
    painter.setPen(QColor(0, 150, 0));
    for (int i = 0; i < details_.size(); ++i) {
      painter.drawText(QRect(0, top + 18 * (i + 1), width(), 18), Qt::AlignCenter, details_[i]);
    }
    return;
  }
  if (!points_) return;

  painter.setRenderHint(QPainter::Antialiasing);
  const CutPreviewLayout layout =
      LayoutCutPreview(extent_, blockWidth_, blockHeight_, width(), height(), kMargin);
  const QRectF block(layout.blockLeft, layout.blockTop, layout.blockWidth, layout.blockHeight);
  painter.setPen(QPen(fits_ ? QColor(90, 90, 90) : Qt::red, fits_ ? 1 : 2));
  painter.fillRect(block, QColor(255, 250, 225));
  painter.drawRect(block);

  // The block's dimensions, above and to the right of its outline.
  painter.setPen(fits_ ? Qt::black : Qt::red);
  painter.drawText(QRectF(block.left(), block.top() - 18, block.width(), 16), Qt::AlignCenter,
                   QStringLiteral("%1 mm").arg(blockWidth_));
  painter.save();
  painter.translate(block.right() + 14, block.center().y());
  painter.rotate(90);
  painter.drawText(QRectF(-40, -12, 80, 16), Qt::AlignCenter,
                   QStringLiteral("%1 mm").arg(blockHeight_));
  painter.restore();

  QPainterPath path;
  const size_t x = side_ == 0 ? 0 : 2;
  for (size_t i = 0; i < points_->size(); ++i) {
    const QPointF p(layout.PixelX((*points_)[i][x]), layout.PixelY((*points_)[i][x + 1]));
    if (i == 0) {
      path.moveTo(p);
    } else {
      path.lineTo(p);
    }
  }
  painter.setPen(QPen(side_ == 0 ? QColor(0, 0, 220) : QColor(0, 150, 0), 1.5));
  painter.drawPath(path);
  if (!points_->empty()) {
    // The wire's entry point.
    painter.setBrush(Qt::red);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(path.elementAt(0), 3, 3);
  }

  painter.setPen(Qt::black);
  painter.drawText(QRect(8, height() - 20, width() - 16, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Cotes = ") + dimensions_);
}

}  // namespace orvane::ui
