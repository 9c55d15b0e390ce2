#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <vector>

#include "core/project/profile.h"

namespace orvane::ui {

// A point table ("Point", "X", "Y") over a profile's rows; the rows stay in
// the core profile, the view only reads them.
class ProfileTableModel : public QAbstractTableModel {
 public:
  ProfileTableModel(const PointRows* rows, const std::vector<int>* lockedRows, bool raw,
                    QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The rows changed wholesale.
  void Reload();

  // Whether a row's number cell shows a duplicate, and whether a row is locked.
  static constexpr int kDuplicateRole = Qt::UserRole + 1;
  static constexpr int kLockedRole = Qt::UserRole + 2;

 private:
  bool Locked(int row) const;

  const PointRows* rows_;
  const std::vector<int>* lockedRows_;
  bool raw_;
};

// Draws a point table's cells: a duplicate's number stays orange and a
// locked row green (dark green with white text when selected) whatever the
// selection, which the style's own highlight would hide.
class ProfileCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

}  // namespace orvane::ui
