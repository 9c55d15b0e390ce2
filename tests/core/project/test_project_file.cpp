#include "core/project/project_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/profiles.h"

#include "core/common/text_number.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;

const std::string kDimensions[4] = {"20.000", "10.000", "40.000", "5.000"};

TEST(ProjectFile, TwoThreePointProfilesTakeTwentyFiveLinesAndReadBack) {
  Profile p1 = test::MakeProfile({{0, 0}, {20, 0}, {10, 10}});
  Profile p2 = test::MakeProfile({{0, 0}, {40, 0}, {20, 5.125}});
  ProjectWriteResult written = WriteProjectFile(p1, p2, 3, kDimensions);
  ASSERT_TRUE(written.ok);
  size_t lines = 0;
  for (size_t at = 0; (at = written.bytes.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 25u);
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
}

TEST(ProjectFile, VersionsBefore120AreRefused) {
  Profile p = test::MakeProfile({{0, 0}, {1, 1}});
  std::string text = WriteProjectFile(p, p, 2, kDimensions).bytes;
  for (auto [version, accepted] :
       {std::pair{"v119", false}, {"v120", true}, {"v160", true}, {"x160", false}, {"v", false}}) {
    std::string changed = text;
    changed.replace(changed.find("v160"), 4, version);
    ProjectReadResult read = ReadProjectFile(changed);
    EXPECT_EQ(read.ok, accepted) << version;
    if (!accepted && std::string(version) == "v119") {
      EXPECT_TRUE(read.incompatible);
      EXPECT_EQ(read.message, " Projet incompatible avec cette version ");
    }
  }
}

TEST(ProjectFile, RefusesCountsTheBodyCannotHoldAndUnreadableNumbers) {
  Profile p = test::MakeProfile({{0, 0}, {1, 1}, {2, 0}});
  const std::string text = WriteProjectFile(p, p, 3, kDimensions).bytes;
  auto withLine = [&](int number, const std::string& replacement) {
    std::string changed = text;
    size_t start = 0;
    for (int i = 1; i < number; ++i) start = changed.find("\r\n", start) + 2;
    changed.replace(start, changed.find("\r\n", start) - start, replacement);
    return ReadProjectFile(changed);
  };
  EXPECT_FALSE(withLine(4, "2000000000").ok);  // refused before allocating
  EXPECT_FALSE(withLine(4, "-1").ok);
  EXPECT_FALSE(withLine(4, "three").ok);
  EXPECT_FALSE(withLine(6, "7").ok);
  ProjectReadResult bad = withLine(17, "1,5");
  EXPECT_FALSE(bad.ok);
  EXPECT_THAT(bad.message, HasSubstr("ligne 17"));
  EXPECT_TRUE(withLine(4, "2").ok);  // fewer points than the body holds is readable
  EXPECT_FALSE(ReadProjectFile(text.substr(0, text.size() / 2)).ok);
}

// Regression: coordinates up to 1.8e308 were read, and went on to overflow
// the dimensions, the exports and the cut.
TEST(ProjectFile, CoordinatesBeyondTheDrawingLimitAreNeitherReadNorWritten) {
  Profile p = test::MakeProfile({{0, 0}, {1, 1}, {2, 0}});
  const std::string text = WriteProjectFile(p, p, 3, kDimensions).bytes;
  for (auto [value, accepted] : {std::pair{"1000000.000000", true},
                                 {"-1000000", true},
                                 {"1000000.5", false},
                                 {"1e12", false},
                                 {"-1.7e308", false}}) {
    std::string changed = text;
    changed.replace(changed.find("\r\n2.000000\r\n"), 12, std::string("\r\n") + value + "\r\n");
    ProjectReadResult read = ReadProjectFile(changed);
    EXPECT_EQ(read.ok, accepted) << value;
    if (!accepted) {
      EXPECT_EQ(read.message, " Coordonnée hors limites (ligne 21) ") << value;
    }
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
  {
    dimensions[0].assign(kMaxProjectFileBytes - base, '1');
    const ProjectWriteResult atLimit = WriteProjectFile(p, p, 3, dimensions);
    ASSERT_TRUE(atLimit.ok) << atLimit.message;
    EXPECT_EQ(atLimit.bytes.size(), kMaxProjectFileBytes);
    EXPECT_TRUE(ReadProjectFile(atLimit.bytes).ok);
  }
  dimensions[0] += '1';
  const ProjectWriteResult over = WriteProjectFile(p, p, 3, dimensions);
  EXPECT_FALSE(over.ok);
  EXPECT_TRUE(over.bytes.empty());
  EXPECT_THAT(over.message, HasSubstr("256 Mo"));
  std::string tooLarge = WriteProjectFile(p, p, 3, kDimensions).bytes;
  tooLarge.resize(kMaxProjectFileBytes + 1, ' ');
  EXPECT_FALSE(ReadProjectFile(tooLarge).ok);
}

TEST(ProjectFile, DifferentPointCountsAreNotSaved) {
  ProjectWriteResult written =
      WriteProjectFile(test::MakeProfile({{0, 0}, {1, 1}, {2, 0}}),
                       test::MakeProfile({{0, 0}, {1, 1}}), 3, kDimensions);
  EXPECT_FALSE(written.ok);
  EXPECT_THAT(written.message, HasSubstr("le profil 1 a 3 points et le profil 2 en a 2"));
}

}  // namespace
}  // namespace orvane
