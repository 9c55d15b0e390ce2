#include "host/temporaries.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

size_t Entries(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// orvane-cli's temporaries: its work folder and a partial file written
// beside an output (on file systems without unnamed files).
TEST(TemporariesOnSignals, EachTerminationSignalRemovesThemAndEndsTheProcess) {
  for (int number : {SIGINT, SIGTERM, SIGHUP}) {
    test::TempFolder parent;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
      RemoveTemporariesOnSignals();
      auto work = WorkFolder::Create(parent.Path(), {"tmp1", "gcd1"}, nullptr);
      if (!work) _exit(2);
      test::WriteText(work->Path() + "tmp1", std::string(1 << 20, 'x'));
      test::WriteText(work->Path() + "gcd1", "G01");
      test::WriteText(parent / "out.ovd.orvane-Ab12Cd", "partial");
      TrackTemporary(parent / "out.ovd.orvane-Ab12Cd");
      [[maybe_unused]] ssize_t n = write(ready[1], "r", 1);
      pause();
      _exit(0);
    }
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_EQ(Entries(parent.Path()), 2u);
    kill(child, number);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == number) << strsignal(number);
    EXPECT_EQ(Entries(parent.Path()), 0u) << strsignal(number);
  }
}

// What a commit does while termination signals are held runs to its end;
// the signal then ends the process and still removes the temporaries.
TEST(TemporariesOnSignals, AHeldSignalArrivesWhenReleased) {
  test::TempFolder folder;
  const pid_t child = fork();
  if (child == 0) {
    RemoveTemporariesOnSignals();
    test::WriteText(folder / "partial", "x");
    TrackTemporary(folder / "partial");
    {
      TerminationSignalsHeld held;
      raise(SIGTERM);
      test::WriteText(folder / "done while held", "x");
    }
    test::WriteText(folder / "after", "x");
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_TRUE(fs::exists(folder / "done while held"));
  EXPECT_FALSE(fs::exists(folder / "after"));
  EXPECT_FALSE(fs::exists(folder / "partial"));
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
  int status = 0;
  waitpid(child, &status, 0);
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
