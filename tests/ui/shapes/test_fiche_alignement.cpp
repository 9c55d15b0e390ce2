#include "ui/shapes/fiche_alignement.h"

#include <QTest>
#include <QToolButton>

#include "core/common/text_number.h"
#include "ui/project/profile_panel.h"
#include "ui/shapes/shapes_fixture.h"

namespace orvane::ui {
namespace {

// The house project with an external lead-in above both profiles.
class Alignment : public ShapeWindows {
 protected:
  void SetUp() override {
    ShapeWindows::SetUp();
    Open(kMaison);
    WhileOpen(degagement.get(), [this] { degagement->ImageE[0]->click(); });
    window->AjoutDegagementClick(window->Profil1);
    ASSERT_TRUE(window->Alignement->isEnabled());
  }
  // X of the lead-in point relative to the profile's first real point.
  static double LeadInOffset(const PointRows& rows) {
    return CellNumber(rows[0].x) - CellNumber(rows[1].x);
  }
  static void Press(QPushButton* button, Qt::KeyboardModifiers keys = {}) {
    QTest::mousePress(button, Qt::LeftButton, keys);
    QTest::mouseRelease(button, Qt::LeftButton, keys);
  }
};

// The steps, their sizes and texts are the alignment's; the window maps the
// modifiers, repeats a held button, "Annuler" leaves everything as it was
// and "Appliquer" records once.
TEST_F(Alignment, ModifiersAndAHeldButtonStepThenAnnulerOrAppliquer) {
  const Profile before1 = window->Profile1, before2 = window->Profile2;
  const auto captions = window->OperationHistory().Captions();
  for (const bool apply : {false, true}) {
    WhileOpen(aligne.get(), [this, apply, before2] {
      Press(aligne->D1, Qt::ShiftModifier);
      EXPECT_EQ(aligne->DecX1->text(), QStringLiteral("+1.00  X"));
      Press(aligne->G2, Qt::ControlModifier);
      EXPECT_EQ(aligne->DecX2->text(), QStringLiteral("-0.10  X"));
      EXPECT_NEAR(LeadInOffset(window->Profile2.raw), LeadInOffset(before2.raw) + 0.1, 1e-9);
      QTest::mousePress(aligne->B1, Qt::LeftButton);
      const bool repeated =
          test::WaitUntil([this] { return aligne->DecY1->text() == QStringLiteral("+0.30  Y"); });
      QTest::mouseRelease(aligne->B1, Qt::LeftButton);
      EXPECT_TRUE(repeated);
      EXPECT_FALSE(aligne->Repeat->isActive());
      (apply ? aligne->Applique : aligne->Annuler)->click();
    });
    window->AlignementClick();
    if (apply) break;
    EXPECT_EQ(window->Profile1.raw, before1.raw);
    EXPECT_EQ(window->Profile2.raw, before2.raw);
    EXPECT_EQ(window->OperationHistory().Captions(), captions);
    EXPECT_EQ(window->Profile1.modified, before1.modified);
    EXPECT_EQ(window->Profile2.modified, before2.modified);
  }
  EXPECT_EQ(window->OperationHistory().Captions().back(), "P1/P2 - Alignement");
  EXPECT_TRUE(window->Profile1.modified && window->Profile2.modified);
}

}  // namespace
}  // namespace orvane::ui
