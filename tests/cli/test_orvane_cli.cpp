// orvane-cli info, import, export and generate as processes.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "cli/cli_harness.h"

namespace orvane {
namespace {

// Imports of airfoils and drawings, --match, then what info, export and
// generate make of the projects.
TEST_F(OrvaneCli, ImportInfoExportAndGenerateReadAndWriteProfiles) {
  const CliRun info = Cli("info " + data + "/maison.ovp");
  EXPECT_EQ(info.status, 0);
  for (const char* said :
       {"Profil 1 : 6 points, fermé, sans dégagement\n", "  Développé : 287.703 mm\n",
        "Profil 2 : 6 points", "  Etendue : 60.000 x 30.000 mm\n"}) {
    EXPECT_THAT(info.output, HasSubstr(said));
  }
  const std::string airfoil = out + "/airfoil.ovp", aile = out + "/aile.ovp";
  const std::string airfoils =
      data + "/airfoils/naca2412_xfoil.dat " + data + "/airfoils/naca0012_xfoil.dat -o " + aile;
  const std::string drawings = "import " + data + "/drawings/";
  const struct {
    std::string arguments;
    int status;
    std::string says;
  } cases[] = {
      {"import " + data + "/airfoils/naca2412_xfoil.dat " + data +
           "/airfoils/naca2412_lednicer.dat -o " + airfoil + " --decimals 4",
       0, "161 points\n"},
      // Two lines end to end: the shared point is kept only on request.
      {drawings + "two_lines.dxf -o " + out + "/l.ovp", 0, "3 points\n"},
      {drawings + "two_lines.dxf -o " + out + "/l.ovp --keep-duplicates", 0, "4 points\n"},
      // Imported all the same, in file order, with a word of warning.
      {drawings + "two_squares.dxf -o " + out + "/carres.ovp", 0,
       "two_squares.dxf : Tracé discontinu\n10 points\n"},
      {"import " + airfoils + " --match", 0, "161 points\n"},
      {"import " + airfoils + " --match 1", 2, "--match attend un nombre de points d'au moins 2"},
      // Start, leading edge, end and a sharp turn next to the leading edge.
      {"import " + airfoils + " --match 2", 1, "Nombre de points hors limites : de 4 à 2000000"},
      {"import " + airfoils + " --match --match", 2, "--match donné deux fois"},
      {"import " + airfoils + " --match 60 --decimals 4", 0, "60 points\n"},
  };
  for (const auto& c : cases) {
    const CliRun run = Cli(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.says)) << c.arguments;
  }
  EXPECT_THAT(Cli("info " + airfoil).output, HasSubstr("Profil 2 : 161 points, fermé"));
  // What the CSV holds is the exports' test.
  EXPECT_EQ(Cli("export " + airfoil + " --profile 2 --csv " + out + "/profil2.csv").status, 0);

  // The last matched project: both profiles of 60 points, cut within a step
  // (the deviation's arithmetic is the cut check's test).
  EXPECT_THAT(Cli("info " + aile).output, HasSubstr("Profil 2 : 60 points"));
  const CliRun cut = Cli("generate " + aile + " -o " + out + "/aile --factory");
  ASSERT_EQ(cut.status, 0) << cut.output;
  EXPECT_THAT(cut.output, HasSubstr("P2 - Écart maximal : 0,00"));
}

// Each of these used to do something (export profile 1, write only the last
// format, write hidden files "out/.ovd", ignore the option); now each is a
// usage error and nothing is written. An option unknown or given twice is
// refused by the one parser every command reads its options with.
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
      "generate " + project + " --opposite",
      "import " + drawing + " -o " + out + "/p.ovp --decimals 7",
      "import " + drawing + " -o " + out + "/..",
      "import " + drawing + " " + drawing + " " + drawing + " -o " + out + "/p.ovp",
      "info " + project + " " + project,
      "frobnicate",
      // An empty device name once fell back on the settings' port.
      "run " + out + "/x.ovi --link serial --device ''",
      "board identify --device ''",
      "run " + out + "/x.ovi --link usb",
      "pulses --period 0",
      "pulses --period 100 --ticks -5",
      "pulses --period 100 --duty 100",
      "pulses --ticks 10",
  };
  for (const std::string& arguments : cases) {
    const CliRun run = Cli(arguments);
    EXPECT_EQ(run.status, 2) << arguments << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr("usage: orvane-cli")) << arguments;
  }
  const CliRun simulate = Cli("run " + out + "/x.ovi --simulate");  // on the parallel port
  EXPECT_EQ(simulate.status, 2);
  EXPECT_THAT(simulate.output, HasSubstr("--simulate ne vaut que pour la carte"));
  EXPECT_TRUE(fs::is_empty(out));
  EXPECT_TRUE(WorkFolders().empty());
}

