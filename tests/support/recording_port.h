#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "core/machine/centronic.h"
#include "support/scripted_services.h"

namespace orvane::test {

// Records every port write with the fake clock's time; can be told to fail
// from a given write on, as a port that disappears would.
struct RecordingPort : PortOutput {
  struct Write {
    uint16_t address;
    uint8_t value;
    int64_t time;
  };
  explicit RecordingPort(FakeClock* clock = nullptr) : clock(clock) {}
  void WriteByte(uint16_t address, uint8_t value) override {
    if (failFrom && writes.size() + 1 >= failFrom && address == dataAddress) {
      throw std::runtime_error("port perdu");
    }
    writes.push_back({address, value, clock ? clock->now : 0});
  }
  std::string Description() const override { return "enregistreur"; }

  std::vector<Write> To(uint16_t address) const {
    std::vector<Write> out;
    for (const Write& w : writes) {
      if (w.address == address) out.push_back(w);
    }
    return out;
  }

  FakeClock* clock;
  std::vector<Write> writes;
  size_t failFrom = 0;  // data writes from this count on throw; 0 never
  uint16_t dataAddress = 888;
};

}  // namespace orvane::test
