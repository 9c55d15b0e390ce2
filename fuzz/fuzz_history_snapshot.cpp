// History snapshots are read back from the temporary folder: any bytes are
// refused or read, and what is read writes back to the same snapshot.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/project/history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  auto read = ReadHistorySnapshot(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!read) return 0;
  // Two lines of at least one byte each per row.
  if (read->rows1.size() + read->rows2.size() > size / 2) std::abort();
  auto again = ReadHistorySnapshot(WriteHistorySnapshot(*read));
  if (!again || again->rows1 != read->rows1 || again->rows2 != read->rows2) std::abort();
  return 0;
}
