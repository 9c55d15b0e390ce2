#include "core/machine/pulse_engine.h"

#include <algorithm>
#include <exception>

#include "core/app/host_services.h"
#include "core/machine/heat_guard.h"
#include "core/machine/tick_output.h"

namespace orvane {

PulseEngine::PulseEngine(Setup setup) : setup_(std::move(setup)) {}

PulseEngine::~PulseEngine() {
  RequestStop();
  Join();
  // A run left paused ends here: the heating stays off and the hold as at rest.
  if (setup_.guard) setup_.guard->Rest();
}

void PulseEngine::Join() {
  if (thread_.joinable()) thread_.join();
}

bool PulseEngine::Start(TickSource& source) {
  Join();
  source_ = &source;
  pending_.reset();
  ticks_.store(0, std::memory_order_relaxed);
  return Launch();
}

bool PulseEngine::Resume() {
  if (!source_) return false;
  Join();
  return Launch();
}

EngineState PulseEngine::Play(TickSource& source) {
  Join();
  source_ = &source;
  pending_.reset();
  ticks_.store(0, std::memory_order_relaxed);
  stop_.store(false, std::memory_order_relaxed);
  error_.clear();
  state_.store(EngineState::Running, std::memory_order_release);
  Run();
  return State();
}

bool PulseEngine::Launch() {
  stop_.store(false, std::memory_order_relaxed);
  error_.clear();
  state_.store(EngineState::Running, std::memory_order_release);
  try {
    auto body = [this] { Run(); };
    thread_ = setup_.startThread ? setup_.startThread(body) : std::thread(body);
  } catch (const std::exception& e) {
    if (setup_.guard) setup_.guard->Rest();
    error_ = e.what();
    End(EngineState::Failed);
    return false;
  }
  return true;
}

void PulseEngine::Run() noexcept {
  EngineState end = EngineState::Failed;
  try {
    end = Loop();
  } catch (const std::exception& e) {
    if (setup_.guard) setup_.guard->Rest();  // before the message is even copied
    error_ = e.what();
  } catch (...) {
    if (setup_.guard) setup_.guard->Rest();
    error_ = "erreur inconnue";
  }
  End(end);
}

void PulseEngine::End(EngineState state) noexcept {
  // The heating before anything else, whatever ended the run.
  if (HeatGuard* guard = setup_.guard) {
    try {
      if (state == EngineState::Stopped && setup_.pauseOnStop && guard->Pause()) {
        state = EngineState::Paused;
      } else {
        guard->Rest();
      }
    } catch (...) {
      guard->Rest();  // the pause image could not be written: rest instead
    }
  }
  state_.store(state, std::memory_order_release);
}

EngineState PulseEngine::Loop() {
  Clock& clock = *setup_.clock;
  TickOutput& output = *setup_.output;
  HeatGuard* guard = setup_.guard;
  AxisPositions* positions = setup_.positions;
  const int64_t perUs = clock.TicksPerMicrosecond();
  // A fall later than this restarts the low time from it; within it the low
  // time may lose what the fall was late, never the period.
  const int64_t lateAfter = perUs;

  Tick tick;
  if (pending_) {
    tick = *pending_;
    pending_.reset();
  } else if (!source_->Next(tick)) {
    return EngineState::Finished;
  }
  uint64_t played = ticks_.load(std::memory_order_relaxed);
  int64_t deadline = clock.Counter();
  for (;;) {
    while (clock.Counter() < deadline) {
    }
    if (stop_.load(std::memory_order_acquire) || (guard && guard->Resting())) {
      if (source_->StopNow(played)) {
        pending_ = tick;
        return EngineState::Stopped;
      }
    }
    // A slow serial device can hold a write: the stop is seen there too.
    if (!output.Write(tick.pattern, stop_)) {
      pending_ = tick;
      return EngineState::Stopped;
    }
    // The edge is on the port once the write has returned: the next tick
    // counts its period from there, so however late this one came (a
    // preemption before or inside the write), the next is never early.
    const int64_t start = clock.Counter();
    const int64_t trim = trim_.load(std::memory_order_relaxed);
    const int64_t high = std::max<int64_t>(0, tick.highUs + trim) * perUs;
    const int64_t low = std::max<int64_t>(0, tick.lowUs + trim) * perUs;

    // The tick's own work, inside its high time.
    ticks_.store(++played, std::memory_order_relaxed);
    if (positions) setup_.decoder.Apply(tick.pattern, *positions);
    Tick next;
    const bool more = source_->Next(next);

    int64_t fall = start + high;
    while (clock.Counter() < fall) {
    }
    if (!output.Write(0, stop_)) {
      if (more) pending_ = next;
      return EngineState::Stopped;
    }
    // A late fall keeps its full low time too.
    if (const int64_t fell = clock.Counter(); fell - fall > lateAfter) fall = fell;
    deadline = fall + low;
    if (!more) {
      while (clock.Counter() < deadline) {
      }
      return EngineState::Finished;
    }
    tick = next;
  }
}

}  // namespace orvane
