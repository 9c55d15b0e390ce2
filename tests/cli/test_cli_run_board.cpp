// orvane-cli run on the USB board, against orvane-board-sim: every check
// decodes what the simulator logged and compares it with the ".ovg" file.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <sstream>
#include <thread>

#include "cli_harness.h"
#include "core/machine/board_protocol.h"
#include "support/board_sim.h"

namespace orvane {
namespace {

using test::BoardSim;
using test::SimPacket;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(test::ReadText(path));
  std::string line;
  while (std::getline(in, line)) {
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

class OrvaneCliBoard : public OrvaneCli {
 protected:
  // 100 µs at 200 steps/mm: 50 mm/s, F3000, so a 20 mm stroke takes 0.4 s
  // and the answer limits stay near their 10 s margin.
  void Configure(int periodUs, bool heating, int preHeat = 8) {
    FileSettingsStore store(config / "settings.ini");
    settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = periodUs;
    settings.ActChauffe = heating;
    settings.PreChauffe = static_cast<uint8_t>(preHeat);
    settings.Reprise = true;
    settings.OrigineAuto = 1;
    settings.PortType = 2;
    WriteDefaultSettings(store, settings);
    WriteAllSettings(store, settings, nullptr, nullptr);
  }

  // A zigzag of `points` points, strokes of 20 mm, 0.5 mm apart: the
  // ".ovg" has points + 2 lines.
  std::string Generate(int points) {
    std::vector<std::pair<double, double>> zigzag;
    for (int i = 0; i < points; ++i) zigzag.push_back({(i / 2) % 2 ? 0.0 : 20.0, 0.25 * i});
    zigzag.front().first = 0;
    const Profile p = test::MakeProfile(zigzag);
    const std::string dims[4] = {"0", "0", "0", "0"};
    const std::string project = work / "zigzag.ovp";
    EXPECT_TRUE(AtomicWriteFile(project, WriteProjectFile(p, p, 3, dims).bytes));
    const std::string base = out + "/zigzag";
    EXPECT_EQ(Cli("generate " + project + " -o " + base).status, 0);
    return base;
  }

  void StartSim(std::vector<std::string> args) {
    sim = std::make_unique<BoardSim>(work / "board.log", args);
    ASSERT_FALSE(sim->Device().empty());
  }
  CliRun Run(const std::string& base, const std::string& stdinText, const std::string& extra = "") {
    const std::string keys = work / "keys.txt";
    test::WriteText(keys, stdinText);
    return Cli("run " + base + ".ovi --link board --device " + sim->Device() + " " + extra + " <" +
               keys);
  }
  std::vector<SimPacket> StopAndLog() {
    sim->Stop();
    return sim->Log();
  }

  // The process, interrupted once the simulator has logged a packet that
  // `ready` accepts: by `signal`, or by a space typed when it is 0. Returns
  // the signal it died of, or minus its exit status.
  int InterruptWhen(const std::string& base, int signal,
                    const std::function<bool(const std::vector<SimPacket>&)>& ready) {
    int keys[2];
    if (pipe(keys) != 0) return 0;
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(keys[0], STDIN_FILENO);
      close(keys[0]);
      close(keys[1]);
      std::freopen(output.c_str(), "w", stdout);
      dup2(STDOUT_FILENO, STDERR_FILENO);
      const std::string cut = base + ".ovi";
      const std::string device = sim->Device();
      execl(ORVANE_CLI, ORVANE_CLI, "run", cut.c_str(), "--link", "board", "--device",
            device.c_str(), nullptr);
      _exit(127);
    }
    close(keys[0]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ready(sim->Log()) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (signal != 0) {
      kill(pid, signal);
    } else {
      EXPECT_EQ(write(keys[1], " ", 1), 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(keys[1]);
    return WIFSIGNALED(status) ? WTERMSIG(status) : -WEXITSTATUS(status);
  }

  const std::string output = work / "interrupted.txt";
  MachineSettings settings;
  std::unique_ptr<BoardSim> sim;
};

// The last move line of the program, in the board's steps (200 per mm).
std::string ReportedPositions(const std::vector<std::string>& program) {
  double v[4] = {};
  for (const std::string& line : program) {
    if (line.starts_with("G")) {
      std::sscanf(line.c_str() + 2, " X %lf Y %lf A %lf B %lf", &v[0], &v[1], &v[2], &v[3]);
    }
  }
  auto steps = [](double mm) { return std::to_string(std::llround(mm * 200)); };
  return "Positions : X1 = " + steps(v[0]) + "  Y1 = " + steps(v[1]) + "  X2 = " + steps(v[2]) +
         "  Y2 = " + steps(v[3]);
}

TEST_F(OrvaneCliBoard, SendsEveryLineInOrderWithTheFeedOfTheSettingsInMemory) {
  Configure(100, true);
  const std::string base = Generate(60);
  const std::vector<std::string> program = FileLines(base + ".ovg");
  ASSERT_EQ(program.size(), 62u);
  ASSERT_EQ(program[0], FeedLine(3000));
  // The board has no compatibility check: the run takes the feed of the
  // settings now, 60e6 / (125 × 200) = 2400 mm/min.
  Configure(125, true);

  StartSim({"--speed", "0"});
  const CliRun run = Run(base, "");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("Découpe terminée normalement"));
  EXPECT_THAT(run.output, HasSubstr("000000  " + FeedLine(2400) + "\n"));
  EXPECT_THAT(run.output, HasSubstr("000061  " + program[61] + "\n"));
  EXPECT_THAT(run.output, HasSubstr(ReportedPositions(program)));

  const auto log = StopAndLog();
  // The hello, the origin, the identification, the pre-heat, then the lines.
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0].command, 0x40);
  EXPECT_EQ(log[1].flags, 0x40);
  EXPECT_EQ(log[1].command, 0x00);
  EXPECT_EQ(log[2].flags, OutputTestReleaseFlags(settings));
  EXPECT_EQ(log[2].command, 0x00);
  EXPECT_EQ(log[3].command, 0x08);
  std::vector<std::string> expected = program;
  expected[0] = FeedLine(2400);
  const auto lines = CutLines(log);
  ASSERT_EQ(lines.size(), expected.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].payload, expected[i]) << "line " << i + 1;
    EXPECT_EQ(lines[i].flags, RunFlags(settings, true)) << "line " << i + 1;
  }
  for (const SimPacket& p : log) EXPECT_FALSE(p.error) << p.payload;
}

