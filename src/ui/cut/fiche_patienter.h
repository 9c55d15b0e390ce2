#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace orvane::ui {

// The wait window of long computations: what is being done, a progress bar,
// and how to cancel.
class TFormPatienter : public QDialog {
 public:
  explicit TFormPatienter(QWidget* parent = nullptr);

  QLabel* LabelOperation = nullptr;
  QLabel* LabelInfo = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
};

}  // namespace orvane::ui
