#include "core/machine/board_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
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

// The board's side in memory, 200 steps per mm. It identifies itself, answers
// lines 0 (or 1, stopped, at line `stopAt`); a board that `runs` its lines
// moves the clock on by their time before answering, as a real one does. M2
// and a stop bring the report of where it stands; the knobs spoil it.
class FakeBoard {
 public:
  FakeBoard() {
    clock.stepPerRead = 100'000;  // 100 µs a look
    serial.open = true;
    serial.onWrite = [this](const std::vector<uint8_t>& p, test::FakeSerialPort& port) {
      Take(p, port);
    };
  }
  // The packets written, as (flags, command).
  std::vector<std::pair<int, int>> Packets() const {
    std::vector<std::pair<int, int>> out;
    for (const auto& p : serial.written) out.emplace_back(p[0], p[1]);
    return out;
  }
  // Since the last line or pre-heat went out.
  double SecondsWaited() const { return double(clock.now - waitFrom) / 1e9; }

  test::FakeSerialPort serial;
  test::FakeClock clock;
  bool identifies = true;
  uint8_t storedPreheat = 8;
  bool runs = true;
  int lines = 0;
  int silentAt = 0;
  int stopAt = 0;
  uint8_t preheatAnswer = 0;
  bool silentPreheat = false;
  bool silentReport = false;
  int strayAfter = 0;        // line whose answer a stray byte follows
  int64_t reportOffset = 0;  // added to X1 in the report
  uint8_t statusJunk = 0;    // or-ed into the status bytes
  bool reportExtraByte = false;
  bool reportStopped = false;  // bit 6 in Y1's status without a stop
  int64_t waitFrom = 0;

 private:
  void Take(const std::vector<uint8_t>& p, test::FakeSerialPort& port) {
    const uint8_t command = p[1];
    if (command == 0x00 && (p[0] & 0x80)) {
      if (identifies) {
        port.input.insert(port.input.end(), {0x00, 0xC8, 50, 0, 33, 70, storedPreheat, 100, 0, 0, 0,
                                             0x30, 0x39, 0, 0, 0});
      }
      return;
    }
    if (command == 0x08 || command == 0x18) {
      waitFrom = clock.now;
      if (!silentPreheat) port.input.push_back(preheatAnswer);
      return;
    }
    if (command != 0x02 && command != 0x04 && command != 0x22) return;
    ++lines;
    waitFrom = clock.now;
    if (lines == silentAt) return;
    const std::string text(p.begin() + 2, p.end());
    if (runs && text == kFiftyMm) clock.now += 5 * kTicksPerSecond;
    const bool stop = lines == stopAt;
    port.input.push_back(stop ? 1 : 0);
    if (lines == strayAfter) port.input.push_back(0x07);
    if (!stop && text.starts_with("G")) {
      std::sscanf(text.c_str() + 2, " X %lf Y %lf A %lf B %lf", &at[0], &at[1], &at[2], &at[3]);
    }
    if ((stop || text == kEnd) && !silentReport) Report(port, stop);
  }
  void Report(test::FakeSerialPort& port, bool stop) {
    for (size_t k = 0; k < 4; ++k) {
      int64_t steps = std::llround(at[k] * 200) + (k == 0 ? reportOffset : 0);
      uint8_t status = statusJunk | (stop ? 0x40 : 0) | (steps < 0 ? 0x80 : 0);
      if (k == 1 && reportStopped) status |= 0x40;
      steps = std::abs(steps);
      port.input.insert(port.input.end(),
                        {status, uint8_t(steps >> 16), uint8_t(steps >> 8), uint8_t(steps)});
    }
    if (reportExtraByte) port.input.push_back(0);
  }

  double at[4] = {};
};

class Observer : public BoardRunObserver {
 public:
  void LineSending(size_t index, const std::string&) override {
    if (throwAt && index == *throwAt) throw std::runtime_error("window gone");
  }
  bool AbandonAfterStop() override { return !resume; }
  bool resume = false;
  std::optional<size_t> throwAt;
};

using Packets = std::vector<std::pair<int, int>>;

