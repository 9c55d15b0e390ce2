#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// What a recorded run says about its timing. A tick is a pair of writes to
// the data register (the pattern, then 0); times are in nanoseconds.
struct PulseAnalysis {
  uint64_t ticks = 0;
  double nominalPeriodUs = 0;
  double meanPeriodUs = 0;
  double meanErrorUs = 0;  // mean period minus nominal
  double p50AbsErrorUs = 0;
  double p99AbsErrorUs = 0;
  double maxAbsErrorUs = 0;
  double shortestPeriodUs = 0;
  double longestPeriodUs = 0;
  double minHighUs = 0;
  double meanHighUs = 0;
  double maxHighUs = 0;
  std::array<uint64_t, 256> bytes{};  // ticks played per pattern
  uint64_t controlWrites = 0;
  int firstControl = -1;  // value, or -1 when the control register was never written
  int lastControl = -1;
};

// Fed one write at a time, so a run of any length is judged in fixed memory:
// the error percentiles come from a histogram of 10 ns bins up to 2 ms.
class PulseAnalyzer {
 public:
  explicit PulseAnalyzer(double nominalPeriodUs);
  // `offset` is the register: 0 data, 2 control.
  void Add(int64_t timeNs, int offset, uint8_t value);
  PulseAnalysis Result() const;

 private:
  double nominalNs_;
  PulseAnalysis a_;
  std::vector<uint32_t> histogram_;
  bool high_ = false;  // the next data write is a tick's falling edge
  int64_t firstStart_ = 0, lastStart_ = 0;
  int64_t shortest_ = INT64_MAX, longest_ = 0;
  int64_t minHigh_ = INT64_MAX, maxHigh_ = 0;
  double highSum_ = 0, absErrorMax_ = 0;
  uint64_t periods_ = 0;
};

// The analysis as lines of text for a terminal or a note.
std::string FormatPulseAnalysis(const PulseAnalysis& analysis);

}  // namespace orvane
