#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "core/machine/manual_move.h"
#include "ui/app/app_context.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;

namespace orvane::ui {

// The manual window drives the motors step by step; a GRBL controller takes
// G-code only, so the command is offered on the other links, and its tips say
// why when it is not.
bool ManualModeOffered(const MachineSettings& settings);
void ExplainManualMode(QPushButton* command, const MachineSettings& settings);

// Manual control: moves the machine by hand with the pad, runs the
// guillotine sequences, keeps and returns to the origin and switches the
// motor hold. Moves run inside their handler, the window kept responsive and
// only the space bar acting until they end.
class TFormManettes : public QDialog {
 public:
  explicit TFormManettes(AppContext& context, QWidget* parent = nullptr);

  // Shows the window modally, centred on `caller`; returns when it has closed.
  int Run(QWidget* caller);

  // The pad, in the order of `PadButton`.
  std::array<QPushButton*, 16> Pad{};
  QPushButton* Button(PadButton button) const { return Pad[static_cast<size_t>(button)]; }
  std::array<QPushButton*, 4> Sequences{};
  QPushButton* MemoOrigine = nullptr;
  QPushButton* RetourOrigine = nullptr;
  QSlider* TrackBar1 = nullptr;
  QLabel* Deplacement = nullptr;
  QPushButton *Decrement = nullptr, *Increment = nullptr;
  QPushButton *RetourDefaut = nullptr, *DefinirDefaut = nullptr;
  QRadioButton *RadioButtonFast = nullptr, *RadioButtonSlow = nullptr;
  QFrame *PanelFast = nullptr, *PanelSlow = nullptr;
  QPushButton *CoupleActif = nullptr, *CoupleInactif = nullptr;
  QLabel *PX1 = nullptr, *PY1 = nullptr, *PX2 = nullptr, *PY2 = nullptr;
  QLabel* Progression = nullptr;
  QLabel* Voyant = nullptr;  // the heating lamp
  QLabel* ESC = nullptr;
  QLabel* PanelPrechauffe = nullptr;
  QMenu* Options = nullptr;
  QAction *InverserX = nullptr, *InverserY = nullptr, *OrigineAuto1 = nullptr, *ArretMode = nullptr;
  QPushButton* Fermer = nullptr;

  // A pad button's mouse-down, or its key. False when the move did not run
  // to its end.
  bool PadPress(PadButton button);
  bool SequenceClick(int number);
  void MemoOrigineClick();
  bool RetourOrigineClick();
  void HoldClick(bool held);
  bool Moving() const { return moving_ > 0; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void FormShow();
  void SelectSpeed(bool working);
  void ShowLamp(bool on);
  void ApplyHold();
  void ShowPositions();
  // Origin buttons after a change; with every axis at 0 the board is told.
  void RefreshOrigin(bool tellBoard = true);
  void EnterMoving();
  void LeaveMoving();
  void DistanceChanged();
  // One move on the step links or the board; true when it ran to its end.
  bool PlayMove(TickSource& source, uint64_t ticks, bool heating, uint16_t stepsPerMm);
  bool BoardMove(const BoardProgramRequest& request);
  bool Jog(PadButton button);
  bool Pause();
  bool SendPacket(uint8_t flags);
  void ShowPreheat(const QString& text, bool visible);
  void WriteManualSetting(const char* name, int value);

  AppContext& context_;
  int moving_ = 0;
  bool distanceEdited_ = false;
};

}  // namespace orvane::ui
