#include "core/shapes/grooves.h"

#include <gtest/gtest.h>

#include "support/field_notes.h"
#include "support/profiles.h"

namespace orvane {
namespace {

PointRows Rows(const std::vector<std::pair<double, double>>& points) {
  return test::MakeProfile(points, -1).raw;
}

TEST(Grooves, TheFourModelsAtTheDefaults) {
  EXPECT_EQ(*GenerateGroove(1, {}), Rows({{5, 29}, {1, 29}, {1, 0}, {9, 0}, {9, 34}}));
  const size_t counts[] = {5, 22, 8, 39};
  for (int model = 1; model <= 4; ++model) {
    EXPECT_EQ(GenerateGroove(model, {})->size(), counts[model - 1]) << model;
  }
  // Rectangular hole of H = 10, T = 1: the wire runs between y = 0 and y = 8.
  EXPECT_EQ(*GenerateGroove(3, {}),
            Rows({{5, 29}, {5, 8}, {1, 8}, {1, 0}, {9, 0}, {9, 8}, {5, 8}, {5, 34}}));
  EXPECT_EQ(GenerateGroove(2, {})->back(), Rows({{9, 34}})[0]);  // out as model 1
  // Round hole of W = 10, T = 1: r = 4, the path goes round and back to its top.
  const PointRows round = *GenerateGroove(4, {});
  EXPECT_EQ(round[0], (PointText{"5.000000", "29.000000"}));
  EXPECT_EQ(round[1], (PointText{"5.000000", "8.000000"}));
  EXPECT_EQ(round[37], round[1]);  // the arc's end, exactly
  EXPECT_EQ(round[38], (PointText{"5.000000", "34.000000"}));
  double lowest = 100;
  for (const PointText& row : round) lowest = std::min(lowest, CellNumber(row.y));
  EXPECT_NEAR(lowest, 0, 1e-5);
}

TEST(Grooves, GeometryThatCrossesItselfIsRefused) {
  const struct {
    const char* name;
    int model;
    GrooveValues values;
  } refused[] = {
      {"kerf over half the width", 1, {10, 10, 30, 6, 5}},
      {"kerf of exactly half", 2, {10, 10, 30, 5, 5}},
      {"depth within the kerf", 1, {10, 10, 1, 1, 5}},
      {"round bottom above the surface", 2, {40, 10, 10, 1, 5}},
      {"rectangular hole through the surface", 3, {10, 30, 20, 1, 5}},
      {"rectangular hole of no height", 3, {10, 2, 30, 1, 5}},
      {"round hole through the surface", 4, {30, 10, 20, 1, 5}},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(GenerateGroove(c.model, c.values)) << c.name;
    EXPECT_FALSE(GrooveProblem(c.model, c.values).empty()) << c.name;
  }
  EXPECT_TRUE(GrooveProblem(4, {}).empty());
}

TEST(Grooves, LeavingAnEditReplacesZerosRefusesTheImpossibleAndSaysWhy) {
  EXPECT_EQ(ReplaceZeroGroove({0, 0, 0, 0, 0}), (GrooveValues{10, 10, 30, 1, 1}));
  const GrooveValues accepted;
  const struct {
    const char* name;
    double GrooveValues::*field;
    double typed, expected;
    const char* note;  // on the field typed; empty for none
    bool problem;
  } cases[] = {
      {"a depth as typed", &GrooveValues::profondeur, 40, 40, "", false},
      {"a kerf rounding to 0.000", &GrooveValues::trait, 0.0004, 1,
       "Valeur nulle : remplacée par 1.000.", false},
      {"a kerf that fills the slot: the accepted one back", &GrooveValues::trait, 6, 1, "", true},
      {"a depth of 99,999,999 mm: refused", &GrooveValues::profondeur, 99999999, 30,
       "Forme de plus de 1000000 mm : valeur refusée.", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GrooveValues typed = accepted;
    typed.*c.field = c.typed;
    const CheckedGroove checked = CheckGrooveValues(1, typed, accepted, 3);
    EXPECT_EQ(checked.values.*c.field, c.expected);
    EXPECT_EQ(checked.problem.empty(), !c.problem);
    test::ExpectNote(checked, c.field, c.note);
    EXPECT_TRUE(GenerateGroove(1, checked.values));
  }
}

}  // namespace
}  // namespace orvane
