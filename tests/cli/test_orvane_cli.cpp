#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using ::testing::HasSubstr;

struct CliRun {
  int status;
  std::string output;
};

CliRun Cli(const std::string& arguments) {
  const std::string command = std::string(ORVANE_CLI) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  return {pclose(pipe), output};
}

TEST(OrvaneCliInfo, DescribesBothProfilesOfAProject) {
  CliRun run = Cli(std::string("info ") + ORVANE_TEST_DATA + "/maison.ovp");
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(run.output, HasSubstr("Profil 1 : 6 points, fermé, sans dégagement\n"));
  EXPECT_THAT(run.output, HasSubstr("  Etendue : 100.000 x 60.000 mm\n"));
  // 100 + 40 + 2 x hypot(50, 20) + 40
  EXPECT_THAT(run.output, HasSubstr("  Développé : 287.703 mm\n"));
  EXPECT_THAT(run.output, HasSubstr("Profil 2 : 6 points"));
  EXPECT_THAT(run.output, HasSubstr("  Etendue : 60.000 x 30.000 mm\n"));
}

TEST(OrvaneCliInfo, RefusesWhatItCannotRead) {
  EXPECT_NE(Cli("info /nonexistent.ovp").status, 0);
  EXPECT_NE(Cli(std::string("info ") + ORVANE_TEST_DATA + "/README.md").status, 0);
  EXPECT_NE(Cli("frobnicate").status, 0);
}

}  // namespace
