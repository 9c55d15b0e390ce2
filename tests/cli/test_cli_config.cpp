// orvane-cli config as a process: a save restored into another store, a bad
// file refused with the store left byte for byte, a failed write named.
#include <gmock/gmock.h>

#include "cli/cli_harness.h"
#include "core/common/text_lines.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;

class CliConfig : public OrvaneCli {
 protected:
  void SetUp() override {
    OrvaneCli::SetUp();
    UseSteps(200);
  }
  // The fixture's store has no folders; the program always has them.
  void UseSteps(uint16_t steps) {
    UseStepsPerMm(steps);
    FileSettingsStore store(config / "settings.ini");
    for (const char* name : {"ProjectPath", "CutPath", "DxfPath", "ExportPath"}) {
      store.WriteSettingString(GroupKeyPath("Systeme"), name, home / "projets/");
    }
  }
  std::string StoreText() { return test::ReadText(config / "settings.ini"); }
};

TEST_F(CliConfig, SavesTheStoreAndRestoresItInAnotherOne) {
  UseSteps(321);
  const std::string file = work / "réglages.ovr";
  const CliRun save = Cli("config save '" + file + "'");
  ASSERT_EQ(save.status, 0) << save.output;
  const std::string bytes = test::ReadText(file);
  ASSERT_EQ(SplitLines(bytes).size(), 108u);
  EXPECT_EQ(SplitLines(bytes)[8], "321");

  UseSteps(200);
  const CliRun load = Cli("config load '" + file + "'");
  ASSERT_EQ(load.status, 0) << load.output;
  EXPECT_THAT(load.output, HasSubstr("Configuration restaurée avec succès !"));
  FileSettingsStore store(config / "settings.ini");
  EXPECT_EQ(store.ReadSettingString(GroupKeyPath("Moteurs"), "Y2step"), "321");
}

TEST_F(CliConfig, RefusesABadFileAndLeavesTheStoreAsItWas) {
  const std::string file = work / "orvane.ovr";
  ASSERT_EQ(Cli("config save " + file).status, 0);
  std::string bytes = test::ReadText(file);
  const size_t periode = bytes.find("\r\n50\r\n");  // line 19, the only "50"
  ASSERT_NE(periode, std::string::npos);
  bytes.replace(periode, 6, "\r\n150\r\n");
  test::WriteText(file, bytes);

  const std::string before = StoreText();
  const CliRun load = Cli("config load " + file);
  EXPECT_EQ(load.status, 1);
  EXPECT_THAT(load.output, HasSubstr("Ligne 19 (Periode) : « 150 »"));
  EXPECT_THAT(load.output, ::testing::Not(HasSubstr("succès")));
  EXPECT_EQ(StoreText(), before);

  const CliRun missing = Cli("config load " + work / "absent.ovr");
  EXPECT_EQ(missing.status, 1);
  EXPECT_THAT(missing.output, HasSubstr("absent.ovr"));
  EXPECT_EQ(StoreText(), before);
}

TEST_F(CliConfig, NamesTheFileItCannotWriteAndKeepsTheOldOne) {
  const CliRun save = Cli("config save " + work / "no-such-folder/orvane.ovr");
  EXPECT_EQ(save.status, 1);
  EXPECT_THAT(save.output, HasSubstr("no-such-folder"));

  const std::string file = work / "orvane.ovr";
  test::WriteText(file, "old");
  FileSettingsStore(config / "settings.ini")
      .WriteSettingString(GroupKeyPath("Port"), "SerialPort", "");
  const CliRun refused = Cli("config save " + file);
  EXPECT_EQ(refused.status, 1);
  EXPECT_THAT(refused.output, HasSubstr("Ligne 36 (SerialPort) : valeur absente"));
  EXPECT_EQ(test::ReadText(file), "old");
}

}  // namespace
}  // namespace orvane
