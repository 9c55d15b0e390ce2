// orvane-cli run as a process, on the recording virtual port: the port at
// rest before anything else, the bytes played are the step file's, the
// heating goes on before the first tick and off after the last, a stop ends
// the run unless someone answers "n", a signal at any stage leaves the
// heating off, and a set that is not what its header says never ends as a
// finished cut.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

#include "cli_harness.h"
#include "host/settings_file_store.h"
#include "support/recording_file.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;

using Write = orvane::test::RecordedWrite;
using orvane::test::ReadRecording;

// The recording after the start's rest, which must come first: data 0, then
// the idle image (0x01), as after a run killed with -9.
std::vector<Write> AfterTheRest(const std::vector<Write>& writes) {
  EXPECT_GE(writes.size(), 2u);
  if (writes.size() < 2) return {};
  EXPECT_EQ(writes[0].reg, 0);
  EXPECT_EQ(writes[0].value, 0);
  EXPECT_EQ(writes[1].reg, 2);
  EXPECT_EQ(writes[1].value, 1);
  return std::vector<Write>(writes.begin() + 2, writes.end());
}

std::vector<int> ControlWrites(const std::vector<Write>& writes) {
  std::vector<int> control;
  for (const Write& w : writes) {
    if (w.reg == 2) control.push_back(w.value);
  }
  return control;
}

class OrvaneCliRun : public OrvaneCli {
 protected:
  // Short ticks so a cut of thousands plays in a moment; heating automatic so
  // the run image (0x03) and the idle image (0x01) differ.
  void Configure(int preHeat, bool resume, uint16_t periodUs = 20) {
    FileSettingsStore store(config / "settings.ini");
    settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = periodUs;
    settings.ActChauffe = true;
    settings.PreChauffe = static_cast<uint8_t>(preHeat);
    settings.Reprise = resume;
    WriteDefaultSettings(store, settings);
    WriteAllSettings(store, settings, nullptr, nullptr);
  }
  std::string Generate(int rows) {
    const std::string base = out + "/wing";
    EXPECT_EQ(Cli("generate " + Serpentine(rows) + " -o " + base).status, 0);
    return base;
  }
  MachineSettings settings;
};

TEST_F(OrvaneCliRun, PlaysTheStepFileByteForByteBetweenRunAndIdleImages) {
  Configure(0, true);
  const std::string base = Generate(2);
  const std::string recording = work / "run.txt";
  const CliRun run =
      Cli("run " + base + ".ovi --link parallel --record " + recording + " </dev/null");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("Découpe terminée normalement"));

  const std::string steps = test::ReadText(base + ".ovd");
  ASSERT_GT(steps.size(), 1000u);
  const auto writes = AfterTheRest(ReadRecording(recording));
  std::vector<int> control;
  std::string played;
  for (size_t i = 0; i < writes.size(); ++i) {
    if (writes[i].reg == 2) {
      control.push_back(writes[i].value);
      continue;
    }
    EXPECT_FALSE(control.empty()) << "a tick before the run image";
    played += static_cast<char>(writes[i].value);
    ASSERT_LT(i + 1, writes.size());
    EXPECT_EQ(writes[i + 1].reg, 0);
    EXPECT_EQ(writes[i + 1].value, 0) << "write " << i + 1;
    ++i;
  }
  EXPECT_THAT(control, ::testing::ElementsAre(3, 1));
  EXPECT_EQ(writes.back().reg, 2) << "the idle image comes after the last tick";
  EXPECT_EQ(played, steps);

  // Slots 0..3, no axis inverted: both bits of a pair is a step up, the step
  // bit alone a step down.
  long long net[4] = {};
  for (unsigned char b : steps) {
    for (int axis = 0; axis < 4; ++axis) {
      const int bits = (b >> (2 * axis)) & 3;
      net[axis] += bits == 3 ? 1 : bits == 1 ? -1 : 0;
    }
  }
  EXPECT_THAT(run.output, HasSubstr("Positions : X1 = " + std::to_string(net[0]) + "  Y1 = " +
                                    std::to_string(net[1]) + "  X2 = " + std::to_string(net[2]) +
                                    "  Y2 = " + std::to_string(net[3])));
}