class BoardRun : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.X1step = settings.Y1step = settings.X2step = settings.Y2step = 200;
  }
  // A fresh board for each case of a table, or the fixture's.
  BoardRunOutcome Cut(FakeBoard& b, std::vector<std::string> lines) {
    BoardLink link{b.serial, b.clock, settings, positions, abortFlag};
    return RunBoardCut({std::move(lines), 600, false}, link, observer);
  }
  BoardRunOutcome Program(BoardProgramRequest request, FakeBoard* b = nullptr) {
    if (!b) b = &board;
    BoardLink link{b->serial, b->clock, settings, positions, abortFlag};
    return RunBoardProgram(request, link, observer);
  }
  std::pair<int, int> HeatingOff() const { return {HeatingOffFlags(settings), 0x00}; }

  FakeBoard board;
  MachineSettings settings;
  AxisPositions positions;
  uint8_t abortFlag = 0;
  Observer observer;
};

// A board acknowledges a line when it takes it: what it may still be busy
// with is bounded by the lines it holds, never by everything sent so far nor
// by the whole machine's reach (a silent board once kept the wire hot for
// 2418 s). Each wait is twice the longest of the last three lines, plus 10 s;
// the pre-heat takes the longer of the settings' time and the board's own.
TEST_F(BoardRun, EachWaitFollowsWhatTheBoardMayStillBeDoing) {
  enum Start { Origin, Unknown, FiftyMmAway };
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    int silentAt;  // 0: the report after the end never comes
    bool runs;
    Start start;
    int settingsPreheat, boardPreheat;  // a silent pre-heat when set
    double seconds;
  };
  const std::vector<std::string> fifty{kFeed600, kOrigin, kFiftyMm, kEnd};
  // clang-format off
  const Case cases[] = {
      {"a board that runs a 50 mm line, then falls silent", fifty, 3, true, Origin, 0, 0, 20},
      {"a board that answers at once: four 5 s lines sent, not 4 x 5 s held",
       {kFeed600, kFiftyMm, kOrigin, kFiftyMm, kOrigin, kEnd}, 5, false, Origin, 0, 0, 20},
      {"position unknown: the first move timed from the origin",
       {kFeed600, kFiftyMm, kEnd}, 2, true, Unknown, 0, 0, 20},
      {"a start 50 mm from the origin", {kFeed600, kOrigin, kEnd}, 2, true, FiftyMmAway, 0, 0, 20},
      {"no report after the end", fifty, 0, true, Origin, 0, 0, 20},
      {"a board holding a pre-heat longer than the settings'", {kFeed600, kEnd}, 0, true, Origin, 8, 30, 40},
      {"settings longer than the board's pre-heat", {kFeed600, kEnd}, 0, true, Origin, 30, 8, 40},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakeBoard b;
    settings = MachineSettings{};
    SetUp();
    positions.SetOrigin();
    if (c.start == Unknown) positions.MarkUnknown();
    if (c.start == FiftyMmAway) positions.Set({6000, 8000, 0, 0});
    b.silentAt = c.silentAt, b.silentReport = c.silentAt == 0, b.runs = c.runs;
    if (c.settingsPreheat) {
      settings.ActChauffe = true, settings.PreChauffe = c.settingsPreheat;
      b.storedPreheat = uint8_t(c.boardPreheat), b.silentPreheat = true;
    }
    const BoardRunOutcome outcome = Cut(b, c.lines);
    EXPECT_EQ(outcome.end, BoardRunEnd::NoAnswer) << c.name;
    EXPECT_NEAR(b.SecondsWaited(), c.seconds, 0.01) << c.name;
    EXPECT_EQ(abortFlag, 1) << c.name;
    EXPECT_EQ(b.Packets().back(), HeatingOff()) << c.name;
  }
}

