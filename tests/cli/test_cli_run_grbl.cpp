// orvane-cli run on a GRBL-class controller, against orvane-grbl-sim with a
// 128-byte receive buffer that drops what overflows: every check reads what
// the simulator logged (the lines it took, the real-time bytes, its spindle
// output) and compares it with the program.
#include <cmath>
#include <sstream>

#include "cli/cli_harness.h"
#include "core/cut/gcode_dialect.h"
#include "core/machine/grbl_settings.h"
#include "support/grbl_sim.h"

namespace orvane {
namespace {

using test::GrblSim;
using test::GrblSimLog;

// The program's last move at 200 steps per mm, as the run prints it.
std::string EndPositions(const std::vector<std::string>& program) {
  double v[4] = {};
  for (const std::string& line : program) {
    if (line.starts_with("G1 "))
      std::sscanf(line.c_str(), "G1 X%lf Y%lf Z%lf A%lf", v, v + 1, v + 2, v + 3);
  }
  char text[128];
  std::snprintf(text, sizeof text, "Positions : X1 = %lld  Y1 = %lld  X2 = %lld  Y2 = %lld",
                std::llround(v[0] * 200), std::llround(v[1] * 200), std::llround(v[2] * 200),
                std::llround(v[3] * 200));
  return text;
}

class OrvaneCliGrbl : public OrvaneCli {
 protected:
  // A wing section of 60 mm chord and 12 % thickness, as `generate --dialect
  // xyza` writes it: over 80 lines of about 45 bytes in inverse time, 1.5 s
  // each, heated: the 128-byte buffer is refilled dozens of times.
  void SetUp() override {
    OrvaneCli::SetUp();
    // The heating is the program's own (M3 ... G4 P1 ... M5); the parallel
    // port's heating setting is off, as it is by default, and changes nothing.
    settings.ActChauffe = false;
    settings.PreChauffe = 1;
    settings.Reprise = true;
    Store(settings);
    std::vector<std::pair<double, double>> outline;
    for (int i = 0; i <= 80; ++i) {
      const double t = i <= 40 ? 1.0 - i / 40.0 : (i - 40) / 40.0, side = i <= 40 ? 1 : -1;
      const double half = 0.6 * (0.2969 * std::sqrt(t) - 0.126 * t - 0.3516 * t * t +
                                 0.2843 * t * t * t - 0.1015 * t * t * t * t);
      outline.push_back({10 + 60 * t, 20 + side * 60 * half});
    }
    base = out + "/wing";
    const CliRun made = Cli("generate " + Project("wing.ovp", outline) + " -o " + base +
                            " --dialect xyza --heat 800");
    ASSERT_EQ(made.status, 0) << made.output;
    std::istringstream in(test::ReadText(base + ".nc"));
    for (std::string line; std::getline(in, line);) program.push_back(line);
    ASSERT_GT(program.size(), 80u);
  }
  void StartSim(std::vector<std::string> args) {
    args.insert(args.end(), {"--rx-buffer", "128"});
    sim = std::make_unique<GrblSim>(work / "grbl.log", args);
    ASSERT_FALSE(sim->Device().empty());
  }
  GrblSimLog StopAndLog() {
    sim->Stop();
    return sim->Log();
  }
  std::vector<std::string> Sent(const GrblSimLog& log) const {
    EXPECT_FALSE(log.lines.empty());
    if (log.lines.empty() || log.lines[0] != "$I") return log.lines;
    return std::vector<std::string>(log.lines.begin() + 1, log.lines.end());
  }

