// The progress window running a generated cut on the USB board simulator:
// the simulator's log of the packets it received is read back and compared
// with the G-code file.
#include "ui/machine/stop_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTextBlock>
#include <csignal>

#include "core/machine/board_feed.h"
#include "core/machine/board_protocol.h"
#include "core/machine/board_run.h"
#include "host/termios_serial_port.h"
#include "support/board_sim.h"
#include "ui/app/fiche_principale.h"

namespace orvane {
namespace {

using ::testing::ElementsAre;
using ui::CutRunEnd;
using ui::CutRunOutcome;

class StopWindowBoard : public StopWindow {
 protected:
  void Adjust(MachineSettings& s) override { s.PortType = 2; }
  int Rows() const override { return 30; }  // enough lines for a stop at line 50
  std::string GenerateOptions() const override { return " --gcode-only"; }
  void SetUp() override {
    StopWindow::SetUp();
    periods = {30, 30, 30, 30};  // slower than configured: the file's feed line is replaced
    harness.context.settings.ActChauffe = true;
  }
  void StartSim(std::vector<std::string> args) {
    sim = std::make_unique<test::BoardSim>(work / "board.log", std::move(args));
    MachineSettings& s = harness.context.settings;
    s.SerialPort = sim->Device();
    port.SetParams(SerialSelectorParams(s));
    port.Open();
    ASSERT_TRUE(port.IsOpen()) << port.OpenError();
    SendBoardParameters(port, s);  // the board learns its pre-heat time, as at start-up
    harness.context.serial = &port;
  }
  // The packets the board received, and the lines among them.
  std::vector<test::SimPacket> log;
  std::vector<std::string> StopAndReadLines() {
    sim->Stop();
    log = sim->Log();
    std::vector<std::string> lines;
    for (const test::SimPacket& p : log) {
      if (p.command == kBoardCutLine) lines.push_back(p.payload);
    }
    return lines;
  }
  bool EndsWithHeatingOff() {
    return !log.empty() && log.back().command == kBoardApply &&
           log.back().flags == HeatingOffFlags(harness.context.settings);
  }
  std::string Console(int line) {
    const QTextDocument* d = window->Console->document();
    return d->findBlockByNumber(line < 0 ? d->blockCount() + line : line).text().toStdString();
  }

  TermiosSerialPort port;
  std::unique_ptr<test::BoardSim> sim;
};

// The window's part of a board run (the engine's packets are the command
// line's tests on the same simulator): the feed of the periods it was given,
// the question asked on the window as it stands, "Non" resending the line
// stopped at; a simulation stopped the same way and abandoned ends in silence.
TEST_F(StopWindowBoard, AStopAtLine50ThenNoResendsItAndASimulationAbandonedEndsInSilence) {
  for (const bool simulated : {false, true}) {
    SCOPED_TRACE(simulated);
    simulation = simulated;
    StartSim({"--speed", "0", "--stop-at", "50"});
    harness.messages.answers = {simulated ? MessageAnswer::Yes : MessageAnswer::No};
    std::string caption;  // the window as the question finds it
    harness.messages.onShow = [&] {
      caption = window->windowTitle().toStdString();
      EXPECT_TRUE(window->Console->isVisible());
      EXPECT_FALSE(window->TrackBar1->isVisible());
      EXPECT_EQ(window->Label3->text().toStdString(), "ARRET D'URGENCE");
      EXPECT_LE(window->height(), 700);
    };
    const CutRunOutcome outcome = Run();
    harness.messages.onShow = nullptr;
    const uint16_t feed = BoardCutFeed(harness.context.settings, periods, simulated);
    const std::vector<std::string> lines = StopAndReadLines();
    if (!simulated) {
      EXPECT_EQ(caption, "Orvane - Découpe en cours...");
      ASSERT_EQ(outcome.end, CutRunEnd::Completed) << outcome.message;
      EXPECT_EQ(harness.messages.shown.back().text, "Abandonner la découpe ?");
      // Which lines went out again is the command line's test.
      EXPECT_THAT(lines, ::testing::Contains(BoardFeedLine(feed)));
      EXPECT_EQ(Console(0), "000000  " + lines[0]);
      EXPECT_THAT(Console(-1), ::testing::StartsWith("Fin : X1 = "));
      EXPECT_EQ(window->Progression->text().toStdString(), "Progression  100 %");
      EXPECT_THAT(Announced(outcome), ElementsAre("Découpe terminée normalement"));
      continue;
    }
    EXPECT_EQ(caption, BoardSimulationCaption(feed));
    EXPECT_EQ(outcome.end, CutRunEnd::Stopped);
    EXPECT_EQ(harness.messages.shown.back().text, "Abandonner la simulation ?");
    EXPECT_EQ(lines.size(), 50u);
    EXPECT_THAT(Announced(outcome, true), ElementsAre("Simulation interrompue."));
    EXPECT_TRUE(played.empty());
  }
}

// Through the program's own path (the bridge, then the orderly close): the
// heating-off packet goes out, then the settings are saved with `Run` "off".
// The pre-heat's wait polls the same stop (the command line's test).
TEST_F(StopWindowBoard, ATerminationSignalDuringTheLinesSendsTheHeatingOff) {
  ui::TMainForm mainForm(harness.context);
  ASSERT_TRUE(mainForm.FormCreate());
  harness.context.settings = settings;  // the start-up read the store's own
  SignalBridge termination;
  QObject::connect(&termination, &SignalBridge::terminationRequested,
                   [&mainForm](int) { mainForm.OrderlyClose(); });
  harness.context.closingOnSignal = false;
  StartSim({"--speed", "0.05"});  // lines take a twentieth of their time
  bool raised = false;
  keys.down = [&](Key) {
    if (window->Console->document()->blockCount() >= 5 && !raised) {
      raised = true;
      raise(SIGTERM);
    }
    return false;
  };
  const CutRunOutcome outcome = Run();
  EXPECT_TRUE(raised);
  EXPECT_TRUE(harness.context.closingOnSignal);
  EXPECT_EQ(outcome.end, CutRunEnd::Stopped);
  EXPECT_FALSE(StopAndReadLines().empty());
  EXPECT_TRUE(EndsWithHeatingOff());
  EXPECT_TRUE(Announced(outcome).empty()) << "nothing is asked or told while closing";
  EXPECT_TRUE(test::WaitUntil([&] { return harness.Setting("Systeme", "Run") == "off"; }, 2000));
}

}  // namespace
}  // namespace orvane
