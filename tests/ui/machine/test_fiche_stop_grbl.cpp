// The progress window running a program on orvane-grbl-sim: the lines the
// simulator took are read back and compared with the program.
#include "ui/machine/stop_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>

#include "host/termios_serial_port.h"
#include "support/grbl_sim.h"

namespace orvane {
namespace {

using ui::CutRunEnd;

class StopWindowGrbl : public StopWindow {
 protected:
  void Adjust(MachineSettings& s) override { s.PortType = 3; }
  void SetUp() override {
    StopWindow::SetUp();
    std::string file = "G21 G90 G93\r\nM3 S500\r\n";
    for (int i = 1; i <= 200; ++i) file += "G1 X" + std::to_string(i % 7) + " F1200\r\n";
    test::WriteText(base + ".nc", file + "M5\r\nM2\r\n");
  }
  void StartSim(std::vector<std::string> args) {
    args.insert(args.end(), {"--time-factor", "10"});
    sim = std::make_unique<test::GrblSim>(work / "grbl.log", std::move(args));
    harness.context.settings.SerialPort = sim->Device();
    harness.context.serial = &port;
  }

  TermiosSerialPort port;
  std::unique_ptr<test::GrblSim> sim;
};

// The space bar holds the run and asks and "Non" resumes; a controller in alarm is unlocked on
// "Oui" and the run goes on, and "Non" refuses it. Every way the spindle output ends off.
TEST_F(StopWindowGrbl, AStopResumesAndAnAlarmIsUnlockedOnlyOnOui) {
  const struct {
    std::vector<std::string> sim;
    bool stop;
    MessageAnswer answer;  // to the first question
    CutRunEnd end;
    const char* said;
  } cases[] = {
      {{}, true, MessageAnswer::No, CutRunEnd::Completed, ""},
      {{"--start-in-alarm"}, false, MessageAnswer::Yes, CutRunEnd::Completed, ""},
      {{"--start-in-alarm"}, false, MessageAnswer::No, CutRunEnd::Failed, "en alarme"},
  };
  for (const auto& c : cases) {
    StartSim(c.sim);
    bool asked = false;
    harness.keys.down = [&](Key key) {
      return c.stop && key == Key::Space && !asked && sim->Log().lines.size() > 40;
    };
    const bool locked = c.sim == std::vector<std::string>{"--start-in-alarm"};
    harness.messages.answers = {c.answer};
    harness.messages.shown.clear();
    harness.messages.onShow = [&] {
      asked = true;
      EXPECT_EQ(window->Label3->text().toStdString(), "BARRE D'ESPACE");
    };
    const ui::CutRunOutcome outcome = Run();
    harness.messages.onShow = nullptr;
    port.Close();
    sim->Stop();
    const test::GrblSimLog log = sim->Log();
    EXPECT_EQ(outcome.end, c.end) << outcome.message;
    EXPECT_THAT(outcome.message, ::testing::HasSubstr(c.said));
    EXPECT_EQ(asked, c.stop || locked);
    if (locked) {
      EXPECT_EQ(harness.messages.shown.at(0).text,
                "Le contrôleur GRBL est en alarme (Alarm). Le déverrouiller ($X) et lancer la "
                "découpe ?");
      EXPECT_EQ(log.Has("UNLOCKED"), c.answer == MessageAnswer::Yes);
    }
    // The lines the controller took, and the spindle off while held, are the
    // command line's tests; every way ends with the spindle off.
    EXPECT_TRUE(log.SpindleOff()) << log.summary;
  }
}

}  // namespace
}  // namespace orvane
