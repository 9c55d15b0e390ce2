// Manual control's moves: the pad, the sequences and the origin, played on
// the step links through the pulse engine or sent to the board.
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <atomic>
#include <functional>
#include <memory>

#include "core/machine/board_protocol.h"
#include "core/machine/board_run.h"
#include "core/machine/heat_guard.h"
#include "core/machine/manual_run.h"
#include "core/machine/serial_step.h"
#include "core/machine/tick_output.h"
#include "host/realtime.h"
#include "ui/machine/fiche_manettes.h"
#include "ui/machine/step_output.h"

namespace orvane::ui {
namespace {

constexpr int kLookMilliseconds = 2;

// Between two looks at a move: the window's events, then a short sleep.
class WindowManualView : public ManualRunView {
 public:
  WindowManualView(AppContext& context, std::atomic<bool>* stop, QLabel* progression, QLabel* panel,
                   uint16_t stepsPerMm, std::function<void()> showPositions)
      : context_(context),
        stop_(stop),
        progression_(progression),
        panel_(panel),
        stepsPerMm_(stepsPerMm),
        showPositions_(std::move(showPositions)) {}
  void Wait() override {
    QCoreApplication::processEvents();
    // The program is closing on a signal: the move stops as on the space bar.
    if (context_.closingOnSignal && stop_) stop_->store(true, std::memory_order_release);
    context_.clock->SleepMilliseconds(kLookMilliseconds);
  }
  void PreHeating(bool visible, int seconds) override {
    panel_->setText(QStringLiteral("Préchauffage %1 secondes").arg(seconds));
    panel_->setVisible(visible);
  }
  void Progress(uint64_t ticks) override {
    if (stepsPerMm_ > 0) progression_->setText(QString::number(ticks / stepsPerMm_) + " mm");
    showPositions_();
  }

 private:
  AppContext& context_;
  std::atomic<bool>* stop_;
  QLabel* progression_;
  QLabel* panel_;
  uint16_t stepsPerMm_;
  std::function<void()> showPositions_;
};

class WindowBoardObserver : public BoardRunObserver {
 public:
  WindowBoardObserver(AppContext& context, QLabel* panel) : context_(context), panel_(panel) {}
  bool PollStop() override {
    QCoreApplication::processEvents();
    return context_.closingOnSignal || context_.keys->IsKeyDown(Key::Space);
  }
  void PreheatShown(bool shown) override {
    panel_->setText(
        QStringLiteral("Préchauffage %1 secondes").arg(int(context_.settings.PreChauffe)));
    panel_->setVisible(shown);
    panel_->repaint();
  }

