// The output test on the USB link, on a line nobody answers; on the parallel
// link it is tried in the parameters window.
#include "ui/params/motor_tests.h"

#include <gtest/gtest.h>

#include <QListWidget>

#include "core/machine/board_protocol.h"
#include "host/host_centronic.h"
#include "host/termios_serial_port.h"
#include "support/pty.h"
#include "ui/window_harness.h"

namespace orvane {
namespace {

// The press asks for the identification and the release puts the outputs
// back; a silent line gives "introuvable" in 100 ms, and the motor tests are
// then refused. A board that answers takes the same path (its lines and its
// presence are the identification's test).
TEST(TestGroups, TheOutputTestOnASilentLineFindsNoBoard) {
  test::WindowHarness h;
  test::PtyEnd pty;
  MachineSettings& s = h.context.settings;
  s.PortType = 2;
  s.BoardPresent = true;
  s.SerialPort = pty.Device();
  TermiosSerialPort serial;
  serial.SetParams(SerialSelectorParams(s));
  h.context.serial = &serial;
  h.context.clock = &h.realTime;
  ui::OutputTestGroup outputs(h.context);
  ui::MotorTestGroup motors(h.context, {});
  outputs.ShowPrompt();
  QListWidget* list = outputs.ListBoxKeldrino;
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("                 CLIQUEZ SUR TEST"));
  bool present = true;
  QObject::connect(&outputs, &ui::OutputTestGroup::boardPresenceChanged,
                   [&](bool p) { present = p; });
  outputs.RefreshBoardInformation();
  EXPECT_FALSE(present);
  EXPECT_FALSE(s.BoardPresent);
  ASSERT_EQ(list->count(), 5);
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("               PORT COM INTROUVABLE"));
  EXPECT_FALSE(motors.RunMotorTest(PadButton::TestX1D));
  EXPECT_EQ(h.messages.shown.back().text, kNoBoardForTestMessage);
  // What the line received: two packets, the request and the release,
  // nothing else (their flags are the board link's tests).
  EXPECT_EQ(pty.Receive(96, 5).size(), 96u);
}

}  // namespace
}  // namespace orvane
