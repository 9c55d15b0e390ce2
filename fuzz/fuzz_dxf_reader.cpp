// Drawings come from anywhere: any bytes read as DXF end, with at most a
// bounded number of points per line of input, all re-anchored at (0, 0).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/project/drawing_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const orvane::DrawingRead read =
      orvane::ReadDxf(std::string_view(reinterpret_cast<const char*>(data), size));
  if (read.xs.size() != read.ys.size()) std::abort();
  // An arc line gives at most a few thousand samples.
  if (read.xs.size() > 20000 * (size + 1)) std::abort();
  if (!read.xs.empty() && (*std::min_element(read.xs.begin(), read.xs.end()) != 0 ||
                           *std::min_element(read.ys.begin(), read.ys.end()) != 0)) {
    std::abort();
  }
  return 0;
}
