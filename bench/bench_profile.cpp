// A 100,000-point profile: rebuild of the adjusted table, the window's table
// and preview refresh, and one history push.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "core/common/text_number.h"
#include "core/project/history.h"
#include "ui/project/preview_widget.h"
#include "ui/project/profile_panel.h"

namespace {

using namespace orvane;

constexpr int kPoints = 100000;

Profile Airfoil() {
  Profile p;
  p.raw.reserve(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    const double t = 2 * M_PI * i / (kPoints - 1);
    p.raw.push_back({FormatFixed(150 * (1 + std::cos(t)), 6), FormatFixed(20 * std::sin(t), 6)});
  }
  RefreshAdjusted(p, 3);
  return p;
}

void BM_RefreshAdjusted(benchmark::State& state) {
  Profile p = Airfoil();
  for (auto _ : state) {
    RefreshAdjusted(p, 3);
    benchmark::DoNotOptimize(p.adjusted.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_RefreshAdjusted)->Unit(benchmark::kMillisecond);

void BM_TablesAndPreviewRedraw(benchmark::State& state) {
  Profile p = Airfoil();
  MachineSettings settings;
  ui::ProfilePanel panel(1, &p, &settings);
  panel.resize(800, 900);
  panel.show();
  for (auto _ : state) {
    RefreshAdjusted(p, 3);
    panel.Reload();
    QPixmap tables = panel.RawTable->grab();
    QPixmap adjusted = panel.AdjustedTable->grab();
    QPixmap preview = panel.Preview->grab();
    benchmark::DoNotOptimize(preview.cacheKey() + tables.cacheKey() + adjusted.cacheKey());
  }
}
BENCHMARK(BM_TablesAndPreviewRedraw)->Unit(benchmark::kMillisecond);

void BM_HistoryPush(benchmark::State& state) {
  const std::string folder =
      (std::filesystem::temp_directory_path() / "orvane-bench-history/").string();
  std::filesystem::create_directories(folder);
  History history(folder);
  Profile p = Airfoil();
  for (auto _ : state) history.Push("P1 - Rotation", p, p);
  history.Clear();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_HistoryPush)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
