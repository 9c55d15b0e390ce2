#include "core/app/configuration_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "core/app/settings_document.h"
#include "core/common/cp1252.h"
#include "core/common/text_lines.h"

namespace orvane {
namespace {

// Every value of the file away from its factory text, so a value that is
// lost or lands on the wrong line shows.
const std::map<std::string, std::string> kAwayFromFactory = [] {
  std::istringstream in(
      "X1clockwise=1 Y1clockwise=1 X2clockwise=1 Y2clockwise=1 X1step=101 Y1step=102 X2step=103 "
      "Y2step=104 X1speed=2001 Y1speed=2002 X2speed=2003 Y2speed=2004 Periode=40 MaxX=700 "
      "MaxY=350 Fil=450 FilMax=900 Vadm=3.5 Vmax=4.25 Vmin=0.5 Pente=45 PortType=2 Port=632 "
      "SerialPort=ttyUSB0 SerialBaudRate=115200 SerialDataBits=7 SerialParity=Even "
      "SerialStopBits=2 SerialFlowControl=Hardware X1io=3 Y1io=2 X2io=1 Y2io=0 BitChauffe=4 "
      "ActChauffe=1 InvChauffe=1 PreChauffe=12 BitCouple=8 ActCouple=0 InvCouple=1 LibCouple=0 "
      "ProjectPath=/home/andré/projets/ CutPath=/home/andré/découpes/ DxfPath=/mnt/dessins/ "
      "ExportPath=/tmp/export/ MoteursType=400 MoteursMode=3 MoteursMeca=125 "
      "LastSpeedSearch=2.5 DepTest=25 DepDefaut=30 InvTeleX=1 InvTeleY=1 OrigineAuto=1 "
      "ModeArret=0 Reperes=off Points=off Doublons=on Decimales=5 Alertes=on GcodeOnly=on "
      "Reprise=off ConfirmeAbandon=off ConfirmeEcrase=off Audio=on Increment=3 Densite=2 "
      "Taille=3 Precision=0");
  std::map<std::string, std::string> values;
  for (std::string pair; in >> pair;) {
    values[pair.substr(0, pair.find('='))] = pair.substr(pair.find('=') + 1);
  }
  return values;
}();

std::string KeyOf(std::string_view name) {
  for (const SettingValue& value : AllSettingValues()) {
    if (value.name == name) return GroupKeyPath(GroupName(value.group));
  }
  ADD_FAILURE() << "unknown value " << name;
  return {};
}

MemorySettingsStore FactoryStore() {
  MemorySettingsStore store;
  MachineSettings settings;
  settings.ProjectPath = "/f/projets/", settings.CutPath = "/f/découpes/";
  settings.DxfPath = "/f/dessins/", settings.ExportPath = "/f/export/";
  WriteDefaultSettings(store, settings);
  return store;
}

MemorySettingsStore AwayStore() {
  MemorySettingsStore store = FactoryStore();
  for (const auto& [name, text] : kAwayFromFactory) {
    EXPECT_NE(store.ReadSettingString(KeyOf(name), name), text) << name << " is its factory text";
    store.WriteSettingString(KeyOf(name), name, text);
  }
  return store;
}

std::string Written(SettingsStore& store) {
  std::string bytes;
  const ConfigurationResult result = WriteConfigurationFile(store, bytes);
  EXPECT_TRUE(result.ok) << result.message;
  return bytes;
}

// The written file with line `number` (from 1) replaced; the rest as written.
std::string WithLine(const std::string& bytes, int number, std::string_view text) {
  std::string out;
  int index = 1;
  for (std::string_view line : SplitLines(bytes)) {
    out += (index++ == number ? std::string(text) : std::string(line)) + "\r\n";
  }
  return out;
}

TEST(ConfigurationFile, CarriesEveryStoredValueOnceButVersionAndRunInWindows1252WithCrLf) {
  // The file keeps its layout, which other installations read: options added
  // since stay in the store only. Each value landing on its own line shows in
  // the round trip below.
  for (const SettingValue& value : AllSettingValues()) {
    const bool storeOnly = value.name == "Version" || value.name == "DxfStricte";
    EXPECT_EQ(kAwayFromFactory.count(std::string(value.name)), !storeOnly) << value.name;
  }

  MemorySettingsStore store = AwayStore();
  const std::string bytes = Written(store);
  const std::vector<std::string_view> lines = SplitLines(bytes);
  ASSERT_EQ(lines.size(), 108u);
  EXPECT_EQ(bytes.substr(0, 31), "[version]\r\nOrvane version 160\r\n");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'),
            std::count(bytes.begin(), bytes.end(), '\r'));
  EXPECT_TRUE(
      bytes.ends_with("- pr\xE9"
                      "cision\r\n0\r\n"));
  EXPECT_EQ(lines[18], "40");  // Periode
  EXPECT_EQ(lines[19], "[machine : capacit\xE9s X Y]");
  EXPECT_EQ(lines[57], "/home/andr\xE9/projets/");
}

TEST(ConfigurationFile, RoundTripsAllValuesInEitherEncodingAndWithLfEnds) {
  for (const bool needsUtf8 : {false, true}) {
    SCOPED_TRACE(needsUtf8 ? "UTF-8" : "Windows-1252");
    MemorySettingsStore source = AwayStore();
    const std::string folder = "/home/Łukasz/dessins/";
    if (needsUtf8) source.WriteSettingString(KeyOf("DxfPath"), "DxfPath", folder);
    // The header texts are not read.
    const std::string bytes = WithLine(Written(source), 18, "[anything a user typed]");
    EXPECT_EQ(bytes.find("capacit\xE9s") != std::string::npos, !needsUtf8);
    std::string lf = bytes;
    std::erase(lf, '\r');
    for (const std::string& file : {bytes, lf}) {
      MemorySettingsStore target = FactoryStore();
      const ConfigurationResult result = ReadConfigurationFile(file, target);
      ASSERT_TRUE(result.ok) << result.message;
      for (const auto& [name, text] : kAwayFromFactory) {
        // A character Windows-1252 lacks is never turned into "?".
        const std::string expected = needsUtf8 && name == "DxfPath" ? folder : text;
        EXPECT_EQ(target.ReadSettingString(KeyOf(name), name), expected) << name;
      }
    }
  }
}

TEST(ConfigurationFile, RefusesABadFileWholeAndLeavesTheStoreByteIdentical) {
  const struct {
    const char* name;
    int line;  // 0: cut the file to 107 lines
    std::string_view text;
    const char* expectedPart;
  } cases[] = {
      {"other version", 2, "Orvane version 159", "Fichier incompatible avec cette version."},
      {"107 lines", 0, "", "107 lignes au lieu de 108"},
      {"duty cycle out of range", 19, "150", "Ligne 19 (Periode) : « 150 » est hors limites"},
      {"steps not a number", 9, "2OO", "Ligne 9 (X1step) : « 2OO » n'est pas une valeur valide"},
      {"step count past 16 bits", 10, "70000", "Ligne 10 (Y1step)"},
      {"real with a comma", 27, "2,5", "Ligne 27 (Vadm)"},
      {"flag neither 0 nor 1", 49, "oui", "Ligne 49 (ActChauffe)"},
      {"option neither on nor off", 100, "yes", "Ligne 100 (Audio)"},
      {"decimals 7", 88, "7", "Ligne 88 (Decimales)"},
      {"empty folder", 58, "", "Ligne 58 (ProjectPath) : valeur absente"},
      {"carriage return inside a value", 36, "tty\rS0", "Ligne 36 (SerialPort)"},
      {"last line empty", 108, "", "Ligne 108 (Precision)"},
      // Regression: a NUL was stored, and the store then refused its own file.
      {"NUL in a folder", 58, std::string_view("/home/a\0b/", 10),
       "Ligne 58 (ProjectPath) : la valeur contient un caractère de contrôle (code 0)."},
      {"delete", 59, "/x/\x7F", "(code 127)"},
  };
  MemorySettingsStore source = AwayStore();
  const std::string good = Written(source);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = c.line ? WithLine(good, c.line, c.text)
                               : good.substr(0, good.rfind("\r\n", good.size() - 3) + 2);
    MemorySettingsStore store = FactoryStore();
    const std::string before = store.Document().Serialize();
    const ConfigurationResult result = ReadConfigurationFile(bytes, store);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(c.expectedPart), std::string::npos) << result.message;
    EXPECT_EQ(result.message.find("succès"), std::string::npos);
    EXPECT_EQ(store.Document().Serialize(), before);
  }
}

