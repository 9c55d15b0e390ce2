#include "core/machine/cut_opening.h"

#include <gtest/gtest.h>

#include <string>

#include "core/app/machine_settings.h"
#include "core/cut/cut_files.h"
#include "support/temp_folder.h"
#include "support/wing_header.h"

namespace orvane {
namespace {

using test::TempFolder;
using test::WriteText;

TEST(CutHeader, ProposesTheBlockFromSizesAndLeadInsAndChecksItFits) {
  MachineSettings settings;
  struct Case {
    const char* name;
    bool sameProjection;
    std::pair<double, double> leadIn1, leadIn2;
    int64_t width, height;
  };
  // clang-format off
  const Case cases[] = {
      {"equal projections, lead-in (10, 0)", true, {10, 0}, {0, 0}, 310, 120},  // mX 10 > mY 0: mY = 20
      {"different projections: 6 mm each way", false, {10, 0}, {0, 0}, 306, 106},
      {"larger Y lead-in doubles into X", true, {-3, 0}, {0, -7}, 314, 107},  // mX 3 < mY 7: mX = 14
      {"no lead-in: 6 mm each way", true, {0, 0}, {0, 0}, 306, 106},
  };
  // clang-format on
  for (const Case& c : cases) {
    CutHeaderData data = test::WingHeader(c.sameProjection);
    data.leadIn1 = c.leadIn1;
    data.leadIn2 = c.leadIn2;
    const CutHeaderRead read = ParseCutHeader(WriteCutHeader(data, settings, false));
    ASSERT_TRUE(read.ok) << c.name;
    const BlockSize block = ProposeBlock(read.info);
    EXPECT_EQ(std::make_pair(block.width, block.height), std::make_pair(c.width, c.height))
        << c.name;
  }
  // A block no larger than the profile does not fit.
  const CutHeaderRead read =
      ParseCutHeader(WriteCutHeader(test::WingHeader(true), settings, false));
  ASSERT_TRUE(read.ok);
  EXPECT_FALSE(CheckBlock(read.info, 300, 120).widthOk);
  EXPECT_TRUE(CheckBlock(read.info, 301, 120).Fits());
  EXPECT_FALSE(CheckBlock(read.info, 310, 100).heightOk);
  EXPECT_TRUE(CheckBlock(read.info, 310, 101).heightOk);
}

struct CutOnDisk {
  explicit CutOnDisk(const MachineSettings& recorded, uint64_t headerTicks = 1500,
                     size_t stepBytes = 1500) {
    CutHeaderData data = test::WingHeader(true);
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

  // Each of the twelve motor values that differs is listed by name.
  MachineSettings other = settings;
  other.Y1clockwise = 1;
  other.X2io = 1;
  other.Y2step = 400;
  cut = OpenCut(disk.folder / "wing.ovd", other);  // any of the set's names opens it
  EXPECT_TRUE(cut.loaded);
  EXPECT_FALSE(cut.CanRun(1));
  EXPECT_FALSE(cut.CanAuto(1));
  EXPECT_EQ(cut.differences, (std::vector<std::string>{
                                 "Y1 : sens normal dans la découpe, sens inversé dans les réglages",
                                 "X2 : bits 4-5 dans la découpe, bits 2-3 dans les réglages",
                                 "Y2 : 200 pas/mm dans la découpe, 400 pas/mm dans les réglages"}));

  other.PortType = 2;  // the board has no such check
  cut = OpenCut(disk.folder / "wing.ovi", other);
  EXPECT_TRUE(cut.CanRun(2));
  EXPECT_TRUE(cut.CanSimulate(2));
}

// X1 steps down at every tick: 70,000 steps, past the header's 320 mm at 200
// steps/mm (64,000). The mixed sets themselves are the step check's.
TEST(OpenCut, RefusesToRunAStepFileThatIsNotTheHeaders) {
  MachineSettings settings;
  CutOnDisk disk(settings, 70000, 70000);
  const OpenedCut cut = OpenCut(disk.folder / "wing.ovi", settings);
  EXPECT_TRUE(cut.loaded);
  EXPECT_FALSE(cut.stepFileMatches || cut.CanRun(0));
  EXPECT_NE(cut.message.find("parcourir 70000 pas à X1"), std::string::npos) << cut.message;
  settings.PortType = 2;  // the board plays the G-code, not the step file
  EXPECT_TRUE(OpenCut(disk.folder / "wing.ovi", settings).CanRun(2));
  EXPECT_FALSE(OpenCut(disk.folder / "absent.ovi", settings).loaded);
}

}  // namespace
}  // namespace orvane
