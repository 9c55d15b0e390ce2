#pragma once

#include <QDialog>

#include "core/project/profile.h"
#include "core/shapes/grooves.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orvane::ui {

class TFormImport;
class ShapePreview;

// "Orvane - Nouvelle forme : rainure": a slot of one of four models, kerf
// included, computed as profile 1 and copied to profile 2 on "Valider".
class TFormRainures : public QDialog {
 public:
  explicit TFormRainures(TFormImport* project);

  bool Run();
  int Model() const;
  GrooveValues Values() const;

  void EditLargeurExit(QLineEdit* edit);
  // "Valider" and the four model buttons; `finish` for "Valider".
  void ValiderClick(bool finish);
  void Apercu1Click(bool checked);
  void AnnulerClick();

  QRadioButton *Modele1 = nullptr, *Modele2 = nullptr, *Modele3 = nullptr, *Modele4 = nullptr;
  QLineEdit *EditLargeur = nullptr, *EditHauteur = nullptr, *EditProfondeur = nullptr,
            *EditTrait = nullptr, *EditFuite = nullptr;
  QLabel* LabelHauteur = nullptr;
  QLabel* Probleme = nullptr;  // why the last value was refused
  QCheckBox* Apercu1 = nullptr;
  QPushButton* Valider = nullptr;
  QPushButton* Annuler = nullptr;
  ShapePreview* Preview = nullptr;

 protected:
  void reject() override { AnnulerClick(); }

 private:
  void FormShow();
  bool Generate();
  void ModelClick(QRadioButton* model);

  TFormImport* project_;
  Profile saved_;
  struct Field {
    QLineEdit* edit;
    double GrooveValues::*value;
    QLabel* note;  // why the value shown is not the one typed
  };
  std::vector<Field> fields_;
  GrooveValues accepted_;  // the sizes of the last path made
  QRadioButton* acceptedModel_ = nullptr;
};

}  // namespace orvane::ui
