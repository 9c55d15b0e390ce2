// The progress window running a generated cut on the recording virtual port,
// on a serial port in memory and on the USB board simulator (whose log of the
// packets it received is read back), and the execution window around it.
#include "ui/machine/stop_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTextBlock>
#include <QTimer>
#include <csignal>

#include "core/machine/board_feed.h"
#include "core/machine/board_protocol.h"
#include "core/machine/board_run.h"
#include "core/machine/step_decoder.h"
#include "host/termios_serial_port.h"
#include "support/board_sim.h"
#include "ui/app/fiche_principale.h"
#include "ui/app/key_state_filter.h"
#include "ui/dialogs/qt_message_service.h"
#include "ui/machine/fiche_positionnement.h"
#include "ui/project/fiche_import.h"

namespace orvane {
namespace {

using ::testing::ElementsAre;
using ui::CutRunEnd;
using ui::CutRunOutcome;

// Regression: the space bar held for 2 s stopped the run, then its repeats
// answered "Abandonner la découpe ?" and went on pressing buttons. Here they
// come as an X server sends them without detectable auto-repeat (a release
// and a press at the same moment) and flagged; the question, a real box,
// waits for the deliberate "Non", and the run resumes to its end.
TEST_F(StopWindow, AHeldSpaceBarStopsTheRunButItsRepeatsAnswerNothing) {
  ui::KeyStateFilter filter;
  qApp->installEventFilter(&filter);
  ui::QtMessageService boxes;
  harness.context.keys = &filter;
  harness.context.messages = &boxes;
  auto send = [](QWidget* to, QEvent::Type type, quint64 time, bool repeat) {
    QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), repeat);
    key.setTimestamp(time);
    QApplication::sendEvent(to, &key);
  };
  int phase = 0;
  bool stillAsking = false;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (phase == 0 && DataWrites() >= 600) {
      send(window.get(), QEvent::KeyPress, 1000, false);
      phase = 1;
      return;
    }
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (phase != 1 || !box || !box->isVisible()) return;
    phase = 2;
    EXPECT_EQ(box->text(), QStringLiteral("Abandonner la découpe ?"));
    QAbstractButton* oui = box->defaultButton();
    ASSERT_EQ(oui->text(), QStringLiteral("Oui"));
    for (quint64 t = 1500; t < 3500; t += 33) {
      send(oui, QEvent::KeyRelease, t, false);
      send(oui, QEvent::KeyPress, t, false);
      send(oui, QEvent::KeyPress, t + 16, true);
    }
    QApplication::processEvents();
    stillAsking = box->isVisible();
    send(oui, QEvent::KeyRelease, 3600, false);  // let go at last
    for (QAbstractButton* button : box->buttons()) {
      if (button->text() == QStringLiteral("Non")) button->click();
    }
  });
  driver.start(1);
  const CutRunOutcome outcome = Run();
  driver.stop();
  qApp->removeEventFilter(&filter);
  EXPECT_TRUE(stillAsking) << "the question was never asked, or a repeat answered it";
  // "Non" resumed it; what a resume plays is the command line's test.
  ASSERT_EQ(outcome.end, CutRunEnd::Completed) << outcome.message;
  EXPECT_TRUE(EndsIdle());
  EXPECT_FALSE(filter.IsKeyDown(Key::Space));
}