// Regression: a stored X1step=9999 or Vadm=2,5 was saved as it stood, and the
// backup's own restore refused it.
TEST(ConfigurationFile, SavesTheValuesInForceSoEverySavedFileRestores) {
  const struct {
    const char *name, *stored;
    int line;
    const char* written;  // nullptr: the save is refused
    const char* refusal;
  } cases[] = {
      {"X1step", "9999", 9, "200", nullptr},
      {"Densite", "7", 104, "3", nullptr},             // the menu keeps its tick
      {"CutPath", "", 59, "/mem/découpes/", nullptr},  // the folder in use
      {"ProjectPath", "/a\tb/", 58, nullptr,
       "Ligne 58 (ProjectPath) : la valeur contient un caractère de contrôle (code 9)."},
  };
  MachineSettings inMemory;
  inMemory.CutPath = "/mem/découpes/";
  inMemory.Densite = "3";
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " = " + c.stored);
    MemorySettingsStore store = AwayStore();  // as a hand-edited file may hold it
    store.WriteSettingString(KeyOf(c.name), c.name, c.stored);
    std::string bytes = "untouched";
    const ConfigurationResult result = WriteConfigurationFile(store, bytes, inMemory);
    if (!c.written) {
      EXPECT_FALSE(result.ok);
      EXPECT_NE(result.message.find(c.refusal), std::string::npos) << result.message;
      EXPECT_EQ(bytes, "untouched");
      continue;
    }
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(Cp1252ToUtf8(SplitLines(bytes)[c.line - 1]), c.written);
    MemorySettingsStore target = FactoryStore();
    EXPECT_TRUE(ReadConfigurationFile(bytes, target).ok);
    EXPECT_EQ(target.ReadSettingString(KeyOf(c.name), c.name), c.written);
  }
}

// Regression: the file store replaces its file on commit; a refused write was
// called success and could leave the store half written.
class RefusingStore : public MemorySettingsStore {
 public:
  using MemorySettingsStore::MemorySettingsStore;
  void BeginBatch() override { saved_ = Document(); }
  void CommitBatch() override {
    static_cast<MemorySettingsStore&>(*this) = MemorySettingsStore(saved_);
    throw SettingsWriteError("Permission refusée");
  }

 private:
  SettingsDocument saved_;
};

TEST(ConfigurationFile, AStoreThatRefusesTheWriteIsReportedNotCalledSuccess) {
  MemorySettingsStore source = AwayStore();
  RefusingStore store(FactoryStore().Document());
  const std::string before = store.Document().Serialize();
  const ConfigurationResult result = ReadConfigurationFile(Written(source), store);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.message.find("Permission refusée"), std::string::npos);
  EXPECT_EQ(store.Document().Serialize(), before);
}

}  // namespace
}  // namespace orvane
