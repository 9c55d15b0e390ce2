#include "core/machine/pulse_analysis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(PulseAnalysis, JudgesPeriodsWidthsAndBytesFromTheWrites) {
  // Nominal 100 µs. Ticks start at 0, 100.5, 200, 300 µs: periods 100.5,
  // 99.5 and 100, so the mean is exact, the errors 0.5, 0.5, 0 and the
  // shortest 99.5. Highs of 30, 31, 29 and 30 µs.
  PulseAnalyzer analyzer(100);
  analyzer.Add(0, 2, 0x03);
  const long long starts[] = {0, 100500, 200000, 300000};
  const long long highs[] = {30000, 31000, 29000, 30000};
  const uint8_t bytes[] = {0x05, 0x05, 0x00, 0x0F};
  for (int k = 0; k < 4; ++k) {
    analyzer.Add(starts[k], 0, bytes[k]);
    analyzer.Add(starts[k] + highs[k], 0, 0);
  }
  analyzer.Add(400000, 2, 0x01);
  const PulseAnalysis a = analyzer.Result();
  EXPECT_EQ(a.ticks, 4u);
  EXPECT_DOUBLE_EQ(a.meanPeriodUs, 100);
  EXPECT_DOUBLE_EQ(a.meanErrorUs, 0);
  EXPECT_NEAR(a.p50AbsErrorUs, 0.5, 0.01);
  EXPECT_NEAR(a.p99AbsErrorUs, 0.5, 0.01);
  EXPECT_DOUBLE_EQ(a.maxAbsErrorUs, 0.5);
  EXPECT_DOUBLE_EQ(a.shortestPeriodUs, 99.5);
  EXPECT_DOUBLE_EQ(a.longestPeriodUs, 100.5);
  EXPECT_DOUBLE_EQ(a.minHighUs, 29);
  EXPECT_DOUBLE_EQ(a.meanHighUs, 30);
  EXPECT_DOUBLE_EQ(a.maxHighUs, 31);
  EXPECT_EQ(a.bytes[0x05], 2u);
  EXPECT_EQ(a.bytes[0x00], 1u);
  EXPECT_EQ(a.bytes[0x0F], 1u);
  EXPECT_EQ(a.controlWrites, 2u);
  EXPECT_EQ(a.firstControl, 3);
  EXPECT_EQ(a.lastControl, 1);
  EXPECT_THAT(FormatPulseAnalysis(a), ::testing::HasSubstr("0x05 x 2 0x0F x 1"));
}

TEST(PulseAnalysis, APercentileSeesTheRareLateTickAndARunCutMidTickCountsIt) {
  // 199 periods on time and one 40 µs late: p50 0, p99 still 0 (1 in 200 is
  // half a percent), max 40.
  PulseAnalyzer analyzer(100);
  long long t = 0;
  for (int k = 0; k <= 200; ++k) {
    analyzer.Add(t, 0, 1);
    if (k < 200) analyzer.Add(t + 50000, 0, 0);  // the last tick never falls
    t += k == 100 ? 140000 : 100000;
  }
  const PulseAnalysis a = analyzer.Result();
  EXPECT_EQ(a.ticks, 201u);
  EXPECT_LT(a.p50AbsErrorUs, 0.02);
  EXPECT_LT(a.p99AbsErrorUs, 0.02);
  EXPECT_DOUBLE_EQ(a.maxAbsErrorUs, 40);
  EXPECT_DOUBLE_EQ(a.meanHighUs, 50);
  EXPECT_EQ(a.lastControl, -1);
}

}  // namespace
}  // namespace orvane
