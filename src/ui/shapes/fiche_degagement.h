#pragma once

#include <QDialog>

#include "core/shapes/lead_in.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace orvane::ui {

// "Orvane - Choix du dégagement": the direction (one of eight images, outside
// the profile or from its end point) and the length of a lead-in.
class TFormDegagement : public QDialog {
 public:
  explicit TFormDegagement(QWidget* parent = nullptr);

  // Shows the dialog; true when a direction was chosen.
  bool Run();
  // The last choice, kept until the next use; direction 0 when cancelled.
  LeadInOptions Options() const { return options_; }

  void ImageClick(int direction);
  void RadioButton1Click();
  void CheckBox3Click();
  void AnnulerClick();

  QLineEdit* EditLongueur = nullptr;
  QLabel* LongueurRefusee = nullptr;     // why a length was refused, beside it
  QRadioButton* RadioButton1 = nullptr;  // "Externe"
  QRadioButton* RadioButton2 = nullptr;  // "Interne"
  QCheckBox* CheckBox3 = nullptr;        // both profiles
  QCheckBox* CheckBox2 = nullptr;        // adjust the length
  QToolButton* ImageE[8] = {};           // Image1e..Image8e
  QToolButton* ImageI[8] = {};           // Image1i..Image8i
  QPushButton* Annuler = nullptr;

 protected:
  void reject() override { AnnulerClick(); }

 private:
  void FormShow();
  LeadInOptions options_;
};

}  // namespace orvane::ui
