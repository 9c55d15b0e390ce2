#include "core/app/setting_ranges.h"

#include <array>
#include <cstdint>

#include "core/common/text_number.h"

namespace orvane {
namespace {

enum class Rule {
  IntegerSpan,   // whole number from `low` to `high`
  Mask,          // one output bit of the control register's low nibble
  PositiveReal,  // real number above 0
  RealUpTo,      // real number above 0 and at most `high`
};

struct Range {
  std::string_view name;
  Rule rule;
  int64_t low = 0;
  int64_t high = 0;
};

// The limits of the parameters window's fields (and of the wizard and manual
// control where they edit a value).
constexpr auto kRanges = std::to_array<Range>({
    {"X1clockwise", Rule::IntegerSpan, 0, 1},
    {"Y1clockwise", Rule::IntegerSpan, 0, 1},
    {"X2clockwise", Rule::IntegerSpan, 0, 1},
    {"Y2clockwise", Rule::IntegerSpan, 0, 1},
    {"X1step", Rule::IntegerSpan, 1, 800},
    {"Y1step", Rule::IntegerSpan, 1, 800},
    {"X2step", Rule::IntegerSpan, 1, 800},
    {"Y2step", Rule::IntegerSpan, 1, 800},
    {"X1speed", Rule::IntegerSpan, 1, 10000},
    {"Y1speed", Rule::IntegerSpan, 1, 10000},
    {"X2speed", Rule::IntegerSpan, 1, 10000},
    {"Y2speed", Rule::IntegerSpan, 1, 10000},

    {"Periode", Rule::IntegerSpan, 25, 75},
    // Capacities and wire lengths are four-digit edits that refuse 0.
    {"MaxX", Rule::IntegerSpan, 1, 9999},
    {"MaxY", Rule::IntegerSpan, 1, 9999},
    {"Fil", Rule::IntegerSpan, 1, 9999},
    {"FilMax", Rule::IntegerSpan, 1, 9999},
    {"Vadm", Rule::PositiveReal},
    {"Vmax", Rule::PositiveReal},
    {"Vmin", Rule::PositiveReal},
    {"Pente", Rule::IntegerSpan, 20, 90},

    {"PortType", Rule::IntegerSpan, 0, 3},
    // Four hexadecimal digits, not 0; the control register at `Port` + 2 must
    // still be an address.
    {"Port", Rule::IntegerSpan, 1, 0xFFFD},
    {"X1io", Rule::IntegerSpan, 0, 3},
    {"Y1io", Rule::IntegerSpan, 0, 3},
    {"X2io", Rule::IntegerSpan, 0, 3},
    {"Y2io", Rule::IntegerSpan, 0, 3},
    {"BitChauffe", Rule::Mask},
    {"PreChauffe", Rule::IntegerSpan, 0, 20},
    {"BitCouple", Rule::Mask},

    {"MoteursType", Rule::IntegerSpan, 1, 65535},
    {"MoteursMode", Rule::IntegerSpan, 0, 6},
    {"MoteursMeca", Rule::IntegerSpan, 1, 65535},
    {"LastSpeedSearch", Rule::RealUpTo, 0, 20},

    {"DepTest", Rule::IntegerSpan, 1, 200},
    {"DepDefaut", Rule::IntegerSpan, 1, 9999},
    {"InvTeleX", Rule::IntegerSpan, 0, 1},
    {"InvTeleY", Rule::IntegerSpan, 0, 1},
    {"OrigineAuto", Rule::IntegerSpan, 0, 1},
    {"ModeArret", Rule::IntegerSpan, 0, 1},
});

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

const Range* FindRange(std::string_view name) {
  for (const Range& range : kRanges) {
    if (EqualsNoCase(range.name, name)) return &range;
  }
  return nullptr;
}

}  // namespace

bool SettingInRange(std::string_view name, std::string_view text) {
  const Range* range = FindRange(name);
  if (!range) return true;
  switch (range->rule) {
    case Rule::IntegerSpan: {
      const auto value = ParseInteger(text);
      return value && *value >= range->low && *value <= range->high;
    }
    case Rule::Mask: {
      const auto value = ParseInteger(text);
      return value && (*value == 1 || *value == 2 || *value == 4 || *value == 8);
    }
    case Rule::PositiveReal: {
      const auto value = ParseReal(text);
      return value && *value > 0;
    }
    case Rule::RealUpTo: {
      const auto value = ParseReal(text);
      return value && *value > 0 && *value <= static_cast<double>(range->high);
    }
  }
  return false;
}

std::string SettingRangeText(std::string_view name) {
  const Range* range = FindRange(name);
  if (!range) return {};
  switch (range->rule) {
    case Rule::IntegerSpan:
      return "de " + std::to_string(range->low) + " à " + std::to_string(range->high);
    case Rule::Mask:
      return "1, 2, 4 ou 8";
    case Rule::PositiveReal:
      return "supérieure à 0";
    case Rule::RealUpTo:
      return "supérieure à 0 et au plus " + std::to_string(range->high);
  }
  return {};
}

}  // namespace orvane
