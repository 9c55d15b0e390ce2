// The board protocol through the real serial layer (termios) against
// tools/orvane-board-sim on its pseudo-terminal. Every check reads what the
// simulator logged, packet by packet.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "core/app/machine_settings.h"
#include "core/machine/axis_positions.h"
#include "core/machine/board_run.h"
#include "core/machine/centronic.h"
#include "core/machine/serial_step.h"
#include "host/host_centronic.h"
#include "host/termios_serial_port.h"
#include "support/board_sim.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using test::BoardSim;
using test::SimPacket;

std::vector<SimPacket> Lines(const std::vector<SimPacket>& log) {
  std::vector<SimPacket> lines;
  for (const SimPacket& p : log) {
    if (p.command == 0x02 || p.command == 0x04 || p.command == 0x22) lines.push_back(p);
  }
  return lines;
}

// Lines of the generated form, 46 characters each.
std::string Move(const char* code, double x, double y, double a, double b) {
  char line[64];
  std::snprintf(line, sizeof line, "%s X%9.3f Y%9.3f A%9.3f B%9.3f", code, x, y, a, b);
  return line;
}
std::string Feed(int feed) {
  std::string line = "F" + std::to_string(feed);
  return line + std::string(46 - line.size(), ' ');
}
const std::string kEnd = "M2 (----------- fin du programme ------------)";

// A cut of `count` lines: the feed, a rapid move to the first point, small
// moves along a staircase, the end.
std::vector<std::string> StaircaseCut(size_t count) {
  std::vector<std::string> lines = {Feed(300), Move("G0", 0, 0, 0, 0)};
  for (size_t i = 1; lines.size() + 1 < count; ++i) {
    const double x = 0.5 * double(i), y = 0.25 * double(i / 2);
    lines.push_back(Move("G1", x, y, x, -y));
  }
  lines.push_back(kEnd);
  return lines;
}

class StopScript : public BoardRunObserver {
 public:
  bool AbandonAfterStop() override {
    ++questions;
    return abandon;
  }
  void LineSending(size_t index, const std::string& line) override {
    sent.push_back(line);
    lastIndex = index;
  }
  bool abandon = true;
  int questions = 0;
  size_t lastIndex = 0;
  std::vector<std::string> sent;
};

class BoardOnPty : public ::testing::Test {
 protected:
  void StartSim(std::vector<std::string> args = {"--speed", "0"}) {
    sim = std::make_unique<BoardSim>(folder / "board.log", args);
    ASSERT_FALSE(sim->Device().empty());
    settings.PortType = 2;
    settings.SerialPort = sim->Device();
    port.SetParams(SerialSelectorParams(settings));
    port.Open();
    ASSERT_TRUE(port.IsOpen()) << port.OpenError();
  }
  std::vector<SimPacket> StopAndLog() {
    sim->Stop();
    return sim->Log();
  }
  BoardLink Link() { return {port, clock, settings, positions, abortFlag}; }
  double Seconds(int64_t since) { return double(clock.Counter() - since) / 1e9; }

  test::TempFolder folder;
  std::unique_ptr<BoardSim> sim;
  TermiosSerialPort port;
  MonotonicClock clock;
  MachineSettings settings;
  AxisPositions positions;
  uint8_t abortFlag = 0;
};

TEST_F(BoardOnPty, StartUpSetsTheOriginAndFindsTheBoard) {
  StartSim();
  port.Close();
  StartLink(settings, nullptr, port, clock);
  EXPECT_TRUE(settings.BoardPresent);
  const auto log = StopAndLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].flags, 0x40);
  EXPECT_EQ(log[0].command, 0x00);
  EXPECT_EQ(log[0].payload, "-");
  EXPECT_EQ(log[1].flags, HoldFlags(settings));
  EXPECT_EQ(log[1].command, 0x40);
}

