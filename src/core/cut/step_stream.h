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

// Receives the stream in chunks: byte A (the cut) and byte B (the opposite
// cut, halves of the byte exchanged) for each tick.
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

// The opposite cut's byte: the two halves exchanged.
inline uint8_t OppositeByte(uint8_t profile1Bits, uint8_t profile2Bits) {
  return static_cast<uint8_t>(((profile1Bits << 4) | (profile2Bits >> 4)) & 0xFF);
}

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
