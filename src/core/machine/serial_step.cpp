#include "core/machine/serial_step.h"

namespace orvane {

void SerialStep(SerialPort& serial, Clock& clock, uint8_t pattern, uint32_t highUs,
                uint16_t lowUs) {
  const uint8_t zero = 0;
  serial.Write(&pattern, 1);
  DelayMicroseconds(clock, highUs);
  serial.Write(&zero, 1);
  DelayMicroseconds(clock, lowUs);
}

}  // namespace orvane
