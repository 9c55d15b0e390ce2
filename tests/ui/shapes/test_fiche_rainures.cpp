#include "ui/shapes/fiche_rainures.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/project/profile_panel.h"
#include "ui/shapes/shapes_fixture.h"

namespace orvane::ui {
namespace {

using Rainures = ShapeWindows;

TEST_F(Rainures, DefaultOpenGrooveThenAClosedRoundOneIsValidated) {
  WhileOpen(rainures.get(), [this] {
    EXPECT_EQ(window->Profile1.raw, (PointRows{{"4.000000", "29.000000"},
                                               {"0.000000", "29.000000"},
                                               {"0.000000", "0.000000"},
                                               {"8.000000", "0.000000"},
                                               {"8.000000", "34.000000"}}));
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
  EXPECT_EQ(window->Profil1->title(), QStringLiteral(" PROFIL 1 : rainure "));
  EXPECT_EQ(window->OperationHistory().Captions(), std::vector<std::string>{"Créer rainure"});
  EXPECT_TRUE(window->Profile2.modified);
}

TEST_F(Rainures, AModelTheSizesDoNotSuitIsNotTaken) {
  WhileOpen(rainures.get(), [this] {
    Leave(rainures->EditProfondeur, QStringLiteral("8"));  // fine for an open groove
    ASSERT_EQ(rainures->EditProfondeur->text(), QStringLiteral("8.000"));
    const PointRows open = window->Profile1.raw;
    rainures->Modele4->click();  // the hole would reach the surface
    EXPECT_TRUE(rainures->Modele1->isChecked());
    EXPECT_EQ(window->Profile1.raw, open);
    rainures->Annuler->click();
  });
  window->Rainure1->trigger();
  EXPECT_FALSE(window->Profile1.Present());
}

}  // namespace
}  // namespace orvane::ui
