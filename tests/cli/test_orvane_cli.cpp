#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "cli/cli_harness.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;

TEST_F(OrvaneCli, InfoDescribesBothProfilesOfAProject) {
  CliRun run = Cli("info " + data + "/maison.ovp");
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(run.output, HasSubstr("Profil 1 : 6 points, fermé, sans dégagement\n"));
  EXPECT_THAT(run.output, HasSubstr("  Etendue : 100.000 x 60.000 mm\n"));
  // 100 + 40 + 2 x hypot(50, 20) + 40
  EXPECT_THAT(run.output, HasSubstr("  Développé : 287.703 mm\n"));
  EXPECT_THAT(run.output, HasSubstr("Profil 2 : 6 points"));
  EXPECT_THAT(run.output, HasSubstr("  Etendue : 60.000 x 30.000 mm\n"));
}

TEST_F(OrvaneCli, ImportBuildsAProjectFromTwoFilesAndExportsItsProfiles) {
  const std::string project = out + "/airfoil.ovp";
  CliRun run = Cli("import " + data + "/airfoils/naca2412_xfoil.dat " + data +
                   "/airfoils/naca2412_lednicer.dat -o " + project + " --decimals 4");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "161 points\n");
  EXPECT_THAT(Cli("info " + project).output, HasSubstr("Profil 2 : 161 points, fermé"));

  const std::string csv = out + "/profil2.csv";
  ASSERT_EQ(Cli("export " + project + " --profile 2 --csv " + csv).status, 0);
  EXPECT_EQ(test::ReadText(csv).substr(0, 24), "[ X ];[ Y ]\r\n0.999994;0.");  // x 0.0000056

  // Two lines end to end: the shared point is kept only on request.
  EXPECT_EQ(Cli("import " + data + "/drawings/two_lines.dxf -o " + project).output, "3 points\n");
  EXPECT_EQ(
      Cli("import " + data + "/drawings/two_lines.dxf -o " + project + " --keep-duplicates").output,
      "4 points\n");
  EXPECT_NE(Cli("import " + data + "/drawings/bulge.dxf -o " + project).status, 0);
}

// Each of these used to do something (export profile 1, write only the last
// format, write hidden files "out/.ovd", ignore the option); now each is a
// usage error and nothing is written.
TEST_F(OrvaneCli, MalformedCommandLinesAreUsageErrorsThatWriteNothing) {
  const std::string project = data + "/maison.ovp";
  const std::string drawing = data + "/drawings/two_lines.dxf";
  const std::string cases[] = {
      "export " + project + " --profile 3 --csv " + out + "/a.csv",
      "export " + project + " --profile 1 --profile 2 --csv " + out + "/a.csv",
      "export " + project + " --csv " + out + "/a.csv --dxf " + out + "/b.dxf",
      "export " + project + " --cut " + out + "/c.cut --profile 2",
      "export " + project + " --dxf",
      "export " + project + " --dxf " + out + "/",
      "export " + project + " " + project + " --dxf " + out + "/b.dxf",
      "generate " + project + " -o " + out + "/",
      "generate " + project + " -o " + out + "/.ovi",
      "generate " + project + " -o " + out + "/x --frobnicate",
      "generate " + project + " -o " + out + "/x -o " + out + "/y",
      "generate " + project + " --opposite",
      "import " + drawing + " -o " + out + "/p.ovp --decimals 7",
      "import " + drawing + " -o " + out + "/p.ovp --unknown",
      "import " + drawing + " -o " + out + "/..",
      "import " + drawing + " " + drawing + " " + drawing + " -o " + out + "/p.ovp",
      "info --all " + project,
      "info " + project + " " + project,
      "frobnicate",
  };
  for (const std::string& arguments : cases) {
    const CliRun run = Cli(arguments);
    EXPECT_EQ(run.status, 2) << arguments << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr("usage: orvane-cli")) << arguments;
  }
  EXPECT_TRUE(fs::is_empty(out));
  EXPECT_TRUE(WorkFolders().empty());
}

TEST_F(OrvaneCli, AnInputThatCannotBeReadSaysWhy) {
  const std::string missing = work / "absent.ovp";
  const std::string folder = work.Path();
  const std::string commands[] = {"info {}", "export {} --dxf " + out + "/x.dxf",
                                  "generate {} -o " + out + "/x", "import {} -o " + out + "/x.ovp"};
  for (std::string command : commands) {
    for (const auto& [input, says] : {std::pair{missing, "Introuvable"}, {folder, "Dossier"}}) {
      std::string arguments = command;
      arguments.replace(arguments.find("{}"), 2, input);
      const CliRun run = Cli(arguments);
      EXPECT_EQ(run.status, 1) << arguments;
      EXPECT_THAT(run.output, HasSubstr(input + " : " + says)) << arguments << run.output;
    }
  }
  EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(OrvaneCli, AnUnreadableInputSaysPermissionIsRefused) {
  const std::string secret = work / "secret.dat";
  test::WriteText(secret, "0 0\n1 1\n");
  fs::permissions(secret, fs::perms::none);
  fs::permissions(work.Path(), fs::perms::all);
  // Root reads anything: the command runs as an ordinary user.
  const std::string as =
      geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  const CliRun run = Cli("import " + secret + " -o " + out + "/p.ovp", as);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, "orvane-cli : " + secret + " : Permission refusée\n");
  EXPECT_TRUE(fs::is_empty(out));
}

