// orvane-cli run as a process, on the recording virtual port: the port at
// rest before anything else, the bytes played are the step file's, the
// heating goes on before the first tick and off after the last, a stop ends
// the run unless someone answers "n", a signal at any stage leaves the
// heating off, and a set that is not what its header says never ends as a
// finished cut.
#include <fstream>
#include <sstream>

#include "cli/cli_harness.h"

namespace orvane {
namespace {

class OrvaneCliRun : public OrvaneCli {
 protected:
  // Short ticks so a cut of thousands plays in a moment; heating automatic so
  // the run image (0x03) and the idle image (0x01) differ.
  std::string Cut(int rows, int preHeat = 0, uint16_t periodUs = 20) {
    settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = periodUs;
    settings.ActChauffe = true;
    settings.PreChauffe = static_cast<uint8_t>(preHeat);
    settings.Reprise = true;
    Store(settings);
    return Generate(Serpentine(rows));
  }
  // Runs the cut with `keys` typed in advance.
  CliRun Run(const std::string& base, const std::string& keys, const std::string& extra = "") {
    test::WriteText(work / "keys.txt", keys);
    return Cli("run " + base + ".ovi --record " + recording + extra + " <" + work / "keys.txt");
  }
  // The patterns of the ticks played after the start's rest, each checked to
  // be followed by its 0.
  std::string Played() {
    const std::string bytes = test::DataBytes(AfterTheRest(test::ReadRecording(recording)));
    std::string patterns;
    for (size_t i = 0; i < bytes.size(); i += 2) {
      patterns += bytes[i];
      EXPECT_TRUE(i + 1 >= bytes.size() || bytes[i + 1] == 0) << "tick " << i / 2;
    }
    return patterns;
  }
  const std::string recording = work / "run.txt";
};

// Every byte of the step file once, between the run and idle images, with or
// without a pause ("n" to the question: heating off and hold kept, the idle
// image here, then the run image again).
TEST_F(OrvaneCliRun, PlaysTheStepFileByteForByteBetweenRunAndIdleImages) {
  const std::string base = Cut(2);
  const std::string steps = test::ReadText(base + ".ovd");
  ASSERT_GT(steps.size(), 1000u);
  // Slots 0..3, no axis inverted: both bits of a pair is a step up, the step
  // bit alone a step down.
  long long net[4] = {};
  for (unsigned char b : steps) {
    for (int axis = 0; axis < 4; ++axis) {
      const int bits = (b >> (2 * axis)) & 3;
      net[axis] += bits == 3 ? 1 : bits == 1 ? -1 : 0;
    }
  }
  std::ostringstream positions;
  positions << "Positions : X1 = " << net[0] << "  Y1 = " << net[1] << "  X2 = " << net[2]
            << "  Y2 = " << net[3];
  const struct {
    const char* keys;
    std::vector<int> control;
    const char* said;
  } cases[] = {
      {"", {3, 1}, "Découpe terminée normalement"},
      {" n\n", {3, 1, 3, 1}, "Abandonner la découpe ? [o/n] n"},
  };
  for (const auto& c : cases) {
    const CliRun run = Run(base, c.keys, " --link parallel");
    ASSERT_EQ(run.status, 0) << c.keys << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.said));
    EXPECT_THAT(run.output, HasSubstr(positions.str())) << c.keys;
    EXPECT_EQ(Played(), steps) << c.keys;
    const auto writes = AfterTheRest(test::ReadRecording(recording));
    EXPECT_EQ(test::ControlValues(writes), c.control) << c.keys;
    EXPECT_TRUE(writes.front().reg == 2 && writes.back().reg == 2) << "ticks outside the run";
  }
}

// A stop ends the run unless someone answers "n": an "o", a line that is no
// answer, or the end of the input (a script, a closed pipe) abandons, and the
// heating stays off.
TEST_F(OrvaneCliRun, AStopEndsTheRunUnlessNoIsAnswered) {
  const std::string base = Cut(2);
  const size_t ticks = test::ReadText(base + ".ovd").size();
  for (const char* keys : {" o\n", " ", " \nx\n"}) {
    const CliRun run = Run(base, keys);
    EXPECT_EQ(run.status, 1) << keys << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr("Abandonner la découpe ? [o/n] o\n")) << keys;
    EXPECT_THAT(run.output, Not(HasSubstr("terminée normalement"))) << keys;
    const auto writes = AfterTheRest(test::ReadRecording(recording));
    const auto control = test::ControlValues(writes);
    ASSERT_FALSE(control.empty()) << keys;
    EXPECT_EQ(control.front(), 3) << keys;
    EXPECT_EQ(std::count(control.begin(), control.end(), 3), 1) << keys << ": heated again";
    EXPECT_TRUE(HeatingOffLast(writes)) << keys;
    EXPECT_LT(writes.size(), 2 * ticks) << keys;
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

    // Each tick: its pattern, then 0.
    const auto writes = AfterTheRest(test::ReadRecording(recording));
    long long first = -1, last = 0, ticks = 0;
    for (size_t i = 0; i + 1 < writes.size(); ++i) {
      if (writes[i].reg != 0) continue;
      if (first < 0) first = writes[i].ns;
      last = writes[i++].ns;
      ++ticks;
    }
    ASSERT_GT(ticks, 10000) << what;
    const double played = double(last - first) / 1e9;
    std::cout << what << ": " << ticks << " ticks in " << played << " s, main thread " << mainThread
              << " s of processor\n";
    // Looking at the keys every few milliseconds costs next to nothing; a
    // spin takes a processor's share, even on a machine short of them.
    EXPECT_LT(mainThread / played, 0.2) << what;
  }
}

