#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Whether a saved cut's step file is the one its header describes. A set
// whose save was interrupted, or whose files were copied from different
// cuts, can pair a header with another cut's step file; played, it would
// drive the machine along the wrong path, so such a set is refused.
struct CutStepCheck {
  bool ok = false;
  // The cut's tick count: line 48 of the header when the header goes on
  // after line 46, else the step file's size, else 0.
  uint64_t ticks = 0;
  std::string message;  // why the set is refused, in French
};

// `header` is the ".ovi" text; `stepFileSize` the ".ovd" file's size, none
// when the set has no step file (a G-code-only cut).
CutStepCheck CheckCutStepFile(std::string_view header, std::optional<uint64_t> stepFileSize);

// The same for the set on disk: reads `base` + ".ovi" and the size of
// `base` + ".ovd".
CutStepCheck CheckCutSet(const std::string& base);

}  // namespace orvane
