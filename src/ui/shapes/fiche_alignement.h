#pragma once

#include <QDialog>
#include <memory>

#include "core/shapes/alignment.h"

class QLabel;
class QPushButton;
class QTimer;

namespace orvane::ui {

class TFormImport;

// Both adjusted profiles over each other, their lead-in points on one spot.
class AlignOverlay : public QWidget {
 public:
  explicit AlignOverlay(QWidget* parent = nullptr);
  void SetProfiles(const PointRows* adjusted1, const PointRows* adjusted2);
  QSize sizeHint() const override { return {520, 420}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const PointRows* rows_[2] = {};
};

// "Orvane - Alignement des profils": shifts each profile relative to its own
// lead-in point, in X and Y, while both are drawn over each other.
class TFormAligne : public QDialog {
 public:
  explicit TFormAligne(TFormImport* project);

  // Opens modally; true when the shifts were applied.
  bool Run();
  // One press of a shift button (G1, D1, H1, B1, G2, D2, H2, B2).
  void ButtonDown(QPushButton* button, bool shift, bool ctrl);
  void ButtonUp();
  void AppliqueClick();
  void AnnulerClick();

  QPushButton *G1 = nullptr, *D1 = nullptr, *H1 = nullptr, *B1 = nullptr;
  QPushButton *G2 = nullptr, *D2 = nullptr, *H2 = nullptr, *B2 = nullptr;
  QLabel *DecX1 = nullptr, *DecY1 = nullptr, *DecX2 = nullptr, *DecY2 = nullptr;
  QLabel *Titre1 = nullptr, *Titre2 = nullptr;
  QPushButton* Applique = nullptr;
  QPushButton* Annuler = nullptr;
  AlignOverlay* Overlay = nullptr;
  QTimer* Repeat = nullptr;  // steps again while a button is held

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override { AnnulerClick(); }

 private:
  struct Move {
    int profile;
    Axis axis;
    int sign;
  };
  Move MoveOf(const QPushButton* button) const;
  void StepOnce(const Move& move, double step);
  void ShowOffsets();
  void FormClose(bool applied);

  TFormImport* project_;
  std::unique_ptr<AlignmentSession> session_;
  QPushButton* held_ = nullptr;
  bool closing_ = false;
};

}  // namespace orvane::ui
