#pragma once
// The GRBL link's own settings: the serial device is the serial link's, the
// baud rate lives in the store's GCode group (the configuration file keeps
// the values of the three older links only).

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/machine/serial_link.h"

namespace orvane {

struct MachineSettings;
class SettingsStore;

inline constexpr int kGrblDefaultBaudRate = 115200;

// The rates a serial port can be set to on this system.
std::span<const int> GrblBaudRates();
// "Vitesse de liaison non prise en charge…" naming the possible rates.
std::string GrblBaudRateRefusal(std::string_view text);
// The rate `text` names when it is one of those; nullopt otherwise.
std::optional<int> ParseGrblBaudRate(std::string_view text);

struct GrblBaudRead {
  int baud = kGrblDefaultBaudRate;
  std::string problems;  // one line per value that could not be read
};
// Absent gives 115200 without a word; unreadable gives it with a line.
GrblBaudRead ReadGrblBaudRate(SettingsStore& store);
// Throws SettingsWriteError, leaving the store as it was, when refused.
void WriteGrblBaudRate(SettingsStore& store, int baud);

// The controller's port: the serial link's device (or `device`), 8N1 with
// no flow control at `baud`.
SerialParams GrblSerialParams(const MachineSettings& settings, int baud,
                              const std::string& device = {});

}  // namespace orvane
