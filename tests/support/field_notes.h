#pragma once

#include <gtest/gtest.h>

#include <string_view>

namespace orvane::test {

// An edit left with one note, on `field`, saying `reason`; or none when
// `reason` is empty. For the checked values of the shape windows.
template <class Checked, class Field>
void ExpectNote(const Checked& checked, Field field, std::string_view reason) {
  if (reason.empty()) {
    EXPECT_TRUE(checked.notes.empty());
    return;
  }
  ASSERT_EQ(checked.notes.size(), 1u);
  EXPECT_EQ(checked.notes[0].field, field);
  EXPECT_EQ(checked.notes[0].reason, reason);
}

}  // namespace orvane::test
