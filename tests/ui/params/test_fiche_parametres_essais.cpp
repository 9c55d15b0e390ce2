// The motor and output tests as the parameters window holds them, on the
// virtual parallel port: what the window lets the user do meanwhile, and
// the control writes once it is over.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "host/host_centronic.h"
#include "host/virtual_port.h"
#include "ui/params/fiche_parametres.h"
#include "ui/params/motor_tests.h"
#include "ui/window_harness.h"

namespace orvane {
namespace {

using ui::TFormParametres;

// The other tabs, the motors page's buttons and edits, the test buttons.
std::vector<bool> ControlsEnabled(TFormParametres& w) {
  std::vector<bool> on;
  for (int t = 1; t < w.PageControl1->count(); ++t) on.push_back(w.PageControl1->isTabEnabled(t));
  std::vector<QWidget*> controls = {w.ParDefaut[0], w.Restaurer[0], w.Enregistrer[0], w.Fermer[0],
                                    w.GlobalPas};
  for (int a = 0; a < 4; ++a) controls.push_back(w.StepEdits[a]), controls.push_back(w.Inverse[a]);
  controls.insert(controls.end(), w.Essais->Tests.begin(), w.Essais->Tests.end());
  for (QWidget* c : controls) on.push_back(c->isEnabled());
  return on;
}

// Closing is tried while a test runs or "TEST" is held: refused until the
// test is over, except that a signal to the program releases "TEST" and
// closes without a question. Meanwhile the window's other controls (Ctrl+Tab
// included) stay still and a click goes nowhere; after, they are as they
// were and the heating is off. Every motor is stored at 20 steps/mm and
// 50 µs, the page shows 10 steps/mm: the test takes the page's and lasts
// milliseconds, played in real time by the engine's thread.
TEST(ParamsTests, ATestHoldsTheWindowUntilItEndsWithTheHeatingOff) {
  test::WindowHarness h;
  ASSERT_TRUE(h.Start());
  h.QuickMotorsInRealTime();  // no key down
  WriteAllSettings(h.store, h.context.settings, nullptr, nullptr);
  ReadAllSettings(h.store, h.context.settings, &h.serial);
  h.context.linkStarted = true;
  h.context.settings.BoardPresent = true;
  const auto steps = [&](size_t from) {
    size_t n = 0;
    const auto writes = h.parallel->Writes();
    for (size_t i = from; i < writes.size(); ++i) n += writes[i].address == 888 && writes[i].value;
    return n;
  };
  const struct {
    const char* name;
    bool hold;     // "TEST" on the ports page; else a motor test, its distance saved
    bool working;  // "Usinage" with "Chauffe du fil" active
    bool signal;
    int distance;
    uint8_t run;  // the control image while it runs
  } cases[] = {
      {"Rapide, 3 mm", false, false, false, 3, 0x01},
      {"Usinage with heating, 4 mm", false, true, false, 4, 0x03},
      {"a signal stops the test", false, true, true, 40, 0x03},
      {"TEST held", true, false, false, 2, 0x03},
      {"TEST held, then a signal", true, false, true, 2, 0x03},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    h.context.closingOnSignal = false;
    h.messages.shown.clear();
    h.messages.answers = {MessageAnswer::No};
    TFormParametres window(h.context);
    ui::MotorTestGroup* essais = window.Essais;
    size_t from = 0;
    bool refused = false, runMarkedToTheEnd = false, clicked = false;
    std::vector<bool> before, during, after;
    QString esc, speed;
    QPushButton other(window.TabSheets[0]);
    QObject::connect(&other, &QPushButton::pressed, [&] { clicked = true; });
    const auto tryClosing = [&] {
      h.context.closingOnSignal = c.signal;
      QTest::keyClick(&window, Qt::Key_Escape);
      window.close();
      refused = window.isVisible();
    };
    QObject::connect(essais, &ui::MotorTestGroup::testRunning, [&](bool on) {
      if (!on) {
        runMarkedToTheEnd = h.context.runInProgress;
        return;
      }
      during = ControlsEnabled(window);
      esc = essais->ESC->isVisible() ? essais->ESC->text() : QString();
      QTest::mouseClick(&other, Qt::LeftButton);
      QTest::keyClick(window.TabSheets[0], Qt::Key_Tab, Qt::ControlModifier);
      EXPECT_EQ(window.PageControl1->currentIndex(), 0);
      tryClosing();
    });
    QTimer::singleShot(0, &window, [&] {
      from = h.parallel->Writes().size();
      essais->TrackBarDistanceTest->setValue(c.distance);
      if (c.hold) {
        window.PageControl1->setCurrentIndex(2);
        QTest::mousePress(window.TestSortie->TestByte2, Qt::LeftButton);
        tryClosing();
        if (window.isVisible()) QTest::mouseRelease(window.TestSortie->TestByte2, Qt::LeftButton);
      } else {
        window.GlobalPas->setText("10");
        window.GlobalAppliquerClick();
        essais->AvanceUsinage->setChecked(c.working);
        essais->ChauffeActive->setChecked(c.working);
        EXPECT_EQ(essais->ChauffeActive->isEnabled(), c.working) << "never heated at fast speed";
        before = ControlsEnabled(window);
        essais->Test(PadButton::TestX1D)->click();
        after = ControlsEnabled(window);
        if (essais->VitesseConstatee->isVisible()) speed = essais->VitesseConstatee->text();
        if (!c.signal) window.Enregistrer[0]->click();
      }
      window.close();
    });
    QTimer::singleShot(20000, &window, [&] { window.done(0); });  // a stuck test fails
    window.Run();

    EXPECT_EQ(refused, !(c.hold && c.signal));
    EXPECT_FALSE(window.isVisible());
    // Only the unsaved distance of a held "TEST" is asked about, without a signal.
    EXPECT_EQ(h.messages.shown.size(), c.hold && !c.signal ? 1u : 0u);
    EXPECT_EQ(h.ControlWrites(from), (std::vector<uint8_t>{c.run, 0x01}));
    if (c.hold) continue;
    EXPECT_EQ(during, std::vector<bool>(before.size(), false));
    EXPECT_EQ(esc, QStringLiteral("BARRE D'ESPACE"));
    EXPECT_FALSE(clicked);
    EXPECT_EQ(after, before);
    EXPECT_TRUE(runMarkedToTheEnd) << "a signal's close waits through the end's pause";
    if (c.signal) {
      EXPECT_LT(steps(from), size_t(c.distance) * 10);
    } else {
      EXPECT_EQ(steps(from), size_t(c.distance) * 10);
      EXPECT_TRUE(speed.contains(',') && !speed.contains('.')) << speed.toStdString();
      EXPECT_EQ(h.Setting("Manuel", "DepTest"), std::to_string(c.distance));
    }
  }
}

}  // namespace
}  // namespace orvane
