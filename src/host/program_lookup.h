#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orvane {

// The first of `names` that is an executable file in a folder of `searchPath`
// (folders separated by ':', as in PATH), as a full path; empty when none is.
// Empty and relative folders are skipped: a calculator is never started from
// whatever the current folder happens to be.
std::string FindProgram(std::span<const std::string_view> names, std::string_view searchPath);

// The desktop calculators, in the order they are looked for.
std::span<const std::string_view> CalculatorPrograms();

}  // namespace orvane
