#include "ui/params/wizard_page.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <vector>

#include "ui/params/fiche_assistant.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    MachineSettings& s = h.context.settings;
    s.MoteursType = 200, s.MoteursMode = 3, s.MoteursMeca = 400, s.LastSpeedSearch = 1;
    page = std::make_unique<WizardPage>(h.context,
                                        [this](const FeedApplication& a) { applied.push_back(a); });
    page->FormShow();
    page->show();
  }
  void Retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  test::WindowHarness h;
  std::unique_ptr<WizardPage> page;
  std::vector<FeedApplication> applied;
};

TEST_F(Wizard, ShowsTheResultAndAppliesOnlyWhatTheMotorsPageTakes) {
  EXPECT_EQ(page->EditRapport->text(), QStringLiteral("400"));
  EXPECT_FALSE(page->ResultAppliquer->isEnabled());
  EXPECT_FALSE(page->AssistantRestaurer->isEnabled());

  struct Case {
    const char* name;
    int mode;
    const char *motor, *speed, *period;
    bool applicable;
  };
  const Case cases[] = {
      // 4 mm/tr: 400 x 64 / 4 = 6400 steps/mm, 6.25 mm/s at 25 µs.
      {"faster than 25 µs allows", 6, "400", "20", "", false},
      {"speed above 20 becomes 1", 3, "200", "25", "2500", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    page->ComboMode->setCurrentIndex(c.mode);
    Retype(page->EditType, QString::fromUtf8(c.motor));
    Retype(page->EditVitesseS, QString::fromUtf8(c.speed));
    EXPECT_EQ(page->EditDelai->text(), QString::fromUtf8(c.period));
    EXPECT_EQ(page->LabelDelai->font().bold(), *c.period == 0);
    EXPECT_EQ(page->ResultAppliquer->isEnabled(), c.applicable);
    EXPECT_EQ(page->LabelRefus->text().isEmpty(), c.applicable);
    EXPECT_TRUE(page->AssistantRestaurer->isEnabled());
  }
  EXPECT_EQ(page->EditVitesseS->text(), QStringLiteral("1.00"));
  page->ResultAppliquer->click();
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_EQ(applied[0].steps, 400);
  EXPECT_EQ(applied[0].period, 2500);
  EXPECT_FALSE(page->ResultAppliquer->isEnabled() || page->AssistantRestaurer->isEnabled());

  // "  Restaurer" takes the store's values back.
  Retype(page->EditType, QStringLiteral("48"));
  page->AssistantRestaurer->click();
  EXPECT_EQ(page->EditType->text(), h.Setting("Assistant", "MoteursType").c_str());
}

// 10/34, 30/72 and a 1 mm screw: 0.1225 mm/tr, shown 0.12; with 200 full
// steps the ratio is 200 / 0.1225 = 1632, not 200 / 0.12 = 1667.
TEST_F(Wizard, TheMechanicsDialogHandsOverTheUnroundedTravel) {
  TFormAssistant* dialog = page->Assistant;
  page->ComboMode->setCurrentIndex(0);
  dialog->SelectMechanics(Mechanics::AxialTwoStage);
  EXPECT_EQ(dialog->Rapport->text(), QStringLiteral("8.16 : 1"));
  dialog->EditCA1->setText(QStringLiteral("0"));
  EXPECT_FALSE(dialog->Appliquer->isEnabled());
  EXPECT_TRUE(dialog->Avancement->text().isEmpty());
  dialog->EditCA1->setText(QStringLiteral("34"));

  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (dialog->isVisible()) dialog->Appliquer->click();
  });
  driver.start(5);
  page->Demultiplication->click();
  driver.stop();
  EXPECT_EQ(page->EditDemult->text(), QStringLiteral("0.12"));
  EXPECT_EQ(page->EditRapport->text(), QStringLiteral("1632"));
  EXPECT_EQ(page->Values().MoteursMeca, 12);
}

}  // namespace
}  // namespace orvane::ui
