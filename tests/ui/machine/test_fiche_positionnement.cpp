// The execution window over cut sets written straight from the header and
// point writers, and the detail view it opens.
#include "ui/machine/fiche_positionnement.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QString>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "core/app/machine_settings.h"
#include "core/cut/cut_files.h"
#include "support/temp_folder.h"
#include "support/wing_header.h"
#include "ui/cut/fiche_patienter.h"
#include "ui/machine/cut_preview_pane.h"
#include "ui/machine/fiche_binaire.h"
#include "ui/machine/up_down_buttons.h"
#include "ui/window_harness.h"

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace orvane::ui {
namespace {

// Which files of a cut set to write beside its header.
struct CutFiles {
  bool steps = true, gcode = true, points = true;
};

// The execution window over a scripted run, with cut sets written straight
// from the header and point writers so every file can be left out or made
// for other settings.
class PositionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    window = std::make_unique<TFormPosition>(h.context);
    window->show();
  }

  // Writes base + ".ovi" (and the files asked for); returns the ".ovi" path.
  std::string WriteCut(const std::string& name, const CutHeaderData& data,
                       const MachineSettings& recorded, CutFiles files = CutFiles()) {
    const std::string base = h.context.settings.CutPath + name;
    const std::vector<CutPoint> points = {
        {0, 0, 10, 5}, {10, 0, 20, 5}, {300, 50, 280, 45}, {10, 100, 20, 95}, {0, 0, 10, 5}};
    CutHeaderData header = data;
    header.segments = points.size() - 1;  // the point file is checked against it
    test::WriteText(base + ".ovi", WriteCutHeader(header, recorded, false));
    if (files.steps) test::WriteText(base + ".ovd", std::string(data.ticks, '\x01'));
    if (files.gcode) test::WriteText(base + ".ovg", "G90\r\nF300\r\nG01 X10\r\n");
    if (files.points) test::WriteText(base + ".ovs", WriteCutPoints(points, false));
    return base + ".ovi";
  }
  void Open(const std::string& path) {
    h.dialogs.browsed.clear();
    h.dialogs.chosen = path;
    window->OuvrirClick();
  }

  test::WindowHarness h;
  std::unique_ptr<TFormPosition> window;
};

namespace fs = std::filesystem;

bool IsRed(const QLineEdit* edit) {
  return edit->styleSheet().contains(QStringLiteral("255, 0, 0"));
}

using ExecutionWindow = PositionFixture;

// Which files and settings allow what is the cut opening's; the window shows
// it on its previews and buttons.
TEST_F(ExecutionWindow, PreviewMessagesOfOlderDifferingAndPointlessCuts) {
  const QString older = QStringLiteral(" Découpe générée avec une version trop ancienne ");
  test::WriteText(h.context.settings.CutPath + "vieux.ovi", "// version\r\nv1.5\r\n");
  Open(h.context.settings.CutPath + "vieux.ovi");
  EXPECT_EQ(window->Preview2->Message(), older);
  EXPECT_FALSE(window->Lancer->isEnabled() || window->Auto->isEnabled());

  MachineSettings recorded = h.context.settings;  // made for X2 at 400 steps per mm
  recorded.X2step = 400;
  const std::string other = WriteCut("autre", test::WingHeader(), recorded);
  window->BrowseCut(other);  // browsing only: the window stays empty
  EXPECT_EQ(window->Preview2->Message(), QStringLiteral(" Paramètres machine différents "));
  EXPECT_TRUE(window->LabelGcode->text().isEmpty());
  Open(other);  // chosen: drawn, "Découpe" off, the differences listed
  EXPECT_TRUE(window->Preview1->ShowsPath());
  EXPECT_FALSE(window->Lancer->isEnabled() || window->Auto->isEnabled());
  EXPECT_TRUE(window->LabelDifferences->text().contains(QStringLiteral("X2 : 400 pas/mm")));

  Open(WriteCut("sans_points", test::WingHeader(), h.context.settings, {true, true, false}));
  EXPECT_EQ(window->Preview1->Message(), QStringLiteral(" Fichier OVS absent "));
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
      {"board_gcode_only", 2, false, true, true, true, false, ""},
      {"board_steps_only", 2, true, false, false, false, true, "G-code absent"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    h.context.settings.PortType = c.portType;
    window->hide();
    window->show();
    Open(WriteCut(c.name, test::WingHeader(), h.context.settings, {c.steps, c.gcode, true}));
    EXPECT_EQ(window->Lancer->isEnabled(), c.lancer);
    EXPECT_EQ(window->Simulation->isEnabled(), c.simulation);
    EXPECT_EQ(window->Detail->isEnabled(), c.detail);
    const QString tip = window->Simulation->toolTip();
    EXPECT_EQ(tip.isEmpty(), !*c.simulationTip);
    EXPECT_TRUE(tip.contains(QString::fromUtf8(c.simulationTip))) << tip.toStdString();
  }
}

