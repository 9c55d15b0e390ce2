// orvane-cli run on the USB board, against orvane-board-sim: every check
// decodes what the simulator logged and compares it with the ".ovg" file.
#include <sstream>

#include "cli/cli_harness.h"
#include "core/machine/board_protocol.h"
#include "support/board_sim.h"

namespace orvane {
namespace {

using test::BoardSim;
using test::SimPacket;

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(test::ReadText(path));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<SimPacket> CutLines(const std::vector<SimPacket>& log) {
  std::vector<SimPacket> lines;
  for (const SimPacket& p : log) {
    if (p.command == 0x04) lines.push_back(p);
  }
  return lines;
}

std::string FeedLine(int feed) {
  const std::string line = "F" + std::to_string(feed);
  return line + std::string(46 - line.size(), ' ');
}

// Where the zigzag of 60 points ends, 14.75 mm below its start in the
// program, in the board's steps.
const char kZigzagEnd[] = "Positions : X1 = 0  Y1 = -2950  X2 = 0  Y2 = -2950";

class OrvaneCliBoard : public OrvaneCli {
 protected:
  // 100 µs at 200 steps/mm: 50 mm/s, F3000, so a 20 mm stroke takes 0.4 s
  // and the answer limits stay near their 10 s margin.
  void Configure(uint16_t periodUs, int preHeat = 8) {
    settings.OrigineAuto = 1;
    settings.PortType = 2;
    UseHeatedTicks(periodUs, preHeat);
  }
  // A zigzag of `points` points, strokes of 20 mm, 0.5 mm apart: the
  // ".ovg" has points + 2 lines.
  std::string Zigzag(int points) {
    std::vector<std::pair<double, double>> zigzag;
    for (int i = 0; i < points; ++i) zigzag.push_back({(i / 2) % 2 ? 0.0 : 20.0, 0.25 * i});
    zigzag.front().first = 0;
    return Generate(Project("zigzag.ovp", zigzag), "zigzag");
  }

  void StartSim(std::vector<std::string> args) {
    sim = std::make_unique<BoardSim>(work / "board.log", args);
    ASSERT_FALSE(sim->Device().empty());
  }
  CliRun Run(const std::string& base, const std::string& keys, const std::string& extra = "") {
    test::WriteText(work / "keys.txt", keys);
    return Cli("run " + base + ".ovi --link board --device " + sim->Device() + " " + extra + " <" +
               work / "keys.txt");
  }
  std::vector<SimPacket> StopAndLog() {
    sim->Stop();
    return sim->Log();
  }

  std::unique_ptr<BoardSim> sim;
};

// The board gets every line in order with the feed of the settings now (it
// has no compatibility check): 60e6 / (125 × 200) = 2400 mm/min; a
// simulation flags every line and runs at twice Vmax, 2400 × (2 / 40) × 2 =
// 240, with no origin and no pre-heat. When the board stops at line 50, "n"
// resumes with the interrupted line, the end of the input with nobody to
// answer ends the run there (an "o" is the parallel run's case, on the same
// question); without resuming there is no question, and a simulation asks
// its own.
TEST_F(OrvaneCliBoard, SendsEveryLineAndAfterAStopByTheBoardAsksToResume) {
  Configure(100);
  const std::string base = Zigzag(60);
  const std::vector<std::string> program = FileLines(base + ".ovg");
  ASSERT_EQ(program.size(), 62u);
  ASSERT_EQ(program[0], FeedLine(3000));
  Configure(125);
  const struct {
    const char* keys;
    bool resume, simulate, stop;
    int status;
    const char* said;
    size_t lines;  // cut lines the board received
  } cases[] = {
      {"", true, false, false, 0, "Découpe terminée normalement", 62},
      {"", true, true, false, 0, "Orvane - Simulation à 4 mm/s\n", 62},
      {"n\n", true, false, true, 0, "Abandonner la découpe ? [o/n] n", 63},
      {"", true, false, true, 1, "Abandonner la découpe ? [o/n] o", 50},
      {"n\n", false, false, true, 1, "Découpe arrêtée par la carte.", 50},
      {"o\n", true, true, true, 1, "Abandonner la simulation ? [o/n] o", 50},
  };
  for (const auto& c : cases) {
    const std::string name = std::string("\"") + c.keys + "\"" + (c.resume ? "" : " no resume") +
                             (c.simulate ? " simulation" : "") + (c.stop ? " stop" : "");
    settings.Reprise = c.resume;
    Store(settings);
    StartSim({"--speed", "0", "--stop-at", c.stop ? "50" : "0"});
    const CliRun run = Run(base, c.keys, c.simulate ? "--simulate" : "");
    EXPECT_EQ(run.status, c.status) << name << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.said)) << name;
    EXPECT_EQ(run.output.find("Abandonner") != std::string::npos, c.resume && c.stop) << name;
    const auto log = StopAndLog();
    for (const SimPacket& p : log) EXPECT_FALSE(p.error) << name << p.payload;
    // The hello, the origin, the identification (0x00 packets by their
    // flags), the pre-heat, then the lines.
    std::vector<int> opening;
    for (size_t i = 0; i < log.size() && log[i].command != 0x04; ++i) {
      opening.push_back(log[i].command ? log[i].command : 0x100 | log[i].flags);
    }
    const int ident = 0x100 | OutputTestReleaseFlags(settings);
    const std::vector<int> real = {0x40, 0x140, ident, 0x08}, simulated = {0x40, ident};
    EXPECT_EQ(opening, c.simulate ? simulated : real) << name;
    const auto lines = CutLines(log);
    ASSERT_EQ(lines.size(), c.lines) << name;
    if (c.status != 0) {
      EXPECT_THAT(run.output, Not(HasSubstr("terminée normalement"))) << name;
      EXPECT_EQ(log.back().command, 0x00) << name;
      EXPECT_EQ(log.back().flags, BoardStopFlags(settings)) << name;
      continue;
    }
    const std::string feed = FeedLine(c.simulate ? 240 : 2400);
    EXPECT_THAT(run.output, HasSubstr("000000  " + feed + "\n")) << name;
    EXPECT_THAT(run.output, HasSubstr(kZigzagEnd)) << name;
    for (size_t i = 0; i < lines.size(); ++i) {
      const size_t at = c.stop && i >= 50 ? i - 1 : i;  // the 50th comes twice
      EXPECT_EQ(lines[i].payload, at ? program[at] : feed) << name << ", line " << i + 1;
      EXPECT_EQ(lines[i].flags, RunFlags(settings, true) | (c.simulate ? 0x10 : 0)) << i + 1;
    }
  }
}

