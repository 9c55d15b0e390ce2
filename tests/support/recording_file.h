#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace orvane::test {

// One line of a port recording (ORVANE_RECORD, --record): nanoseconds since
// the first write, register offset (0 data, 2 control), value.
struct RecordedWrite {
  long long ns;
  int reg;
  int value;
};

inline std::vector<RecordedWrite> ReadRecording(const std::string& path) {
  std::vector<RecordedWrite> writes;
  std::ifstream in(path);
  RecordedWrite w{};
  while (in >> w.ns >> w.reg >> w.value) writes.push_back(w);
  return writes;
}

}  // namespace orvane::test