// The proposal and the fit are the cut header's; the window colours the
// size, allows no cut, and bounds what is typed.
TEST_F(ExecutionWindow, TheBlockIsProposedAndARedSizeAllowsNoCut) {
  const std::string same = WriteCut("meme", test::WingHeader(), h.context.settings);
  Open(same);  // its caption is the cancelling test's
  EXPECT_EQ(window->EditLargeur->text(), QStringLiteral("310"));
  EXPECT_EQ(window->EditHauteur->text(), QStringLiteral("120"));
  EXPECT_TRUE(window->Lancer->isEnabled());

  // The block as wide as the wider profile: red, and no cut.
  window->EditLargeur->setText(QStringLiteral("300"));
  window->BlockEditEntered(window->EditLargeur);
  EXPECT_TRUE(IsRed(window->EditLargeur));
  EXPECT_FALSE(IsRed(window->EditHauteur));
  EXPECT_FALSE(window->Lancer->isEnabled());
  window->UpDown1->Up->click();  // one millimetre more clears both
  EXPECT_EQ(window->EditLargeur->text(), QStringLiteral("301"));
  EXPECT_FALSE(IsRed(window->EditLargeur));
  EXPECT_TRUE(window->Lancer->isEnabled());
  // Empty reads the least, 1500 at most.
  window->EditHauteur->setText(QString());
  window->BlockEditEntered(window->EditHauteur);
  EXPECT_EQ(window->EditHauteur->text(), QStringLiteral("100"));
  window->EditLargeur->setText(QStringLiteral("9999"));
  window->BlockEditEntered(window->EditLargeur);
  EXPECT_EQ(window->EditLargeur->text(), QStringLiteral("1500"));
  window->AutoClick();  // the proposal back
  EXPECT_EQ(window->EditHauteur->text(), QStringLiteral("120"));
  EXPECT_TRUE(window->Lancer->isEnabled());
}

TEST_F(ExecutionWindow, TheSpeedSlidersColourTheirPeriodAndTheDuration) {
  MachineSettings& s = h.context.settings;
  s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 5000;
  window->hide();
  window->show();
  EXPECT_EQ(window->TrackBar2->value(), 2500);
  // A million ticks without a step file: the header's count.
  Open(WriteCut("long", test::WingHeader(true, 1000000), s, {false, true, true}));
  EXPECT_TRUE(window->vx1->styleSheet().isEmpty());
  window->TrackBar2->setValue(3000);  // slower: green
  EXPECT_EQ(window->vy2->text(), QStringLiteral(" 5500 "));
  EXPECT_TRUE(window->vy2->styleSheet().contains(QStringLiteral("0, 203, 0")));
  EXPECT_EQ(window->DureeCoupe->text(), QStringLiteral("01:31:40"));
  window->TrackBar2->setValue(1500);  // faster: blue
  EXPECT_TRUE(window->vx2->styleSheet().contains(QStringLiteral("0, 136, 255")));
  window->RazClick();
  EXPECT_EQ(window->TrackBar2->value(), 2500);
  EXPECT_TRUE(window->vx2->styleSheet().isEmpty());
}

TEST_F(ExecutionWindow, CancellingReloadsTheLastCutOrEmptiesTheWindow) {
  const std::string first = WriteCut("premier", test::WingHeader(), h.context.settings);
  Open(first);
  // Browsing an older cut and something that is not a header, then cancelling.
  test::WriteText(h.context.settings.CutPath + "vieux.ovi", "// version\r\nv1.5\r\n");
  h.dialogs.browsed = {h.context.settings.CutPath + "vieux.ovi",
                       h.context.settings.CutPath + "premier.ovd"};
  h.dialogs.chosen.reset();
  window->OuvrirClick();
  EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("PREMIER")));
  EXPECT_TRUE(window->Lancer->isEnabled());
  fs::remove(first);  // its header gone: cancelling leaves the window empty
  h.dialogs.browsed.clear();
  window->OuvrirClick();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvane - Découpe et positionnement"));
  EXPECT_FALSE(window->Lancer->isEnabled() || window->Auto->isEnabled());
  EXPECT_EQ(window->DureeCoupe->text(), QStringLiteral("00:00:00"));

  test::WriteText(h.context.settings.CutPath + "casse.ovi", "// version\r\n160\r\n");
  Open(h.context.settings.CutPath + "casse.ovi");  // unreadable: named, nothing loaded
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].kind, MessageKind::Warning);
  EXPECT_NE(h.messages.shown[0].text.find("incomplet"), std::string::npos);
  EXPECT_FALSE(window->Lancer->isEnabled());
}

class RunLengthView : public PositionFixture {
 protected:
  void SetUp() override {
    PositionFixture::SetUp();
    binaire = std::make_unique<TFormBinaire>(h.context);
    binaire->SetWaitWindow(&wait);
    window->SetDetailWindow(binaire.get());
    folder = h.context.settings.CutPath;
  }
  TFormPatienter wait;
  std::unique_ptr<TFormBinaire> binaire;
  std::string folder;
};

// The runs, the cells' texts and the ratio are the core's; the window shows one
// row per run (the opened cut's test), and without a G-code file no ratio.
TEST_F(RunLengthView, WithoutAGcodeFileTheRatioIsLeftEmpty) {
  test::WriteText(folder + "cut.ovd", std::string("\x05\x05\x00\x0C\x0C\x0C\x93", 7));
  ASSERT_TRUE(binaire->Fill(folder + "cut.ovd", folder + "none.ovg", h.context.settings));
  EXPECT_EQ(binaire->RowCount(), 4);
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
  Open(WriteCut("aile", test::WingHeader(), h.context.settings));
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
