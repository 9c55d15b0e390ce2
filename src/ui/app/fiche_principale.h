#pragma once

#include <QWidget>

#include "ui/app/app_context.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace orvane::ui {

class TFormImport;

// The start-up window: host checks and folders, settings load, a short
// progress bar, then the project window; it stays hidden for the whole run
// and releases the machine's outputs when the program ends.
class TMainForm : public QWidget {
 public:
  static constexpr int SplashTicks = 80;

  explicit TMainForm(AppContext& context);

  // Creation handler; false when the program must stop.
  bool FormCreate();
  void SetProjectWindow(TFormImport* window) { projectWindow_ = window; }
  // Ends the run as a clean exit does, from wherever it is.
  void OrderlyClose();

  QProgressBar* ProgressBar1 = nullptr;
  QLabel* LabelVersion = nullptr;
  QTimer* Timer1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void FormShow();
  void Timer1Timer();
  void FormClose();

  AppContext& context_;
  TFormImport* projectWindow_ = nullptr;
  uint16_t ticks_ = 0;
  bool created_ = false;
  bool closeRequested_ = false;
  bool shown_ = false;
  bool closed_ = false;
};

}  // namespace orvane::ui