TEST_F(BoardOnPty, AWrongHelloMeansNoBoard) {
  StartSim({"--hello", "0x55"});
  port.Close();
  StartLink(settings, nullptr, port, clock);
  EXPECT_FALSE(settings.BoardPresent);
}

TEST_F(BoardOnPty, ParametersComeBackInTheIdentificationBlock) {
  StartSim();
  settings.X1step = settings.Y1step = 160;
  settings.X2step = settings.Y2step = 161;  // mean 160
  settings.Periode = 40;
  settings.Vmin = 1.25;
  settings.Pente = 45;
  settings.PreChauffe = 12;
  SendBoardParameters(port, settings);
  BoardIdentifyResult result = IdentifyBoard(port, clock, settings);
  ASSERT_TRUE(result.board);
  EXPECT_TRUE(settings.BoardPresent);
  EXPECT_EQ(result.lines, (std::vector<std::string>{
                              "001789   KELDRINO ver 1.00",
                              "",
                              " (ok)    Pas par millimètre         =  160",
                              " (ok)    Rapport cyclique en %      =  40",
                              " (ok)    Vitesse minimale en mm/s   =  1.25",
                              " (ok)    Pente en degrés            =  45",
                              " (ok)    Durée de préchauffe en s   =  12",
                          }));
  // A setting changed since and not sent loses its mark.
  settings.Pente = 46;
  result = IdentifyBoard(port, clock, settings);
  EXPECT_EQ(result.lines[5], "         Pente en degrés            =  45");
  ReleaseOutputTest(port, settings);

  const auto log = StopAndLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].command, 0x01);
  EXPECT_EQ(log[0].payload, "00 A0 28 01 19 2D 0C 01");
  EXPECT_EQ(log[1].flags, OutputTestPressFlags(settings));
  EXPECT_EQ(log[3].flags, OutputTestReleaseFlags(settings));
}

TEST_F(BoardOnPty, AShortIdentificationIsNoBoard) {
  StartSim({"--short-ident"});
  settings.BoardPresent = true;
  const int64_t start = clock.Counter();
  const BoardIdentifyResult result = IdentifyBoard(port, clock, settings);
  EXPECT_LT(Seconds(start), 5.0);
  EXPECT_FALSE(result.board);
  EXPECT_FALSE(settings.BoardPresent);
  EXPECT_EQ(result.lines[1], "               PORT COM INTROUVABLE");
  // The partial block does not linger to be read as some later answer.
  EXPECT_EQ(port.InputCount(), 0u);
}

TEST_F(BoardOnPty, AManualProgramRunsAndReportsItsPositions) {
  StartSim();
  settings.ActChauffe = true;  // working speed: pre-heat first
  StopScript observer;
  BoardLink link = Link();
  BoardProgramRequest request;
  request.lines = BoardMoveProgram(BoardMoveFeed(settings, true), {0, 0, 0, 0}, {10, -2.5, 10, 0});
  request.workingSpeed = true;
  const BoardRunOutcome outcome = RunBoardProgram(request, link, observer);
  EXPECT_EQ(outcome.end, BoardRunEnd::Finished);
  EXPECT_EQ(outcome.linesDone, 4u);
  EXPECT_EQ(abortFlag, 0);
  EXPECT_TRUE(positions.Known());
  // The simulator counts 200 steps per mm, the factory value.
  EXPECT_EQ(positions.Steps(), (AxisSteps{2000, -500, 2000, 0}));

  // The identification (outputs at rest), the pre-heat, the four lines.
  const auto log = StopAndLog();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0].flags, OutputTestReleaseFlags(settings));
  EXPECT_EQ(log[1].command, 0x08);
  EXPECT_EQ(log[1].flags, RunFlags(settings, true));
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(log[i + 2].command, 0x02);
    EXPECT_EQ(log[i + 2].flags, RunFlags(settings, true));
    EXPECT_EQ(log[i + 2].payload, request.lines[i]);
  }
}

