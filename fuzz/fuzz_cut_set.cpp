// A cut set on disk may pair a header with any step file: the input is the
// header, the line "#ovd", then the step file's bytes. A set the checks accept
// holds exactly the header's ticks, and no motor travels beyond the header's
// size for it, as an independent decoding of the bytes finds.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/cut/cut_files.h"
#include "core/cut/cut_set_check.h"
#include "fuzz_counters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  static const char* const kPaths[] = {"header read", "set accepted", "with its step file"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  constexpr std::string_view kSeparator = "\n#ovd\n";
  const size_t at = input.find(kSeparator);
  const std::string_view header = input.substr(0, at == std::string_view::npos ? size : at + 1);
  const std::optional<std::string_view> steps =
      at == std::string_view::npos ? std::nullopt
                                   : std::optional(input.substr(at + kSeparator.size()));

  const CutHeaderRead read = ParseCutHeader(header);
  if (!read.ok || read.info.olderVersion) return 0;
  counters.Reached("header read");
  const CutHeaderInfo& h = read.info;
  const CutStepCheck check = CheckCutStepFile(h, steps);
  if (!check.ok) {
    if (check.message.empty()) std::abort();
    return 0;
  }
  counters.Reached("set accepted");
  if (check.ticks != h.ticks) std::abort();
  if (!steps) return 0;
  counters.Reached("with its step file");
  if (steps->size() != h.ticks) std::abort();

  // Both bits of a motor's pair: one step up; the step bit alone: one down.
  for (size_t axis = 0; axis < 4; ++axis) {
    const int shift = 2 * static_cast<int>(h.ioSlots[axis]);
    int64_t position = 0, lowest = 0, highest = 0;
    for (unsigned char byte : *steps) {
      const int bits = (byte >> shift) & 3;
      position += bits == 3 ? 1 : bits == 1 ? -1 : 0;
      lowest = std::min(lowest, position);
      highest = std::max(highest, position);
    }
    constexpr size_t kProjectedSize[4] = {2, 3, 6, 7};
    const double size = h.sizes[kProjectedSize[axis]];
    // The size, its rounding (the profiles' decimals and the header's three), one step.
    const double limit =
        (size + std::pow(10.0, -double(h.decimals)) + 0.0005) * double(h.stepsPerMm[axis]);
    if (double(highest - lowest) > std::floor(limit) + 1) std::abort();
  }
  return 0;
}
