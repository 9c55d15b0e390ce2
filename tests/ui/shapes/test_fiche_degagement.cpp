#include "ui/shapes/fiche_degagement.h"

#include <QToolButton>

#include "core/common/text_number.h"
#include "core/shapes/grooves.h"
#include "ui/project/profile_panel.h"
#include "ui/shapes/shapes_fixture.h"

namespace orvane::ui {
namespace {

class LeadIns : public ShapeWindows {
 protected:
  void SetUp() override {
    ShapeWindows::SetUp();
    Open(kMaison);
  }
};

TEST_F(LeadIns, BothProfilesGetOneTheSmallerTheLongerAndRemovalTakesItBack) {
  const PointRows before1 = window->Profile1.raw, before2 = window->Profile2.raw;
  EXPECT_FALSE(window->Alignement->isEnabled());
  WhileOpen(degagement.get(), [this] {
    EXPECT_FALSE(degagement->ImageI[0]->isVisible());
    // The caption whole beside the frame's buttons.
    EXPECT_GT(degagement->width(),
              degagement->fontMetrics().horizontalAdvance(degagement->windowTitle()));
    degagement->EditLongueur->clear();
    degagement->ImageE[0]->click();  // no length: refused, and says why
    EXPECT_TRUE(degagement->isVisible());
    EXPECT_EQ(degagement->LongueurRefusee->text(),
              QStringLiteral("Indiquez une longueur de 1 à 99 mm"));
    degagement->EditLongueur->insert(QStringLiteral("123"));  // two digits at most
    EXPECT_EQ(degagement->EditLongueur->text(), QStringLiteral("12"));
    degagement->EditLongueur->setText(QStringLiteral("5"));
    degagement->ImageE[0]->click();  // up, outside
  });
  window->AjoutDegagementClick(window->Profil1);
  ASSERT_EQ(window->Profile1.raw.size(), 8u);
  ASSERT_EQ(window->Profile2.raw.size(), 8u);
  EXPECT_EQ(window->OperationHistory().Captions().back(), "P1/P2 - Ajouter dégagements");
  EXPECT_TRUE(window->Alignement->isEnabled());
  window->Profil1->Popup->aboutToShow();
  EXPECT_FALSE(window->AjoutDegagement1->isEnabled());
  EXPECT_TRUE(window->SupprimeDegagement1->isEnabled());

  window->SupprimeDegagementClick(window->Profil1);
  window->SupprimeDegagementClick(window->Profil2);
  EXPECT_EQ(window->Profile1.raw, before1);
  EXPECT_EQ(window->Profile2.raw, before2);
  EXPECT_FALSE(window->Alignement->isEnabled());
}

// Regression: on an open groove the lead-in could be added again and never
// removed (the commands keyed on the closed pattern).
TEST_F(ShapeWindows, OnAnOpenGrooveTheCommandsFollowItsLeadInInBothMenus) {
  window->ShowGeneratedProfile(*GenerateGroove(1, {}), "rainure");
  window->CommitGenerated("Créer rainure", true);
  const PointRows groove = window->Profile1.raw;
  // "Forme" holds each profile's two commands, the popup menu's own.
  EXPECT_TRUE(window->FormeDegagements2->actions().contains(window->SupprimeDegagement2));

  WhileOpen(degagement.get(), [this] { degagement->ImageE[1]->click(); });  // right
  window->AjoutDegagementClick(window->Profil1);
  ASSERT_EQ(window->Profile1.raw.size(), groove.size() + 2);
  ASSERT_EQ(window->Profile2.raw.size(), groove.size() + 2);
  for (QAction* added : {window->AjoutDegagement1, window->AjoutDegagement2})
    EXPECT_FALSE(added->isEnabled());
  for (QAction* remove : {window->SupprimeDegagement1, window->SupprimeDegagement2})
    EXPECT_TRUE(remove->isEnabled());

  window->SupprimeDegagementClick(window->Profil1);
  EXPECT_EQ(window->Profile1.raw, groove);
  EXPECT_TRUE(window->AjoutDegagement1->isEnabled());
  // Undone, the lead-in is back, and so is its command.
  window->UndoClick();
  EXPECT_EQ(window->Profile1.raw.size(), groove.size() + 2);
  EXPECT_TRUE(window->SupprimeDegagement1->isEnabled());
  EXPECT_FALSE(window->AjoutDegagement1->isEnabled());
}

}  // namespace
}  // namespace orvane::ui
