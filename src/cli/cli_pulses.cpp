// orvane-cli pulses: a fixed pattern played by the pulse engine on the
// recording virtual port, never on a real one, with the timing analysis; the
// heating goes through the heat guard exactly as in a cut.
#include <time.h>

#include <csignal>
#include <iostream>
#include <string>

#include "cli/cli_commands.h"
#include "core/app/machine_settings.h"
#include "core/common/text_number.h"
#include "core/machine/heat_guard.h"
#include "core/machine/pulse_analysis.h"
#include "core/machine/pulse_engine.h"
#include "core/machine/tick_output.h"
#include "host/heat_signals.h"
#include "host/host_centronic.h"
#include "host/realtime.h"
#include "host/settings_file_store.h"
#include "host/virtual_port.h"

namespace orvane::cli {
namespace {

volatile sig_atomic_t gSignal = 0;

void OnTermination(int number) {
  RestHeatingFromSignal();  // before anything else; the engine stops at its next tick
  gSignal = number;
}

struct PulseOptions {
  int64_t periodUs = 0;
  int64_t ticks = 10000;
  int64_t duty = -1;
  std::string record;
};

bool ParseOptions(const Args& args, PulseOptions& options) {
  auto number = [&](size_t i, int64_t low, int64_t high, int64_t& out) {
    if (i >= args.size()) return false;
    auto value = ParseInteger(args[i]);
    if (!value || *value < low || *value > high) {
      std::cerr << "orvane-cli : " << args[i - 1] << " attend un entier de " << low << " à " << high
                << "\n";
      return false;
    }
    out = *value;
    return true;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool ok = false;
    if (a == "--period") {
      ok = number(++i, 2, 65535, options.periodUs);
    } else if (a == "--ticks") {
      ok = number(++i, 1, int64_t(1) << 32, options.ticks);
    } else if (a == "--duty") {
      ok = number(++i, 1, 99, options.duty);
    } else if (a == "--record" && i + 1 < args.size()) {
      options.record = args[++i];
      ok = true;
    }
    if (!ok) return false;
  }
  return options.periodUs > 0;
}

}  // namespace

int PulsesCommand(const Args& args) {
  PulseOptions options;
  if (!ParseOptions(args, options)) return UsageError();
  const MachineSettings settings = StoredSettings();
  const auto duty = static_cast<uint8_t>(options.duty > 0 ? options.duty : settings.Periode);
  const PulseSplit split = SplitPeriod(static_cast<uint32_t>(options.periodUs), duty);
  uint8_t pattern = 0;
  for (uint16_t slot : {settings.X1io, settings.Y1io, settings.X2io, settings.Y2io}) {
    pattern |= AxisStepBit(static_cast<uint8_t>(slot));
  }

  MonotonicClock clock;
  VirtualPort port(&clock, size_t{1} << 20, settings.Port);
  std::cout << port.Description() << "\n" << std::flush;
  std::unique_ptr<RecordingFile> file;
  if (!options.record.empty()) {
    file = std::make_unique<RecordingFile>(options.record, port, clock.TicksPerMicrosecond());
    if (!file->IsOpen()) {
      std::cerr << "orvane-cli : impossible d'écrire " << options.record << " : " << file->Error()
                << "\n";
      return 1;
    }
  }
  PulseAnalyzer analyzer(split.highUs + split.lowUs);
  const int64_t perUs = clock.TicksPerMicrosecond();

  // Termination signals reach this thread only; the helpers block them.
  InstallFatalSignalHandlers();
  {
    TerminationSignalsHeld held;
    // The analysis times the pattern: the two writes of the start-up's rest
    // are not part of it; the recording keeps every write.
    port.StartStream(
        [&, startUp = size_t{2}](const VirtualPort::Write* writes, size_t count) mutable {
          for (size_t i = 0; i < count; ++i) {
            if (startUp > 0) {
              --startUp;
              continue;
            }
            analyzer.Add(writes[i].time * 1000 / perUs, writes[i].address - port.Base(),
                         writes[i].value);
          }
          if (file) file->Append(writes, count);
        });
  }
  // At rest before anything else, as every start of a run.
  ParallelLinkStartUp(port, settings);
  RealTimeRun realTime;
  std::cout << RealTimeSummary(realTime.Grant()) << "\n" << std::flush;
  HeatGuard guard(&port, settings);
  ParallelTickOutput output(port, settings.Port);
  PulseEngine::Setup setup;
  setup.clock = &clock;
  setup.output = &output;
  setup.guard = &guard;
  setup.startThread = realTime.Starter();
  PulseEngine engine(setup);
  FixedPatternSource source(pattern, static_cast<uint64_t>(options.ticks), split);
  bool started = false;
  {
    // A signal from here on finds the guard heating and its handler in place.
    TerminationSignalsHeld held;
    guard.Heat();
    started = engine.Start(source);
    InstallTerminationHandler(OnTermination);
  }

  if (started) {
    // The run ends by itself; the limit only guards against a stuck engine.
    const int64_t limitNs =
        options.ticks * (split.highUs + split.lowUs) * 1000 * 2 + int64_t(5) * 1000000000;
    const int64_t start = clock.Counter();
    timespec pause{0, 10 * 1000000};
    while (engine.Playing()) {
      nanosleep(&pause, nullptr);
      if (clock.Counter() - start > limitNs) {
        guard.Rest();
        std::cerr << "orvane-cli : le moteur d'impulsions ne s'arrête pas\n";
        return 1;
      }
    }
    engine.Join();
  }
  guard.Rest();
  port.StopStream();

  const EngineState state = engine.State();
  std::cout << FormatPulseAnalysis(analyzer.Result());
  if (port.DroppedWrites() > 0) {
    std::cout << "Enregistrement écourté : " << port.DroppedWrites()
              << " écritures n'ont pas pu être enregistrées\n";
  }
  if (file && !file->Error().empty()) {
    std::cerr << "orvane-cli : écriture de " << options.record << " : " << file->Error() << "\n";
  }
  file.reset();
  if (state == EngineState::Failed) {
    std::cerr << "orvane-cli : " << engine.Error() << "\n";
    return 1;
  }
  if (gSignal != 0) {
    std::cout << "Arrêt demandé : chauffe coupée.\n" << std::flush;
    const int number = gSignal;
    signal(number, SIG_DFL);
    raise(number);
  }
  return state == EngineState::Finished ? 0 : 1;
}

}  // namespace orvane::cli
