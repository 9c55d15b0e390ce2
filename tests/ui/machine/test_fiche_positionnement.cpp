#include "ui/machine/fiche_positionnement.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QValidator>
#include <filesystem>

#include "core/cut/cut_generation.h"
#include "host/cut_saver.h"
#include "support/profiles.h"
#include "ui/machine/cut_preview_pane.h"
#include "ui/machine/position_fixture.h"
#include "ui/machine/up_down_buttons.h"
#include "ui/project/fiche_import.h"

namespace orvane::ui {
namespace {

namespace fs = std::filesystem;

const QString kOlder = QStringLiteral(" Découpe générée avec une version trop ancienne ");
const QString kDiffering = QStringLiteral(" Paramètres machine différents ");
const QString kNoPoints = QStringLiteral(" Fichier OVS absent ");

bool IsRed(const QLineEdit* edit) {
  return edit->styleSheet().contains(QStringLiteral("255, 0, 0"));
}

using ExecutionWindow = PositionFixture;

TEST_F(ExecutionWindow, OpensACutGeneratedAndSavedAsTheCutWindowDoes) {
  // A closed 40 × 20 mm rectangle on both faces.
  const Profile p = test::MakeProfile({{0, 0}, {40, 0}, {40, 20}, {0, 20}, {0, 0}});
  MachineSettings& s = h.context.settings;
  CutGeneration generation = GenerateCut(p.adjusted, p.adjusted, s, s.CutPath, false, nullptr);
  ASSERT_TRUE(generation.Ok()) << generation.error;
  CutSaveRequest save;
  save.cutFolder = s.CutPath;
  save.base = s.CutPath + "rect";
  const double dims[4] = {40, 20, 40, 20};
  save.header = MakeCutHeader(generation, p.adjusted, p.adjusted, 3, ProjectionState(), dims);
  save.points = &generation.table.points;
  save.settings = &s;
  ASSERT_TRUE(SaveCut(save).ok);

  Open(save.base + ".ovi");
  EXPECT_EQ(window->LastOpenedCut(), save.base + ".ovi");
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvane - Découpe et positionnement - [ ") +
                                       QString::fromStdString(save.base).toUpper() +
                                       QStringLiteral(" ]"));
  EXPECT_EQ(window->CutTickCount(), fs::file_size(save.base + ".ovd"));
  EXPECT_EQ(window->LabelGcode->text(), QStringLiteral("présent"));
  EXPECT_EQ(window->LabelBinaire->text(), QStringLiteral("présent"));
  EXPECT_EQ(window->LabelTaille1->text(), QStringLiteral("40.000 x 20.000 mm"));
  EXPECT_EQ(window->LabelPas->text(), QString::number(window->CutTickCount()));
  EXPECT_TRUE(window->LabelDifferences->text().isEmpty());
  EXPECT_TRUE(window->Preview1->ShowsPath());
  EXPECT_TRUE(window->Preview2->ShowsPath());
  EXPECT_TRUE(window->Lancer->isEnabled());
  EXPECT_TRUE(window->Detail->isEnabled());
  EXPECT_FALSE(window->Simulation->isEnabled());
  // No lead-in and equal projections: 6 mm of margin each way.
  EXPECT_EQ(window->EditLargeur->text(), QStringLiteral("46"));
  EXPECT_EQ(window->EditHauteur->text(), QStringLiteral("26"));
  EXPECT_FALSE(window->Manettes->isEnabled());
  EXPECT_FALSE(window->Memo->isEnabled());
}

TEST_F(ExecutionWindow, PreviewMessagesOfOlderDifferingAndPointlessCuts) {
  MachineSettings recorded = h.context.settings;
  // An older program's header.
  const std::string older = h.context.settings.CutPath + "vieux.ovi";
  test::WriteText(older, "// version\r\nv1.5\r\n");
  Open(older);
  EXPECT_EQ(window->Preview1->Message(), kOlder);
  EXPECT_EQ(window->Preview2->Message(), kOlder);
  EXPECT_FALSE(window->Lancer->isEnabled());
  EXPECT_FALSE(window->Auto->isEnabled());

  // Made for X2 at 400 steps per mm, inverted, on bits 6-7 of a machine
  // where X2 has 200 on bits 4-5.
  recorded.X2step = 400;
  recorded.X2clockwise = 1;
  recorded.X2io = 3;
  recorded.Y2io = 2;
  const std::string other = WriteCut("autre", Wing(true, 1500), recorded);
  // Browsing only: the window stays empty, the previews say why.
  window->BrowseCut(other);
  EXPECT_EQ(window->Preview1->Message(), kDiffering);
  EXPECT_EQ(window->Preview2->Message(), kDiffering);
  const QString x1 = QStringLiteral(" X1 = %1 pas/mm | sens normal | bits %2-%3 ")
                         .arg(recorded.X1step)
                         .arg(2 * recorded.X1io)
                         .arg(2 * recorded.X1io + 1);
  EXPECT_EQ(window->Preview1->Details().value(0), x1);
  EXPECT_EQ(window->Preview2->Details().value(0),
            QStringLiteral(" X2 = 400 pas/mm | sens inversé | bits 6-7 "));
  EXPECT_TRUE(window->Preview2->Details().value(1).endsWith(QStringLiteral("| bits 4-5 ")));
  EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("AUTRE ]")));
  EXPECT_TRUE(window->LabelGcode->text().isEmpty());
  EXPECT_FALSE(window->Lancer->isEnabled());

