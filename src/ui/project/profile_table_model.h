#pragma once

#include <QAbstractTableModel>
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

 private:
  bool Locked(int row) const;

  const PointRows* rows_;
  const std::vector<int>* lockedRows_;
  bool raw_;
};

}  // namespace orvane::ui
