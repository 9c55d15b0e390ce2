// What the host leaves on disk whatever happens: a set of files replaced
// whole or not at all, temporaries removed on every way out, stale ones swept.
#include <fcntl.h>

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "core/app/machine_settings.h"
#include "core/cut/cut_set_check.h"
#include "host/atomic_file.h"
#include "host/cut_saver.h"
#include "host/temporaries.h"
#include "support/process.h"
#include "support/profiles.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::Names;

// kill -9 while a large file is written must leave nothing beside the old file.
TEST(FileSetReplacement, AKilledWriterLeavesNoPartialFile) {
  test::TempFolder folder;
  test::WriteText(folder / "out.ovd", "old");
  const pid_t child = fork();
  if (child == 0) {
    FileSetReplacement set;
    set.Add(folder / "out.ovd", std::string(8 << 20, 'x'), nullptr);
    test::WriteText(folder / "written", "");
    pause();  // killed here, written but not committed
    _exit(0);
  }
  ASSERT_TRUE(test::PollUntil([&] { return fs::exists(folder / "written"); }));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(Names(folder.Path()), (std::set<std::string>{"out.ovd", "written"}));
  EXPECT_EQ(test::ReadText(folder / "out.ovd"), "old");
}

TEST(StalePartialFiles, OnlyUnlockedFilesOfTheProgramsOwnNamingGo) {
  test::TempFolder folder;
  const char* kept[] = {
      "wing.ovd.orvane-Ef34Gh",  // held by a live writer (below)
      "wing.ovd.Ab12Cd",         // anyone's name
      "x.orvane-Ab12Cd.txt",     // not at the end
      "wing.ovd",
  };
  for (const char* name : kept) test::WriteText(folder / name, "x");
  test::WriteText(folder / "wing.ovd.orvane-Ab12Cd", "stale");
  test::WriteText(folder / "p.ovp.orvane-000000", "stale");
  fs::create_directory(folder / "d.orvane-Ab12Cd");
  const int live = open((folder / "wing.ovd.orvane-Ef34Gh").c_str(), O_RDONLY);
  ASSERT_EQ(flock(live, LOCK_EX), 0);

  RemoveStalePartialFiles(folder.Path());
  close(live);
  std::set<std::string> expected(std::begin(kept), std::end(kept));
  expected.insert("d.orvane-Ab12Cd");
  EXPECT_EQ(Names(folder.Path()), expected);
}

// What is not a regular file is refused (without blocking), as orvane-cli's
// config and input tests show; a regular one is read up to the limit exactly.
TEST(ReadFileLimited, ReadsUpToTheLimitExactly) {
  test::TempFolder folder;
  test::WriteText(folder / "ten", "0123456789");
  std::string data;
  EXPECT_TRUE(ReadFileLimited(folder / "ten", data, 10).ok);
  EXPECT_EQ(data, "0123456789");
  EXPECT_EQ(ReadFileLimited(folder / "ten", data, 9).message,
            "Fichier trop volumineux (plus de 9 octets)");
  EXPECT_EQ(data, "");
}

// orvane-cli's temporaries: its work folder and a partial file written beside
// an output (on file systems without unnamed files). Each termination signal
// removes them and still ends the process; one that comes while signals are
// held (a commit) waits for the release.
TEST(TemporariesOnSignals, EachTerminationSignalRemovesThemAndEndsTheProcess) {
  for (const int number : {SIGINT, SIGTERM, SIGHUP, 0}) {
    const std::string name = number ? strsignal(number) : "SIGTERM while held";
    test::TempFolder parent;
    const pid_t child = fork();
    if (child == 0) {
      RemoveTemporariesOnSignals();
      auto work = WorkFolder::Create(parent.Path(), {"tmp1", "gcd1"}, nullptr);
      if (!work) _exit(2);
      test::WriteText(work->Path() + "tmp1", std::string(1 << 20, 'x'));
      test::WriteText(parent / "out.ovd.orvane-Ab12Cd", "partial");
      TrackTemporary(parent / "out.ovd.orvane-Ab12Cd");
      if (number == 0) {
        TerminationSignalsHeld held;
        raise(SIGTERM);
        test::WriteText(parent / "done while held", "x");
      }
      test::WriteText(parent / "ready", "");
      pause();
      _exit(0);
    }
    int status = 0;
    if (number) {
      ASSERT_TRUE(test::PollUntil([&] { return fs::exists(parent / "ready"); })) << name;
      kill(child, number);
    }
    waitpid(child, &status, 0);
    EXPECT_EQ(test::ExitCode(status), 128 + (number ? number : SIGTERM)) << name;
    // Only what the test left: "ready", or what was done while held.
    EXPECT_EQ(Names(parent.Path()), std::set<std::string>{number ? "ready" : "done while held"})
        << name;
  }
}

TEST(WorkFolders, OnlyFoldersOfDeadProcessesAreSwept) {
  test::TempFolder parent;
  // One left by a process killed with -9: no destructor ran.
  const pid_t child = fork();
  if (child == 0) {
    auto work = WorkFolder::Create(parent.Path(), {"tmp1"}, nullptr);
    if (work) test::WriteText(work->Path() + "tmp1", "stale");
    raise(SIGKILL);
  }
  waitpid(child, nullptr, 0);
  ASSERT_EQ(Names(parent.Path()).size(), 1u);

  std::string error;
  auto live = WorkFolder::Create(parent.Path(), {"tmp1"}, &error);
  ASSERT_TRUE(live) << error;
  test::WriteText(live->Path() + "tmp1", "live");
  fs::create_directory(parent / "orvane-cli-keep");  // not of the program's naming
  test::WriteText(parent / "orvane-cli-Ab12Cd", "a file, not a work folder");

  RemoveStaleWorkFolders(parent.Path());
  EXPECT_EQ(Names(parent.Path()).size(), 3u);
  EXPECT_EQ(test::ReadText(live->Path() + "tmp1"), "live");
  const std::string livePath = live->Path();
  live.reset();
  EXPECT_FALSE(fs::exists(livePath));
}

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
// same; and the header of a G-code-only cut beside the step file or the
// controller's program of an earlier cut would run that earlier cut.
TEST_F(CutSaving, WritesTheStepFileOrNoneAndNeverKeepsAnEarlierOne) {
  CutSaveRequest first = Generate(false);
  first.controllerPrograms[0] = "G0 X0 Y0 Z0 A0\nM2\n";
  ASSERT_TRUE(SaveCut(first).ok);
  EXPECT_EQ(test::ReadText(temp / "wing.nc"), first.controllerPrograms[0]);
  EXPECT_EQ(fs::file_size(temp / "wing.ovd"), generation.steps.ticks);
  EXPECT_EQ(fs::file_size(temp / "wing.ovg"), 6u * 48);

  p1 = test::MakeProfile({{0, 0}, {40, 0}, {40, 20}, {0, 0}});
  fs::remove(temp / "tmp1");
  const CutSaveRequest r = Generate(true);
  EXPECT_FALSE(fs::exists(temp / "tmp1"));
  ASSERT_TRUE(SaveCut(r).ok);
  EXPECT_FALSE(fs::exists(temp / "wing.ovd"));
  EXPECT_FALSE(fs::exists(temp / "wing.nc"));
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
