#include "host/cut_saver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/machine_settings.h"
#include "support/profiles.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

class CutSaving : public ::testing::Test {
 protected:
  CutSaveRequest Generate(bool gcodeOnly) {
    generation = GenerateCut(p1.adjusted, p2.adjusted, settings, temp.Path(), gcodeOnly, nullptr);
    EXPECT_TRUE(generation.Ok()) << generation.error;
    CutSaveRequest r;
    r.cutFolder = temp.Path();
    r.base = temp / "wing";
    r.gcodeOnly = gcodeOnly;
    const double dims[4] = {10, 5, 10, 5};
    r.header = MakeCutHeader(generation, p1.adjusted, p2.adjusted, 3, ProjectionState{}, dims);
    r.points = &generation.table.points;
    r.settings = &settings;
    return r;
  }
  test::TempFolder temp;
  MachineSettings settings;
  Profile p1 = test::MakeProfile({{0, 0}, {10, 0}, {10, 5}, {0, 0}});
  Profile p2 = test::MakeProfile({{0, 0}, {10, 0}, {10, 5}, {0, 0}});
  CutGeneration generation;
};

TEST_F(CutSaving, GcodeOnlyWritesNoStepFileButCountsTheTicks) {
  CutSaveRequest r = Generate(true);
  EXPECT_FALSE(fs::exists(temp / "tmp1"));
  ASSERT_TRUE(SaveCut(r).ok);
  EXPECT_FALSE(fs::exists(temp / "wing.ovd"));
  EXPECT_EQ(fs::file_size(temp / "wing.ovs"), 4u * 32);
  const std::string header = test::ReadText(temp / "wing.ovi");
  EXPECT_NE(header.find("// nombre de pas\r\n" + std::to_string(generation.steps.ticks) + "\r\n"),
            std::string::npos);
  EXPECT_GT(generation.steps.ticks, 0u);
}

TEST_F(CutSaving, AStepFileOfTheTickCountIsCopied) {
  CutSaveRequest r = Generate(false);
  ASSERT_TRUE(SaveCut(r).ok);
  EXPECT_EQ(fs::file_size(temp / "wing.ovd"), generation.steps.ticks);
  EXPECT_EQ(fs::file_size(temp / "wing.ovg"), 6u * 48);
}

TEST_F(CutSaving, AMissingTemporaryFileIsNamedAndNothingElseIsWritten) {
  CutSaveRequest r = Generate(false);
  r.twoCuts = true;
  fs::remove(temp / "gcd1");
  CutSaveResult result = SaveCut(r);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.message.find("wing_A.ovg"), std::string::npos);
  EXPECT_FALSE(fs::exists(temp / "wing_A.ovi"));
  EXPECT_FALSE(fs::exists(temp / "wing_B.ovd"));
}

}  // namespace
}  // namespace orvane
