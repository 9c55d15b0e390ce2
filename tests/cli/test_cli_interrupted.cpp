// orvane-cli generate interrupted by Ctrl-C, SIGTERM and kill -9: a set on
// disk is never half replaced, and nothing of the run is left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <thread>

#include "cli/cli_harness.h"
#include "core/cut/cut_set_check.h"

namespace orvane {
namespace {

const char* const kExtensions[] = {".ovd", ".ovg", ".ovi", ".ovs"};

pid_t Spawn(const std::vector<std::string>& arguments) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char*> argv{const_cast<char*>(ORVANE_CLI)};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(ORVANE_CLI, argv.data());
    _exit(127);
  }
  return pid;
}

// Polls until `reached` holds; false when the process ended first.
bool WaitUntil(pid_t pid, const std::function<bool()>& reached, int& status) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    if (reached()) return true;
    if (waitpid(pid, &status, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return false;
}

int KillAndWait(pid_t pid, int number) {
  kill(pid, number);
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

class InterruptedGenerate : public OrvaneCli {
 protected:
  // The whole set "wing" (sets A and B) as it is on disk.
  using Set = std::map<std::string, std::string>;
  Set ReadSet(const std::string& folder) {
    Set set;
    for (const char* side : {"_A", "_B"}) {
      for (const char* extension : kExtensions) {
        const std::string name = std::string("wing") + side + extension;
        set[name] = test::ReadText(folder + "/" + name);
      }
    }
    return set;
  }
  Set Reference(const std::string& project, const std::string& name) {
    const std::string folder = work / name;
    fs::create_directory(folder);
    EXPECT_EQ(Cli("generate " + project + " -o " + folder + "/wing --opposite").status, 0);
    return ReadSet(folder);
  }
  void Install(const std::string& name) {
    for (const auto& entry : fs::directory_iterator(work / name)) {
      fs::copy_file(entry.path(), out + "/" + entry.path().filename().string(),
                    fs::copy_options::overwrite_existing);
    }
  }

  enum class State { Old, New, Refused, Mixed };
  // Set A or B: all its files from one cut, or a new step file under its old
  // header, which the step check refuses; anything else would run a mix.
  State StateOf(const char* side, const Set& before, const Set& after) {
    const Set now = ReadSet(out);
    bool old = true, fresh = true;
    for (const char* extension : kExtensions) {
      const std::string name = std::string("wing") + side + extension;
      old = old && now.at(name) == before.at(name);
      fresh = fresh && now.at(name) == after.at(name);
    }
    if (old) return State::Old;
    if (fresh) return State::New;
    return CheckCutSet(out + "/wing" + side).ok ? State::Mixed : State::Refused;
  }

  // The run is computing its step stream in its work folder.
  std::function<bool()> Generating() {
    return [this] {
      for (const std::string& folder : WorkFolders()) {
        std::error_code error;
        if (fs::file_size(folder + "/tmp1", error) > 0 && !error) return true;
      }
      return false;
    };
  }
  // The run is writing the set's files beside their final names.
  std::function<bool()> Saving(pid_t pid) {
    return [this, pid] {
      std::error_code error;
      for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        char target[PATH_MAX];
        const ssize_t n = readlink(fd.path().c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, n).starts_with(out + "/")) return true;
      }
      return false;
    };
  }

  std::set<std::string> SetNames() {
    std::set<std::string> names;
    for (const auto& [name, bytes] : ReadSet(out)) names.insert(name);
    return names;
  }
};

