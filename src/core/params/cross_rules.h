#pragma once
// Rules that span several settings. A value alone may be within its limits
// while two together make no machine: a wire between guides longer than the
// wire, two axes on one bit pair, a cutting speed outside the motors' range,
// heating and hold on one output.

#include <string>
#include <vector>

namespace orvane {

struct MachineSettings;

enum class CrossRule {
  WireLength,          // Fil <= FilMax
  DistinctBitPairs,    // X1io, Y1io, X2io, Y2io all different (step links)
  SpeedOrder,          // Vmin <= Vcut <= Vmax
  DistinctOutputBits,  // BitChauffe != BitCouple (parallel link)
};

struct CrossRuleBreak {
  CrossRule rule;
  std::string message;  // names both values
};

// The rules `settings` breaks, in the order above. `Vcut` is computed from the
// motor values, not taken from the field. Bit pairs matter only on the links
// that play step bytes, output bits only on the parallel link.
std::vector<CrossRuleBreak> CrossRuleBreaks(const MachineSettings& settings);

// One line for the project window's status line; empty when every rule holds.
std::string CrossRuleStatus(const MachineSettings& settings);

}  // namespace orvane
