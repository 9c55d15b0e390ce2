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

TEST(OrvaneCliImportExport, BuildsAProjectFromTwoFilesAndExportsItsProfiles) {
  const std::string data = ORVANE_TEST_DATA;
  const std::string project = testing::TempDir() + "orvane-cli-airfoil.ovp";
  CliRun run = Cli("import " + data + "/airfoils/naca2412_xfoil.dat " + data +
                   "/airfoils/naca2412_lednicer.dat -o " + project + " --decimals 4");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "161 points\n");
  EXPECT_THAT(Cli("info " + project).output, HasSubstr("Profil 2 : 161 points, fermé"));

  const std::string csv = testing::TempDir() + "orvane-cli-profil2.csv";
  ASSERT_EQ(Cli("export " + project + " --profile 2 --csv " + csv).status, 0);
  FILE* file = std::fopen(csv.c_str(), "rb");
  char head[32] = {};
  ASSERT_TRUE(file && std::fread(head, 1, 24, file) == 24);
  std::fclose(file);
  EXPECT_EQ(std::string(head), "[ X ];[ Y ]\r\n0.999994;0.");  // leading edge at x 0.0000056

  // Two lines end to end: the shared point is kept only on request.
  EXPECT_EQ(Cli("import " + data + "/drawings/two_lines.dxf -o " + project).output, "3 points\n");
  EXPECT_EQ(
      Cli("import " + data + "/drawings/two_lines.dxf -o " + project + " --keep-duplicates").output,
      "4 points\n");
  EXPECT_NE(Cli("import " + data + "/drawings/bulge.dxf -o " + project).status, 0);
}

TEST(OrvaneCliInfo, RefusesWhatItCannotRead) {
  EXPECT_NE(Cli("info /nonexistent.ovp").status, 0);
  EXPECT_NE(Cli(std::string("info ") + ORVANE_TEST_DATA + "/README.md").status, 0);
  EXPECT_NE(Cli("frobnicate").status, 0);
}

}  // namespace
