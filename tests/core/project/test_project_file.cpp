#include "core/project/project_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "support/profiles.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;

const std::string kDimensions[4] = {"20.000", "10.000", "40.000", "5.000"};

TEST(ProjectFile, TwoThreePointProfilesTakeTwentyFiveLinesAndReadBack) {
  Profile p1 = test::MakeProfile({{0, 0}, {20, 0}, {10, 10}});
  Profile p2 = test::MakeProfile({{0, 0}, {40, 0}, {20, 5.125}});
  ProjectWriteResult written = WriteProjectFile(p1, p2, 3, kDimensions);
  ASSERT_TRUE(written.ok);
  EXPECT_EQ(std::count(written.bytes.begin(), written.bytes.end(), '\n'), 25);
  EXPECT_THAT(written.bytes, HasSubstr("// version\r\nv160\r\n// nombre de points\r\n3\r\n"));
  EXPECT_THAT(written.bytes, HasSubstr("// d\xE9"
                                       "cimales\r\n3\r\n"));  // Windows-1252
  EXPECT_THAT(written.bytes, HasSubstr("\r\n20.000000\r\n5.125000\r\n// fin du fichier\r\n"));
  ProjectReadResult read = ReadProjectFile(written.bytes);
  ASSERT_TRUE(read.ok) << read.message;
  EXPECT_EQ(read.data.decimals, 3);
  EXPECT_EQ(read.data.dimensions[2], "40.000");
  EXPECT_EQ(read.data.X1, (std::vector<double>{0, 20, 10}));
  EXPECT_EQ(read.data.Y2, (std::vector<double>{0, 0, 5.125}));
  written = WriteProjectFile(p1, test::MakeProfile({{0, 0}, {1, 1}}), 3, kDimensions);
  EXPECT_FALSE(written.ok);
  EXPECT_THAT(written.message, HasSubstr("le profil 1 a 3 points et le profil 2 en a 2"));
}

// Regression for the coordinates: values up to 1.8e308 were read, and went
// on to overflow the dimensions, the exports and the cut.
TEST(ProjectFile, RefusesOldVersionsImpossibleCountsAndUnreadableOrFarCoordinates) {
  Profile p = test::MakeProfile({{0, 0}, {1, 1}, {2, 0}});
  const std::string text = WriteProjectFile(p, p, 3, kDimensions).bytes;
  const struct {
    int line;
    const char* text;
    const char* message;  // nullptr: read
  } cases[] = {
      {2, "v119", " Projet incompatible avec cette version "},
      {2, "v120", nullptr},
      {2, "x160", ""},
      {2, "v", ""},
      {4, "2000000000", ""},  // refused before allocating
      {4, "three", ""},
      {6, "7", ""},
      {4, "2", nullptr},  // fewer points than the body holds is readable
      {4, "0", nullptr},  // as an empty project
      {17, "1,5", "ligne 17"},
      {21, "1000000.000000", nullptr},
      {21, "1000000.5", " Coordonnée hors limites (ligne 21) "},
      {21, "-1.7e308", " Coordonnée hors limites (ligne 21) "},
  };
  for (const auto& c : cases) {
    std::string changed = text;
    size_t start = 0;
    for (int i = 1; i < c.line; ++i) start = changed.find("\r\n", start) + 2;
    changed.replace(start, changed.find("\r\n", start) - start, c.text);
    const ProjectReadResult read = ReadProjectFile(changed);
    EXPECT_EQ(read.ok, !c.message) << c.line << ": " << c.text;
    EXPECT_THAT(read.message, HasSubstr(c.message ? c.message : "")) << c.text;
    EXPECT_EQ(read.incompatible, c.line == 2 && c.message) << c.text;
  }
  Profile far = test::MakeProfile({{0, 0}, {1, 1}, {2, 0}}, -1);
  far.raw[1].y = "1000000.500000";
  const ProjectWriteResult written = WriteProjectFile(p, far, 3, kDimensions);
  EXPECT_FALSE(written.ok);
  EXPECT_THAT(written.message, HasSubstr("une coordonnée dépasse 1000000 mm"));
}

// Regression: the writer made files over 256 MB that every reader refused.
// A file of exactly the limit is written and read; one byte more is neither.
TEST(ProjectFile, TheWriterAndTheReaderShareOneSizeLimit) {
  Profile p = test::MakeProfile({{0, 0}, {1, 1}, {2, 0}});
  std::string dimensions[4] = {"", "1", "1", "1"};
  const size_t base = WriteProjectFile(p, p, 3, dimensions).bytes.size();
  dimensions[0].assign(kMaxProjectFileBytes - base, '1');
  ProjectWriteResult written = WriteProjectFile(p, p, 3, dimensions);
  ASSERT_TRUE(written.ok) << written.message;
  EXPECT_EQ(written.bytes.size(), kMaxProjectFileBytes);
  EXPECT_TRUE(ReadProjectFile(written.bytes).ok);
  written.bytes.push_back(' ');
  EXPECT_FALSE(ReadProjectFile(written.bytes).ok);
  dimensions[0] += '1';
  written = WriteProjectFile(p, p, 3, dimensions);
  EXPECT_FALSE(written.ok);
  EXPECT_TRUE(written.bytes.empty());
  EXPECT_THAT(written.message, HasSubstr("256 Mo"));
}

}  // namespace
}  // namespace orvane
