// Generating and writing a cut of more than ten million ticks: a pair of
// 2,000-point serrated profiles (teeth 10 mm deep) at 800 steps/mm.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>

#include "core/app/machine_settings.h"
#include "core/common/text_number.h"
#include "core/cut/cut_generation.h"

namespace {

using namespace orvane;

Profile Serrated(double length, double depth) {
  Profile p;
  const int points = 2000;
  for (int i = 0; i < points; ++i) {
    p.raw.push_back({FormatFixed(length * i / (points - 1), 6), FormatFixed(i % 2 ? depth : 0, 6)});
  }
  RefreshAdjusted(p, 3);
  return p;
}

void BM_GenerateCut(benchmark::State& state) {
  const Profile root = Serrated(400, 10), tip = Serrated(300, 8);
  MachineSettings settings;
  settings.X1step = settings.Y1step = settings.X2step = settings.Y2step = 800;
  const std::string folder =
      (std::filesystem::temp_directory_path() / "orvane-bench-cut/").string();
  std::filesystem::create_directories(folder);
  uint64_t ticks = 0;
  for (auto _ : state) {
    CutGeneration g = GenerateCut(root.adjusted, tip.adjusted, settings, folder, false, nullptr);
    if (!g.Ok()) state.SkipWithError(g.error.c_str());
    ticks = g.steps.ticks;
  }
  state.counters["ticks"] = static_cast<double>(ticks);
  state.counters["ticks_per_second"] = benchmark::Counter(
      static_cast<double>(ticks) * state.iterations(), benchmark::Counter::kIsRate);
  DeleteTemporaryCutFiles(folder);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_GenerateCut)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
