#pragma once

#include <string>
#include <vector>

namespace orvane {

// The serial ports present on the machine, as the selector lists them: the
// names of `devFolder`'s ttyS*, ttyUSB* and ttyACM* devices, in natural order
// (ttyS2 before ttyS10), built-in ports first.
std::vector<std::string> ListSerialPorts(const std::string& devFolder = "/dev");

}  // namespace orvane
