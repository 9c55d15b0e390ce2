#include "core/params/param_rules.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/machine_settings.h"
#include "core/params/cross_rules.h"
#include "core/params/field_text.h"
#include "core/params/folder_checks.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

TEST(ParamRules, GlobalValuesApplyOnlyWithinTheirLimits) {
  const struct {
    const char *steps, *period;
    std::optional<uint16_t> wantSteps;
    std::optional<int32_t> wantPeriod;
  } cases[] = {
      {"900", "", std::nullopt, std::nullopt},  // 900 steps: nothing applied
      {"800", "10000", 800, 10000},
      {"0", "10001", std::nullopt, std::nullopt},
      {"-", ".", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    const GlobalValues values = ParseGlobalValues(c.steps, c.period);
    EXPECT_EQ(values.steps, c.wantSteps) << c.steps;
    EXPECT_EQ(values.period, c.wantPeriod) << c.period;
  }
}

TEST(ParamRules, ChoosingAPairAnotherAxisHoldsSwapsTheTwo) {
  const struct {
    BitPairs before;
    size_t axis;
    uint16_t pair;
    BitPairs after;
  } cases[] = {
      // X1 given "4-5" while X2 holds it: X2 takes X1's old pair.
      {{0, 1, 2, 3}, 0, 2, {2, 1, 0, 3}},
      {{0, 1, 2, 3}, 1, 1, {0, 1, 2, 3}},  // its own pair: nothing moves
      {{0, 1, 2, 3}, 2, 4, {0, 1, 2, 3}},  // no such pair
  };
  for (const auto& c : cases) {
    BitPairs pairs = c.before;
    AssignBitPair(pairs, c.axis, c.pair);
    EXPECT_EQ(pairs, c.after) << c.axis << " " << c.pair;
  }
}

TEST(ParamRules, TheAddressIsTakenAsHexadecimalWhenItStartsWithANonZeroNumber) {
  const struct {
    const char* text;
    uint16_t stored;
  } cases[] = {
      {"0278", 632}, {"03bc", 956}, {"9FFF", 0x9FFF}, {"ABCD", 888},   // begins with a letter: kept
      {"0000", 888}, {"0ABC", 888}, {"", 888},        {"10000", 888},  // five digits
      {"FFFE", 888},
  };
  for (const auto& c : cases) EXPECT_EQ(SavedPortAddress(c.text, 888), c.stored) << c.text;
  EXPECT_EQ(FormatPortAddress(956), "03BC");
}

TEST(ParamRules, SpeedPositionsKeepTheStartSpeedBelowAndTheMaximumAboveVcut) {
  const struct {
    double vmax, vmin, vcut;
    int posVmax, posVmin;
  } cases[] = {
      {2.0, 0.33, 1.0, 20, 33},   {0.5, 0.33, 1.0, 10, 33},  // Vmax below Vcut becomes Vcut
      {2.0, 1.5, 1.0, 20, 100},                              // Vmin above Vcut becomes Vcut
      {90.0, 0.01, 1.0, 200, 10},                            // the up-downs' ends
      {2.0, 0.33, 0.0, 20, 33},                              // no cutting speed: the factory ratios
  };
  for (const auto& c : cases) {
    const SpeedPositions p = SpeedPositionsOf(c.vmax, c.vmin, c.vcut);
    EXPECT_EQ(p.vmax, c.posVmax) << c.vmax;
    EXPECT_EQ(p.vmin, c.posVmin) << c.vmin;
  }
  EXPECT_DOUBLE_EQ(VmaxAt(20, 1.5), 3.0);
  EXPECT_DOUBLE_EQ(VminAt(33, 1.5), 0.495);
}

TEST(ParamRules, LeavingAWireEditKeepsTheGuidesWithinTheWire) {
  MachineSettings stored;  // Fil 500, FilMax 600
  const struct {
    bool leftFil;
    std::optional<int> fil, filMax;
    int shown;
  } cases[] = {
      {true, 550, 600, 550},
      {true, 700, 600, 600},           // longer than the wire: the wire's length
      {true, 0, 600, 500},             // 0: the stored value
      {true, std::nullopt, 450, 450},  // empty: stored 500, then the wire's 450
      {false, 550, 0, 600},
      {false, 550, 400, 550},  // shorter than the guides: the guides' distance
      {false, std::nullopt, 800, 800},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WireLengthOnLeave(c.leftFil, {c.fil, c.filMax}, stored), c.shown)
        << c.leftFil << " " << c.fil.value_or(-1) << " " << c.filMax.value_or(-1);
  }
}

