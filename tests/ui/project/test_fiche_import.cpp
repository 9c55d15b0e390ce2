#include "ui/project/fiche_import.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <filesystem>

#include "core/app/machine_settings.h"
#include "ui/project/profile_panel.h"
#include "ui/project/profile_table_model.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

class ProjectWindow : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.Start()); }
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

TEST_F(ProjectWindow, APortThatCannotBeOpenedIsNamedWithTheReason) {
  h.store.WriteSettingString(GroupKeyPath("Port"), "PortType", "2");
  h.store.WriteSettingString(GroupKeyPath("Port"), "SerialPort", "ttyUSB7");
  h.serial.openable = false;
  h.serial.openError = "absent";
  Open();
  EXPECT_EQ(window->LinkStatus->text(),
            QStringLiteral("Liaison USB - Keldrino : carte absente (port ttyUSB7 inaccessible : "
                           "absent)"));
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

namespace orvane::ui {
namespace {

void TypeDimension(QLineEdit* edit, const QString& text) {
  QFocusEvent in(QEvent::FocusIn);
  QApplication::sendEvent(edit, &in);
  edit->setText(text);
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(edit, &out);
}

class ProjectFiles : public ProjectWindow {
 protected:
  void OpenProject(const std::string& path) {
    h.dialogs.browsed = {path};
    h.dialogs.chosen = path;
    window->ChargerClick();
  }
  std::vector<std::string> Captions() { return window->OperationHistory().Captions(); }
  const std::string maison = std::string(ORVANE_TEST_DATA) + "/maison.ovp";
};

TEST_F(ProjectFiles, OpenChangeUndoSaveAndReopenKeepThePoints) {
  Open();
  OpenProject(maison);
  ASSERT_EQ(window->Profile1.raw.size(), 6u);
  const PointRows original1 = window->Profile1.raw;
  const PointRows original2 = window->Profile2.raw;
  EXPECT_EQ(window->Profil1->title(), QStringLiteral(" PROFIL 1 : maison "));
  EXPECT_EQ(window->Profil2->title(), QStringLiteral(" PROFIL 2 : maison "));
  EXPECT_EQ(window->Profil1->DimX->text(), QStringLiteral("100.000"));
  EXPECT_EQ(window->Profil2->DimY->text(), QStringLiteral("30.000"));
  EXPECT_EQ(window->Profil1->Etat->text(), QStringLiteral(" fermé "));
  EXPECT_EQ(window->Profil1->RawModel->rowCount(), 6);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Ouvrir projet"}));
  EXPECT_FALSE(window->Enregistrer->isEnabled());

  TypeDimension(window->Profil1->DimX, QStringLiteral("200"));
  EXPECT_EQ(window->Profile1.raw[1].x, "200.000000");
  EXPECT_EQ(window->Profil1->DimY->text(), QStringLiteral("120.000"));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Ouvrir projet", "P1 - Cote X = 200"}));
  EXPECT_TRUE(window->Enregistrer->isEnabled());

  window->UndoClick();
  EXPECT_EQ(window->Profile1.raw, original1);
  EXPECT_EQ(window->Profil1->DimX->text(), QStringLiteral("100.000"));
  EXPECT_FALSE(window->Enregistrer->isEnabled());  // only the base state is left

  const std::string saved = h.home / "projets/aile.ovp";
  h.dialogs.chosen = saved;
  window->EnregistrerClick();
  EXPECT_EQ(window->Profil1->title(), QStringLiteral(" PROFIL 1 : aile "));
  EXPECT_EQ(h.dialogs.requests.back().title, "Enregistrer le projet");

  window->FermerClick();
  EXPECT_TRUE(window->Profile1.raw.empty());
  OpenProject(saved);
  EXPECT_EQ(window->Profile1.raw, original1);
  EXPECT_EQ(window->Profile2.raw, original2);
  EXPECT_EQ(window->Profil2->title(), QStringLiteral(" PROFIL 2 : aile "));
  window->close();
}

TEST_F(ProjectFiles, ProfilesOfDifferentCountsAreNotSaved) {
  Open();
  OpenProject(maison);
  window->Profile2.raw.pop_back();
  window->PushHistory("P2 - Supprimer point");
  h.dialogs.chosen = h.home / "projets/court.ovp";
  window->EnregistrerClick();
  ASSERT_FALSE(h.messages.shown.empty());
  EXPECT_NE(h.messages.shown.back().text.find("le profil 1 a 6 points et le profil 2 en a 5"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(h.home / "projets/court.ovp"));
  h.messages.answers = {MessageAnswer::Yes};
  window->close();
}

TEST_F(ProjectFiles, FewerDecimalsRewriteTheTablesWithoutAHistoryEntry) {
  Open();
  OpenProject(maison);
  window->DecimalsClick(0);
  EXPECT_EQ(window->Profile1.adjusted[1].x, "100");
  EXPECT_EQ(window->Profil1->DimX->text(), QStringLiteral("100"));
  EXPECT_EQ(Captions().size(), 1u);
  EXPECT_TRUE(window->Enregistrer->isEnabled());
  h.messages.answers = {MessageAnswer::No};
  window->close();  // "Abandonner les modifications en cours ?" No keeps it open
  EXPECT_TRUE(window->isVisible());
  h.messages.answers = {MessageAnswer::Yes};
  window->close();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(ProjectFiles, AWidthBeyondTheMachineIsClampedWithOneMessage) {
  h.store.WriteSettingString(GroupKeyPath("Machine"), "MaxX", "600");
  Open();
  OpenProject(maison);
  TypeDimension(window->Profil1->DimX, QStringLiteral("800"));
  EXPECT_EQ(window->Profil1->DimX->text(), QStringLiteral("600.000"));
  EXPECT_EQ(window->Profil1->DimY->text(), QStringLiteral("360.000"));
  ASSERT_EQ(h.messages.Count(MessageKind::Information), 1u);
  EXPECT_EQ(h.messages.shown.back().text,
            "Forme redimensionnée en raison d'un dépassement de capacité machine");
  h.messages.answers = {MessageAnswer::Yes};
  window->close();
}

TEST_F(ProjectFiles, ACancelledOpenKeepsTheDecimalsShown) {
  Open();
  std::string text = test::ReadText(maison);
  text.replace(text.find("\r\n3\r\n// dimensions"), 3, "\r\n5");
  test::WriteText(h.home / "cinq.ovp", text);
  h.dialogs.browsed = {h.home / "cinq.ovp"};
  h.dialogs.chosen.reset();
  window->ChargerClick();
  EXPECT_EQ(window->Decimals(), 3);
  OpenProject(h.home / "cinq.ovp");
  EXPECT_EQ(window->Decimals(), 3);  // the reset applies the setting, as the window shows
  window->close();
}

TEST_F(ProjectFiles, AnOldProjectIsRefusedAndNothingLoads) {
  Open();
  std::string text = test::ReadText(maison);
  text.replace(text.find("v160"), 4, "v119");
  test::WriteText(h.home / "vieux.ovp", text);
  OpenProject(h.home / "vieux.ovp");
  EXPECT_TRUE(window->Profile1.raw.empty());
  EXPECT_TRUE(Captions().empty());
  window->close();
}

}  // namespace
}  // namespace orvane::ui
