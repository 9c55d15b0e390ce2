#include <gtest/gtest.h>

#include <QLabel>
#include <filesystem>

#include "core/project/drawing_readers.h"
#include "support/temp_folder.h"
#include "ui/project/fiche_import.h"
#include "ui/project/preview_widget.h"
#include "ui/project/profile_panel.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

const std::string kData = ORVANE_TEST_DATA;

class DrawingImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    ReadAllSettings(h.store, h.context.settings, &h.serial);
    window = std::make_unique<TFormImport>(h.context, nullptr);
    window->show();
  }
  void TearDown() override { window->CloseWithoutQuestions(); }
  void Import(ProfilePanel* panel, const std::string& path) {
    h.dialogs.browsed = {path};
    h.dialogs.chosen = path;
    window->ImporterClick(panel);
  }
  test::WindowHarness h;
  std::unique_ptr<TFormImport> window;
};

TEST_F(DrawingImport, AnAirfoilWrittenByXfoilBecomesAClosedProfile) {
  Import(window->Profil1, kData + "/airfoils/naca2412_xfoil.dat");
  EXPECT_EQ(window->Profile1.raw.size(), 161u);
  EXPECT_EQ(window->Profil1->title(), QStringLiteral(" PROFIL 1 : naca2412_xfoil "));
  EXPECT_EQ(window->Profil1->Etat->text(), QStringLiteral(" fermé "));
  EXPECT_EQ(window->OperationHistory().Captions(),
            (std::vector<std::string>{"P1 - Ouvrir fichier"}));
  EXPECT_FALSE(window->Profile1.modified);
  EXPECT_TRUE(window->Profile2.raw.empty());
}

TEST_F(DrawingImport, ANameTypedWithoutBrowsingIsImportedToo) {
  h.dialogs.browsed.clear();
  h.dialogs.chosen = kData + "/airfoils/naca2412_lednicer.dat";
  window->ImporterClick(window->Profil2);
  EXPECT_EQ(window->Profile2.raw.size(), 161u);
  EXPECT_EQ(window->Profil2->title(), QStringLiteral(" PROFIL 2 : naca2412_lednicer "));
}

TEST_F(DrawingImport, UselessPointsAreCountedAndRemovedOnYes) {
  h.messages.answers = {MessageAnswer::Yes};
  Import(window->Profil2, kData + "/drawings/two_lines.dxf");
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].text, "  1 point inutile détecté, souhaitez-vous corriger ?");
  EXPECT_EQ(window->Profile2.raw.size(), 3u);
  EXPECT_EQ(window->OperationHistory().Captions().back(), "P2 - Ouvrir fichier");

  h.context.settings.Doublons = true;  // silent removal
  Import(window->Profil1, kData + "/drawings/two_lines.dxf");
  EXPECT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(window->Profile1.raw.size(), 3u);
}

TEST_F(DrawingImport, AnIncompleteOrForeignFileImportsNothing) {
  Import(window->Profil1, kData + "/drawings/bulge.dxf");
  EXPECT_TRUE(window->Profile1.raw.empty());
  Import(window->Profil1, kData + "/README.md");
  EXPECT_TRUE(window->Profile1.raw.empty());
  EXPECT_TRUE(window->OperationHistory().Captions().empty());
}

TEST_F(DrawingImport, ACutExportReadsBackIntoBothProfiles) {
  h.dialogs.browsed = {kData + "/maison.ovp"};
  h.dialogs.chosen = kData + "/maison.ovp";
  window->ChargerClick();
  const PointRows adjusted1 = window->Profile1.adjusted, adjusted2 = window->Profile2.adjusted;
  const std::string cut = h.home / "export/maison.cut";
  h.dialogs.chosen = cut;
  window->ExportCutClick();
  ASSERT_TRUE(std::filesystem::exists(cut));

  window->FermerClick();
  h.dialogs.chosen = cut;
  window->ImportCutClick();
  EXPECT_EQ(window->Profile1.adjusted, adjusted1);
  EXPECT_EQ(window->Profile2.adjusted, adjusted2);
  EXPECT_EQ(window->OperationHistory().Captions(), (std::vector<std::string>{"Importer fichier"}));
  EXPECT_EQ(window->Profil2->title(), QStringLiteral(" PROFIL 2 : maison "));
}

// Regression: browsing one file and confirming another imported the browsed
// outline under the confirmed file's name.
TEST_F(DrawingImport, TheConfirmedDrawingIsTheOneImported) {
  h.dialogs.browsed = {kData + "/drawings/circle.dxf"};
  h.dialogs.chosen = kData + "/drawings/square_lwpolyline.dxf";
  window->ImporterClick(window->Profil1);
  EXPECT_EQ(window->Profile1.raw.size(), 5u);
  EXPECT_EQ(window->Profil1->title(), QStringLiteral(" PROFIL 1 : square_lwpolyline "));

  // A confirmed file that cannot be read imports nothing, whatever was browsed.
  h.dialogs.chosen = kData + "/README.md";
  window->ImporterClick(window->Profil1);
  EXPECT_EQ(window->Profile1.raw.size(), 5u);
  EXPECT_EQ(window->Profil1->title(), QStringLiteral(" PROFIL 1 : square_lwpolyline "));
}

TEST_F(DrawingImport, TheConfirmedProjectIsTheOneOpened) {
  std::string text = test::ReadText(kData + "/maison.ovp");
  text.replace(text.find("v160"), 4, "v119");
  test::WriteText(h.home / "vieux.ovp", text);
  h.dialogs.browsed = {kData + "/maison.ovp"};
  h.dialogs.chosen = h.home / "vieux.ovp";
  window->ChargerClick();
  EXPECT_TRUE(window->Profile1.raw.empty());
  EXPECT_TRUE(window->OperationHistory().Captions().empty());
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].text,
            "Ce projet ne peut pas être ouvert\nProjet incompatible avec cette version");

  h.dialogs.browsed = {h.home / "vieux.ovp"};
  h.dialogs.chosen = kData + "/maison.ovp";
  window->ChargerClick();
  EXPECT_EQ(window->Profile1.raw.size(), 6u);
  EXPECT_EQ(window->Profil2->title(), QStringLiteral(" PROFIL 2 : maison "));
}

// Regression: a small file of many arcs made millions of points.
TEST_F(DrawingImport, ADrawingOfTooManyPointsSaysWhyOnThePreview) {
  std::string circles;
  for (size_t i = 0; i <= kMostDrawingPoints / 73; ++i)
    circles += "AcDbCircle\n\n\n\n\n\n\n\n\n\n\n";
  const std::string path = h.home / "cercles.dxf";
  test::WriteText(path, circles);
  window->BrowseDrawing(path, window->Profil2);
  EXPECT_EQ(window->Profil2->Preview->Message(),
            QStringLiteral(" Dessin trop détaillé (plus de 2000000 points) "));
  Import(window->Profil2, path);
  EXPECT_TRUE(window->Profile2.raw.empty());
  ASSERT_EQ(h.messages.shown.size(), 1u);  // the preview is gone with the dialog
  EXPECT_EQ(h.messages.shown[0].text,
            "Ce fichier n'est pas compatible avec Orvane\n"
            "Dessin trop détaillé (plus de 2000000 points)");
}

}  // namespace
}  // namespace orvane::ui
