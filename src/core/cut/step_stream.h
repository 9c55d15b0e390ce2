#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/project/profile.h"

namespace orvane {

struct MachineSettings;

// One row of the cut table: X1, Y1, X2, Y2 in millimetres, parsed from the
// adjusted tables' texts straight into extended precision.
using CutPoint = std::array<long double, 4>;

struct CutTable {
  std::vector<CutPoint> points;
  std::string error;  // the first cell that is not a number
};
// Pairs row i of both adjusted tables; the row count is profile 1's.
CutTable MakeCutTable(const PointRows& adjusted1, const PointRows& adjusted2);

// The motor settings the stream depends on, in the order X1, Y1, X2, Y2.
struct StepAxes {
  std::array<uint16_t, 4> stepsPerMm{};
  std::array<uint16_t, 4> clockwise{};
  std::array<uint16_t, 4> io{};
};
StepAxes StepAxesFrom(const MachineSettings& settings);

// The most ticks a cut may have: 2^32, days of cutting at the fastest period.
inline constexpr uint64_t kMaxCutTicks = uint64_t(1) << 32;

// Refuses, before any tick is made, a cut whose positions in steps do not fit
// the machine's counters or whose ticks exceed kMaxCutTicks: such a cut would
// overflow or run for ever. Empty when the cut can be generated.
std::string CheckCutLimits(const std::vector<CutPoint>& points, const StepAxes& axes);

// Receives the stream in chunks: byte A (the cut) and byte B (the opposite
// cut: each motor plays its partner's motion, X1 <-> X2 and Y1 <-> Y2) for
// each tick.
class StepSink {
 public:
  virtual ~StepSink() = default;
  virtual bool Put(const uint8_t* a, const uint8_t* b, size_t count) = 0;  // false: write error
};

// Told of the progress now and then (every segment, and every 64 Ki ticks
// inside long segments); returns false to abort.
class GenerationObserver {
 public:
  virtual ~GenerationObserver() = default;
  virtual bool Continue(size_t segment, size_t segments, uint64_t ticks) = 0;
  // The stream is computed; the files are being completed.
  virtual void Writing() {}
};

struct GenerationResult {
  uint64_t ticks = 0;
  bool aborted = false;
  bool writeFailed = false;
};

// Turns every segment into ticks. Each axis' steps are counted from absolute
// positions, T(x) = Int(steps/mm x x): the segment a -> b makes |T(b) - T(a)|
// steps, so no motion is lost between segments and a closed outline returns
// exactly to its start. Memory does not grow with the number of ticks; with
// no sink only the ticks are counted.
GenerationResult GenerateSteps(const std::vector<CutPoint>& points, const StepAxes& axes,
                               StepSink* sink, GenerationObserver* observer);

// The opposite cut's pattern of an axis: its step and direction bits moved
// into the bit pair of its partner on the other guide (X1 <-> X2, Y1 <-> Y2),
// so the opposite piece follows the wiring. With the factory pairs 0..3 this
// is the exchange of the two halves of the byte.
std::array<uint8_t, 4> OppositePatterns(const std::array<uint8_t, 4>& patterns,
                                        const StepAxes& axes);

// Developed length of a profile in whole millimetres.
long RoundedDevelopedLength(const PointRows& adjusted);

}  // namespace orvane

namespace orvane {

// Writes bytes A to one file and bytes B to another ("tmp1", "tmp2").
class FileStepSink : public StepSink {
 public:
  FileStepSink(const std::string& pathA, const std::string& pathB);
  ~FileStepSink() override;
  bool Opened() const { return a_ != nullptr && b_ != nullptr; }
  bool Put(const uint8_t* a, const uint8_t* b, size_t count) override;
  bool Close();  // false when a write or the close failed

 private:
  std::FILE* a_ = nullptr;
  std::FILE* b_ = nullptr;
  bool failed_ = false;
};

}  // namespace orvane
