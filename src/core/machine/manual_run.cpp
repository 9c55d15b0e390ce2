#include "core/machine/manual_run.h"

#include <algorithm>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/machine/heat_guard.h"
#include "core/machine/pulse_engine.h"
#include "core/machine/timed_wait.h"

namespace orvane {
namespace {

bool StopAsked(const ManualRunSetup& setup) {
  return setup.keys->IsKeyDown(Key::Space) ||
         (setup.stopRequest && setup.stopRequest->load(std::memory_order_acquire));
}

// Waits `seconds` with the view responsive; with `blink`, the pre-heat panel
// blinks meanwhile and a rested guard ends the wait too.
bool WaitSeconds(const ManualRunSetup& setup, ManualRunView& view, int seconds, bool blink) {
  const bool waited = TimedWait(
      *setup.clock, seconds, [&] { view.Wait(); },
      [&] { return StopAsked(setup) || (blink && setup.guard->Resting()); },
      blink ? std::function<void(bool)>([&](bool visible) { view.PreHeating(visible, seconds); })
            : std::function<void(bool)>());
  if (blink) view.PreHeating(false, seconds);
  return waited;
}

}  // namespace

bool ManualPause(const ManualRunSetup& setup, ManualRunView& view, int seconds) {
  return WaitSeconds(setup, view, seconds, false);
}

ManualRunResult RunManualMove(const ManualRunSetup& setup, TickSource& source,
                              ManualRunView& view) {
  const MachineSettings& s = *setup.settings;
  HeatGuard& guard = *setup.guard;
  ManualRunResult result;

  guard.Heat(setup.heating);
  // The space bar in the pre-heat ends the move before it starts, heating off.
  if (setup.heating && setup.preHeat && s.ActChauffe && s.PreChauffe > 0 &&
      !WaitSeconds(setup, view, s.PreChauffe, true)) {
    guard.Rest();
    result.end = ManualRunEnd::Stopped;
    return result;
  }

  PulseEngine::Setup engineSetup;
  engineSetup.clock = setup.clock;
  engineSetup.output = setup.output;
  engineSetup.guard = &guard;
  engineSetup.positions = setup.positions;
  if (setup.positions) engineSetup.decoder = StepDecoder(s);
  engineSetup.startThread = setup.startThread;
  PulseEngine engine(engineSetup);
  // Read only while the output thread is not running: a clock may be shared.
  const int64_t started = setup.clock->Counter();
  if (!engine.Start(source)) {
    guard.Rest();
    result.error = engine.Error();
    return result;
  }
  while (engine.Playing()) {
    view.Wait();
    if (StopAsked(setup)) engine.RequestStop();
    view.Progress(engine.Ticks());
  }
  engine.Join();
  guard.Rest();
  result.playedMicroseconds =
      (setup.clock->Counter() - started) / std::max<int64_t>(setup.clock->TicksPerMicrosecond(), 1);
  result.ticksPlayed = engine.Ticks();
  view.Progress(result.ticksPlayed);
  switch (engine.State()) {
    case EngineState::Finished:
      result.end =
          result.ticksPlayed < setup.ticks ? ManualRunEnd::Stopped : ManualRunEnd::Completed;
      break;
    case EngineState::Stopped:
      result.end = ManualRunEnd::Stopped;
      break;
    default:
      result.error = engine.Error();
      break;
  }
  return result;
}

}  // namespace orvane