  // Chosen: shown and drawn, "Découpe" off, the differences listed.
  Open(other);
  EXPECT_TRUE(window->Preview1->ShowsPath());
  EXPECT_FALSE(window->Lancer->isEnabled());
  EXPECT_FALSE(window->Auto->isEnabled());
  EXPECT_TRUE(window->Detail->isEnabled());
  const QString differences = window->LabelDifferences->text();
  EXPECT_TRUE(differences.contains(QStringLiteral("X2 : 400 pas/mm dans la découpe, 200 pas/mm")))
      << differences.toStdString();
  EXPECT_TRUE(
      differences.contains(QStringLiteral("X2 : sens inversé dans la découpe, sens normal")));

  // No point file: the header is shown, the previews say the file is missing.
  const std::string pointless =
      WriteCut("sans_points", Wing(true, 1500), h.context.settings, {true, true, false});
  Open(pointless);
  EXPECT_EQ(window->Preview1->Message(), kNoPoints);
  EXPECT_EQ(window->Preview2->Message(), kNoPoints);
  EXPECT_EQ(window->LabelTaille2->text(), QStringLiteral("280.000 x 90.000 mm"));
  EXPECT_TRUE(window->Lancer->isEnabled());
}

TEST_F(ExecutionWindow, CommandsFollowTheLinkAndTheFilesPresent) {
  struct Case {
    const char* name;
    uint8_t portType;
    bool steps, gcode;
    bool lancer, simulation, detail;
    const char* simulationTip;  // why it is off, in part
  };
  const Case cases[] = {
      {"parallel_all", 0, true, true, true, false, true, "carte USB"},
      {"serial_steps_only", 1, true, false, true, false, true, "carte USB"},
      {"parallel_gcode_only", 0, false, true, false, false, false, "carte USB"},
      {"board_gcode_only", 2, false, true, true, true, false, ""},
      {"board_steps_only", 2, true, false, false, false, true, "G-code absent"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    h.context.settings.PortType = c.portType;
    window->hide();
    window->show();
    Open(WriteCut(c.name, Wing(true, 1500), h.context.settings, {c.steps, c.gcode, true}));
    EXPECT_EQ(window->Lancer->isEnabled(), c.lancer);
    EXPECT_EQ(window->Simulation->isEnabled(), c.simulation);
    EXPECT_EQ(window->Detail->isEnabled(), c.detail);
    EXPECT_TRUE(window->Auto->isEnabled());
    const QString tip = window->Simulation->toolTip();
    EXPECT_EQ(tip.isEmpty(), !*c.simulationTip);
    EXPECT_TRUE(tip.contains(QString::fromUtf8(c.simulationTip))) << tip.toStdString();
  }
  // The board has no motor check: a cut made for other motors still runs there.
  MachineSettings recorded = h.context.settings;
  recorded.Y1step = 123;
  Open(WriteCut("board_other_motors", Wing(true, 1500), recorded, {false, true, true}));
  EXPECT_TRUE(window->Lancer->isEnabled());
}

TEST_F(ExecutionWindow, BlockSizeAutoRedEditsAndDecoupe) {
  const std::string same = WriteCut("meme", Wing(true, 1500), h.context.settings);
  const std::string differ = WriteCut("diff", Wing(false, 1500), h.context.settings);
  Open(differ);
  EXPECT_EQ(window->EditLargeur->text(), QStringLiteral("306"));
  EXPECT_EQ(window->EditHauteur->text(), QStringLiteral("106"));
  Open(same);
  EXPECT_EQ(window->EditLargeur->text(), QStringLiteral("310"));
  EXPECT_EQ(window->EditHauteur->text(), QStringLiteral("120"));
  EXPECT_EQ(window->UpDown1->Value(), 310);
  EXPECT_TRUE(window->Lancer->isEnabled());

  // The block as wide as the wider profile: red, and no cut.
  window->EditLargeur->setText(QStringLiteral("300"));
  window->BlockEditEntered(window->EditLargeur);
  EXPECT_TRUE(IsRed(window->EditLargeur));
  EXPECT_FALSE(IsRed(window->EditHauteur));
  EXPECT_FALSE(window->Preview1->BlockFits());
  EXPECT_FALSE(window->Lancer->isEnabled());
  // One millimetre more with the up button clears both.
  window->UpDown1->Up->click();
  EXPECT_EQ(window->EditLargeur->text(), QStringLiteral("301"));
  EXPECT_FALSE(IsRed(window->EditLargeur));
  EXPECT_TRUE(window->Preview1->BlockFits());
  EXPECT_TRUE(window->Lancer->isEnabled());

  // Height 100 for a 100 mm profile; then an empty and a zero edit read 100.
  window->EditHauteur->setText(QStringLiteral("100"));
  window->BlockEditEntered(window->EditHauteur);
  EXPECT_TRUE(IsRed(window->EditHauteur));
  EXPECT_FALSE(window->Lancer->isEnabled());
  window->EditHauteur->setText(QString());
  window->BlockEditEntered(window->EditHauteur);
  EXPECT_EQ(window->EditHauteur->text(), QStringLiteral("100"));
  window->EditLargeur->setText(QStringLiteral("0"));
  window->BlockEditEntered(window->EditLargeur);
  EXPECT_EQ(window->EditLargeur->text(), QStringLiteral("100"));
  // Only digits reach the edits, and no more than the up-downs' 1500.
  QString typed = QStringLiteral("12a");
  int at = 3;
  EXPECT_EQ(window->EditLargeur->validator()->validate(typed, at), QValidator::Invalid);
  window->EditLargeur->setText(QStringLiteral("9999"));
  window->BlockEditEntered(window->EditLargeur);
  EXPECT_EQ(window->EditLargeur->text(), QStringLiteral("1500"));
  // Auto puts the proposal back.
  window->AutoClick();
  EXPECT_EQ(window->EditLargeur->text(), QStringLiteral("310"));
  EXPECT_EQ(window->EditHauteur->text(), QStringLiteral("120"));
  EXPECT_TRUE(window->Lancer->isEnabled());
}

TEST_F(ExecutionWindow, SpeedPresetLabelsAndALongDuration) {
  MachineSettings& s = h.context.settings;
  s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 5000;
  s.X1step = s.Y1step = s.X2step = s.Y2step = 200;
  window->hide();
  window->show();
  EXPECT_EQ(window->PmmY2->text(), QStringLiteral("200 pas/mm"));
  EXPECT_EQ(window->TrackBar2->maximum(), 5000);
  EXPECT_EQ(window->TrackBar2->value(), 2500);
  // A million ticks without a step file: the header's count; 5000 µs each
  // is 5000 s, 1 h 23 min 20 s.
  Open(WriteCut("long", Wing(true, 1000000), s, {false, true, true}));
  EXPECT_EQ(window->CutTickCount(), 1000000u);
  EXPECT_EQ(window->DureeCoupe->text(), QStringLiteral("01:23:20"));
  EXPECT_EQ(window->vx1->text(), QStringLiteral(" 5000 "));
  EXPECT_EQ(window->Vitx1->text(), QStringLiteral("1.00 mm/s"));
  EXPECT_TRUE(window->vx1->styleSheet().isEmpty());

  // 500 above the centre: 5500 µs, slower, green; 5500 s.
  window->TrackBar2->setValue(3000);
  EXPECT_EQ(window->vy2->text(), QStringLiteral(" 5500 "));
  EXPECT_TRUE(window->vy2->styleSheet().contains(QStringLiteral("0, 203, 0")));
  EXPECT_EQ(window->Vity2->text(), QStringLiteral("0.91 mm/s"));
  EXPECT_EQ(window->DureeCoupe->text(), QStringLiteral("01:31:40"));
  // Below it: 4000 µs, blue.
  window->TrackBar2->setValue(1500);
  EXPECT_EQ(window->vx2->text(), QStringLiteral(" 4000 "));
  EXPECT_TRUE(window->vx2->styleSheet().contains(QStringLiteral("0, 136, 255")));
  EXPECT_EQ(window->Vitx2->text(), QStringLiteral("1.25 mm/s"));
  window->RazClick();
  EXPECT_EQ(window->TrackBar2->value(), 2500);
  EXPECT_EQ(window->vx2->text(), QStringLiteral(" 5000 "));
  EXPECT_TRUE(window->vx2->styleSheet().isEmpty());
  EXPECT_EQ(window->Preset().periods[0], 5000);
}

TEST_F(ExecutionWindow, CancellingReloadsTheLastCutOrEmptiesTheWindow) {
  const std::string first = WriteCut("premier", Wing(true, 1500), h.context.settings);
  Open(first);
  ASSERT_TRUE(window->Lancer->isEnabled());
  // Browsing an older cut and something that is not a header, then cancelling.
  const std::string older = h.context.settings.CutPath + "vieux.ovi";
  test::WriteText(older, "// version\r\nv1.5\r\n");
  h.dialogs.browsed = {older, h.context.settings.CutPath + "premier.ovd"};
  h.dialogs.chosen.reset();
  window->OuvrirClick();
  EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("PREMIER")));
  EXPECT_TRUE(window->Lancer->isEnabled());
  EXPECT_TRUE(window->Preview1->ShowsPath());

  // Its header gone: cancelling leaves the window empty.
  fs::remove(first);
  h.dialogs.browsed.clear();
  window->OuvrirClick();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvane - Découpe et positionnement"));
  EXPECT_EQ(window->CutTickCount(), 0u);
  EXPECT_FALSE(window->Lancer->isEnabled());
  EXPECT_FALSE(window->Auto->isEnabled());
  EXPECT_EQ(window->DureeCoupe->text(), QStringLiteral("00:00:00"));

  // A header that cannot be read is named, and nothing is loaded.
  const std::string garbled = h.context.settings.CutPath + "casse.ovi";
  test::WriteText(garbled, "// version\r\n160\r\n");
  Open(garbled);
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].kind, MessageKind::Warning);
  EXPECT_NE(h.messages.shown[0].text.find("incomplet"), std::string::npos);
  EXPECT_FALSE(window->Lancer->isEnabled());
}

