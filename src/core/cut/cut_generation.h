#pragma once

#include <string>

#include "core/cut/cut_check.h"
#include "core/cut/cut_files.h"
#include "core/cut/step_stream.h"

namespace orvane {

struct MachineSettings;

inline constexpr const char* kTempStepFiles[2] = {"tmp1", "tmp2"};
inline constexpr const char* kTempGcodeFiles[2] = {"gcd1", "gcd2"};

// One generation run: the cut table, the step files "tmp1"/"tmp2" (unless
// only G-code is wanted) and the G-code files "gcd1"/"gcd2" in the cut folder.
struct CutGeneration {
  CutTable table;
  GenerationResult steps;
  long developed1 = 0, developed2 = 0;
  std::string error;  // a cell that is not a number, or a file that cannot be written
  // The step file read back and measured against the outlines (not for G-code only).
  bool checked = false;
  CutDeviation deviation;
  bool Ok() const { return error.empty() && !steps.aborted; }
};

// "P1 - Écart maximal : 0,003 mm", and what is wrong when the cut is faulty.
std::string DeviationLine(const CutDeviation& deviation, int side);

// Why a cut cannot be generated (a cell that is not a number, positions or
// ticks out of reach), checked before anything is written; empty when it can.
std::string CutRefusal(const PointRows& adjusted1, const PointRows& adjusted2,
                       const MachineSettings& settings);

CutGeneration GenerateCut(const PointRows& adjusted1, const PointRows& adjusted2,
                          const MachineSettings& settings, const std::string& cutFolder,
                          bool gcodeOnly, GenerationObserver* observer);

// Deletes the temporary files of a generation ("x1" .. "gcd2").
void DeleteTemporaryCutFiles(const std::string& cutFolder);

// The header of a generated cut: sizes, lead-ins, lengths and ticks.
CutHeaderData MakeCutHeader(const CutGeneration& generation, const PointRows& adjusted1,
                            const PointRows& adjusted2, int decimals,
                            const ProjectionState& projection, const double (&dimensions)[4]);

}  // namespace orvane
