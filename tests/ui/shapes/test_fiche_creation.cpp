#include "ui/shapes/fiche_creation.h"

#include "ui/project/profile_panel.h"
#include "ui/shapes/shapes_fixture.h"

namespace orvane::ui {
namespace {

using Creation = ShapeWindows;

TEST_F(Creation, ARectangleFromTheMenuBecomesBothProfilesWithOneHistoryEntry) {
  WhileOpen(creation.get(), [this] {
    EXPECT_EQ(creation->GroupBox1->title(), QStringLiteral(" RECTANGLE CHANFREINE "));
    // The live preview is profile 1 of the project.
    EXPECT_EQ(window->Profile1.raw.size(), 13u);
    EXPECT_EQ(window->Profil1->DimX->text(), QStringLiteral("100.000"));
    Leave(creation->EditChanfrein, QStringLiteral("40"));  // over 75 / 2
    EXPECT_EQ(creation->EditChanfrein->text(), QStringLiteral("0.000"));
    EXPECT_EQ(window->Profile1.raw.size(), 9u);
    Leave(creation->EditLargeur, QStringLiteral("120"));
    creation->Valider->click();
  });
  window->FormeItems[kRectangleChanfrein]->trigger();
  EXPECT_EQ(window->Profile2.raw, window->Profile1.raw);
  EXPECT_EQ(window->Profil2->DimX->text(), QStringLiteral("120.000"));
  EXPECT_EQ(window->Profil2->title(), QStringLiteral(" PROFIL 2 : rectangle "));
  EXPECT_EQ(window->OperationHistory().Captions(), std::vector<std::string>{"Créer rectangle"});
  EXPECT_TRUE(window->Enregistrer->isEnabled());

  // The project is now unsaved work: a new shape asks first, and No keeps it.
  h.messages.answers = {MessageAnswer::No};
  window->FormeItems[kCercle]->trigger();
  EXPECT_EQ(h.messages.shown.back().text, "Abandonner les modifications en cours ?");
  EXPECT_EQ(window->Profile1.raw.size(), 9u);
}

// The rules and their reasons are the shapes' own; the window shows the
// reason beside the field and gives the accepted text back.
TEST_F(Creation, RefusedOffsetGetsItsLastTextBack) {
  WhileOpen(creation.get(), [this] {
    Leave(creation->EditChanfrein, QStringLiteral("20"));
    Leave(creation->EditChanfrein, QStringLiteral("40"));  // 100 - 70 < 40
    EXPECT_EQ(creation->EditChanfrein->text(), QStringLiteral("20.000"));
    // Said beside the field, not reverted without a word.
    QStringList beside;
    for (QLabel* label : creation->EditChanfrein->parentWidget()->findChildren<QLabel*>()) {
      beside << label->text();
    }
    EXPECT_TRUE(beside.contains(
        QStringLiteral("Décalage trop grand : au plus largeur - largeur 2 = 30.000.")));
    creation->Annuler->click();
  });
  window->FormeItems[kTrapezeIrregulier]->trigger();
}

TEST_F(Creation, ClosingTheProjectWindowEndsAnOpenShapeWindow) {
  // A termination signal closes the project window this way.
  WhileOpen(creation.get(), [this] {
    window->CloseWithoutQuestions();
    EXPECT_FALSE(creation->isVisible());
  });
  window->FormeItems[kCercle]->trigger();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->Profile1.Present());  // cancelled, not validated
}

}  // namespace
}  // namespace orvane::ui