TEST(ParamRules, RulesSpanningSeveralValuesNameBothValues) {
  using S = MachineSettings;
  // Factory motors: Vcut = 1e6 / 5000 / 200 = 1.00 mm/s.
  const struct {
    const char* name;
    std::function<void(S&)> change;
    const char* named;  // in the one broken rule's message; empty: none broken
  } cases[] = {
      {"factory", [](S&) {}, ""},
      {"wire", [](S& s) { s.Fil = 700; },
       "(Fil = 700 mm) dépasse la longueur utile du fil (FilMax = 600"},
      {"pairs", [](S& s) { s.X2io = 0; }, "(X1io = X2io = 0)"},
      {"pairs on the board", [](S& s) { s.X2io = 0, s.PortType = 2; }, ""},
      {"vmin", [](S& s) { s.Vmin = 1.5; },
       "(Vmin = 1.50 mm/s) dépasse la vitesse de coupe (Vcut = 1.00"},
      {"vmax", [](S& s) { s.Vmax = 0.8; },
       "(Vcut = 1.00 mm/s) dépasse la vitesse maximale admise par les moteurs (Vmax = 0.80"},
      // Vcut 0.333..., Vmax stored with two decimals as the edit showed it.
      {"rounded vmax",
       [](S& s) { s.X1step = s.Y1step = s.X2step = s.Y2step = 600, s.Vmax = s.Vmin = 0.33; }, ""},
      {"outputs", [](S& s) { s.BitCouple = 2; }, "(BitChauffe = BitCouple = BIT 9)"},
      {"outputs on the serial link", [](S& s) { s.BitCouple = 2, s.PortType = 1; }, ""},
  };
  for (const auto& c : cases) {
    S s;
    c.change(s);
    const auto breaks = CrossRuleBreaks(s);
    ASSERT_EQ(breaks.size(), *c.named ? 1u : 0u) << c.name;
    for (const auto& b : breaks) EXPECT_NE(b.message.find(c.named), std::string::npos) << b.message;
    EXPECT_EQ(CrossRuleStatus(s).empty(), breaks.empty()) << c.name;
  }
}

TEST(ParamRules, ASaveIsRefusedForAZeroOrABrokenRuleOfItsPage) {
  using S = MachineSettings;
  using P = ParamPage;
  test::TempFolder home;
  const struct {
    const char* name;
    ParamPage page;
    std::function<void(S&)> change;
    std::vector<std::string> named;  // one per problem
  } cases[] = {
      // Told alone, not as a speed out of order too.
      {"zero step", P::Moteurs, [](S& s) { s.Y2step = 0; }, {"Y2step"}},
      {"zero vmin", P::Machine, [](S& s) { s.Vmin = 0; }, {"Vmin"}},
      {"wire on the machine page", P::Machine, [](S& s) { s.Fil = 601; }, {"FilMax = 600"}},
      {"wire on the motors page", P::Moteurs, [](S& s) { s.Fil = 601; }, {}},
      {"outputs", P::Ports, [](S& s) { s.BitChauffe = 1; }, {"BIT 8"}},
      {"folders",
       P::Systeme,
       [&](S& s) { s.ProjectPath = "projets/", s.DxfPath = home / "absent/"; },
       {"« projets/ » n'est pas un chemin absolu", "n'existe pas"}},
  };
  for (const auto& c : cases) {
    S s;
    s.ProjectPath = s.DxfPath = s.CutPath = s.ExportPath = home.Path();
    c.change(s);
    const auto problems = PageSaveProblems(c.page, s);
    ASSERT_EQ(problems.size(), c.named.size()) << c.name;
    for (size_t i = 0; i < problems.size(); ++i) {
      EXPECT_NE(problems[i].find(c.named[i]), std::string::npos) << c.name << ": " << problems[i];
    }
  }
}

