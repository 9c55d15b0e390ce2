#include "core/params/field_text.h"

#include <cmath>
#include <limits>

#include "core/common/text_number.h"

namespace orvane {

std::string CleanFieldText(std::string_view text, FieldKind kind, size_t maxLength) {
  std::string clean;
  bool point = false;
  for (char c : text) {
    bool keep = c >= '0' && c <= '9';
    if (kind == FieldKind::HexDigits)
      keep = keep || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    if (kind == FieldKind::Decimal && c == '.' && !point) keep = point = true;
    if (!keep) continue;
    if (maxLength > 0 && clean.size() >= maxLength) break;
    clean += c;
  }
  return clean;
}

std::optional<double> FieldNumber(std::string_view text) {
  const auto value = ParseReal(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

std::optional<int> FieldInteger(std::string_view text) {
  const auto value = ParseInteger(text);
  if (!value || *value < std::numeric_limits<int>::min() ||
      *value > std::numeric_limits<int>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(*value);
}

}  // namespace orvane
