#pragma once

#include <cstdint>
#include <string>

#include "core/machine/serial_link.h"
#include "core/machine/tick_output.h"

namespace orvane {

class Clock;

// One tick on the serial link (`PortType` 1): the pattern, the high time, a
// zero byte, the low time. Each write is handed to the system before its
// delay starts, so the link's byte time adds to the period. False when a
// write failed: the link is lost.
bool SerialStep(SerialPort& serial, Clock& clock, uint8_t pattern, uint32_t highUs, uint16_t lowUs);

// What a run that lost the serial link says, naming the device.
std::string SerialLinkLostMessage(const std::string& device, const std::string& reason);

// The pulse engine's output on the serial link: the same two bytes per tick,
// timed by the engine's schedule. A failed or short write throws the lost
// link's message; a stop while the device is slow ends the write unsent.
class SerialTickOutput : public TickOutput {
 public:
  // Built on the window thread: the message is ready before the output
  // thread could need it.
  explicit SerialTickOutput(SerialPort& serial);
  bool Write(uint8_t pattern, const std::atomic<bool>& stop) override;

 private:
  SerialPort& serial_;
  std::string device_;
  // The zero of a tick whose write a stop cut short: it goes first on resuming,
  // so no step edge is lost.
  bool zeroOwed_ = false;
};

}  // namespace orvane
