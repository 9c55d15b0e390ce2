#include "ui/project/fiche_import.h"

#include <QApplication>
#include <QFocusEvent>
#include <filesystem>

#include "ui/project_fixture.h"

namespace orvane::ui {
namespace {

using ProjectWindow = ProjectFixture;

void TypeDimension(QLineEdit* edit, const QString& text) {
  QFocusEvent in(QEvent::FocusIn);
  QApplication::sendEvent(edit, &in);
  edit->setText(text);
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(edit, &out);
}

TEST_F(ProjectWindow, ShowsTheStoredTickMarksAndWritesThemBackOnClose) {
  SetStored("Options", "Precision", "0");
  SetStored("Options", "Points", "off");
  Reopen();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvane  1.60  -  Gestionnaire de projet"));
  EXPECT_TRUE(window->Precision3->isChecked());      // "0" is "Très élevée"
  EXPECT_FALSE(window->DensitePoints->isEnabled());  // the points are not shown
  EXPECT_FALSE(window->GcodeOnly->isEnabled());      // parallel link
  EXPECT_TRUE(window->LinkStatus->text().contains(QStringLiteral("virtuel")));

  test::WriteText(h.context.startup.folders.temp + "Grids_3", "snapshot");
  window->Taille3->setChecked(true);
  window->Precision0->setChecked(true);
  window->ConfirmeEcrasement->setChecked(false);
  EXPECT_FALSE(h.dialogs.confirmOverwrite);
  window->close();
  EXPECT_EQ(h.Setting("Options", "Taille"), "3");
  EXPECT_EQ(h.Setting("Options", "Precision"), "3");
  EXPECT_EQ(h.Setting("Options", "ConfirmeEcrase"), "off");
  EXPECT_FALSE(std::filesystem::exists(h.context.startup.folders.temp + "Grids_3"));
}

TEST_F(ProjectWindow, AnAbsentBoardIsNamedWithTheReasonAndTheStoreKeptAsItWas) {
  SetStored("Port", "PortType", "2");
  SetStored("Port", "SerialPort", "ttyUSB7");
  h.serial.openable = false;
  h.serial.openError = "absent";
  Reopen();
  EXPECT_FALSE(h.context.settings.BoardPresent);
  EXPECT_TRUE(window->GcodeOnly->isEnabled());
  EXPECT_EQ(window->LinkStatus->text(),
            QStringLiteral("Liaison USB - Keldrino : carte absente (port ttyUSB7 inaccessible : "
                           "absent)"));
  const std::string before = test::ReadText(h.store.Path());
  window->Audio->setChecked(true);
  window->close();
  EXPECT_EQ(test::ReadText(h.store.Path()), before);
}

// The user's path through a project: open, change, undo, save, reopen.
TEST_F(ProjectWindow, OpenChangeUndoSaveAndReopenKeepThePoints) {
  Open(kMaison);
  const PointRows original1 = window->Profile1.raw, original2 = window->Profile2.raw;
  EXPECT_EQ(p1->Etat->text(), QStringLiteral(" fermé "));
  EXPECT_FALSE(window->Enregistrer->isEnabled());

  TypeDimension(p1->DimX, QStringLiteral("200"));
  EXPECT_EQ(p1->DimY->text(), QStringLiteral("120.000"));
  EXPECT_EQ(Captions().back(), "P1 - Cote X = 200");
  EXPECT_TRUE(window->Enregistrer->isEnabled());
  window->UndoClick();
  EXPECT_EQ(window->Profile1.raw, original1);
  EXPECT_FALSE(window->Enregistrer->isEnabled());  // only the base state is left

  const std::string saved = h.home / "projets/aile.ovp";
  h.dialogs.chosen = saved;
  window->EnregistrerClick();
  EXPECT_EQ(p1->title(), QStringLiteral(" PROFIL 1 : aile "));
  window->FermerClick();
  EXPECT_TRUE(window->Profile1.raw.empty());
  Open(saved);
  EXPECT_EQ(window->Profile1.raw, original1);
  EXPECT_EQ(window->Profile2.raw, original2);
}

TEST_F(ProjectWindow, UnequalProfilesAreNotSavedAndUnsavedWorkIsAskedAbout) {
  Open(kMaison);
  window->Profile2.raw.pop_back();
  window->PushHistory("P2 - Supprimer point");
  h.dialogs.chosen = h.home / "projets/court.ovp";
  window->EnregistrerClick();
  ASSERT_FALSE(h.messages.shown.empty());
  EXPECT_NE(h.messages.shown.back().text.find("le profil 1 a 6 points et le profil 2 en a 5"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(h.home / "projets/court.ovp"));
  h.messages.answers = {MessageAnswer::No};
  window->close();  // "Abandonner les modifications en cours ?" No keeps it open
  EXPECT_TRUE(window->isVisible());
  h.messages.answers = {MessageAnswer::Yes};
  window->close();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(ProjectWindow, FewerDecimalsAndAClampedWidthRewriteTheTables) {
  SetStored("Machine", "MaxX", "600");
  Reopen();
  Open(kMaison);
  window->DecimalsClick(0);
  EXPECT_EQ(p1->DimX->text(), QStringLiteral("100"));
  EXPECT_EQ(Captions().size(), 1u);  // no history entry
  EXPECT_TRUE(window->Enregistrer->isEnabled());
  window->DecimalsClick(3);
  TypeDimension(p1->DimX, QStringLiteral("800"));
  EXPECT_EQ(p1->DimX->text(), QStringLiteral("600.000"));
  EXPECT_EQ(p1->DimY->text(), QStringLiteral("360.000"));
  ASSERT_EQ(h.messages.Count(MessageKind::Information), 1u);
  EXPECT_EQ(h.messages.shown.back().text,
            "Forme redimensionnée en raison d'un dépassement de capacité machine");
}

TEST_F(ProjectWindow, ACancelledOpenKeepsTheDecimalsShown) {
  std::string text = test::ReadText(kMaison);
  text.replace(text.find("\r\n3\r\n// dimensions"), 3, "\r\n5");
  test::WriteText(h.home / "cinq.ovp", text);
  Choose(h.home / "cinq.ovp");
  h.dialogs.chosen.reset();
  window->ChargerClick();
  EXPECT_EQ(window->Decimals(), 3);
  Open(h.home / "cinq.ovp");
  EXPECT_EQ(window->Decimals(), 3);  // the reset applies the setting, as the window shows
}

}  // namespace
}  // namespace orvane::ui
