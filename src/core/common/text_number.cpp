#include "core/common/text_number.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace orvane {
namespace {

std::string_view SkipLeadingBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

void StripTrailingZeros(std::string& text) {
  if (text.find('.') == std::string::npos) return;
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
}

}  // namespace

std::string FormatReal15(double value) {
  if (!std::isfinite(value)) return "0";
  char buffer[512];
  // %.14e gives exactly 15 significant digits and tells us the exponent, from
  // which the number of decimals of the fixed form follows.
  std::snprintf(buffer, sizeof buffer, "%.14e", value);
  const char* e = std::strchr(buffer, 'e');
  int exponent = e ? std::atoi(e + 1) : 0;
  int decimals = 14 - exponent;
  if (decimals < 0) decimals = 0;
  if (decimals > 340) decimals = 340;
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text(buffer);
  StripTrailingZeros(text);
  if (text == "-0") text = "0";
  return text;
}

std::string FormatFixed(double value, int decimals) {
  char buffer[512];
  // Exact decimal expansion, rounded as printf's "%.*f" does, without its locale.
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) {
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
  }
  return std::string(buffer, end);
}

std::optional<int64_t> ParseInteger(std::string_view text) {
  text = SkipLeadingBlanks(text);
  if (text.empty()) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> ParseReal(std::string_view text) {
  text = SkipLeadingBlanks(text);
  if (text.empty()) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

double RoundHalfEven(double value) {
  return std::nearbyint(value);
}

}  // namespace orvane
