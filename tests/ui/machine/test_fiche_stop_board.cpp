// The progress window running a generated cut on the USB board simulator:
// the simulator's log of the packets it received is read back and compared
// with the G-code file.
#include "ui/machine/stop_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTextBlock>
#include <array>
#include <csignal>
#include <set>
#include <sstream>

#include "core/machine/board_feed.h"
#include "core/machine/board_protocol.h"
#include "core/machine/board_run.h"
#include "host/termios_serial_port.h"
#include "support/board_sim.h"
#include "ui/app/fiche_principale.h"

namespace orvane {
namespace {

using ui::CutRunEnd;
using ui::CutRunOutcome;

class StopWindowBoard : public StopWindow {
 protected:
  void Adjust(MachineSettings& s) override { s.PortType = 2; }
  // Enough lines for a stop at line 50.
  int Rows() const override { return 30; }
  std::string GenerateOptions() const override { return " --gcode-only"; }

  void SetUp() override {
    StopWindow::SetUp();
    std::istringstream in(test::ReadText(base + ".ovg"));
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      fileLines.push_back(line);
    }
    ASSERT_GT(fileLines.size(), 55u);
    // Slower than configured, so the file's own feed line must be replaced.
    periods = {30, 30, 30, 30};
  }
  void StartSim(std::vector<std::string> args) {
    sim = std::make_unique<test::BoardSim>(work / "board.log", std::move(args));
    ASSERT_FALSE(sim->Device().empty());
    MachineSettings& s = harness.context.settings;
    s.SerialPort = sim->Device();
    port.SetParams(SerialSelectorParams(s));
    port.Open();
    ASSERT_TRUE(port.IsOpen()) << port.OpenError();
    // The board learns its pre-heat time from the parameters, as at start-up.
    SendBoardParameters(port, s);
    harness.context.serial = &port;
  }
  std::vector<test::SimPacket> StopAndLog() {
    sim->Stop();
    return sim->Log();
  }
  static std::vector<test::SimPacket> Lines(const std::vector<test::SimPacket>& log) {
    std::vector<test::SimPacket> lines;
    for (const test::SimPacket& p : log) {
      if (p.command == kBoardCutLine) lines.push_back(p);
    }
    return lines;
  }
  // What the board must receive: the file's lines, the feed line replaced.
  std::vector<std::string> Expected() {
    const uint16_t feed = BoardCutFeed(harness.context.settings, periods, simulation);
    std::vector<std::string> expected;
    for (const std::string& line : fileLines) {
      if (!line.empty()) expected.push_back(line.starts_with("F") ? BoardFeedLine(feed) : line);
    }
    return expected;
  }
  std::vector<std::string> ConsoleLines() {
    std::vector<std::string> out;
    for (QTextBlock b = window->Console->document()->begin(); b.isValid(); b = b.next()) {
      out.push_back(b.text().toStdString());
    }
    return out;
  }
  ui::CutRunOutcome RunBoard() {
    ui::CutRunRequest request;
    request.cut = &cut;
    request.durationSeconds = 100;
    request.simulation = simulation;
    request.adjustedPeriods = periods;
    return window->RunCut(request);
  }

  std::vector<std::string> fileLines;
  std::array<int32_t, 4> periods{};
  TermiosSerialPort port;
  std::unique_ptr<test::BoardSim> sim;
};

TEST_F(StopWindowBoard, ACompletedCutSendsEveryLineWithTheFeedReplacedThenAnnouncesTheEnd) {
  harness.context.settings.ActChauffe = true;
  StartSim({"--speed", "0"});
  const CutRunOutcome outcome = RunBoard();
  ASSERT_EQ(outcome.end, CutRunEnd::Completed) << outcome.message;
  EXPECT_TRUE(harness.context.positions.Known());
  EXPECT_EQ(window->Progression->text().toStdString(), "Progression  100 %");

  const std::vector<std::string> expected = Expected();
  ASSERT_NE(expected[0], fileLines[0]) << "the feed of the preset, not the file's";
  const auto lines = Lines(StopAndLog());
  ASSERT_EQ(lines.size(), expected.size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].payload, expected[i]) << i;
  const auto console = ConsoleLines();
  ASSERT_GT(console.size(), expected.size());
  EXPECT_EQ(console[0], "000000  " + expected[0]);
  EXPECT_THAT(console.back(), ::testing::StartsWith("Fin : X1 = "));

  EXPECT_THAT(Announced(outcome), ::testing::ElementsAre("Découpe terminée normalement"));
}

