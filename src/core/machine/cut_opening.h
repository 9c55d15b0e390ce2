#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

struct MachineSettings;

// What the execution needs from a cut's ".ovi" header.
struct CutHeaderInfo {
  bool olderVersion = false;  // a second line beginning with "v"
  // Lines 6 to 9 and 11 to 14, as written and as numbers.
  std::array<std::string, 8> sizeLines;
  std::array<double, 8> sizes{};    // real X, Y, projected X, Y of profile 1, then of profile 2
  std::array<double, 4> leadIns{};  // lines 16, 17, 19, 20
  // The twelve motor values recorded at generation, in the order X1, Y1, X2, Y2.
  std::array<int64_t, 4> clockwise{}, stepsPerMm{}, ioSlots{};
  // Shown only, so a value that is not a whole number reads as 0 instead of
  // refusing the cut: decimals, guide distance, material position (percent)
  // and thickness, segments, the two developed lengths (lines 4, 22, 24, 26,
  // 43, 45, 46).
  int64_t decimals = 0, guideDistance = 0, materialPosition = 0, materialThickness = 0;
  int64_t segments = 0;
  std::array<int64_t, 2> developed{};
};

struct CutHeaderRead {
  bool ok = false;
  CutHeaderInfo info;
  std::string message;  // why the header cannot be used, in French
};

// Reads the header text. An older version's header is reported as such with
// nothing else read: its lines do not follow this layout.
CutHeaderRead ParseCutHeader(std::string_view text);

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
  std::vector<std::string> differences;  // filled for the step-file links only
  bool stepFileMatches = true;           // the ".ovd" holds the header's tick count
  uint64_t ticks = 0;                    // `CutTickCount`

  bool Compatible() const { return differences.empty(); }
  bool CanAuto(uint8_t portType) const;
  bool CanRun(uint8_t portType) const;
  bool CanSimulate(uint8_t portType) const { return loaded && portType == 2 && hasGcode; }
  bool CanDetail() const { return loaded && hasSteps; }
};

// Opens the cut chosen as `chosenPath` (any of its files' names) with the
// settings in memory; reads only the header and the files' sizes.
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
