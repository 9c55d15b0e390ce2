#include "core/cut/cut_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "core/app/machine_settings.h"
#include "core/common/cp1252.h"

namespace orvane {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(Cp1252ToUtf8(text));
  for (std::string line; std::getline(in, line);) {
    EXPECT_EQ(line.back(), '\r');
    line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

CutHeaderData Header() {
  CutHeaderData d;
  d.decimals = 2;
  const double dimensions[4] = {120.5, 40, 80, 20};
  DefaultZeroSizes(d.projection, dimensions);
  d.leadIn2 = {-10, 0};
  d.segments = 99;
  d.developed1 = 310;
  d.developed2 = 205;
  d.ticks = 123456;
  return d;
}

TEST(CutHeader, HasFortyEightLinesInTheirOrder) {
  MachineSettings s;
  s.X2step = 400;
  s.Y1clockwise = 1;
  const std::vector<std::string> l = Lines(WriteCutHeader(Header(), s, false));
  ASSERT_EQ(l.size(), 48u);
  EXPECT_EQ(l[0], "// version");
  EXPECT_EQ(l[1], "160");
  EXPECT_EQ(l[2], "// décimales");
  EXPECT_EQ(l[3], "2");
  // Without a projection, the projected sizes are the real ones.
  EXPECT_EQ(std::vector<std::string>(l.begin() + 5, l.begin() + 9),
            (std::vector<std::string>{"120.500", "40.000", "120.500", "40.000"}));
  EXPECT_EQ(l[15], "0");  // profile 1 has no lead-in
  EXPECT_EQ(l[18], "-10");
  EXPECT_EQ(l[21], "0");  // guide distance, position, thickness
  EXPECT_EQ(l[23], "0");
  EXPECT_EQ(l[25], "0");
  EXPECT_EQ(l[28], "1");  // Y1clockwise
  EXPECT_EQ(l[34], "400");
  EXPECT_EQ(l[37], "0");
  EXPECT_EQ(l[40], "3");
  EXPECT_EQ(l[42], "99");
  EXPECT_EQ(l[44], "310");
  EXPECT_EQ(l[47], "123456");
}

TEST(CutHeader, SetBExchangesTheProfilesButNotTheMotors) {
  MachineSettings s;
  s.X2step = 400;
  CutHeaderData d = Header();
  d.projection.guideDistance = 700;
  const std::vector<std::string> a = Lines(WriteCutHeader(d, s, false));
  const std::vector<std::string> b = Lines(WriteCutHeader(d, s, true));
  EXPECT_EQ(b[5], "80.000");
  EXPECT_EQ(b[10], "120.500");
  EXPECT_EQ(b[15], "-10");  // profile 2's lead-in now on lines 16-17
  EXPECT_EQ(b[18], "0");
  EXPECT_EQ(b[44], "205");
  EXPECT_EQ(b[45], "310");
  EXPECT_EQ(b[21], "700");
  for (int line = 27; line <= 40; ++line) EXPECT_EQ(a[line], b[line]) << line + 1;
}

TEST(CutHeader, ReadsBackWhatItWrites) {
  MachineSettings s;
  s.Y2clockwise = 1;
  s.X2step = 400;
  s.X1io = 3;
  s.Y2io = 0;
  CutHeaderData d = Header();
  d.projection.projectedX2 = 95.25;
  d.projection.guideDistance = 900;
  d.projection.materialPosition = 40;
  d.projection.materialThickness = 600;
  const CutHeaderRead read = ParseCutHeader(WriteCutHeader(d, s, false));
  ASSERT_TRUE(read.ok) << read.message;
  const CutHeaderInfo& h = read.info;
  EXPECT_FALSE(h.olderVersion);
  EXPECT_EQ(h.decimals, 2);
  EXPECT_EQ(h.sizes, (std::array<double, 8>{120.5, 40, 120.5, 40, 80, 20, 95.25, 20}));
  EXPECT_EQ(h.sizeLines[6], "95.250");
  EXPECT_EQ(h.leadIns, (std::array<double, 4>{0, 0, -10, 0}));
  EXPECT_EQ(h.guideDistance, 900);
  EXPECT_EQ(h.materialPosition, 40);
  EXPECT_EQ(h.materialThickness, 600);
  EXPECT_EQ(h.clockwise, (std::array<int64_t, 4>{0, 0, 0, 1}));
  EXPECT_EQ(h.stepsPerMm, (std::array<int64_t, 4>{200, 200, 400, 200}));
  EXPECT_EQ(h.ioSlots, (std::array<int64_t, 4>{3, 1, 2, 0}));
  EXPECT_EQ(h.segments, 99);
  EXPECT_EQ(h.developed, (std::array<int64_t, 2>{310, 205}));
  EXPECT_EQ(h.ticks, 123456u);
}

// One line of a written header replaced, or lines missing or added: every
// refusal names its line.
TEST(CutHeader, ReadsOnlyWhatTheCutWindowCanWrite) {
  const std::string good = WriteCutHeader(Header(), MachineSettings{}, false);
  auto lineStart = [&good](size_t number) {
    size_t start = 0;
    for (size_t i = 1; i < number; ++i) start = good.find('\n', start) + 1;
    return start;
  };
  struct Case {
    size_t line;
    const char* text;
    bool ok;
  } cases[] = {
      {2, "161", false},  // another layout
      {4, "6", true},        {4, "7", false},
      {6, "1e300", false},  // overflowed the block proposal
      {7, "-0.001", false},  {9, "100000000000", true},
      {16, "-1e300", false}, {24, "101", false},
      {28, "2", false},      {33, "800", true},
      {33, "801", false},    {38, "-9223372036854775808", false},  // wrapped to bits 0-1
      {45, "64.7", false},   {48, "4294967297", false},
  };
  for (const Case& c : cases) {
    const size_t start = lineStart(c.line);
    const CutHeaderRead read =
        ParseCutHeader(good.substr(0, start) + c.text + good.substr(good.find('\r', start)));
    EXPECT_EQ(read.ok, c.ok) << c.line << " " << c.text;
    if (!c.ok) {
      EXPECT_THAT(read.message, ::testing::HasSubstr("ligne " + std::to_string(c.line) + " : « " +
                                                     c.text + " »"));
    }
  }
  std::string lf = good;
  std::erase(lf, '\r');
  EXPECT_TRUE(ParseCutHeader(lf).ok);
  EXPECT_THAT(ParseCutHeader(good.substr(0, lineStart(47))).message,
              ::testing::HasSubstr("46 lignes sur 48"));  // without its tick count
  EXPECT_THAT(ParseCutHeader(good + "0\r\n").message,
              ::testing::HasSubstr("49 lignes au lieu de 48"));
  // An older version's header follows another layout: only recognised.
  const CutHeaderRead older = ParseCutHeader("// version\r\nv1.5\r\n");
  EXPECT_TRUE(older.ok && older.info.olderVersion);
}

TEST(CutPoints, AreLittleEndianDoublesExchangedForSetB) {
  const std::string a = WriteCutPoints({{1, 2, 3, 4.5L}}, false);
  const std::string b = WriteCutPoints({{1, 2, 3, 4.5L}}, true);
  ASSERT_EQ(a.size(), 32u);
  double values[4];
  std::memcpy(values, a.data(), 32);
  EXPECT_EQ(values[3], 4.5);
  std::memcpy(values, b.data(), 32);
  EXPECT_EQ(values[0], 3);
  EXPECT_EQ(values[1], 4.5);
  EXPECT_EQ(values[2], 1);
}

TEST(CutNames, FollowTheChosenBaseAndTheNumberOfCuts) {
  EXPECT_EQ(ProposedCutName("wing", true), "wing_A");
  EXPECT_EQ(ProposedCutName("wing", false), "wing");
  const std::string base = CutBase("/d/découpes/wing_A.ovd");
  EXPECT_EQ(base, "/d/découpes/wing_A");
  EXPECT_EQ(CutSetNames(base, true, false).steps, "/d/découpes/wing_A_A.ovd");
  EXPECT_EQ(CutSetNames(base, true, true).points, "/d/découpes/wing_A_B.ovs");
  EXPECT_EQ(CutSetNames("/d/wing", false, false).header, "/d/wing.ovi");
  EXPECT_EQ(CutBase("/d/v1.2/wing"), "/d/v1.2/wing");
}

}  // namespace
}  // namespace orvane
