#include "ui/cut/fiche_calcul.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "ui/cut/fiche_export_gcode.h"
#include "ui/cut/fiche_patienter.h"
#include "ui/cut/fiche_projection.h"
#include "ui/project_fixture.h"

namespace orvane::ui {
namespace {

namespace fs = std::filesystem;

class CutWindow : public ProjectFixture {
 protected:
  void SetUp() override {
    ProjectFixture::SetUp();
    calcul = std::make_unique<TFormCalcul>(h.context);
    calcul->SetWaitWindow(&wait);
    projection = std::make_unique<TFormProjection>(h.context);
    window->SetCutWindows(calcul.get(), projection.get());
    Open(kMaison);  // its root and tip differ
  }
  // "Calculer", then `generated` once the generation is over; a window that
  // never gets there fails instead of hanging.
  void WhenGenerated(const std::function<void()>& generated) {
    QTimer driver;
    int rounds = 0;
    QObject::connect(&driver, &QTimer::timeout, [&] {
      if (++rounds > 2000) calcul->reject();
      if (!calcul->isVisible() || !calcul->Generation()) return;
      driver.stop();
      generated();
    });
    driver.start(5);
    h.messages.answers = {MessageAnswer::Yes};  // "Forcer le calcul sans projections ?"
    window->CalculerClick();
    EXPECT_LT(rounds, 2000);
  }

  TFormPatienter wait;
  std::unique_ptr<TFormCalcul> calcul;
  std::unique_ptr<TFormProjection> projection;
};

// Saved and exported with the dialog's choices, the window's files are the
// command line's for the same project and stored settings.
TEST_F(CutWindow, SavesAndExportsTheCommandLinesFilesAndKeepsTheChoices) {
  h.context.settings.X2step = 400;
  h.context.settings.Y1clockwise = 1;
  WriteAllSettings(h.store, h.context.settings, nullptr, nullptr);
  WhenGenerated([this] {
    calcul->CheckBoxFiles->setChecked(true);
    QTimer::singleShot(0, calcul->ExportGcode, [this] {
      TFormExportGcode* d = calcul->ExportGcode;
      d->Axes->setCurrentText("xyuv");
      d->AvanceG94->setChecked(true);
      d->Chauffe->setChecked(true);
      // A power above SMax is refused and left as typed, never clamped.
      d->SMax->setValue(100);
      d->Puissance->setValue(300);
      d->Exporter->click();
      EXPECT_TRUE(d->isVisible());
      EXPECT_EQ(d->Puissance->value(), 300);
      d->SMax->setValue(1000);
      d->Exporter->click();
    });
    h.dialogs.chosen = h.home / "découpes/aile.nc";
    calcul->ExporterGcodeClick();
    h.dialogs.chosen = h.home / "découpes/aile.ovd";
    calcul->EnregistrerClick();
  });
  // The question, the refused power and the export's report; the save says
  // nothing when it works.
  ASSERT_EQ(h.messages.shown.size(), 3u) << h.messages.shown.back().text;
  EXPECT_EQ(h.messages.shown[1].text,
            "La puissance de chauffe doit être comprise entre 0 et 100 (SMax) : 300");
  for (const char* name : {"tmp1", "tmp2", "gcd1", "gcd2"}) {
    EXPECT_FALSE(fs::exists(h.context.settings.CutPath + name)) << name;
  }

  const std::string cliBase = h.home / "cli";
  const std::string command = "ORVANE_CONFIG_DIR='" + h.config.Path() + "' " + ORVANE_CLI +
                              " generate '" + kMaison + "' -o '" + cliBase +
                              "' --opposite --dialect xyuv --feed g94 --heat 300";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* set : {"_A", "_B"}) {
    for (const char* extension : {".ovd", ".ovg", ".ovi", ".ovs", ".nc"}) {
      const std::string window = h.home / ("découpes/aile" + std::string(set) + extension);
      const std::string cli = cliBase + set + extension;
      ASSERT_TRUE(fs::exists(window)) << window;
      EXPECT_EQ(test::ReadText(window), test::ReadText(cli)) << set << extension;
    }
  }
  EXPECT_GT(fs::file_size(cliBase + "_A.ovd"), 10000u);
  const GcodeDialectRead kept = ReadGcodeDialect(h.store);
  EXPECT_EQ(kept.dialect.axes, "XYUV");
  EXPECT_EQ(kept.dialect.power, 300);
}

TEST_F(CutWindow, EscapeAbortsAndClosesWithoutFiles) {
  test::ScriptedKeys escape;
  escape.down = [](Key key) { return key == Key::Escape; };
  h.context.keys = &escape;
  h.messages.answers = {MessageAnswer::Yes};
  window->CalculerClick();  // returns once the window has closed itself
  EXPECT_FALSE(calcul->isVisible());
  ASSERT_NE(calcul->Generation(), nullptr);
  EXPECT_TRUE(calcul->Generation()->steps.aborted);
  EXPECT_FALSE(fs::exists(h.context.settings.CutPath + "tmp1"));
  h.context.keys = nullptr;
}

TEST_F(CutWindow, AFileThatCannotBeWrittenIsNamedAndTheWindowStays) {
  fs::create_directories(h.home / "découpes/bloque.ovi");  // a folder where the header goes
  bool stayed = false;
  WhenGenerated([&] {
    h.dialogs.chosen = h.home / "découpes/bloque.ovd";
    calcul->EnregistrerClick();
    stayed = calcul->isVisible();
    calcul->reject();
  });
  EXPECT_TRUE(stayed);
  ASSERT_GE(h.messages.shown.size(), 2u);
  EXPECT_NE(h.messages.shown.back().text.find("bloque.ovi"), std::string::npos);
}

}  // namespace
}  // namespace orvane::ui
