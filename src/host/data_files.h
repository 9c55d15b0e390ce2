#pragma once

#include <string>

namespace orvane {

// The program's own data files (the end sound, the help page): next to the
// executable when it runs from its build folder, under `<prefix>/share/orvane/`
// once installed. `relative` is a name such as "orvane.wav" or "help/orvane.htm".
// Empty when neither place has it.
std::string ProgramDataFile(const std::string& relative);

// The same search from a given executable folder (tests pass their own).
std::string ProgramDataFileFrom(const std::string& executableFolder, const std::string& relative);

}  // namespace orvane