TEST_F(OrvaneCliBoard, ASimulationFlagsEveryLineAndRunsAtTwiceVmax) {
  Configure(100, true);
  const std::string base = Generate(10);
  StartSim({"--speed", "0"});
  const CliRun run = Run(base, "", "--simulate");
  ASSERT_EQ(run.status, 0) << run.output;
  // Fc = 3000 mm/min, Vc = 50 mm/s, Vmax = 2: 3000 × (2 / 50) × 2 = 240.
  EXPECT_THAT(run.output, HasSubstr("Orvane - Simulation à 4 mm/s"));
  EXPECT_THAT(run.output, HasSubstr("Simulation terminée normalement"));

  const auto log = StopAndLog();
  const auto lines = CutLines(log);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0].payload, FeedLine(240));
  for (const SimPacket& p : lines) EXPECT_EQ(p.flags, RunFlags(settings, true) | 0x10);
  // No origin and no pre-heat for a simulation.
  for (const SimPacket& p : log) {
    EXPECT_NE(p.command, 0x08);
    EXPECT_FALSE(p.command == 0x00 && (p.flags & 0x40));
  }
}

TEST_F(OrvaneCliBoard, AStopAtLine50AsksAndResumesWithTheInterruptedLine) {
  Configure(100, true);
  const std::string base = Generate(60);
  const std::vector<std::string> program = FileLines(base + ".ovg");

  StartSim({"--speed", "0", "--stop-at", "50"});
  CliRun run = Run(base, "n\n");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("Abandonner la découpe ? [o/n] n"));
  EXPECT_THAT(run.output, HasSubstr("Découpe terminée normalement"));
  EXPECT_THAT(run.output, HasSubstr(ReportedPositions(program)));
  auto lines = CutLines(StopAndLog());
  ASSERT_EQ(lines.size(), program.size() + 1);
  for (size_t i = 0; i < lines.size(); ++i) {
    const size_t line = i < 50 ? i : i - 1;  // the 50th comes twice
    EXPECT_EQ(lines[i].payload, program[line]) << "packet " << i + 1;
  }

  // "o", or the end of the input with nobody to answer: the run ends there.
  for (const char* keys : {"o\n", ""}) {
    StartSim({"--speed", "0", "--stop-at", "50"});
    run = Run(base, keys);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Abandonner la découpe ? [o/n] o"));
    EXPECT_THAT(run.output, Not(HasSubstr("terminée normalement")));
    const auto log = StopAndLog();
    EXPECT_EQ(CutLines(log).size(), 50u) << "answer \"" << keys << "\"";
    EXPECT_EQ(log.back().command, 0x00);
    EXPECT_EQ(log.back().flags, BoardStopFlags(settings));
  }

  // Without resuming, no question.
  settings.Reprise = false;
  FileSettingsStore store(config / "settings.ini");
  WriteAllSettings(store, settings, nullptr, nullptr);
  StartSim({"--speed", "0", "--stop-at", "50"});
  run = Run(base, "n\n");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_THAT(run.output, Not(HasSubstr("Abandonner")));
  EXPECT_THAT(run.output, HasSubstr("Découpe arrêtée par la carte."));
  EXPECT_EQ(CutLines(StopAndLog()).size(), 50u);

  // A simulation asks its own question.
  settings.Reprise = true;
  WriteAllSettings(store, settings, nullptr, nullptr);
  StartSim({"--speed", "0", "--stop-at", "3"});
  run = Run(base, "o\n", "--simulate");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_THAT(run.output, HasSubstr("Abandonner la simulation ? [o/n] o"));
}