// SIGTERM while a cut runs, through the program's own path (the bridge, then
// the orderly close): the run ends first, heating off, and only then are the
// settings saved with `Run` "off". During the ticks and during the pre-heat.
// The board's runs poll the same stop; its heating-off packet after a signal
// is the command line's test on the simulator.
TEST_F(StopWindow, ATerminationSignalDuringARunLeavesTheHeatingOffThenSavesRunOff) {
  for (const int preheat : {0, 30}) {
    SCOPED_TRACE(preheat);
    ui::TMainForm mainForm(harness.context);
    ASSERT_TRUE(mainForm.FormCreate());
    harness.context.settings = settings;  // the start-up read the store's own
    harness.context.settings.PreChauffe = static_cast<uint8_t>(preheat);
    harness.context.closingOnSignal = false;
    parallel = harness.parallel = nullptr;
    harness.context.port.reset();
    ASSERT_EQ(harness.Setting("Systeme", "Run"), "on");
    SignalBridge termination;
    QObject::connect(&termination, &SignalBridge::terminationRequested,
                     [&mainForm](int) { mainForm.OrderlyClose(); });
    bool raised = false, savedDuringTheRun = false;
    std::string panel;
    harness.keys.down = [&](Key) {
      const bool due = preheat ? window->PanelPrechauffe->isVisible() : DataWrites() >= 600;
      if (due && !raised) {
        if (preheat) panel = window->LabelPanelPrechauffe->text().toStdString();
        raised = true;
        raise(SIGTERM);
      }
      savedDuringTheRun |= harness.Setting("Systeme", "Run") == "off";
      return false;
    };
    const CutRunOutcome outcome = Run();
    EXPECT_TRUE(raised);
    EXPECT_EQ(panel, preheat ? "Patientez  30  secondes" : "");
    EXPECT_EQ(outcome.end, CutRunEnd::Stopped);
    EXPECT_EQ(harness.context.abortFlag, 1);
    EXPECT_FALSE(savedDuringTheRun);
    EXPECT_TRUE(harness.messages.shown.empty()) << "no question while closing";
    EXPECT_TRUE(EndsIdle());
    EXPECT_TRUE(Announced(outcome).empty()) << "no end message after a signal";
    EXPECT_TRUE(test::WaitUntil([&] { return harness.Setting("Systeme", "Run") == "off"; }, 2000));
  }
}

// A step file gone before the run is refused on the user's path (below),
// nothing written; a serial port that will not open is said the same way.
TEST_F(StopWindow, AClosedSerialPortRunsNothingAndSaysWhy) {
  harness.context.settings.PortType = 1;
  harness.serial.openable = false;
  harness.serial.openError = "absent";
  const CutRunOutcome outcome = Run();
  EXPECT_EQ(outcome.end, CutRunEnd::Failed);
  EXPECT_THAT(outcome.message, ::testing::HasSubstr("absent"));
  EXPECT_TRUE(harness.serial.written.empty());
}

// The end said, and the chime played only for a cut that ended normally
// with the sound asked for. Stopping is the held space bar's test, and the
// command line's on every way a run can be stopped.
TEST_F(StopWindow, TheEndSoundPlaysOnlyWhenAskedAndAMissingFileIsSilent) {
  const CutRunOutcome done{CutRunEnd::Completed, {}};
  Announced(done);
  EXPECT_TRUE(played.empty()) << "Audio is off";
  harness.context.settings.Audio = true;
  EXPECT_THAT(Announced({CutRunEnd::Stopped, {}}), ElementsAre("Découpe interrompue."));
  EXPECT_TRUE(played.empty()) << "a stopped run is no finished one";
  window->SetSoundFile(work / "absent.wav");
  EXPECT_THAT(Announced(done, true), ElementsAre("Simulation terminée normalement"));
  EXPECT_TRUE(played.empty());
  // The real player with a file that is no sound: silent, never an error.
  window = std::make_unique<ui::TFormStop>(harness.context);
  window->SetSoundFile(sound);
  EXPECT_THAT(Announced(done), ElementsAre("Découpe terminée normalement"));
}

