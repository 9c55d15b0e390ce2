#include "ui/params/fiche_parametres.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "core/machine/centronic.h"
#include "ui/machine/fiche_manettes.h"
#include "ui/machine/fiche_positionnement.h"
#include "ui/params/fiche_newdir.h"
#include "ui/params/params_widgets.h"
#include "ui/project_fixture.h"
#include "ui/window_harness.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;
using ui::TFormParametres;

// The window over the harness's settings, the parallel link started on the
// virtual port as the project window starts it.
class ParamsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    Start();
  }
  void Start() {
    MachineSettings& s = h.context.settings;
    ReadAllSettings(h.store, s, &h.serial);
    if (s.PortType == 0) {
      h.context.port = h.context.openParallelPort(s.Port);
      h.context.portBase = s.Port;
      h.context.images = ParallelLinkStartUp(*h.context.port, s);
    }
    h.context.linkStarted = true;
    s.BoardPresent = true;
    window = std::make_unique<TFormParametres>(h.context);
  }
  // Opens the window; `then` runs inside its loop, then "Fermer" is pressed.
  void Open(const std::function<void()>& then) {
    QTimer::singleShot(0, window.get(), [&] {
      then();
      if (window->isVisible()) window->Fermer[0]->click();
    });
    QTimer::singleShot(20000, window.get(), [&] { window->done(0); });  // a stuck test fails
    window->Run();
  }
  // Types `text` over an edit's content, as a paste does.
  static void Paste(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    edit->insert(text);
  }

  test::WindowHarness h;
  std::unique_ptr<TFormParametres> window;
};

TEST_F(ParamsWindow, ClosingAsksAboutExactlyTheUnsavedPagesAndNonGoesBackToTheStore) {
  Open([&] {
    Paste(window->GlobalPas, "100");
    window->GlobalAppliquerClick();
    // X1 takes "4-5": X2, which held it, takes X1's "0-1", in memory at once.
    window->BitPairClick(0, 2);
    EXPECT_TRUE(window->AxisBits[2][0]->isChecked());
    window->DossierCourant[3]->click();
    h.messages.answers = {MessageAnswer::Cancel};
    window->Fermer[1]->click();
    EXPECT_TRUE(window->isVisible());
    const std::string question = h.messages.shown.back().text;
    EXPECT_EQ(question.substr(question.find("\n\n")),
              "\n\n     ->  page Moteurs\n     ->  page Ports E/S\n     ->  page Système\n");
    h.messages.answers = {MessageAnswer::No};
  });
  EXPECT_FALSE(window->isVisible());
  // Nothing unsaved stays in memory: cuts would be generated with it.
  MachineSettings stored;
  ReadAllSettings(h.store, stored, nullptr);
  for (const SettingValue& value : AllSettingValues()) {
    EXPECT_EQ(SettingText(value, h.context.settings), SettingText(value, stored)) << value.name;
  }
  EXPECT_EQ(h.Setting("Moteurs", "X1step"), "200");
}

TEST_F(ParamsWindow, TheMotorsPageTakesGlobalValuesWithinLimitsAndSavesThem) {
  Open([&] {
    EXPECT_EQ(window->PageControl1->currentIndex(), 0);  // the board answered
    Paste(window->GlobalPas, "900");
    window->GlobalAppliquerClick();
    EXPECT_EQ(window->StepEdits[0]->text(), "200");
    EXPECT_EQ(window->GlobalPas->text(), "");
    EXPECT_FALSE(window->GlobalAppliquer->isEnabled());
    EXPECT_FALSE(window->Modified(ParamPage::Moteurs));
    Paste(window->GlobalPas, "100");
    Paste(window->GlobalVitesse, "2500");
    window->GlobalAppliquerClick();
    EXPECT_TRUE(window->Enregistrer[0]->isEnabled());
    EXPECT_TRUE(window->SaveClick(ParamPage::Moteurs));
    EXPECT_FALSE(window->Enregistrer[0]->isEnabled());
  });
  EXPECT_EQ(h.Setting("Moteurs", "Y2step"), "100");
  EXPECT_EQ(h.Setting("Moteurs", "X1speed"), "2500");
  EXPECT_TRUE(h.messages.shown.empty());
}

