#include "host/cut_saver.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "core/app/machine_settings.h"
#include "core/cut/cut_set_check.h"
#include "host/atomic_file.h"
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
  EXPECT_FALSE(fs::exists(temp / "wing_A.ovd"));
  EXPECT_FALSE(fs::exists(temp / "wing_A.ovi"));
  EXPECT_FALSE(fs::exists(temp / "wing_B.ovd"));
}

// A save that fails on the last file of a two-cut set used to leave new
// step files beside old headers.
TEST_F(CutSaving, ASaveThatFailsMidwayLeavesTheOldSetWhole) {
  CutSaveRequest r = Generate(false);
  r.twoCuts = true;
  ASSERT_TRUE(SaveCut(r).ok);
  const char* files[] = {"wing_A.ovd", "wing_A.ovg", "wing_A.ovi", "wing_A.ovs",
                         "wing_B.ovd", "wing_B.ovg", "wing_B.ovi", "wing_B.ovs"};
  std::map<std::string, std::string> old;
  for (const char* name : files) old[name] = test::ReadText(temp / name);

  p1 = test::MakeProfile({{0, 0}, {40, 0}, {40, 20}, {0, 0}});
  struct Case {
    const char* name;
    std::function<void()> breakIt, mendIt;
  } cases[] = {
      {"a directory in place of the last header",
       [&] {
         fs::rename(temp / "wing_B.ovi", temp / "saved");
         fs::create_directory(temp / "wing_B.ovi");
       },
       [&] {
         fs::remove(temp / "wing_B.ovi");
         fs::rename(temp / "saved", temp / "wing_B.ovi");
       }},
      {"set B's G-code missing", [&] { fs::remove(temp / "gcd2"); }, [] {}},
  };
  for (const Case& c : cases) {
    CutSaveRequest newer = Generate(false);
    newer.twoCuts = true;
    c.breakIt();
    const CutSaveResult result = SaveCut(newer);
    c.mendIt();
    EXPECT_FALSE(result.ok) << c.name;
    EXPECT_NE(result.message.find("wing_B.ov"), std::string::npos) << result.message;
    for (const char* name : files) EXPECT_EQ(test::ReadText(temp / name), old[name]) << c.name;
    for (const auto& entry : fs::directory_iterator(temp.Path())) {
      EXPECT_FALSE(IsPartialFileName(entry.path().filename().string())) << entry.path();
    }
  }
}

TEST_F(CutSaving, TheHeadersAreReplacedLast) {
  CutSaveRequest r = Generate(false);
  r.twoCuts = true;
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(inotify_add_watch(watch, temp.Path().c_str(), IN_MOVED_TO), 0);
  ASSERT_TRUE(SaveCut(r).ok);
  std::vector<std::string> moved;
  alignas(inotify_event) char buffer[4096];
  const ssize_t length = read(watch, buffer, sizeof buffer);
  for (ssize_t at = 0; at < length;) {
    const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
    moved.push_back(event->name);
    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
  }
  close(watch);
  ASSERT_EQ(moved.size(), 8u);
  EXPECT_EQ(moved[6], "wing_A.ovi");
  EXPECT_EQ(moved[7], "wing_B.ovi");
}

// The header of a G-code-only cut beside the step file of an earlier cut
// would run that earlier cut.
TEST_F(CutSaving, AGcodeOnlySaveRemovesTheStepFileOfAnEarlierCut) {
  ASSERT_TRUE(SaveCut(Generate(false)).ok);
  ASSERT_TRUE(fs::exists(temp / "wing.ovd"));
  p1 = test::MakeProfile({{0, 0}, {40, 0}, {40, 20}, {0, 0}});
  ASSERT_TRUE(SaveCut(Generate(true)).ok);
  EXPECT_FALSE(fs::exists(temp / "wing.ovd"));
  EXPECT_TRUE(CheckCutSet(temp / "wing").ok);
}

}  // namespace
}  // namespace orvane