// A silent board, a pulled cable, garbage after the hello, a stray byte or a
// short report were each once taken as a finished cut, or waited on for
// ever: each is a failure with its message, within the answer's bound (10 s
// plus twice the longest of the last lines the board may still be running),
// the heating-off packet last wherever the link still carries it.
TEST_F(OrvaneCliBoard, ABoardThatIsSilentGoneOrAnswersNonsenseFailsTheRun) {
  const std::string silent = "La carte ne répond plus : découpe arrêtée, chauffe coupée.";
  const struct {
    std::vector<std::string> fault;
    std::string said;
    int lines;  // cut lines the board received, after which positions are unknown
  } cases[] = {
      {{"--silent-at", "10"}, silent, 10},
      // The heating-off packet cannot reach the board: nothing says it is off.
      {{"--disconnect-at", "5"},
       "La carte ne répond plus : découpe arrêtée. La liaison est perdue : vérifiez que la chauffe "
       "est coupée.",
       5},
      {{"--garbage-after-hello"}, "orvane-cli : ", -1},
      {{"--stray-after", "5"}, "orvane-cli : La carte a envoyé 1 octet(s) inattendu(s)", -1},
      {{"--short-report"}, "orvane-cli : " + silent, -1},
  };
  Configure(100, 0);
  const std::string base = Zigzag(30);
  for (const auto& c : cases) {
    const std::string& name = c.fault[0];
    const bool lost = name == "--disconnect-at";
    std::vector<std::string> args = {"--speed", "0"};
    args.insert(args.end(), c.fault.begin(), c.fault.end());
    StartSim(args);
    const auto start = std::chrono::steady_clock::now();
    const CliRun run = Run(base, "");
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.status, 1) << name << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.said)) << name;
    EXPECT_THAT(run.output, Not(HasSubstr(lost ? "chauffe coupée." : "terminée normalement")));
    EXPECT_GE(waited.count(), name == "--silent-at" ? 10 : 0) << name;
    EXPECT_LT(waited.count(), lost ? 8 : 25) << name;
    const auto log = StopAndLog();
    ASSERT_FALSE(log.empty()) << name;
    if (c.lines >= 0) {
      EXPECT_THAT(run.output, HasSubstr("Positions : inconnues")) << name;
      EXPECT_EQ(CutLines(log).size(), size_t(c.lines)) << name;
    }
    // After a pulled cable, the line that pulled it is the last thing that
    // reached the board.
    EXPECT_EQ(log.back().command, lost ? 0x04 : 0x00) << name;
    EXPECT_TRUE(lost || log.back().flags == HeatingOffFlags(settings)) << name;
  }
}

