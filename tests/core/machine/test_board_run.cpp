#include "core/machine/board_run.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/app/machine_settings.h"
#include "core/machine/axis_positions.h"
#include "support/fake_serial_port.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

constexpr int64_t kTicksPerSecond = 1'000'000'000;

const std::string kFeed600 = "F600" + std::string(42, ' ');  // 10 mm/s
const std::string kOrigin = "G0 X    0.000 Y    0.000 A    0.000 B    0.000";
const std::string kFiftyMm = "G1 X   30.000 Y   40.000 A    0.000 B    0.000";
const std::string kEnd = "M2 (----------- fin du programme ------------)";

// The board's side in memory. Lines are answered 0 (or `stopAnswer` at line
// `stopAt`); a board that `runs` its lines moves the clock on by their time
// before answering, as a real one does. M2 and a stop bring the report.
class FakeBoard {
 public:
  FakeBoard() {
    clock.stepPerRead = 100'000;  // 100 µs a look
    serial.open = true;
    serial.onWrite = [this](const std::vector<uint8_t>& p, test::FakeSerialPort& port) {
      const uint8_t command = p[1];
      if (command == 0x08 || command == 0x18) {
        if (!silentPreheat) port.input.push_back(preheatAnswer);
        return;
      }
      if (command != 0x02 && command != 0x04 && command != 0x22) return;
      ++lines;
      lineWrittenAt = clock.now;
      if (lines == silentAt) return;
      const std::string text(p.begin() + 2, p.end());
      if (runs && text == kFiftyMm) clock.now += 5 * kTicksPerSecond;
      const bool stop = lines == stopAt;
      port.input.push_back(stop ? stopAnswer : 0);
      if ((stop || text == kEnd) && !silentReport) {
        std::array<uint8_t, 16> sent = report;
        if (stop) sent[0] |= 0x40;
        port.input.insert(port.input.end(), sent.begin(), sent.end());
      }
    };
  }
  // The packets written, as (flags, command).
  std::vector<std::pair<int, int>> Packets() const {
    std::vector<std::pair<int, int>> out;
    for (const auto& p : serial.written) out.emplace_back(p[0], p[1]);
    return out;
  }
  double SecondsSinceLastLine() const { return double(clock.now - lineWrittenAt) / 1e9; }

  test::FakeSerialPort serial;
  test::FakeClock clock;
  bool runs = true;
  int lines = 0;
  int silentAt = 0;
  int stopAt = 0;
  uint8_t stopAnswer = 1;
  uint8_t preheatAnswer = 0;
  bool silentPreheat = false;
  bool silentReport = false;
  int64_t lineWrittenAt = 0;
  std::array<uint8_t, 16> report = {0x80, 0x00, 0x01, 0x2C, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0};
};

class Observer : public BoardRunObserver {
 public:
  bool PollStop() override { return ++polls == stopAtPoll; }
  void PreheatShown(bool shown) override { preheat.push_back(shown); }
  void LineSending(size_t index, const std::string&) override {
    if (throwAt && index == *throwAt) throw std::runtime_error("window gone");
  }
  bool AbandonAfterStop() override { return !resume; }
  bool resume = false;
  int polls = 0;
  int stopAtPoll = -1;
  std::optional<size_t> throwAt;
  std::vector<bool> preheat;
};

class BoardRun : public ::testing::Test {
 protected:
  BoardLink Link() { return {board.serial, board.clock, settings, positions, abortFlag}; }
  BoardRunOutcome Cut(std::vector<std::string> lines, bool simulation = false) {
    BoardLink link = Link();
    return RunBoardCut({std::move(lines), 600, simulation}, link, observer);
  }
  BoardRunOutcome Program(BoardProgramRequest request) {
    BoardLink link = Link();
    return RunBoardProgram(request, link, observer);
  }
  std::pair<int, int> HeatingOff() const { return {HeatingOffFlags(settings), 0x00}; }

  FakeBoard board;
  MachineSettings settings;
  AxisPositions positions;
  uint8_t abortFlag = 0;
  Observer observer;
};

TEST_F(BoardRun, ALineMayTakeTwiceItsTimePlusTenSeconds) {
  board.silentAt = 3;  // 50 mm at 10 mm/s: 5 s, so 20 s
  const BoardRunOutcome outcome = Cut({kFeed600, kOrigin, kFiftyMm, kEnd});
  EXPECT_EQ(outcome.end, BoardRunEnd::NoAnswer);
  EXPECT_NEAR(board.SecondsSinceLastLine(), 20.0, 0.001);
  EXPECT_EQ(outcome.message, kBoardSilentMessage);
  EXPECT_FALSE(positions.Known());
  EXPECT_EQ(abortFlag, 1);
  EXPECT_EQ(board.Packets().back(), HeatingOff());
}