  std::string base;
  std::vector<std::string> program;
  std::unique_ptr<GrblSim> sim;
};

// One table for every run that ends by itself: the whole wing, and each way
// the controller can fail it. Each ends with the spindle output off, the
// right exit status and message, and nothing claimed that was not confirmed.
TEST_F(OrvaneCliGrbl, StreamsTheWingOrFailsWithTheHeatingOff) {
  const std::string stopped = ". Découpe arrêtée, chauffe coupée";
  const struct {
    const char* name;
    std::vector<std::string> sim;
    std::string axes;  // the G-code settings' letters; empty: their default
    int status;
    std::string said;
    int linesTaken;  // program lines the controller took: -1 all, checked equal to the file;
                     // -2 some; 0 none
  } cases[] = {
      {"whole wing", {}, "", 0, "Découpe terminée normalement", -1},
      {"error mid-run",
       {"--error-at", "40:20"},
       "",
       1,
       "error:20, commande G-code non prise en charge" + stopped,
       -2},
      {"alarm mid-run",
       {"--alarm-at", "60:1"},
       "",
       1,
       "ALARM:1, fin de course matérielle déclenchée" + stopped,
       -2},
      {"silent controller",
       {"--silent-at", "30"},
       "",
       1,
       "Le contrôleur GRBL ne répond plus. Découpe arrêtée ; le contrôleur ne confirme pas sa "
       "réinitialisation : vérifiez que la chauffe est coupée.",
       -2},
      {"noise for an answer", {"--garbage-at", "20"}, "", 1, "Réponse incohérente", -2},
      {"axes it lacks", {"--axes", "XYZ"}, "", 1, "n'a pas les axes A (il a XYZ)", 0},
      // The program's letters count, not those of the last export's settings.
      {"settings' letters not the program's", {}, "XYUV", 0, "Découpe terminée normalement", -1},
      {"nobody there", {"--mute"}, "", 1, "Aucun contrôleur GRBL ne répond", 0},
  };
  for (const auto& c : cases) {
    FileSettingsStore store(config / "settings.ini");
    GcodeDialect dialect;
    if (!c.axes.empty()) dialect.axes = c.axes;
    WriteGcodeDialect(store, dialect);
    std::vector<std::string> args = {"--time-factor", "0"};
    args.insert(args.end(), c.sim.begin(), c.sim.end());
    StartSim(args);
    const auto start = std::chrono::steady_clock::now();
    const CliRun run =
        Cli("run " + base + ".ovi --link grbl --device " + sim->Device() + " </dev/null");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const GrblSimLog log = StopAndLog();
    EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.said)) << c.name;
    EXPECT_TRUE(log.SpindleOff()) << c.name << ": " << log.summary;
    EXPECT_EQ(log.Has("LOST"), false) << c.name;
    EXPECT_LT(took.count(), 15) << c.name;
    const std::vector<std::string> sent = log.lines.empty() ? log.lines : Sent(log);
    if (c.linesTaken == -1) {
      EXPECT_EQ(sent, program) << c.name;
      EXPECT_THAT(run.output, HasSubstr(EndPositions(program))) << c.name;
      EXPECT_EQ(std::count(log.events.begin(), log.events.end(), "RT 0x18"), 1)
          << c.name << ": only the opening's reset";
    } else if (c.linesTaken == 0) {
      EXPECT_TRUE(sent.empty()) << c.name;
    } else {
      // Stopped where it failed: feed hold, then the reset that switches
      // the spindle off, and no position claimed.
      EXPECT_LT(sent.size(), program.size()) << c.name;
      EXPECT_TRUE(std::equal(sent.begin(), sent.end(), program.begin())) << c.name;
      const auto hold = std::find(log.events.begin(), log.events.end(), "RT 0x21");
      ASSERT_NE(hold, log.events.end()) << c.name;
      EXPECT_NE(std::find(hold, log.events.end(), "RT 0x18"), log.events.end()) << c.name;
    }
    EXPECT_EQ(run.output.find("Positions : inconnues") == std::string::npos, c.status == 0)
        << c.name;
    EXPECT_EQ(run.output.find("terminée normalement") != std::string::npos, c.status == 0);
  }
}

