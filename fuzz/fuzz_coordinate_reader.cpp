// Coordinate files (".dat", ".csv") and CUT projects: any bytes are read or
// refused; a coordinate profile read is always closed, holds no more points
// than the file has data lines, and keeps to the coordinate limits.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/project/drawing_readers.h"
#include "core/project/exports.h"
#include "fuzz_counters.h"

namespace {

// True when the profile was read.
bool CheckCoordinates(const orvane::DrawingRead& read, size_t size) {
  using orvane::DrawingRead;
  if (read.xs.size() != read.ys.size()) std::abort();
  if (read.status == DrawingRead::Status::Refused) {
    if (!read.xs.empty() || read.message.empty()) std::abort();
    return false;
  }
  if (read.xs.empty()) return false;
  // A data line is at least "0 0" and its line end; the closing point is one more.
  if (read.xs.size() > size / 4 + 2 || read.xs.size() < 2) std::abort();
  if (read.xs.front() != read.xs.back() || read.ys.front() != read.ys.back()) std::abort();
  for (size_t i = 0; i < read.xs.size(); ++i) {
    if (!(std::fabs(read.xs[i]) <= orvane::kLargestCoordinate &&
          std::fabs(read.ys[i]) <= orvane::kLargestCoordinate)) {
      std::abort();
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  static const char* const kPaths[] = {"dat read", "csv read", "cut project read"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (CheckCoordinates(ReadCoordinates(text, CoordinateFormat::Dat), size)) {
    counters.Reached("dat read");
  }
  if (CheckCoordinates(ReadCoordinates(text, CoordinateFormat::Csv), size)) {
    counters.Reached("csv read");
  }
  const CutProjectRead cut = ReadCutProject(text);
  if (cut.rows1.size() != cut.rows2.size()) std::abort();
  // A record holds its five keys and four values.
  if (cut.rows1.size() > size / 18) std::abort();
  if (cut.ok != cut.message.empty()) std::abort();
  if (cut.ok && !cut.rows1.empty()) counters.Reached("cut project read");
  return 0;
}
