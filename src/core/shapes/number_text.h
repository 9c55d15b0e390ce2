#pragma once

#include <string>
#include <string_view>

#include "core/project/profile.h"

namespace orvane {

// What a number edit of the shape windows accepts: digits, one decimal
// point when allowed, one leading minus sign when allowed, at most
// `maxLength` characters (0: no limit).
struct NumberTextRule {
  bool point = true;
  bool minus = false;
  int maxLength = 0;
};

// The text as if it had been typed key by key through the edit's filter, so
// that a paste obeys the same rule as the keyboard.
std::string CleanNumberText(std::string_view text, const NumberTextRule& rule);

// The value of an edit's text; empty, "-", "." and "-." read as 0.
double NumberTextValue(std::string_view text);

// `value` as an edit shows it with `decimals` decimals.
double AsShown(double value, int decimals);

// Why a value typed into a shape window's edit was not taken as typed, for
// the field whose edit shows it.
template <class Values>
struct FieldNote {
  double Values::*field;
  std::string reason;
};

// Whether generated rows stay within what the drawing readers take, and what
// the window says when they do not.
bool WithinReaderLimits(const PointRows& rows);
std::string OversizeReason();

}  // namespace orvane
