#pragma once

#include <functional>
#include <string>
#include <thread>

namespace orvane {

// What the system grants the pulse engine's output thread.
struct RealTimeGrant {
  bool scheduling = false;    // SCHED_FIFO
  int priority = 0;           // its priority when granted
  bool memoryLocked = false;  // no page fault can delay a tick
  // One processor only: real time would leave the window thread, and the
  // stop key, no time to run, so it is not asked for.
  bool singleProcessor = false;
  // The kernel caps real-time threads below the whole processor
  // (kernel.sched_rt_runtime_us): a busy-waiting output thread would then be
  // stopped for the rest of every period (50 ms a second by default), far
  // worse than any preemption, so it is not asked for either.
  bool throttled = false;
};

// Whether real-time scheduling is asked for where the kernel would throttle
// it (the benchmark measures what that does).
enum class RealTimeThrottle { Avoid, Accept };

// What the user is told when something was not granted, with the limit to
// raise; empty when everything was.
std::string RealTimeWarning(const RealTimeGrant& grant);
// The same in a few words, for a status line.
std::string RealTimeNote(const RealTimeGrant& grant);
// One line for a report, granted or not.
std::string RealTimeSummary(const RealTimeGrant& grant);

// For the time of a run: the process's memory locked where the limits allow
// it, and the output thread started at SCHED_FIFO where they allow it, with
// the termination signals blocked. The run works without either; `Grant`
// says what it got, from the construction on.
class RealTimeRun {
 public:
  explicit RealTimeRun(RealTimeThrottle throttle = RealTimeThrottle::Avoid);
  ~RealTimeRun();
  RealTimeRun(const RealTimeRun&) = delete;
  RealTimeRun& operator=(const RealTimeRun&) = delete;

  // For the engine's `startThread`.
  std::function<std::thread(std::function<void()>)> Starter();
  const RealTimeGrant& Grant() const { return grant_; }

 private:
  std::thread Start(std::function<void()> body);

  RealTimeGrant grant_;
};

// What a run would be granted now, tried on a thread of its own (for the
// status line before any run).
RealTimeGrant ProbeRealTime(RealTimeThrottle throttle = RealTimeThrottle::Avoid);

}  // namespace orvane
