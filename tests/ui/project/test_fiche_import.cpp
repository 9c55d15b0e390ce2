#include "ui/project/fiche_import.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <filesystem>

#include "core/app/machine_settings.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

class ProjectWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunCreationChecks(h.host, h.store, h.messages, h.home.Path(), h.context.startup,
                                h.context.settings),
              StartupOutcome::Continue);
    RunVersionCheck(h.store, h.messages, h.context.settings);
  }
  void Open() {
    ReadAllSettings(h.store, h.context.settings, &h.serial);
    window = std::make_unique<TFormImport>(h.context, nullptr);
    window->show();
  }
  test::WindowHarness h;
  std::unique_ptr<TFormImport> window;
};

TEST_F(ProjectWindow, ShowsTheCaptionAndTheStoredTickMarks) {
  h.store.WriteSettingString(GroupKeyPath("Options"), "Precision", "0");
  h.store.WriteSettingString(GroupKeyPath("Options"), "Points", "off");
  Open();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvane  1.60  -  Gestionnaire de projet"));
  EXPECT_TRUE(window->Precision3->isChecked());  // "0" is "Très élevée"
  EXPECT_FALSE(window->Precision2->isChecked());
  EXPECT_TRUE(window->Increment2->isChecked());
  EXPECT_EQ(window->Increment2->text(), QStringLiteral("  1.0 mm"));
  EXPECT_TRUE(window->Densite1->isChecked());
  EXPECT_TRUE(window->Taille2->isChecked());
  EXPECT_FALSE(window->AfficherPoints->isChecked());
  EXPECT_FALSE(window->DensitePoints->isEnabled());
  EXPECT_FALSE(window->GcodeOnly->isEnabled());  // parallel link
  EXPECT_TRUE(window->ConfirmeEcrasement->isChecked());
  EXPECT_TRUE(window->LinkStatus->text().contains(QStringLiteral("virtuel")));
}

TEST_F(ProjectWindow, ClosingWritesTheTickMarksAndEmptiesTheHistoryFolder) {
  Open();
  test::WriteText(h.context.startup.folders.temp + "Grids_3", "snapshot");
  window->AfficherReperes->setChecked(false);
  window->Taille3->setChecked(true);
  window->Precision0->setChecked(true);
  window->ConfirmeEcrasement->setChecked(false);
  EXPECT_FALSE(h.dialogs.confirmOverwrite);
  window->close();
  EXPECT_EQ(h.Setting("Options", "Reperes"), "off");
  EXPECT_EQ(h.Setting("Options", "Taille"), "3");
  EXPECT_EQ(h.Setting("Options", "Precision"), "3");
  EXPECT_EQ(h.Setting("Options", "ConfirmeEcrase"), "off");
  EXPECT_FALSE(std::filesystem::exists(h.context.startup.folders.temp + "Grids_3"));
}

TEST_F(ProjectWindow, AnUnansweredBoardKeepsTheStoreAsItWas) {
  h.store.WriteSettingString(GroupKeyPath("Port"), "PortType", "2");
  Open();
  EXPECT_FALSE(h.context.settings.BoardPresent);
  EXPECT_TRUE(window->GcodeOnly->isEnabled());
  EXPECT_TRUE(window->LinkStatus->text().contains(QStringLiteral("carte absente")));
  const std::string before = test::ReadText(h.store.Path());
  window->Audio->setChecked(true);
  window->close();
  EXPECT_EQ(test::ReadText(h.store.Path()), before);
}

TEST_F(ProjectWindow, ResetPutsTheFactoryValuesBackAfterAYes) {
  h.store.WriteSettingString(kSettingsRoot, "Foreign", "x");
  h.store.WriteSettingString(GroupKeyPath("Options"), "Increment", "3");
  Open();
  EXPECT_TRUE(window->Increment3->isChecked());

  h.messages.answers = {MessageAnswer::No};
  window->ReinitialiserClick();
  EXPECT_EQ(h.store.ReadSettingString(kSettingsRoot, "Foreign"), "x");

  h.messages.answers = {MessageAnswer::Yes};
  window->ReinitialiserClick();
  EXPECT_EQ(h.store.ReadSettingString(kSettingsRoot, "Foreign"), "");
  EXPECT_TRUE(window->Increment2->isChecked());
  EXPECT_EQ(h.context.settings.Increment, "2");
  EXPECT_EQ(h.Setting("Systeme", "Run"), "on");
  window->close();
}

}  // namespace
}  // namespace orvane::ui
