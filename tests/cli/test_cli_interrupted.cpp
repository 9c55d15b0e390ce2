// orvane-cli generate interrupted by Ctrl-C, SIGTERM and kill -9: a set on
// disk is never half replaced, and nothing of the run is left behind.
#include <limits.h>

#include <map>

#include "cli/cli_harness.h"
#include "core/cut/cut_set_check.h"

namespace orvane {
namespace {

class InterruptedGenerate : public OrvaneCli {
 protected:
  // The whole set "wing" (sets A and B) as it is in `folder`.
  using Set = std::map<std::string, std::string>;
  static Set ReadSet(const std::string& folder) {
    Set set;
    for (const char* side : {"_A", "_B"}) {
      for (const char* extension : {".ovd", ".ovg", ".ovi", ".ovs"}) {
        const std::string name = std::string("wing") + side + extension;
        set[name] = test::ReadText(folder + "/" + name);
      }
    }
    return set;
  }
  std::set<std::string> SetNames() {
    std::set<std::string> names;
    for (const auto& [name, bytes] : ReadSet(out)) names.insert(name);
    return names;
  }
  std::vector<std::string> Arguments(const std::string& project) {
    return {ORVANE_CLI, "generate", project, "-o", out + "/wing", "--opposite"};
  }
  Set Reference(const std::string& project, const std::string& name) {
    fs::create_directory(work / name);
    auto arguments = Arguments(project);
    arguments[4] = work / name + "/wing";
    EXPECT_EQ(test::Child(arguments).Wait(), 0);
    return ReadSet(work / name);
  }
  void Install(const std::string& name) {
    fs::copy(work / name, out, fs::copy_options::overwrite_existing | fs::copy_options::recursive);
  }

  enum class State { Old, New, Refused, Mixed };
  // Set A or B: all its files from one cut, or a new step file under its old
  // header, which the step check refuses; anything else would run a mix.
  State StateOf(const char* side, const Set& before, const Set& after) {
    const Set now = ReadSet(out);
    bool old = true, fresh = true;
    for (const auto& [name, bytes] : now) {
      if (!name.starts_with(std::string("wing") + side)) continue;
      old = old && bytes == before.at(name);
      fresh = fresh && bytes == after.at(name);
    }
    if (old) return State::Old;
    if (fresh) return State::New;
    return CheckCutSet(out + "/wing" + side).ok ? State::Mixed : State::Refused;
  }

  // The run is computing its step stream in its work folder.
  bool Generating() {
    for (const std::string& folder : WorkFolders()) {
      std::error_code error;
      if (fs::file_size(folder + "/tmp1", error) > 0 && !error) return true;
    }
    return false;
  }
  // The run is writing the set's files beside their final names.
  bool Saving(pid_t pid) {
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
      char target[PATH_MAX];
      const ssize_t n = readlink(fd.path().c_str(), target, sizeof target - 1);
      if (n > 0 && std::string(target, n).starts_with(out + "/")) return true;
    }
    return false;
  }
};

TEST_F(InterruptedGenerate, CtrlCOrSigtermLeavesTheOldSetAndNoTemporary) {
  UseStepsPerMm(800);  // 24 million ticks: long enough to be caught at work
  const std::string project = Serpentine(150);
  const Set before = Reference(Serpentine(20), "old");
  const Set after = Reference(project, "new");
  for (const int number : {SIGINT, SIGTERM}) {
    for (const bool saving : {false, true}) {
      const std::string what = std::string(strsignal(number)) + (saving ? " saving" : " computing");
      Install("old");
      test::Child run(Arguments(project));
      ASSERT_TRUE(run.WaitUntil([&] { return saving ? Saving(run.Pid()) : Generating(); })) << what;
      run.Signal(number);
      EXPECT_EQ(run.Wait(), 128 + number) << what;
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
// The next run sweeps what the killed ones left.
TEST_F(InterruptedGenerate, KillNineLoopNeverLeavesASetThatRunsAMix) {
  UseStepsPerMm(400);
  const std::string projects[2] = {Serpentine(60), Serpentine(40)};
  const auto start = std::chrono::steady_clock::now();
  const Set sets[2] = {Reference(projects[0], "p"), Reference(projects[1], "q")};
  const auto full = (std::chrono::steady_clock::now() - start) / 2;
  Install("q");
  for (int i = 0; i < 30; ++i) {
    const int p = i % 2;
    // What a set was before this run: old, or the cut this run writes.
    const Set& was = ReadSet(out) == sets[p] ? sets[p] : sets[1 - p];
    test::Child run(Arguments(projects[p]));
    if (i % 3 == 0) run.WaitUntil([&] { return Generating(); });
    if (i % 3 == 1) run.WaitUntil([&] { return Saving(run.Pid()); });
    // Not to order events: a kill at a moment of the run's own, up to past its end.
    if (i % 3 == 2) std::this_thread::sleep_for(full * (i / 3) * 15 / 100);
    run.Signal(SIGKILL);
    run.Wait();
    for (const char* side : {"_A", "_B"}) {
      EXPECT_NE(StateOf(side, was, sets[p]), State::Mixed) << "kill " << i << side;
    }
    for (const std::string& name : Names(out)) {
      EXPECT_TRUE(SetNames().count(name) || IsPartialFileName(name)) << name;
    }
  }
  // What a killed run may leave, and what is not the program's to sweep.
  fs::create_directories(home / "temp/orvane-cli-Ab12Cd");
  test::WriteText(home / "temp/orvane-cli-Ab12Cd/tmp1", "stale");
  test::WriteText(out + "/wing_A.ovd.orvane-Ab12Cd", "stale");
  test::WriteText(home / "temp/history_3.ovh", "the window's history");
  test::WriteText(out + "/notes.txt", "the user's");
  EXPECT_EQ(Cli("generate " + projects[0] + " -o " + out + "/wing --opposite").status, 0);
  std::set<std::string> expected = SetNames();
  expected.insert("notes.txt");
  EXPECT_EQ(Names(out), expected);
  EXPECT_TRUE(WorkFolders().empty());
  EXPECT_EQ(Names(home / "temp"), std::set<std::string>{"history_3.ovh"});
}

}  // namespace
}  // namespace orvane
