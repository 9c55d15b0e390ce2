#include "ui/machine/fiche_binaire.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "ui/cut/fiche_patienter.h"
#include "ui/machine/position_fixture.h"

namespace orvane::ui {
namespace {

class RunLengthView : public PositionFixture {
 protected:
  void SetUp() override {
    PositionFixture::SetUp();
    MachineSettings& s = h.context.settings;
    s.X1io = 0, s.Y1io = 1, s.X2io = 2, s.Y2io = 3;
    binaire = std::make_unique<TFormBinaire>(h.context);
    binaire->SetWaitWindow(&wait);
    window->SetDetailWindow(binaire.get());
    folder = h.context.settings.CutPath;
  }
  TFormPatienter wait;
  std::unique_ptr<TFormBinaire> binaire;
  std::string folder;
};

// The cells' texts are the core's; the window shows one row per run and the summary.
TEST_F(RunLengthView, ShowsEachRunAndTheSummary) {
  test::WriteText(folder + "cut.ovd", std::string("\x05\x05\x00\x0C\x0C\x0C\x93", 7));
  test::WriteText(folder + "cut.ovg", "G90\r\nF300\r\nG01 X1\r\nG01 X2\r\n");
  ASSERT_TRUE(binaire->Fill(folder + "cut.ovd", folder + "cut.ovg", h.context.settings));
  ASSERT_EQ(binaire->RowCount(), 4);
  EXPECT_EQ(binaire->Cell(3, 6), QStringLiteral("1ooooooo"));  // Y2's direction bit alone
  EXPECT_EQ(binaire->Sequences->text(), QStringLiteral("4"));
  EXPECT_EQ(binaire->OctetsN1->text(), QStringLiteral("7"));
  EXPECT_EQ(binaire->Rapport->text(), QStringLiteral("Rapport n1/n2  =  0.0"));

  // Without a G-code file the ratio is left empty.
  ASSERT_TRUE(binaire->Fill(folder + "cut.ovd", folder + "none.ovg", h.context.settings));
  EXPECT_EQ(binaire->LignesGcode->text(), QStringLiteral("-----"));
  EXPECT_TRUE(binaire->Rapport->text().isEmpty());
}

TEST_F(RunLengthView, EscapeStopsTheReadingAndAMissingFileIsNamed) {
  test::WriteText(folder + "cut.ovd", std::string(5000, '\x01'));
  test::ScriptedKeys escape;
  escape.down = [](Key key) { return key == Key::Escape; };
  h.context.keys = &escape;
  EXPECT_FALSE(binaire->Fill(folder + "cut.ovd", folder + "cut.ovg", h.context.settings));
  EXPECT_EQ(binaire->RowCount(), 0);
  EXPECT_FALSE(wait.isVisible());
  h.context.keys = nullptr;

  EXPECT_FALSE(binaire->Fill(folder + "none.ovd", folder + "none.ovg", h.context.settings));
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].text, "Fichier de découpe manquant");
}

TEST_F(RunLengthView, DetailsOpensTheViewOfTheOpenedCut) {
  Open(WriteCut("aile", Wing(true, 1500), h.context.settings));
  ASSERT_TRUE(window->Detail->isEnabled());
  int rows = -1, rounds = 0;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (!binaire->isVisible() && ++rounds < 500) return;
    rows = binaire->RowCount();
    binaire->Fermer->click();
  });
  driver.start(5);
  window->Detail->click();
  driver.stop();
  EXPECT_EQ(rows, 1);  // 1500 bytes of 0x01: one run
  EXPECT_FALSE(binaire->isVisible());
}

}  // namespace
}  // namespace orvane::ui
