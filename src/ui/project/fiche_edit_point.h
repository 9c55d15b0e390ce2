#pragma once

#include <QDialog>
#include <string>

#include "core/project/profile.h"

class QLabel;
class QLineEdit;

namespace orvane::ui {

// "Edition des coordonnées" of the current point.
class TFormEditPoint : public QDialog {
 public:
  explicit TFormEditPoint(QWidget* parent = nullptr);
  // True on "Appliquer"; the new texts are then in `NewX` and `NewY`.
  bool Run(const std::string& x, const std::string& y);
  std::string NewX() const;
  std::string NewY() const;

  QLabel* OldX = nullptr;
  QLabel* OldY = nullptr;
  QLineEdit* EditNewX = nullptr;
  QLineEdit* EditNewY = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// "Propriétés du dessin" of one profile.
class TFormProprietes : public QDialog {
 public:
  explicit TFormProprietes(QWidget* parent = nullptr);
  void Run(int profile, const Profile& p);
  QLabel* Values[6] = {};
};

}  // namespace orvane::ui
