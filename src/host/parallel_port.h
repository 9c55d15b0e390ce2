#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/app/host_services.h"
#include "core/machine/centronic.h"
#include "host/virtual_port.h"

namespace orvane {

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