TEST_F(BoardOnPty, ACutOf200LinesIsSentAndAcknowledgedInOrder) {
  StartSim();
  StopScript observer;
  BoardLink link = Link();
  BoardCutRequest request;
  request.lines = StaircaseCut(200);
  request.lines.insert(request.lines.begin() + 7, "");  // skipped, not sent
  request.feed = 250;
  const BoardRunOutcome outcome = RunBoardCut(request, link, observer);
  EXPECT_EQ(outcome.end, BoardRunEnd::Finished);
  EXPECT_EQ(outcome.linesDone, 200u);
  EXPECT_EQ(abortFlag, 0);

  std::vector<std::string> expected = StaircaseCut(200);
  expected[0] = Feed(250);
  EXPECT_EQ(observer.sent, expected);
  const auto lines = Lines(StopAndLog());
  ASSERT_EQ(lines.size(), expected.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].payload, expected[i]) << i;
    EXPECT_EQ(lines[i].flags, RunFlags(settings, false)) << i;
    EXPECT_EQ(lines[i].command, 0x04) << i;
  }
  // The last move of the staircase: i = 197, x = 98.5, y = 24.5.
  EXPECT_EQ(positions.Steps(), (AxisSteps{19700, 4900, 19700, -4900}));
}

TEST_F(BoardOnPty, AStopAtLine50EndsTheCutWithTheBoardsReport) {
  StartSim({"--speed", "0", "--stop-at", "50"});
  settings.Reprise = false;
  StopScript observer;
  BoardLink link = Link();
  BoardCutRequest request{StaircaseCut(200), 300, false};
  const BoardRunOutcome outcome = RunBoardCut(request, link, observer);
  EXPECT_EQ(outcome.end, BoardRunEnd::StoppedByBoard);
  EXPECT_EQ(outcome.linesDone, 49u);
  EXPECT_NE(abortFlag, 0);
  EXPECT_EQ(observer.questions, 0);
  EXPECT_TRUE(positions.Known());
  // Stopped before line 50 moved: line 49 is step i = 47.
  EXPECT_EQ(positions.Steps(), (AxisSteps{4700, 1150, 4700, -1150}));

  const auto log = StopAndLog();
  EXPECT_EQ(Lines(log).size(), 50u);
  EXPECT_EQ(log.back().command, 0x00);
  EXPECT_EQ(log.back().flags, BoardStopFlags(settings));
}

TEST_F(BoardOnPty, AResumedCutSendsTheInterruptedLineAgain) {
  StartSim({"--speed", "0", "--stop-at", "50"});
  settings.Reprise = true;
  settings.ActChauffe = true;
  StopScript observer;
  observer.abandon = false;
  BoardLink link = Link();
  BoardCutRequest request{StaircaseCut(200), 300, false};
  const BoardRunOutcome outcome = RunBoardCut(request, link, observer);
  EXPECT_EQ(outcome.end, BoardRunEnd::Finished);
  EXPECT_EQ(observer.questions, 1);
  EXPECT_EQ(abortFlag, 0);
  EXPECT_EQ(positions.Steps(), (AxisSteps{19700, 4900, 19700, -4900}));

  const auto log = StopAndLog();
  const auto lines = Lines(log);
  ASSERT_EQ(lines.size(), 201u);
  EXPECT_EQ(lines[49].payload, lines[50].payload);
  // Between the two: the stop's output levels, then the resume's pre-heat.
  std::vector<int> between;
  size_t seen = 0;
  for (const SimPacket& p : log) {
    const bool line = p.command == 0x04;
    seen += line;
    if (!line && seen == 50) between.push_back(p.command);
  }
  EXPECT_EQ(between, (std::vector<int>{0x00, 0x18}));
}

