// "Outils" -> "Configuration" -> "Sauvegarder" and "Restaurer", driven through
// the scripted dialogs, over real settings files.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <filesystem>

#include "core/app/configuration_file.h"
#include "core/machine/serial_link.h"
#include "ui/project/fiche_import.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(bytes.substr(start, end - start));
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return bytes;
}

// A running project window on the virtual parallel port, factory settings.
class ConfigurationMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    ReadAllSettings(h.store, h.context.settings, &h.serial);
    window = std::make_unique<TFormImport>(h.context, nullptr);
    window->show();
    ASSERT_NE(h.parallel, nullptr);
  }
  // The file "Sauvegarder" writes for the store as it is, as lines.
  std::vector<std::string> SavedLines() {
    const std::string path = h.home / "saved.ovr";
    h.dialogs.chosen = path;
    window->SaveConfigurationFile();
    return SplitLines(test::ReadText(path));
  }
  void Restore(const std::vector<std::string>& lines) {
    const std::string path = h.home / "restored.ovr";
    test::WriteText(path, JoinLines(lines));
    h.dialogs.chosen = path;
    window->LoadConfigurationFile();
  }
  std::vector<uint8_t> ControlWrites(size_t from) {
    std::vector<uint8_t> values;
    const auto& writes = h.parallel->Writes();
    for (size_t i = from; i < writes.size(); ++i) {
      if (writes[i].address == 888 + 2) values.push_back(writes[i].value);
    }
    return values;
  }

  test::WindowHarness h;
  std::unique_ptr<TFormImport> window;
};

TEST_F(ConfigurationMenu, SavedThenRestoredInAnotherStoreGivesTheSameSettings) {
  h.store.WriteSettingString(GroupKeyPath("Machine"), "Periode", "40");
  h.store.WriteSettingString(GroupKeyPath("Moteurs"), "Y2step", "400");
  h.store.WriteSettingString(GroupKeyPath("Systeme"), "ProjectPath", "/home/Łukasz/projets/");
  h.store.WriteSettingString(GroupKeyPath("Options"), "Audio", "on");
  const std::vector<std::string> lines = SavedLines();
  ASSERT_EQ(lines.size(), 108u);
  EXPECT_TRUE(h.messages.shown.empty());  // a save says nothing when it works
  const FileDialogRequest& save = h.dialogs.requests.back();
  EXPECT_EQ(save.title, "Enregistrer la configuration");
  EXPECT_EQ(save.folder, h.home.Path());
  EXPECT_EQ(save.filters, std::vector<std::string>{"Paramètres Orvane (*.ovr)"});
  EXPECT_EQ(save.defaultSuffix, "ovr");
  EXPECT_EQ(save.fileName, "orvane");

  test::WindowHarness other;
  ASSERT_TRUE(other.Start());
  ReadAllSettings(other.store, other.context.settings, &other.serial);
  TFormImport otherWindow(other.context, nullptr);
  otherWindow.show();
  other.dialogs.chosen = h.home / "saved.ovr";
  otherWindow.LoadConfigurationFile();
  EXPECT_EQ(other.dialogs.requests.back().title, "Charger une configuration");
  ASSERT_EQ(other.messages.shown.size(), 1u);
  EXPECT_EQ(other.messages.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(other.messages.shown[0].text, kConfigurationRestored);
  for (const ConfigurationLine& line : ConfigurationLayout()) {
    if (line.name.empty()) continue;
    const std::string path = GroupKeyPath(GroupName(line.group));
    EXPECT_EQ(other.store.ReadSettingString(path, line.name),
              h.store.ReadSettingString(path, line.name))
        << line.name;
  }
  // And the settings in memory follow the file.
  EXPECT_EQ(other.context.settings.Periode, 40);
  EXPECT_EQ(other.context.settings.ProjectPath, "/home/Łukasz/projets/");
  EXPECT_TRUE(otherWindow.Audio->isChecked());
}

TEST_F(ConfigurationMenu, ARefusedFileLeavesTheStoreAndTheWindowAsTheyWere) {
  const std::vector<std::string> good = SavedLines();
  ASSERT_EQ(good.size(), 108u);
  // Which files are refused is the reader's business; here, what the window
  // does with a refusal.
  std::vector<std::string> lines = good;
  lines[18] = "150";  // Periode
  const std::string storeBefore = test::ReadText(h.store.Path());
  const MachineSettings settingsBefore = h.context.settings;
  const size_t writesBefore = h.parallel->Writes().size();
  Restore(lines);
  ASSERT_EQ(h.messages.shown.size(), 1u);  // the refusal, and no success after it
  EXPECT_EQ(h.messages.shown[0].kind, MessageKind::Error);
  EXPECT_NE(h.messages.shown[0].text.find("Ligne 19 (Periode) : « 150 »"), std::string::npos)
      << h.messages.shown[0].text;
  EXPECT_EQ(test::ReadText(h.store.Path()), storeBefore);
  EXPECT_EQ(h.context.settings.Periode, settingsBefore.Periode);
  EXPECT_EQ(h.context.settings.Decimales, settingsBefore.Decimales);
  EXPECT_EQ(h.parallel->Writes().size(), writesBefore);  // the machine was not touched
}

TEST_F(ConfigurationMenu, AFileThatCannotBeReadOrWrittenIsNamed) {
  h.dialogs.chosen = h.home / "absent.ovr";
  window->LoadConfigurationFile();
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].kind, MessageKind::Error);
  EXPECT_NE(h.messages.shown[0].text.find(h.home / "absent.ovr"), std::string::npos);

  const std::string unwritable = h.home / "pas-de-dossier/orvane.ovr";
  h.dialogs.chosen = unwritable;
  window->SaveConfigurationFile();
  ASSERT_EQ(h.messages.shown.size(), 2u);
  EXPECT_EQ(h.messages.shown[1].kind, MessageKind::Error);
  EXPECT_NE(h.messages.shown[1].text.find(unwritable), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(unwritable));

  // A cancelled dialog does nothing at all.
  h.dialogs.chosen.reset();
  const std::string before = test::ReadText(h.store.Path());
  window->LoadConfigurationFile();
  window->SaveConfigurationFile();
  EXPECT_EQ(h.messages.shown.size(), 2u);
  EXPECT_EQ(test::ReadText(h.store.Path()), before);
}

