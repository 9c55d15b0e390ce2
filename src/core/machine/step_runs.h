#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// A run of equal consecutive bytes of a step file.
struct StepRun {
  uint64_t number = 0;  // from 1
  uint64_t length = 0;
  uint8_t byte = 0;
};

// Where every block of runs starts in the step file, so any row of the
// run-length view is decoded on demand: a step file of gigabytes needs a few
// megabytes of index, never one object per run.
struct StepRunIndex {
  static constexpr uint64_t kRunsPerBlock = 1024;
  uint64_t runs = 0;
  uint64_t bytes = 0;
  std::vector<uint64_t> blockOffsets;  // the file offset of run k × kRunsPerBlock + 1
};

// Called now and then with the bytes read so far; false stops the reading.
using StepRunProgress = std::function<bool(uint64_t bytesRead)>;

// One pass over the stream. Nothing when `progress` stopped it.
std::optional<StepRunIndex> IndexStepRuns(std::istream& in, const StepRunProgress& progress = {});

// The runs of one block, read from the stream the index was made of. A
// stream that changed since gives the runs it still holds.
std::vector<StepRun> ReadStepRunBlock(std::istream& in, const StepRunIndex& index, uint64_t block);

// The byte masked with an axis' pair mask, eight characters, most
// significant bit first: "1" for a set bit, "o" for a clear one.
std::string AxisBitsText(uint8_t byte, uint8_t pairMask);

// "0A": two upper-case hexadecimal digits.
std::string HexByteText(uint8_t byte);

// The number of lines of a text stream (a last line without its end counts).
uint64_t CountTextLines(std::istream& in);

// "Rapport n1/n2  =  " and the ratio "%.1f"; empty without G-code lines.
std::string TransferRatioText(uint64_t stepBytes, uint64_t gcodeLines);

}  // namespace orvane
