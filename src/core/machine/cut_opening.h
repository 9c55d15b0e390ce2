#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/cut/cut_files.h"

namespace orvane {

struct MachineSettings;

// The motor settings that differ between the cut and the machine, one text
// per value ("X1 : 200 pas/mm dans la découpe, 400 pas/mm dans les réglages"); empty
// when the cut may run on the step-file links.
std::vector<std::string> DifferingSettings(const CutHeaderInfo& info,
                                           const MachineSettings& settings);

// A cut opened for running: what the execution window shows and allows.
struct OpenedCut {
  std::string base;     // the chosen path without its four-character extension
  bool loaded = false;  // a header was found and read
  CutHeaderInfo header;
  std::string message;  // a header that could not be read, a step file that does not match
  bool hasSteps = false, hasGcode = false, hasPoints = false;
  bool hasProgram = false;               // the ".nc" a GRBL-class controller runs
  std::vector<std::string> differences;  // filled for the step-file links only
  bool stepFileMatches = true;           // the ".ovd" holds the header's ticks and fits its sizes
  uint64_t ticks = 0;                    // `CutTickCount`

  bool Compatible() const { return differences.empty(); }
  bool CanAuto(uint8_t portType) const;
  bool CanRun(uint8_t portType) const;
  bool CanSimulate(uint8_t portType) const { return loaded && portType == 2 && hasGcode; }
  bool CanDetail() const { return loaded && hasSteps; }
};

// Opens the cut chosen as `chosenPath` (any of its files' names) with the
// settings in memory. For the step-file links the step file is decoded to
// check it against the header, in one pass.
OpenedCut OpenCut(const std::string& chosenPath, const MachineSettings& settings);

// The proposed foam block, in whole millimetres.
struct BlockSize {
  int64_t width = 0;
  int64_t height = 0;
};
BlockSize ProposeBlock(const CutHeaderInfo& info);

// Whether the block is at least 1 mm larger than both profiles' real sizes.
struct BlockFit {
  bool widthOk = false;
  bool heightOk = false;
  bool Fits() const { return widthOk && heightOk; }
};
BlockFit CheckBlock(const CutHeaderInfo& info, int64_t width, int64_t height);

}  // namespace orvane
