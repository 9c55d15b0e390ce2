#include "core/common/text_number.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(FormatReal15, WritesShortestTextWithoutTrailingZeros) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {2.0, "2"},       {0.33, "0.33"},    {2.5, "2.5"},
      {-1.25, "-1.25"}, {1e-5, "0.00001"}, {0.1 + 0.2, "0.3"},
      {-0.0, "0"},      {5000, "5000"},    {1.0 / 3, "0.333333333333333"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatReal15(c.value), c.text) << c.value;
}

TEST(FormatReal15, ReadsBackToTheSameNumber) {
  for (double value : {0.33, 2.0, 1.75, 123.456, 0.000125, 99999.5, 1e-9}) {
    auto back = ParseReal(FormatReal15(value));
    ASSERT_TRUE(back) << value;
    EXPECT_DOUBLE_EQ(*back, value);
  }
}

TEST(ParseInteger, AcceptsOnlyAWholeDecimalInteger) {
  EXPECT_EQ(ParseInteger("200"), 200);
  EXPECT_EQ(ParseInteger("  42"), 42);
  EXPECT_EQ(ParseInteger("-7"), -7);
  EXPECT_EQ(ParseInteger("+3"), 3);
  EXPECT_FALSE(ParseInteger(""));
  EXPECT_FALSE(ParseInteger("   "));
  EXPECT_FALSE(ParseInteger("12abc"));
  EXPECT_FALSE(ParseInteger("2.00"));
  EXPECT_FALSE(ParseInteger("99999999999999999999"));
}

TEST(ParseReal, UsesThePointWhateverTheLocale) {
  EXPECT_EQ(ParseReal("0.33"), 0.33);
  EXPECT_EQ(ParseReal(" 2.00"), 2.0);
  EXPECT_EQ(ParseReal("-4"), -4.0);
  EXPECT_FALSE(ParseReal("1,5"));
  EXPECT_FALSE(ParseReal(""));
  EXPECT_FALSE(ParseReal("nan"));
  EXPECT_FALSE(ParseReal("inf"));
  EXPECT_FALSE(ParseReal("2.0x"));
}

}  // namespace
}  // namespace orvane