TEST_F(OrvaneCliRun, SpaceThenNoResumesAndPlaysEveryByteOnce) {
  Configure(0, true);
  const std::string base = Generate(1);
  const std::string recording = work / "run.txt";
  const std::string answers = work / "keys.txt";
  test::WriteText(answers, " n\n");
  const CliRun run = Cli("run " + base + ".ovi --record " + recording + " <" + answers);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("Abandonner la découpe ? [o/n] n"));
  std::string played;
  const auto writes = AfterTheRest(ReadRecording(recording));
  for (const Write& w : writes) {
    if (w.reg == 0) played += static_cast<char>(w.value);
  }
  std::string patterns;
  for (size_t i = 0; i < played.size(); i += 2) patterns += played[i];
  EXPECT_EQ(patterns, test::ReadText(base + ".ovd"));
  // Run, pause (heating off, hold kept: the idle image here), run again, idle.
  EXPECT_THAT(ControlWrites(writes), ::testing::ElementsAre(3, 1, 3, 1));
}

// A serial step link to a pseudo-terminal whose master end the test keeps
// open and drains.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    name_ = ptsname(master_);
    // Held open so that reading the master waits instead of failing.
    slave_ = open(name_.c_str(), O_RDWR | O_NOCTTY);
    reader_ = std::thread([this] {
      char buffer[4096];
      while (!done_.load()) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n > 0) received_ += static_cast<size_t>(n);
      }
    });
  }
  ~PseudoTerminal() {
    done_ = true;
    if (reader_.joinable()) reader_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }
  const std::string& Name() const { return name_; }
  size_t Received() const { return received_.load(); }

 private:
  int master_ = -1, slave_ = -1;
  std::string name_;
  std::thread reader_;
  std::atomic<bool> done_{false};
  std::atomic<size_t> received_{0};
};

// A stop ends the run unless someone answers "n": an "o", a line that is
// no answer, or the end of the input (a script, a closed pipe) abandons, on
// the parallel port as on the serial link, and the heating stays off.
TEST_F(OrvaneCliRun, AStopEndsTheRunUnlessNoIsAnswered) {
  struct Case {
    const char* name;
    const char* keys;
    bool serial;
  };
  const Case cases[] = {
      {"o", " o\n", false},
      {"end of input", " ", false},
      {"no answer, then end of input", " \nx\n", false},
      {"end of input, serial link", " ", true},
  };
  Configure(0, true);
  const std::string base = Generate(2);
  const size_t ticks = test::ReadText(base + ".ovd").size();
  for (const Case& c : cases) {
    const std::string answers = work / "keys.txt";
    test::WriteText(answers, c.keys);
    const std::string recording = work / "run.txt";
    std::unique_ptr<PseudoTerminal> pty;
    std::string link = " --record " + recording;
    if (c.serial) {
      pty = std::make_unique<PseudoTerminal>();
      ASSERT_FALSE(pty->Name().empty());
      link = " --link serial --device " + pty->Name();
    }
    const CliRun run = Cli("run " + base + ".ovi" + link + " <" + answers);
    EXPECT_EQ(run.status, 1) << c.name << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr("Abandonner la découpe ? [o/n] o\n")) << c.name;
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("terminée normalement"))) << c.name;
    if (c.serial) {
      EXPECT_LT(pty->Received(), 2 * ticks) << c.name;
      continue;
    }
    const auto writes = AfterTheRest(ReadRecording(recording));
    const auto control = ControlWrites(writes);
    ASSERT_FALSE(control.empty()) << c.name;
    EXPECT_EQ(control.front(), 3) << c.name;
    EXPECT_EQ(std::count(control.begin(), control.end(), 3), 1) << c.name << ": heated again";
    EXPECT_EQ(writes.back().reg, 2) << c.name;
    EXPECT_EQ(writes.back().value, 1) << c.name;
    EXPECT_LT(writes.size(), 2 * ticks) << c.name;
  }
}

