// The start-up window over the settings store, and the settings in memory
// that the project window saves, resets and applies to the machine.
#include "ui/app/fiche_principale.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "ui/app/settings_change.h"

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
  h.Store("Systeme", "Version", "160");
  h.Store("Moteurs", "X1step", "deux cents");
  bool timerRunning = true;
  h.messages.onShow = [&] { timerRunning = mainForm.Timer1->isActive(); };
  mainForm.show();
  h.messages.onShow = nullptr;
  mainForm.Timer1->stop();
  ASSERT_EQ(h.messages.Count(MessageKind::Error), 1u);
  EXPECT_FALSE(timerRunning);
  EXPECT_THAT(h.messages.shown[0].text, HasSubstr("groupe Moteurs, valeur X1step"));
  EXPECT_EQ(h.context.settings.X1step, 200);  // the other values read is the settings' test
  project.show();
  project.close();
  EXPECT_EQ(h.Setting("Moteurs", "X1step"), "200");
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

// A whole run on the parallel link whose store has the heating and hold bits
// exchanged (heating on bit 1, hold on bit 2).
class SettingsInMemory : public WholeRun {
 protected:
  void SetUp() override {
    WholeRun::SetUp();
    h.Store("Systeme", "Version", "160");
    mainForm.show();  // first run: the factory values, then the two exchanged
    mainForm.Timer1->stop();
    h.Store("Port", "BitChauffe", "1");
    h.Store("Port", "BitCouple", "2");
    ReloadSettings(h.context);
    project.show();
    ASSERT_NE(h.parallel, nullptr);
  }
};

// Regression: the images were computed only at link start-up, so after a reset
// that moved the heating to bit 2 the exit image (stale idle ^ new hold bit)
// was 3, which switched the heating on as the program ended.
TEST_F(SettingsInMemory, AResetThatExchangesTheBitsNeverHeatsTheWireOnExit) {
  // Link start-up: hold active on bit 2, heating (bit 1) off.
  ASSERT_EQ(h.ControlWrites(0), std::vector<uint8_t>{2});
  const size_t beforeReset = h.parallel->Writes().size();
  h.messages.answers = {MessageAnswer::Yes};
  project.ReinitialiserClick();
  EXPECT_EQ(h.context.settings.BitChauffe, 2);
  EXPECT_EQ(h.context.settings.BitCouple, 1);
  // The machine rests on the new idle image at once: hold on bit 1.
  EXPECT_EQ(h.ControlWrites(beforeReset), std::vector<uint8_t>{1});

  mainForm.OrderlyClose();  // the project window saves, then shutdown
  mainForm.close();
  const std::vector<uint8_t> after = h.ControlWrites(beforeReset);
  ASSERT_FALSE(after.empty());
  for (uint8_t value : after) EXPECT_EQ(value & 2, 0) << "heating on: " << int(value);
  EXPECT_EQ(after.back(), 0);  // hold released, heating off
}

// A change of the images rests the machine on them (the parameters window's
// and the configuration menu's tests); a new address is opened and rested.
TEST_F(SettingsInMemory, ANewAddressIsOpenedAndRestedOnTheImagesInForce) {
  h.context.settings.InvChauffe = true;  // heating now active when its bit is 0
  h.context.settings.Port = 0x278;
  SettingsChanged(h.context);
  const auto& writes = h.parallel->Writes();  // the port opened for the new address
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].address, 0x278);
  EXPECT_EQ(writes[0].value, 0);
  EXPECT_EQ(writes[1].address, 0x278 + 2);
  EXPECT_EQ(writes[1].value, 3);  // idle: hold on bit 2 active, heating bit 1 set = inactive
}

// Regression: the decimals choice was never saved ("5" then quitting left
// Decimales=3), and after a reset the pressed button kept the old choice.
TEST_F(SettingsInMemory, TheDecimalsChoiceIsSavedAndFollowsAReset) {
  project.Deci[5]->click();
  EXPECT_EQ(project.Decimals(), 5);
  ASSERT_TRUE(SaveSettings(h.context));
  EXPECT_EQ(h.Setting("Options", "Decimales"), "5");

  h.messages.answers = {MessageAnswer::Yes};
  project.ReinitialiserClick();
  EXPECT_EQ(project.Decimals(), 3);
  EXPECT_TRUE(project.Deci[3]->font().bold());
  EXPECT_FALSE(project.Deci[5]->font().bold());

  project.Deci[0]->click();
  mainForm.OrderlyClose();  // quitting saves
  EXPECT_EQ(h.Setting("Options", "Decimales"), "0");
}

}  // namespace
}  // namespace orvane::ui
