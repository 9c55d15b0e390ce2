// A memo file may have been edited anywhere: any bytes give rows, and the
// rows saved then read again are the same rows, whatever their characters.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/params/cutting_memo.h"
#include "fuzz_counters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  static const char* const kPaths[] = {"saved and read back"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  const std::vector<MemoRow> rows =
      ReadMemoFile(std::string_view(reinterpret_cast<const char*>(data), size));
  if (rows.empty() || rows.size() > size / kMemoCells + 1) std::abort();
  if (ReadMemoFile(WriteMemoFile(rows)) != rows) std::abort();
  counters.Reached("saved and read back");
  return 0;
}
