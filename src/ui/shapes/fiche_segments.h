#pragma once

#include <QDialog>

#include "core/project/profile.h"
#include "core/shapes/segments.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orvane::ui {

class TFormImport;
class ShapePreview;

// "Orvane - Nouvelle forme : segment": one straight cut, polar or
// rectangular, one way or there and back, new or appended to profile 1.
class TFormSegment : public QDialog {
 public:
  explicit TFormSegment(TFormImport* project);

  bool Run();
  SegmentValues Values() const;

  void Modele1Click();  // polar
  void Modele2Click();  // rectangular
  void EditExit(QLineEdit* edit);
  void ValiderClick(bool finish);
  void Apercu1Click(bool checked);
  void AnnulerClick();

  QRadioButton *Modele1 = nullptr, *Modele2 = nullptr;
  QLabel *LabelA = nullptr, *LabelB = nullptr, *LabelC = nullptr, *LabelD = nullptr;
  QLineEdit *EditLongueur = nullptr, *EditAngle = nullptr, *EditLargeur = nullptr,
            *EditHauteur = nullptr;
  QRadioButton *AllerSimple = nullptr, *AllerRetour = nullptr;  // RadioGroupMode
  QCheckBox* Ajouter = nullptr;
  QCheckBox* Apercu1 = nullptr;
  QLabel* Probleme = nullptr;
  QPushButton* Valider = nullptr;
  QPushButton* Annuler = nullptr;
  ShapePreview* Preview = nullptr;

 protected:
  void reject() override { AnnulerClick(); }

 private:
  void FormShow();
  void ApplyForm();
  void Generate();

  struct Field {
    QLineEdit* edit;
    double SegmentValues::*value;
    QLabel* note;  // why the value shown is not the one typed
  };
  TFormImport* project_;
  Profile saved_;
  std::vector<Field> fields_;
  SegmentValues accepted_;  // the values of the last segment made
};

}  // namespace orvane::ui