TEST_F(InterruptedGenerate, CtrlCOrSigtermLeavesTheOldSetAndNoTemporary) {
  UseStepsPerMm(800);  // 24 million ticks: long enough to be caught at work
  const std::string project = Serpentine(150);
  const Set before = Reference(Serpentine(20), "old");
  const Set after = Reference(project, "new");
  for (const int number : {SIGINT, SIGTERM}) {
    for (const bool saving : {false, true}) {
      const std::string what =
          std::string(strsignal(number)) + (saving ? " saving" : " generating");
      Install("old");
      const pid_t pid = Spawn({"generate", project, "-o", out + "/wing", "--opposite"});
      int status = 0;
      ASSERT_TRUE(WaitUntil(pid, saving ? Saving(pid) : Generating(), status)) << what;
      status = KillAndWait(pid, number);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == number) << what;
      for (const char* side : {"_A", "_B"}) {
        const State state = StateOf(side, before, after);
        // New only when the signal came during the last instant, the commit.
        EXPECT_TRUE(state == State::Old || state == State::New) << what << side;
      }
      EXPECT_EQ(Names(out), SetNames()) << what;
      EXPECT_TRUE(WorkFolders().empty()) << what;
    }
  }
}

// 30 kills of `generate --opposite` over an existing set, at every stage of
// the run; projects alternate, so each kill may leave the old or the new cut.
TEST_F(InterruptedGenerate, KillNineLoopNeverLeavesASetThatRunsAMix) {
  UseStepsPerMm(400);
  const std::string projects[2] = {Serpentine(60), Serpentine(40)};
  const auto start = std::chrono::steady_clock::now();
  const Set sets[2] = {Reference(projects[0], "p"), Reference(projects[1], "q")};
  const auto full = (std::chrono::steady_clock::now() - start) / 2;
  Install("q");
  std::map<State, int> seen;
  int partialFiles = 0;
  for (int i = 0; i < 30; ++i) {
    const int p = i % 2;
    const Set& before = sets[1 - p];
    const Set& after = sets[p];
    // What a set was before this run: old, or the cut this run writes.
    const Set was = ReadSet(out) == after ? after : before;
    const pid_t pid = Spawn({"generate", projects[p], "-o", out + "/wing", "--opposite"});
    int status = 0;
    if (i % 3 == 0) {
      WaitUntil(pid, Generating(), status);
    } else if (i % 3 == 1) {
      WaitUntil(pid, Saving(pid), status);
    } else {
      std::this_thread::sleep_for(full * (i / 3) * 15 / 100);  // up to past the end
    }
    KillAndWait(pid, SIGKILL);
    for (const char* side : {"_A", "_B"}) {
      const State state = StateOf(side, was, after);
      ++seen[state];
      EXPECT_NE(state, State::Mixed) << "kill " << i << side;
    }
    for (const std::string& name : Names(out)) {
      if (SetNames().count(name)) continue;
      EXPECT_TRUE(IsPartialFileName(name)) << name;
      ++partialFiles;
    }
  }
  std::cout << "sets old " << seen[State::Old] << ", new " << seen[State::New] << ", refused "
            << seen[State::Refused] << "; partial files " << partialFiles << "\n";
  // The next run sweeps what the killed ones left.
  EXPECT_EQ(Cli("generate " + projects[0] + " -o " + out + "/wing --opposite").status, 0);
  EXPECT_EQ(Names(out), SetNames());
  EXPECT_TRUE(WorkFolders().empty());
}

TEST_F(InterruptedGenerate, TheNextRunSweepsOnlyWhatAKilledRunLeft) {
  fs::create_directories(home / "temp/orvane-cli-Ab12Cd");
  test::WriteText(home / "temp/orvane-cli-Ab12Cd/tmp1", "stale");
  test::WriteText(home / "temp/history_3.ovh", "the window's history");
  test::WriteText(out + "/wing_A.ovd.orvane-Ab12Cd", "stale");
  test::WriteText(out + "/notes.txt", "the user's");
  ASSERT_EQ(Cli("generate " + data + "/maison.ovp -o " + out + "/wing --opposite").status, 0);
  EXPECT_EQ(Names(home / "temp"), std::set<std::string>{"history_3.ovh"});
  std::set<std::string> expected = SetNames();
  expected.insert("notes.txt");
  EXPECT_EQ(Names(out), expected);
}

}  // namespace
}  // namespace orvane
