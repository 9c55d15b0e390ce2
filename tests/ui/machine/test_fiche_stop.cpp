// The progress window running a generated cut on the recording virtual port
// and on a serial port in memory: what reached the port is decoded and
// compared with the step file, never assumed.
#include "ui/machine/stop_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <csignal>
#include <set>

#include "ui/app/fiche_principale.h"
#include "ui/app/key_state_filter.h"
#include "ui/dialogs/qt_message_service.h"

namespace orvane {
namespace {

using ::testing::ElementsAre;
using ui::CutRunEnd;
using ui::CutRunOutcome;
using ui::CutRunRequest;
using ui::TFormStop;

constexpr uint16_t kData = 888;
constexpr uint16_t kControl = 890;
constexpr uint8_t kRunImage = 3;   // heating automatic: heating and hold on
constexpr uint8_t kIdleImage = 1;  // hold kept, heating off

// Net steps per axis of a step file, slots 0..3, no axis inverted: both bits
// of a pair is a step up, the step bit alone a step down.
AxisSteps NetSteps(const std::string& steps) {
  AxisSteps net{};
  for (unsigned char b : steps) {
    for (size_t axis = 0; axis < 4; ++axis) {
      const int bits = (b >> (2 * axis)) & 3;
      net[axis] += bits == 3 ? 1 : bits == 1 ? -1 : 0;
    }
  }
  return net;
}

class StopWindowSteps : public StopWindow {
 protected:
  void SetUp() override {
    StopWindow::SetUp();
    steps = test::ReadText(base + ".ovd");
    ASSERT_GT(steps.size(), 1000u);
    ASSERT_EQ(cut.ticks, steps.size());
  }
  std::vector<VirtualPort::Write> Writes() { return parallel->Writes(); }
  size_t DataWrites() {
    size_t n = 0;
    for (const auto& w : parallel->Writes()) n += w.address == kData;
    return n;
  }
  // The patterns played (each must be followed by its 0) and the control writes.
  void Decode(std::string& bytes, std::vector<int>& control) {
    const auto writes = Writes();
    for (size_t i = 0; i < writes.size(); ++i) {
      if (writes[i].address == kControl) {
        control.push_back(writes[i].value);
        continue;
      }
      ASSERT_EQ(writes[i].address, kData);
      ASSERT_FALSE(control.empty()) << "a tick before the run image";
      bytes += static_cast<char>(writes[i].value);
      ASSERT_LT(i + 1, writes.size());
      ASSERT_EQ(writes[i + 1].address, kData);
      ASSERT_EQ(writes[i + 1].value, 0) << "write " << i + 1;
      ++i;
    }
  }
};

TEST_F(StopWindowSteps, APlainRunPlaysEveryByteBetweenRunAndIdleImagesThenAnnouncesTheEnd) {
  harness.context.settings.OrigineAuto = 1;
  harness.context.settings.Audio = true;
  harness.context.positions.Set(AxisSteps{5, -7, 9, 11});
  std::set<std::string> progress;
  std::set<std::string> remaining;
  bool shownWhileRunning = false;
  keys.down = [&](Key) {
    progress.insert(window->Progression->text().toStdString());
    remaining.insert(window->InterTime->text().toStdString());
    shownWhileRunning |= window->isVisible();
    return false;
  };
  const CutRunOutcome outcome = Run();
  ASSERT_EQ(outcome.end, CutRunEnd::Completed) << outcome.message;
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(shownWhileRunning);
  EXPECT_EQ(harness.context.abortFlag, 0);

  std::string bytes;
  std::vector<int> control;
  Decode(bytes, control);
  EXPECT_EQ(bytes, steps);
  // Heat before the first tick; at rest after the last (the guard, then the
  // window's own idle image).
  ASSERT_GE(control.size(), 2u);
  EXPECT_EQ(control.front(), kRunImage);
  EXPECT_EQ(Writes().back().address, kControl);
  EXPECT_EQ(Writes().back().value, kIdleImage);
  // The origin was set before the run: the positions are the file's net steps.
  EXPECT_EQ(harness.context.positions.Steps(), NetSteps(steps));
  EXPECT_TRUE(progress.count("Progression  0 %"));
  // The few thousand ticks of 20 µs take no second: the time left is the
  // run's own, never the 10 s the execution window estimated from its preset.
  EXPECT_TRUE(remaining.count("Durée restante  00:00:00"));
  EXPECT_FALSE(remaining.count("Durée restante  00:00:10"));
  for (const std::string& text : progress)
    EXPECT_THAT(text, ::testing::StartsWith("Progression  "));

  window->AnnounceEnd(outcome, false);
  EXPECT_THAT(played, ElementsAre(sound));
  ASSERT_EQ(harness.messages.shown.size(), 1u);
  EXPECT_EQ(harness.messages.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(harness.messages.shown[0].text, "Découpe terminée normalement");
}

TEST_F(StopWindowSteps, SpaceThenNoResumesWithNothingLostAndSpaceThenYesEndsInSilence) {
  harness.context.settings.Audio = true;
  const uint8_t pause = PauseControlImage(ComputeControlImages(settings), settings);
  bool pressed = false;
  keys.down = [&](Key key) {
    if (key != Key::Space || pressed || DataWrites() < 600) return false;
    return pressed = true;
  };
  harness.messages.answers = {MessageAnswer::No};
  CutRunOutcome outcome = Run();
  ASSERT_EQ(outcome.end, CutRunEnd::Completed) << outcome.message;
  ASSERT_EQ(harness.messages.shown.size(), 1u);
  EXPECT_EQ(harness.messages.shown[0].text, "Abandonner la découpe ?");
  std::string bytes;
  std::vector<int> control;
  Decode(bytes, control);
  EXPECT_EQ(bytes, steps) << "every byte once, resumed at the next one";
  ASSERT_GE(control.size(), 4u);
  EXPECT_EQ(control[0], kRunImage);
  EXPECT_EQ(control[1], pause);
  EXPECT_EQ(control[2], kRunImage) << "heated again before the rest of the ticks";
  EXPECT_EQ(control.back(), kIdleImage);

  // The same with Yes: a stop, no sound, and it says so.
  parallel->Clear();
  harness.messages.shown.clear();
  pressed = false;
  harness.messages.answers = {MessageAnswer::Yes};
  outcome = Run();
  EXPECT_EQ(outcome.end, CutRunEnd::Stopped);
  EXPECT_EQ(harness.context.abortFlag, 1);
  bytes.clear();
  control.clear();
  Decode(bytes, control);
  EXPECT_LT(bytes.size(), steps.size());
  EXPECT_EQ(control.back(), kIdleImage);
  harness.messages.shown.clear();
  window->AnnounceEnd(outcome, false);
  ASSERT_EQ(harness.messages.shown.size(), 1u);
  EXPECT_EQ(harness.messages.shown[0].text, "Découpe interrompue.");
  EXPECT_TRUE(played.empty());
}

// Regression: the space bar held for 2 s stopped the run, then its repeats
// answered "Abandonner la découpe ?" and went on pressing buttons. Here they
// come as an X server sends them without detectable auto-repeat (a release
// and a press at the same moment) and flagged; the question, a real box,
// waits for the deliberate "Non".
TEST_F(StopWindowSteps, AHeldSpaceBarStopsTheRunButItsRepeatsAnswerNothing) {
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
  EXPECT_EQ(phase, 2) << "the question was never asked";
  EXPECT_TRUE(stillAsking) << "a repeat answered the question";
  ASSERT_EQ(outcome.end, CutRunEnd::Completed) << outcome.message;
  std::string bytes;
  std::vector<int> control;
  Decode(bytes, control);
  EXPECT_EQ(bytes, steps);
  EXPECT_FALSE(filter.IsKeyDown(Key::Space));
}

TEST_F(StopWindowSteps, WithoutResumeSpaceEndsAtOnceWithoutAQuestion) {
  harness.context.settings.Reprise = false;
  keys.down = [&](Key key) { return key == Key::Space && DataWrites() >= 400; };
  const CutRunOutcome outcome = Run();
  EXPECT_EQ(outcome.end, CutRunEnd::Stopped);
  EXPECT_TRUE(harness.messages.shown.empty());
  std::string bytes;
  std::vector<int> control;
  Decode(bytes, control);
  EXPECT_LT(bytes.size(), steps.size());
  EXPECT_EQ(bytes, steps.substr(0, bytes.size()));
  EXPECT_EQ(control.front(), kRunImage);
  EXPECT_EQ(control.back(), kIdleImage);
  // Back in the execution window, the run does not pass for a finished one.
  window->AnnounceEnd(outcome, false);
  ASSERT_EQ(harness.messages.shown.size(), 1u);
  EXPECT_EQ(harness.messages.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(harness.messages.shown[0].text, "Découpe interrompue.");
}

TEST_F(StopWindowSteps, SpaceDuringThePreheatEndsItAtOnceWithTheHeatingOff) {
  harness.context.settings.PreChauffe = 30;
  bool panelSeen = false;
  std::string panelText;
  keys.down = [&](Key key) {
    if (window->PanelPrechauffe->isVisible()) {
      panelSeen = true;
      panelText = window->LabelPanelPrechauffe->text().toStdString();
    }
    return key == Key::Space && panelSeen;
  };
  QElapsedTimer timer;
  timer.start();
  const CutRunOutcome outcome = Run();
  EXPECT_LT(timer.elapsed(), 10000) << "the 30 s wait was not cut short";
  EXPECT_EQ(outcome.end, CutRunEnd::Stopped);
  EXPECT_TRUE(panelSeen);
  EXPECT_EQ(panelText, "Patientez  30  secondes");
  EXPECT_FALSE(window->PanelPrechauffe->isVisible());
  EXPECT_EQ(DataWrites(), 0u) << "no tick during the pre-heat";
  ASSERT_FALSE(Writes().empty());
  EXPECT_EQ(Writes().front().value, kRunImage);
  EXPECT_EQ(Writes().back().address, kControl);
  EXPECT_EQ(Writes().back().value, kIdleImage);
}

// SIGTERM while a cut runs, through the program's own path (the bridge, then
// the orderly close): the run ends first, heating off, and only then are the
// settings saved with `Run` "off". During the ticks and during the pre-heat.
TEST_F(StopWindowSteps, ATerminationSignalDuringARunLeavesTheHeatingOffThenSavesRunOff) {
  for (const int preheat : {0, 30}) {
    SCOPED_TRACE(preheat);
    ui::TMainForm mainForm(harness.context);
    ASSERT_TRUE(mainForm.FormCreate());
    harness.context.settings = settings;  // the start-up read the store's own
    harness.context.settings.PreChauffe = static_cast<uint8_t>(preheat);
    harness.context.closingOnSignal = false;
    parallel = nullptr;
    harness.context.port.reset();
    ASSERT_EQ(harness.Setting("Systeme", "Run"), "on");
    SignalBridge termination;
    QObject::connect(&termination, &SignalBridge::terminationRequested,
                     [&mainForm](int) { mainForm.OrderlyClose(); });
    bool raised = false;
    bool savedDuringTheRun = false;
    keys.down = [&](Key) {
      const bool due = preheat ? window->PanelPrechauffe->isVisible() : DataWrites() >= 600;
      if (due && !raised) {
        raised = true;
        raise(SIGTERM);
      }
      savedDuringTheRun |= harness.Setting("Systeme", "Run") == "off";
      return false;
    };
    QElapsedTimer timer;
    timer.start();
    const CutRunOutcome outcome = Run();
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_TRUE(raised);
    EXPECT_EQ(outcome.end, CutRunEnd::Stopped);
    EXPECT_FALSE(savedDuringTheRun);
    EXPECT_TRUE(harness.messages.shown.empty()) << "no question while closing";
    // The tick in progress may still write its 0; the last control write is idle.
    const auto writes = Writes();
    size_t last = writes.size();
    while (last > 0 && writes[last - 1].address != kControl) --last;
    ASSERT_GT(last, 0u);
    EXPECT_EQ(writes[last - 1].value, kIdleImage);
    if (preheat) {
      EXPECT_EQ(DataWrites(), 0u);
    }
    window->AnnounceEnd(outcome, false);
    EXPECT_TRUE(harness.messages.shown.empty()) << "no end message after a signal";
    EXPECT_TRUE(test::WaitUntil([&] { return harness.Setting("Systeme", "Run") == "off"; }, 2000));
  }
}

TEST_F(StopWindowSteps, AMissingStepFileOrAClosedSerialPortRunsNothingAndSaysWhy) {
  std::filesystem::remove(base + ".ovd");
  CutRunOutcome outcome = Run();
  EXPECT_EQ(outcome.end, CutRunEnd::Failed);
  EXPECT_EQ(outcome.message, "Fichier de découpe manquant");
  EXPECT_EQ(harness.context.abortFlag, 1);
  EXPECT_EQ(parallel, nullptr) << "the port was not even opened";
  window->AnnounceEnd(outcome, false);
  ASSERT_EQ(harness.messages.shown.size(), 1u);
  EXPECT_EQ(harness.messages.shown[0].kind, MessageKind::Warning);
  EXPECT_EQ(harness.messages.shown[0].text, "Fichier de découpe manquant");

  // The board needs the G-code file instead.
  test::WriteText(base + ".ovd", steps);
  std::filesystem::remove(base + ".ovg");
  harness.context.settings.PortType = 2;
  EXPECT_EQ(Run().message, "Fichier de découpe manquant");

  harness.context.settings.PortType = 1;
  harness.serial.openable = false;
  harness.serial.openError = "absent";
  outcome = Run();
  EXPECT_EQ(outcome.end, CutRunEnd::Failed);
  EXPECT_THAT(outcome.message, ::testing::HasSubstr("absent"));
  EXPECT_TRUE(harness.serial.written.empty());
}

TEST_F(StopWindowSteps, TheSerialLinkSendsEachByteThenItsZeroWithoutPreheat) {
  harness.context.settings.PortType = 1;
  harness.context.settings.PreChauffe = 30;  // the serial link does not heat
  harness.context.settings.OrigineAuto = 1;
  harness.serial.open = true;
  const CutRunOutcome outcome = Run();
  ASSERT_EQ(outcome.end, CutRunEnd::Completed) << outcome.message;
  std::string sent;
  for (const auto& write : harness.serial.written) sent.append(write.begin(), write.end());
  ASSERT_EQ(sent.size(), 2 * steps.size());
  for (size_t i = 0; i < steps.size(); ++i) {
    ASSERT_EQ(sent[2 * i], steps[i]) << i;
    ASSERT_EQ(sent[2 * i + 1], 0) << i;
  }
  EXPECT_EQ(harness.context.positions.Steps(), NetSteps(steps));
  EXPECT_EQ(parallel, nullptr);
}

TEST_F(StopWindowSteps, TheEndSoundPlaysOnlyWhenAskedAndAMissingFileIsSilent) {
  const CutRunOutcome done{CutRunEnd::Completed, {}};
  window->AnnounceEnd(done, true);
  EXPECT_TRUE(played.empty()) << "Audio is off";
  harness.context.settings.Audio = true;
  window->SetSoundFile(work / "absent.wav");
  window->AnnounceEnd(done, true);
  EXPECT_TRUE(played.empty());
  ASSERT_EQ(harness.messages.shown.size(), 2u);
  EXPECT_EQ(harness.messages.shown[1].text, "Simulation terminée normalement");

  // The real player with a file that is no sound: silent, never an error.
  window->SetSoundPlayer(nullptr);
  window = std::make_unique<TFormStop>(harness.context);
  window->SetSoundFile(sound);
  window->AnnounceEnd(done, false);
  EXPECT_EQ(harness.messages.Count(MessageKind::Error), 0u);
  EXPECT_EQ(harness.messages.shown.back().text, "Découpe terminée normalement");
}

TEST_F(StopWindowSteps, TheStepLinksWindowFitsTheSmallScreenWithEveryTextWhole) {
  harness.context.settings.Reprise = false;
  bool looked = false;
  keys.down = [&](Key key) {
    if (looked) return key == Key::Space;
    looked = true;
    EXPECT_EQ(window->Label3->text().toStdString(), "BARRE D'ESPACE");
    EXPECT_FALSE(window->Console->isVisible());
    EXPECT_TRUE(window->TrackBar1->isVisible());
    EXPECT_GE(window->height(), 188);
    EXPECT_LE(window->height(), 700);
    EXPECT_LE(window->width(), 1366);
    for (QLabel* label : window->findChildren<QLabel*>()) {
      if (label->isVisible() && !label->text().isEmpty()) {
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
      }
    }
    return false;
  };
  Run();
  EXPECT_TRUE(looked);
}

}  // namespace
}  // namespace orvane
