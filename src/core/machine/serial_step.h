#pragma once

#include <cstdint>

#include "core/machine/serial_link.h"
#include "core/machine/tick_output.h"

namespace orvane {

class Clock;

// One tick on the serial link (`PortType` 1): the pattern, the high time, a
// zero byte, the low time. Each write is handed to the system before its
// delay starts, so the link's byte time adds to the period.
void SerialStep(SerialPort& serial, Clock& clock, uint8_t pattern, uint32_t highUs, uint16_t lowUs);

// The pulse engine's output on the serial link: the same two bytes per tick,
// timed by the engine's schedule.
class SerialTickOutput : public TickOutput {
 public:
  explicit SerialTickOutput(SerialPort& serial) : serial_(serial) {}
  void Write(uint8_t pattern) override { serial_.Write(&pattern, 1); }

 private:
  SerialPort& serial_;
};

}  // namespace orvane
