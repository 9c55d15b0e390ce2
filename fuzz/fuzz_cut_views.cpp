// What the execution window reads of a cut: the header's fields and the step
// file's runs, every block of which must add up to the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "core/machine/cut_opening.h"
#include "core/machine/step_runs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orvane::ParseCutHeader(text);

  std::istringstream in(text);
  const std::optional<orvane::StepRunIndex> index = orvane::IndexStepRuns(in);
  if (!index || index->bytes != size) std::abort();
  uint64_t runs = 0, bytes = 0;
  for (uint64_t block = 0; block < index->blockOffsets.size(); ++block) {
    for (const orvane::StepRun& run : orvane::ReadStepRunBlock(in, *index, block)) {
      if (run.length == 0 || run.number != runs + 1) std::abort();
      ++runs;
      bytes += run.length;
    }
  }
  if (runs != index->runs || bytes != size) std::abort();
  return 0;
}
