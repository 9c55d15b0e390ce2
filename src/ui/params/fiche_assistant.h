#pragma once

#include <QDialog>
#include <array>
#include <optional>

#include "core/params/feed_wizard.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orvane::ui {

class MechanicsPicture;

// The mechanics dialog of the steps wizard: the travel per motor revolution
// of a screw or a belt, driven directly or through one or two gear stages.
class TFormAssistant : public QDialog {
 public:
  explicit TFormAssistant(QWidget* parent = nullptr);

  // Shows the dialog modally, centred on the screen. The unrounded travel
  // when " Appliquer" closed it, nothing on " Annuler".
  std::optional<double> Run();

  // Choosing an entry: its group, its edits and their starting values.
  void SelectMechanics(Mechanics mechanics);
  Mechanics Selected() const { return selected_; }
  // " Actualiser": shows the travel and the reduction, or why there are none.
  TravelResult ComputeTravelPerRevolution();
  void AppliquerClick();

  std::array<QRadioButton*, 6> Mecanique{};
  QGroupBox* GroupeAxial = nullptr;
  QGroupBox* GroupeRadial = nullptr;
  QLineEdit* EditPA = nullptr;  // screw pitch
  QLineEdit *EditMA1 = nullptr, *EditCA1 = nullptr, *EditMA2 = nullptr, *EditCA2 = nullptr;
  QLineEdit* EditER = nullptr;  // pulley teeth
  QLineEdit* EditPR = nullptr;  // belt pitch
  QLineEdit *EditMR1 = nullptr, *EditCR1 = nullptr, *EditMR2 = nullptr, *EditCR2 = nullptr;
  QLineEdit* Avancement = nullptr;
  QLineEdit* Rapport = nullptr;
  QLabel* LabelRefus = nullptr;
  QPushButton* Appliquer = nullptr;
  QPushButton* Annuler = nullptr;
  QPushButton* Actualiser = nullptr;
  MechanicsPicture* Picture = nullptr;

 private:
  void BuildControls();
  QGroupBox* BuildGroup(bool radial);
  void Use(QLineEdit* edit, const char* text);
  void Unuse(QLineEdit* edit);

  Mechanics selected_ = Mechanics::AxialDirect;
  std::optional<double> applied_;
  bool filling_ = false;
};

}  // namespace orvane::ui