// The processor time of a process's main thread so far, in seconds.
double MainThreadSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(in, text);
  const size_t end = text.rfind(')');
  if (end == std::string::npos) return -1;
  std::istringstream fields(text.substr(end + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoll(field);
    if (i == 15) stime = std::stoll(field);
  }
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Regression: with its input at its end the terminal loop returned at once
// and spun, taking a processor from the output thread; a 36 s cut took
// 71.5 s against 37 s with an open pipe. What the loop costs is measured
// where it runs, on the main thread, against the time the ticks took: a
// share of a processor, whatever the machine's load does to the duration.
TEST_F(OrvaneCliRun, ARunWithItsInputAtTheEndNeverSpins) {
  settings.X1step = settings.Y1step = settings.X2step = settings.Y2step = 20;
  Configure(0, true, 100);
  const std::string base = Generate(2);  // 16,000 ticks of 100 µs: 1.6 s
  for (const bool pipeClosed : {false, true}) {
    const char* what = pipeClosed ? "a closed pipe" : "/dev/null";
    const std::string recording = work / "run.txt";
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      if (pipeClosed) {
        dup2(input[0], STDIN_FILENO);
      } else {
        std::freopen("/dev/null", "r", stdin);
      }
      close(input[0]);
      close(input[1]);
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      const std::string cut = base + ".ovi";
      execl(ORVANE_CLI, ORVANE_CLI, "run", cut.c_str(), "--record", recording.c_str(), nullptr);
      _exit(127);
    }
    close(input[0]);
    close(input[1]);
    int status = 0;
    double mainThread = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, &status, WNOHANG) != pid) {
      if (const double seconds = MainThreadSeconds(pid); seconds >= 0) mainThread = seconds;
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << what;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << what;

    const auto writes = AfterTheRest(ReadRecording(recording));
    long long first = -1, last = 0, ticks = 0;
    for (size_t i = 0; i < writes.size(); ++i) {
      if (writes[i].reg != 0 || i + 1 >= writes.size()) continue;
      if (first < 0) first = writes[i].ns;
      last = writes[i].ns;
      ++ticks;
      ++i;  // its falling edge
    }
    ASSERT_GT(ticks, 10000) << what;
    const double played = double(last - first) / 1e9;
    std::cout << what << ": " << ticks << " ticks played in " << played << " s for "
              << double(ticks - 1) * 100e-6 << " s estimated, main thread " << mainThread
              << " s of processor\n";
    // Looking at the keys every few milliseconds costs next to nothing; a
    // spin takes a processor's share, even on a machine short of them.
    EXPECT_LT(mainThread / played, 0.2) << what;
  }
}

TEST_F(OrvaneCliRun, RefusesACutMadeForOtherMotorSettings) {
  Configure(0, true);
  const std::string base = Generate(1);
  FileSettingsStore store(config / "settings.ini");
  settings.Y2step = 400;
  settings.X1io = 1;
  settings.Y1io = 0;
  WriteAllSettings(store, settings, nullptr, nullptr);
  const CliRun run = Cli("run " + base + ".ovi --record " + work / "run.txt");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.output, HasSubstr("Paramètres machine différents"));
  EXPECT_THAT(run.output, HasSubstr("X1 : bits 0-1 dans la découpe, bits 2-3 dans les réglages"));
  EXPECT_THAT(run.output, HasSubstr("Y1 : bits 2-3 dans la découpe, bits 0-1 dans les réglages"));
  EXPECT_THAT(run.output,
              HasSubstr("Y2 : 200 pas/mm dans la découpe, 400 pas/mm dans les réglages"));
  // The port was brought to rest all the same, and nothing more.
  EXPECT_TRUE(AfterTheRest(ReadRecording(work / "run.txt")).empty());

  EXPECT_EQ(Cli("run " + out + "/absent.ovi").status, 1);
  EXPECT_EQ(Cli("run " + base + ".ovi --simulate").status, 2);
  EXPECT_EQ(Cli("run " + base + ".ovi --link usb").status, 2);
  // An empty device name once fell back on the settings' port.
  EXPECT_EQ(Cli("run " + base + ".ovi --link serial --device ''").status, 2);
  EXPECT_EQ(Cli("board identify --device ''").status, 2);
}

