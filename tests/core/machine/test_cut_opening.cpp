#include "core/machine/cut_opening.h"

#include <gtest/gtest.h>

#include <string>

#include "core/app/machine_settings.h"
#include "core/cut/cut_files.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using test::TempFolder;
using test::WriteText;

// A header as the cut window writes it, for a cut of the edge cases' sizes.
CutHeaderData WingData(bool sameProjection) {
  CutHeaderData data;
  data.projection.realX1 = 300;
  data.projection.realY1 = 100;
  data.projection.realX2 = 280;
  data.projection.realY2 = 90;
  data.projection.projectedX1 = 320;
  data.projection.projectedY1 = 110;
  data.projection.projectedX2 = sameProjection ? 320 : 300;
  data.projection.projectedY2 = 110;
  data.leadIn1 = {10, 0};
  data.ticks = 1500;
  return data;
}

std::string Header(const CutHeaderData& data, const MachineSettings& settings) {
  return WriteCutHeader(data, settings, false);
}

TEST(CutHeader, ReadsTheSizesLeadInsAndMotorValues) {
  MachineSettings settings;
  settings.Y2clockwise = 1;
  settings.X2step = 400;
  settings.X1io = 3;
  const CutHeaderRead read = ParseCutHeader(Header(WingData(true), settings));
  ASSERT_TRUE(read.ok) << read.message;
  EXPECT_FALSE(read.info.olderVersion);
  EXPECT_DOUBLE_EQ(read.info.sizes[0], 300);
  EXPECT_DOUBLE_EQ(read.info.sizes[5], 90);
  EXPECT_EQ(read.info.sizeLines[2], "320.000");
  EXPECT_DOUBLE_EQ(read.info.leadIns[0], 10);
  EXPECT_EQ(read.info.clockwise[3], 1);
  EXPECT_EQ(read.info.stepsPerMm[2], 400);
  EXPECT_EQ(read.info.ioSlots[0], 3);
}

TEST(CutHeader, RefusesAnOlderVersionATruncatedOrGarbledHeader) {
  const CutHeaderRead older = ParseCutHeader("// version\r\nv1.5\r\n");
  ASSERT_TRUE(older.ok);
  EXPECT_TRUE(older.info.olderVersion);

  const CutHeaderRead shortHeader = ParseCutHeader("// version\r\n160\r\n// décimales\r\n3\r\n");
  EXPECT_FALSE(shortHeader.ok);
  EXPECT_NE(shortHeader.message.find("4 lignes sur 48"), std::string::npos);

  MachineSettings settings;
  std::string text = Header(WingData(true), settings);
  const size_t at = text.find("200\r\n");  // line 33, X1step
  text.replace(at, 3, "2x0");
  const CutHeaderRead garbled = ParseCutHeader(text);
  EXPECT_FALSE(garbled.ok);
  EXPECT_NE(garbled.message.find("ligne 33"), std::string::npos) << garbled.message;
}

TEST(CutHeader, ListsEachOfTheTwelveValuesThatDiffer) {
  MachineSettings recorded;
  const CutHeaderRead read = ParseCutHeader(Header(WingData(true), recorded));
  ASSERT_TRUE(read.ok);
  MachineSettings current;
  EXPECT_TRUE(DifferingSettings(read.info, current).empty());
  current.Y1clockwise = 1;
  current.X2io = 1;
  current.Y2step = 400;
  const auto differences = DifferingSettings(read.info, current);
  ASSERT_EQ(differences.size(), 3u);
  EXPECT_EQ(differences[0], "Y1 : sens normal dans la découpe, sens inversé dans les réglages");
  EXPECT_EQ(differences[1], "X2 : bits 4-5 dans la découpe, bits 2-3 dans les réglages");
  EXPECT_EQ(differences[2], "Y2 : 200 pas/mm dans la découpe, 400 pas/mm dans les réglages");
}

TEST(CutHeader, ProposesTheBlockFromSizesAndLeadIns) {
  MachineSettings settings;
  struct Case {
    const char* name;
    bool sameProjection;
    std::pair<double, double> leadIn1, leadIn2;
    int64_t width, height;
  };
  const Case cases[] = {
      // mX 10 > mY 0: mY = 20
      {"equal projections, lead-in (10, 0)", true, {10, 0}, {0, 0}, 310, 120},
      {"different projections: 6 mm each way", false, {10, 0}, {0, 0}, 306, 106},
      // mX 3 < mY 7: mX = 14
      {"larger Y lead-in doubles into X", true, {-3, 0}, {0, -7}, 314, 107},
      {"no lead-in: 6 mm each way", true, {0, 0}, {0, 0}, 306, 106},
  };
  for (const Case& c : cases) {
    CutHeaderData data = WingData(c.sameProjection);
    data.leadIn1 = c.leadIn1;
    data.leadIn2 = c.leadIn2;
    const CutHeaderRead read = ParseCutHeader(Header(data, settings));
    ASSERT_TRUE(read.ok) << c.name;
    const BlockSize block = ProposeBlock(read.info);
    EXPECT_EQ(block.width, c.width) << c.name;
    EXPECT_EQ(block.height, c.height) << c.name;
  }
}

