#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
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

std::string Temp(const std::string& name) {
  const std::string path = testing::TempDir() + "orvane-cli-shape-" + name;
  std::filesystem::remove(path);
  return path;
}

TEST(OrvaneCliShape, WritesEveryKindOfShapeInBothProfiles) {
  struct Case {
    std::string arguments;
    std::string info;  // what "info" then says of profile 2
  } cases[] = {
      {"rectangle", "Profil 2 : 9 points, fermé, sans dégagement\n  Etendue : 100.000 x 75.000"},
      {"polygone --sides 3 --radius 50", "Profil 2 : 4 points, fermé"},
      {"ellipse --radius 20 --radius2 0", "Etendue : 40.000 x 20.000"},  // zero takes 10
      {"secteur --revolution 270", "Profil 2 : 57 points"},
      {"rainure4", "Profil 2 : 39 points, ouvert"},
      {"segment --rectangular --width -20 --height 10 --return",
       "Profil 2 : 3 points, fermé, sans dégagement\n  Etendue : 20.000 x 10.000"},
  };
  const std::string project = Temp("forme.ovp");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const CliRun run = Cli("shape " + c.arguments + " -o " + project);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(Cli("info " + project).output, HasSubstr(c.info));
  }
}

TEST(OrvaneCliShape, AppendsASegmentToAProject) {
  const std::string base = Temp("base.ovp"), longer = Temp("longer.ovp");
  ASSERT_EQ(Cli("shape segment --rectangular --width 100 --height 0 -o " + base).status, 0);
  const CliRun run = Cli("shape segment --length 50 --angle 90 --append " + base + " -o " + longer);
  EXPECT_EQ(run.output, "3 points\n");
  EXPECT_THAT(Cli("info " + longer).output, HasSubstr("Etendue : 100.000 x 50.000"));
}

TEST(OrvaneCliShape, RefusesBadValuesAndWritesNothing) {
  const std::string project = Temp("refus.ovp");
  const char* refused[] = {
      "rainure4 --width 10 --kerf 6",    // the kerf fills the slot
      "trapeze-irregulier --offset 40",  // beyond 100 - 70
      "rectangle --radius 5",            // not a field of the rectangle
      "rectangle --width -3",
      "cercle --radius abc",
      "segment --rectangular --width 0 --height 0",
      "hexagone",
  };
  for (const char* arguments : refused) {
    const CliRun run = Cli(std::string("shape ") + arguments + " -o " + project);
    EXPECT_NE(run.status, 0) << arguments;
    EXPECT_THAT(run.output, HasSubstr("orvane-cli")) << arguments;
    EXPECT_FALSE(std::filesystem::exists(project)) << arguments;
  }
}

TEST(OrvaneCliLeadIn, AddsALeadInToBothProfilesAsTheWindowDoes) {
  const std::string square = Temp("carre.ovp"), out = Temp("carre-deg.ovp");
  ASSERT_EQ(Cli("shape rectangle --width 20 --height 20 -o " + square).status, 0);
  CliRun run = Cli("leadin " + square + " --direction 1 --length 5 --both -o " + out);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "P1/P2 - Ajouter dégagements\n");
  const std::string info = Cli("info " + out).output;
  EXPECT_THAT(info, HasSubstr("Profil 1 : 11 points, fermé, avec dégagements\n"
                              "  Etendue : 20.000 x 25.000"));
  EXPECT_THAT(info, HasSubstr("Profil 2 : 11 points, fermé, avec dégagements"));

  // Once is enough; one profile alone would break the project's single point count.
  EXPECT_NE(Cli("leadin " + out + " --direction 2 --length 5 --both -o " + square).status, 0);
  const std::string single = Temp("single.ovp");
  run = Cli("leadin " + square + " --direction 2 --length 5 -o " + single);
  EXPECT_NE(run.status, 0);
  EXPECT_THAT(run.output, HasSubstr("même nombre de points"));
  EXPECT_FALSE(std::filesystem::exists(single));
  EXPECT_NE(Cli("leadin " + square + " --direction 9 --length 5 -o " + single).status, 0);
  EXPECT_NE(Cli("leadin " + square + " --direction 1 --length 0 -o " + single).status, 0);
}

}  // namespace
