#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/cut/step_stream.h"

namespace orvane {

struct MachineSettings;
class SettingsStore;

// How a cut is written for a controller that takes G-code: GRBL-class boards,
// LinuxCNC, or the ".ovg" letters.
enum class GcodeFeedMode {
  InverseTime,     // G93: F = 1 / the line's duration in minutes
  UnitsPerMinute,  // G94: F over the Euclidean length of the four axes
};

struct GcodeDialect {
  std::string axes = "XYZA";  // the letters of X1, Y1, X2, Y2
  GcodeFeedMode feed = GcodeFeedMode::InverseTime;
  bool heat = false;  // "M3 S<power>" with a pre-heat dwell, "M5" at the end
  int32_t power = 500;
  int32_t sMax = 1000;
};

// The letters for a preset ("xyza", "xyuv", "xyab", any case) or four typed
// letters, in upper case; empty with `error` set when they are not four
// distinct letters of XYZABCUVW.
std::string ParseAxisLetters(std::string_view text, std::string* error);

// Why the dialect cannot be written (letters, power out of 0..SMax); empty
// when it can.
std::string CheckGcodeDialect(const GcodeDialect& dialect);

// The store group of the dialect. Absent values take their factory text
// without a word (the group is newer than many stores); values that cannot
// be read take it too and are listed in `problems`, one line each.
inline constexpr std::string_view kGcodeGroup = "GCode";
struct GcodeDialectRead {
  GcodeDialect dialect;
  std::string problems;
};
GcodeDialectRead ReadGcodeDialect(SettingsStore& store);
// Throws SettingsWriteError, leaving the store as it was, when refused.
void WriteGcodeDialect(SettingsStore& store, const GcodeDialect& dialect);

// What the program takes from the machine settings.
struct GcodeMotion {
  double feedMmMin = 0;  // the cutting speed
  int preheatSeconds = 0;
  int decimals = 3;
};
GcodeMotion GcodeMotionFrom(const MachineSettings& settings);

inline constexpr size_t kMaxGcodeLineLength = 70;

struct DialectProgram {
  std::vector<std::string> lines;  // without line ends
  std::vector<double> seconds;     // each line's planned duration; 0 for a rapid
  std::string error;               // nothing is written when set
  std::string Text() const;        // the lines, each ending with LF
};

// One G1 per point after a G0 to the first, each with its own F, so that both
// guides end every line together at the cutting speed along the longer
// guide's path. Points that repeat the previous one once written with the
// cut's decimals are left out: a line that moves nothing has no duration.
// `opposite` exchanges the guides (the opposite piece).
DialectProgram WriteDialectProgram(const std::vector<CutPoint>& points, const GcodeDialect& dialect,
                                   const GcodeMotion& motion, bool opposite = false);

// The programs of a cut's one or two sets, the second for the opposite
// piece; `error` alone when one cannot be written.
struct DialectSet {
  std::string texts[2];
  std::string error;
};
DialectSet WriteDialectSet(const std::vector<CutPoint>& points, const GcodeDialect& dialect,
                           const GcodeMotion& motion, bool twoCuts);

// What a program about to be streamed says of itself, whoever wrote it: the
// axis letters of its first four-axis move in the order written (X1 Y1 X2
// Y2 for the programs above), empty when it has none; and the dwell after
// its first "M3"/"M4", which a resume must wait again once the heating is
// back, 0 when it does not heat or does not wait.
struct ProgramTraits {
  std::string axes;
  int preheatSeconds = 0;
};
ProgramTraits ReadProgramTraits(const std::vector<std::string>& lines);

}  // namespace orvane
