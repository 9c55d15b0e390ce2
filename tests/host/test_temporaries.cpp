#include "host/temporaries.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/process.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

size_t Entries(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
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
    EXPECT_EQ(Entries(parent.Path()), 1u) << name;
    EXPECT_TRUE(fs::exists(parent / (number ? "ready" : "done while held"))) << name;
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
  ASSERT_EQ(Entries(parent.Path()), 1u);

  std::string error;
  auto live = WorkFolder::Create(parent.Path(), {"tmp1"}, &error);
  ASSERT_TRUE(live) << error;
  test::WriteText(live->Path() + "tmp1", "live");
  fs::create_directory(parent / "orvane-cli-keep");  // not of the program's naming
  test::WriteText(parent / "orvane-cli-Ab12Cd", "a file, not a work folder");

  RemoveStaleWorkFolders(parent.Path());
  EXPECT_EQ(Entries(parent.Path()), 3u);
  EXPECT_EQ(test::ReadText(live->Path() + "tmp1"), "live");
  const std::string livePath = live->Path();
  live.reset();
  EXPECT_FALSE(fs::exists(livePath));
}

}  // namespace
}  // namespace orvane