// The user's whole path: the project window's "Découper", the cut chosen in
// the dialog, the block proposed, "Découpe", the end message, the window back
// with the cut reloaded; then a step file gone since is named and not run.
TEST_F(StopWindow, FromDecouperToTheEndMessageAndBackToTheProjectWindow) {
  harness.context.settings.CutPath = out + "/";
  harness.context.settings.OrigineAuto = 1;
  harness.context.settings.Audio = true;
  harness.context.positions.Set(AxisSteps{5, -7, 9, 11});
  const std::string steps = test::ReadText(base + ".ovd");
  ui::TFormImport project(harness.context, nullptr);
  ui::TFormPosition position(harness.context, &project);
  position.SetStopWindow(window.get());
  project.SetPositionWindow(&position);
  project.show();
  ASSERT_TRUE(project.Decouper->isEnabled());
  harness.dialogs.chosen = base + ".ovi";

  bool projectHidden = false, positionHiddenDuringRun = false, reloaded = false, ran = false;
  int rounds = 0;
  size_t writesAfterRun = 0;
  auto Last = [this] { return harness.messages.shown.back().text; };
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (!position.isVisible() || ran) return;
    if (++rounds > 500) return position.Fermer->click();
    if (!position.Lancer->isEnabled()) return;
    ran = true;
    driver.stop();
    position.Auto->click();
    projectHidden = !project.isVisible();
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (!window->isVisible()) return;
      positionHiddenDuringRun = !position.isVisible();
      // The step links' window, whole on the small screen.
      EXPECT_EQ(window->Label3->text().toStdString(), "BARRE D'ESPACE");
      EXPECT_FALSE(window->Console->isVisible());
      EXPECT_LE(window->height(), 700);
      for (QLabel* label : window->findChildren<QLabel*>())
        EXPECT_GE(label->width(), label->isVisible() ? label->sizeHint().width() : 0);
    });
    watcher.start(1);
    position.Lancer->click();  // returns once the run has ended
    watcher.stop();
    reloaded = position.isVisible() && position.windowTitle().contains(QStringLiteral("WING ]")) &&
               position.Lancer->isEnabled();
    EXPECT_EQ(Last(), "Découpe terminée normalement");
    writesAfterRun = parallel->Writes().size();
    std::filesystem::remove(base + ".ovd");
    position.Lancer->click();
    EXPECT_EQ(Last(), "Fichier de découpe manquant");
    EXPECT_FALSE(position.Lancer->isEnabled()) << "the reload sees the missing file";
    position.Fermer->click();
  });
  driver.start(5);
  project.DecouperClick();
  driver.stop();

  ASSERT_TRUE(ran) << "the cut never became runnable";
  EXPECT_EQ(harness.dialogs.requests.at(0).filters.at(0), "Découpes Orvane (*.ovi)");
  EXPECT_TRUE(projectHidden && positionHiddenDuringRun && reloaded);
  EXPECT_TRUE(project.isVisible());
  ASSERT_NE(parallel, nullptr);
  EXPECT_EQ(parallel->Writes().size(), writesAfterRun) << "nothing written for a missing file";
  EXPECT_TRUE(EndsIdle());
  EXPECT_THAT(played, ElementsAre(sound));
  // The origin was set before the run: the positions are the file's net steps.
  const auto* bytes = reinterpret_cast<const uint8_t*>(steps.data());
  EXPECT_EQ(harness.context.positions.Steps(), StepDecoder(settings).Delta(bytes, steps.size()));
  project.CloseWithoutQuestions();
}

class StopWindowBoard : public StopWindow {
 protected:
  void Adjust(MachineSettings& s) override { s.PortType = 2; }
  int Rows() const override { return 30; }  // enough lines for a stop at line 50
  std::string GenerateOptions() const override { return " --gcode-only"; }
  void SetUp() override {
    StopWindow::SetUp();
    periods = {30, 30, 30, 30};  // slower than configured: the file's feed line is replaced
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
    sim->Stop();
    if (!simulated) {
      EXPECT_EQ(caption, "Orvane - Découpe en cours...");
      ASSERT_EQ(outcome.end, CutRunEnd::Completed) << outcome.message;
      // Which lines went out, and again, is the command line's test.
      EXPECT_THAT(Console(0), ::testing::StartsWith("000000  "));
      EXPECT_THAT(Console(-1), ::testing::StartsWith("Fin : X1 = "));
      EXPECT_EQ(window->Progression->text().toStdString(), "Progression  100 %");
      continue;
    }
    // The feed of the periods it was given shows in the caption.
    EXPECT_EQ(caption,
              BoardSimulationCaption(BoardCutFeed(harness.context.settings, periods, true)));
    EXPECT_EQ(outcome.end, CutRunEnd::Stopped);
    EXPECT_EQ(harness.messages.shown.back().text, "Abandonner la simulation ?");
    EXPECT_THAT(Announced(outcome, true), ElementsAre("Simulation interrompue."));
    EXPECT_TRUE(played.empty());
  }
}

}  // namespace
}  // namespace orvane
