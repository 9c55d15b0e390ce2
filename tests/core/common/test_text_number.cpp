#include "core/common/text_number.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/common/cp1252.h"

namespace orvane {
namespace {

// The bytes 0x80..0x9F hold the euro sign and the typographic quotes, which
// take three bytes in UTF-8.
TEST(Cp1252, TheWindowsOnlyBytesReadAsTheirCharactersAndBack) {
  const std::string bytes = "\x80\x85\x92\x9F\xE9";
  const std::string utf8 = "€…’Ÿé";
  EXPECT_EQ(Cp1252ToUtf8(bytes), utf8);
  EXPECT_EQ(Utf8ToCp1252(utf8), bytes);
}

TEST(FormatReal15, WritesShortestTextWithoutTrailingZerosThatReadsBack) {
  const std::pair<double, const char*> cases[] = {
      {2.0, "2"},           {0.33, "0.33"},       {2.5, "2.5"},
      {-1.25, "-1.25"},     {1e-5, "0.00001"},    {0.1 + 0.2, "0.3"},
      {-0.0, "0"},          {5000, "5000"},       {1.0 / 3, "0.333333333333333"},
      {123.456, "123.456"}, {99999.5, "99999.5"}, {1e-9, "0.000000001"}};
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(FormatReal15(value), text) << value;
    EXPECT_NEAR(ParseReal(text).value_or(-1), value, 1e-15 * std::max(1.0, value)) << text;
  }
}

TEST(ParseNumbers, AcceptOnlyAWholeNumberWithThePointWhateverTheLocale) {
  const std::pair<const char*, std::optional<int64_t>> integers[] = {
      {"200", 200},  {"  42", 42}, {"-7", -7},
      {"+3", 3},     {"", {}},     {"   ", {}},
      {"12abc", {}}, {"2.00", {}}, {"99999999999999999999", {}}};
  for (const auto& [text, value] : integers) EXPECT_EQ(ParseInteger(text), value) << text;
  const std::pair<const char*, std::optional<double>> reals[] = {
      {"0.33", 0.33}, {" 2.00", 2.0}, {"-4", -4.0}, {"1,5", {}},
      {"", {}},       {"nan", {}},    {"inf", {}},  {"2.0x", {}}};
  for (const auto& [text, value] : reals) EXPECT_EQ(ParseReal(text), value) << text;
}

}  // namespace
}  // namespace orvane
