#pragma once

#include "core/app/startup.h"

namespace orvane::ui {

// Start-up's questions to the host, answered on Linux.
class QtHostProbe : public HostProbe {
 public:
  int ScreenHeight() override;
  double MeasureCpuClockGHz() override;
  int64_t CounterFrequency() override;
  uint8_t ClassifyWindows() override;
  // The port layer is built in.
  bool PortDriverPresent() override { return true; }
  bool EnsurePointDecimalSeparator() override;
  std::string FormatOnePointFive() override;
};

}  // namespace orvane::ui
