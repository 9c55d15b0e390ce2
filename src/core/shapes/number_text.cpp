#include "core/shapes/number_text.h"

#include "core/common/text_number.h"
#include "core/project/drawing_readers.h"

namespace orvane {

std::string CleanNumberText(std::string_view text, const NumberTextRule& rule) {
  std::string out;
  bool point = false;
  for (char c : text) {
    if (rule.maxLength > 0 && static_cast<int>(out.size()) >= rule.maxLength) break;
    if (c >= '0' && c <= '9') {
      out += c;
    } else if (c == '.' && rule.point && !point) {
      out += c;
      point = true;
    } else if (c == '-' && rule.minus && out.empty()) {
      out += c;
    }
  }
  return out;
}

double NumberTextValue(std::string_view text) {
  return ParseReal(text).value_or(0);
}

bool WithinReaderLimits(const PointRows& rows) {
  const auto [width, height] = ProfileExtent(rows, true);
  return width <= kLargestCoordinate && height <= kLargestCoordinate;
}

std::string OversizeReason() {
  return "Forme de plus de " + FormatFixed(kLargestCoordinate, 0) + " mm : valeur refusée.";
}

double AsShown(double value, int decimals) {
  return ParseReal(FormatFixed(value, decimals)).value_or(value);
}

}  // namespace orvane