 private:
  AppContext& context_;
  QLabel* panel_;
};

}  // namespace

void TFormManettes::ShowPreheat(const QString& text, bool visible) {
  PanelPrechauffe->setText(text);
  PanelPrechauffe->setVisible(visible);
  PanelPrechauffe->repaint();
}

bool TFormManettes::PlayMove(TickSource& source, uint64_t ticks, bool heating,
                             uint16_t stepsPerMm) {
  MachineSettings& s = context_.settings;
  StepOutput opened = OpenStepOutput(context_, "déplacement");
  if (!opened.output) {
    context_.messages->Show(MessageKind::Error, opened.failure);
    return false;
  }
  PortOutput* port = opened.port;
  std::unique_ptr<TickOutput> output = std::move(opened.output);
  const bool lamp = heating && s.ActChauffe;
  ShowLamp(lamp);

  HeatGuard guard(port, s);
  std::atomic<bool> stop{context_.closingOnSignal};
  WindowManualView view(context_, &stop, Progression, PanelPrechauffe, stepsPerMm,
                        [this] { ShowPositions(); });
  ManualRunSetup setup;
  setup.clock = context_.clock;
  setup.keys = context_.keys;
  setup.guard = &guard;
  setup.output = output.get();
  setup.positions = &context_.positions;
  setup.settings = &s;
  setup.heating = heating;
  setup.preHeat = s.PortType == 0;
  setup.ticks = ticks;
  setup.stopRequest = &stop;
  RealTimeRun realTime;
  setup.startThread = realTime.Starter();
  context_.runInProgress = true;
  const ManualRunResult result = RunManualMove(setup, source, view);
  context_.runInProgress = false;
  guard.Rest();
  ShowLamp(false);
  if (result.end == ManualRunEnd::Failed) {
    if (s.PortType == 1) context_.positions.MarkUnknown();
    context_.messages->Show(MessageKind::Error, result.error);
  }
  if (result.end != ManualRunEnd::Completed) context_.abortFlag = 1;
  return result.end == ManualRunEnd::Completed;
}

bool TFormManettes::BoardMove(const BoardProgramRequest& request) {
  MachineSettings& s = context_.settings;
  SerialPort& serial = *context_.serial;
  if (!serial.IsOpen()) serial.Open();
  const bool lamp = request.workingSpeed && s.ActChauffe;
  ShowLamp(lamp);
  BoardLink link{serial, *context_.clock, s, context_.positions, context_.abortFlag};
  WindowBoardObserver observer(context_, PanelPrechauffe);
  context_.runInProgress = true;
  const BoardRunOutcome outcome = RunBoardProgram(request, link, observer);
  context_.runInProgress = false;
  ShowLamp(false);
  if (!outcome.message.empty()) {
    context_.messages->Show(
        outcome.end == BoardRunEnd::StoppedByUser ? MessageKind::Warning : MessageKind::Error,
        outcome.message);
  }
  return outcome.end == BoardRunEnd::Finished;
}

bool TFormManettes::Jog(PadButton button) {
  const MachineSettings& s = context_.settings;
  const bool working = RadioButtonSlow->isChecked();
  const bool ctrl = context_.keys->IsKeyDown(Key::Ctrl);
  const bool shift = context_.keys->IsKeyDown(Key::Shift);
  const JogSpan span = JogSpanFor(ctrl, shift);
  const JogMove move = PlanJog(s, button, static_cast<uint32_t>(TrackBar1->value()), span);
  if (const std::string refusal = JogRefusal(s, move); !refusal.empty()) {
    context_.messages->Show(MessageKind::Warning, refusal);
    return false;
  }
  Progression->setVisible(span == JogSpan::Bar);
  Progression->clear();
  EnterMoving();
  bool done = false;
  if (s.PortType == 2) {
    done = BoardMove(BoardJogProgram(s, context_.positions.Steps(), move, working));
  } else {
    RampMoveSource source(move.pattern, move.steps, PlanJogRamp(s, move, working),
                          s.ModeArret == 0);
    done = PlayMove(source, move.steps, working, move.stepsPerMm);
  }
  if (done && span == JogSpan::Bar) {
    Progression->setText(QStringLiteral("%1 mm").arg(TrackBar1->value()));
  }
  LeaveMoving();
  return done;
}

bool TFormManettes::PadPress(PadButton button) {
  if (Moving()) return false;
  const bool done = Jog(button);
  // A press whose move ended still holds the button down: let it up.
  Button(button)->setDown(false);
  return done;
}

bool TFormManettes::Pause() {
  ShowPreheat(QStringLiteral("Pause %1 secondes").arg(kGuillotinePauseSeconds), true);
  std::atomic<bool> stop{context_.closingOnSignal};
  WindowManualView view(context_, &stop, Progression, PanelPrechauffe, 0, [] {});
  ManualRunSetup setup;
  setup.clock = context_.clock;
  setup.keys = context_.keys;
  setup.stopRequest = &stop;
  const bool ended = ManualPause(setup, view, kGuillotinePauseSeconds);
  ShowPreheat(QString(), false);
  return ended && !context_.closingOnSignal;
}

bool TFormManettes::SequenceClick(int number) {
  if (Moving()) return false;
  MachineSettings& s = context_.settings;
  if (s.OrigineAuto) {
    context_.positions.SetOrigin();
    ShowPositions();
    if (s.PortType == 2) SendPacket(kFlagSetOrigin);
  }
  const bool working = RadioButtonSlow->isChecked();
  EnterMoving();
  // Each move rests the heating at its end, so the pause is without heat.
  const bool done = RunGuillotine(
      number,
      [this](const GuillotineStep& step) {
        SelectSpeed(step.workingSpeed);
        return Jog(step.button);
      },
      [this] { return Pause(); });
  SelectSpeed(working);
  LeaveMoving();
  return done;
}

void TFormManettes::MemoOrigineClick() {
  if (context_.positions.AtOrigin() ||
      context_.messages->Show(MessageKind::Confirmation, "Redéfinir l'origine ?",
                              MessageButtons::YesNo) != MessageAnswer::Yes) {
    return;
  }
  context_.positions.SetOrigin();
  ShowPositions();
  RefreshOrigin(false);
  // Only after "Oui": the board's origin moves with the program's, never alone.
  if (context_.settings.PortType == 2) {
    SendPacket(DefineOriginFlags(context_.settings, CoupleInactif->isChecked()));
  }
}

bool TFormManettes::RetourOrigineClick() {
  if (Moving() || !RetourOrigine->isEnabled()) return false;
  const MachineSettings& s = context_.settings;
  const AxisSteps from = context_.positions.Steps();
  const bool working = RadioButtonSlow->isChecked();
  if (s.PortType != 2) {
    if (const std::string refusal = OriginReturnRefusal(s, from); !refusal.empty()) {
      context_.messages->Show(MessageKind::Warning, refusal);
      return false;
    }
  }
  Progression->setVisible(false);
  Progression->clear();
  EnterMoving();
  bool done = false;
  if (s.PortType == 2) {
    done = BoardMove(BoardOriginProgram(s, from, working));
  } else {
    SelectSpeed(true);
    OriginReturnSource source(s, from);
    // Back along the way the wire came: the hold, never the heat.
    done = PlayMove(source, source.TotalTicks(), false, 0);
    SelectSpeed(working);
  }
  LeaveMoving();
  Progression->setVisible(true);
  return done;
}

}  // namespace orvane::ui
