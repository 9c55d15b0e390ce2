#include "core/machine/step_runs.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace orvane {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

// Every run of the file, block after block, as the view reads them.
std::vector<StepRun> AllRuns(std::istream& in, const StepRunIndex& index) {
  std::vector<StepRun> all;
  for (uint64_t b = 0; b < index.blockOffsets.size(); ++b) {
    for (const StepRun& r : ReadStepRunBlock(in, index, b)) all.push_back(r);
  }
  return all;
}

TEST(StepRuns, SplitsASmallKnownFileIntoItsRuns) {
  // 01 01 01 00 00 05 01: four runs of 3, 2, 1, 1.
  std::istringstream in(Bytes({1, 1, 1, 0, 0, 5, 1}));
  const std::optional<StepRunIndex> index = IndexStepRuns(in);
  ASSERT_TRUE(index);
  EXPECT_EQ(index->runs, 4u);
  EXPECT_EQ(index->bytes, 7u);
  const std::vector<StepRun> runs = AllRuns(in, *index);
  ASSERT_EQ(runs.size(), 4u);
  const uint64_t lengths[4] = {3, 2, 1, 1};
  const uint8_t bytes[4] = {1, 0, 5, 1};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(runs[i].number, i + 1);
    EXPECT_EQ(runs[i].length, lengths[i]) << i;
    EXPECT_EQ(runs[i].byte, bytes[i]) << i;
  }
}

TEST(StepRuns, BlocksJoinExactlyOverManyRunsAndLongRuns) {
  // 3000 alternating runs whose lengths cycle 1..7, then one run of 200,000
  // bytes across several read chunks.
  std::string data;
  uint64_t expectedBytes = 0;
  for (int r = 0; r < 3000; ++r) {
    data.append(static_cast<size_t>(r % 7 + 1), static_cast<char>(r % 2 ? 0x55 : 0x0A));
  }
  data.append(200000, static_cast<char>(0xFF));
  expectedBytes = data.size();
  std::istringstream in(data);
  const std::optional<StepRunIndex> index = IndexStepRuns(in);
  ASSERT_TRUE(index);
  EXPECT_EQ(index->runs, 3001u);
  EXPECT_EQ(index->bytes, expectedBytes);
  EXPECT_EQ(index->blockOffsets.size(), 3u);
  const std::vector<StepRun> runs = AllRuns(in, *index);
  ASSERT_EQ(runs.size(), 3001u);
  uint64_t total = 0;
  for (size_t i = 0; i < 3000; ++i) {
    ASSERT_EQ(runs[i].number, i + 1);
    ASSERT_EQ(runs[i].length, i % 7 + 1) << i;
    ASSERT_EQ(runs[i].byte, i % 2 ? 0x55 : 0x0A) << i;
    total += runs[i].length;
  }
  EXPECT_EQ(runs[3000].length, 200000u);
  EXPECT_EQ(runs[3000].byte, 0xFF);
  EXPECT_EQ(total + runs[3000].length, expectedBytes);
}

TEST(StepRuns, EmptyFileAndStoppedReading) {
  std::istringstream empty("");
  const std::optional<StepRunIndex> none = IndexStepRuns(empty);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->runs, 0u);
  EXPECT_TRUE(ReadStepRunBlock(empty, *none, 0).empty());

  std::istringstream big(std::string(3 << 20, '\x01'));
  int calls = 0;
  const std::optional<StepRunIndex> stopped = IndexStepRuns(big, [&](uint64_t) {
    ++calls;
    return false;
  });
  EXPECT_FALSE(stopped);
  EXPECT_EQ(calls, 1);
}

TEST(StepRuns, AFileThatShrankGivesTheRunsItStillHolds) {
  std::istringstream before(Bytes({1, 2, 3, 4}));
  const StepRunIndex index = *IndexStepRuns(before);
  std::istringstream after(Bytes({1, 2}));
  const std::vector<StepRun> runs = ReadStepRunBlock(after, index, 0);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].byte, 2);
}

TEST(StepRuns, CellTexts) {
  // X1 on slot 1 owns bits 2 and 3: 0x0C.
  EXPECT_EQ(AxisBitsText(0x3D, 0x0C), "oooo11oo");
  EXPECT_EQ(AxisBitsText(0x3D, 0xC0), "oooooooo");
  EXPECT_EQ(AxisBitsText(0xFF, 0xC0), "11oooooo");
  EXPECT_EQ(HexByteText(0x0A), "0A");
  EXPECT_EQ(HexByteText(0xFF), "FF");

  std::istringstream crlf("a\r\nb\r\nc\r\n"), open("a\nb"), none("");
  EXPECT_EQ(CountTextLines(crlf), 3u);
  EXPECT_EQ(CountTextLines(open), 2u);
  EXPECT_EQ(CountTextLines(none), 0u);
  // 4800 bytes for 10 lines of 48 bytes.
  EXPECT_EQ(TransferRatioText(4800, 10), "Rapport n1/n2  =  10.0");
  EXPECT_EQ(TransferRatioText(4800, 0), "");
}

}  // namespace
}  // namespace orvane
