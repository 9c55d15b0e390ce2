#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/cut/step_stream.h"

namespace orvane {

struct MachineSettings;

// One G-code line: "M2 (...)", "F" + feed padded to 46 characters, or the code
// followed by X, Y, A and B each as "%9.3f" (a value that prints as zero is
// "0.000", never "-0.000").
std::string FormatGcodeLine(std::string_view code, uint32_t feed = 0, double x = 0, double y = 0,
                            double a = 0, double b = 0);

// Mean of the four axes' cutting feeds, mm/min.
uint32_t FeedRateMmMin(const MachineSettings& settings);

struct GcodePrograms {
  std::string cut;       // "gcd1"
  std::string opposite;  // "gcd2": the guides exchanged
};
// The feed line, one move per point (G0 to the first), the end line; CR LF.
GcodePrograms GenerateGcode(const std::vector<CutPoint>& points, const MachineSettings& settings);

}  // namespace orvane
