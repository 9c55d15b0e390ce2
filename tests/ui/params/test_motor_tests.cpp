// The motor and output test groups alone, in a small window as the
// parameters window holds them: the virtual parallel port's writes, and the
// USB board's packets as orvane-board-sim logged them.
#include "ui/params/motor_tests.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <memory>

#include "core/machine/board_protocol.h"
#include "core/machine/step_decoder.h"
#include "host/host_centronic.h"
#include "host/termios_serial_port.h"
#include "host/virtual_port.h"
#include "support/board_sim.h"
#include "support/pty.h"
#include "ui/window_harness.h"

namespace orvane {
namespace {

struct Keys : KeyState {
  bool IsKeyDown(Key) const override { return false; }
};

class TestGroups : public ::testing::Test {
 protected:
  void SetUp() override {
    MachineSettings& s = h.context.settings;
    s.Vmin = 500, s.Vmax = 2000, s.Pente = 85;  // moves of a few milliseconds
    s.ActChauffe = true;                        // run image 0x03, idle 0x01
    s.PreChauffe = 0;
    s.DepTest = 3;
    // The engine plays on its own thread: real time, not the harness's fake clock.
    h.context.clock = &clock;
    h.context.keys = &keys;
    h.context.port = std::make_unique<VirtualPort>(&clock);
    h.context.portBase = s.Port;
    port = static_cast<VirtualPort*>(h.context.port.get());
    window.resize(700, 600);
    auto* layout = new QVBoxLayout(&window);
    motors = new ui::MotorTestGroup(
        h.context, [this] { return edits; }, &window);
    outputs = new ui::OutputTestGroup(h.context, {}, &window);
    other = new QPushButton(QStringLiteral("Fermer"), &window);
    layout->addWidget(motors);
    layout->addWidget(outputs);
    layout->addWidget(other);
    window.show();
  }
  std::vector<uint8_t> Writes(uint16_t address) const {
    std::vector<uint8_t> values;
    for (const auto& w : port->Writes()) {
      if (w.address == address) values.push_back(w.value);
    }
    return values;
  }
  // A board on its pseudo-terminal (or, with `silent`, a line nobody answers).
  void UseBoard(bool silent) {
    MachineSettings& s = h.context.settings;
    s.PortType = 2;
    if (silent) {
      s.SerialPort = pty.Device();
    } else {
      sim = std::make_unique<test::BoardSim>(folder / "board.log",
                                             std::vector<std::string>{"--speed", "0"});
      s.SerialPort = sim->Device();
    }
    serial.SetParams(SerialSelectorParams(s));
    h.context.serial = &serial;
  }

