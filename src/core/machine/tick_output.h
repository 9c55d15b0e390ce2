#pragma once

#include <cstdint>

#include "core/machine/centronic.h"

namespace orvane {

// Where the pulse engine writes its tick bytes: the parallel port's data
// register or the serial link. One call is one byte.
class TickOutput {
 public:
  virtual ~TickOutput() = default;
  virtual void Write(uint8_t pattern) = 0;
};

class ParallelTickOutput : public TickOutput {
 public:
  ParallelTickOutput(PortOutput& port, uint16_t dataAddress)
      : port_(port), dataAddress_(dataAddress) {}
  void Write(uint8_t pattern) override { port_.WriteByte(dataAddress_, pattern); }

 private:
  PortOutput& port_;
  uint16_t dataAddress_;
};

}  // namespace orvane
