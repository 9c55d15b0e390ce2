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

// The control images written, in order.
inline std::vector<int> ControlValues(const std::vector<RecordedWrite>& writes) {
  std::vector<int> values;
  for (const RecordedWrite& w : writes) {
    if (w.reg == 2) values.push_back(w.value);
  }
  return values;
}

// The data writes: each tick writes its pattern, then 0.
inline std::string DataBytes(const std::vector<RecordedWrite>& writes) {
  std::string bytes;
  for (const RecordedWrite& w : writes) {
    if (w.reg == 0) bytes += static_cast<char>(w.value);
  }
  return bytes;
}

}  // namespace orvane::test
