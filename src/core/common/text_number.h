#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Numbers are always written and read with '.' as the decimal point, whatever
// the user's locale, so files and settings move between machines unchanged.

// Shortest fixed-point text with at most 15 significant digits and no trailing
// zeros: 2.0 -> "2", 0.33 -> "0.33", 1e-5 -> "0.00001".
std::string FormatReal15(double value);

// Fixed format with `decimals` digits after the point ("%.6f", "%.3f", ...).
std::string FormatFixed(double value, int decimals);

// Locale-independent parse of a whole text as a decimal integer. Leading
// blanks are skipped; empty text, trailing garbage and overflow are refused.
std::optional<int64_t> ParseInteger(std::string_view text);

// Locale-independent parse of a whole text as a real number with '.'.
// Leading blanks are skipped; empty text and trailing garbage are refused.
std::optional<double> ParseReal(std::string_view text);

// Round to the nearest integer, halves to even (1000.5 -> 1000, 1001.5 -> 1002).
double RoundHalfEven(double value);

}  // namespace orvane
