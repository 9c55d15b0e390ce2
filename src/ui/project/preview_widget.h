#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "core/app/host_services.h"
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
  const QString& Message() const { return message_; }

  QSize sizeHint() const override { return {380, 380}; }

  // Mouse selection: a click picks the last point within the pointer
  // precision (from the current row with Shift; nothing hit collapses the
  // selection); a drag draws a rubber band whose points are selected, or
  // locked with Ctrl; the middle button, or the left one with Space, pans.
  std::function<void(int row, bool shift)> onPick;
  std::function<void(const std::vector<int>& rows, bool ctrl)> onRectangle;
  void SetKeys(const KeyState* keys) { keys_ = keys; }
  // Rows whose markers lie within `tolerance` pixels of the rectangle.
  std::vector<int> RowsIn(QRect area, int tolerance) const;
  int Tolerance() const;
  QPoint ScreenPosition(int row) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void DrawReferences(QPainter& painter);

  const MachineSettings* settings_;
  const Profile* profile_ = nullptr;
  double factor_ = 1;
  double zoom_ = 1;
  double panX_ = 0, panY_ = 0;
  std::vector<double> browsedX_, browsedY_;
  QString message_;
  const KeyState* keys_ = nullptr;
  QPoint pressAt_, lastAt_;
  bool dragging_ = false, panning_ = false;
  PreviewTransform Transform() const;
  bool overOutline_ = false;
};

}  // namespace orvane::ui
