// Coordinate files (".dat", ".csv") and CUT projects: any bytes are read or
// refused; a coordinate profile read is always closed.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/project/drawing_readers.h"
#include "core/project/exports.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const orvane::DrawingRead read = orvane::ReadCoordinates(text, orvane::CoordinateFormat::Dat);
  if (!read.xs.empty() && (read.xs.size() < 2 || read.xs.front() != read.xs.back() ||
                           read.ys.front() != read.ys.back())) {
    std::abort();
  }
  const orvane::CutProjectRead cut = orvane::ReadCutProject(text);
  if (cut.rows1.size() != cut.rows2.size() || cut.rows1.size() > size) std::abort();
  return 0;
}
