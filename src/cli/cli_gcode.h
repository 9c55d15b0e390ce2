#pragma once
// The G-code dialect options of `generate`: --dialect, --feed, --heat.
#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "core/cut/gcode_dialect.h"

namespace orvane::cli {

// The dialect the options ask for, the settings store's `GCode` group giving
// what they leave out; nothing without --dialect. `usage` is set (and nothing
// returned) when an option is wrong.
std::optional<GcodeDialect> DialectFromArgs(const ParsedArgs& args, std::string* usage);

// BASE.nc, or BASE_A.nc and BASE_B.nc beside a pair of opposite cuts; false,
// with the reason on stderr and nothing written, when the program cannot be
// written for this cut.
struct DialectFiles {
  std::string paths[2];
  std::string texts[2];
  int count = 0;
};
std::optional<DialectFiles> MakeDialectFiles(const std::vector<CutPoint>& points,
                                             const GcodeDialect& dialect,
                                             const MachineSettings& settings,
                                             const std::string& base, bool twoCuts);

}  // namespace orvane::cli
