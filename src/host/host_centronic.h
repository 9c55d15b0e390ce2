#pragma once

#include <cstdint>
#include <string>

#include "core/app/host_services.h"

namespace orvane {

// CLOCK_MONOTONIC in nanoseconds: 1000 ticks per microsecond.
class MonotonicClock : public Clock {
 public:
  int64_t Counter() override;
  int64_t TicksPerMicrosecond() const override { return 1000; }
  void SleepMilliseconds(int milliseconds) override;
};

// Frequency of the monotonic counter, 0 when the system has none.
int64_t MonotonicCounterFrequency();

// Time-stamp counter over half a second; 0 on a processor without one.
double MeasureCpuClockGHz();

// `model name` of /proc/cpuinfo, "inconnu" when absent.
std::string ReadProcessorName(const std::string& cpuinfoPath = "/proc/cpuinfo");

// Not Windows: code 0, so every port byte goes through the port layer.
uint8_t ClassifyWindows();

// The process formats and parses numbers with the C locale whatever the
// user's locale says, so nothing of the user's needs changing.
bool EnsurePointDecimalSeparator();

// The folder named by an environment variable, with a trailing '/'; empty when unset.
std::string EnvFolder(const char* name);

// `ORVANE_HOME`, else `$XDG_DATA_HOME/orvane/`, else `~/.local/share/orvane/`.
std::string ApplicationFolderPath();

}  // namespace orvane
