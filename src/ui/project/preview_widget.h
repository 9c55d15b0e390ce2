#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "core/app/machine_settings.h"
#include "core/project/preview.h"
#include "core/project/profile.h"

namespace orvane::ui {

// The square preview of one profile: its adjusted outline with markers, the
// current point, and while a file is browsed, that file's outline in yellow
// or the reason it cannot be read.
class PreviewWidget : public QWidget {
 public:
  PreviewWidget(const MachineSettings* settings, QWidget* parent = nullptr);

  void SetProfile(const Profile* profile) { profile_ = profile; }
  void SetSizeFactor(double factor) { factor_ = factor; }
  void SetZoom(double zoom) { zoom_ = zoom; }
  double Zoom() const { return zoom_; }
  void Centre() { panX_ = panY_ = 0; }
  // Shows a browsed file's points instead of the profile.
  void ShowBrowsed(std::vector<double> xs, std::vector<double> ys);
  void ShowMessage(const QString& message);
  // Keeps the browsed outline and writes `message` over it.
  void ShowBrowsedWithMessage(const QString& message);
  void ClearBrowsed();
  void SetCleared(bool cleared) { cleared_ = cleared; }

  QSize sizeHint() const override { return {380, 380}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void DrawReferences(QPainter& painter);

  const MachineSettings* settings_;
  const Profile* profile_ = nullptr;
  double factor_ = 1;
  double zoom_ = 1;
  double panX_ = 0, panY_ = 0;
  bool cleared_ = false;
  std::vector<double> browsedX_, browsedY_;
  QString message_;
  bool overOutline_ = false;
};

}  // namespace orvane::ui