// A 4 GB file was read whole into memory before its size was looked at,
// /dev/zero until memory ran out, and a pipe with no writer blocked for ever;
// here the commands run with 1 GB of address space and must refuse each with
// a message.
TEST_F(OrvaneCli, AnOversizedOrEndlessInputIsRefusedBeforeItIsRead) {
  const std::string sparse = work / "huge.ovp";
  {
    const int fd = open(sparse.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(ftruncate(fd, off_t(4) << 30), 0);
    close(fd);
  }
  for (const std::string& arguments :
       {"info " + sparse, "export " + sparse + " --csv " + out + "/x.csv",
        "generate " + sparse + " -o " + out + "/x", "import " + sparse + " -o " + out + "/x.ovp"}) {
    const CliRun run = Cli(arguments, "prlimit --as=1073741824 -- ");
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_THAT(run.output, HasSubstr("Fichier trop volumineux (plus de 256 Mo)")) << arguments;
  }
  ASSERT_EQ(mkfifo((work / "pipe.ovp").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((work / "pipe.dxf").c_str(), 0644), 0);
  const std::pair<std::string, const char*> endless[] = {
      {"info /dev/zero", "(périphérique)"},
      {"info " + work / "pipe.ovp", "(tube nommé)"},
      {"import " + work / "pipe.dxf" + " -o " + out + "/x.ovp", "(tube nommé)"},
  };
  for (const auto& [arguments, kind] : endless) {
    const CliRun run = Cli(arguments, "timeout 60 prlimit --as=1073741824 -- ");
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_THAT(run.output, HasSubstr(std::string("Pas un fichier ordinaire ") + kind))
        << arguments;
  }
  EXPECT_TRUE(fs::is_empty(out));
}

// These made 1-point projects with exit 0; the window refuses them.
TEST_F(OrvaneCli, ImportRefusesAProfileOfFewerThanTwoDistinctPoints) {
  const std::pair<const char*, const char*> inputs[] = {
      {"one.dat", "12.5 3\n"},
      {"same.dat", "1 1\n1 1\n1 1\n"},
      {"nan.dxf",
       "  0\nSECTION\n  2\nENTITIES\n  0\nCIRCLE\n100\nAcDbCircle\n 10\n5\n 20\n5\n 30\n0\n"
       " 40\nnan\n  0\nENDSEC\n  0\nEOF\n"},
  };
  for (const auto& [name, text] : inputs) {
    test::WriteText(work / name, text);
    const CliRun run = Cli("import " + work / name + " -o " + out + "/p.ovp");
    EXPECT_EQ(run.status, 1) << name << run.output;
    EXPECT_THAT(run.output, HasSubstr("Ce fichier n'est pas compatible avec Orvane")) << name;
  }
  EXPECT_TRUE(fs::is_empty(out));
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

uint64_t Fnv1a(const std::string& path) {
  uint64_t hash = 0xcbf29ce484222325;
  for (unsigned char c : test::ReadText(path)) hash = (hash ^ c) * 0x100000001b3;
  return hash;
}

// The opposite cut now follows the bit pairs; with the factory pairs every
// file must stay as the program wrote it before (hashes of the files written
// by orvane-cli at commit 8150b54 with the factory settings).
TEST_F(OrvaneCli, GenerateWithTheFactoryWiringWritesTheSameFilesAsBefore) {
  CliRun run = Cli("generate " + data + "/maison.ovp -o " + out + "/maison --opposite");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("56000 pas\n"));
  const std::pair<const char*, uint64_t> expected[] = {
      {"maison_A.ovd", 0xda8d8102a0844125}, {"maison_A.ovg", 0x00c56c32625908c0},
      {"maison_A.ovi", 0xbc8209df0301d1df}, {"maison_A.ovs", 0xaa9046c719e049ca},
      {"maison_B.ovd", 0xad158eb0b08f8de5}, {"maison_B.ovg", 0x639d8043d8f5c864},
      {"maison_B.ovi", 0xf6f434480fab190b}, {"maison_B.ovs", 0x680370e7a3f3358a}};
  for (const auto& [name, hash] : expected) EXPECT_EQ(Fnv1a(out + "/" + name), hash) << name;
}

// Regression: a store that could not be read (a byte-order mark, CR-only line
// ends, no groups at all) gave a cut computed with the factory calibration,
// without a word.
TEST_F(OrvaneCli, GenerateRefusesTheFactoryCalibrationUnlessAskedTo) {
  UseStepsPerMm(400);
  const std::string project = data + "/maison.ovp";
  const std::string store = config / "settings.ini";
  std::string text = "\xEF\xBB\xBF" + test::ReadText(store);
  std::replace(text.begin(), text.end(), '\n', '\r');
  test::WriteText(store, text);
  const CliRun read = Cli("generate " + project + " -o " + out + "/a");
  ASSERT_EQ(read.status, 0) << read.output;
  for (const std::string& broken : {std::string("X1step=400\n"), std::string()}) {
    if (broken.empty()) {
      fs::remove(store);
    } else {
      test::WriteText(store, broken);
    }
    const CliRun refused = Cli("generate " + project + " -o " + out + "/b");
    EXPECT_EQ(refused.status, 1) << refused.output;
    EXPECT_THAT(refused.output, HasSubstr("--factory"));
    EXPECT_FALSE(fs::exists(out + "/b.ovd"));
    const CliRun accepted = Cli("generate " + project + " -o " + out + "/b --factory");
    EXPECT_EQ(accepted.status, 0) << accepted.output;
    ASSERT_TRUE(fs::exists(out + "/b.ovd"));
    // The factory 200 steps/mm against the store's 400: half the ticks.
    EXPECT_EQ(2 * fs::file_size(out + "/b.ovd"), fs::file_size(out + "/a.ovd"));
    fs::remove(out + "/b.ovd");
    if (!broken.empty()) {
      EXPECT_EQ(test::ReadText(store), broken);  // never rewritten
    }
  }
}

}  // namespace
}  // namespace orvane
