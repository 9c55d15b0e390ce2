// Each profile operation on a 100,000-point closed outline.
#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>

#include "core/common/text_number.h"
#include "core/project/exports.h"
#include "core/project/operations.h"

namespace {

using namespace orvane;

constexpr int kPoints = 100000;

const Profile& Outline() {
  static const Profile profile = [] {
    Profile p;
    for (int i = 0; i < kPoints; ++i) {
      const double t = 2 * M_PI * (i % (kPoints - 1)) / (kPoints - 1);
      p.raw.push_back({FormatFixed(150 * (1 + std::cos(t)), 6), FormatFixed(20 * std::sin(t), 6)});
    }
    RefreshAdjusted(p, 6);
    return p;
  }();
  return profile;
}

void Run(benchmark::State& state, const std::function<void(PointRows&)>& operation) {
  for (auto _ : state) {
    state.PauseTiming();
    PointRows rows = Outline().raw;
    state.ResumeTiming();
    operation(rows);
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

#define OPERATION(name, body)                  \
  void BM_##name(benchmark::State& state) {    \
    Run(state, []([[maybe_unused]] PointRows& rows) { body; }); \
  }                                            \
  BENCHMARK(BM_##name)->Unit(benchmark::kMillisecond)

std::vector<int> Locked() {
  std::vector<int> locked;
  for (int r = 40000; r < 40100; ++r) locked.push_back(r);
  return locked;
}

OPERATION(Coefficient, ScaleByCoefficient(rows, 2, Locked()));
OPERATION(MoveLocked, MoveRows(rows, Locked(), 1, 1));
OPERATION(DivideOnePass, DivideSegments(rows, 0.001, 1));
OPERATION(Kerf, OffsetKerf(rows, Outline().adjusted, 0.5, false));
OPERATION(CrossesItself, CrossesItself(rows));
OPERATION(Rotate, Rotate(rows, 45));
OPERATION(QuarterTurn, QuarterTurnClockwise(rows));
OPERATION(MirrorHorizontal, MirrorHorizontal(rows));
OPERATION(ReverseDirection, ReverseDirection(rows));
OPERATION(InsertPoint, InsertPoint(rows, 50000));
OPERATION(DeleteRange, {
  std::vector<int> none;
  DeleteRows(rows, none, 100, 5000);
});
OPERATION(SetStartPoint, SetStartPoint(rows, 30000));
OPERATION(RemoveDuplicates, RemoveConsecutiveDuplicates(rows));
OPERATION(Simplify, Simplify(rows));
OPERATION(InvertLocks, {
  std::vector<int> locked = Locked();
  InvertLocks(locked, kPoints + 1);
});

OPERATION(Confondre, MergeClosePoints(rows, 0.5, 5, false));
OPERATION(ConfondreReversed, MergeClosePoints(rows, 0.5, 5, true));

}  // namespace

BENCHMARK_MAIN();
