#include "core/machine/grbl_settings.h"

#include <algorithm>
#include <array>

#include "core/app/machine_settings.h"
#include "core/app/settings_store.h"
#include "core/common/text_number.h"
#include "core/cut/gcode_dialect.h"

namespace orvane {
namespace {

// Standard rates a serial line is set to without a custom divisor; 250000
// and the like would need one.
constexpr std::array<int, 8> kRates = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
constexpr std::string_view kBaudName = "Bauds";

}  // namespace

std::span<const int> GrblBaudRates() {
  return kRates;
}

std::string GrblBaudRateRefusal(std::string_view text) {
  std::string rates;
  for (int rate : kRates) rates += (rates.empty() ? "" : ", ") + std::to_string(rate);
  return "Vitesse de liaison non prise en charge : « " + std::string(text) +
         " » (possibles : " + rates + " bauds)";
}

std::optional<int> ParseGrblBaudRate(std::string_view text) {
  const auto value = ParseInteger(std::string(text));
  if (!value || std::find(kRates.begin(), kRates.end(), *value) == kRates.end()) {
    return std::nullopt;
  }
  return static_cast<int>(*value);
}

GrblBaudRead ReadGrblBaudRate(SettingsStore& store) {
  GrblBaudRead read;
  const std::string text = store.ReadSettingString(GroupKeyPath(kGcodeGroup), kBaudName);
  if (text.empty()) return read;
  if (const auto baud = ParseGrblBaudRate(text)) {
    read.baud = *baud;
  } else {
    read.problems = "- groupe GCode, valeur Bauds : « " + text + " » → « " +
                    std::to_string(kGrblDefaultBaudRate) + " »\n";
  }
  return read;
}

void WriteGrblBaudRate(SettingsStore& store, int baud) {
  SettingsBatch batch(store);
  store.WriteSettingString(GroupKeyPath(kGcodeGroup), kBaudName, std::to_string(baud));
  batch.Commit();
}

SerialParams GrblSerialParams(const MachineSettings& settings, int baud,
                              const std::string& device) {
  SerialParams params;
  params.port = device.empty() ? settings.SerialPort : device;
  params.baudRate = std::to_string(baud);
  return params;  // 8 data bits, no parity, 1 stop bit, no flow control
}

}  // namespace orvane
