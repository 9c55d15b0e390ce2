#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvane::ui {

// The small input window of the operations that need a number. Modes, odd
// for profile 1 and even for profile 2: 1-2 coefficient, 3-4 "Confondre",
// 5-6 moving the locked points, 7-8 dividing segments, 9-10 the cutting
// width, 11-12 rotation.
class TFormSaisie : public QDialog {
 public:
  explicit TFormSaisie(QWidget* parent = nullptr);

  // Shows the window for `mode`; true on "Appliquer" with acceptable values.
  bool Run(int mode);
  double Value1() const;
  double Value2() const;
  bool Checked() const;
  int Mode() const { return mode_; }

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* Appliquer = nullptr;
  QPushButton* Annuler = nullptr;
  // Shown when the cutting width is out of range; set by the project window.
  std::function<void(const std::string&)> warn;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AppliquerClick();
  int mode_ = 1;
};

}  // namespace orvane::ui