  test::WindowHarness h;
  MonotonicClock clock;
  Keys keys;
  VirtualPort* port = nullptr;
  MotorEdits edits{{10, 10, 10, 10}, {50, 50, 50, 50}};  // the page's, not the store's 200
  QWidget window;
  ui::MotorTestGroup* motors = nullptr;
  ui::OutputTestGroup* outputs = nullptr;
  QPushButton* other = nullptr;
  test::TempFolder folder;
  test::PtyEnd pty;
  std::unique_ptr<test::BoardSim> sim;
  TermiosSerialPort serial;
};

// What the window sees between BeginTest and EndTest, and what it shows after.
TEST_F(TestGroups, AMotorTestHoldsTheWindowStillAndShowsTheSpeedItReached) {
  const struct {
    const char* name;
    bool working, heating;
    uint8_t heatImage;  // the control write while the motor turns
  } cases[] = {
      {"Usinage, chauffe active", true, true, 0x03},
      {"Rapide: the heating is forced off", false, true, 0x01},
  };
  bool clicked = false;
  QObject::connect(other, &QPushButton::pressed, [&] { clicked = true; });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    port->Clear();
    motors->Reset();
    EXPECT_EQ(motors->TrackBarDistanceTest->value(), 3);
    motors->AvanceUsinage->setChecked(true);
    motors->ChauffeActive->setChecked(c.heating);
    if (!c.working) motors->AvanceRapide->setChecked(true);
    EXPECT_EQ(motors->ChauffeActive->isChecked(), c.working && c.heating);
    EXPECT_EQ(motors->ChauffeActive->isEnabled(), c.working);

    std::vector<bool> running;
    bool stillDuring = false;
    QMetaObject::Connection seen =
        QObject::connect(motors, &ui::MotorTestGroup::testRunning, [&](bool on) {
          running.push_back(on);
          if (!on) return;
          stillDuring = motors->ESC->isVisible() && !motors->Tests[0]->isEnabled();
          QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
          QApplication::sendEvent(other, &press);
        });
    EXPECT_TRUE(motors->RunMotorTest(PadButton::TestX1D));
    QObject::disconnect(seen);
    EXPECT_EQ(running, (std::vector<bool>{true, false}));
    EXPECT_TRUE(stillDuring);
    EXPECT_FALSE(clicked) << "a left click during the test goes nowhere";
    EXPECT_EQ(motors->ESC->text(), QStringLiteral("BARRE D'ESPACE"));
    EXPECT_FALSE(motors->ESC->isVisible());
    EXPECT_TRUE(motors->Tests[0]->isEnabled());

    // 3 mm at the page's 10 steps/mm.
    std::vector<uint8_t> ticks;
    for (uint8_t b : Writes(888)) {
      if (b != 0) ticks.push_back(b);
    }
    EXPECT_EQ(ticks.size(), 30u);
    EXPECT_EQ(Writes(890), (std::vector<uint8_t>{c.heatImage, 0x01}));
    EXPECT_TRUE(motors->VitesseConstatee->isVisible());
    EXPECT_TRUE(motors->VitesseConstatee->text().contains(','));
    EXPECT_FALSE(motors->VitesseConstatee->text().contains('.'));
  }
}

// Held down, the parallel port's outputs run; hidden while held, they rest.
TEST_F(TestGroups, TheOutputTestRunsTheParallelOutputsWhileHeld) {
  outputs->TestByte2MouseDown();
  EXPECT_EQ(outputs->PanelTest->text(), QStringLiteral("MARCHE"));
  EXPECT_EQ(Writes(890), (std::vector<uint8_t>{0x03}));
  outputs->TestByte2MouseUp();
  outputs->TestByte2MouseDown();
  outputs->hide();
  EXPECT_EQ(Writes(890), (std::vector<uint8_t>{0x03, 0x01, 0x03, 0x01}));
  EXPECT_EQ(outputs->PanelTest->text(), QStringLiteral("ARRET"));
}

// On the USB link the press asks for the identification (0x81: no heating,
// no inversion) and the release puts the outputs back; a silent line gives
// "introuvable" in 100 ms, and the motor tests are then refused.
TEST_F(TestGroups, TheOutputTestReadsTheBoardOrFindsNone) {
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent ? "silent" : "board");
    UseBoard(silent);
    h.context.settings.ActChauffe = false;
    h.context.settings.BoardPresent = !silent;
    outputs->ShowPrompt();
    EXPECT_EQ(outputs->ListBoxKeldrino->item(1)->text(),
              QStringLiteral("                 CLIQUEZ SUR TEST"));
    bool present = silent;
    QObject::connect(outputs, &ui::OutputTestGroup::boardPresenceChanged,
                     [&](bool p) { present = p; });
    outputs->RefreshBoardInformation();
    EXPECT_EQ(present, !silent);
    EXPECT_EQ(h.context.settings.BoardPresent, !silent);
    QListWidget* list = outputs->ListBoxKeldrino;
    if (silent) {
      ASSERT_EQ(list->count(), 5);
      EXPECT_EQ(list->item(1)->text(), QStringLiteral("               PORT COM INTROUVABLE"));
      EXPECT_FALSE(motors->RunMotorTest(PadButton::TestX1D));
      EXPECT_EQ(h.messages.shown.back().text, kNoBoardForTestMessage);
      // What the line received: the request and the release, nothing else.
      const auto& got = pty.Receive(96, 5);
      ASSERT_EQ(got.size(), 96u);
      EXPECT_EQ(got[0], 0x81);
      EXPECT_EQ(got[48], OutputTestReleaseFlags(h.context.settings));
      continue;
    }
    ASSERT_EQ(list->count(), 7);
    EXPECT_TRUE(list->item(0)->text().contains(QStringLiteral("KELDRINO ver ")));
    EXPECT_TRUE(list->item(2)->text().startsWith(QStringLiteral(" (ok)    Pas par millimètre")));
    serial.Close();
    sim->Stop();
    const auto log = sim->Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].flags, 0x81);
    EXPECT_EQ(log[1].flags, OutputTestReleaseFlags(h.context.settings));
  }
}

}  // namespace
}  // namespace orvane