// Garbage from the board was taken as success: one stray byte shifted every
// later read and applied positions like 8388615. A lost link was a finished
// cut, and "chauffe coupée" was said when the heating-off packet could not be
// written (a pulled cable is played on the simulator).
TEST_F(BoardRun, AnAnswerThatDoesNotFitOrALostLinkIsAFault) {
  struct Case {
    const char* name;
    std::function<void(FakeBoard&)> spoil;
    BoardRunEnd end;
    bool positionsKnown;
  };
  const Case cases[] = {
      {"a clean run", [](FakeBoard&) {}, BoardRunEnd::Finished, true},
      {"a stray byte after line 2's answer", [](FakeBoard& b) { b.strayAfter = 2; },
       BoardRunEnd::BadAnswer, true},
      {"a stray byte after the last answer", [](FakeBoard& b) { b.strayAfter = 4; },
       BoardRunEnd::BadAnswer, false},
      {"a byte beyond the report's 16", [](FakeBoard& b) { b.reportExtraByte = true; },
       BoardRunEnd::BadAnswer, false},
      {"a report off the end of the program", [](FakeBoard& b) { b.reportOffset = 8388615; },
       BoardRunEnd::BadAnswer, false},
      {"a status byte with unknown bits", [](FakeBoard& b) { b.statusJunk = 0x07; },
       BoardRunEnd::BadAnswer, false},
      {"a stop far from every point sent",
       [](FakeBoard& b) { b.stopAt = 3, b.reportOffset = -100000; }, BoardRunEnd::BadAnswer, false},
      {"a device that takes nothing", [](FakeBoard& b) { b.serial.stuck = true; },
       BoardRunEnd::PortLost, false},
      {"a port closed from the start", [](FakeBoard& b) { b.serial.open = false; },
       BoardRunEnd::PortLost, false},
  };
  for (const Case& c : cases) {
    FakeBoard b;
    positions.SetOrigin();
    abortFlag = 0;
    c.spoil(b);
    const BoardRunOutcome outcome = Cut(b, {kFeed600, kOrigin, kFiftyMm, kEnd});
    EXPECT_EQ(outcome.end, c.end) << c.name;
    EXPECT_EQ(positions.Known(), c.positionsKnown) << c.name;
    if (c.end == BoardRunEnd::Finished) {
      EXPECT_EQ(positions.Steps(), (AxisSteps{6000, 8000, 0, 0})) << c.name;
      continue;
    }
    EXPECT_EQ(abortFlag, 1) << c.name;
    if (c.end == BoardRunEnd::PortLost) {
      EXPECT_EQ(outcome.message, kBoardLostMessage) << c.name;
      // The unsent bytes are dropped before the heating-off packet, at once.
      EXPECT_EQ(b.serial.outputClears, b.serial.stuck ? 2 : 0) << c.name;
      EXPECT_LT(b.clock.now, kTicksPerSecond) << c.name;
      continue;
    }
    EXPECT_EQ(b.Packets().back(), HeatingOff()) << c.name;
    EXPECT_EQ(outcome.message,
              c.positionsKnown ? BoardStrayBytesMessage(1) : std::string(kBoardBadAnswerMessage))
        << c.name;
  }
}

TEST_F(BoardRun, NothingHeatsBeforeTheBoardHasIdentifiedItself) {
  settings.ActChauffe = true;
  board.identifies = false;
  const BoardRunOutcome outcome = Cut(board, {kFeed600, kOrigin, kEnd});
  EXPECT_EQ(outcome.end, BoardRunEnd::NoAnswer);
  EXPECT_EQ(outcome.message, kBoardNoIdentificationMessage);
  EXPECT_EQ(board.Packets(), (Packets{{OutputTestReleaseFlags(settings), 0x00}, HeatingOff()}));
}

// The stop key, during the lines or the pre-heat, and a real cut's opening
// packets (origin first) are played on the simulator.
TEST_F(BoardRun, ARefusalAtThePreheatSendsNoLine) {
  settings.ActChauffe = true;
  board.preheatAnswer = 1;
  EXPECT_EQ(Cut(board, {kFeed600, kEnd}).end, BoardRunEnd::StoppedByBoard);
  EXPECT_EQ(abortFlag, 1);
  EXPECT_EQ(board.lines, 0);
  EXPECT_EQ(board.Packets().back(), HeatingOff());
}

