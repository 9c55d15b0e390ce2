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

}  // namespace orvane::cli