// SIGTERM while the ticks play and while the wire pre-heats: the heating is
// off in the recording's last control write, and the process dies of it.
TEST_F(OrvaneCliRun, SigtermLeavesTheIdleImageLast) {
  struct Case {
    const char* name;
    int preHeat;
    size_t waitForWrites;  // lines in the recording before the signal
  };
  const Case cases[] = {{"during the ticks", 0, 2000}, {"during the pre-heat", 20, 3}};
  for (const Case& c : cases) {
    Configure(c.preHeat, true);
    const std::string base = Generate(3);
    const std::string recording = work / (std::string("run-") + std::to_string(c.preHeat));
    const pid_t pid = fork();
    if (pid == 0) {
      std::freopen("/dev/null", "r", stdin);
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      const std::string cut = base + ".ovi";
      execl(ORVANE_CLI, ORVANE_CLI, "run", cut.c_str(), "--record", recording.c_str(), nullptr);
      _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadRecording(recording).size() < c.waitForWrites &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << c.name;
    const auto writes = AfterTheRest(ReadRecording(recording));
    ASSERT_FALSE(writes.empty()) << c.name;
    // The last control write is the idle image; the tick in progress may
    // still end with its 0, never with a step.
    size_t last = writes.size();
    while (last > 0 && writes[last - 1].reg != 2) --last;
    ASSERT_GT(last, 0u) << c.name;
    EXPECT_EQ(writes[last - 1].value, 1) << c.name;
    for (size_t i = last; i < writes.size(); ++i) EXPECT_EQ(writes[i].value, 0) << c.name;
    if (c.preHeat > 0) {
      for (const Write& w : writes) EXPECT_EQ(w.reg, 2) << c.name << ": a tick during the pre-heat";
    }
  }
}

// Sets that are not what their header says are refused before the heating
// goes on.
TEST_F(OrvaneCliRun, RefusesAMixedOrOutOfRangeSetBeforeHeating) {
  Configure(0, true);
  const std::string base = Generate(3);
  const std::string header = test::ReadText(base + ".ovi");
  const std::string steps = test::ReadText(base + ".ovd");
  auto lineStart = [&header](int number) {
    size_t start = 0;
    for (int i = 1; i < number; ++i) start = header.find('\n', start) + 1;
    return start;
  };
  auto line = [&](int number, const std::string& text) {
    const size_t start = lineStart(number);
    return header.substr(0, start) + text + header.substr(header.find('\r', start));
  };
  struct Case {
    const char* name;
    std::string header, steps;
    const char* says;
  } cases[] = {
      // X1 up at every tick: the same size, three times the travel.
      {"a step file of another cut", header, std::string(steps.size(), '\x03'),
       "Fichiers de découpes différentes"},
      {"a bit pair that would wrap to bits 0-1", line(38, "-9223372036854775808"), steps,
       "ligne 38"},
      {"a header without its tick count", header.substr(0, lineStart(47)), steps,
       "46 lignes sur 48"},
  };
  for (const Case& c : cases) {
    test::WriteText(base + ".ovi", c.header);
    test::WriteText(base + ".ovd", c.steps);
    const std::string recording = work / "run.txt";
    const CliRun run = Cli("run " + base + ".ovi --record " + recording + " </dev/null");
    EXPECT_EQ(run.status, 1) << c.name << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.says)) << c.name;
    for (const Write& w : ReadRecording(recording)) {
      EXPECT_FALSE(w.reg == 2 && w.value == 3) << c.name << ": the heating went on";
      EXPECT_FALSE(w.reg == 0 && w.value != 0) << c.name << ": a step was played";
    }
  }
}

// The file is cut short during the pre-heat: what was played is the start of
// the cut, the run says it is unfinished and the heating is off.
TEST_F(OrvaneCliRun, AStepFileThatShrinksDuringTheRunFails) {
  Configure(1, true);
  const std::string base = Generate(3);
  const std::string steps = test::ReadText(base + ".ovd");
  ASSERT_GT(steps.size(), 200000u);  // more than the reader's buffers ahead
  const std::string recording = work / "run.txt";
  const std::string output = work / "output.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "r", stdin);
    std::freopen(output.c_str(), "w", stdout);
    dup2(fileno(stdout), STDERR_FILENO);
    const std::string cut = base + ".ovi";
    execl(ORVANE_CLI, ORVANE_CLI, "run", cut.c_str(), "--record", recording.c_str(), nullptr);
    _exit(127);
  }
  // Past the start's rest, the run image: the wire heats, the ticks have not begun.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ReadRecording(recording).size() < 3 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  fs::resize_file(base + ".ovd", 1000);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string text = test::ReadText(output);
  EXPECT_THAT(text, HasSubstr("Fichier de découpe raccourci pendant la découpe"));
  EXPECT_THAT(text, HasSubstr("sur " + std::to_string(steps.size())));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("terminée normalement")));

  const auto writes = AfterTheRest(ReadRecording(recording));
  std::string patterns;  // each tick writes its pattern, then 0
  for (size_t i = 0, data = 0; i < writes.size(); ++i) {
    if (writes[i].reg == 0 && data++ % 2 == 0) patterns += static_cast<char>(writes[i].value);
  }
  EXPECT_LT(patterns.size(), steps.size());
  EXPECT_EQ(patterns, steps.substr(0, patterns.size()));
  ASSERT_FALSE(writes.empty());
  size_t last = writes.size();
  while (last > 0 && writes[last - 1].reg != 2) --last;
  ASSERT_GT(last, 0u);
  EXPECT_EQ(writes[last - 1].value, 1) << "the heating is off";
}

}  // namespace
}  // namespace orvane
