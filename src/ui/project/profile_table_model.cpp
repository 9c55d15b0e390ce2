#include "ui/project/profile_table_model.h"

#include <QBrush>
#include <QColor>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace orvane::ui {

ProfileTableModel::ProfileTableModel(const PointRows* rows, const std::vector<int>* lockedRows,
                                     bool raw, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows), lockedRows_(lockedRows), raw_(raw) {}

int ProfileTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount(*rows_) - 1;
}

int ProfileTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

bool ProfileTableModel::Locked(int row) const {
  return std::find(lockedRows_->begin(), lockedRows_->end(), row) != lockedRows_->end();
}

QVariant ProfileTableModel::data(const QModelIndex& index, int role) const {
  const size_t i = static_cast<size_t>(index.row());
  const bool hasPoint = i < rows_->size();
  switch (role) {
    case Qt::DisplayRole:
      if (!hasPoint) return {};
      if (index.column() == 0) return index.row() + 1;
      return QString::fromStdString(index.column() == 1 ? (*rows_)[i].x : (*rows_)[i].y);
    case Qt::TextAlignmentRole:
      return index.column() == 0 ? int(Qt::AlignCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      if (!hasPoint) return {};
      if (index.column() == 0) {
        return IsDuplicateRow(*rows_, i) ? QVariant(QBrush(QColor(255, 189, 0))) : QVariant();
      }
      if (Locked(index.row() + 1)) return QBrush(QColor(0, 255, 0));
      return raw_ ? QBrush(Qt::white) : QGuiApplication::palette().brush(QPalette::Window);
    case Qt::ForegroundRole:
      return QBrush(Qt::black);
    case kDuplicateRole:
      return hasPoint && IsDuplicateRow(*rows_, i);
    case kLockedRole:
      return hasPoint && Locked(index.row() + 1);
    default:
      return {};
  }
}

QVariant ProfileTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[] = {"Point", "X", "Y"};
  return section >= 0 && section < 3 ? QString::fromUtf8(kTitles[section]) : QVariant();
}

void ProfileTableModel::Reload() {
  beginResetModel();
  endResetModel();
}

void ProfileCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  const bool focused = option.state & QStyle::State_HasFocus;
  QColor text = Qt::black;
  QBrush background;
  if (index.column() == 0 && index.data(ProfileTableModel::kDuplicateRole).toBool()) {
    background = QColor(255, 189, 0);
  } else if (index.column() > 0 && index.data(ProfileTableModel::kLockedRole).toBool()) {
    background = selected ? QColor(0, 160, 0) : QColor(0, 255, 0);
    if (selected) text = Qt::white;
  } else if (focused) {
    background = QColor(157, 208, 255);
  } else if (selected) {
    background = QColor(255, 255, 0);
  } else {
    background = index.data(Qt::BackgroundRole).value<QBrush>();
  }
  painter->save();
  if (background.style() != Qt::NoBrush) painter->fillRect(option.rect, background);
  painter->setPen(text);
  painter->setFont(option.font);
  const int alignment = index.data(Qt::TextAlignmentRole).toInt();
  painter->drawText(option.rect.adjusted(3, 0, -3, 0), alignment, index.data().toString());
  painter->restore();
}

}  // namespace orvane::ui