// Heating and hold exchanged, saved, then the program ends: the images were
// recomputed, so the exit image leaves the heating (now BIT 8) off. Images
// of the start-up would have ended on 0x03, the heating on.
TEST_F(ParamsWindow, SavingTheExchangedOutputsRestsAndExitsWithTheHeatingOff) {
  h.Store("Port", "ActChauffe", "1");
  Open([&] {
    window->PageControl1->setCurrentIndex(2);
    window->HeatBits[0]->click();
    window->HoldBits[1]->click();
    EXPECT_TRUE(window->MessagePanels[2]->isVisible());
    EXPECT_TRUE(window->SaveClick(ParamPage::Ports));
    EXPECT_FALSE(window->MessagePanels[2]->isVisible());
  });
  EXPECT_EQ(h.Setting("Port", "BitChauffe"), "1");
  StopLink(h.context.settings, h.context.images, h.context.port.get(), h.serial, h.clock);
  const auto control = h.ControlWrites();
  ASSERT_GE(control.size(), 2u);
  EXPECT_EQ(control[control.size() - 2], 0x02) << "rest: the hold on BIT 9, no heating";
  EXPECT_EQ(control.back(), 0x00) << "exit: the hold released";
}

TEST_F(ParamsWindow, ThePortsPageSavesTheAddressAndRefusesOneOutputForTwo) {
  Open([&] {
    window->HoldBits[1]->click();  // the heating's BIT 9
    EXPECT_FALSE(window->SaveClick(ParamPage::Ports));
    EXPECT_THAT(h.messages.shown.back().text, HasSubstr("BitChauffe = BitCouple = BIT 9"));
    EXPECT_EQ(h.Setting("Port", "BitCouple"), "1");
    window->HoldBits[0]->click();
    Paste(window->AdresseIO, "03bc");
    EXPECT_TRUE(window->SaveClick(ParamPage::Ports));
    EXPECT_EQ(h.Setting("Port", "Port"), "956");
    Paste(window->AdresseIO, "ABCD");
    EXPECT_TRUE(window->SaveClick(ParamPage::Ports));
    EXPECT_EQ(window->AdresseIO->text(), "03BC");  // what was kept is shown
    // "Par défaut" (the defaults are the core's) writes nothing to the port
    // until the page is saved.
    const size_t writes = h.parallel->Writes().size();
    window->DefaultClick(ParamPage::Ports);
    EXPECT_EQ(window->AdresseIO->text(), "0378");
    EXPECT_EQ(h.parallel->Writes().size(), writes);
    h.messages.answers = {MessageAnswer::No};
  });
  EXPECT_EQ(h.Setting("Port", "Port"), "956");
  EXPECT_EQ(h.context.settings.Port, 956);
}

// The board holds the settings' parameters after every save that changes
// them, even when a restore of another page cleared the flag of the edit.
TEST_F(ParamsWindow, TheBoardIsSentItsParametersWhenASaveChangesThem) {
  h.Store("Port", "PortType", "2");
  h.serial.open = true;
  Start();
  Open([&] {
    window->UpDownPente->setValue(45);
    window->RestoreClick(ParamPage::Moteurs);
    EXPECT_TRUE(window->SaveClick(ParamPage::Machine));
    EXPECT_TRUE(window->SaveClick(ParamPage::Machine));  // unchanged: not sent again
  });
  int sent = 0;
  for (const auto& packet : h.serial.written) {
    if (packet.size() != 48 || packet[1] != 0x01) continue;
    ++sent;
  }
  EXPECT_EQ(sent, 1);
}

TEST_F(ParamsWindow, TheSystemPageStoresAbsoluteExistingFoldersEndingWithASlash) {
  Open([&] {
    h.dialogs.chosenFolder = h.home / "dessins";
    window->Parcourir[1]->click();
    EXPECT_EQ(window->FolderEdits[1]->text().toStdString(), h.home / "dessins/");
    Paste(window->FolderEdits[2], "découpes/");
    EXPECT_FALSE(window->SaveClick(ParamPage::Systeme));  // the rule is the core's
    Paste(window->FolderEdits[2], QString::fromStdString(h.home / "export"));
    EXPECT_TRUE(window->SaveClick(ParamPage::Systeme));
  });
  EXPECT_EQ(h.Setting("Systeme", "DxfPath"), h.home / "dessins/");
  EXPECT_EQ(h.Setting("Systeme", "CutPath"), h.home / "export/");
}