TEST_F(OrvaneCliBoard, ASilentBoardOrAPulledCableEndsTheRunWithItsMessage) {
  Configure(100, true);
  const std::string base = Generate(30);

  StartSim({"--speed", "0", "--silent-at", "10"});
  auto start = std::chrono::steady_clock::now();
  CliRun run = Run(base, "");
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_THAT(run.output, HasSubstr("La carte ne répond plus : découpe arrêtée, chauffe coupée."));
  EXPECT_THAT(run.output, HasSubstr("Positions : inconnues"));
  // 10 s, plus twice the longest of the last lines the board may still be
  // running (0.4 s).
  EXPECT_GE(waited, 10.0);
  EXPECT_LT(waited, 25.0);
  auto log = StopAndLog();
  EXPECT_EQ(CutLines(log).size(), 10u);
  EXPECT_EQ(log.back().command, 0x00);
  EXPECT_EQ(log.back().flags, HeatingOffFlags(settings));

  StartSim({"--speed", "0", "--disconnect-at", "5"});
  start = std::chrono::steady_clock::now();
  run = Run(base, "");
  waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(run.status, 1) << run.output;
  // The heating-off packet could not reach the board: nothing says it is off.
  EXPECT_THAT(run.output, HasSubstr("La carte ne répond plus : découpe arrêtée. La liaison est "
                                    "perdue : vérifiez que la chauffe est coupée."));
  EXPECT_THAT(run.output, Not(HasSubstr("chauffe coupée.")));
  EXPECT_LT(waited, 8.0);
  log = StopAndLog();
  // The line that pulled the cable is the last thing that reached the board.
  EXPECT_EQ(CutLines(log).size(), 5u);
  EXPECT_EQ(log.back().command, 0x04);
}

