// The project window: its stored options, projects and drawings chosen in
// the scripted file dialog, and the "?" menu and calculator on a scripted
// desktop.
#include "ui/project/fiche_import.h"

#include <sys/stat.h>

#include <QApplication>
#include <QFocusEvent>
#include <QUrl>
#include <filesystem>

#include "host/data_files.h"
#include "ui/project/preview_widget.h"
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
  h.Store("Options", "Precision", "0");
  h.Store("Options", "Points", "off");
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
  h.Store("Port", "PortType", "2");
  h.Store("Port", "SerialPort", "ttyUSB7");
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

// The user's path through a project: open, save, reopen. A change and its
// undo are the operations' tests, a typed dimension the decimals' one.
TEST_F(ProjectWindow, OpenSaveAndReopenKeepThePoints) {
  Open(kMaison);
  const PointRows original1 = window->Profile1.raw, original2 = window->Profile2.raw;
  EXPECT_EQ(p1->Etat->text(), QStringLiteral(" fermé "));
  EXPECT_FALSE(window->Enregistrer->isEnabled());

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
  h.Store("Machine", "MaxX", "600");
  Reopen();
  Open(kMaison);
  window->DecimalsClick(0);
  EXPECT_EQ(p1->DimX->text(), QStringLiteral("100"));
  EXPECT_EQ(Captions().size(), 1u);  // no history entry
  EXPECT_TRUE(window->Enregistrer->isEnabled());
  window->DecimalsClick(3);
  TypeDimension(p1->DimX, QStringLiteral("800"));
  EXPECT_EQ(p1->DimX->text(), QStringLiteral("600.000"));
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

using DrawingImport = ProjectFixture;

// Regression: browsing one file and confirming another imported the browsed
// outline under the confirmed file's name.
TEST_F(DrawingImport, TheConfirmedFileIsTheOneReadAndABadOneReadsNothing) {
  h.dialogs.browsed = {kData + "/drawings/circle.dxf"};
  h.dialogs.chosen = kData + "/drawings/square_lwpolyline.dxf";
  window->ImporterClick(p1);
  EXPECT_EQ(window->Profile1.raw.size(), 5u);
  EXPECT_EQ(p1->title(), QStringLiteral(" PROFIL 1 : square_lwpolyline "));
  h.dialogs.chosen = kData + "/README.md";  // what a reader refuses is the readers' test
  window->ImporterClick(p1);
  EXPECT_EQ(window->Profile1.raw.size(), 5u);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"P1 - Ouvrir fichier"}));

  std::string text = test::ReadText(kMaison);
  text.replace(text.find("v160"), 4, "v119");
  test::WriteText(h.home / "vieux.ovp", text);
  h.dialogs.browsed = {kMaison};
  h.dialogs.chosen = h.home / "vieux.ovp";
  h.messages.shown.clear();
  window->ChargerClick();
  EXPECT_EQ(window->Profile1.raw.size(), 5u);
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_NE(h.messages.shown[0].text.find("Projet incompatible"), std::string::npos);
  h.dialogs.browsed = {h.home / "vieux.ovp"};
  h.dialogs.chosen = kMaison;
  h.messages.answers = {MessageAnswer::Yes};  // the imported square is unsaved
  window->ChargerClick();
  EXPECT_EQ(window->Profile1.raw.size(), 6u);
}

// A drawing of separate outlines is said so and still imported; the strict
// reading refuses what only the CAD reader reads; matched profiles undo as one.
TEST_F(DrawingImport, CadDrawingsAndMatchedProfiles) {
  window->BrowseDrawing(kData + "/drawings/two_squares.dxf", p1);
  EXPECT_EQ(p1->Preview->Message(), QStringLiteral(" Tracé discontinu "));
  Import(p1, kData + "/drawings/two_squares.dxf");
  EXPECT_TRUE(window->Profile1.Present());
  for (bool strict : {true, false}) {
    h.context.settings.DxfStricte = strict;
    window->BrowseDrawing(kData + "/drawings/polyline_bulges.dxf", p2);
    EXPECT_EQ(p2->Preview->Message().isEmpty(), !strict) << p2->Preview->Message().toStdString();
  }

  Import(p1, kData + "/airfoils/naca2412_xfoil.dat");
  EXPECT_FALSE(window->Synchroniser->isEnabled());
  Import(p2, kData + "/airfoils/naca0012_xfoil.dat");
  ASSERT_TRUE(window->Synchroniser->isEnabled());
  window->Synchroniser->click();  // the points it makes are the core's
  EXPECT_EQ(window->Profile2.adjusted.size(), window->Profile1.raw.size());
  EXPECT_EQ(Captions().back(), "P1/P2 - Synchroniser les points");
  window->UndoClick();
  EXPECT_EQ(window->Profile2.raw.size(), 101u);
}

using HelpMenu = ProjectFixture;

// Each entry: what the desktop is asked for, or the message when it cannot.
TEST_F(HelpMenu, AideDownloadAndCalculatorAskTheDesktopOrSayWhy) {
  ASSERT_EQ(ProgramDataFile("help/orvane.htm"), "");  // the working folder decides
  window->Aide->trigger();
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].text, "Fichier d'aide manquant");
  std::filesystem::create_directories(h.home / "help");
  const std::string page = h.home / "help/orvane.htm";
  test::WriteText(page, "<html></html>");
  window->Aide->trigger();
  ASSERT_EQ(h.desktop.urls.size(), 1u);
  EXPECT_EQ(QUrl(QString::fromStdString(h.desktop.urls[0])).toLocalFile().toStdString(), page);
  h.desktop.opens = false;  // no program for it: told, naming the page
  window->Aide->trigger();
  ASSERT_EQ(h.messages.shown.size(), 2u);
  EXPECT_NE(h.messages.shown[1].text.find(page), std::string::npos);

  h.desktop.urls.clear();
  h.desktop.opens = true;
  h.messages.shown.clear();
  window->SetUpdateUrl("");
  window->Telecharger->trigger();
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_NE(h.messages.shown[0].text.find("Aucune adresse"), std::string::npos);
  window->SetUpdateUrl("https://example.org/orvane/");
  window->Telecharger->trigger();
  EXPECT_EQ(h.desktop.urls, std::vector<std::string>{"https://example.org/orvane/"});

  // Which calculator is the program lookup's.
  h.desktop.searchPath = h.home / "bin";
  window->Calculatrice->trigger();
  ASSERT_EQ(h.messages.shown.size(), 2u);
  EXPECT_NE(h.messages.shown[1].text.find("Aucune calculatrice"), std::string::npos);
  std::filesystem::create_directories(h.home / "bin");
  test::WriteText(h.home / "bin/galculator", "#!/bin/sh\n");
  chmod((h.home / "bin/galculator").c_str(), 0755);
  window->Calculatrice->trigger();
  EXPECT_EQ(h.desktop.programs, std::vector<std::string>{h.home / "bin/galculator"});
  h.desktop.starts = false;
  window->Calculatrice->trigger();
  ASSERT_EQ(h.messages.shown.size(), 3u);
  EXPECT_EQ(h.messages.shown[2].kind, MessageKind::Error);
  EXPECT_NE(h.messages.shown[2].text.find("galculator"), std::string::npos);
}

}  // namespace
}  // namespace orvane::ui
