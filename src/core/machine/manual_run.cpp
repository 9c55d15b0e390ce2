#include "core/machine/manual_run.h"

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/machine/heat_guard.h"
#include "core/machine/pulse_engine.h"

namespace orvane {
namespace {

constexpr int64_t kBlinkMicroseconds = 500000;

bool StopAsked(const ManualRunSetup& setup) {
  return setup.keys->IsKeyDown(Key::Space) ||
         (setup.stopRequest && setup.stopRequest->load(std::memory_order_acquire));
}

// Waits `seconds` on the counter, looking at the stop between views; with
// `blink`, the pre-heat panel blinks meanwhile.
bool WaitSeconds(const ManualRunSetup& setup, ManualRunView& view, int seconds, bool blink) {
  Clock& clock = *setup.clock;
  const int64_t perUs = clock.TicksPerMicrosecond();
  const int64_t start = clock.Counter();
  const int64_t end = start + int64_t(seconds) * 1000000 * perUs;
  bool visible = true;
  if (blink) view.PreHeating(true, seconds);
  bool stopped = false;
  for (;;) {
    view.Wait();
    if (StopAsked(setup) || (blink && setup.guard->Resting())) {
      stopped = true;
      break;
    }
    const int64_t now = clock.Counter();
    if (now >= end) break;
    const bool shown = ((now - start) / (kBlinkMicroseconds * perUs)) % 2 == 0;
    if (blink && shown != visible) view.PreHeating(visible = shown, seconds);
  }
  if (blink) view.PreHeating(false, seconds);
  return !stopped;
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
