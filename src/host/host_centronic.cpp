#include "host/host_centronic.h"

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <fstream>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace orvane {

std::string EnvFolder(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return {};
  std::string folder(value);
  if (folder.back() != '/') folder += '/';
  return folder;
}

int64_t MonotonicClock::Counter() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void MonotonicClock::SleepMilliseconds(int milliseconds) {
  timespec delay{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000};
  while (nanosleep(&delay, &delay) != 0) {
  }
}

int64_t MonotonicCounterFrequency() {
  timespec resolution{};
  if (clock_getres(CLOCK_MONOTONIC, &resolution) != 0) return 0;
  return 1000000000;
}

double MeasureCpuClockGHz() {
#if defined(__x86_64__) || defined(__i386__)
  MonotonicClock clock;
  clock.SleepMilliseconds(10);
  const uint64_t start = __rdtsc();
  clock.SleepMilliseconds(500);
  const uint64_t end = __rdtsc();
  return static_cast<double>(end - start) / 500000000.0;
#else
  return 0;
#endif
}

std::string ReadProcessorName(const std::string& cpuinfoPath) {
  std::ifstream in(cpuinfoPath);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("model name", 0) != 0) continue;
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    size_t start = line.find_first_not_of(" \t", colon + 1);
    if (start != std::string::npos) return line.substr(start);
  }
  return "inconnu";
}

uint8_t ClassifyWindows() {
  return 0;
}

bool EnsurePointDecimalSeparator() {
  setlocale(LC_NUMERIC, "C");
  return true;
}

std::string ApplicationFolderPath() {
  std::string folder = EnvFolder("ORVANE_HOME");
  if (!folder.empty()) return folder;
  std::string base = EnvFolder("XDG_DATA_HOME");
  if (base.empty()) base = EnvFolder("HOME") + ".local/share/";
  return base + "orvane/";
}

}  // namespace orvane
