// Step timing on the virtual port with a progress window refreshed every
// 15 ms in the same process: the pulse engine on its output thread, with and
// without real time, and the same ticks played the old way (StepPulse on the
// window thread with one event-loop pass per tick), side by side. The
// counters are the timing analysis of each run's recording; `max_us` is the
// worst tick. The engine's third argument: 0 no real time, 1 what the
// program asks for (no SCHED_FIFO where the kernel throttles it), 2
// SCHED_FIFO even there; `fifo` and `locked` say what was granted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "core/app/machine_settings.h"
#include "core/machine/heat_guard.h"
#include "core/machine/pulse_analysis.h"
#include "core/machine/pulse_engine.h"
#include "core/machine/tick_output.h"
#include "host/host_centronic.h"
#include "host/realtime.h"
#include "host/virtual_port.h"

namespace {

using namespace orvane;

constexpr uint16_t kPort = 888;
constexpr uint8_t kPattern = 0x55;

// A stand-in for the progress window: a bar and a caption redrawn from the
// tick counter.
struct ProgressWindow {
  explicit ProgressWindow(int ticks) {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(&caption);
    layout->addWidget(&bar);
    bar.setRange(0, ticks);
    window.resize(400, 120);
    window.show();
    timer.setInterval(15);
  }
  void Show(uint64_t ticks) {
    bar.setValue(static_cast<int>(ticks));
    caption.setText(QStringLiteral("Progression  %1 %").arg(ticks * 100 / uint64_t(bar.maximum())));
    window.repaint();
  }
  QWidget window;
  QLabel caption;
  QProgressBar bar;
  QTimer timer;
};

void Report(benchmark::State& state, const VirtualPort& port, double periodUs) {
  PulseAnalyzer analyzer(periodUs);
  const auto writes = port.Writes();
  for (const auto& w : writes) analyzer.Add(w.time, w.address - kPort, w.value);
  const PulseAnalysis a = analyzer.Result();
  state.counters["ticks"] = double(a.ticks);
  state.counters["mean_us"] = a.meanPeriodUs;
  state.counters["mean_err_pct"] = 100 * a.meanErrorUs / periodUs;
  state.counters["p50_us"] = a.p50AbsErrorUs;
  state.counters["p99_us"] = a.p99AbsErrorUs;
  state.counters["max_us"] = a.maxAbsErrorUs;
  state.counters["shortest_us"] = a.shortestPeriodUs;
  state.counters["high_min_us"] = a.minHighUs;
  state.counters["dropped"] = double(port.DroppedWrites());
}

void BM_Engine(benchmark::State& state) {
  const auto periodUs = static_cast<uint32_t>(state.range(0));
  const auto ticks = static_cast<int>(state.range(1));
  const int64_t realTime = state.range(2);
  const PulseSplit split = SplitPeriod(periodUs, 50);
  for (auto _ : state) {
    std::unique_ptr<RealTimeRun> granted;
    if (realTime > 0) {
      granted = std::make_unique<RealTimeRun>(realTime == 2 ? RealTimeThrottle::Accept
                                                            : RealTimeThrottle::Avoid);
    }
    MonotonicClock clock;
    VirtualPort port(&clock, size_t(ticks) * 2 + 16, kPort);
    MachineSettings settings;
    HeatGuard guard(&port, settings);
    ParallelTickOutput output(port, kPort);
    PulseEngine::Setup setup;
    setup.clock = &clock;
    setup.output = &output;
    setup.guard = &guard;
    if (granted) setup.startThread = granted->Starter();
    PulseEngine engine(setup);
    ProgressWindow progress(ticks);
    QEventLoop loop;
    QObject::connect(&progress.timer, &QTimer::timeout, [&] {
      progress.Show(engine.Ticks());
      if (!engine.Playing()) loop.quit();
    });
    FixedPatternSource source(kPattern, uint64_t(ticks), split);
    guard.Heat();
    engine.Start(source);
    progress.timer.start();
    loop.exec();
    engine.Join();
    Report(state, port, periodUs);
    state.counters["fifo"] = granted && granted->Grant().scheduling ? 1 : 0;
    state.counters["locked"] = granted && granted->Grant().memoryLocked ? 1 : 0;
    if (granted) state.SetLabel(RealTimeSummary(granted->Grant()));
  }
}

void BM_PartWay(benchmark::State& state) {
  const auto periodUs = static_cast<uint32_t>(state.range(0));
  const auto ticks = static_cast<int>(state.range(1));
  const PulseSplit split = SplitPeriod(periodUs, 50);
  for (auto _ : state) {
    MonotonicClock clock;
    VirtualPort port(&clock, size_t(ticks) * 2 + 16, kPort);
    ProgressWindow progress(ticks);
    int played = 0;
    QObject::connect(&progress.timer, &QTimer::timeout, [&] { progress.Show(uint64_t(played)); });
    progress.timer.start();
    for (played = 0; played < ticks; ++played) {
      QCoreApplication::processEvents();
      StepPulse(port, clock, kPort, kPattern, split.highUs, split.lowUs);
    }
    Report(state, port, periodUs);
  }
}

BENCHMARK(BM_Engine)
    ->Args({1000, 10000, 0})
    ->Args({1000, 10000, 1})
    ->Args({1000, 10000, 2})
    ->Args({100, 20000, 0})
    ->Args({100, 20000, 1})
    ->Args({100, 20000, 2})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PartWay)
    ->Args({1000, 10000})
    ->Args({100, 20000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
