#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "core/machine/step_decoder.h"
#include "core/machine/tick_source.h"

namespace orvane {

class Clock;
class HeatGuard;
class TickOutput;

enum class EngineState : uint8_t {
  Idle,      // nothing played yet
  Running,   // ticks playing on the output thread
  Finished,  // the source ended
  Stopped,   // a stop request (or the guard rested from outside) ended it
  Paused,    // stopped with `pauseOnStop`: the guard holds the pause image
  Failed,    // an exception on the output thread, or no thread; heating off
};

// Plays tick bytes with deadline-based busy-waits on the counter. A tick's
// deadline is one period after the previous tick's write returned, so the
// per-tick work (the next byte, the positions, the counters) is done inside
// the high time and never lengthens the period, and no tick ever starts
// before its deadline: a late one moves the schedule on and the next comes a
// full period later, never sooner (a burst of short periods is what makes a
// stepper lose steps). Between a pattern's write and the end of its low time
// nothing is allocated and no lock is taken.
//
// The window thread reads `Ticks` and `State` and writes the stop request and
// the trim; nothing else is shared with the output thread.
class PulseEngine {
 public:
  struct Setup {
    Clock* clock = nullptr;
    TickOutput* output = nullptr;
    HeatGuard* guard = nullptr;          // null: nothing to switch (tests)
    AxisPositions* positions = nullptr;  // null: positions not followed
    StepDecoder decoder;
    bool pauseOnStop = false;  // a stop pauses instead of resting
    // Starts the output thread; tests replace it to make it fail.
    std::function<std::thread(std::function<void()>)> startThread;
  };

  explicit PulseEngine(Setup setup);
  // Stops a run still playing and waits for it: the heating is off after.
  ~PulseEngine();
  PulseEngine(const PulseEngine&) = delete;
  PulseEngine& operator=(const PulseEngine&) = delete;

  // Plays `source` on the output thread and returns at once. False when the
  // thread could not start; the heating is then already off.
  bool Start(TickSource& source);
  // After a pause or a stop: goes on with the tick that was to come next.
  bool Resume();
  // Plays on the calling thread until the end (tests, benchmarks).
  EngineState Play(TickSource& source);

  void RequestStop() { stop_.store(true, std::memory_order_release); }
  // Microseconds added to both parts of every tick from the next one on.
  void SetTrim(int32_t microseconds) { trim_.store(microseconds, std::memory_order_relaxed); }
  uint64_t Ticks() const { return ticks_.load(std::memory_order_relaxed); }
  EngineState State() const { return state_.load(std::memory_order_acquire); }
  bool Playing() const { return State() == EngineState::Running; }
  // Joins the output thread once it has left `Running`; call after `Playing` turns false.
  void Join();
  // What went wrong, after `Failed`.
  std::string Error() const { return error_; }

 private:
  bool Launch();
  void Run() noexcept;
  EngineState Loop();
  void End(EngineState state) noexcept;

  Setup setup_;
  TickSource* source_ = nullptr;
  std::optional<Tick> pending_;
  std::thread thread_;
  std::string error_;
  std::atomic<bool> stop_{false};
  std::atomic<int32_t> trim_{0};
  std::atomic<uint64_t> ticks_{0};
  std::atomic<EngineState> state_{EngineState::Idle};
};

}  // namespace orvane
