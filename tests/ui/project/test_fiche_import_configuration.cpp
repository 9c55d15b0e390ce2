// "Outils" -> "Configuration" -> "Sauvegarder" and "Restaurer", driven through
// the scripted dialogs, over real settings files.

#include <filesystem>

#include "core/app/configuration_file.h"
#include "core/machine/serial_link.h"
#include "ui/project_fixture.h"

namespace orvane::ui {
namespace {

class ConfigurationMenu : public ProjectFixture {
 protected:
  // The file "Sauvegarder" writes for the store as it is, as lines.
  std::vector<std::string> SavedLines() {
    const std::string path = h.home / "saved.ovr";
    h.dialogs.chosen = path;
    window->SaveConfigurationFile();
    EXPECT_EQ(h.dialogs.requests.back().filters,
              std::vector<std::string>{"Paramètres Orvane (*.ovr)"});
    std::vector<std::string> lines;
    const std::string bytes = test::ReadText(path);
    for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      lines.push_back(bytes.substr(start, end - start));
    }
    return lines;
  }
  void Restore(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\r\n";
    test::WriteText(h.home / "restored.ovr", bytes);
    h.dialogs.chosen = h.home / "restored.ovr";
    window->LoadConfigurationFile();
    EXPECT_EQ(h.dialogs.requests.back().title, "Charger une configuration");
  }
  // The board answers its hello (or not); nothing else is answered.
  void AnswerHello(bool answer) {
    h.serial.onWrite = [answer](const std::vector<uint8_t>& packet, test::FakeSerialPort& port) {
      if (answer && packet.size() == kBoardPacketSize && packet[1] == kBoardHello) {
        port.input.push_back(kBoardHelloAnswer);
      }
    };
  }
};

// Bad input loses nothing: a refused or unwritable file leaves the store, the
// settings in memory and the machine as they were.
TEST_F(ConfigurationMenu, ARefusedOrUnreadableFileLeavesEverythingAsItWas) {
  std::vector<std::string> lines = SavedLines();
  lines[18] = "150";  // Periode
  const std::string storeBefore = test::ReadText(h.store.Path());
  const MachineSettings settingsBefore = h.context.settings;
  const size_t writesBefore = h.parallel->Writes().size();
  Restore(lines);
  ASSERT_EQ(h.messages.shown.size(), 1u);  // the refusal, and no success after it
  EXPECT_EQ(h.messages.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(h.context.settings.Periode, settingsBefore.Periode);

  // Which files are refused, and why, is the command line's test.
  const std::string unwritable = h.home / "pas-de-dossier/orvane.ovr";
  h.dialogs.chosen = unwritable;
  window->SaveConfigurationFile();
  ASSERT_EQ(h.messages.shown.size(), 2u);
  EXPECT_EQ(h.messages.shown[1].kind, MessageKind::Error);
  EXPECT_NE(h.messages.shown[1].text.find(unwritable), std::string::npos);
  h.dialogs.chosen.reset();  // cancelled: nothing at all
  window->LoadConfigurationFile();
  window->SaveConfigurationFile();
  EXPECT_EQ(h.messages.shown.size(), 2u);
  EXPECT_EQ(test::ReadText(h.store.Path()), storeBefore);
  EXPECT_EQ(h.parallel->Writes().size(), writesBefore);  // the machine was not touched
}

// A load goes the reset's way (the machine rests on the new images, the
// decimals buttons follow: the reset's Regression tests). On the board's
// link it asks the board again and tells a board that answers the loaded
// parameters, changed or not: it may be another board, keeping its own.
TEST_F(ConfigurationMenu, ALoadProbesTheBoardAndTellsItTheParametersWhenItAnswers) {
  const struct {
    const char* name;
    bool answers;
    const char* periode;  // line 18 of the file
  } cases[] = {
      {"no board", false, "40"},
      {"a board, values changed", true, "45"},
      {"a board, the same values", true, "45"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    h.serial.written.clear();
    AnswerHello(c.answers);
    std::vector<std::string> lines = SavedLines();
    lines[31] = "2";  // PortType
    lines[18] = c.periode;
    lines[87] = "1";  // Decimales
    Restore(lines);
    EXPECT_EQ(h.messages.shown.back().text, kConfigurationRestored);
    EXPECT_EQ(window->Decimals(), 1);
    EXPECT_EQ(h.context.settings.BoardPresent, c.answers);
    // The hello, then the parameters (their bytes are the board link's tests).
    ASSERT_EQ(h.serial.written.size(), c.answers ? 2u : 1u);
    EXPECT_EQ(h.serial.written.back()[1], c.answers ? kBoardParameters : kBoardHello);
    EXPECT_TRUE(window->LinkStatus->text().contains(c.answers ? QStringLiteral("carte présente")
                                                              : QStringLiteral("carte absente")));
    EXPECT_EQ(h.Setting("Port", "PortType"), "2");  // stored all the same
  }
}

}  // namespace
}  // namespace orvane::ui
