#pragma once

#include <atomic>
#include <cstdint>

#include "core/machine/centronic.h"

namespace orvane {

// Where the pulse engine writes its tick bytes: the parallel port's data
// register or the serial link. One call is one byte, on the output thread.
// False when `stop` ended a wait on a slow device before the byte went out; a
// device that fails throws, which ends the run with the heating off.
class TickOutput {
 public:
  virtual ~TickOutput() = default;
  virtual bool Write(uint8_t pattern, const std::atomic<bool>& stop) = 0;
};

class ParallelTickOutput : public TickOutput {
 public:
  ParallelTickOutput(PortOutput& port, uint16_t dataAddress)
      : port_(port), dataAddress_(dataAddress) {}
  bool Write(uint8_t pattern, const std::atomic<bool>&) override {
    port_.WriteByte(dataAddress_, pattern);
    return true;
  }

 private:
  PortOutput& port_;
  uint16_t dataAddress_;
};

}  // namespace orvane
