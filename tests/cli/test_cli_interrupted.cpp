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

// 30 ends of `generate --opposite` over an existing set, at every stage of
// the run (a third of them while the set's files are being written);
// projects alternate, so each may leave the old or the new cut. Ctrl-C or
// SIGTERM while it computes or writes: the process dies of the signal with
// its work folder gone, and each set is the old one or, when the signal came
// during the commit, the new one. kill -9 at any moment: never a set that
// runs a mix. The next run sweeps what a killed one may leave where files
// cannot be unnamed.
TEST_F(InterruptedGenerate, CtrlCSigtermOrKillNineNeverLeavesASetThatRunsAMix) {
  UseStepsPerMm(400);
  const std::string projects[2] = {Serpentine(60), Serpentine(40)};
  const auto start = std::chrono::steady_clock::now();
  const Set sets[2] = {Reference(projects[0], "p"), Reference(projects[1], "q")};
  const auto full = (std::chrono::steady_clock::now() - start) / 2;
  const std::set<std::string> setNames = Names(work / "p");
  Install("q");
  for (int i = 0; i < 30; ++i) {
    const int p = i % 2;
    // Computing, then writing, for each of SIGINT and SIGTERM.
    const int number = i == 0 || i == 4 ? SIGINT : i == 1 || i == 3 ? SIGTERM : SIGKILL;
    if (number != SIGKILL) Install(p ? "p" : "q");  // the other cut, whole
    // What a set was before this run: old, or the cut this run writes.
    const Set& was = ReadSet(out) == sets[p] ? sets[p] : sets[1 - p];
    const std::string what = std::to_string(i) + " " + strsignal(number);
    test::Child run(Arguments(projects[p]));
    bool caught = false;
    if (i % 3 == 0) caught = run.WaitUntil([&] { return Generating(); });
    if (i % 3 == 1) caught = run.WaitUntil([&] { return Saving(run.Pid()); });
    // Not to order events: a kill at a moment of the run's own, up to past its end.
    if (i % 3 == 2) std::this_thread::sleep_for(full * (i / 3) * 15 / 100);
    run.Signal(number);
    const int code = run.Wait();
    if (number != SIGKILL) {
      ASSERT_TRUE(caught) << what;
      EXPECT_EQ(code, 128 + number) << what;
      EXPECT_TRUE(WorkFolders().empty()) << what;
    }
    for (const char* side : {"_A", "_B"}) {
      const State state = StateOf(side, was, sets[p]);
      EXPECT_TRUE(state == State::Old || state == State::New ||
                  (number == SIGKILL && state == State::Refused))
          << what << side;
    }
    // Files are written unnamed until the commit: a writer killed while
    // writing leaves nothing beside the set.
    EXPECT_EQ(Names(out), setNames) << what;
  }
  // What a killed run may leave; what is not the program's to sweep is the
  // sweeps' own test.
  fs::create_directories(home / "temp/orvane-cli-Ab12Cd");
  test::WriteText(home / "temp/orvane-cli-Ab12Cd/tmp1", "stale");
  test::WriteText(out + "/wing_A.ovd.orvane-Ab12Cd", "stale");
  EXPECT_EQ(Cli("generate " + projects[0] + " -o " + out + "/wing --opposite").status, 0);
  EXPECT_EQ(Names(out), setNames);
  EXPECT_TRUE(WorkFolders().empty());
}

}  // namespace
}  // namespace orvane