TEST_F(OrvaneCliRun, RefusesACutMadeForOtherMotorSettingsAndBadLinks) {
  const std::string base = Cut(1);
  settings.Y2step = 400;
  settings.X1io = 1;
  settings.Y1io = 0;
  Store(settings);
  const CliRun run = Run(base, "");
  EXPECT_EQ(run.status, 1);
  for (const char* said : {"Paramètres machine différents",
                           "X1 : bits 0-1 dans la découpe, bits 2-3 dans les réglages",
                           "Y1 : bits 2-3 dans la découpe, bits 0-1 dans les réglages",
                           "Y2 : 200 pas/mm dans la découpe, 400 pas/mm dans les réglages"}) {
    EXPECT_THAT(run.output, HasSubstr(said));
  }
  // The port was brought to rest all the same, and nothing more.
  EXPECT_TRUE(AfterTheRest(test::ReadRecording(recording)).empty());

  EXPECT_EQ(Cli("run " + out + "/absent.ovi").status, 1);
  // An empty device name once fell back on the settings' port.
  for (const std::string& arguments :
       {"run " + base + ".ovi --simulate", "run " + base + ".ovi --link usb",
        "run " + base + ".ovi --link serial --device ''",
        std::string("board identify --device ''")}) {
    EXPECT_EQ(Cli(arguments).status, 2) << arguments;
  }
}

// A signal while the ticks play or the wire pre-heats, or a step file cut
// short during the pre-heat: what was played is the start of the cut, the
// run does not end as a finished one, and the heating is off last.
TEST_F(OrvaneCliRun, ARunInterruptedAtAnyStageLeavesTheHeatingOff) {
  const struct {
    const char* name;
    int preHeat;
    size_t writesBefore;  // in the recording before the blow
    int signal;           // 0: the step file shrinks to 1,000 bytes
    int status;
  } cases[] = {
      {"SIGTERM during the ticks", 0, 2000, SIGTERM, 128 + SIGTERM},
      {"SIGTERM during the pre-heat", 20, 3, SIGTERM, 128 + SIGTERM},
      {"a step file that shrinks", 1, 3, 0, 1},
  };
  for (const auto& c : cases) {
    const std::string base = Cut(3, c.preHeat);
    const std::string steps = test::ReadText(base + ".ovd");
    ASSERT_GT(steps.size(), 200000u);  // more than the reader's buffers ahead
    const std::string output = work / "output.txt";
    fs::remove(recording);  // the last case's would do for this one's
    test::Child run({ORVANE_CLI, "run", base + ".ovi", "--record", recording}, output);
    ASSERT_TRUE(run.WaitUntil([&] {
      return test::ReadRecording(recording).size() >= c.writesBefore;
    })) << c.name;
    if (c.signal) run.Signal(c.signal);
    if (!c.signal) fs::resize_file(base + ".ovd", 1000);
    EXPECT_EQ(run.Wait(), c.status) << c.name;
    const std::string text = test::ReadText(output);
    EXPECT_THAT(text, Not(HasSubstr("terminée normalement"))) << c.name;
    if (!c.signal) {
      EXPECT_THAT(text, HasSubstr("Fichier de découpe raccourci pendant la découpe"));
      EXPECT_THAT(text, HasSubstr("sur " + std::to_string(steps.size())));
    }
    const std::string played = Played();
    EXPECT_LT(played.size(), steps.size()) << c.name;
    EXPECT_EQ(played, steps.substr(0, played.size())) << c.name;
    if (c.preHeat > 1) {
      EXPECT_EQ(played, "") << c.name << ": a tick during the pre-heat";
    }
    const auto writes = AfterTheRest(test::ReadRecording(recording));
    ASSERT_FALSE(writes.empty()) << c.name;
    EXPECT_TRUE(HeatingOffLast(writes)) << c.name;
  }
}

// Sets that are not what their header says are refused before the heating
// goes on.
TEST_F(OrvaneCliRun, RefusesAMixedOrOutOfRangeSetBeforeHeating) {
  const std::string base = Cut(3);
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
  const struct {
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
  for (const auto& c : cases) {
    test::WriteText(base + ".ovi", c.header);
    test::WriteText(base + ".ovd", c.steps);
    const CliRun run = Run(base, "");
    EXPECT_EQ(run.status, 1) << c.name << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.says)) << c.name;
    for (const Write& w : test::ReadRecording(recording)) {
      EXPECT_FALSE(w.reg == 2 && w.value == 3) << c.name << ": the heating went on";
      EXPECT_FALSE(w.reg == 0 && w.value != 0) << c.name << ": a step was played";
    }
  }
}

}  // namespace
}  // namespace orvane
