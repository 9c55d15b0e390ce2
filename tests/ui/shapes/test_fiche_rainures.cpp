#include "ui/shapes/fiche_rainures.h"

#include <QRadioButton>

#include "ui/project/profile_panel.h"
#include "ui/shapes/shapes_fixture.h"

namespace orvane::ui {
namespace {

using Rainures = ShapeWindows;

TEST_F(Rainures, DefaultOpenGrooveThenAClosedRoundOneIsValidated) {
  WhileOpen(rainures.get(), [this] {
    EXPECT_EQ(window->Profile1.raw.size(), 5u);
    EXPECT_FALSE(rainures->EditHauteur->isEnabled());
    rainures->Modele4->click();
    EXPECT_EQ(window->Profile1.raw.size(), 39u);
    // A kerf of 6 fills a slot of 10: refused, the last accepted text comes back.
    Leave(rainures->EditTrait, QStringLiteral("6"));
    EXPECT_EQ(rainures->EditTrait->text(), QStringLiteral("1.000"));
    EXPECT_FALSE(rainures->Probleme->text().isEmpty());
    Leave(rainures->EditTrait, QString());  // zero takes 1
    EXPECT_EQ(rainures->EditTrait->text(), QStringLiteral("1.000"));
    rainures->Valider->click();
  });
  window->Rainure1->trigger();
  EXPECT_EQ(window->Profile2.raw.size(), 39u);
  EXPECT_EQ(window->OperationHistory().Captions(), std::vector<std::string>{"Créer rainure"});
}

}  // namespace
}  // namespace orvane::ui
