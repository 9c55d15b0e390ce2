#pragma once

#include "core/app/startup.h"

namespace orvane::test {

// A host whose answers the test sets: by default a sound Linux host.
class FakeHostProbe : public HostProbe {
 public:
  int ScreenHeight() override { return screenHeight; }
  double MeasureCpuClockGHz() override { return 2.5; }
  int64_t CounterFrequency() override { return frequency; }
  uint8_t ClassifyWindows() override { return windowsCode; }
  bool PortDriverPresent() override { return driverPresent; }
  bool EnsurePointDecimalSeparator() override { return separatorWasPoint; }
  std::string FormatOnePointFive() override { return onePointFive; }

  int screenHeight = 1080;
  int64_t frequency = 1000000000;
  uint8_t windowsCode = 0;
  bool driverPresent = true;
  bool separatorWasPoint = true;
  std::string onePointFive = "1.50";
};

}  // namespace orvane::test
