#include "ui/shapes/fiche_creation.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "ui/project/profile_panel.h"
#include "ui/shapes/shapes_fixture.h"

namespace orvane::ui {
namespace {

using Creation = ShapeWindows;

TEST_F(Creation, ARectangleFromTheMenuBecomesBothProfilesWithOneHistoryEntry) {
  WhileOpen(creation.get(), [this] {
    EXPECT_EQ(creation->windowTitle(), QStringLiteral("Orvane - Nouvelle forme"));
    EXPECT_EQ(creation->GroupBox1->title(), QStringLiteral(" RECTANGLE CHANFREINE "));
    EXPECT_EQ(creation->EditChanfrein->text(), QStringLiteral("10.000"));
    EXPECT_FALSE(creation->EditRayon->isVisible());
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
  EXPECT_FALSE(creation->isVisible());
  EXPECT_EQ(window->Profile1.raw.size(), 9u);
  EXPECT_EQ(window->Profile2.raw, window->Profile1.raw);
  EXPECT_EQ(window->Profil2->DimX->text(), QStringLiteral("120.000"));
  EXPECT_EQ(window->Profil2->title(), QStringLiteral(" PROFIL 2 : rectangle "));
  EXPECT_EQ(window->OperationHistory().Captions(), std::vector<std::string>{"Créer rectangle"});
  EXPECT_TRUE(window->Profile1.modified && window->Profile2.modified);
  EXPECT_TRUE(window->Enregistrer->isEnabled());
  EXPECT_TRUE(window->Profil1->Copie->isEnabled() && window->Profil2->Copie->isEnabled());

  // The project is now unsaved work: a new shape asks first, and No keeps it.
  h.messages.answers = {MessageAnswer::No};
  window->FormeItems[kCercle]->trigger();
  EXPECT_EQ(h.messages.shown.back().text, "Abandonner les modifications en cours ?");
  EXPECT_EQ(window->Profile1.raw.size(), 9u);
}

TEST_F(Creation, AnnulerLeavesAnEmptyProject) {
  WhileOpen(creation.get(), [this] {
    EXPECT_EQ(window->Profile1.raw.size(), 91u);  // the circle's preview
    creation->Annuler->click();
  });
  window->FormeItems[kCercle]->trigger();
  EXPECT_FALSE(window->Profile1.Present());
  EXPECT_FALSE(window->Profile2.Present());
  EXPECT_EQ(window->Profil1->title(), QStringLiteral(" PROFIL 1 "));
  EXPECT_TRUE(window->OperationHistory().Captions().empty());
}

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
    // The profile is still the trapezoid offset by 20.
    EXPECT_EQ(window->Profile1.raw.size(), 5u);
    creation->Annuler->click();
  });
  window->FormeItems[kTrapezeIrregulier]->trigger();
}

TEST_F(Creation, PastedTextIsCleanedAndUnfinishedTextReadsAsZero) {
  WhileOpen(creation.get(), [this] {
    creation->EditLargeur->clear();
    creation->EditLargeur->insert(QStringLiteral("1,5 mm"));
    EXPECT_EQ(creation->EditLargeur->text(), QStringLiteral("15"));
    Leave(creation->EditHauteur, QStringLiteral("."));  // zero: the rule's 10
    EXPECT_EQ(creation->EditHauteur->text(), QStringLiteral("10.000"));
    // Regression: 0.0004 shows as 0.000 and previewed flat, while "Valider"
    // made 10: both take the value shown.
    Leave(creation->EditHauteur, QStringLiteral("0.0004"));
    EXPECT_EQ(creation->EditHauteur->text(), QStringLiteral("10.000"));
    EXPECT_EQ(window->Profil1->DimY->text(), QStringLiteral("10.000"));
    creation->Annuler->click();
  });
  window->FormeItems[kTriangleIsocele]->trigger();
}

TEST_F(Creation, ArchSidesAndRevolutionFollowTheirRules) {
  WhileOpen(creation.get(), [this] {
    EXPECT_EQ(creation->UpDown1->value(), 36);
    creation->UpDown1->stepDown();  // 35 x 180 / 360 is not whole: on to 34
    EXPECT_EQ(creation->UpDown1->value(), 34);
    EXPECT_EQ(window->Profile1.raw.size(), 2u * 17 + 3);
    creation->UpDown2->setValue(185);  // the revolution resets the sides to 36
    EXPECT_EQ(creation->UpDown1->value(), 36);
    EXPECT_EQ(window->Profile1.raw.size(), 2u * 18 + 3);
    creation->Apercu1->click();  // unchecked: the saved (empty) project comes back
    EXPECT_FALSE(window->Profile1.Present());
    creation->Valider->click();
  });
  window->FormeItems[kArche]->trigger();
  EXPECT_EQ(window->Profile2.raw.size(), 39u);
  EXPECT_EQ(window->OperationHistory().Captions(), std::vector<std::string>{"Créer arche"});
}

}  // namespace
}  // namespace orvane::ui

namespace orvane::ui {
namespace {

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
