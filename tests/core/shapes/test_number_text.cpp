#include "core/shapes/number_text.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(NumberText, PastedTextObeysTheKeyboardRuleAndUnfinishedTextsReadAsZero) {
  const NumberTextRule plain, signedRule{true, true, 0}, twoDigits{false, false, 2};
  for (auto [typed, rule, kept] : {std::tuple{"1,5 mm", plain, "15"},
                                   {"1.2.3", plain, "1.23"},
                                   {"-20", plain, "20"},
                                   {"-20", signedRule, "-20"},
                                   {"2-0", signedRule, "20"},
                                   {"123", twoDigits, "12"},
                                   {"4.5", twoDigits, "45"},
                                   {"abc", plain, ""},
                                   {"9", plain, "9"}}) {
    EXPECT_EQ(CleanNumberText(typed, rule), kept) << typed;
  }
  for (auto [text, value] : {std::pair{"", 0.0}, {"-.", 0.0}, {"5.", 5.0}, {".5", 0.5}}) {
    EXPECT_EQ(NumberTextValue(text), value) << text;
  }
}

}  // namespace
}  // namespace orvane
