#pragma once

// What a run left on the recording port: the values written to one address,
// and the pattern of each tick, checked to fall back to 0.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/recording_port.h"

namespace orvane::test {

inline std::vector<uint8_t> ValuesTo(const RecordingPort& port, uint16_t address) {
  std::vector<uint8_t> values;
  for (const RecordingPort::Write& w : port.To(address)) values.push_back(w.value);
  return values;
}

// A tick is its pattern then a 0; the last may still be high when the run
// was cut in the middle of it. `values` are the data writes in order.
template <class Values>
Values PatternsOf(const Values& values) {
  Values patterns;
  for (size_t i = 0; i < values.size(); i += 2) {
    patterns.push_back(values[i]);
    EXPECT_TRUE(i + 1 == values.size() || values[i + 1] == 0) << "after tick " << i / 2;
  }
  return patterns;
}

inline std::vector<uint8_t> PlayedPatterns(const RecordingPort& port, uint16_t data = 888) {
  return PatternsOf(ValuesTo(port, data));
}

}  // namespace orvane::test
