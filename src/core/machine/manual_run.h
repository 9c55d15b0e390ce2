#pragma once
// A manual move on the step links (parallel port, serial link), seen from
// the thread that started it: heating as the speed asks, the pre-heat, the
// ticks on the pulse engine, the stop key; the heating off whenever it returns.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace orvane {

class AxisPositions;
class Clock;
class HeatGuard;
class KeyState;
class TickOutput;
class TickSource;
struct MachineSettings;

// What the window (or the terminal) shows and does between two looks.
class ManualRunView {
 public:
  virtual ~ManualRunView() = default;
  // Process pending messages, then let a few milliseconds pass.
  virtual void Wait() = 0;
  // The pre-heat panel, blinking while the wire heats.
  virtual void PreHeating(bool /*visible*/, int /*seconds*/) {}
  virtual void Progress(uint64_t /*ticksPlayed*/) {}
};

struct ManualRunSetup {
  Clock* clock = nullptr;
  const KeyState* keys = nullptr;
  HeatGuard* guard = nullptr;
  TickOutput* output = nullptr;
  AxisPositions* positions = nullptr;
  const MachineSettings* settings = nullptr;
  // Working speed: the run image with the heating (`ActChauffe`) and its
  // pre-heat on the parallel port; fast: the hold alone.
  bool heating = false;
  bool preHeat = false;
  // The ticks the move is to play: a source that winds down after a stop
  // (a progressive stop) ends by itself, and fewer ticks is still a stop.
  uint64_t ticks = 0;
  // Set from outside (a termination signal): stops like the space bar.
  const std::atomic<bool>* stopRequest = nullptr;
  std::function<std::thread(std::function<void()>)> startThread;
};

enum class ManualRunEnd {
  Completed,  // every tick played
  Stopped,    // the space bar or a signal, in the pre-heat or during the move
  Failed,     // the port failed or the engine could not start; `error` says why
};

struct ManualRunResult {
  ManualRunEnd end = ManualRunEnd::Failed;
  uint64_t ticksPlayed = 0;
  // From the start of the ticks to their end, on the clock: what a measured
  // speed is taken over (the pre-heat left out).
  int64_t playedMicroseconds = 0;
  std::string error;
};

// Plays `source` (a ramp move, a return to origin); positions follow every
// tick. A progressive stop is the source's own business.
ManualRunResult RunManualMove(const ManualRunSetup& setup, TickSource& source, ManualRunView& view);

// Waits `seconds` with the view responsive; false when a stop came first.
bool ManualPause(const ManualRunSetup& setup, ManualRunView& view, int seconds);

}  // namespace orvane
