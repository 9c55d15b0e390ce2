#include "ui/machine/fiche_manettes.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <functional>
#include <memory>

#include "core/machine/board_protocol.h"
#include "host/host_centronic.h"
#include "host/virtual_port.h"
#include "ui/window_harness.h"

namespace orvane {
namespace {

class ManualWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    h.QuickMotorsInRealTime();
    window = std::make_unique<ui::TFormManettes>(h.context);
  }
  // Opens the window; `then` runs inside its loop, then it closes.
  void Open(const std::function<void()>& then) {
    QTimer::singleShot(0, window.get(), [&] {
      then();
      window->Fermer->click();
    });
    QTimer::singleShot(20000, window.get(), [&] { window->reject(); });  // a stuck test fails
    window->Run(nullptr);
  }
  void Press(int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &event);
  }
  // The packets written to the serial port: flags and command.
  std::vector<std::pair<int, int>> Packets() const {
    std::vector<std::pair<int, int>> out;
    for (const auto& w : h.serial.written) {
      if (w.size() >= 2) out.emplace_back(w[0], w[1]);
    }
    return out;
  }

  test::WindowHarness h;
  std::unique_ptr<ui::TFormManettes> window;
};

TEST_F(ManualWindow, OpeningFitsTheJogBarAndClosingStoresTheOptions) {
  MachineSettings& s = h.context.settings;
  s.MaxX = 500, s.MaxY = 600, s.DepDefaut = 1000;
  Open([&] {
    EXPECT_EQ(window->TrackBar1->maximum(), 600);
    EXPECT_EQ(window->TrackBar1->value(), 300);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvane - Mode manuel"));
    EXPECT_EQ(window->height(), 662);
    EXPECT_TRUE(window->RadioButtonFast->isChecked());
    // Every axis at 0: nothing to return from.
    EXPECT_FALSE(window->RetourOrigine->isEnabled());
    EXPECT_FALSE(window->MemoOrigine->isEnabled());
    window->InverserX->trigger();
    window->ArretMode->trigger();
  });
  EXPECT_EQ(s.DepDefaut, 300);
  EXPECT_EQ(h.Setting("Manuel", "DepDefaut"), "300");
  // The options: stored at close, but for the stop mode.
  EXPECT_EQ(h.Setting("Manuel", "InvTeleX"), "1");
  EXPECT_EQ(h.Setting("Manuel", "InvTeleY"), "0");
  EXPECT_EQ(s.ModeArret, 0);
}

TEST_F(ManualWindow, ArrowKeysJogAndTheReturnBringsEveryAxisBack) {
  MachineSettings& s = h.context.settings;
  s.DepDefaut = 5;
  Open([&] {
    Press(Qt::Key_Left);  // both X, 5 mm (the steps of a move are the core's)
    EXPECT_EQ(window->PX1->text(), QStringLiteral("5.0"));
    h.keys.down = [](Key k) { return k == Key::Shift; };  // 1 mm
    Press(Qt::Key_PageUp);                                // up-right
    h.keys.down = {};
    EXPECT_EQ(window->PX2->text(), QStringLiteral("4.0"));
    EXPECT_TRUE(window->RetourOrigine->isEnabled());
    EXPECT_TRUE(window->RetourOrigineClick());
    EXPECT_EQ(h.context.positions.Steps(), AxisSteps{});
    EXPECT_FALSE(window->RetourOrigine->isEnabled());
  });
  // Fast jogs keep the hold and not the heat; the return too; rest after each.
  EXPECT_EQ(h.ControlWrites().back(), 0x01);
  for (uint8_t value : h.ControlWrites()) EXPECT_NE(value, 0x03);
}

TEST_F(ManualWindow, AGuillotineRunsDownAtWorkingSpeedAndBackFast) {
  MachineSettings& s = h.context.settings;
  s.DepDefaut = 2;
  Open([&] {
    EXPECT_TRUE(window->SequenceClick(1));
    EXPECT_TRUE(window->RadioButtonFast->isChecked());  // the choice given back
    EXPECT_FALSE(window->RadioButtonSlow->isChecked());
  });
  // The window picks the heating: on for the way down, rest (the pause),
  // the hold alone for the way back, so it ends at rest.
  const auto control = h.ControlWrites();
  const std::vector<uint8_t> moves(control.begin() + 1, control.end());
  EXPECT_EQ(moves, (std::vector<uint8_t>{0x03, 0x01, 0x01, 0x01, 0x01, 0x01}));
}

// The hold buttons drive the hold bit of the control register alone: the
// heating stays at rest whichever is pressed (an inverted hold's images are
// the core's).
TEST_F(ManualWindow, TheHoldButtonsSetTheParallelPortsHoldBit) {
  h.context.settings.ActCouple = true;
  window = std::make_unique<ui::TFormManettes>(h.context);
  const size_t before = h.parallel->Writes().size();
  Open([&] {
    window->HoldClick(false);
    window->HoldClick(true);
  });
  // Applied on opening, released, held again.
  std::vector<uint8_t> writes = h.ControlWrites(before);
  writes.resize(3);
  EXPECT_EQ(writes, (std::vector<uint8_t>{0x01, 0x00, 0x01}));
}

TEST_F(ManualWindow, TheBoardGetsTheHoldOriginAndClosingPackets) {
  MachineSettings& s = h.context.settings;
  s.PortType = 2;
  s.ActCouple = true;
  h.context.positions.Set(AxisSteps{40, 0, 0, 0});
  Open([&] {
    EXPECT_TRUE(window->CoupleActif->isVisible());
    EXPECT_EQ(window->ESC->text(), QStringLiteral("ATU = SWITCH"));
    window->HoldClick(false);
    window->HoldClick(true);
    h.messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
    window->MemoOrigineClick();  // "Non": nothing moves, nothing is sent
    EXPECT_EQ(h.context.positions.Get(MotorAxis::X1), 40);
    window->MemoOrigineClick();
    EXPECT_TRUE(h.context.positions.AtOrigin());
    window->RadioButtonSlow->click();
  });
  EXPECT_EQ(h.messages.shown.back().text, "Redéfinir l'origine ?");
  const std::vector<std::pair<int, int>> expected = {
      {HoldButtonFlags(s, false), 0x00},  // opening: the hold as set
      {HoldButtonFlags(s, true), 0x00},
      {HoldButtonFlags(s, false), 0x00},
      {DefineOriginFlags(s, false), 0x00},
      {ManualCloseFlags(s, true), 0x00}};
  EXPECT_EQ(Packets(), expected);
}

}  // namespace
}  // namespace orvane