TEST_F(ExecutionWindow, DecouperHidesTheProjectWindowAndOpensTheDialogAtOnce) {
  window.reset();
  TFormImport project(h.context, nullptr);
  TFormPosition position(h.context, &project);
  project.SetPositionWindow(&position);
  project.show();
  ASSERT_TRUE(project.Decouper->isEnabled());
  const std::string cut = WriteCut("aile", Wing(true, 1500), h.context.settings);
  h.dialogs.chosen = cut;

  bool projectHidden = false, loaded = false;
  QTimer driver;
  int rounds = 0;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (!position.isVisible()) return;
    if (++rounds > 500 || !h.dialogs.requests.empty()) {
      projectHidden = !project.isVisible();
      loaded = position.Lancer->isEnabled();
      position.Fermer->click();
    }
  });
  driver.start(5);
  project.DecouperClick();
  driver.stop();
  EXPECT_LT(rounds, 500) << "the open dialog never came";
  ASSERT_EQ(h.dialogs.requests.size(), 1u);
  EXPECT_EQ(h.dialogs.requests[0].folder, h.context.settings.CutPath);
  EXPECT_EQ(h.dialogs.requests[0].filters.at(0), "Découpes Orvane (*.ovi)");
  EXPECT_TRUE(projectHidden);
  EXPECT_TRUE(loaded);
  EXPECT_TRUE(project.isVisible());
  project.CloseWithoutQuestions();
}

}  // namespace
}  // namespace orvane::ui