// The space bar holds the feed and switches the heating off while the user
// answers; "n" switches it on again, waits the pre-heat and resumes with
// "~", and every line still arrives once, in order; "o" resets, and so does
// a termination signal, which asks nobody, also once every line of a
// program without its own end is taken and acknowledged: the link's M5
// waits for the controller's run-out, the wire hot.
TEST_F(OrvaneCliGrbl, StopThenResumeOrAbandon) {
  const char* abandoned = "Découpe abandonnée : chauffe coupée (contrôleur réinitialisé).";
  const struct {
    const char* answer;  // to the question; none: a signal instead of the space bar
    bool runOut;         // a planner that takes the whole program, M5 and M2 left out
    int status;
    const char* said;
  } cases[] = {
      {"n\n", false, 0, "Découpe terminée normalement"},
      {"o\n", false, 1, abandoned},
      {nullptr, false, 128 + SIGTERM, abandoned},
      {nullptr, true, 128 + SIGTERM, abandoned},
  };
  const std::string output = work / "output.txt", open = work / "open.nc";
  std::string text;
  for (size_t i = 0; i + 2 < program.size(); ++i) text += program[i] + "\n";
  test::WriteText(open, text);
  for (const auto& c : cases) {
    // Fifty times real time: about 2.5 s of motion.
    StartSim({"--time-factor", "50", "--blocks", c.runOut ? "200" : "15"});
    std::vector<std::string> args = {ORVANE_CLI, "run",      base + ".ovi", "--link",
                                     "grbl",     "--device", sim->Device()};
    if (c.runOut) args.insert(args.end(), {"--program", open});
    test::Child run(args, output);
    const size_t taken = c.runOut ? program.size() - 1 : 40;  // "$I" and the program's lines
    ASSERT_TRUE(run.WaitUntil([&] {
      const GrblSimLog log = sim->Log();
      return log.lines.size() >= taken && log.Has("SPINDLE on");
    }));
    if (c.answer) {
      EXPECT_TRUE(run.Type(" "));
      ASSERT_TRUE(run.WaitUntil([&] { return sim->Log().Has("SPINDLE off (stop override)"); }));
      EXPECT_TRUE(run.Type(c.answer));
    } else {
      run.Signal(SIGTERM);
    }
    EXPECT_EQ(run.Wait(), c.status) << test::ReadText(output);
    const GrblSimLog log = StopAndLog();
    EXPECT_THAT(test::ReadText(output), HasSubstr(c.said));
    EXPECT_TRUE(log.SpindleOff()) << log.summary;
    EXPECT_FALSE(log.Has("LOST"));
    const std::vector<std::string> sent = Sent(log);
    // The order of what reached the controller after the hold.
    std::vector<std::string> after;
    bool held = false;
    for (const std::string& e : log.events) {
      held |= e == "RT 0x21";
      if (held && (e.starts_with("RT") || e.starts_with("SPINDLE"))) after.push_back(e);
    }
    if (c.status == 0) {
      EXPECT_EQ(sent, program);
      EXPECT_THAT(test::ReadText(output), HasSubstr("Préchauffage : patientez 1 secondes"));
      const std::vector<std::string> want = {"RT 0x21",
                                             "RT 0x9E",
                                             "SPINDLE off (stop override)",
                                             "RT 0x9E",
                                             "SPINDLE on S800.000",
                                             "RT 0x7E",
                                             "SPINDLE off (M5)"};
      EXPECT_EQ(after, want);
    } else {
      EXPECT_LT(sent.size(), program.size());
      const std::vector<std::string> want = {"RT 0x21", "RT 0x9E", "SPINDLE off (stop override)",
                                             "RT 0x18"};
      ASSERT_GE(after.size(), want.size()) << ::testing::PrintToString(log.events);
      EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + 4), want);
      EXPECT_THAT(test::ReadText(output), Not(HasSubstr("Positions : inconnues")));
    }
  }
}

// A run the controller stopped in motion leaves it in alarm, as GRBL does:
// the next run is refused until "$X" (`grbl unlock`, or `run --unlock`),
// then the whole wing runs on the same controller; the spindle comes on only
// for the runs themselves. A controller that ignores "$X" is a refusal
// within its bound, and nothing is sent after it.
TEST_F(OrvaneCliGrbl, AnAlarmIsRefusedUntilUnlocked) {
  const struct {
    const char* name;
    std::vector<std::string> sim;
    const char* unlock;  // the command that unlocks, "" for none
    int status;
    const char* said;
  } cases[] = {
      {"grbl unlock", {"--error-at", "40:20"}, "grbl unlock", 0, "Découpe terminée normalement"},
      {"run --unlock", {"--error-at", "40:20"}, "run --unlock", 0, "Découpe terminée normalement"},
      {"ignores $X",
       {"--start-in-alarm", "--deaf-to-unlock"},
       "grbl unlock",
       1,
       "Le contrôleur GRBL ne répond pas au déverrouillage ($X) : rien n'a été lancé."},
  };
  const std::string run = "run " + base + ".ovi --link grbl </dev/null --device ";
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--time-factor", "50"};
    args.insert(args.end(), c.sim.begin(), c.sim.end());
    StartSim(args);
    const std::string device = sim->Device();
    if (c.sim[0] == "--error-at") {
      EXPECT_THAT(Cli(run + device).output, HasSubstr("error:20")) << c.name;
    }
    const CliRun refused = Cli(run + device);
    EXPECT_EQ(refused.status, 1) << c.name;
    EXPECT_THAT(refused.output, HasSubstr("Le contrôleur GRBL est en alarme")) << c.name;
    const bool byRun = std::string(c.unlock) == "run --unlock";
    const auto start = std::chrono::steady_clock::now();
    CliRun last = Cli(byRun ? run + device + " --unlock" : "grbl unlock --device " + device);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took.count(), byRun && c.status == 0 ? 30 : 6) << c.name;  // a whole run, or none
    if (!byRun) {
      EXPECT_EQ(last.status, c.status) << c.name << "\n" << last.output;
      if (c.status == 0) {
        EXPECT_THAT(last.output, HasSubstr("[MSG:Caution: Unlocked]\n<Idle|"));
        EXPECT_THAT(last.output, HasSubstr("positions inconnues"));
        last = Cli(run + device);
      }
    }
    const GrblSimLog log = StopAndLog();
    EXPECT_EQ(last.status, c.status) << c.name << "\n" << last.output;
    EXPECT_THAT(last.output, HasSubstr(c.said)) << c.name;
    EXPECT_TRUE(log.SpindleOff()) << c.name;
    const auto unlock = std::find(log.lines.begin(), log.lines.end(), "$X");
    ASSERT_NE(unlock, log.lines.end()) << c.name;
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), "$X"), 1) << c.name;
    const auto lastOpening = std::find(log.lines.rbegin(), log.lines.rend(), "$I").base();
    const std::vector<std::string> after(std::max(lastOpening, unlock + 1), log.lines.end());
    // The error stop's run and the whole run switch the spindle on; nothing else does.
    const auto heated =
        std::count_if(log.events.begin(), log.events.end(),
                      [](const std::string& e) { return e.starts_with("SPINDLE on"); });
    if (c.status == 0) {
      EXPECT_EQ(after, program) << c.name;
      EXPECT_EQ(heated, 2) << c.name;
    } else {
      EXPECT_TRUE(after.empty()) << c.name;
      EXPECT_EQ(heated, 0) << c.name;
    }
  }
}

