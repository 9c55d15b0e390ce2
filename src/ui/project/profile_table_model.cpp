#include "ui/project/profile_table_model.h"

#include <QBrush>
#include <QColor>
#include <QGuiApplication>
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

}  // namespace orvane::ui
