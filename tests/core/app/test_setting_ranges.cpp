#include "core/app/setting_ranges.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/app/machine_settings.h"
#include "core/app/settings_document.h"
#include "core/machine/centronic.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;

struct RangeCase {
  const char* name;
  const char* text;
  bool allowed;
};

// The edges of each limit the parameters window keeps to, and texts that are
// no number at all.
constexpr RangeCase kCases[] = {
    {"X1step", "1", true},
    {"X1step", "800", true},
    {"X1step", "0", false},
    {"y2STEP", "801", false},
    {"X2speed", "10000", true},
    {"X2speed", "10001", false},
    {"Y1speed", "0", false},
    {"Periode", "25", true},
    {"Periode", "75", true},
    {"Periode", "24", false},
    {"Periode", "150", false},
    {"Pente", "20", true},
    {"Pente", "90", true},
    {"Pente", "91", false},
    {"Vmin", "0.01", true},
    {"Vmin", "0", false},
    {"Vmin", "-1", false},
    {"Vmax", "abc", false},
    {"PortType", "2", true},
    {"PortType", "3", false},
    {"X1io", "3", true},
    {"X1io", "7", false},
    {"BitChauffe", "8", true},
    {"BitChauffe", "3", false},
    {"BitCouple", "0", false},
    {"BitCouple", "16", false},
    {"MaxX", "0", false},
    {"MaxY", "9999", true},
    {"Fil", "10000", false},
    {"Port", "888", true},
    {"Port", "0", false},
    {"Port", "65535", false},
    {"PreChauffe", "20", true},
    {"PreChauffe", "21", false},
    {"MoteursMode", "6", true},
    {"MoteursMode", "7", false},
    {"LastSpeedSearch", "20", true},
    {"LastSpeedSearch", "20.5", false},
    {"DepTest", "200", true},
    {"DepTest", "201", false},
    {"ModeArret", "2", false},
    {"X1clockwise", "1", true},
    {"X1clockwise", "2", false},
    {"X1step", "", false},
    {"X1step", "12abc", false},
    // Values without a range take any text.
    {"SerialPort", "/dev/pts/3", true},
    {"Decimales", "anything", true},
    {"ActChauffe", "yes", true},
    {"NoSuchValue", "-5", true},
};

TEST(SettingRanges, KeepToTheLimitsOfTheParametersWindow) {
  for (const RangeCase& c : kCases) {
    EXPECT_EQ(SettingInRange(c.name, c.text), c.allowed) << c.name << " = " << c.text;
  }
}

TEST(SettingRanges, SayWhichValuesAreAllowed) {
  EXPECT_EQ(SettingRangeText("periode"), "de 25 à 75");
  EXPECT_EQ(SettingRangeText("BitCouple"), "1, 2, 4 ou 8");
  EXPECT_EQ(SettingRangeText("Vmin"), "supérieure à 0");
  EXPECT_EQ(SettingRangeText("SerialPort"), "");
}

// Every value that has a range accepts its own factory text.
TEST(SettingRanges, EveryFactoryTextIsInRange) {
  for (const SettingValue& value : AllSettingValues()) {
    if (value.factory.empty()) continue;
    EXPECT_TRUE(SettingInRange(value.name, value.factory)) << value.name;
  }
}

TEST(ReadSettings, AValueOutsideItsRangeIsReportedAndGetsItsFactoryText) {
  MemorySettingsStore store;
  MachineSettings s;
  s.ProjectPath = s.CutPath = s.DxfPath = s.ExportPath = "/tmp/";
  WriteDefaultSettings(store, s);
  // A duty cycle of 150 % fits 8 bits but would split a 5000 µs period into a
  // high time of 7500 µs and a low time that wraps to 63,036 µs.
  store.WriteSettingString(GroupKeyPath("Machine"), "Periode", "150");
  // A bit pair of 7 has no bits on the port: the axis would never step.
  store.WriteSettingString(GroupKeyPath("Port"), "Y2io", "7");
  store.WriteSettingString(GroupKeyPath("Port"), "BitChauffe", "3");
  store.WriteSettingString(GroupKeyPath("Machine"), "Vmin", "0");
  store.WriteSettingString(GroupKeyPath("Machine"), "Pente", "90");  // the edge is allowed

  SettingsProblems problems = ReadAllSettings(store, s, nullptr);
  ASSERT_EQ(problems.size(), 4u);
  EXPECT_EQ(s.Periode, 50);
  EXPECT_EQ(s.Y2io, 3);
  EXPECT_EQ(AxisPairMask(static_cast<uint8_t>(s.Y2io)), 192);
  EXPECT_EQ(s.BitChauffe, 2);
  EXPECT_EQ(s.Vmin, 0.33);
  EXPECT_EQ(s.Pente, 90);
  const PulseSplit split = SplitPeriod(static_cast<uint32_t>(s.X1speed), s.Periode);
  EXPECT_EQ(split.highUs + split.lowUs, 5000);

  const std::string message = DescribeSettingsProblems(problems);
  EXPECT_THAT(
      message,
      HasSubstr("groupe Machine, valeur Periode : « 150 » hors limites (de 25 à 75) → « 50 »"));
  EXPECT_THAT(message, HasSubstr("valeur Y2io : « 7 » hors limites (de 0 à 3) → « 3 »"));
  EXPECT_THAT(message, HasSubstr("valeur BitChauffe : « 3 » hors limites (1, 2, 4 ou 8)"));

  // The next save writes the factory texts back.
  WriteAllSettings(store, s, nullptr, nullptr);
  EXPECT_EQ(store.ReadSettingString(GroupKeyPath("Machine"), "Periode"), "50");
  EXPECT_EQ(store.ReadSettingString(GroupKeyPath("Port"), "Y2io"), "3");
}

}  // namespace
}  // namespace orvane
