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
  EXPECT_EQ(Value(store, "Machine", "Vadm"), "2.00");
  EXPECT_EQ(Value(store, "Machine", "Vmin"), "0.33");
  EXPECT_EQ(Value(store, "Assistant", "LastSpeedSearch"), "1.00");
  EXPECT_EQ(Value(store, "Port", "Y2io"), "3");
  EXPECT_EQ(Value(store, "Systeme", "Version"), "160");
  EXPECT_EQ(Value(store, "Systeme", "CutPath"), "/home/u/orvane/découpes/");
  EXPECT_EQ(Value(store, "Systeme", "Run"), "");  // never written by the defaults

  // Groups in store order, values in table order.
  const std::string text = store.Document().Serialize();
  const char* groups[] = {"Moteurs",   "Machine", "Port",   "Systeme",
                          "Assistant", "Manuel",  "Options"};
  size_t last = 0;
  for (const char* g : groups) {
    size_t at = text.find("Orvane\\" + std::string(g) + "]");
    ASSERT_NE(at, std::string::npos) << g;
    EXPECT_GT(at, last) << g;
    last = at;
  }
  EXPECT_LT(text.find("X1clockwise"), text.find("X1step"));
  EXPECT_LT(text.find("X1step"), text.find("Y2speed"));

  MachineSettings read;
  read.Precision = read.Increment = read.Decimales = "";
  EXPECT_TRUE(ReadAllSettings(store, read, nullptr).empty());
  EXPECT_EQ(read.Precision, "1");  // "Elevée"
  EXPECT_EQ(read.Increment, "2");  // "  1.0 mm"
  EXPECT_EQ(read.Decimales, "3");
  EXPECT_EQ(read.Vmin, 0.33);
  EXPECT_EQ(read.BitChauffe, 2);
  EXPECT_TRUE(read.ActCouple && read.LibCouple && !read.ActChauffe);
  EXPECT_EQ(read.DxfPath, "/home/u/orvane/dessins/");
  EXPECT_DOUBLE_EQ(read.Vcut, 1.0);  // 10^6 / 5000 / 200
}

TEST(WriteAllSettings, WritesRealsWithoutTrailingZerosAndLeavesVersionAndRunAlone) {
  MemorySettingsStore store;
  store.WriteSettingString(GroupKeyPath("Systeme"), "Version", "133");
  store.WriteSettingString(GroupKeyPath("Systeme"), "Run", "on");
  MachineSettings s = WithFolders();
  s.Vadm = 2.0;
  s.Vmax = 3.75;
  s.Vmin = 0.1 + 0.2;
  s.LastSpeedSearch = 1.125;
  WriteAllSettings(store, s, nullptr, nullptr);
  EXPECT_EQ(Value(store, "Machine", "Vadm"), "2");
  EXPECT_EQ(Value(store, "Machine", "Vmax"), "3.75");
  EXPECT_EQ(Value(store, "Machine", "Vmin"), "0.3");
  EXPECT_EQ(Value(store, "Assistant", "LastSpeedSearch"), "1.125");
  EXPECT_EQ(Value(store, "Systeme", "Version"), "133");
  EXPECT_EQ(Value(store, "Systeme", "Run"), "on");

  MachineSettings back;
  ReadAllSettings(store, back, nullptr);
  EXPECT_EQ(back.Vadm, 2.0);
  EXPECT_EQ(back.Vmax, 3.75);
  EXPECT_EQ(back.LastSpeedSearch, 1.125);
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

TEST(ReadSettings, FallsBackAsTheTablesSay) {
  MemorySettingsStore store;
  WriteDefaultSettings(store, WithFolders());
  const std::string port = GroupKeyPath("Port");
  const std::string options = GroupKeyPath("Options");
  store.WriteSettingString(port, "SerialBaudRate", "12345");
  store.WriteSettingString(port, "SerialFlowControl", "XonXoff");
  store.WriteSettingString(port, "SerialParity", "Even");
  store.WriteSettingString(port, "ActChauffe", "yes");  // only "1" is true
  store.WriteSettingString(options, "Densite", "7");
  store.WriteSettingString(options, "Reperes", "ON");  // only "on" is on

  MachineSettings s;
  s.Densite = "3";  // the tick mark already there
  test::FakeSerialPort serial;
  EXPECT_TRUE(ReadAllSettings(store, s, &serial).empty());
  EXPECT_EQ(s.SerialBaudRate, "9600");
  EXPECT_EQ(s.SerialFlowControl, "Custom");
  EXPECT_FALSE(s.ActChauffe);
  EXPECT_EQ(s.Densite, "3");
  EXPECT_FALSE(s.Reperes);
  // The port object gets the values read.
  EXPECT_EQ(serial.params.parity, "Even");
  EXPECT_EQ(serial.params.baudRate, "9600");
}

TEST(ReadSettings, AHandEditedStoreGivesFactoryValuesAndNamesEachBadValue) {
  MemorySettingsStore store;
  WriteDefaultSettings(store, WithFolders());
  store.WriteSettingString(GroupKeyPath("Moteurs"), "X1step", "abc");
  store.WriteSettingString(GroupKeyPath("Machine"), "Periode", "300");  // beyond 8 bits
  store.WriteSettingString(GroupKeyPath("Machine"), "Vmin", "0,5");
  store.WriteSettingString(GroupKeyPath("Manuel"), "DepTest", "");
  store.WriteSettingString(GroupKeyPath("Systeme"), "CutPath", "");

  MachineSettings s = WithFolders();
  s.X1step = 1;
  SettingsProblems problems = ReadAllSettings(store, s, nullptr);
  ASSERT_EQ(problems.size(), 5u);
  EXPECT_EQ(problems[0].group, SettingsGroup::Moteurs);
  EXPECT_EQ(problems[0].name, "X1step");
  EXPECT_EQ(s.X1step, 200);
  EXPECT_EQ(s.Periode, 50);
  EXPECT_EQ(s.Vmin, 0.33);
  EXPECT_EQ(s.DepTest, 10);
  EXPECT_EQ(s.CutPath, "/home/u/orvane/découpes/");  // the folder in memory stays

  const std::string message = DescribeSettingsProblems(problems);
  EXPECT_THAT(message, HasSubstr("groupe Moteurs, valeur X1step : « abc » → « 200 »"));
  EXPECT_THAT(message, HasSubstr("groupe Machine, valeur Periode : « 300 »"));
  EXPECT_THAT(message, HasSubstr("groupe Manuel, valeur DepTest : absente"));

  // The next save rewrites the store whole.
  WriteAllSettings(store, s, nullptr, nullptr);
  MachineSettings again;
  EXPECT_TRUE(ReadAllSettings(store, again, nullptr).empty());
}

// The serial link is brought in line between `Port` and `SerialPort`.
class SerialAlignment : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.stepPerRead = 1000;
    settings.PortType = 2;
    serial.onWrite = [this](const std::vector<uint8_t>& packet, test::FakeSerialPort& port) {
      if (packet.size() == 48 && packet[1] == 0x40 && answer) port.input.push_back(*answer);
    };
  }
  MemorySettingsStore store;
  MachineSettings settings = WithFolders();
  test::FakeSerialPort serial;
  test::FakeClock clock;
  std::optional<uint8_t> answer;
};