TEST(CutHeader, ABlockNoLargerThanTheProfileDoesNotFit) {
  MachineSettings settings;
  const CutHeaderRead read = ParseCutHeader(Header(WingData(true), settings));
  ASSERT_TRUE(read.ok);
  EXPECT_FALSE(CheckBlock(read.info, 300, 120).widthOk);
  EXPECT_TRUE(CheckBlock(read.info, 300, 120).heightOk);
  EXPECT_TRUE(CheckBlock(read.info, 301, 120).Fits());
  EXPECT_FALSE(CheckBlock(read.info, 310, 100).heightOk);
  EXPECT_TRUE(CheckBlock(read.info, 310, 101).heightOk);
}

struct CutOnDisk {
  explicit CutOnDisk(const MachineSettings& recorded, uint64_t headerTicks = 1500,
                     size_t stepBytes = 1500) {
    CutHeaderData data = WingData(true);
    data.ticks = headerTicks;
    WriteText(folder / "wing.ovi", WriteCutHeader(data, recorded, false));
    WriteText(folder / "wing.ovd", std::string(stepBytes, '\x01'));
    WriteText(folder / "wing.ovg", "F 100\r\nG01 X1\r\n");
  }
  TempFolder folder;
};

TEST(OpenCut, AllowsWhatTheFilesAndSettingsAllow) {
  MachineSettings settings;
  CutOnDisk disk(settings);
  OpenedCut cut = OpenCut(disk.folder / "wing.ovi", settings);
  ASSERT_TRUE(cut.loaded) << cut.message;
  EXPECT_EQ(cut.base, disk.folder / "wing");
  EXPECT_EQ(cut.ticks, 1500u);
  EXPECT_TRUE(cut.hasSteps && cut.hasGcode);
  EXPECT_FALSE(cut.hasPoints);
  EXPECT_TRUE(cut.CanRun(0));
  EXPECT_TRUE(cut.CanDetail());
  EXPECT_FALSE(cut.CanSimulate(0));

  MachineSettings other = settings;
  other.X1step = 400;
  cut = OpenCut(disk.folder / "wing.ovd", other);  // any of the set's names opens it
  EXPECT_TRUE(cut.loaded);
  EXPECT_FALSE(cut.CanRun(1));
  EXPECT_FALSE(cut.CanAuto(1));
  ASSERT_EQ(cut.differences.size(), 1u);

  other.PortType = 2;  // the board has no such check
  cut = OpenCut(disk.folder / "wing.ovi", other);
  EXPECT_TRUE(cut.CanRun(2));
  EXPECT_TRUE(cut.CanSimulate(2));
}

TEST(OpenCut, RefusesAStepFileThatIsNotTheHeadersAndAMissingHeader) {
  MachineSettings settings;
  CutOnDisk disk(settings, 1500, 1499);
  const OpenedCut cut = OpenCut(disk.folder / "wing.ovi", settings);
  EXPECT_TRUE(cut.loaded);
  EXPECT_FALSE(cut.stepFileMatches);
  EXPECT_FALSE(cut.CanRun(0));
  EXPECT_NE(cut.message.find("1499 octets pour 1500 pas"), std::string::npos) << cut.message;

  const OpenedCut missing = OpenCut(disk.folder / "absent.ovi", settings);
  EXPECT_FALSE(missing.loaded);
  EXPECT_FALSE(missing.CanAuto(0));
}

TEST(OpenCut, TakesTheTickCountFromTheStepFileWhenTheHeaderStopsAtLine46) {
  MachineSettings settings;
  CutOnDisk disk(settings);
  std::string text = WriteCutHeader(WingData(true), settings, false);
  for (int i = 0; i < 2; ++i) text.erase(text.rfind("\r\n", text.size() - 3) + 2);
  WriteText(disk.folder / "wing.ovi", text);
  const OpenedCut cut = OpenCut(disk.folder / "wing.ovi", settings);
  ASSERT_TRUE(cut.loaded) << cut.message;
  EXPECT_EQ(cut.ticks, 1500u);
  EXPECT_TRUE(cut.CanRun(0));
}

TEST(CutHeader, ReadsTheShownValuesAndNeverRefusesOverThem) {
  MachineSettings settings;
  CutHeaderData data = WingData(true);
  data.decimals = 2;
  data.projection.guideDistance = 900;
  data.projection.materialPosition = 40;
  data.projection.materialThickness = 600;
  data.segments = 123;
  data.developed1 = 640;
  data.developed2 = 590;
  std::string text = Header(data, settings);
  const CutHeaderRead read = ParseCutHeader(text);
  ASSERT_TRUE(read.ok) << read.message;
  EXPECT_EQ(read.info.decimals, 2);
  EXPECT_EQ(read.info.guideDistance, 900);
  EXPECT_EQ(read.info.materialPosition, 40);
  EXPECT_EQ(read.info.materialThickness, 600);
  EXPECT_EQ(read.info.segments, 123);
  EXPECT_EQ(read.info.developed[0], 640);
  EXPECT_EQ(read.info.developed[1], 590);
  // A developed length written with decimals, or garbled, is only shown.
  text.replace(text.find("\r\n640\r\n"), 7, "\r\n64.7\r\n");
  text.replace(text.find("\r\n590\r\n"), 7, "\r\nxx\r\n");
  const CutHeaderRead lenient = ParseCutHeader(text);
  ASSERT_TRUE(lenient.ok) << lenient.message;
  EXPECT_EQ(lenient.info.developed[0], 64);
  EXPECT_EQ(lenient.info.developed[1], 0);
}

}  // namespace
}  // namespace orvane
