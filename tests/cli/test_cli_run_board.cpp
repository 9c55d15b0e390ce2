// orvane-cli run on the USB board, against orvane-board-sim: every check
// decodes what the simulator logged and compares it with the ".ovg" file.
#include "cli/cli_harness.h"
#include "core/common/text_lines.h"
#include "core/machine/board_protocol.h"
#include "support/board_sim.h"

namespace orvane {
namespace {

using test::BoardSim;
using test::SimPacket;

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
// resumes with the interrupted line, an "o" ends the run there (the end of
// the input is the parallel run's case, on the same question); without
// resuming there is no question, and a simulation asks its own.
TEST_F(OrvaneCliBoard, SendsEveryLineAndAfterAStopByTheBoardAsksToResume) {
  Configure(100);
  const std::string base = Zigzag(60);
  const std::string file = test::ReadText(base + ".ovg");
  const std::vector<std::string_view> program = SplitLines(file);
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
    // The hello, the origin, the identification (0x00 packets by their
    // flags), the pre-heat, then the lines: a packet the simulator could not
    // frame would be missing from them.
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
    // Taken from the board's report: the run's tests read it.
    EXPECT_THAT(run.output, HasSubstr("Positions : X1 = ")) << name;
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
// plus twice the longest of the last lines the board may still be running).
// The user can always stop: a signal or the space bar, during the lines or
// the pre-heat, ends the wait. The heating-off packet is the last one
// wherever the link still carries it.
TEST_F(OrvaneCliBoard, AFaultyBoardOrAStopEndsTheRunWithTheHeatingOffPacketLast) {
  using Log = std::vector<SimPacket>;
  const auto lines = [](const Log& log) { return CutLines(log).size() >= 5; };
  const auto preheat = [](const Log& log) { return !log.empty() && log.back().command == 0x08; };
  const std::string silent = "La carte ne répond plus : découpe arrêtée, chauffe coupée.";
  const struct {
    const char* name;
    std::vector<std::string> fault;         // the simulator's, played at full speed
    std::function<bool(const Log&)> ready;  // or, at a quarter of real time, when the stop comes
    int stop;                               // a signal, or 0 for the space bar
    std::string said;
    int lines;  // cut lines the board received, after which positions are unknown
  } cases[] = {
      {"silent", {"--silent-at", "10"}, nullptr, 0, silent, 10},
      // The heating-off packet cannot reach the board: nothing says it is off.
      {"pulled cable",
       {"--disconnect-at", "5"},
       nullptr,
       0,
       "La carte ne répond plus : découpe arrêtée. La liaison est perdue : vérifiez que la chauffe "
       "est coupée.",
       5},
      {"garbage", {"--garbage-after-hello"}, nullptr, 0, "orvane-cli : ", -1},
      {"stray byte",
       {"--stray-after", "5"},
       nullptr,
       0,
       "orvane-cli : La carte a envoyé 1 octet(s) inattendu(s)",
       -1},
      {"short report", {"--short-report"}, nullptr, 0, "orvane-cli : " + silent, -1},
      {"SIGTERM during the lines", {}, lines, SIGTERM, "Arrêt demandé : chauffe coupée.", -1},
      {"SIGTERM during the pre-heat", {}, preheat, SIGTERM, "Arrêt demandé", -1},
      {"space during the lines",
       {},
       lines,
       0,
       "Arrêt demandé : chauffe coupée, la position de la machine est inconnue.",
       -1},
      {"space during the pre-heat", {}, preheat, 0, "Découpe interrompue : chauffe coupée.", -1},
  };
  Configure(100, 8);
  const std::string base = Zigzag(60);
  const std::string output = work / "output.txt";
  for (const auto& c : cases) {
    const std::string name = c.name;
    const bool lost = name == "pulled cable";
    // A quarter of real time: a pre-heat of 2 s, strokes of 0.1 s.
    std::vector<std::string> args = {"--speed", c.ready ? "0.25" : "0"};
    args.insert(args.end(), c.fault.begin(), c.fault.end());
    StartSim(args);
    const auto start = std::chrono::steady_clock::now();
    test::Child run(
        {ORVANE_CLI, "run", base + ".ovi", "--link", "board", "--device", sim->Device()}, output);
    if (c.ready) {
      ASSERT_TRUE(run.WaitUntil([&] { return c.ready(sim->Log()); })) << name;
      EXPECT_TRUE(c.stop || run.Type(" ")) << name;
      run.Signal(c.stop);  // none when 0
    }
    EXPECT_EQ(run.Wait(), c.stop ? 128 + c.stop : 1) << name;
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
    const std::string text = test::ReadText(output);
    EXPECT_THAT(text, HasSubstr(c.said)) << name;
    EXPECT_THAT(text, Not(HasSubstr(lost ? "chauffe coupée." : "terminée normalement"))) << name;
    if (!c.ready) {
      EXPECT_GE(waited.count(), name == "silent" ? 10 : 0) << name;
      EXPECT_LT(waited.count(), lost ? 8 : 25) << name;
    }
    const auto log = StopAndLog();
    ASSERT_FALSE(log.empty()) << name;
    if (c.lines >= 0) {
      EXPECT_THAT(text, HasSubstr("Positions : inconnues")) << name;
      EXPECT_EQ(CutLines(log).size(), size_t(c.lines)) << name;
    }
    // The stop came where it was meant to, nothing after it but the packet.
    EXPECT_TRUE(!c.ready || c.ready(Log(log.begin(), log.end() - 1))) << name;
    // After a pulled cable, the line that pulled it is the last thing that
    // reached the board.
    EXPECT_EQ(log.back().command, lost ? 0x04 : 0x00) << name;
    EXPECT_TRUE(lost || log.back().flags == HeatingOffFlags(settings)) << name;
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
      // The simulator logs what it read after the command has ended.
      test::PollUntil([&] { return sim->Log().size() >= 2; }, 5);
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