TEST_F(ConfigurationMenu, ALoadRestsTheMachineOnTheNewIdleImageAndAppliesTheDecimals) {
  std::vector<std::string> lines = SavedLines();
  ASSERT_EQ(lines.size(), 108u);
  ASSERT_EQ(ControlWrites(0), std::vector<uint8_t>{1});  // factory: hold active on bit 1
  ASSERT_EQ(window->Decimals(), 3);
  lines[47] = "1";  // BitChauffe
  lines[52] = "2";  // BitCouple
  lines[87] = "1";  // Decimales
  const size_t before = h.parallel->Writes().size();
  Restore(lines);
  ASSERT_EQ(h.messages.shown.size(), 1u);
  EXPECT_EQ(h.messages.shown[0].kind, MessageKind::Information);
  // Hold now active on bit 2, heating (bit 1) inactive: 0b10.
  EXPECT_EQ(ControlWrites(before), std::vector<uint8_t>{2});
  EXPECT_EQ(h.context.images.IdleControlImage, 2);
  EXPECT_EQ(window->Decimals(), 1);
  EXPECT_EQ(h.context.settings.Decimales, "1");
  EXPECT_TRUE(window->Deci[1]->font().bold());
  EXPECT_FALSE(window->Deci[3]->font().bold());
}

// The board answers 0xAA to every packet but the hello of `silent` boards.
class ConfigurationOnTheBoard : public ConfigurationMenu {
 protected:
  void AnswerHello(bool answer) {
    h.serial.onWrite = [answer](const std::vector<uint8_t>& packet, test::FakeSerialPort& port) {
      if (answer && packet.size() == kBoardPacketSize && packet[1] == kBoardHello) {
        port.input.push_back(kBoardHelloAnswer);
      }
    };
  }
  std::vector<std::string> UsbLines() {
    std::vector<std::string> lines = SavedLines();
    lines[31] = "2";   // PortType
    lines[18] = "40";  // Periode
    return lines;
  }
};

TEST_F(ConfigurationOnTheBoard, ALoadProbesTheBoardAndTellsItTheNewParameters) {
  AnswerHello(true);
  Restore(UsbLines());
  EXPECT_TRUE(h.context.settings.BoardPresent);
  ASSERT_EQ(h.serial.written.size(), 2u);
  const std::vector<uint8_t>& hello = h.serial.written[0];
  ASSERT_EQ(hello.size(), kBoardPacketSize);
  EXPECT_EQ(hello[0], HoldFlags(h.context.settings));
  EXPECT_EQ(hello[1], kBoardHello);
  const std::vector<uint8_t>& parameters = h.serial.written[1];
  ASSERT_EQ(parameters.size(), kBoardPacketSize);
  EXPECT_EQ(parameters[1], kBoardParameters);
  EXPECT_EQ(parameters[4], 40);  // the new Periode
  EXPECT_TRUE(window->LinkStatus->text().contains(QStringLiteral("carte présente")));
  EXPECT_TRUE(window->GcodeOnly->isEnabled());
  EXPECT_EQ(h.messages.shown.back().kind, MessageKind::Information);
}

TEST_F(ConfigurationOnTheBoard, ASilentBoardIsToldAbsentAndTheLoadStillEnds) {
  AnswerHello(false);
  Restore(UsbLines());
  EXPECT_FALSE(h.context.settings.BoardPresent);
  ASSERT_EQ(h.serial.written.size(), 1u);  // the hello only: nothing more to a board not there
  EXPECT_EQ(h.serial.written[0][1], kBoardHello);
  EXPECT_TRUE(window->LinkStatus->text().contains(QStringLiteral("carte absente")));
  EXPECT_EQ(h.Setting("Port", "PortType"), "2");  // the file was stored all the same
}

}  // namespace
}  // namespace orvane::ui
