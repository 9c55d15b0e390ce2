#include "core/cut/cut_generation.h"

#include <filesystem>
#include <fstream>

#include "core/cut/gcode.h"

namespace orvane {
namespace {

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

std::string CutRefusal(const PointRows& adjusted1, const PointRows& adjusted2,
                       const MachineSettings& settings) {
  const CutTable table = MakeCutTable(adjusted1, adjusted2);
  if (!table.error.empty()) return table.error;
  return CheckCutLimits(table.points, StepAxesFrom(settings));
}

CutGeneration GenerateCut(const PointRows& adjusted1, const PointRows& adjusted2,
                          const MachineSettings& settings, const std::string& cutFolder,
                          bool gcodeOnly, GenerationObserver* observer) {
  CutGeneration g;
  g.table = MakeCutTable(adjusted1, adjusted2);
  const StepAxes axes = StepAxesFrom(settings);
  g.error = g.table.error.empty() ? CheckCutLimits(g.table.points, axes) : g.table.error;
  if (!g.error.empty()) return g;
  g.developed1 = RoundedDevelopedLength(adjusted1);
  g.developed2 = RoundedDevelopedLength(adjusted2);
  if (gcodeOnly) {
    g.steps = GenerateSteps(g.table.points, axes, nullptr, observer);
  } else {
    FileStepSink sink(cutFolder + kTempStepFiles[0], cutFolder + kTempStepFiles[1]);
    if (!sink.Opened()) {
      g.error = "Impossible de créer les fichiers temporaires dans " + cutFolder;
      return g;
    }
    g.steps = GenerateSteps(g.table.points, axes, &sink, observer);
    if (observer) observer->Writing();
    if (!sink.Close() || g.steps.writeFailed) {
      g.error =
          "Impossible d'écrire les fichiers temporaires dans " + cutFolder + " (disque plein ?)";
      return g;
    }
  }
  if (g.steps.aborted) return g;
  if (!gcodeOnly) {
    // What will be cut is read back from the file, as the machine will get it.
    g.deviation = CheckStepFile(cutFolder + kTempStepFiles[0], g.table.points, settings);
    g.checked = true;
    if (!g.deviation.error.empty()) {
      g.error = g.deviation.error;
      return g;
    }
    if (g.deviation.Fault()) {
      g.error = "Fichier de découpe défectueux :\n" + DeviationLine(g.deviation, 0) + "\n" +
                DeviationLine(g.deviation, 1);
      return g;
    }
  }
  const GcodePrograms programs = GenerateGcode(g.table.points, settings);
  if (!WriteText(cutFolder + kTempGcodeFiles[0], programs.cut) ||
      !WriteText(cutFolder + kTempGcodeFiles[1], programs.opposite)) {
    g.error = "Impossible d'écrire le G-code dans " + cutFolder;
  }
  return g;
}

std::string DeviationLine(const CutDeviation& deviation, int side) {
  std::string line = "P" + std::to_string(side + 1) +
                     " - Écart maximal : " + DeviationText(deviation.largest[side]);
  if (deviation.Fault(side))
    line += ", plus d'un pas (" + DeviationText(deviation.step[side]) + ")";
  if (deviation.endsElsewhere) line += ", arrivée hors du dernier point";
  return line;
}

void DeleteTemporaryCutFiles(const std::string& cutFolder) {
  for (const char* name : {"x1", "y1", "x2", "y2", "tmp1", "tmp2", "gcd1", "gcd2"}) {
    std::error_code ignored;
    std::filesystem::remove(cutFolder + name, ignored);
  }
}

CutHeaderData MakeCutHeader(const CutGeneration& generation, const PointRows& adjusted1,
                            const PointRows& adjusted2, int decimals,
                            const ProjectionState& projection, const double (&dimensions)[4]) {
  CutHeaderData d;
  d.decimals = decimals;
  d.projection = projection;
  DefaultZeroSizes(d.projection, dimensions);
  d.leadIn1 = HasLeadIn(adjusted1).value_or(std::pair{0.0, 0.0});
  d.leadIn2 = HasLeadIn(adjusted2).value_or(std::pair{0.0, 0.0});
  const size_t points = generation.table.points.size();
  d.segments = points ? points - 1 : 0;
  d.developed1 = generation.developed1;
  d.developed2 = generation.developed2;
  d.ticks = generation.steps.ticks;
  return d;
}

}  // namespace orvane
