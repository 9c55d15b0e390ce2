#include "core/machine/step_file_run.h"

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/machine/heat_guard.h"
#include "core/machine/pulse_engine.h"
#include "core/machine/tick_source.h"
#include "core/machine/timed_wait.h"

namespace orvane {
namespace {

// Plays no more than the header's tick count: bytes appended to the file
// since it was checked are not the cut's.
class CountedSource : public TickSource {
 public:
  CountedSource(TickSource& source, uint64_t count) : source_(source), left_(count) {}
  bool Next(Tick& tick) override {
    if (left_ == 0 || !source_.Next(tick)) return false;
    --left_;
    return true;
  }

 private:
  TickSource& source_;
  uint64_t left_;
};

bool StopAsked(const StepRunSetup& setup) {
  return setup.keys->IsKeyDown(Key::Space) ||
         (setup.stopRequest && setup.stopRequest->load(std::memory_order_acquire));
}

// Heating on, then `PreChauffe` seconds for the wire to reach its
// temperature. The space bar or a signal ends the wait, and the run, with the
// heating off at once. False when stopped.
bool PreHeat(const StepRunSetup& setup, StepRunView& view) {
  HeatGuard& guard = *setup.guard;
  guard.Heat();
  const MachineSettings& s = *setup.settings;
  if (!setup.preHeat || !s.ActChauffe || s.PreChauffe == 0) return true;
  const bool waited = TimedWait(
      *setup.clock, s.PreChauffe, [&] { view.Wait(); },
      [&] { return StopAsked(setup) || guard.Resting(); },
      [&](bool visible) { view.PreHeating(visible, s.PreChauffe); });
  if (!waited) guard.Rest();
  view.PreHeating(false, s.PreChauffe);
  return waited;
}

}  // namespace

uint32_t StepRunPeriod(const MachineSettings& s) {
  const int64_t sum = int64_t(s.X1speed) + s.Y1speed + s.X2speed + s.Y2speed;
  return sum > 0 ? static_cast<uint32_t>(sum / 4) : 0;
}

StepRunResult RunStepFile(const StepRunSetup& setup, StepRunView& view) {
  const MachineSettings& s = *setup.settings;
  StepRunResult result;
  const uint32_t period = StepRunPeriod(s);
  StepFileSource file(setup.stepPath, SplitPeriod(period, s.Periode));
  CountedSource source(file, setup.ticks);
  if (!file.IsOpen()) {
    setup.guard->Rest();
    result.error = "Fichier de découpe manquant";
    return result;
  }

  PulseEngine::Setup engineSetup;
  engineSetup.clock = setup.clock;
  engineSetup.output = setup.output;
  engineSetup.guard = setup.guard;
  engineSetup.positions = setup.positions;
  if (setup.positions) engineSetup.decoder = StepDecoder(s);
  engineSetup.pauseOnStop = setup.resumeAllowed;
  engineSetup.startThread = setup.startThread;
  PulseEngine engine(engineSetup);

  const ProgressPlan plan = PlanProgress(setup.ticks);
  LiveTrim trim(period);
  // The time left follows the ticks actually played, the trim included.
  RemainingTime remaining(setup.ticks, period);
  const int64_t perUs = setup.clock->TicksPerMicrosecond();
  auto progress = [&](uint64_t ticks) {
    ProgressView shown = ProgressAt(plan, ticks, setup.durationSeconds);
    shown.remainingSeconds = remaining.SecondsAt(setup.clock->Counter() / perUs, ticks);
    view.Progress(shown, ticks);
  };
  progress(0);
  view.Trim(trim.Label());

  if (!PreHeat(setup, view)) {
    result.end = StepRunEnd::Stopped;
    return result;
  }
  remaining.Restart();
  if (!engine.Start(source)) {
    result.error = engine.Error();
    return result;
  }
  uint64_t lastTicks = 0;
  uint64_t lastRefresh = 0;
  for (;;) {
    while (engine.Playing()) {
      view.Wait();
      const uint64_t ticks = engine.Ticks();
      const uint64_t held = ticks - lastTicks;
      lastTicks = ticks;
      const int32_t before = trim.Microseconds();
      if (setup.keys->IsKeyDown(Key::Right)) trim.Faster(held);
      if (setup.keys->IsKeyDown(Key::Left)) trim.Slower(held);
      if (setup.keys->IsKeyDown(Key::Up) || setup.keys->IsKeyDown(Key::Down)) trim.Reset();
      if (trim.Microseconds() != before) {
        engine.SetTrim(trim.Microseconds());
        view.Trim(trim.Label());
      }
      if (StopAsked(setup)) engine.RequestStop();
      if (plan.interval > 0 && ticks / plan.interval != lastRefresh) {
        lastRefresh = ticks / plan.interval;
        progress(ticks);
      }
    }
    engine.Join();
    result.ticksPlayed = engine.Ticks();
    const EngineState state = engine.State();
    if (state == EngineState::Paused) {
      const bool external = setup.stopRequest && setup.stopRequest->load();
      if (external || view.AskAbandon() || setup.guard->Resting()) {
        setup.guard->Rest();
        result.end = StepRunEnd::Stopped;
        return result;
      }
      if (!PreHeat(setup, view)) {
        result.end = StepRunEnd::Stopped;
        return result;
      }
      // The question and the pre-heat were no play.
      remaining.Restart();
      if (!engine.Resume()) {
        result.error = engine.Error();
        return result;
      }
      continue;
    }
    setup.guard->Rest();
    if (state == EngineState::Finished && result.ticksPlayed < setup.ticks) {
      // The file shrank while it played: the cut is not done.
      result.error = "Fichier de découpe raccourci pendant la découpe : " +
                     std::to_string(result.ticksPlayed) + " pas joués sur " +
                     std::to_string(setup.ticks) + ". Découpe inachevée.";
    } else if (state == EngineState::Finished) {
      // The bar's steps of 25 may stop short of its maximum: the end shows full.
      view.Progress(ProgressView{plan.maximum, 100, 0}, result.ticksPlayed);
      result.end = StepRunEnd::Completed;
    } else if (state == EngineState::Stopped) {
      result.end = StepRunEnd::Stopped;
    } else {
      result.error = engine.Error();
    }
    return result;
  }
}

}  // namespace orvane
