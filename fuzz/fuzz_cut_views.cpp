// The run-length view of a step file: any bytes are a step file, and every
// block of runs read back must add up to the file, run after run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "core/machine/step_runs.h"
#include "fuzz_counters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kPaths[] = {"several blocks of runs"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::istringstream in(bytes);
  const std::optional<orvane::StepRunIndex> index = orvane::IndexStepRuns(in);
  if (!index || index->bytes != size) std::abort();
  uint64_t runs = 0, offset = 0;
  for (uint64_t block = 0; block < index->blockOffsets.size(); ++block) {
    for (const orvane::StepRun& run : orvane::ReadStepRunBlock(in, *index, block)) {
      if (run.length == 0 || run.number != runs + 1 || offset + run.length > size) std::abort();
      // A run is its byte repeated, and the next one starts with another.
      for (uint64_t i = 0; i < run.length; ++i) {
        if (uint8_t(bytes[offset + i]) != run.byte) std::abort();
      }
      offset += run.length;
      if (offset < size && uint8_t(bytes[offset]) == run.byte) std::abort();
      ++runs;
    }
  }
  if (runs != index->runs || offset != size) std::abort();
  if (index->blockOffsets.size() > 1) counters.Reached("several blocks of runs");
  return 0;
}