TEST_F(SerialAlignment, ABoardAnsweringTheProbeIsPresent) {
  answer = 0xAA;
  settings.SerialParamsChanged = true;
  settings.SerialBaudRate = "19200";
  WriteAllSettings(store, settings, &serial, &clock);
  EXPECT_TRUE(settings.BoardPresent);
  ASSERT_EQ(serial.written.size(), 2u);
  EXPECT_EQ(serial.written[0][0], 0x00);  // probe
  EXPECT_EQ(serial.written[0][1], 0x40);
  EXPECT_EQ(serial.written[1][1], 0x01);  // parameters, since they changed
  EXPECT_EQ(serial.written[1][9], 2);     // 19200 is the third rate
  EXPECT_FALSE(settings.SerialParamsChanged);
  EXPECT_GE(serial.clears, 1);
  EXPECT_EQ(Value(store, "Port", "SerialBaudRate"), "19200");
}

TEST_F(SerialAlignment, ASilentPortMeansNoBoardAfterAHundredMilliseconds) {
  const int64_t start = clock.now;
  WriteAllSettings(store, settings, &serial, &clock);
  EXPECT_FALSE(settings.BoardPresent);
  // 150 ms before the probe, 150 ms after it, then 100 ms of waiting.
  EXPECT_EQ(clock.sleeps, (std::vector<int>{150, 150, 150}));
  EXPECT_GE(clock.now - start, int64_t(400) * 1000 * 1000);
  EXPECT_EQ(Value(store, "Port", "SerialPort"), "ttyS0");
}

TEST_F(SerialAlignment, OtherLinksNeverSendPacketsToTheSerialPort) {
  answer = 0xAA;
  settings.SerialParamsChanged = true;
  settings.SerialStopBits = "2";
  for (uint8_t portType : {0, 1}) {
    settings.PortType = portType;
    WriteAllSettings(store, settings, &serial, &clock);
    EXPECT_TRUE(serial.written.empty()) << int(portType);
    EXPECT_EQ(serial.params.stopBits, "2");
    EXPECT_EQ(Value(store, "Port", "SerialStopBits"), "2");
  }
  serial.Open();  // the step mirror of the serial link is open all along
  WriteAllSettings(store, settings, &serial, &clock);
  EXPECT_TRUE(serial.written.empty());
}

TEST_F(SerialAlignment, AWrongAnswerIsNoBoard) {
  answer = 0x55;
  WriteAllSettings(store, settings, &serial, &clock);
  EXPECT_FALSE(settings.BoardPresent);
}

TEST_F(SerialAlignment, APortThatWillNotOpenIsNoBoardAndSavesStillHappen) {
  serial.openable = false;
  settings.SerialParity = "Odd";
  WriteAllSettings(store, settings, &serial, &clock);
  EXPECT_FALSE(settings.BoardPresent);
  EXPECT_TRUE(serial.written.empty());
  EXPECT_EQ(Value(store, "Port", "SerialParity"), "Odd");
  EXPECT_EQ(Value(store, "Port", "LibCouple"), "1");
}

}  // namespace
}  // namespace orvane
