// The output test on the USB link, against orvane-board-sim or a line nobody
// answers; on the parallel link it is tried in the parameters window.
#include "ui/params/motor_tests.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <memory>

#include "core/machine/board_protocol.h"
#include "host/host_centronic.h"
#include "host/termios_serial_port.h"
#include "support/board_sim.h"
#include "support/pty.h"
#include "ui/window_harness.h"

namespace orvane {
namespace {

// The press asks for the identification and the release puts the outputs
// back; a silent line gives "introuvable" in 100 ms, and the motor tests are
// then refused.
TEST(TestGroups, TheOutputTestReadsTheBoardOrFindsNone) {
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent ? "silent" : "board");
    test::WindowHarness h;
    MonotonicClock clock;
    test::TempFolder folder;
    test::PtyEnd pty;
    std::unique_ptr<test::BoardSim> sim;
    MachineSettings& s = h.context.settings;
    s.PortType = 2;
    s.BoardPresent = !silent;
    if (silent) {
      s.SerialPort = pty.Device();
    } else {
      sim = std::make_unique<test::BoardSim>(folder / "board.log",
                                             std::vector<std::string>{"--speed", "0"});
      s.SerialPort = sim->Device();
    }
    TermiosSerialPort serial;
    serial.SetParams(SerialSelectorParams(s));
    h.context.serial = &serial;
    h.context.clock = &clock;
    ui::OutputTestGroup outputs(h.context);
    ui::MotorTestGroup motors(h.context, {});
    outputs.ShowPrompt();
    QListWidget* list = outputs.ListBoxKeldrino;
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("                 CLIQUEZ SUR TEST"));
    bool present = silent;
    QObject::connect(&outputs, &ui::OutputTestGroup::boardPresenceChanged,
                     [&](bool p) { present = p; });
    outputs.RefreshBoardInformation();
    EXPECT_EQ(present, !silent);
    EXPECT_EQ(s.BoardPresent, !silent);
    if (silent) {
      ASSERT_EQ(list->count(), 5);
      EXPECT_EQ(list->item(1)->text(), QStringLiteral("               PORT COM INTROUVABLE"));
      EXPECT_FALSE(motors.RunMotorTest(PadButton::TestX1D));
      EXPECT_EQ(h.messages.shown.back().text, kNoBoardForTestMessage);
      // What the line received: two packets, the request and the release,
      // nothing else (their flags are the board link's tests).
      EXPECT_EQ(pty.Receive(96, 5).size(), 96u);
      continue;
    }
    ASSERT_EQ(list->count(), 7);
    // Its lines are the identification's test; the packets on a silent
    // line, above, are the same two.
    EXPECT_TRUE(list->item(0)->text().contains(QStringLiteral("KELDRINO ver ")));
  }
}

}  // namespace
}  // namespace orvane