// An input that cannot be read or makes no project is refused with its
// reason, and nothing is written. Regressions: a 4 GB file was read whole
// before its size was looked at, /dev/zero until memory ran out, a pipe with
// no writer blocked for ever (here each runs with 1 GB of address space and
// a time limit); 1-point profiles made projects. Info, export and generate
// read a project the same way, import a drawing through the same reader; the
// drawing of arcs that made 2 million points and the coordinate of 1e12 mm
// are their readers' tests.
TEST_F(OrvaneCli, AnInputThatCannotBeReadOrMakesNoProjectIsRefusedWithItsReason) {
  const int fd = open((work / "huge.ovp").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_EQ(ftruncate(fd, off_t(4) << 30), 0);
  close(fd);
  ASSERT_EQ(mkfifo((work / "pipe.ovp").c_str(), 0644), 0);
  test::WriteText(work / "secret.dat", "0 0\n1 1\n");
  fs::permissions(work / "secret.dat", fs::perms::none);
  fs::permissions(work.Path(), fs::perms::all);
  test::WriteText(work / "one.dat", "12.5 3\n");
  test::WriteText(work / "same.dat", "1 1\n1 1\n1 1\n");
  test::WriteText(work / "nan.dxf",
                  "  0\nSECTION\n  2\nENTITIES\n  0\nCIRCLE\n100\nAcDbCircle\n 10\n5\n 20\n5\n"
                  " 30\n0\n 40\nnan\n  0\nENDSEC\n  0\nEOF\n");
  // Root reads anything: that one runs as an ordinary user.
  const std::string nobody =
      geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  const std::string limited = "timeout 60 prlimit --as=1073741824 -- ";
  const std::string huge = "Fichier trop volumineux (plus de 256 Mo)";
  const std::string incompatible = "Ce fichier n'est pas compatible avec Orvane";
  const struct {
    std::string command;  // {} is the input
    std::string input, prefix, says;
  } cases[] = {
      {"info {}", "absent.ovp", "", "absent.ovp : Introuvable"},
      {"generate {} -o " + out + "/x", ".", "", " : Dossier"},
      {"import {} -o " + out + "/x.ovp", ".", "", " : Dossier"},
      {"import {} -o " + out + "/p.ovp", "secret.dat", nobody,
       "orvane-cli : " + work / "secret.dat : Permission refusée\n"},
      {"info {}", "huge.ovp", limited, huge},
      {"import {} -o " + out + "/x.ovp", "huge.ovp", limited, huge},
      {"info {}", "/dev/zero", limited, "Pas un fichier ordinaire (périphérique)"},
      {"info {}", "pipe.ovp", limited, "Pas un fichier ordinaire (tube nommé)"},
      {"import {} -o " + out + "/p.ovp", "one.dat", "", incompatible},
      {"import {} -o " + out + "/p.ovp", "same.dat", "", incompatible},
      {"import {} -o " + out + "/p.ovp", "nan.dxf", "", incompatible},
  };
  for (const auto& c : cases) {
    std::string arguments = c.command;
    arguments.replace(arguments.find("{}"), 2, c.input.starts_with("/") ? c.input : work / c.input);
    const CliRun run = Cli(arguments, c.prefix);
    EXPECT_EQ(run.status, 1) << arguments << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.says)) << arguments;
  }
  EXPECT_TRUE(fs::is_empty(out));
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
  const CliRun run = Cli("generate " + data + "/maison.ovp -o " + out + "/maison --opposite");
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
  ASSERT_EQ(Cli("generate " + project + " -o " + out + "/a").status, 0);
  for (const std::string& broken : {std::string("X1step=400\n"), std::string()}) {
    if (broken.empty()) fs::remove(store);
    if (!broken.empty()) test::WriteText(store, broken);
    const CliRun refused = Cli("generate " + project + " -o " + out + "/b");
    EXPECT_EQ(refused.status, 1) << refused.output;
    EXPECT_THAT(refused.output, HasSubstr("--factory"));
    EXPECT_FALSE(fs::exists(out + "/b.ovd"));
    const CliRun accepted = Cli("generate " + project + " -o " + out + "/b --factory");
    EXPECT_EQ(accepted.status, 0) << accepted.output;
    // The factory 200 steps/mm against the store's 400: half the ticks.
    EXPECT_EQ(2 * fs::file_size(out + "/b.ovd"), fs::file_size(out + "/a.ovd"));
    fs::remove(out + "/b.ovd");
    if (!broken.empty()) {
      EXPECT_EQ(test::ReadText(store), broken);  // never rewritten
    }
  }
}

