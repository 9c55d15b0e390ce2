#include "core/shapes/number_text.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(NumberText, PastedTextObeysTheKeyboardRule) {
  const NumberTextRule plain;
  const NumberTextRule signedRule{true, true, 0};
  const NumberTextRule twoDigits{false, false, 2};
  struct Case {
    const char* typed;
    const NumberTextRule& rule;
    const char* kept;
  } cases[] = {
      {"12.5", plain, "12.5"},   {"1,5 mm", plain, "15"},    {"1.2.3", plain, "1.23"},
      {"-20", plain, "20"},      {"-20", signedRule, "-20"}, {"2-0", signedRule, "20"},
      {"--3", signedRule, "-3"}, {"123", twoDigits, "12"},   {"4.5", twoDigits, "45"},
      {"", plain, ""},           {"abc", plain, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanNumberText(c.typed, c.rule), c.kept) << c.typed;
}

TEST(NumberText, UnfinishedTextsReadAsZero) {
  for (const char* text : {"", "-", ".", "-."}) EXPECT_EQ(NumberTextValue(text), 0) << text;
  EXPECT_EQ(NumberTextValue("5."), 5);
  EXPECT_EQ(NumberTextValue(".5"), 0.5);
  EXPECT_EQ(NumberTextValue("-20"), -20);
}

}  // namespace
}  // namespace orvane
