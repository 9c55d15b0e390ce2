// orvane-cli import of CAD drawings, --match, and the deviation generate prints.
#include "cli/cli_harness.h"

namespace orvane {
namespace {

TEST_F(OrvaneCli, ImportMatchesProfilesAndGenerateMeasuresTheCut) {
  const std::string airfoils = data + "/airfoils/naca2412_xfoil.dat " + data +
                               "/airfoils/naca0012_xfoil.dat -o " + out + "/aile.ovp";
  const std::string drawings = data + "/drawings/";
  const struct {
    std::string arguments;
    int status;
    std::string says;
  } cases[] = {
      {"import " + airfoils + " --match", 0, "161 points\n"},
      {"import " + airfoils + " --match 60 --decimals 4", 0, "60 points\n"},
      {"import " + airfoils + " --match 1", 2, "--match attend un nombre de points d'au moins 2"},
      // Start, leading edge, end and a sharp turn next to the leading edge.
      {"import " + airfoils + " --match 2", 1, "Nombre de points hors limites : de 4 à 2000000"},
      {"import " + airfoils + " --match --match", 2, "--match donné deux fois"},
      // Imported all the same, in file order, with a word of warning.
      {"import " + drawings + "two_squares.dxf -o " + out + "/carres.ovp", 0,
       "two_squares.dxf : Tracé discontinu\n10 points\n"},
      {"import " + drawings + "bulge.dxf -o " + out + "/b.ovp", 0, " points\n"},
  };
  for (const auto& c : cases) {
    const CliRun run = Cli(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.says)) << c.arguments;
  }
  // The last matched project: both profiles of 60 points, cut within a step.
  EXPECT_THAT(Cli("info " + out + "/aile.ovp").output, HasSubstr("Profil 2 : 60 points"));
  const CliRun cut = Cli("generate " + out + "/aile.ovp -o " + out + "/aile --factory");
  ASSERT_EQ(cut.status, 0) << cut.output;
  EXPECT_THAT(cut.output, HasSubstr("P1 - Écart maximal : 0,00"));
  EXPECT_THAT(cut.output, HasSubstr("P2 - Écart maximal : 0,00"));
  EXPECT_THAT(cut.output, Not(HasSubstr("plus d'un pas")));
}

}  // namespace
}  // namespace orvane
