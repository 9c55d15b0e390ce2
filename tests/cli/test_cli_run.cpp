// orvane-cli run as a process, on the recording virtual port: the port at
// rest before anything else, the bytes played are the step file's, the
// heating goes on before the first tick and off after the last, a stop ends
// the run unless someone answers "n", a signal at any stage leaves the
// heating off, and a set that is not what its header says never ends as a
// finished cut.
#include <cstdio>

#include "cli/cli_harness.h"
#include "support/pty.h"

namespace orvane {
namespace {

class OrvaneCliRun : public OrvaneCli {
 protected:
  // Short ticks so a cut of thousands plays in a moment.
  std::string Cut(int rows, int preHeat = 0, uint16_t periodUs = 20) {
    UseHeatedTicks(periodUs, preHeat);
    return Generate(Serpentine(rows));
  }
  // Runs the cut with nobody at the keys.
  CliRun Run(const std::string& base) {
    return Cli("run " + base + ".ovi --record " + recording + " </dev/null");
  }
  // The patterns of the ticks played after the start's rest.
  std::string Played() { return TickPatterns(AfterTheRest(test::ReadRecording(recording))); }
  const std::string recording = work / "run.txt";
};

// Every byte of the step file once, between the run and idle images, with or
// without a pause ("n" to the question: heating off and hold kept, the idle
// image here, then the run image again). A stop ends the run unless someone
// answers "n": an "o" or the end of the input (a script, a closed pipe; a line
// that is no answer is skipped on the way to it) abandons. A signal while the
// ticks play or the wire pre-heats, or a step file cut short during the
// pre-heat, ends it too. However it ends, what was played is the start of the
// cut, a run that did not end does not say so, and the heating is off last.
// Where the strokes end is the step file run's arithmetic.
TEST_F(OrvaneCliRun, PlaysTheStepFileByteForByteOrEndsWithTheHeatingOff) {
  const std::string base = Cut(3);
  const std::string steps = test::ReadText(base + ".ovd");
  ASSERT_GT(steps.size(), 200000u);  // more than the reader's buffers ahead
  const std::string abandoned = "Abandonner la découpe ? [o/n] o\n";
  const struct {
    const char* name;
    const char* keys;  // typed at once, then the end of input; none: left open
    int preHeat;
    size_t writesBefore;  // in the recording before the blow, if any
    int signal;           // 0: the step file shrinks to 1,000 bytes
    int status;
    std::string said;
    std::vector<int> control;  // of a finished run
  } cases[] = {
      {"to the end", "", 0, 0, 0, 0, "Découpe terminée normalement", {3, 1}},
      {"n", " n\n", 0, 0, 0, 0, "Abandonner la découpe ? [o/n] n", {3, 1, 3, 1}},
      {"o", " o\n", 0, 0, 0, 1, abandoned, {}},
      {"end of input", " ", 0, 0, 0, 1, abandoned, {}},
      {"SIGTERM during the ticks", nullptr, 0, 2000, SIGTERM, 128 + SIGTERM, "", {}},
      {"SIGTERM during the pre-heat", nullptr, 20, 3, SIGTERM, 128 + SIGTERM, "", {}},
      // The message in full is the step file run's test.
      {"a step file that shrinks", nullptr, 1, 3, 0, 1, "raccourci pendant la découpe", {}},
  };
  const std::string output = work / "output.txt";
  for (const auto& c : cases) {
    UseHeatedTicks(20, c.preHeat);
    test::WriteText(base + ".ovd", steps);  // whole again after the shrink
    fs::remove(recording);                  // the last case's would do for this one's
    test::Child run({ORVANE_CLI, "run", base + ".ovi", "--record", recording, "--link", "parallel"},
                    output);
    if (c.keys) {
      EXPECT_TRUE(run.Type(c.keys)) << c.name;
      run.EndInput();
    }
    if (c.writesBefore) {
      ASSERT_TRUE(run.WaitUntil([&] {
        return test::ReadRecording(recording).size() >= c.writesBefore;
      })) << c.name;
      if (c.signal) run.Signal(c.signal);
      if (!c.signal) fs::resize_file(base + ".ovd", 1000);
    }
    EXPECT_EQ(run.Wait(), c.status) << c.name;
    const std::string text = test::ReadText(output);
    EXPECT_THAT(text, HasSubstr(c.said)) << c.name;
    const std::string played = Played();
    const auto writes = AfterTheRest(test::ReadRecording(recording));
    const auto control = test::ControlValues(writes);
    ASSERT_FALSE(control.empty()) << c.name;
    EXPECT_TRUE(HeatingOffLast(writes)) << c.name;
    if (c.status == 0) {
      EXPECT_THAT(text, HasSubstr("Positions : X1 = ")) << c.name;
      EXPECT_EQ(played, steps) << c.name;
      EXPECT_EQ(control, c.control) << c.name;
      EXPECT_TRUE(writes.front().reg == 2 && writes.back().reg == 2) << "ticks outside the run";
      continue;
    }
    EXPECT_THAT(text, Not(HasSubstr("terminée normalement"))) << c.name;
    EXPECT_EQ(control.front(), 3) << c.name;
    EXPECT_EQ(std::count(control.begin(), control.end(), 3), 1) << c.name << ": heated again";
    EXPECT_LT(played.size(), steps.size()) << c.name;
    EXPECT_EQ(played, steps.substr(0, played.size())) << c.name;
    if (c.preHeat > 1) {
      EXPECT_EQ(played, "") << c.name << ": a tick during the pre-heat";
    }
    if (c.writesBefore && !c.signal) {
      EXPECT_THAT(text, HasSubstr("sur " + std::to_string(steps.size()))) << c.name;
    }
  }
}

// The processor time of a process's main thread so far, in seconds.
double MainThreadSeconds(pid_t pid) {
  const std::string text =
      test::ReadText("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/stat");
  const size_t end = text.rfind(')');
  unsigned long long utime = 0, stime = 0;  // fields 14 and 15
  if (end == std::string::npos ||
      std::sscanf(text.c_str() + end + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                  &utime, &stime) != 2) {
    return -1;
  }
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Regression: with its input at its end the terminal loop returned at once
// and spun, taking a processor from the output thread; a 36 s cut took
// 71.5 s against 37 s with an open pipe. What the loop costs is measured
// where it runs, on the main thread, against the time the ticks took: a
// share of a processor, whatever the machine's load does to the duration.
TEST_F(OrvaneCliRun, ARunWithItsInputAtTheEndNeverSpins) {
  UseStepsPerMm(20);
  const std::string base = Cut(2, 0, 100);  // 16,000 ticks of 100 µs: 1.6 s
  for (const bool pipeClosed : {false, true}) {
    const char* what = pipeClosed ? "a closed pipe" : "/dev/null";
    test::Child run({ORVANE_CLI, "run", base + ".ovi", "--record", recording}, "/dev/null",
                    pipeClosed ? "" : "/dev/null");
    run.EndInput();
    double mainThread = 0;
    run.WaitUntil([&] {
      if (const double seconds = MainThreadSeconds(run.Pid()); seconds >= 0) mainThread = seconds;
      return false;
    });
    ASSERT_EQ(run.Wait(), 0) << what;

    std::vector<long long> data;  // each tick's pattern, then its 0
    for (const Write& w : AfterTheRest(test::ReadRecording(recording))) {
      if (w.reg == 0) data.push_back(w.ns);
    }
    ASSERT_GT(data.size(), 2 * 10000u) << what;
    const double played = double(data.back() - data.front()) / 1e9;
    // Looking at the keys every few milliseconds costs next to nothing; a
    // spin takes a processor's share, even on a machine short of them.
    EXPECT_LT(mainThread / played, 0.2) << what;
  }
}

// A step file of another cut (a mixed set), or a cut made for other motor
// settings, is refused before the heating goes on: the port is brought to
// rest, and nothing more. The header's range checks are its reader's tests.
TEST_F(OrvaneCliRun, RefusesAMixedOrForeignSetBeforeHeating) {
  const std::string base = Cut(3);
  const std::string steps = test::ReadText(base + ".ovd");
  const struct {
    const char* name;
    std::string steps;
    uint16_t y2Steps;  // per mm in the settings, 200 in the cut
    const char* said;  // in full in the cut check's and the opening's tests
  } cases[] = {
      // X1 up at every tick: the same size, three times the travel.
      {"a step file of another cut", std::string(steps.size(), '\x03'), 200,
       "Fichiers de découpes différentes"},
      {"other motor settings", steps, 400, "Paramètres machine différents"},
  };
  for (const auto& c : cases) {
    test::WriteText(base + ".ovd", c.steps);
    settings.Y2step = c.y2Steps;
    Store(settings);
    const CliRun run = Run(base);
    EXPECT_EQ(run.status, 1) << c.name << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.said)) << c.name;
    EXPECT_TRUE(AfterTheRest(test::ReadRecording(recording)).empty()) << c.name;
  }
  EXPECT_EQ(Cli("run " + out + "/absent.ovi").status, 1);
}

// orvane-cli run on the serial step link, against a pseudo-terminal whose
// other side the test holds. Read to the end, the line gets each tick's
// pattern then a zero, without a Qt warning. The line closed after 32,486
// bytes was a finished cut. A device that takes nothing leaves the output
// thread waiting in a write once the line holds a full buffer that no longer
// grows: left so, the write's bound makes it a lost link; the space bar stops
// the run before that, and the end of the input at the stop's question
// abandons.
TEST_F(OrvaneCli, TheSerialLinkSendsEveryTickOrFailsWhenTheLineIsLostOrStuck) {
  settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = 20;
  settings.PortType = 1;
  const std::string base = Generate(Serpentine(1), "line");
  std::vector<uint8_t> expected;
  for (char c : test::ReadText(base + ".ovd")) expected.insert(expected.end(), {uint8_t(c), 0});
  ASSERT_GT(expected.size(), 100'000u);
  const std::string lost = ") : découpe arrêtée, positions inconnues.";
  const struct {
    const char* name;
    const char* keys;  // typed once the line is stuck, then the end of input
    bool resume;
    int status;
    std::string said;
  } cases[] = {
      {"read to the end", nullptr, false, 0, "Découpe terminée normalement"},
      {"closed after 32,486 bytes", nullptr, false, 1, lost},
      {"left unread", nullptr, false, 1, "(le périphérique ne prend plus rien" + lost},
      {"space", " ", false, 1, "Découpe interrompue.\n"},
      {"space, then the end of input", " ", true, 1, "Abandonner la découpe ? [o/n] o\n"},
  };
  const std::string output = work / "run.txt";
  for (const auto& c : cases) {
    settings.Reprise = c.resume;
    Store(settings);
    test::PtyEnd line;
    ASSERT_FALSE(line.Device().empty());
    test::Child run(
        {ORVANE_CLI, "run", base + ".ovi", "--link", "serial", "--device", line.Device()}, output);
    const bool closed = c.name[0] == 'c';
    if (closed) {
      line.Receive(32'486);
      line.Close();
    }
    if (c.status == 0) line.Receive();
    // Stuck once the line holds a full buffer that no longer grows.
    int held = -1, same = 0;
    run.WaitUntil([&] {
      const int now = line.Pending();
      same = now > 0 && now == held ? same + 1 : 0;
      held = now;
      return closed || c.status == 0 || same >= 100;
    });
    if (c.keys) {
      EXPECT_TRUE(run.Type(c.keys)) << c.name;
      run.EndInput();
    }
    EXPECT_EQ(run.Wait(), c.status) << c.name;
    const std::string text = test::ReadText(output);
    EXPECT_THAT(text, HasSubstr(c.said)) << c.name << "\n" << text;
    EXPECT_THAT(text, Not(HasSubstr("QObject"))) << c.name;
    EXPECT_THAT(text, Not(HasSubstr("QSocketNotifier"))) << c.name;
    // No heating output on this link: nothing to claim switched off.
    EXPECT_THAT(text, Not(HasSubstr("chauffe coupée"))) << c.name;
    // A stop asks whether to abandon only when resuming is allowed.
    EXPECT_EQ(text.find("Abandonner") != std::string::npos, c.resume) << c.name;
    if (c.status == 0) {
      EXPECT_TRUE(line.received == expected) << "the bytes differ from the step file's";
      continue;
    }
    EXPECT_THAT(text, Not(HasSubstr("terminée normalement"))) << c.name;
    const std::string device = "orvane-cli : Liaison série perdue sur " + line.Device() + " (";
    EXPECT_EQ(text.find(device) != std::string::npos, c.keys == nullptr) << c.name;
  }
}

}  // namespace
}  // namespace orvane