TEST_F(BoardRun, AnExceptionFromTheWindowStillTurnsTheHeatingOff) {
  settings.ActChauffe = true;
  observer.throwAt = 2;
  EXPECT_THROW(Cut(board, {kFeed600, kOrigin, kFiftyMm, kEnd}), std::runtime_error);
  EXPECT_EQ(board.lines, 2);
  EXPECT_EQ(board.Packets().back(), HeatingOff());
}

// A finished program counts every line, and its flags keep an inverted hold
// (hold bit 0 low) unless the progressive stop is asked.
TEST_F(BoardRun, AProgramCountsItsLinesAndKeepsAnInvertedHold) {
  settings.ActCouple = false, settings.InvCouple = true;
  const BoardRunOutcome outcome = Program({{kFeed600, kOrigin, kFiftyMm, kEnd}});
  EXPECT_EQ(outcome.end, BoardRunEnd::Finished);
  EXPECT_EQ(outcome.linesDone, 4u);
  for (const auto& [flags, command] : board.Packets()) {
    if (command == 0x02) {
      EXPECT_EQ(flags, 0x02);
    }
  }
}

// Resuming counts the lines sent before the interrupted one: none when the
// board stops on the very first, which goes again after a new pre-heat. The
// origin packet and the stop's output levels were dropped half sent when the
// transmit buffer was cleared right after them.
TEST_F(BoardRun, AStopOnTheFirstLineResumesBySendingItAgainAndNothingSentIsCleared) {
  settings.OrigineAuto = 1;
  settings.Reprise = true;
  settings.ActChauffe = true;
  board.stopAt = 1;
  observer.resume = true;
  EXPECT_EQ(Cut(board, {kFeed600, kOrigin, kFiftyMm, kEnd}).end, BoardRunEnd::Finished);
  std::vector<std::string> lines;
  int preheats = 0;
  for (const auto& p : board.serial.written) {
    preheats += p[1] == 0x08 || p[1] == 0x18;
    if (p[1] == 0x02 || p[1] == 0x04) lines.emplace_back(p.begin() + 2, p.end());
  }
  EXPECT_EQ(lines, (std::vector<std::string>{kFeed600, kFeed600, kOrigin, kFiftyMm, kEnd}));
  EXPECT_EQ(preheats, 2);
  EXPECT_EQ(abortFlag, 0);
  EXPECT_EQ(Program({{kFeed600, kOrigin, kFiftyMm, kEnd}}).end, BoardRunEnd::Finished);
  EXPECT_GE(board.serial.clears, 3);
  EXPECT_EQ(board.serial.outputClears, 0);
}

// A stop by the board ends a manual program and a motor test (a cut's is
// played on the simulator), each with its own output levels and what it
// takes of the report.
TEST_F(BoardRun, ABoardStopEndsTheRunWithTheReportsPosition) {
  const std::vector<std::string> lines{kFeed600, kOrigin, kFiftyMm, kEnd};
  settings.Reprise = true;
  board.stopAt = 3;
  BoardRunOutcome outcome = Program({lines, kBoardReturnLine, false, true});
  EXPECT_EQ(outcome.end, BoardRunEnd::StoppedByBoard);
  EXPECT_EQ(board.lines, 3);
  EXPECT_EQ(board.Packets().back(), (std::pair<int, int>{RunFlags(settings, false) | 0x20, 0x22}));
  EXPECT_TRUE(positions.Known());
  EXPECT_EQ(abortFlag, 1);

  FakeBoard motor;  // only the stop is taken from the report
  motor.reportStopped = true;
  settings.ActChauffe = true;
  outcome = Program({lines, kBoardManualLine, true, false, true}, &motor);
  EXPECT_EQ(outcome.end, BoardRunEnd::StoppedByBoard);
  EXPECT_TRUE(positions.AtOrigin());
  const int flags = RunFlags(settings, true);
  EXPECT_EQ(motor.Packets()[1], (std::pair<int, int>{flags, 0x08}));
  EXPECT_EQ(motor.Packets().back(), (std::pair<int, int>{flags, 0x00}));
}

}  // namespace
}  // namespace orvane