TEST_F(BoardOnPty, SilenceAtLine10EndsWithTheHeatingOff) {
  StartSim({"--speed", "0", "--silent-at", "10"});
  settings.ActChauffe = true;
  StopScript observer;
  BoardLink link = Link();
  const int64_t start = clock.Counter();
  const BoardRunOutcome outcome = RunBoardCut({StaircaseCut(200), 300, false}, link, observer);
  // The limit is 10 s plus twice the time of the lines the board may still
  // be running: answered at once, the eight moves so far count as still to
  // run, each 0.71 or 0.79 mm at 300 mm/min (about 1.2 s in all).
  const double waited = Seconds(start);
  EXPECT_GE(waited, 10.0);
  EXPECT_LT(waited, 20.0);
  EXPECT_EQ(outcome.end, BoardRunEnd::NoAnswer);
  EXPECT_EQ(outcome.message, "La carte ne répond plus : découpe arrêtée, chauffe coupée.");
  EXPECT_EQ(outcome.linesDone, 9u);
  EXPECT_FALSE(positions.Known());
  EXPECT_NE(abortFlag, 0);

  const auto log = StopAndLog();
  EXPECT_EQ(Lines(log).size(), 10u);
  EXPECT_EQ(log.back().command, 0x00);
  EXPECT_EQ(log.back().flags, HeatingOffFlags(settings));
  EXPECT_EQ(log.back().flags & 0x0C, 0);  // heating off while running and idle
}

TEST_F(BoardOnPty, APulledCableEndsTheWaitAtOnce) {
  StartSim({"--speed", "0", "--disconnect-at", "5"});
  StopScript observer;
  BoardLink link = Link();
  const int64_t start = clock.Counter();
  const BoardRunOutcome outcome = RunBoardCut({StaircaseCut(200), 300, false}, link, observer);
  EXPECT_LT(Seconds(start), 5.0);  // far below the 10 s of an answer's limit
  EXPECT_EQ(outcome.end, BoardRunEnd::PortLost);
  EXPECT_EQ(outcome.message,
            "La carte ne répond plus : découpe arrêtée. La liaison est perdue : vérifiez que la "
            "chauffe est coupée.");
  EXPECT_EQ(outcome.linesDone, 4u);
  EXPECT_FALSE(positions.Known());
  EXPECT_FALSE(port.IsOpen());

  const auto log = StopAndLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(Lines(log).size(), 5u);
  EXPECT_EQ(log.back().command, 0x04);  // nothing more could reach it
}

TEST_F(BoardOnPty, ALineTooLongIsRefusedBeforeAnythingIsSent) {
  StartSim();
  StopScript observer;
  BoardLink link = Link();
  settings.OrigineAuto = 1;
  std::vector<std::string> lines = StaircaseCut(20);
  lines[12] = Move("G1", 123456.5, 0, 0, 0);  // 47 characters
  const BoardRunOutcome outcome = RunBoardCut({lines, 300, false}, link, observer);
  EXPECT_EQ(outcome.end, BoardRunEnd::Refused);
  EXPECT_NE(outcome.message.find("La ligne 13 "), std::string::npos);
  EXPECT_TRUE(StopAndLog().empty());
}