TEST_F(StopWindowBoard, AStopAtLine50ThenNoResendsItAndASimulationAbandonedEndsInSilence) {
  harness.context.settings.Reprise = true;
  StartSim({"--speed", "0", "--stop-at", "50"});
  harness.messages.answers = {MessageAnswer::No};
  // The window as the question finds it.
  std::string caption;
  harness.messages.onShow = [&] {
    caption = window->windowTitle().toStdString();
    EXPECT_TRUE(window->Console->isVisible());
    EXPECT_FALSE(window->TrackBar1->isVisible());
    EXPECT_EQ(window->Label3->text().toStdString(), "ARRET D'URGENCE");
    EXPECT_LE(window->height(), 700);
  };
  CutRunOutcome outcome = RunBoard();
  EXPECT_EQ(caption, "Orvane - Découpe en cours...");
  ASSERT_EQ(outcome.end, CutRunEnd::Completed) << outcome.message;
  EXPECT_EQ(harness.messages.shown.back().text, "Abandonner la découpe ?");
  std::vector<std::string> expected = Expected();
  auto lines = Lines(StopAndLog());
  ASSERT_EQ(lines.size(), expected.size() + 1);
  EXPECT_EQ(lines[50].payload, expected[49]) << "the interrupted line is sent again";
  lines.erase(lines.begin() + 50);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].payload, expected[i]) << i;

  // A simulation stopped the same way, and abandoned.
  simulation = true;
  harness.messages.shown.clear();
  harness.messages.answers = {MessageAnswer::Yes};
  StartSim({"--speed", "0", "--stop-at", "50"});
  outcome = RunBoard();
  EXPECT_EQ(outcome.end, CutRunEnd::Stopped);
  EXPECT_EQ(caption, BoardSimulationCaption(BoardCutFeed(harness.context.settings, periods, true)));
  EXPECT_EQ(harness.messages.shown.back().text, "Abandonner la simulation ?");
  lines = Lines(StopAndLog());
  ASSERT_EQ(lines.size(), 50u);
  for (const auto& line : lines) EXPECT_NE(line.flags & kFlagSimulation, 0);
  harness.messages.onShow = nullptr;
  EXPECT_THAT(Announced(outcome, true), ::testing::ElementsAre("Simulation interrompue."));
  EXPECT_TRUE(played.empty());
}

TEST_F(StopWindowBoard, SilenceOrAPulledCableEndsWithinTheLimitWithTheHeatingOffAndSaysSo) {
  harness.context.settings.ActChauffe = true;
  harness.context.settings.Audio = true;
  harness.context.positions.SetOrigin();
  // The fastest feed, 16383 mm/min (the sum of the four is held in 16
  // bits). Line 3, the first stroke, goes 400 mm on X and on A: 565.7 mm in
  // 2.07 s, so the board gets twice that plus 10 s, 14.1 s.
  periods = {5, 5, 5, 5};
  StartSim({"--speed", "0", "--silent-at", "3"});
  QElapsedTimer timer;
  timer.start();
  CutRunOutcome outcome = RunBoard();
  EXPECT_GE(timer.elapsed(), 14000);
  EXPECT_LT(timer.elapsed(), 15500);
  EXPECT_EQ(outcome.end, CutRunEnd::Failed);
  EXPECT_EQ(outcome.message, kBoardSilentMessage);
  EXPECT_FALSE(harness.context.positions.Known());
  EXPECT_EQ(ConsoleLines().back(), kBoardSilentMessage);
  auto log = StopAndLog();
  EXPECT_EQ(Lines(log).size(), 3u);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().command, kBoardApply);
  EXPECT_EQ(log.back().flags, HeatingOffFlags(harness.context.settings));
  EXPECT_THAT(Announced(outcome), ::testing::ElementsAre(kBoardSilentMessage));
  EXPECT_EQ(harness.messages.shown[0].kind, MessageKind::Warning);
  EXPECT_TRUE(played.empty()) << "no end sound after a time-out";

  StartSim({"--speed", "0", "--disconnect-at", "5"});
  timer.restart();
  outcome = RunBoard();
  EXPECT_LT(timer.elapsed(), 5000);
  EXPECT_EQ(outcome.end, CutRunEnd::Failed);
  EXPECT_EQ(outcome.message, kBoardLostMessage);
  EXPECT_EQ(Lines(StopAndLog()).size(), 5u);
}

// Through the program's own path (the bridge, then the orderly close): the
// heating-off packet goes out, then the settings are saved with `Run` "off".
TEST_F(StopWindowBoard, ATerminationSignalDuringTheLinesOrThePreheatSendsTheHeatingOff) {
  MachineSettings& s = harness.context.settings;
  for (const bool duringPreheat : {false, true}) {
    SCOPED_TRACE(duringPreheat);
    ui::TMainForm mainForm(harness.context);
    ASSERT_TRUE(mainForm.FormCreate());
    s = settings;  // the start-up read the store's own
    s.ActChauffe = true;
    s.PreChauffe = 30;
    ASSERT_EQ(harness.Setting("Systeme", "Run"), "on");
    SignalBridge termination;
    QObject::connect(&termination, &SignalBridge::terminationRequested,
                     [&mainForm](int) { mainForm.OrderlyClose(); });
    harness.context.closingOnSignal = false;
    // Lines and pre-heat take a twentieth of their time: long enough for
    // the signal to come while they run.
    StartSim({"--speed", "0.05"});
    bool raised = false;
    keys.down = [&](Key) {
      const bool due = duringPreheat ? window->PanelPrechauffe->isVisible()
                                     : window->Console->document()->blockCount() >= 5;
      if (due && !raised) {
        raised = true;
        raise(SIGTERM);
      }
      return false;
    };
    QElapsedTimer timer;
    timer.start();
    const CutRunOutcome outcome = RunBoard();
    EXPECT_TRUE(raised);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_TRUE(harness.context.closingOnSignal);
    EXPECT_EQ(outcome.end, CutRunEnd::Stopped);
    const auto log = StopAndLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().command, kBoardApply);
    EXPECT_EQ(log.back().flags, HeatingOffFlags(s));
    if (duringPreheat) {
      EXPECT_TRUE(Lines(log).empty());
    }
    EXPECT_TRUE(Announced(outcome).empty()) << "nothing is asked or told while closing";
    EXPECT_TRUE(test::WaitUntil([&] { return harness.Setting("Systeme", "Run") == "off"; }, 2000));
  }
}

}  // namespace
}  // namespace orvane