TEST(ParamRules, PageDefaults) {
  MachineSettings s;
  s.X1step = s.Y1step = s.X2step = s.Y2step = 100;  // Vcut 2.00
  s.BitCouple = 4, s.SerialDataBits = "6", s.SerialStopBits = "1.5";
  for (ParamPage page : {ParamPage::Machine, ParamPage::Ports, ParamPage::Systeme}) {
    ApplyPageDefaults(page, s, "/home/u/orvane/", "ttyUSB0");
  }
  EXPECT_DOUBLE_EQ(s.Vmax, 4.0);
  EXPECT_DOUBLE_EQ(s.Vmin, 0.66);
  EXPECT_EQ(s.Port, 888);
  EXPECT_EQ(s.SerialPort, "ttyUSB0");
  // Eight data bits, no parity, one stop bit: no axis loses its bits.
  EXPECT_EQ(s.SerialBaudRate + s.SerialDataBits + s.SerialParity + s.SerialStopBits, "384008None1");
  EXPECT_EQ(s.BitChauffe, 2);
  EXPECT_EQ(s.BitCouple, 1);
  EXPECT_EQ(s.CutPath, "/home/u/orvane/découpes/");
}

TEST(ParamRules, FoldersAreAbsoluteExistingAndEndWithASlash) {
  test::TempFolder home;
  std::filesystem::create_directory(home / "projets");
  const struct {
    std::string text;
    bool ok;
    std::string folder;
  } cases[] = {
      {home / "projets", true, home / "projets/"},
      {home / "projets/", true, home / "projets/"},
      {"projets/", false, ""},
      {home / "absent/", false, ""},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    const FolderCheck check = CheckWorkingFolder(c.text, "de projets");
    EXPECT_EQ(check.ok, c.ok) << c.text;
    EXPECT_EQ(check.folder, c.folder) << c.text;
    EXPECT_EQ(check.message.empty(), c.ok) << c.text;
  }
  for (const char* refused : {"", ".", "..", "/", "a/b", "../x"}) {
    EXPECT_NE(NewFolderNameProblem(refused), "") << refused;
  }
  for (const char* taken : {"découpes 2", "...", ".cache"}) {
    EXPECT_EQ(NewFolderNameProblem(taken), "") << taken;
  }
}

TEST(ParamRules, APasteIsCleanedAsTypingItWouldHaveBeen) {
  const struct {
    const char* text;
    FieldKind kind;
    size_t maxLength;
    const char* clean;
  } cases[] = {
      {" 5 000 µs", FieldKind::Digits, 6, "5000"}, {"1234567", FieldKind::Digits, 4, "1234"},
      {"03bcZ", FieldKind::HexDigits, 4, "03bc"},  {"1.2.3", FieldKind::Decimal, 0, "1.23"},
      {"-1,5", FieldKind::Decimal, 0, "15"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CleanFieldText(c.text, c.kind, c.maxLength), c.clean) << c.text;
  }
  for (const char* empty : {"", "-", ".", "-.", "1e999"}) {
    EXPECT_EQ(FieldNumber(empty), std::nullopt) << empty;
    EXPECT_EQ(FieldInteger(empty), std::nullopt) << empty;
  }
  EXPECT_EQ(FieldNumber("1.5"), 1.5);
  EXPECT_EQ(FieldInteger("0378"), 378);
}

}  // namespace
}  // namespace orvane