// A board with fixed framing keeps a partial packet whatever the pause, and
// takes no line it cannot read: it stops and reports instead.
TEST_F(BoardOnPty, TheSimulatorIsNoKinderThanABoard) {
  struct Case {
    const char* name;
    uint8_t flags;
    std::string text;
    uint8_t answer;
  };
  const Case cases[] = {
      {"a line it knows", 0x01, Move("G1", 1, 2, 3, 4), 0},
      {"identification flag on a line", 0x81, Move("G1", 1, 2, 3, 4), 2},
      {"origin flag on a line", 0x41, Move("G1", 1, 2, 3, 4), 2},
      {"progressive stop on a cut line", 0x21, Move("G1", 1, 2, 3, 4), 2},
      {"a letter it has no axis for", 0x01, "G1 X 1 Q 2", 2},
      {"a number that is none", 0x01, "G1 X 1.2.3 Y 2", 2},
      {"an unknown code", 0x01, "G2 X 1 Y 2", 2},
      {"a control byte", 0x01, std::string("F300\x01"), 2},
  };
  StartSim();
  for (const Case& c : cases) {
    const BoardPacket packet = *MakeBoardLinePacket(c.flags, kBoardCutLine, c.text);
    port.ClearBuffer(true, false);
    ASSERT_TRUE(port.Write(packet.data(), packet.size()));
    uint8_t answer = 0xFF;
    ASSERT_EQ(WaitBoardAck(port, clock, 2'000'000, nullptr, answer), BoardWaitEnd::Answered);
    EXPECT_EQ(answer, c.answer) << c.name;
    // A refused line is followed by the report of a stopped board.
    BoardReport report;
    EXPECT_EQ(ReadBoardReport(port, clock, 300'000, nullptr, report),
              c.answer ? BoardWaitEnd::Answered : BoardWaitEnd::TimedOut)
        << c.name;
    EXPECT_EQ(report.stopped, c.answer != 0) << c.name;
  }

  // Twenty bytes, a pause, then a whole packet of zeros: its first 28 bytes
  // complete the partial one.
  BoardPacket partial = MakeBoardPacket(0x01, 0x00);
  partial[2] = 0x77;
  ASSERT_TRUE(port.Write(partial.data(), 20));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const BoardPacket zeros = MakeBoardPacket(0x00, 0x00);
  ASSERT_TRUE(port.Write(zeros.data(), zeros.size()));
  const auto log = StopAndLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2].flags, 0x01);
  EXPECT_EQ(log[log.size() - 2].payload, "77");
  EXPECT_TRUE(log.back().error) << "the last 20 bytes make no packet";
}

TEST_F(BoardOnPty, TheCommandLinePrintsTheIdentification) {
  StartSim();
  port.Close();
  const std::string command = std::string(ORVANE_CLI) + " board identify --device " +
                              sim->Device() + " 2>&1; echo status=$?";
  std::string out;
  // The command reads the settings file: give it an empty folder of its own.
  setenv("ORVANE_CONFIG_DIR", folder.Path().c_str(), 1);
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  unsetenv("ORVANE_CONFIG_DIR");
  EXPECT_NE(out.find("001789   KELDRINO ver 1.00\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" (ok)    Pente en degrés            =  70\n"), std::string::npos) << out;
  EXPECT_NE(out.find("status=0"), std::string::npos) << out;
  // Qt's serial layer had no application object and complained on stderr.
  EXPECT_EQ(out.find("QSocketNotifier"), std::string::npos) << out;
  // The output test is released: the last packet puts the outputs at rest.
  const auto log = StopAndLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].flags, 0x81);
  EXPECT_EQ(log[1].flags, OutputTestReleaseFlags(MachineSettings{}));
}

TEST(SerialStepOnPty, SendsThePatternThenZeroForEachTick) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  grantpt(master);
  unlockpt(master);
  TermiosSerialPort port;
  SerialParams params;
  params.port = ptsname(master);
  port.SetParams(params);
  port.Open();
  ASSERT_TRUE(port.IsOpen()) << port.OpenError();
  MonotonicClock clock;
  const uint8_t patterns[] = {0x05, 0x0A, 0xFF, 0x40};
  for (uint8_t p : patterns) SerialStep(port, clock, p, 50, 50);
  std::vector<uint8_t> got;
  pollfd wait{master, POLLIN, 0};
  while (got.size() < 8 && poll(&wait, 1, 2000) > 0) {
    uint8_t buffer[16];
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    got.insert(got.end(), buffer, buffer + n);
  }
  port.Close();
  close(master);
  EXPECT_EQ(got, (std::vector<uint8_t>{0x05, 0, 0x0A, 0, 0xFF, 0, 0x40, 0}));
}

}  // namespace
}  // namespace orvane
