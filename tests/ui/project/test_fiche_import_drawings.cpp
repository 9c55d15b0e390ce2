// Drawings and projects chosen in the scripted file dialog.

#include <filesystem>

#include "core/project/drawing_readers.h"
#include "ui/project/preview_widget.h"
#include "ui/project_fixture.h"

namespace orvane::ui {
namespace {

using DrawingImport = ProjectFixture;

// Regression: browsing one file and confirming another imported the browsed
// outline under the confirmed file's name.
TEST_F(DrawingImport, TheConfirmedFileIsTheOneReadAndABadOneReadsNothing) {
  h.dialogs.browsed = {kData + "/drawings/circle.dxf"};
  h.dialogs.chosen = kData + "/drawings/square_lwpolyline.dxf";
  window->ImporterClick(p1);
  EXPECT_EQ(window->Profile1.raw.size(), 5u);
  EXPECT_EQ(p1->title(), QStringLiteral(" PROFIL 1 : square_lwpolyline "));
  h.context.settings.DxfStricte = true;  // a bulge is beyond the marker-driven reader
  for (const std::string& bad : {kData + "/README.md", kData + "/drawings/bulge.dxf"}) {
    h.dialogs.chosen = bad;
    window->ImporterClick(p1);
    EXPECT_EQ(window->Profile1.raw.size(), 5u) << bad;
  }
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
  EXPECT_EQ(h.messages.shown[0].text,
            "Ce projet ne peut pas être ouvert\nProjet incompatible avec cette version");
  h.dialogs.browsed = {h.home / "vieux.ovp"};
  h.dialogs.chosen = kMaison;
  h.messages.answers = {MessageAnswer::Yes};  // the imported square is unsaved
  window->ChargerClick();
  EXPECT_EQ(window->Profile1.raw.size(), 6u);
}

// Regression: a small file of many arcs made millions of points.
TEST_F(DrawingImport, ADrawingOfTooManyPointsSaysWhyOnThePreview) {
  std::string circles;
  for (size_t i = 0; i <= kMostDrawingPoints / 73; ++i)
    circles += "AcDbCircle\n\n\n\n\n\n\n\n\n\n\n";
  const std::string path = h.home / "cercles.dxf";
  test::WriteText(path, circles);
  window->BrowseDrawing(path, p2);
  EXPECT_EQ(p2->Preview->Message(),
            QStringLiteral(" Dessin trop détaillé (plus de 2000000 points) "));
  Import(p2, path);
  EXPECT_TRUE(window->Profile2.raw.empty());
  ASSERT_EQ(h.messages.shown.size(), 1u);  // the preview is gone with the dialog
  EXPECT_EQ(h.messages.shown[0].text,
            "Ce fichier n'est pas compatible avec Orvane\n"
            "Dessin trop détaillé (plus de 2000000 points)");
}

// A drawing of separate outlines is said so and still imported; the strict
// reading refuses what only the CAD reader reads; matched profiles undo as one.
TEST_F(DrawingImport, CadDrawingsAndMatchedProfiles) {
  window->BrowseDrawing(kData + "/drawings/two_squares.dxf", p1);
  EXPECT_EQ(p1->Preview->Message(), QStringLiteral(" Tracé discontinu "));
  Import(p1, kData + "/drawings/two_squares.dxf");
  EXPECT_EQ(window->Profile1.raw.size(), 10u);
  for (bool strict : {true, false}) {
    h.context.settings.DxfStricte = strict;
    window->BrowseDrawing(kData + "/drawings/polyline_bulges.dxf", p2);
    EXPECT_EQ(p2->Preview->Message().isEmpty(), !strict) << p2->Preview->Message().toStdString();
  }

  Import(p1, kData + "/airfoils/naca2412_xfoil.dat");
  EXPECT_FALSE(window->Synchroniser->isEnabled());
  Import(p2, kData + "/airfoils/naca0012_xfoil.dat");
  ASSERT_TRUE(window->Synchroniser->isEnabled());
  window->Synchroniser->click();
  EXPECT_EQ(window->Profile1.raw.size(), 161u);
  EXPECT_EQ(window->Profile2.raw.size(), 161u);
  EXPECT_EQ(window->Profile2.adjusted.size(), 161u);
  EXPECT_EQ(Captions().back(), "P1/P2 - Synchroniser les points");
  window->UndoClick();
  EXPECT_EQ(window->Profile2.raw.size(), 101u);
}

}  // namespace
}  // namespace orvane::ui
