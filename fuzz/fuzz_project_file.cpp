// Any bytes given as a project file are refused or read, never a crash, a
// hang or an allocation sized by the file's point count; what is read writes
// back to a file that reads the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/common/text_number.h"
#include "core/project/project_file.h"
#include "fuzz_counters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  static const char* const kPaths[] = {"project read"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  const ProjectReadResult read =
      ReadProjectFile(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!read.ok) return 0;
  // Four coordinate lines of at least two bytes each per point.
  if (read.data.X1.size() > size / 8) std::abort();
  Profile p1, p2;
  for (size_t i = 0; i < read.data.X1.size(); ++i) {
    p1.raw.push_back({FormatFixed(read.data.X1[i], 6), FormatFixed(read.data.Y1[i], 6)});
    p2.raw.push_back({FormatFixed(read.data.X2[i], 6), FormatFixed(read.data.Y2[i], 6)});
  }
  const ProjectWriteResult written =
      WriteProjectFile(p1, p2, read.data.decimals, read.data.dimensions);
  const ProjectReadResult again = ReadProjectFile(written.bytes);
  if (!again.ok || again.data.X1.size() != read.data.X1.size()) std::abort();
  counters.Reached("project read");
  return 0;
}