TEST_F(ParamsWindow, TheNewFolderDialogCreatesOnlyANewFolderOfTheApplicationFolder) {
  ui::TFormNewDir dialog(h.context);
  const struct {
    const char* name;
    const char* message;  // nullptr: created
  } cases[] = {
      {"../dehors", "« / »"},  // every name the rules refuse is said so
      {"projets", "Répertoire déjà existant !"},
      {"essais", nullptr},
  };
  for (const auto& c : cases) {
    dialog.SousDossier->setText(QString::fromUtf8(c.name));
    const size_t shown = h.messages.shown.size();
    EXPECT_EQ(dialog.CreerClick(), c.message == nullptr) << c.name;
    if (c.message) {
      ASSERT_EQ(h.messages.shown.size(), shown + 1) << c.name;
      EXPECT_THAT(h.messages.shown.back().text, HasSubstr(c.message)) << c.name;
    }
  }
  EXPECT_EQ(dialog.Created(), h.home / "essais/");
  EXPECT_TRUE(std::filesystem::is_directory(h.home / "essais"));
  EXPECT_FALSE(std::filesystem::exists(h.home.Path() + "../dehors"));
}

// Opened from the project window: on closing, "Découper" follows the board
// again, and settings that break a rule are named in the status line.
class ParamsFromProject : public ui::ProjectFixture {};

TEST_F(ParamsFromProject, ClosingEnablesTheCutAgainAndTheStatusLineNamesABrokenRule) {
  h.Store("Machine", "Fil", "700");  // FilMax 600: read as it is
  Reopen();
  EXPECT_THAT(window->statusBar()->currentMessage().toStdString(), HasSubstr("(Fil = 700 mm)"));
  ui::TFormPosition position(h.context);
  window->SetPositionWindow(&position);
  TFormParametres parametres(h.context, window.get());
  window->SetParametersWindow(&parametres);
  h.context.settings.BoardPresent = false;
  window->Decouper->setEnabled(false);
  QTimer::singleShot(0, &parametres, [&] {
    EXPECT_EQ(parametres.PageControl1->currentIndex(), 2);  // no board: the ports page
    parametres.DimFil->setText("600");
    EXPECT_TRUE(parametres.SaveClick(ParamPage::Machine));
    parametres.Fermer[1]->click();
  });
  window->ParametresM->click();
  EXPECT_TRUE(window->Decouper->isEnabled());
  EXPECT_EQ(window->statusBar()->currentMessage(), "");
}

// "Contrôleur GRBL" on the ports page: a stored 3 shows as such with its
// rate, saving keeps it with the device typed, and the project window then
// offers no "Mode manuel" (its moves are step bytes) and says why.
TEST_F(ParamsFromProject, TheGrblControllerIsAPortsChoiceWithoutManualMode) {
  h.Store("Port", "PortType", "3");
  h.Store("GCode", "Bauds", "57600");
  Reopen();
  ui::TFormManettes manettes(h.context);
  window->SetManualWindow(&manettes);
  TFormParametres parametres(h.context, window.get());
  window->SetParametersWindow(&parametres);
  QTimer::singleShot(0, &parametres, [&] {
    EXPECT_EQ(parametres.RadioGroupPort[3]->text(), "Contrôleur GRBL");
    EXPECT_TRUE(parametres.RadioGroupPort[3]->isChecked());
    EXPECT_EQ(parametres.GrblBaud->currentText(), "57600");
    EXPECT_FALSE(parametres.SerialBaud->isVisibleTo(&parametres));
    EXPECT_FALSE(parametres.HoldGroup->isVisibleTo(&parametres));
    parametres.GrblBaud->setCurrentText("230400");
    parametres.SerialPortName->setEditText("/dev/ttyACM3");
    EXPECT_TRUE(parametres.SaveClick(ParamPage::Ports));
    parametres.Fermer[2]->click();
  });
  window->ParametresM->click();
  EXPECT_EQ(h.Setting("Port", "PortType"), "3");
  EXPECT_EQ(h.Setting("GCode", "Bauds"), "230400");
  EXPECT_EQ(h.Setting("Port", "SerialPort"), "/dev/ttyACM3");
  EXPECT_FALSE(window->Manettes->isEnabled());
  EXPECT_THAT(window->Manettes->statusTip().toStdString(), HasSubstr("contrôleur GRBL"));
}

}  // namespace
}  // namespace orvane
