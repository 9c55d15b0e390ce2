// History snapshots are read back from the temporary folder: any bytes are
// refused or read, and what is read writes back to the same snapshot.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/project/history.h"
#include "fuzz_counters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  static const char* const kPaths[] = {"snapshot read"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  auto read = ReadHistorySnapshot(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!read) return 0;
  // Two lines of at least one byte each per row.
  if (read->rows1.size() + read->rows2.size() > size / 2) std::abort();
  auto again = ReadHistorySnapshot(WriteHistorySnapshot(*read));
  if (!again || again->rows1 != read->rows1 || again->rows2 != read->rows2) std::abort();
  counters.Reached("snapshot read");
  return 0;
}
