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
    program = {"G21 G90 G93", "M3 S500"};
    char text[64];
    for (int i = 1; i <= 200; ++i) {
      std::snprintf(text, sizeof text, "G1 X%d Y%d Z%d A%d F1200", i % 7, i % 5, i % 3, i % 2);
      program.push_back(text);
    }
    program.insert(program.end(), {"M5", "M2"});
    std::string file;
    for (const std::string& line : program) file += line + "\r\n";
    test::WriteText(base + ".nc", file);
  }
  void StartSim(std::vector<std::string> args) {
    args.insert(args.end(), {"--time-factor", "10"});
    sim = std::make_unique<test::GrblSim>(work / "grbl.log", std::move(args));
    harness.context.settings.SerialPort = sim->Device();
    harness.context.serial = &port;
  }

  std::vector<std::string> program;
  TermiosSerialPort port;
  std::unique_ptr<test::GrblSim> sim;
};

// The space bar holds the run and asks; "Non" resumes and every line still
// arrives once; an error from the controller fails the run with its meaning;
// a controller in alarm is unlocked on "Oui" and the run goes on, and "Non"
// refuses it. Every way the spindle output ends off.
TEST_F(StopWindowGrbl, AStopAndResumeFinishesAndAnErrorFailsWithItsMeaning) {
  const struct {
    std::vector<std::string> sim;
    bool stop;
    MessageAnswer answer;  // to the first question
    CutRunEnd end;
    const char* said;
  } cases[] = {
      {{}, true, MessageAnswer::No, CutRunEnd::Completed, ""},
      {{"--error-at", "50:22"},
       false,
       MessageAnswer::No,
       CutRunEnd::Failed,
       "error:22, vitesse d'avance non définie"},
      {{"--start-in-alarm"}, false, MessageAnswer::Yes, CutRunEnd::Completed, ""},
      {{"--start-in-alarm"},
       false,
       MessageAnswer::No,
       CutRunEnd::Failed,
       "Le contrôleur GRBL est en alarme (prise d'origine ou déverrouillage à faire)"},
  };
  for (const auto& c : cases) {
    StartSim(c.sim);
    bool asked = false;
    keys.down = [&](Key key) {
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
    EXPECT_TRUE(log.SpindleOff()) << log.summary;
    EXPECT_FALSE(log.Has("LOST"));
    if (c.end == CutRunEnd::Completed) {
      // "$I", and "$X" when it was unlocked, then the program.
      EXPECT_EQ(std::vector<std::string>(log.lines.begin() + (locked ? 2 : 1), log.lines.end()),
                program);
      EXPECT_EQ(log.Has("SPINDLE off (stop override)"), c.stop);
    }
  }
}

}  // namespace
}  // namespace orvane
