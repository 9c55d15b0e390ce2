// orvane-cli shape and leadin: the project written, read back by `info`.
#include "cli/cli_harness.h"

namespace orvane {
namespace {

using OrvaneCliShape = OrvaneCli;

TEST_F(OrvaneCliShape, WritesEveryKindOfShapeInBothProfiles) {
  const struct {
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
  const std::string project = out + "/forme.ovp";
  for (const auto& c : cases) {
    const CliRun run = Cli("shape " + c.arguments + " -o " + project);
    ASSERT_EQ(run.status, 0) << c.arguments << run.output;
    EXPECT_THAT(Cli("info " + project).output, HasSubstr(c.info)) << c.arguments;
  }
  const std::string longer = out + "/longer.ovp";
  ASSERT_EQ(Cli("shape segment --rectangular --width 100 --height 0 -o " + project).status, 0);
  EXPECT_EQ(
      Cli("shape segment --length 50 --angle 90 --append " + project + " -o " + longer).output,
      "3 points\n");
  EXPECT_THAT(Cli("info " + longer).output, HasSubstr("Etendue : 100.000 x 50.000"));
}

TEST_F(OrvaneCliShape, AddsALeadInToBothProfilesAsTheWindowDoes) {
  const std::string square = out + "/carre.ovp", led = out + "/carre-deg.ovp";
  ASSERT_EQ(Cli("shape rectangle --width 20 --height 20 -o " + square).status, 0);
  const CliRun run = Cli("leadin " + square + " --direction 1 --length 5 --both -o " + led);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "P1/P2 - Ajouter dégagements\n");
  const std::string info = Cli("info " + led).output;
  EXPECT_THAT(info, HasSubstr("Profil 1 : 11 points, fermé, avec dégagements\n"
                              "  Etendue : 20.000 x 25.000"));
  EXPECT_THAT(info, HasSubstr("Profil 2 : 11 points, fermé, avec dégagements"));
}

// Bad values and impossible lead-ins: a message, and nothing written.
TEST_F(OrvaneCliShape, RefusesBadValuesAndWritesNothing) {
  const std::string square = out + "/carre.ovp";
  ASSERT_EQ(Cli("shape rectangle --width 20 --height 20 -o " + square).status, 0);
  ASSERT_EQ(
      Cli("leadin " + square + " --direction 1 --length 5 --both -o " + work / "led.ovp").status,
      0);
  const std::string refused[] = {
      "shape rainure4 --width 10 --kerf 6",    // the kerf fills the slot
      "shape trapeze-irregulier --offset 40",  // beyond 100 - 70
      "shape rectangle --radius 5",            // not a field of the rectangle
      "shape rectangle --width -3",
      "shape cercle --radius abc",
      "shape segment --rectangular --width 0 --height 0",
      "shape hexagone",
      // Once is enough; one profile alone would break the single point count.
      "leadin " + work / "led.ovp" + " --direction 2 --length 5 --both",
      "leadin " + square + " --direction 2 --length 5",
      "leadin " + square + " --direction 9 --length 5",
      "leadin " + square + " --direction 1 --length 0",
  };
  for (const std::string& arguments : refused) {
    const CliRun run = Cli(arguments + " -o " + out + "/refus.ovp");
    EXPECT_NE(run.status, 0) << arguments;
    EXPECT_THAT(run.output, HasSubstr("orvane-cli")) << arguments;
    EXPECT_FALSE(fs::exists(out + "/refus.ovp")) << arguments;
  }
  EXPECT_THAT(Cli("leadin " + square + " --direction 2 --length 5 -o " + out + "/x.ovp").output,
              HasSubstr("même nombre de points"));
}

}  // namespace
}  // namespace orvane
