// Drawings come from anywhere: any bytes read as DXF end, within the point
// and extent limits, re-anchored at (0, 0), or are refused with a reason.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/project/drawing_readers.h"
#include "fuzz_counters.h"

namespace {

using orvane::DrawingRead;

void Check(const DrawingRead& read, size_t size, bool markers) {
  using namespace orvane;
  if (read.xs.size() != read.ys.size()) std::abort();
  if (read.status == DrawingRead::Status::Refused) {
    if (!read.xs.empty() || read.message.empty()) std::abort();
    return;
  }
  // A circle, the most a marker can make (73 points), takes at least 21
  // bytes; the last entity may be cut short. A parsed curve has no such bound.
  if ((markers && read.xs.size() > 4 * size + 73) || read.xs.size() > kMostDrawingPoints) {
    std::abort();
  }
  if (read.xs.empty()) return;
  const auto [minX, maxX] = std::minmax_element(read.xs.begin(), read.xs.end());
  const auto [minY, maxY] = std::minmax_element(read.ys.begin(), read.ys.end());
  if (*minX != 0 || *minY != 0 || !(*maxX <= kLargestCoordinate) ||
      !(*maxY <= kLargestCoordinate)) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  static const char* const kPaths[] = {"drawing read"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Check(ReadDxf(bytes), size, true);
  Check(ReadCadDxf(bytes), size, false);
  counters.Reached("drawing read");
  return 0;
}
