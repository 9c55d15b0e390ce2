// The shape windows, each opened from the project window's menus and driven
// while it is modal; what their shapes are is the core's test.
#include <QCheckBox>
#include <QDialog>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

#include "core/shapes/grooves.h"
#include "ui/project/profile_panel.h"
#include "ui/project_fixture.h"
#include "ui/shapes/fiche_alignement.h"
#include "ui/shapes/fiche_creation.h"
#include "ui/shapes/fiche_degagement.h"
#include "ui/shapes/fiche_rainures.h"
#include "ui/shapes/fiche_segments.h"

namespace orvane::ui {
namespace {

// The project window with every shape window.
class ShapeWindows : public ProjectFixture {
 protected:
  void SetUp() override {
    ProjectFixture::SetUp();
    h.context.settings.ConfirmeAbandon = true;
    creation = std::make_unique<TFormCreation>(window.get());
    rainures = std::make_unique<TFormRainures>(window.get());
    segment = std::make_unique<TFormSegment>(window.get());
    degagement = std::make_unique<TFormDegagement>(window.get());
    aligne = std::make_unique<TFormAligne>(window.get());
    window->SetShapeWindows(creation.get(), rainures.get(), segment.get(), degagement.get(),
                            aligne.get());
    window->resize(1366, 768);
  }
  void TearDown() override {
    ProjectFixture::TearDown();
    EXPECT_EQ(scriptsRun_, scriptsScheduled_) << "a dialog never opened";
  }

  // Runs `script` inside `dialog`'s modal loop; a dialog still open after
  // ten seconds fails the test and is closed, so nothing hangs.
  void WhileOpen(QDialog* dialog, std::function<void()> script) {
    ++scriptsScheduled_;
    QTimer::singleShot(0, dialog, [this, dialog, script] {
      ++scriptsRun_;
      EXPECT_TRUE(dialog->isVisible());
      script();
      if (!dialog->isVisible()) return;
      QTimer::singleShot(10000, dialog, [dialog] {
        if (!dialog->isVisible()) return;
        ADD_FAILURE() << "the dialog stayed open";
        dialog->done(QDialog::Rejected);
      });
    });
  }
  // Types `text` into `edit` and leaves it.
  static void Leave(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->editingFinished();
  }

  std::unique_ptr<TFormCreation> creation;
  std::unique_ptr<TFormRainures> rainures;
  std::unique_ptr<TFormSegment> segment;
  std::unique_ptr<TFormDegagement> degagement;
  std::unique_ptr<TFormAligne> aligne;

 private:
  int scriptsScheduled_ = 0, scriptsRun_ = 0;
};

using Creation = ShapeWindows;

TEST_F(Creation, ARectangleFromTheMenuBecomesBothProfilesWithOneHistoryEntry) {
  WhileOpen(creation.get(), [this] {
    EXPECT_EQ(creation->GroupBox1->title(), QStringLiteral(" RECTANGLE CHANFREINE "));
    // The live preview is profile 1 of the project (its points are the core's).
    EXPECT_EQ(window->Profil1->DimX->text(), QStringLiteral("100.000"));
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
  const PointRows rectangle = window->Profile1.raw;
  h.messages.answers = {MessageAnswer::No};
  window->FormeItems[kCercle]->trigger();
  EXPECT_EQ(h.messages.shown.back().text, "Abandonner les modifications en cours ?");
  EXPECT_EQ(window->Profile1.raw, rectangle);
}

// The rules and their reasons are the shapes' own; the window shows the
// reason beside the field and gives the accepted text back.
TEST_F(Creation, RefusedOffsetGetsItsLastTextBack) {
  WhileOpen(creation.get(), [this] {
    Leave(creation->EditChanfrein, QStringLiteral("20"));
    Leave(creation->EditChanfrein, QStringLiteral("40"));  // 100 - 70 < 40
    EXPECT_EQ(creation->EditChanfrein->text(), QStringLiteral("20.000"));
    // Said beside the field, not reverted without a word.
    QStringList beside;  // the reason's text is the shapes' test
    for (QLabel* label : creation->EditChanfrein->parentWidget()->findChildren<QLabel*>()) {
      beside << label->text();
    }
    EXPECT_TRUE(beside.join('|').contains(QStringLiteral("Décalage trop grand")));
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

using Rainures = ShapeWindows;

TEST_F(Rainures, DefaultOpenGrooveThenAClosedRoundOneIsValidated) {
  WhileOpen(rainures.get(), [this] {
    EXPECT_FALSE(rainures->EditHauteur->isEnabled());
    rainures->Modele4->click();
    EXPECT_EQ(window->Profile1.raw.size(), 39u);
    // A kerf of 6 fills a slot of 10: refused, the last accepted text comes back.
    Leave(rainures->EditTrait, QStringLiteral("6"));
    EXPECT_EQ(rainures->EditTrait->text(), QStringLiteral("1.000"));
    EXPECT_FALSE(rainures->Probleme->text().isEmpty());
    rainures->Valider->click();
  });
  window->Rainure1->trigger();
  EXPECT_EQ(window->Profile2.raw.size(), 39u);
  EXPECT_EQ(window->OperationHistory().Captions(), std::vector<std::string>{"Créer rainure"});
}

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
    EXPECT_TRUE(notes.join('|').contains(QStringLiteral("Au-delà de 360")));
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

class LeadIns : public ShapeWindows {
 protected:
  void SetUp() override {
    ShapeWindows::SetUp();
    Open(kMaison);
  }
};

// What a removal gives back is the open groove's test.
TEST_F(LeadIns, BothProfilesGetOneTheSmallerTheLongerAndRemovalTakesItBack) {
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

  window->SupprimeDegagementClick(window->Profil1);
  window->SupprimeDegagementClick(window->Profil2);
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
      EXPECT_NE(window->Profile2.raw, before2.raw);  // moved live; by how much is the core's
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
