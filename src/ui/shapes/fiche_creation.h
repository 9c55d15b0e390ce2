#pragma once

#include <QDialog>

#include "core/project/profile.h"
#include "core/shapes/standard_shapes.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace orvane::ui {

class TFormImport;
class ShapePreview;

// "Orvane - Nouvelle forme": one of the fifteen standard shapes, computed as
// profile 1 while its dimensions are edited, copied to profile 2 on "Valider".
class TFormCreation : public QDialog {
 public:
  explicit TFormCreation(TFormImport* project);

  // Opens the window modally for shape `code`; true when validated.
  bool Run(int code);
  int Code() const { return code_; }
  ShapeValues Values() const;

  // The exit logic of a dimension edit.
  void EditLargeurExit(QLineEdit* edit);
  void UpDown1Click(int value);
  void UpDown2Click(int value);
  void Apercu1Click(bool checked);
  void ValiderClick(bool finish);
  void AnnulerClick();

  QGroupBox* GroupBox1 = nullptr;
  QLineEdit *EditLargeur = nullptr, *EditLargeur2 = nullptr, *EditHauteur = nullptr,
            *EditChanfrein = nullptr, *EditRayon = nullptr, *EditRayon2 = nullptr;
  QLabel* LabelChanfrein = nullptr;
  QSpinBox* UpDown1 = nullptr;  // "Côtés"
  QSpinBox* UpDown2 = nullptr;  // "Révolution", degrés
  QCheckBox* Apercu1 = nullptr;
  QPushButton* Valider = nullptr;
  QPushButton* Annuler = nullptr;
  ShapePreview* Preview = nullptr;

 protected:
  void reject() override { AnnulerClick(); }

 private:
  struct Field {
    QLineEdit* edit;
    QWidget* row;  // label and edit, shown together
    unsigned bit;
    double ShapeValues::*value;
    QLabel* note;  // why the value shown is not the one typed
  };
  void FormShow();
  void Generate();
  void WriteField(const Field& field, double value);

  TFormImport* project_;
  int code_ = 0;
  Profile saved_;  // profile 1 as the window found it
  std::vector<Field> fields_;
  ShapeValues accepted_;  // the values of the last shape made
  QWidget* cotesRow_ = nullptr;
  QWidget* revolutionRow_ = nullptr;
  int previousCotes_ = 0;
};

}  // namespace orvane::ui
