#pragma once

#include <QDialog>
#include <QWidget>

#include "core/cut/projection.h"
#include "ui/app/app_context.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace orvane::ui {

class TFormProjection;

// One of the two views: the guides, the block and the wire at the points.
class ProjectionView : public QWidget {
 public:
  ProjectionView(TFormProjection* window, bool frontView, QWidget* parent);
  QSize sizeHint() const override { return {500, 500}; }
  void Draw(QPainter& painter);
  // Moves the position one step when the block would cross a guide; true when it did.
  bool KeepBlockInside();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Geometry {
    int capacity;
    double scale, guide1, guide2, blockCentre, left, right;
  };
  Geometry Layout() const;

  TFormProjection* window_;
  bool frontView_;
};

// "Calcul des projections": the paths of the wire guides for the two profiles.
class TFormProjection : public QDialog {
 public:
  explicit TFormProjection(AppContext& context, QWidget* parent = nullptr);

  // Opens for the two raw tables and the Cote fields; true when applied, the
  // projected rows then in `Projected1`/`Projected2`.
  bool Run(const PointRows& raw1, const PointRows& raw2, const double (&dimensions)[4]);

  void RecomputeProjection();
  void Defaut1Click();
  void Defaut2Click();
  void EditEpaisseurChange();
  void EditDistanceEnter();

  QLineEdit* EditEpaisseur = nullptr;
  QSpinBox* UpDown1 = nullptr;
  QLineEdit* EditDistance = nullptr;
  QLabel* LabelLongFil = nullptr;
  QLabel* LabelCapaX = nullptr;
  QLabel* LabelCapaY = nullptr;
  QLabel *OldX1 = nullptr, *OldY1 = nullptr, *OldX2 = nullptr, *OldY2 = nullptr;
  QLabel *PanelDimX1 = nullptr, *PanelDimY1 = nullptr, *PanelDimX2 = nullptr, *PanelDimY2 = nullptr;
  QLabel* PanelNewSize = nullptr;
  ProjectionView* Preview1 = nullptr;
  ProjectionView* Preview2 = nullptr;
  QPushButton* Defaut1 = nullptr;
  QPushButton* Defaut2 = nullptr;
  QPushButton* Appliquer = nullptr;
  QPushButton* Annuler = nullptr;

  const ProjectionResult& Result() const { return result_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class ProjectionView;
  void DrawViews();
  bool KeepBlockInViews();

  AppContext& context_;
  const PointRows* raw1_ = nullptr;
  const PointRows* raw2_ = nullptr;
  double dimensions_[4] = {};
  ProjectionResult result_;
};

}  // namespace orvane::ui