TEST_F(BoardRun, ABoardThatAnswersAtOnceGetsTheTimeOfWhatItHolds) {
  board.runs = false;  // answers on receipt, runs later
  board.silentAt = 5;  // three 50 mm moves before it: 4 × 5 s to run, so 50 s
  const BoardRunOutcome outcome = Cut({kFeed600, kFiftyMm, kOrigin, kFiftyMm, kOrigin, kEnd});
  EXPECT_EQ(outcome.end, BoardRunEnd::NoAnswer);
  EXPECT_NEAR(board.SecondsSinceLastLine(), 50.0, 0.01);
}

TEST_F(BoardRun, TheReportAndThePreheatHaveTheirOwnLimits) {
  board.silentReport = true;
  EXPECT_EQ(Cut({kFeed600, kOrigin, kFiftyMm, kEnd}).end, BoardRunEnd::NoAnswer);
  EXPECT_NEAR(board.SecondsSinceLastLine(), 10.0, 0.001);  // everything ran: the margin alone
  EXPECT_EQ(board.Packets().back(), HeatingOff());

  settings.ActChauffe = true;
  settings.PreChauffe = 8;
  board.silentPreheat = true;
  const int64_t start = board.clock.now;
  EXPECT_EQ(Cut({kFeed600, kEnd}).end, BoardRunEnd::NoAnswer);
  EXPECT_NEAR(double(board.clock.now - start) / 1e9, 18.0, 0.001);
  EXPECT_EQ(observer.preheat, (std::vector<bool>{true, false}));
  EXPECT_EQ(board.Packets().back(), HeatingOff());
}

TEST_F(BoardRun, AClosedPortEndsAtOnce) {
  board.serial.open = false;
  board.serial.openable = false;
  const BoardRunOutcome outcome = Cut({kFeed600, kEnd});
  EXPECT_EQ(outcome.end, BoardRunEnd::PortLost);
  EXPECT_EQ(outcome.message, kBoardSilentMessage);
  EXPECT_LT(board.clock.now, kTicksPerSecond);
}

TEST_F(BoardRun, TheStopKeyEndsAWaitWithTheHeatingOff) {
  board.silentAt = 3;
  observer.stopAtPoll = 50;
  const BoardRunOutcome outcome = Cut({kFeed600, kOrigin, kFiftyMm, kEnd});
  EXPECT_EQ(outcome.end, BoardRunEnd::StoppedByUser);
  EXPECT_EQ(outcome.message, kBoardUserStopMessage);
  EXPECT_EQ(outcome.linesDone, 2u);
  EXPECT_FALSE(positions.Known());
  EXPECT_EQ(board.Packets().back(), HeatingOff());
}

TEST_F(BoardRun, AStopDuringThePreheatSaysNothingAndKeepsThePosition) {
  settings.ActChauffe = true;
  board.silentPreheat = true;
  observer.stopAtPoll = 3;
  const BoardRunOutcome outcome = Cut({kFeed600, kEnd});
  EXPECT_EQ(outcome.end, BoardRunEnd::StoppedByUser);
  EXPECT_TRUE(outcome.message.empty());
  EXPECT_TRUE(positions.Known());
  EXPECT_EQ(board.lines, 0);
  EXPECT_EQ(board.Packets().back(), HeatingOff());
}

TEST_F(BoardRun, TheBoardRefusingThePreheatSendsNoLine) {
  settings.ActChauffe = true;
  board.preheatAnswer = 1;
  const BoardRunOutcome outcome = Cut({kFeed600, kOrigin, kEnd});
  EXPECT_EQ(outcome.end, BoardRunEnd::StoppedByBoard);
  EXPECT_EQ(abortFlag, 1);
  EXPECT_EQ(board.lines, 0);
  EXPECT_EQ(board.Packets().back(), HeatingOff());
}

TEST_F(BoardRun, AnExceptionFromTheWindowStillTurnsTheHeatingOff) {
  settings.ActChauffe = true;
  observer.throwAt = 2;
  EXPECT_THROW(Cut({kFeed600, kOrigin, kFiftyMm, kEnd}), std::runtime_error);
  EXPECT_EQ(board.lines, 2);
  EXPECT_EQ(board.Packets().back(), HeatingOff());
}

TEST_F(BoardRun, ARealCutSetsTheOriginFirstASimulationDoesNot) {
  settings.OrigineAuto = 1;
  settings.ActChauffe = true;
  positions.Set({5, 6, 7, 8});
  EXPECT_EQ(Cut({kFeed600, kOrigin, kEnd}).end, BoardRunEnd::Finished);
  const int run = RunFlags(settings, true);
  EXPECT_EQ(board.Packets(),
            (std::vector<std::pair<int, int>>{
                {0x40, 0x00}, {run, 0x08}, {run, 0x04}, {run, 0x04}, {run, 0x04}}));
  // The report: X1 = -300, Y1 = 7.
  EXPECT_EQ(positions.Steps(), (AxisSteps{-300, 7, 0, 0}));

  board.serial.written.clear();
  positions.Set({5, 6, 7, 8});
  EXPECT_EQ(Cut({kFeed600, kOrigin, kEnd}, true).end, BoardRunEnd::Finished);
  for (const auto& [flags, command] : board.Packets()) {
    EXPECT_EQ(command, 0x04);
    EXPECT_EQ(flags, run | 0x10);
  }
}

