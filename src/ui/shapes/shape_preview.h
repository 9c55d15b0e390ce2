#pragma once

#include <QWidget>
#include <vector>

#include "core/project/profile.h"
#include "core/shapes/standard_shapes.h"

namespace orvane::ui {

// The generator windows' own preview: profile 1's adjusted outline, its
// start point, and the shape's dimension annotations.
class ShapePreview : public QWidget {
 public:
  explicit ShapePreview(QWidget* parent = nullptr);
  void Show(const PointRows* adjusted, std::vector<DimensionAnnotation> annotations);
  QSize sizeHint() const override { return {340, 340}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const PointRows* rows_ = nullptr;
  std::vector<DimensionAnnotation> annotations_;
};

}  // namespace orvane::ui
