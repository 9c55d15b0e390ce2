#include "core/params/feed_wizard.h"

#include <gtest/gtest.h>

#include "core/app/machine_settings.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

// The texts as the page shows them: ratio|period|resolution|maximum speed,
// then the travel and the speed as taken.
std::string Shown(const FeedResult& result) {
  const FeedTexts t = FormatFeed(result);
  return t.ratio + "|" + t.period + "|" + t.resolution + "|" + t.maxSpeed + "|" + t.travel + "|" +
         t.speed;
}

// Modes by entry: 1/2 = 1, 1/8 = 3, 1/64 = 6.
TEST(FeedWizard, ComputesShowsAndAppliesOnlyWhatTheMotorsPageTakes) {
  const struct {
    const char* name;
    FeedInputs in;
    const char* shown;
    bool tooFast;
    int applySteps, applyPeriod;  // 0: not applicable
  } cases[] = {
      {"200 / 1/8 / 4 / 1", {200, 3, 4, 1}, "400|2500|2.50|100.00|4.00|1.00", false, 400, 2500},
      {"V above A: no period", {400, 6, 1, 20}, "25600||0.04|1.56|1.00|20.00", true, 0, 0},
      {"400 / 1/64 / 1 / 1", {400, 6, 1, 1}, "25600|39|0.04|1.56|1.00|1.00", false, 0, 0},
      {"V above 20 becomes 1", {200, 3, 4, 25}, "400|2500|2.50|100.00|4.00|1.00", false, 400, 2500},
      {"empty inputs: 200, 1, 1", {0, 0, 0, 0}, "200|5000|5.00|200.00|1.00|1.00", false, 200, 5000},
      // 133.33 steps/mm applied as 133: 10^6 / 133 = 7518.8, not 7500.
      {"rounded R's period", {200, 1, 3, 1}, "133|7519|7.50|300.00|3.00|1.00", false, 133, 7519},
      {"period above 10000", {200, 0, 4, 1}, "50|20000|20.00|800.00|4.00|1.00", false, 0, 0},
      {"T past 16 bits: 200", {70000, 0, 1, 1}, "200|5000|5.00|200.00|1.00|1.00", false, 200, 5000},
      {"D of 0.001 is 1", {200, 0, 0.001, 2}, "200|2500|5.00|200.00|1.00|2.00", false, 200, 2500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const FeedResult result = RecalculateFeed(c.in);
    EXPECT_EQ(Shown(result), c.shown);
    EXPECT_EQ(result.tooFast, c.tooFast);
    const auto applied = ApplyFeedResult(result);
    EXPECT_EQ(applied.has_value(), c.applySteps != 0);
    EXPECT_EQ(result.refusal.empty(), c.applySteps != 0);
    if (applied) {
      EXPECT_EQ(applied->steps, c.applySteps);
      EXPECT_EQ(applied->period, c.applyPeriod);
    }
  }
}

TEST(FeedWizard, StoresTheWizardValuesAsShown) {
  // D = 0.1225 from the mechanics dialog: R from the unrounded travel.
  const FeedResult result = RecalculateFeed({200, 0, 10.0 / 34 * 30 / 72, 1.5});
  EXPECT_EQ(FormatFeed(result).ratio, "1632");
  MachineSettings settings;
  StoreWizardValues(WizardValuesOf(result), settings);
  EXPECT_EQ(settings.MoteursType, 200);
  EXPECT_EQ(settings.MoteursMode, 0);
  EXPECT_EQ(settings.MoteursMeca, 12);
  EXPECT_DOUBLE_EQ(settings.LastSpeedSearch, 1.5);
  EXPECT_DOUBLE_EQ(settings.Vadm, 24.51);  // 40000 / 1632
}

TEST(FeedWizard, MechanicsGiveTheTravelOrRefuse) {
  struct Case {
    const char* name;
    Mechanics mechanics;
    MechanicsInputs in;
    const char *travel, *reduction;  // "%.2f"; empty: not applicable
  };
  const Case cases[] = {
      {"radial direct 18 x 5.08", Mechanics::RadialDirect, {0, 18, 5.08}, "91.44", "1.00"},
      {"axial two stages", Mechanics::AxialTwoStage, {1, 0, 0, 10, 34, 30, 72}, "0.12", "8.16"},
      {"zero crown", Mechanics::AxialGeared, {1, 0, 0, 10, 0}, "", ""},
      {"zero second pinion", Mechanics::RadialTwoStage, {0, 18, 5.08, 10, 34, 0, 72}, "", ""},
      {"zero pulley", Mechanics::RadialDirect, {0, 0, 5.08}, "", ""},
      {"zero pitch", Mechanics::AxialDirect, {0}, "", ""},
      {"travel too large to store", Mechanics::RadialDirect, {0, 200, 5.08}, "", ""},
      // The unused stage's zeros do not count.
      {"one stage ignores stage two",
       Mechanics::AxialGeared,
       {2, 0, 0, 1, 2, 0, 0},
       "1.00",
       "2.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TravelResult r = ComputeTravelPerRevolution(c.mechanics, c.in);
    EXPECT_EQ(r.applicable, *c.travel != 0);
    EXPECT_EQ(r.refusal.empty(), r.applicable);
    if (r.applicable) {
      EXPECT_EQ(FormatFixed(r.travel, 2), c.travel);
      EXPECT_EQ(FormatFixed(r.reduction, 2), c.reduction);
    }
  }
  // The travel handed over is unrounded.
  EXPECT_DOUBLE_EQ(
      ComputeTravelPerRevolution(Mechanics::AxialTwoStage, {1, 0, 0, 10, 34, 30, 72}).travel,
      10.0 / 34 * 30 / 72);
}

}  // namespace
}  // namespace orvane
