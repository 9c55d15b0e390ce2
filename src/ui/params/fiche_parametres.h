#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/params/feed_wizard.h"
#include "core/params/motor_test.h"
#include "core/params/param_rules.h"
#include "ui/app/app_context.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace orvane::ui {

class SpeedSpin;
class Diagram;
class MotorTestGroup;
class OutputTestGroup;
class WizardPage;
class TFormMemo;

// The CNC parameters: motors, machine, ports and folders, page by page, each
// saved on its own; the settings in memory stay those of the store until a
// page is saved.
class TFormParametres : public QDialog {
 public:
  explicit TFormParametres(AppContext& context, QWidget* parent = nullptr);

  // Shows the window modally, centred on the screen; returns when it has
  // closed. The settings in memory are then those of the store.
  int Run();

  AppContext& Context() { return context_; }

  static constexpr int kPages = 4;  // the pages with the four buttons
  QTabWidget* PageControl1 = nullptr;
  std::array<QWidget*, 5> TabSheets{};
  std::array<QPushButton*, kPages> ParDefaut{}, Restaurer{}, Enregistrer{}, Fermer{};
  QPushButton* ConfigFermer = nullptr;  // the fifth page's
  // The embedded pieces: the motor tests, the output test, the wizard page.
  MotorTestGroup* Essais = nullptr;
  OutputTestGroup* TestSortie = nullptr;
  WizardPage* Assistant = nullptr;
  QPushButton* Memo = nullptr;  // "    Mémo"
  void SetMemoWindow(TFormMemo* memo);

  // Motors page, axes in the order X1 Y1 X2 Y2.
  std::array<QCheckBox*, 4> Inverse{};
  std::array<QLineEdit*, 4> StepEdits{};    // X1pas ...
  std::array<QLineEdit*, 4> PeriodEdits{};  // X1vitesse ...
  std::array<QLabel*, 4> VcutLabels{}, VmaxLabels{}, FmaxLabels{};
  QLineEdit *GlobalPas = nullptr, *GlobalVitesse = nullptr;
  QPushButton* GlobalAppliquer = nullptr;
  QLabel* LabelVmoy = nullptr;

  // Machine page.
  QLineEdit *DistX = nullptr, *DistY = nullptr, *DimFil = nullptr, *DimFilMax = nullptr;
  QSpinBox* UpDownPente = nullptr;
  SpeedSpin *UpDownVmax = nullptr, *UpDownVmin = nullptr;
  QPushButton* VminEgalVcut = nullptr;
  QScrollBar* Pourcentage = nullptr;
  QLabel *Percent = nullptr, *LabelHaut = nullptr, *LabelBas = nullptr;
  Diagram *Schema1 = nullptr, *Schema2 = nullptr;

  // Ports page.
  std::array<QRadioButton*, 4> RadioGroupPort{};  // parallel, serial, board, GRBL
  QGroupBox *ParallelGroup = nullptr, *SerialGroup = nullptr, *BitsGroup = nullptr;
  QGroupBox *HeatGroup = nullptr, *HoldGroup = nullptr;
  QLineEdit* AdresseIO = nullptr;
  QComboBox *SerialPortName = nullptr, *SerialBaud = nullptr, *SerialData = nullptr,
            *SerialParity = nullptr, *SerialStop = nullptr;
  QComboBox* GrblBaud = nullptr;  // the GRBL link's rate, shown instead of SerialBaud
  std::array<std::array<QRadioButton*, 4>, 4> AxisBits{};  // [axis][pair]: X1bits ...
  std::array<QRadioButton*, 4> HeatBits{}, HoldBits{};     // "BIT 8" .. "BIT 11"
  QCheckBox *ActChauffe = nullptr, *InvChauffe = nullptr;
  QLineEdit* PreChauffe = nullptr;
  QCheckBox *ActCouple = nullptr, *InvCouple = nullptr, *LibCouple = nullptr;
  QLabel* SerialProblem = nullptr;

  // System page: projects, drawings, cuts, exports.
  std::array<QLineEdit*, 4> FolderEdits{};
  std::array<QPushButton*, 4> Parcourir{}, Nouveau{}, DossierCourant{};

  // The message panel of the machine and ports pages.
  std::array<QLabel*, kPages> MessagePanels{};

  bool Modified(ParamPage page) const { return modified_[Index(page)]; }
  void DefaultClick(ParamPage page);
  void RestoreClick(ParamPage page);
  // False when the page could not be saved (a refused value, told in a box).
  bool SaveClick(ParamPage page);
  // A page's "Fermer", or the window's: asks about unsaved pages first.
  void CloseClick(ParamPage page);
  void GlobalAppliquerClick();
  // Gives `axis` the bit pair `pair` at once, swapping with the axis that held it.
  void BitPairClick(int axis, int pair);
  void BrowseFolder(int folder);
  void NewFolder(int folder);

  // The motors page's steps and periods as shown (0 for an empty edit).
  std::array<int, 4> ShownSteps() const;
  std::array<int, 4> ShownPeriods() const;
  MotorEdits ShownEdits() const;
  SerialParams ShownSerial() const;
  // The wizard's results: written into the four axes, then the motors and the
  // machine pages saved (the machine page stores the wizard's values).
  bool ApplyWizardResult(int steps, int periodUs);
  // While a motor test runs every other control is disabled (the test group
  // itself discards left clicks).
  void SetTesting(bool testing);
  bool Testing() const { return testing_; }

  static int Index(ParamPage page) { return static_cast<int>(page); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  QWidget* BuildMotorsPage();
  QWidget* BuildMachinePage();
  QWidget* BuildPortsPage();
  QWidget* BuildSystemPage();
  QWidget* BuildWizardPage();
  QWidget* PageButtons(ParamPage page, QWidget* parent);
  void FormShow();

  // Fills a page from `settings` (the store's values or a page's defaults).
  void FillPage(ParamPage page, const MachineSettings& settings);
  // The page's values as shown, over a copy of the settings in memory.
  MachineSettings ReadPage(ParamPage page) const;
  void SetModified(ParamPage page, bool modified);
  // Any edit of a page; `boardValue` for the values the board receives.
  void Changed(ParamPage page, bool boardValue = false);
  // The page from the store (memory follows), as its "Restaurer".
  void ReloadPage(ParamPage page);
  // `ConfirmUnsavedPages`: true when the window may close.
  bool ConfirmUnsavedPages();

  void FillPortsPage(const MachineSettings& settings);
  void ReadPortsPage(MachineSettings& settings) const;
  bool SaveGrblBaud();
  void ShowMotorSpeeds();
  void ShowMachineSpeeds();
  void ShowDutyCycle();
  void ShowLink();
  void ShowBitPairs();
  void WireFieldLeft(QLineEdit* edit, bool fil);
  int LinkShown() const;
  void RestOnIdleImage();
  double StoredVcut() const;

  AppContext& context_;
  std::array<bool, kPages> modified_{};
  bool filling_ = false;
  bool testing_ = false;
  bool closing_ = false;
  // The controls a motor test disabled, with the state each takes back.
  std::vector<std::pair<QWidget*, bool>> remembered_;
  // The stored Vcut the machine page's speeds are fractions of.
  double machineVcut_ = 0;
  TFormMemo* memo_ = nullptr;
};

}  // namespace orvane::ui