// orvane-cli shape and leadin: the project written, read back by `info`;
// bad values refused with nothing written.

TEST_F(OrvaneCli, ShapeWritesEveryKindInBothProfilesAndLeadInAddsToBoth) {
  const std::string project = out + "/p.ovp", led = out + "/led.ovp";
  const std::pair<std::string, std::string> cases[] = {
      // The command, then what "info" says of profile 2.
      {"shape rectangle",
       "Profil 2 : 9 points, fermé, sans dégagement\n  Etendue : 100.000 x 75.000"},
      {"shape ellipse --radius 20 --radius2 0", "Etendue : 40.000 x 20.000"},  // zero takes 10
      {"shape rainure4", "Profil 2 : 39 points, ouvert"},
      {"shape segment --rectangular --width 100 --height 0", "Profil 2 : 2 points, ouvert"},
      {"shape segment --length 50 --angle 90 --append " + project, "Etendue : 100.000 x 50.000"},
      {"shape rectangle --width 20 --height 20", "Profil 2 : 9 points"},
      {"leadin " + project + " --direction 1 --length 5 --both",
       "Profil 2 : 11 points, fermé, avec dégagements\n  Etendue : 20.000 x 25.000"},
  };
  for (const auto& [command, info] : cases) {
    const CliRun run = Cli(command + " -o " + led);
    ASSERT_EQ(run.status, 0) << command << run.output;
    EXPECT_THAT(Cli("info " + led).output, HasSubstr(info)) << command;
    fs::rename(led, project);
  }
  const std::string square = out + "/square.ovp";
  ASSERT_EQ(Cli("shape rectangle -o " + square).status, 0);
  const std::string refused[] = {
      "shape rainure4 --width 10 --kerf 6",  // the kerf fills the slot
      "shape rectangle --radius 5",          // not a field of the rectangle
      "shape cercle --radius abc",
      "shape hexagone",
      "leadin " + project + " --direction 2 --length 5 --both",  // once is enough
      "leadin " + square + " --direction 9 --length 5 --both",
      "leadin " + square + " --direction 1 --length 0 --both",
  };
  for (const std::string& command : refused) {
    const CliRun run = Cli(command + " -o " + led);
    EXPECT_NE(run.status, 0) << command;
    EXPECT_THAT(run.output, HasSubstr("orvane-cli")) << command;
    EXPECT_FALSE(fs::exists(led)) << command;
  }
  // One profile alone would break the project's single point count.
  EXPECT_THAT(Cli("leadin " + square + " --direction 2 --length 5 -o " + led).output,
              HasSubstr("même nombre de points"));
  EXPECT_FALSE(fs::exists(led));
}

}  // namespace
}  // namespace orvane
