// The execution window's "Découpe" over the progress window, on the recording
// virtual port: the window steps aside for the run, comes back with the cut
// reloaded, and the bytes that reached the port are the step file's.
#include "ui/machine/stop_fixture.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "ui/machine/fiche_positionnement.h"
#include "ui/project/fiche_import.h"

namespace orvane {
namespace {

constexpr uint16_t kData = 888;

class ExecutionRun : public StopWindow {
 protected:
  void SetUp() override {
    StopWindow::SetUp();
    harness.context.settings.CutPath = out + "/";
    position = std::make_unique<ui::TFormPosition>(harness.context);
    position->SetStopWindow(window.get());
    position->show();
    harness.dialogs.chosen = base + ".ovi";
    position->OuvrirClick();
  }
  // The patterns played: every other data write, the others are the 0s.
  std::string Played() {
    std::string bytes;
    bool pattern = true;
    for (const auto& w : parallel->Writes()) {
      if (w.address != kData) continue;
      if (pattern) bytes += static_cast<char>(w.value);
      pattern = !pattern;
    }
    return bytes;
  }

  std::unique_ptr<ui::TFormPosition> position;
};

TEST_F(ExecutionRun, AStepFileGoneSinceOpeningIsNamedAndNothingIsWritten) {
  ASSERT_TRUE(position->Lancer->isEnabled());
  std::filesystem::remove(base + ".ovd");
  position->LancerClick();
  ASSERT_FALSE(harness.messages.shown.empty());
  EXPECT_EQ(harness.messages.shown.back().kind, MessageKind::Warning);
  EXPECT_EQ(harness.messages.shown.back().text, "Fichier de découpe manquant");
  EXPECT_TRUE(parallel == nullptr || parallel->Writes().empty());
  EXPECT_EQ(harness.context.abortFlag, 1);
  // The reload sees the missing file: no more "Découpe".
  EXPECT_FALSE(position->Lancer->isEnabled());
  EXPECT_TRUE(position->isVisible());
}

TEST_F(ExecutionRun, TheModalWindowStaysOpenAfterARun) {
  // As "Découper" opens it: the open dialog at once, then a run from its loop.
  position->hide();
  enum { Opening, Running, Ran, Closed } stage = Opening;
  int rounds = 0;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (++rounds > 4000) position->reject();  // stuck: fail instead of hanging
    if (stage == Opening && position->isVisible() && position->Lancer->isEnabled()) {
      stage = Running;
      position->Lancer->click();
      stage = Ran;
    } else if (stage == Ran && position->isVisible()) {
      stage = Closed;
      position->Fermer->click();
    }
  });
  driver.start(5);
  harness.dialogs.requests.clear();
  position->Run();
  driver.stop();
  EXPECT_EQ(stage, Closed) << "the window closed with the run";
  EXPECT_EQ(harness.dialogs.requests.size(), 1u);
  EXPECT_EQ(Played(), test::ReadText(base + ".ovd"));
  EXPECT_EQ(harness.messages.shown.back().text, "Découpe terminée normalement");
}

// The user's whole path: the project window's "Découper", the cut chosen in
// the dialog, the block proposed, "Découpe", the end message, "Fermer".
TEST_F(StopWindow, FromDecouperToTheEndMessageAndBackToTheProjectWindow) {
  harness.context.settings.CutPath = out + "/";
  ui::TFormImport project(harness.context, nullptr);
  ui::TFormPosition position(harness.context, &project);
  position.SetStopWindow(window.get());
  project.SetPositionWindow(&position);
  project.show();
  ASSERT_TRUE(project.Decouper->isEnabled());
  harness.dialogs.chosen = base + ".ovi";

  bool projectHiddenDuringRun = false, positionHiddenDuringRun = false, reloaded = false;
  bool ran = false;
  int rounds = 0;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (!position.isVisible() || ran) return;
    if (++rounds > 500) return position.Fermer->click();
    if (!position.Lancer->isEnabled()) return;
    ran = true;
    driver.stop();
    position.Auto->click();
    projectHiddenDuringRun = !project.isVisible();
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (window->isVisible()) positionHiddenDuringRun = !position.isVisible();
    });
    watcher.start(1);
    position.Lancer->click();  // returns once the run has ended
    watcher.stop();
    // Back with the cut reloaded and still runnable.
    reloaded = position.isVisible() && position.windowTitle().contains(QStringLiteral("WING ]")) &&
               position.Lancer->isEnabled();
    position.Fermer->click();
  });
  driver.start(5);
  project.DecouperClick();
  driver.stop();

  ASSERT_TRUE(ran) << "the cut never became runnable";
  EXPECT_TRUE(projectHiddenDuringRun);
  EXPECT_TRUE(positionHiddenDuringRun);
  EXPECT_TRUE(reloaded);
  EXPECT_TRUE(project.isVisible());
  EXPECT_FALSE(position.isVisible());
  ASSERT_NE(parallel, nullptr);
  // The ticks follow the run image (the link's start-up wrote before it).
  std::string played;
  bool running = false, pattern = true;
  size_t zeros = 0;
  for (const auto& w : parallel->Writes()) {
    if (w.address == kData + 2) running = w.value != 1;
    if (w.address != kData || !running) continue;
    if (pattern) played += static_cast<char>(w.value);
    zeros += !pattern && w.value == 0;
    pattern = !pattern;
  }
  const std::string steps = test::ReadText(base + ".ovd");
  EXPECT_TRUE(played == steps) << played.size() << " bytes played of " << steps.size();
  EXPECT_EQ(zeros, steps.size()) << "each tick ends with 0";
  // The run ends on the idle image: hold kept, heating off.
  EXPECT_EQ(parallel->Writes().back().address, kData + 2);
  EXPECT_EQ(parallel->Writes().back().value, 1);
  ASSERT_FALSE(harness.messages.shown.empty());
  EXPECT_EQ(harness.messages.shown.back().text, "Découpe terminée normalement");
  EXPECT_EQ(harness.context.abortFlag, 0);
  project.CloseWithoutQuestions();
}

}  // namespace
}  // namespace orvane
