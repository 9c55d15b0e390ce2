#include "core/app/machine_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/app/settings_document.h"
#include "support/fake_serial_port.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;

std::string Value(MemorySettingsStore& store, std::string_view group, std::string_view name) {
  return store.ReadSettingString(GroupKeyPath(group), name);
}

MachineSettings WithFolders() {
  MachineSettings s;
  s.ProjectPath = "/home/u/orvane/projets/";
  s.CutPath = "/home/u/orvane/découpes/";
  s.DxfPath = "/home/u/orvane/dessins/";
  s.ExportPath = "/home/u/orvane/export/";
  return s;
}

TEST(DefaultSettings, WriteEveryValueWithItsFactoryTextThenReadBack) {
  MemorySettingsStore store;
  WriteDefaultSettings(store, WithFolders());
  EXPECT_EQ(Value(store, "Assistant", "LastSpeedSearch"), "1.00");
  EXPECT_EQ(Value(store, "Systeme", "Version"), "160");
  EXPECT_EQ(Value(store, "Systeme", "CutPath"), "/home/u/orvane/découpes/");
  EXPECT_EQ(Value(store, "Systeme", "Run"), "");  // never written by the defaults

  MachineSettings read;
  read.Precision = read.Increment = read.Decimales = "";
  EXPECT_TRUE(ReadAllSettings(store, read, nullptr).empty());
  EXPECT_EQ(read.Precision, "1");  // "Elevée"
  EXPECT_EQ(read.Increment, "2");  // "  1.0 mm"
  EXPECT_EQ(read.Decimales, "3");
  EXPECT_EQ(read.Vmin, 0.33);
  EXPECT_TRUE(read.ActCouple && read.LibCouple && !read.ActChauffe);
  EXPECT_DOUBLE_EQ(read.Vcut, 1.0);  // 10^6 / 5000 / 200
}

TEST(WriteAllSettings, WritesRealsWithoutTrailingZerosAndLeavesVersionAndRunAlone) {
  MemorySettingsStore store;
  store.WriteSettingString(GroupKeyPath("Systeme"), "Version", "133");
  store.WriteSettingString(GroupKeyPath("Systeme"), "Run", "on");
  MachineSettings s = WithFolders();
  s.Vadm = 2.0;
  WriteAllSettings(store, s, nullptr, nullptr);
  EXPECT_EQ(Value(store, "Machine", "Vadm"), "2");
  EXPECT_EQ(Value(store, "Systeme", "Version"), "133");
  EXPECT_EQ(Value(store, "Systeme", "Run"), "on");
}

TEST(GcodeOnly, IsTickedAndWrittenOnlyWithTheUsbBoard) {
  for (int portType : {0, 1, 2}) {
    MemorySettingsStore store;
    WriteDefaultSettings(store, WithFolders());
    store.WriteSettingString(GroupKeyPath("Port"), "PortType", std::to_string(portType));
    store.WriteSettingString(GroupKeyPath("Options"), "GcodeOnly", "on");
    MachineSettings s;
    ReadAllSettings(store, s, nullptr);
    EXPECT_EQ(s.GcodeOnly, portType == 2) << portType;
    WriteAllSettings(store, s, nullptr, nullptr);
    EXPECT_EQ(Value(store, "Options", "GcodeOnly"), portType == 2 ? "on" : "off") << portType;
  }
}

TEST(ReadSettings, FallsBackAsTheTablesSayAndHandsThePortItsValues) {
  MemorySettingsStore store;
  WriteDefaultSettings(store, WithFolders());
  const std::string port = GroupKeyPath("Port"), options = GroupKeyPath("Options");
  store.WriteSettingString(port, "SerialBaudRate", "12345");
  store.WriteSettingString(port, "SerialParity", "Even");
  store.WriteSettingString(port, "ActChauffe", "yes");  // only "1" is true
  store.WriteSettingString(options, "Densite", "7");
  store.WriteSettingString(options, "Reperes", "ON");  // only "on" is on
  MachineSettings s;
  s.Densite = "3";  // the tick mark already there
  test::FakeSerialPort serial;
  EXPECT_TRUE(ReadAllSettings(store, s, &serial).empty());
  EXPECT_EQ(s.SerialBaudRate, "9600");
  EXPECT_FALSE(s.ActChauffe);
  EXPECT_EQ(s.Densite, "3");
  EXPECT_FALSE(s.Reperes);
  EXPECT_EQ(serial.params.parity, "Even");
  EXPECT_EQ(serial.params.baudRate, "9600");
}

