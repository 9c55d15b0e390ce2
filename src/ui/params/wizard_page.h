#pragma once

#include <QWidget>
#include <functional>

#include "core/params/feed_wizard.h"
#include "ui/app/app_context.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvane::ui {

class TFormAssistant;

// The "  Assistant" page of the parameters window: the computer's clock and
// counter, and the steps per millimetre and step period worked out from the
// motors, the drivers, the mechanics and the wanted speed.
class WizardPage : public QWidget {
  Q_OBJECT

 public:
  // "Appliquer" hands the motors page the steps and period for its four
  // axes; the owner puts them into the step and period edits, empties the
  // global edits, saves the motors page, sets `SerialParamsChanged` and saves
  // the machine page (which stores Values()).
  using ApplyToMotors = std::function<void(const FeedApplication&)>;

  WizardPage(AppContext& context, ApplyToMotors applyToMotors, QWidget* parent = nullptr);

  // The parameters window's opening: the computer's fields, the four inputs
  // from the settings in memory, a recalculation; "Appliquer" and
  // "  Restaurer" off.
  void FormShow();
  // The wizard values as the machine page stores them, from the inputs now shown.
  WizardValues Values() const;
  // The travel found by the mechanics dialog, unrounded.
  void SetTravel(double travel);

  void RecalculateFeed();
  void ResultAppliquerClick();
  void AssistantRestaurerClick();
  void ActualiserClick();
  void DemultiplicationClick();

  QLabel* LabelFrequence = nullptr;  // "0.000 GHz"
  QLabel* LabelProcesseur = nullptr;
  QLabel* LabelCompteur = nullptr;  // "Présent" / "Absent"
  QPushButton* Actualiser = nullptr;
  QGroupBox* GroupeCalcul = nullptr;
  QLineEdit* EditType = nullptr;
  QComboBox* ComboMode = nullptr;
  QLineEdit* EditDemult = nullptr;
  QPushButton* Demultiplication = nullptr;
  QLineEdit* EditVitesseS = nullptr;
  QLineEdit* EditRapport = nullptr;
  QLineEdit* EditResolution = nullptr;
  QLabel* LabelDelai = nullptr;  // "Période  ="
  QLineEdit* EditDelai = nullptr;
  QLineEdit* EditVmaxAdmiseS = nullptr;
  QLabel* LabelRefus = nullptr;  // why the result cannot be applied
  QPushButton* Recalculer = nullptr;
  QPushButton* ResultAppliquer = nullptr;
  QPushButton* AssistantRestaurer = nullptr;
  QPushButton* ConfigFermer = nullptr;
  TFormAssistant* Assistant = nullptr;

 signals:
  // "     Fermer    ": the parameters window's closing check.
  void closeRequested();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  FeedInputs ReadInputs() const;
  void ShowComputer();
  void FillInputs();
  void InputChanged();
  void ShowResult(const FeedResult& result);

  AppContext& context_;
  ApplyToMotors applyToMotors_;
  FeedResult result_;
  // The travel behind the shown "%.2f" text, so a travel from the mechanics
  // dialog is used whole as long as its text is not edited.
  double travelExact_ = 1;
  QString travelShown_;
  bool changed_ = false;
  bool filling_ = false;
};

}  // namespace orvane::ui