// The origin packet and the stop's output levels were dropped half sent
// when the transmit buffer was cleared right after them.
TEST_F(BoardRun, NeverClearsWhatItHasJustSent) {
  settings.OrigineAuto = 1;
  settings.Reprise = true;
  settings.ActChauffe = true;
  board.stopAt = 3;
  observer.resume = true;
  EXPECT_EQ(Cut({kFeed600, kOrigin, kFiftyMm, kEnd}).end, BoardRunEnd::Finished);
  BoardProgramRequest request;
  request.lines = {kFeed600, kOrigin, kFiftyMm, kEnd};
  EXPECT_EQ(Program(request).end, BoardRunEnd::Finished);
  EXPECT_GE(board.serial.clears, 3);
  EXPECT_EQ(board.serial.outputClears, 0);
}

TEST_F(BoardRun, ABoardStopWithoutResumeReadsTheReportAndEnds) {
  settings.Reprise = true;
  board.stopAt = 2;
  board.stopAnswer = 3;
  const BoardRunOutcome outcome = Cut({kFeed600, kOrigin, kFiftyMm, kEnd});
  EXPECT_EQ(outcome.end, BoardRunEnd::StoppedByBoard);
  EXPECT_EQ(outcome.linesDone, 1u);
  EXPECT_EQ(abortFlag, 3);
  EXPECT_EQ(board.Packets().back(), (std::pair<int, int>{BoardStopFlags(settings), 0x00}));
  EXPECT_EQ(positions.Steps()[0], -300);
}

// Resuming counts the lines sent before the interrupted one: none when the
// board stops on the very first, which goes again after a new pre-heat.
TEST_F(BoardRun, AStopOnTheFirstLineResumesBySendingItAgain) {
  settings.Reprise = true;
  settings.ActChauffe = true;
  board.stopAt = 1;
  observer.resume = true;
  EXPECT_EQ(Cut({kFeed600, kOrigin, kFiftyMm, kEnd}).end, BoardRunEnd::Finished);
  std::vector<std::string> lines;
  int preheats = 0;
  for (const auto& p : board.serial.written) {
    if (p[1] == 0x08 || p[1] == 0x18) ++preheats;
    if (p[1] == 0x02 || p[1] == 0x04) lines.emplace_back(p.begin() + 2, p.end());
  }
  EXPECT_EQ(lines, (std::vector<std::string>{kFeed600, kFeed600, kOrigin, kFiftyMm, kEnd}));
  EXPECT_EQ(preheats, 2);
  EXPECT_EQ(abortFlag, 0);
}

TEST_F(BoardRun, AManualProgramStopsAtTheBoardsAnswer) {
  board.stopAt = 2;
  BoardProgramRequest request;
  request.lines = {kFeed600, kOrigin, kFiftyMm, kEnd};
  request.command = kBoardReturnLine;
  request.progressiveStop = true;
  const BoardRunOutcome outcome = Program(request);
  EXPECT_EQ(outcome.end, BoardRunEnd::StoppedByBoard);
  EXPECT_EQ(board.lines, 2);
  EXPECT_EQ(board.Packets().back(), (std::pair<int, int>{RunFlags(settings, false) | 0x20, 0x22}));
  EXPECT_EQ(positions.Steps()[0], -300);
  EXPECT_EQ(abortFlag, 1);
}

TEST_F(BoardRun, AMotorTestTakesOnlyTheStopFromTheReport) {
  board.report[4] = 0x40;  // stopped, as seen on Y1's status
  settings.ActChauffe = true;
  BoardProgramRequest request;
  request.lines = {kFeed600, kOrigin, kFiftyMm, kEnd};
  request.workingSpeed = true;
  request.motorTest = true;
  const BoardRunOutcome outcome = Program(request);
  EXPECT_EQ(outcome.end, BoardRunEnd::StoppedByBoard);
  EXPECT_EQ(abortFlag, 1);
  EXPECT_TRUE(positions.AtOrigin());
  const int flags = RunFlags(settings, true);
  EXPECT_EQ(board.Packets().front(), (std::pair<int, int>{flags, 0x08}));
  EXPECT_EQ(board.Packets().back(), (std::pair<int, int>{flags, 0x00}));
}

}  // namespace
}  // namespace orvane