// A duty cycle of 150 % fits 8 bits but would split the step period into a
// high time longer than the period; a bit pair of 7 has no bits on the port.
TEST(ReadSettings, AHandEditedStoreGivesFactoryValuesAndNamesEachBadValue) {
  MemorySettingsStore store;
  WriteDefaultSettings(store, WithFolders());
  const struct {
    const char *group, *name, *text;
  } edits[] = {{"Moteurs", "X1step", "abc"}, {"Machine", "Periode", "150"},
               {"Machine", "Vmin", "0,5"},   {"Manuel", "DepTest", ""},
               {"Systeme", "CutPath", ""},   {"Port", "Y2io", "7"},
               {"Port", "BitChauffe", "3"},  {"Machine", "Pente", "90"}};  // the edge is allowed
  for (const auto& e : edits) store.WriteSettingString(GroupKeyPath(e.group), e.name, e.text);

  MachineSettings s = WithFolders();
  s.X1step = 1;
  SettingsProblems problems = ReadAllSettings(store, s, nullptr);
  ASSERT_EQ(problems.size(), 7u);
  EXPECT_EQ(s.X1step, 200);
  EXPECT_EQ(s.Vmin, 0.33);
  EXPECT_EQ(s.DepTest, 10);
  EXPECT_EQ(s.Pente, 90);
  EXPECT_EQ(s.CutPath, "/home/u/orvane/découpes/");  // the folder in memory stays

  const std::string message = DescribeSettingsProblems(problems);
  EXPECT_THAT(message, HasSubstr("groupe Moteurs, valeur X1step : « abc » → « 200 »"));
  EXPECT_THAT(message, HasSubstr("groupe Manuel, valeur DepTest : absente"));
  EXPECT_THAT(message, HasSubstr("groupe Machine, valeur Periode : « 150 » hors limites "
                                 "(de 25 à 75) → « 50 »"));
  EXPECT_THAT(message, HasSubstr("valeur Y2io : « 7 » hors limites (de 0 à 3) → « 3 »"));
  EXPECT_THAT(message, HasSubstr("valeur BitChauffe : « 3 » hors limites (1, 2, 4 ou 8) → « 2 »"));

  // The next save writes the store whole again.
  WriteAllSettings(store, s, nullptr, nullptr);
  EXPECT_EQ(Value(store, "Machine", "Periode"), "50");
  MachineSettings again;
  EXPECT_TRUE(ReadAllSettings(store, again, nullptr).empty());
}

// The serial link is brought in line between `Port` and `SerialPort`; the
// probe's wait ends on the fake clock, so it is bounded. Other links never send packets to the
// serial port, not even when its step mirror is open all along.
TEST(SerialAlignment, TheBoardIsPresentOnlyWhenItAnswersTheProbe) {
  const struct {
    const char* name;
    uint8_t portType;
    std::optional<uint8_t> answer;
    bool openable, present, openBefore = false;
  } cases[] = {{"right answer", 2, 0xAA, true, true},
               {"silent", 2, std::nullopt, true, false},
               {"port will not open", 2, 0xAA, false, false},
               {"step link", 1, 0xAA, true, false},
               {"step link, mirror open", 1, 0xAA, true, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySettingsStore store;
    MachineSettings settings = WithFolders();
    settings.PortType = c.portType;
    settings.SerialParamsChanged = true;
    settings.SerialBaudRate = "19200";
    settings.SerialParity = "Odd";
    test::FakeSerialPort serial;
    serial.openable = c.openable;
    if (c.openBefore) serial.Open();
    serial.onWrite = [&](const std::vector<uint8_t>& packet, test::FakeSerialPort& port) {
      if (packet.size() == 48 && packet[1] == 0x40 && c.answer) port.input.push_back(*c.answer);
    };
    test::FakeClock clock;
    clock.stepPerRead = 1000;
    WriteAllSettings(store, settings, &serial, &clock);
    EXPECT_EQ(settings.BoardPresent, c.present);
    // Saved whatever the board said.
    EXPECT_EQ(Value(store, "Port", "SerialBaudRate"), "19200");
    if (!c.openable || c.portType != 2) {
      EXPECT_TRUE(serial.written.empty());
      if (c.openable) {
        EXPECT_EQ(serial.params.parity, "Odd");
      }
      continue;
    }
    ASSERT_EQ(serial.written.size(), 2u);
    EXPECT_EQ(serial.written[0][1], 0x40);  // probe
    EXPECT_EQ(serial.written[1][1], 0x01);  // parameters, since they changed
    EXPECT_FALSE(settings.SerialParamsChanged);
    EXPECT_GE(serial.clears, 1);
  }
}

}  // namespace
}  // namespace orvane
