#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/app/host_services.h"
#include "core/machine/centronic.h"

namespace orvane {

// Records every write with the counter value at that moment: a dry run when
// no real port can be reached, and the recording port of the tests.
class VirtualPort : public PortOutput {
 public:
  struct Write {
    uint16_t address;
    uint8_t value;
    int64_t time;
  };
  explicit VirtualPort(Clock* clock = nullptr, size_t capacity = 1 << 20)
      : clock_(clock), capacity_(capacity) {}
  void WriteByte(uint16_t address, uint8_t value) override;
  std::string Description() const override;
  const std::vector<Write>& Writes() const { return writes_; }
  uint64_t DroppedWrites() const { return dropped_; }
  void Clear() { writes_.clear(), dropped_ = 0; }

 private:
  Clock* clock_;
  size_t capacity_;
  std::vector<Write> writes_;
  uint64_t dropped_ = 0;
};

enum class ParallelBackend { Automatic, Ppdev, Direct, Virtual };

// `ORVANE_PARPORT` = "ppdev", "direct" or "virtual" forces one back end.
ParallelBackend ParallelBackendFromEnvironment();

// The first back end that reaches the port at `base`: the ppdev device whose
// base address matches, then direct I/O where the system allows it, else the
// virtual port. `sysfsRoot` is where the parport entries are listed.
std::unique_ptr<PortOutput> OpenParallelPort(uint16_t base, ParallelBackend backend, Clock* clock,
                                             const std::string& procRoot = "/proc/sys/dev/parport");

// The ppdev device (/dev/parportN) whose base address equals `base`; empty when none.
std::string FindPpdevDevice(uint16_t base, const std::string& procRoot);

}  // namespace orvane
