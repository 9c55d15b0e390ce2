#include "core/app/settings_document.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(SettingsDocument, MatchesKeysAndNamesWithoutRegardToCaseAndReadsLeniently) {
  SettingsDocument d =
      SettingsDocument::Parse("[.Default\\Software\\Orvane\\Moteurs]\nX1step=400\n");
  EXPECT_EQ(d.Read(".default\\software\\orvane\\MOTEURS", "x1STEP"), "400");
  d.Write(".DEFAULT\\Software\\Orvane\\Moteurs", "X1STEP", "800");
  EXPECT_EQ(d.Serialize(), "[.Default\\Software\\Orvane\\Moteurs]\nX1step=800\n");
  // A hand-edited file is read leniently.
  const char* text =
      "stray line before any section\r\n"
      "[A]\r\n"
      "one=1\r\n"
      "line without equals\r\n"
      "=no name\r\n"
      "[B]\n"
      "two=  2 \n"
      "[a]\n"
      "ONE=uno\n"
      "three=3\n";
  d = SettingsDocument::Parse(text);
  EXPECT_EQ(d.Read("A", "one"), "uno");  // a repeated name keeps its last text
  EXPECT_EQ(d.Read("A", "three"), "3");  // a repeated section is merged
  EXPECT_EQ(d.Read("B", "two"), "  2 ");
  EXPECT_EQ(d.Read("B", "absent"), "");
  EXPECT_EQ(d.Serialize(), "[A]\none=uno\nthree=3\n\n[B]\ntwo=  2 \n");
  d = SettingsDocument::Parse("[C]\rfour=4\rfive=5\r");  // older editors: a lone CR
  EXPECT_EQ(d.Read("C", "four") + d.Read("C", "five"), "45");
}

TEST(SettingsDocument, DeletingAKeyTakesItsSubKeysButNotItsNamesakes) {
  SettingsDocument d;
  d.Write(".Default\\Software\\Orvane\\Port", "Port", "888");
  d.Write(".Default\\Software\\Orvane", "Foreign", "x");
  d.Write(".Default\\Software\\Orvane2\\Port", "Port", "632");
  d.DeleteKey(".default\\software\\orvane");
  EXPECT_EQ(d.Read(".Default\\Software\\Orvane\\Port", "Port"), "");
  EXPECT_EQ(d.Read(".Default\\Software\\Orvane", "Foreign"), "");
  EXPECT_EQ(d.Read(".Default\\Software\\Orvane2\\Port", "Port"), "632");
}

TEST(SettingsDocument, ALineBreakInAValueCannotSplitTheFile) {
  SettingsDocument d;
  d.Write("K", "Name", "a\nB=injected\r");
  SettingsDocument back = SettingsDocument::Parse(d.Serialize());
  EXPECT_EQ(back.Read("K", "Name"), "a B=injected ");
  EXPECT_EQ(back.Read("K", "B"), "");
}

}  // namespace
}  // namespace orvane
