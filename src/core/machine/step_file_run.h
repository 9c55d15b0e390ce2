#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "core/machine/cut_progress.h"

namespace orvane {

class AxisPositions;
class Clock;
class HeatGuard;
class KeyState;
class TickOutput;
struct MachineSettings;

// What the thread that runs a cut shows and asks while the pulse engine
// plays: the progress window or the terminal.
class StepRunView {
 public:
  virtual ~StepRunView() = default;
  // Between two looks at the run: process pending messages, then let a few
  // milliseconds pass. Key states are read right after.
  virtual void Wait() = 0;
  // The pre-heat panel: shown (and blinking) while the wire heats.
  virtual void PreHeating(bool /*visible*/, int /*seconds*/) {}
  virtual void Progress(const ProgressView& /*view*/, uint64_t /*ticksPlayed*/) {}
  virtual void Trim(const std::string& /*label*/) {}
  // "Abandonner la découpe ?": true abandons, false resumes.
  virtual bool AskAbandon() = 0;
};

struct StepRunSetup {
  Clock* clock = nullptr;
  const KeyState* keys = nullptr;
  HeatGuard* guard = nullptr;
  TickOutput* output = nullptr;
  AxisPositions* positions = nullptr;  // null: not followed
  const MachineSettings* settings = nullptr;
  std::string stepPath;          // the ".ovd"
  uint64_t ticks = 0;            // `CutTickCount`
  uint64_t durationSeconds = 0;  // `CutDurationSeconds`
  bool resumeAllowed = false;    // `Reprisedecoupe`
  bool preHeat = true;           // the parallel link heats and waits; the serial link does not
  // Set from outside (a termination signal): ends the run like the space bar,
  // without the question.
  const std::atomic<bool>* stopRequest = nullptr;
  // Starts the engine's output thread (a command line blocks its signals there).
  std::function<std::thread(std::function<void()>)> startThread;
};

enum class StepRunEnd {
  Completed,  // every tick played
  Stopped,    // the space bar, an abandon, a signal: no end message, no sound
  Failed,     // the file or the port failed; `error` says why
};

struct StepRunResult {
  StepRunEnd end = StepRunEnd::Failed;
  uint64_t ticksPlayed = 0;
  std::string error;
};

// The tick period of a step-file run: the mean of the four configured periods.
uint32_t StepRunPeriod(const MachineSettings& settings);

// Plays a step file on the pulse engine from the calling thread's point of
// view: pre-heat, ticks, live trim, stop and pause question, resume after a
// new pre-heat. The heating is off whenever this returns.
StepRunResult RunStepFile(const StepRunSetup& setup, StepRunView& view);

}  // namespace orvane
