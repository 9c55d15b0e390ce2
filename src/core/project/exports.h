#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/project/profile.h"

namespace orvane {

// Rows re-anchored so that the smallest X and Y are 0, as the exports write them.
std::vector<std::pair<double, double>> AnchoredPoints(const PointRows& rows);

// "[ X ];[ Y ]" then "X;Y" lines, "%.6f", CR LF.
std::string WriteCsv(const PointRows& rows);

enum class DatSeparator { Tab, Space };
// An optional comment line, then "X<sep>Y" lines, "%.6f", CR LF.
std::string WriteDat(const PointRows& rows, const std::string& comment, DatSeparator separator);

// An AutoCAD 2000 drawing holding the profile as one light-weight polyline
// on layer "1" in model space.
std::string WriteDxf(const PointRows& rows);

// The CUT layout: "T:t XG:x1 YG:y1 XD:x2 YD:y2" with D decimals; t is 10 for
// the first point, then the mean segment length over `meanSpeed`.
std::string WriteCutProject(const PointRows& adjusted1, const PointRows& adjusted2, int decimals,
                            double meanSpeed);

inline constexpr std::string_view kIncompatibleCut = "Fichier CUT incompatible";

struct CutProjectRead {
  bool ok = false;
  PointRows rows1, rows2;  // "%.6f"
  std::string message;     // when not ok, naming the line at fault
};
// The lines holding all five keys; the t values are ignored. A value that is
// not a number, or lies beyond kLargestCoordinate, refuses the whole file.
CutProjectRead ReadCutProject(std::string_view bytes);

// Rows equal in text to the row after them, which the import removes.
size_t CountConsecutiveDuplicates(const PointRows& rows);
void RemoveConsecutiveDuplicates(PointRows& rows);

}  // namespace orvane
