#include "ui/shapes/fiche_segments.h"

#include <QCheckBox>
#include <QRadioButton>

#include "ui/project/profile_panel.h"
#include "ui/shapes/shapes_fixture.h"

namespace orvane::ui {
namespace {

using Segments = ShapeWindows;

TEST_F(Segments, ANewSegmentThenOneAppendedOnceThenAZeroOneRefused) {
  WhileOpen(segment.get(), [this] {
    segment->Modele2->click();
    EXPECT_EQ(segment->LabelB->text(), QStringLiteral("+ Y"));
    EXPECT_FALSE(segment->EditLongueur->isEnabled());
    Leave(segment->EditLargeur, QStringLiteral("100"));
    Leave(segment->EditHauteur, QStringLiteral("-0"));
    segment->Valider->click();
  });
  window->Segment1->trigger();
  ASSERT_EQ(window->Profile1.raw.size(), 2u);
  EXPECT_EQ(window->OperationHistory().Captions(), std::vector<std::string>{"Créer segment"});

  WhileOpen(segment.get(), [this] {
    segment->Ajouter->click();
    segment->Modele1->click();
    Leave(segment->EditAngle, QStringLiteral("90"));
    Leave(segment->EditLongueur, QStringLiteral("50"));
    segment->AllerRetour->click();
    segment->AllerSimple->click();  // each change regenerates from the profile as it was
    segment->Valider->click();
  });
  window->Segment1->trigger();
  ASSERT_EQ(window->Profile1.raw.size(), 3u);
  EXPECT_EQ(window->Profile1.raw[2], (PointText{"100.000004", "50.000000"}));
  EXPECT_EQ(window->OperationHistory().Captions(),
            (std::vector<std::string>{"Créer segment", "Ajouter segment"}));

  // Regression: the window opened still ticked and appended at once. Over
  // unsaved work, a new segment asks first; a zero segment is refused.
  const PointRows before = window->Profile1.raw;
  h.messages.answers = {MessageAnswer::No};
  WhileOpen(segment.get(), [this] {
    EXPECT_FALSE(segment->Ajouter->isChecked());
    EXPECT_EQ(window->Profile1.raw.size(), 2u) << "a new segment previewed, nothing appended";
    Leave(segment->EditAngle, QStringLiteral("400"));  // becomes 0.0, and says why
    EXPECT_EQ(segment->EditAngle->text(), QStringLiteral("0.0"));
    QStringList notes;
    for (QLabel* label : segment->findChildren<QLabel*>()) notes << label->text();
    EXPECT_TRUE(notes.contains(QStringLiteral("Au-delà de 360 degrés : remplacé par 0.0.")));
    segment->Valider->click();  // No: the window stays
    EXPECT_TRUE(segment->isVisible());
    segment->Modele2->click();
    Leave(segment->EditLargeur, QStringLiteral("0"));
    Leave(segment->EditHauteur, QStringLiteral("-"));
    segment->Valider->click();
    EXPECT_TRUE(segment->isVisible());
    EXPECT_FALSE(segment->Probleme->text().isEmpty());
    segment->Annuler->click();
  });
  window->Segment1->trigger();
  EXPECT_EQ(h.messages.shown.back().text, "Abandonner les modifications en cours ?");
  EXPECT_EQ(window->Profile1.raw, before);
}

}  // namespace
}  // namespace orvane::ui
