#include "core/machine/serial_step.h"

#include <stdexcept>

#include "core/app/host_services.h"
#include "core/machine/centronic.h"

namespace orvane {

bool SerialStep(SerialPort& serial, Clock& clock, uint8_t pattern, uint32_t highUs,
                uint16_t lowUs) {
  const uint8_t zero = 0;
  if (!serial.Write(&pattern, 1)) return false;
  DelayMicroseconds(clock, highUs);
  if (!serial.Write(&zero, 1)) return false;
  DelayMicroseconds(clock, lowUs);
  return true;
}

std::string SerialLinkLostMessage(const std::string& device, const std::string& reason) {
  return "Liaison série perdue sur " + device + (reason.empty() ? "" : " (" + reason + ")") +
         " : découpe arrêtée, positions inconnues.";
}

SerialTickOutput::SerialTickOutput(SerialPort& serial)
    : serial_(serial), device_(serial.Params().port) {}

bool SerialTickOutput::Write(uint8_t pattern, const std::atomic<bool>& stop) {
  const uint8_t zero = 0;
  SerialWrite end = SerialWrite::Done;
  if (zeroOwed_) {
    end = serial_.WriteBytes(&zero, 1, &stop);
    if (end == SerialWrite::Done) zeroOwed_ = false;
  }
  if (end == SerialWrite::Done) end = serial_.WriteBytes(&pattern, 1, &stop);
  if (end == SerialWrite::Stopped) {
    zeroOwed_ = zeroOwed_ || pattern == 0;
    return false;
  }
  if (end == SerialWrite::Failed) {
    throw std::runtime_error(SerialLinkLostMessage(device_, serial_.WriteError()));
  }
  return true;
}

}  // namespace orvane
