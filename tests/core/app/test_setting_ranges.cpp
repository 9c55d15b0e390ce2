#include "core/app/setting_ranges.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/app/machine_settings.h"

namespace orvane {
namespace {

// The edges of each limit the parameters window keeps to, and texts that are
// no number at all. Values without a range take any text.
TEST(SettingRanges, KeepToTheLimitsOfTheParametersWindow) {
  for (auto [texts, inRange] :
       {std::pair{"X1step=1 X1step=800 X2speed=10000 Periode=25 Periode=75 Pente=20 Pente=90 "
                  "Vmin=0.01 PortType=3 X1io=3 BitChauffe=8 MaxY=9999 FilMax=9999 Port=888 "
                  "PreChauffe=20 MoteursMode=6 MoteursMeca=1 InvTeleY=0 DepTest=200 "
                  "X1clockwise=1 LastSpeedSearch=20 SerialPort=/dev/pts/3 Decimales=anything "
                  "ActChauffe=yes NoSuchValue=-5",
                  true},
        {"X1step=0 y2STEP=801 X2speed=10001 Y1speed=0 Periode=24 Periode=150 Pente=91 Vmin=0 "
         "Vmin=-1 Vmax=abc PortType=4 X1io=7 BitChauffe=3 BitCouple=0 BitCouple=16 MaxX=0 "
         "Fil=10000 Port=0 Port=65535 PreChauffe=21 MoteursMode=7 DepTest=201 ModeArret=2 "
         "X1clockwise=2 X1step= X1step=12abc LastSpeedSearch=20.5",
         false}}) {
    std::istringstream in(texts);
    for (std::string c; in >> c;) {
      const size_t at = c.find('=');
      EXPECT_EQ(SettingInRange(c.substr(0, at), c.substr(at + 1)), inRange) << c;
    }
  }
  EXPECT_EQ(SettingRangeText("periode"), "de 25 à 75");
  EXPECT_EQ(SettingRangeText("BitCouple"), "1, 2, 4 ou 8");
  EXPECT_EQ(SettingRangeText("Vmin"), "supérieure à 0");
  EXPECT_EQ(SettingRangeText("SerialPort"), "");
  // Every value that has a range accepts its own factory text.
  for (const SettingValue& value : AllSettingValues()) {
    EXPECT_TRUE(value.factory.empty() || SettingInRange(value.name, value.factory)) << value.name;
  }
}

}  // namespace
}  // namespace orvane
