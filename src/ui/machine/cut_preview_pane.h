#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

#include "core/cut/cut_point_file.h"

namespace orvane::ui {

// One face of the cut in the execution window: the foam block's outline with
// its dimensions and the cut path of one profile inside it, or a message.
// Both panes share the points and the block, so they draw at one scale.
class CutPreviewPane : public QWidget {
 public:
  // `side` 0 draws X1, Y1 ("Profil 1"); 1 draws X2, Y2 ("Profil 2").
  CutPreviewPane(int side, QWidget* parent = nullptr);

  void Clear();
  // A message in red, and below it lines in green.
  void ShowMessage(const QString& message, const QStringList& details = {});
  void ShowCut(std::shared_ptr<const std::vector<CutPointRecord>> points,
               const QString& dimensions);
  void SetBlock(int widthMm, int heightMm, bool fits);

  const QString& Message() const { return message_; }
  const QStringList& Details() const { return details_; }
  bool BlockFits() const { return fits_; }
  bool ShowsPath() const { return points_ != nullptr && message_.isEmpty(); }

  QSize sizeHint() const override { return {440, 330}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int side_;
  QString message_;
  QStringList details_;
  std::shared_ptr<const std::vector<CutPointRecord>> points_;
  CutPointExtent extent_;
  QString dimensions_;
  int blockWidth_ = 100, blockHeight_ = 100;
  bool fits_ = true;
};

}  // namespace orvane::ui
