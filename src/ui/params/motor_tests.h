#pragma once
// The motor and output tests of the parameters window: the " ESSAIS MOTEURS "
// group of the motors page and the output test of the ports page. Each is a
// widget the window embeds; a test runs inside its handler with the window
// kept responsive and only the space bar acting until it ends.

#include <QGroupBox>
#include <array>
#include <functional>
#include <memory>

#include "core/machine/serial_link.h"
#include "core/params/motor_test.h"
#include "ui/app/app_context.h"

class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;

namespace orvane {
class HeatGuard;
}

namespace orvane::ui {

class LeftClickDiscarder;

// The twelve test buttons with their options, the distance, the stop panel,
// the measured speed and the heating indicator.
class MotorTestGroup : public QGroupBox {
  Q_OBJECT

 public:
  // `shownEdits` reads the motors page's step and period edits as they stand
  // (saved or not); the rest comes from `context.settings`.
  MotorTestGroup(AppContext& context, std::function<MotorEdits()> shownEdits,
                 QWidget* parent = nullptr);
  ~MotorTestGroup() override;

  // In the order of `kMotorTestButtons`, named `TestX1G` ...
  std::array<QPushButton*, 12> Tests{};
  QPushButton* Test(PadButton button) const;
  QRadioButton *AvanceRapide = nullptr, *AvanceUsinage = nullptr;
  QRadioButton *ArretImmediat = nullptr, *ArretProgressif = nullptr;
  QRadioButton *ChauffeActive = nullptr, *ChauffeInactive = nullptr;
  QSlider* TrackBarDistanceTest = nullptr;  // 1 to 200 mm, `DepTest`
  QLabel* LabelDistance = nullptr;
  QLabel* ESC = nullptr;  // "BARRE D'ESPACE" / "ATU = SWITCH"
  QLabel* PanelPrechauffe = nullptr;
  QLabel *LabelVitesse = nullptr, *VitesseConstatee = nullptr, *LabelMmSec = nullptr;
  QLabel* Voyant = nullptr;  // the heating indicator

  // The window's show handler (and the motors page's "Restaurer"): options
  // back to "Rapide", "Immédiat", "Inactive", the speed hidden, the distance
  // from `DepTest`, the indicator as the settings say.
  void Reset();
  // A test button's handler (`RunMotorTest`); true when the test ran to its end.
  bool RunMotorTest(PadButton button);
  bool Running() const { return running_; }
  MotorTestOptions Options() const;

 signals:
  // `BeginTest` (true) and `EndTest` (false): the window disables and
  // re-enables its other controls (page tabs, global values, page buttons).
  void testRunning(bool running);

 private:
  void BuildControls();
  void BeginTest(const MotorTestOptions& options);
  void EndTest();
  void ApplyAvance();
  void ShowLamp(bool visible, bool on);
  void ShowSpeed(const MotorTestResult& result, uint32_t distanceMm);
  MotorTestResult RunOnSteps(const MachineSettings& test, const JogMove& move,
                             const MotorTestOptions& options);
  MotorTestResult RunOnBoard(const MachineSettings& test, const JogMove& move,
                             const MotorTestOptions& options);

  AppContext& context_;
  std::function<MotorEdits()> shownEdits_;
  std::unique_ptr<LeftClickDiscarder> discarder_;
  bool running_ = false;
};

// The ports page's output test: "TEST" (`TestByte2`) switches the outputs
// while it is held down and, on the USB link, reads the board's
// identification into `ListBoxKeldrino`; `PanelTest` says "MARCHE" / "ARRET".
// The link is the one in memory.
class OutputTestGroup : public QGroupBox {
  Q_OBJECT

 public:
  // `shownSerial` reads the page's five serial selectors as they stand;
  // null: those in memory.
  OutputTestGroup(AppContext& context, std::function<SerialParams()> shownSerial = {},
                  QWidget* parent = nullptr);
  ~OutputTestGroup() override;

  QPushButton* TestByte2 = nullptr;
  QLabel* PanelTest = nullptr;
  // Laid out under the button; the window may place it elsewhere.
  QListWidget* ListBoxKeldrino = nullptr;

  void TestByte2MouseDown();
  void TestByte2MouseUp();
  // The ports page's "Enregistrer" on the USB link: a press and a release
  // 150 ms apart, so the list shows what the board holds after the save.
  void RefreshBoardInformation();
  // The ports page shown with the USB link: "CLIQUEZ SUR TEST".
  void ShowPrompt();
  bool Held() const { return held_; }

 signals:
  // The identification found a board, or none (`BoardPresent`).
  void boardPresenceChanged(bool present);

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void ShowPanel(bool on);

  AppContext& context_;
  std::function<SerialParams()> shownSerial_;
  std::unique_ptr<HeatGuard> guard_;
  bool held_ = false;
};

}  // namespace orvane::ui
