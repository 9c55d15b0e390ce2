#pragma once

#include <string>
#include <string_view>

namespace orvane {

// The values the parameters window lets a user enter, for every stored value
// that has such a limit. A store or a configuration file edited by hand must
// keep to them too: a duty cycle of 150 % or a bit pair of 7 would reach the
// motors as wrapped timings or an axis that never steps.

// Whether `text` is an allowed value of the setting `name` (matched without
// regard to case). True for a value that has no range, whatever its text.
bool SettingInRange(std::string_view name, std::string_view text);

// The allowed values as the user reads them ("de 25 à 75", "1, 2, 4 ou 8",
// "supérieure à 0"); empty for a value that has no range.
std::string SettingRangeText(std::string_view name);

}  // namespace orvane