// The space bar while a silent controller is awaited is the user's stop,
// not a controller that does not answer.
TEST_F(OrvaneCliGrbl, AStopWhileTheControllerIsAwaitedIsNoSilence) {
  StartSim({"--mute"});
  const std::string output = work / "output.txt";
  test::Child run({ORVANE_CLI, "run", base + ".ovi", "--link", "grbl", "--device", sim->Device()},
                  output);
  EXPECT_TRUE(run.Type(" "));
  EXPECT_EQ(run.Wait(), 1);
  const std::string text = test::ReadText(output);
  EXPECT_THAT(text, HasSubstr("Arrêt demandé : rien n'a été lancé."));
  EXPECT_THAT(text, Not(HasSubstr("Aucun contrôleur GRBL ne répond")));
  EXPECT_TRUE(StopAndLog().lines.empty());
}

// What the controller reported, at the rate of the settings or of --baud: a
// controller at another rate hears noise and answers nothing.
TEST_F(OrvaneCliGrbl, InfoPrintsWhatTheControllerReported) {
  const struct {
    std::vector<std::string> sim;
    int stored;  // the settings' rate
    const char* options;
    int status;
    const char* said;
  } cases[] = {
      {{"--no-opt", "--no-axes"},
       115200,
       "",
       0,
       "Tampon de réception : 128 octets (non indiqué : valeur par défaut)\nAxes : XYZA\n"},
      {{"--baud", "57600"}, 57600, "", 0, "Tampon de réception : 128 octets\n"},
      {{"--baud", "57600"}, 115200, "--baud 57600", 0, "Tampon de réception : 128 octets\n"},
      {{"--baud", "57600"}, 115200, "", 1, "Aucun contrôleur GRBL ne répond"},
      {{},
       115200,
       "--baud 250000",
       2,
       "Vitesse de liaison non prise en charge : « 250000 » (possibles : 9600, 19200, 38400, "
       "57600, 115200, 230400, 460800, 921600 bauds)"},
  };
  for (const auto& c : cases) {
    FileSettingsStore store(config / "settings.ini");
    WriteGrblBaudRate(store, c.stored);
    sim = std::make_unique<GrblSim>(work / "grbl.log", c.sim);
    const CliRun run = Cli("grbl info --device " + sim->Device() + " " + c.options);
    const GrblSimLog log = StopAndLog();
    EXPECT_EQ(run.status, c.status) << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.said));
    EXPECT_EQ(
        run.output.find("Grbl 1.1h ['$' for help]\n[VER:1.1h.20190825:]\n") != std::string::npos,
        c.status == 0);
    EXPECT_EQ(log.Has("GARBLED"), c.status == 1) << c.said;
  }
}

// Regression: a jog on the GRBL link went out as board packets; step
// bytes or packets would reach the controller as G-code text.
TEST_F(OrvaneCliGrbl, ManualMovesSendNothingToTheController) {
  StartSim({});
  settings.PortType = 3;
  settings.SerialPort = sim->Device();
  Store(settings);
  const CliRun run = Cli("jog --axis X1 --mm 1 </dev/null");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_THAT(run.output, HasSubstr("ne passent pas par le contrôleur GRBL"));
  const GrblSimLog log = StopAndLog();
  EXPECT_TRUE(log.lines.empty());
  EXPECT_TRUE(log.events.empty());
}

}  // namespace
}  // namespace orvane
