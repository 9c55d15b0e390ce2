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

// Regression: a 6 KB drawing of arcs made 2 million points, and a project
// coordinate of 1e12 mm went on to a 4 GB cut.
TEST(OrvaneCliImportExport, RefusesDrawingsAndProjectsBeyondTheLimits) {
  const std::string drawing = testing::TempDir() + "orvane-cli-cercles.dxf";
  std::string circles;
  for (int i = 0; i < 27398; ++i) circles += "AcDbCircle\n\n\n\n\n\n\n\n\n\n\n";  // 73 points each
  FILE* file = std::fopen(drawing.c_str(), "wb");
  ASSERT_TRUE(file);
  std::fwrite(circles.data(), 1, circles.size(), file);
  std::fclose(file);
  const std::string project = testing::TempDir() + "orvane-cli-cercles.ovp";
  std::remove(project.c_str());
  CliRun run = Cli("import " + drawing + " -o " + project);
  EXPECT_NE(run.status, 0);
  EXPECT_THAT(run.output, HasSubstr("Dessin trop détaillé (plus de 2000000 points)"));
  EXPECT_EQ(std::fopen(project.c_str(), "rb"), nullptr);

  const std::string far = testing::TempDir() + "orvane-cli-loin.ovp";
  file = std::fopen(far.c_str(), "wb");
  ASSERT_TRUE(file);
  std::fputs(
      "// version\r\nv160\r\n// nombre de points\r\n2\r\n// d\xE9"
      "cimales\r\n3\r\n"
      "// dimensions x1,y1,x2,y2\r\n1\r\n1\r\n1\r\n1\r\n// coordonn\xE9"
      "es\r\n"
      "0\r\n0\r\n0\r\n0\r\n1e12\r\n1\r\n1\r\n1\r\n// fin du fichier\r\n",
      file);
  std::fclose(file);
  run = Cli("info " + far);
  EXPECT_NE(run.status, 0);
  EXPECT_THAT(run.output, HasSubstr("Coordonnée hors limites (ligne 17)"));
}

}  // namespace