// The user can always stop: a signal or the space bar, during the lines or
// the pre-heat, ends the wait and the heating-off packet is the last one.
TEST_F(OrvaneCliBoard, AStopOrASignalLeavesTheHeatingOffPacketLast) {
  auto lines = [](const std::vector<SimPacket>& log) { return CutLines(log).size() >= 5; };
  auto preheat = [](const std::vector<SimPacket>& log) {
    return !log.empty() && log.back().command == 0x08;
  };
  const struct {
    const char* name;
    int signal;  // 0: the space bar
    std::function<bool(const std::vector<SimPacket>&)> ready;
    const char* said;
  } cases[] = {
      {"SIGTERM during the lines", SIGTERM, lines, "Arrêt demandé : chauffe coupée."},
      {"SIGTERM during the pre-heat", SIGTERM, preheat, "Arrêt demandé"},
      {"space during the lines", 0, lines,
       "Arrêt demandé : chauffe coupée, la position de la machine est inconnue."},
      {"space during the pre-heat", 0, preheat, "Découpe interrompue : chauffe coupée."},
  };
  Configure(100, 8);
  const std::string base = Zigzag(60);
  const std::string output = work / "output.txt";
  for (const auto& c : cases) {
    // A quarter of real time: a pre-heat of 2 s, strokes of 0.1 s.
    StartSim({"--speed", "0.25"});
    test::Child run(
        {ORVANE_CLI, "run", base + ".ovi", "--link", "board", "--device", sim->Device()}, output);
    ASSERT_TRUE(run.WaitUntil([&] { return c.ready(sim->Log()); })) << c.name;
    if (c.signal) run.Signal(c.signal);
    if (!c.signal) {
      EXPECT_TRUE(run.Type(" "));
    }
    EXPECT_EQ(run.Wait(), c.signal ? 128 + c.signal : 1) << c.name;
    EXPECT_THAT(test::ReadText(output), HasSubstr(c.said)) << c.name;
    EXPECT_THAT(test::ReadText(output), Not(HasSubstr("terminée normalement"))) << c.name;
    const auto log = StopAndLog();
    ASSERT_FALSE(log.empty()) << c.name;
    EXPECT_TRUE(c.ready(std::vector<SimPacket>(log.begin(), log.end() - 1))) << c.name;
    EXPECT_EQ(log.back().command, 0x00) << c.name;
    EXPECT_EQ(log.back().flags, HeatingOffFlags(settings)) << c.name;
    EXPECT_EQ(log.back().flags & 0x0C, 0) << c.name;
  }
}

TEST_F(OrvaneCliBoard, RefusesWhatItCannotRunBeforeSendingIt) {
  Configure(100);
  const std::string base = Zigzag(10);
  StartSim({"--speed", "0"});

  fs::rename(base + ".ovg", work / "kept.ovg");
  CliRun run = Run(base, "");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.output, HasSubstr("Fichier de découpe manquant"));

  // A line that cannot fit a packet.
  std::string program = test::ReadText(work / "kept.ovg");
  program.insert(48 * 3, "G1 X123456.500 Y    0.000 A    0.000 B    0.000\r\n");
  test::WriteText(base + ".ovg", program);
  run = Run(base, "");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.output, HasSubstr("La ligne 4 "));
  for (const SimPacket& p : StopAndLog()) EXPECT_EQ(p.command, 0x40) << "only the hello";

  // What is no serial port is named with the reason.
  test::WriteText(work / "plain", "");
  for (const auto& [device, why] :
       {std::pair<std::string, std::string>{work / "no-board", "absent"},
        {work / "plain", "ce n'est pas un port série"}}) {
    run = Cli("run " + base + ".ovi --link board --device " + device + " </dev/null");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.output, HasSubstr(device + " : " + why));
  }
}

// Qt's serial layer had no application object and complained on stderr.
// The identification prints the board's block and leaves the outputs at rest;
// --send-parameters gives the board the settings' own, which it then marks
// " (ok)", and a device that does not answer the hello is sent nothing it
// could take for parameters.
TEST_F(OrvaneCliBoard, IdentifyPrintsTheBlockAndSendsTheParametersOnlyToABoard) {
  settings.PortType = 2;
  settings.Pente = 45;
  Store(settings);
  const std::string oldSlope = "         Pente en degrés            =  70\n";
  for (const bool board : {true, false}) {
    StartSim({"--speed", "0", "--hello", board ? "0xAA" : "0x55"});  // 0xAA: a board
    CliRun run = Cli("board identify --device " + sim->Device());
    EXPECT_THAT(run.output, HasSubstr(oldSlope)) << board;
    EXPECT_THAT(run.output, Not(HasSubstr("QSocketNotifier")));
    if (board) {
      EXPECT_EQ(run.status, 0) << run.output;
      EXPECT_THAT(run.output, HasSubstr("001789   KELDRINO ver 1.00\n"));
      const auto log = sim->Log();
      ASSERT_EQ(log.size(), 2u);
      EXPECT_EQ(log[0].flags, 0x81);
      EXPECT_EQ(log[1].flags, OutputTestReleaseFlags(settings));
    }
    run = Cli("board identify --send-parameters --device " + sim->Device());
    EXPECT_EQ(run.status, board ? 0 : 1) << run.output;
    EXPECT_THAT(run.output,
                HasSubstr(board ? " (ok)    Pente en degrés            =  45\n" : oldSlope));
    int parameters = 0;
    for (const SimPacket& p : StopAndLog()) parameters += p.command == 0x01;
    EXPECT_EQ(parameters, board ? 1 : 0);
  }
}

}  // namespace
}  // namespace orvane
