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
  CutSaveRequest Generate(bool gcodeOnly, bool twoCuts = false) {
    generation = GenerateCut(p1.adjusted, p2.adjusted, settings, temp.Path(), gcodeOnly, nullptr);
    EXPECT_TRUE(generation.Ok()) << generation.error;
    CutSaveRequest r;
    r.cutFolder = temp.Path();
    r.base = temp / "wing";
    r.gcodeOnly = gcodeOnly;
    r.twoCuts = twoCuts;
    const double dims[4] = {10, 5, 10, 5};
    r.header = MakeCutHeader(generation, p1.adjusted, p2.adjusted, 3, ProjectionState{}, dims);
    r.points = &generation.table.points;
    r.settings = &settings;
    return r;
  }
  test::TempFolder temp;
  MachineSettings settings;
  Profile p1 = test::MakeProfile({{0, 0}, {10, 0}, {10, 5}, {0, 0}});
  Profile p2 = p1;
  CutGeneration generation;
};

// A step file of the tick count, or none with the ticks counted all the
// same; and the header of a G-code-only cut beside the step file of an
// earlier cut would run that earlier cut.
TEST_F(CutSaving, WritesTheStepFileOrNoneAndNeverKeepsAnEarlierOne) {
  ASSERT_TRUE(SaveCut(Generate(false)).ok);
  EXPECT_EQ(fs::file_size(temp / "wing.ovd"), generation.steps.ticks);
  EXPECT_EQ(fs::file_size(temp / "wing.ovg"), 6u * 48);

  p1 = test::MakeProfile({{0, 0}, {40, 0}, {40, 20}, {0, 0}});
  fs::remove(temp / "tmp1");
  const CutSaveRequest r = Generate(true);
  EXPECT_FALSE(fs::exists(temp / "tmp1"));
  ASSERT_TRUE(SaveCut(r).ok);
  EXPECT_FALSE(fs::exists(temp / "wing.ovd"));
  EXPECT_EQ(fs::file_size(temp / "wing.ovs"), 4u * 32);
  EXPECT_GT(generation.steps.ticks, 0u);
  EXPECT_NE(test::ReadText(temp / "wing.ovi")
                .find("// nombre de pas\r\n" + std::to_string(generation.steps.ticks) + "\r\n"),
            std::string::npos);
  EXPECT_TRUE(CheckCutSet(temp / "wing").ok);
}

// A save that fails on the last file of a two-cut set used to leave new
// step files beside old headers.
TEST_F(CutSaving, ASaveThatFailsMidwayLeavesTheOldSetWhole) {
  ASSERT_TRUE(SaveCut(Generate(false, true)).ok);
  std::map<std::string, std::string> old;
  for (const auto& entry : fs::directory_iterator(temp.Path())) {
    if (entry.path().filename().string().starts_with("wing_")) {
      old[entry.path()] = test::ReadText(entry.path());
    }
  }
  ASSERT_EQ(old.size(), 8u);

  p1 = test::MakeProfile({{0, 0}, {40, 0}, {40, 20}, {0, 0}});
  const struct {
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
  for (const auto& c : cases) {
    const CutSaveRequest newer = Generate(false, true);
    c.breakIt();
    const CutSaveResult result = SaveCut(newer);
    c.mendIt();
    EXPECT_FALSE(result.ok) << c.name;
    EXPECT_NE(result.message.find("wing_B.ov"), std::string::npos) << result.message;
    for (const auto& [path, bytes] : old) EXPECT_EQ(test::ReadText(path), bytes) << c.name;
    for (const auto& entry : fs::directory_iterator(temp.Path())) {
      EXPECT_FALSE(IsPartialFileName(entry.path().filename().string())) << entry.path();
    }
  }
}

// Files are replaced in the order they were added, the headers last: a set
// interrupted on the way keeps its old headers, which refuse the new steps.
TEST_F(CutSaving, TheHeadersAreReplacedLast) {
  const CutSaveRequest r = Generate(false, true);
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

}  // namespace
}  // namespace orvane
