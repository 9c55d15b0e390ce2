#include "core/params/motor_test.h"

#include <algorithm>
#include <cstdio>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/machine/board_run.h"
#include "core/machine/tick_source.h"

namespace orvane {
namespace {

// Notes when the first line goes to the board: the identification and the
// pre-heat before it are not part of the move.
class TimedObserver : public BoardRunObserver {
 public:
  TimedObserver(BoardRunObserver& inner, Clock& clock) : inner_(inner), clock_(clock) {}
  bool PollStop() override { return inner_.PollStop(); }
  void PreheatShown(bool shown) override { inner_.PreheatShown(shown); }
  void LineSending(size_t index, const std::string& line) override {
    if (index == 0) started_ = clock_.Counter();
    inner_.LineSending(index, line);
  }
  void LineDone(size_t index) override { inner_.LineDone(index); }
  bool AbandonAfterStop() override { return inner_.AbandonAfterStop(); }
  std::optional<int64_t> Started() const { return started_; }

 private:
  BoardRunObserver& inner_;
  Clock& clock_;
  std::optional<int64_t> started_;
};

int64_t Microseconds(Clock& clock, int64_t ticks) {
  return ticks / std::max<int64_t>(clock.TicksPerMicrosecond(), 1);
}

}  // namespace

MotorEdits StoredMotorEdits(const MachineSettings& s) {
  return {{s.X1step, s.Y1step, s.X2step, s.Y2step}, {s.X1speed, s.Y1speed, s.X2speed, s.Y2speed}};
}

MachineSettings MotorTestSettings(const MachineSettings& settings, const MotorEdits& edits) {
  MachineSettings s = settings;
  s.X1step = edits.stepsPerMm[0], s.Y1step = edits.stepsPerMm[1];
  s.X2step = edits.stepsPerMm[2], s.Y2step = edits.stepsPerMm[3];
  s.X1speed = edits.periodUs[0], s.Y1speed = edits.periodUs[1];
  s.X2speed = edits.periodUs[2], s.Y2speed = edits.periodUs[3];
  s.InvTeleX = s.InvTeleY = 0;
  return s;
}

JogMove PlanMotorTest(const MachineSettings& testSettings, PadButton button, uint32_t distanceMm) {
  return PlanJog(testSettings, button, distanceMm, JogSpan::Bar);
}

std::string MotorTestRefusal(const MachineSettings& testSettings, const JogMove& move) {
  if (std::string refusal = JogRefusal(testSettings, move); !refusal.empty()) return refusal;
  // Without a board that answered, every wait of the program would end on
  // its limit with nothing moved: say so at once.
  if (testSettings.PortType == 2 && !testSettings.BoardPresent) return kNoBoardForTestMessage;
  return {};
}

MotorTestResult RunStepMotorTest(const ManualRunSetup& base, const JogMove& move,
                                 const MotorTestOptions& options, ManualRunView& view) {
  const MachineSettings& s = *base.settings;
  ManualRunSetup setup = base;
  setup.heating = options.workingSpeed && options.heating;
  setup.preHeat = s.PortType == 0;
  setup.ticks = move.steps;
  RampMoveSource source(move.pattern, move.steps, PlanJogRamp(s, move, options.workingSpeed),
                        options.progressiveStop);
  const ManualRunResult run = RunManualMove(setup, source, view);
  MotorTestResult result;
  result.stepsMade = run.ticksPlayed;
  result.elapsedMicroseconds = run.playedMicroseconds;
  result.message = run.error;
  switch (run.end) {
    case ManualRunEnd::Completed:
      result.end = MotorTestEnd::Completed;
      break;
    case ManualRunEnd::Stopped:
      result.end = MotorTestEnd::Stopped;
      break;
    case ManualRunEnd::Failed:
      result.end = MotorTestEnd::Failed;
      break;
  }
  return result;
}

MotorTestResult RunBoardMotorTest(BoardLink& link, BoardRunObserver& observer, const JogMove& move,
                                  const MotorTestOptions& options) {
  // The program starts at 0 on every axis: the test counts from where the
  // machine stands.
  BoardProgramRequest request =
      BoardJogProgram(link.settings, AxisSteps{}, move, options.workingSpeed);
  request.heating = options.heating;
  request.progressiveStop = options.progressiveStop;
  request.motorTest = true;
  TimedObserver timed(observer, link.clock);
  const BoardRunOutcome outcome = RunBoardProgram(request, link, timed);
  const int64_t ended = link.clock.Counter();

  MotorTestResult result;
  result.message = outcome.message;
  if (timed.Started())
    result.elapsedMicroseconds = Microseconds(link.clock, ended - *timed.Started());
  switch (outcome.end) {
    case BoardRunEnd::Finished:
      result.end = MotorTestEnd::Completed;
      break;
    case BoardRunEnd::StoppedByBoard:
    case BoardRunEnd::StoppedByUser:
      result.end = MotorTestEnd::Stopped;
      break;
    default:
      result.end = MotorTestEnd::Failed;
      break;
  }
  return result;
}

std::optional<std::string> MeasuredSpeedText(uint32_t distanceMm, const MotorTestResult& result) {
  if (result.end != MotorTestEnd::Completed || result.elapsedMicroseconds <= 0) return std::nullopt;
  char text[48];
  std::snprintf(text, sizeof text, "%.2f",
                double(distanceMm) / (double(result.elapsedMicroseconds) / 1e6));
  std::string shown = text;
  // The one number of the program shown with a comma.
  std::replace(shown.begin(), shown.end(), '.', ',');
  return shown;
}

}  // namespace orvane
