#pragma once

#include <cstdint>
#include <string>
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

// The ".ovs" points: four little-endian doubles per point (X2, Y2, X1, Y1 for set B).
std::string WriteCutPoints(const std::vector<CutPoint>& points, bool setB);

// The name the save dialog proposes: profile 1's file name, "_A" with two cuts.
std::string ProposedCutName(const std::string& profileFileName, bool twoCuts);

// The base of a set's files: the chosen path without its extension.
std::string CutBase(const std::string& chosenPath);

struct CutFileSetNames {
  std::string steps, gcode, header, points;  // ".ovd", ".ovg", ".ovi", ".ovs"
};
// One cut: base + ext; two cuts: base + "_A" / "_B" + ext.
CutFileSetNames CutSetNames(const std::string& base, bool twoCuts, bool setB);

}  // namespace orvane
