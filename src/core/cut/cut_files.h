#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/cut/projection.h"
#include "core/cut/step_stream.h"

namespace orvane {

struct MachineSettings;

// What the 48-line header says of a generated cut, for set A (set B
// exchanges the two profiles).
struct CutHeaderData {
  int decimals = 3;
  ProjectionState projection;
  std::pair<double, double> leadIn1{0, 0}, leadIn2{0, 0};
  uint64_t segments = 0;
  long developed1 = 0, developed2 = 0;
  uint64_t ticks = 0;
};

// Zero sizes take the Cote fields, then zero projected sizes the real ones.
void DefaultZeroSizes(ProjectionState& state, const double (&dimensions)[4]);

// The ".ovi" header (Windows-1252, CR LF).
std::string WriteCutHeader(const CutHeaderData& data, const MachineSettings& settings, bool setB);

// What a ".ovi" header says, as read back.
struct CutHeaderInfo {
  bool olderVersion = false;  // a second line beginning with "v"
  // Lines 6 to 9 and 11 to 14, as written and as numbers.
  std::array<std::string, 8> sizeLines;
  std::array<double, 8> sizes{};    // real X, Y, projected X, Y of profile 1, then of profile 2
  std::array<double, 4> leadIns{};  // lines 16, 17, 19, 20
  // The twelve motor values recorded at generation, in the order X1, Y1, X2, Y2.
  std::array<int64_t, 4> clockwise{}, stepsPerMm{}, ioSlots{};
  // Decimals, guide distance, material position (percent) and thickness,
  // segments, the two developed lengths (lines 4, 22, 24, 26, 43, 45, 46).
  int64_t decimals = 0, guideDistance = 0, materialPosition = 0, materialThickness = 0;
  int64_t segments = 0;
  std::array<int64_t, 2> developed{};
  uint64_t ticks = 0;  // line 48
};

struct CutHeaderRead {
  bool ok = false;
  CutHeaderInfo info;
  std::string message;  // why the header cannot be used, in French, naming the line
};

// The most a size or a lead-in of a header may hold, in mm. A profile spans
// at most 1,000,000 mm; a projection stretches it toward the guides by at
// most the guide distance over the thickness (9999 / 1), so the cut window
// cannot write more.
inline constexpr double kLargestHeaderSize = 1e11;

// Reads the header text. It has exactly the 48 lines the cut window writes,
// and every number lies within what that window can write; anything else is
// refused, naming the line. An older version's header is reported as such
// with nothing else read: its lines do not follow this layout.
CutHeaderRead ParseCutHeader(std::string_view text);

// Reads and parses a header file. A missing file, anything but a regular
// file, and a file far larger than a header are refused without being read.
CutHeaderRead ReadCutHeaderFile(const std::string& path);

// The ".ovs" points: four little-endian doubles per point (X2, Y2, X1, Y1 for set B).
std::string WriteCutPoints(const std::vector<CutPoint>& points, bool setB);

// The name the save dialog proposes: profile 1's file name, "_A" with two cuts.
std::string ProposedCutName(const std::string& profileFileName, bool twoCuts);

// The base of a set's files: the chosen path without its extension.
std::string CutBase(const std::string& chosenPath);

struct CutFileSetNames {
  std::string steps, gcode, header, points;  // ".ovd", ".ovg", ".ovi", ".ovs"
  std::string controller;                    // ".nc", for a G-code controller
};
// One cut: base + ext; two cuts: base + "_A" / "_B" + ext.
CutFileSetNames CutSetNames(const std::string& base, bool twoCuts, bool setB);

}  // namespace orvane