// The user can always stop: a signal or the space bar, during the lines or
// the pre-heat, ends the wait and the heating-off packet is the last one.
TEST_F(OrvaneCliBoard, AStopOrASignalLeavesTheHeatingOffPacketLast) {
  auto lines = [](const std::vector<SimPacket>& log) { return CutLines(log).size() >= 5; };
  auto preheat = [](const std::vector<SimPacket>& log) {
    return !log.empty() && log.back().command == 0x08;
  };
  struct Case {
    const char* name;
    int signal;  // 0: the space bar
    std::function<bool(const std::vector<SimPacket>&)> ready;
    int status;
    const char* said;
  };
  const Case cases[] = {
      {"SIGTERM during the lines", SIGTERM, lines, SIGTERM, "Arrêt demandé : chauffe coupée."},
      {"SIGHUP during the lines", SIGHUP, lines, SIGHUP, "Arrêt demandé : chauffe coupée."},
      {"SIGTERM during the pre-heat", SIGTERM, preheat, SIGTERM, "Arrêt demandé"},
      {"space during the lines", 0, lines, -1,
       "Arrêt demandé : chauffe coupée, la position de la machine est inconnue."},
      {"space during the pre-heat", 0, preheat, -1, "Découpe interrompue : chauffe coupée."},
  };
  Configure(100, true, 8);
  const std::string base = Generate(60);
  for (const Case& c : cases) {
    // A quarter of real time: a pre-heat of 2 s, strokes of 0.1 s.
    StartSim({"--speed", "0.25"});
    EXPECT_EQ(InterruptWhen(base, c.signal, c.ready), c.status) << c.name;
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

// Garbage after the hello, a stray byte, a short report were taken as a
// finished cut: each is a failure now, with the heating-off packet last.
TEST_F(OrvaneCliBoard, ABoardThatAnswersNonsenseFailsTheRun) {
  struct Case {
    const char* name;
    std::vector<std::string> fault;
    const char* said;
  };
  const Case cases[] = {
      {"a stream of 0x00 after the hello", {"--garbage-after-hello"}, "orvane-cli : "},
      {"a stray byte after line 5's answer",
       {"--stray-after", "5"},
       "orvane-cli : La carte a envoyé 1 octet(s) inattendu(s)"},
      {"a report cut short",
       {"--short-report"},
       "orvane-cli : La carte ne répond plus : découpe arrêtée, chauffe coupée."},
  };
  Configure(100, true, 0);
  const std::string base = Generate(10);
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--speed", "0"};
    args.insert(args.end(), c.fault.begin(), c.fault.end());
    StartSim(args);
    const CliRun run = Run(base, "");
    EXPECT_EQ(run.status, 1) << c.name << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.said)) << c.name;
    EXPECT_THAT(run.output, Not(HasSubstr("terminée normalement"))) << c.name;
    const auto log = StopAndLog();
    ASSERT_FALSE(log.empty()) << c.name;
    EXPECT_EQ(log.back().command, 0x00) << c.name;
    EXPECT_EQ(log.back().flags, HeatingOffFlags(settings)) << c.name;
  }
}

// The board pre-heats for the time it holds: 12 s against the settings' 1 s
// was taken for a silent board at 11 s.
TEST_F(OrvaneCliBoard, WaitsForThePreheatTheBoardHolds) {
  Configure(100, true, 1);
  const std::string base = Generate(3);
  StartSim({"--speed", "1", "--preheat", "12"});
  const CliRun run = Run(base, "");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("Découpe terminée normalement"));
}

TEST_F(OrvaneCliBoard, RefusesWhatItCannotRun) {
  Configure(100, true);
  const std::string base = Generate(10);
  StartSim({"--speed", "0"});

  // No G-code file: nothing reaches the board.
  fs::rename(base + ".ovg", work / "kept.ovg");
  CliRun run = Run(base, "");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.output, HasSubstr("Fichier de découpe manquant"));
  fs::rename(work / "kept.ovg", base + ".ovg");

  // A line that cannot fit a packet is refused before anything is sent.
  std::string program = test::ReadText(base + ".ovg");
  program.insert(48 * 3, "G1 X123456.500 Y    0.000 A    0.000 B    0.000\r\n");
  test::WriteText(base + ".ovg", program);
  run = Run(base, "");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.output, HasSubstr("La ligne 4 "));
  for (const SimPacket& p : StopAndLog()) EXPECT_EQ(p.command, 0x40) << "only the hello";

  // No board behind the port.
  const std::string missing = work / "no-board";
  run = Cli("run " + base + ".ovi --link board --device " + missing + " </dev/null");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.output, HasSubstr(missing));
}

}  // namespace
}  // namespace orvane
