#include "ui/app/fiche_principale.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTimer>
#include <filesystem>

#include "ui/project/fiche_import.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

using ::testing::HasSubstr;

// The start-up and project windows of one run, created as the program does.
class WholeRun : public ::testing::Test {
 protected:
  void SetUp() override {
    mainForm.SetProjectWindow(&project);
    ASSERT_TRUE(mainForm.FormCreate());
  }
  test::WindowHarness h;
  TMainForm mainForm{h.context};
  TFormImport project{h.context, &mainForm};
};

// Splash, project window shown modally, its close, shutdown.
TEST_F(WholeRun, HandsOverToTheProjectWindowThenEndsTheRun) {
  bool sawProject = false;
  bool mainHidden = false;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (!project.isVisible()) return;
    sawProject = true;
    mainHidden = !mainForm.isVisible();
    watcher.stop();
    project.close();
  });
  watcher.start(5);
  mainForm.show();
  ASSERT_TRUE(test::WaitUntil([&] { return h.Setting("Systeme", "Run") == "off"; }));
  EXPECT_TRUE(sawProject);
  EXPECT_TRUE(mainHidden);

  // What reached the port meanwhile is the program run's test, on its recording.
}

// Regression: the box of unreadable settings opened after the start-up timer
// had started, so the project window opened application-modal over it. The
// box names the value, the factory one stands in, and the next save repairs
// the file.
TEST_F(WholeRun, TheSettingsBoxIsAnsweredBeforeTheProjectWindowCanOpen) {
  h.store.WriteSettingString(GroupKeyPath("Systeme"), "Version", "160");
  h.store.WriteSettingString(GroupKeyPath("Moteurs"), "X1step", "deux cents");
  h.store.WriteSettingString(GroupKeyPath("Moteurs"), "Y1step", "300");
  bool timerRunning = true;
  h.messages.onShow = [&] { timerRunning = mainForm.Timer1->isActive(); };
  mainForm.show();
  h.messages.onShow = nullptr;
  mainForm.Timer1->stop();
  ASSERT_EQ(h.messages.Count(MessageKind::Error), 1u);
  EXPECT_FALSE(timerRunning);
  EXPECT_THAT(h.messages.shown[0].text, HasSubstr("groupe Moteurs, valeur X1step"));
  EXPECT_EQ(h.context.settings.X1step, 200);
  EXPECT_EQ(h.context.settings.Y1step, 300);
  project.show();
  project.close();
  EXPECT_EQ(h.Setting("Moteurs", "X1step"), "200");
  EXPECT_EQ(h.Setting("Moteurs", "Y1step"), "300");
}

// A store that cannot be written: told once, and the run goes on to its end.
TEST(TMainForm, AStoreThatCannotBeWrittenIsToldOnceAndTheRunGoesOn) {
  test::WindowHarness h;
  std::filesystem::create_directories(h.store.Path());  // a folder named settings.ini
  TMainForm mainForm(h.context);
  TFormImport project(h.context, &mainForm);
  mainForm.SetProjectWindow(&project);
  ASSERT_TRUE(mainForm.FormCreate());
  mainForm.show();
  mainForm.Timer1->stop();
  project.show();
  project.close();
  mainForm.close();
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_THAT(h.messages.shown[0].text, HasSubstr("est un dossier"));
  EXPECT_TRUE(std::filesystem::is_directory(h.store.Path()));
  EXPECT_EQ(h.context.settings.X1step, 200);
}

}  // namespace
}  // namespace orvane::ui
