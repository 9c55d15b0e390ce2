#include "core/shapes/grooves.h"

#include <gtest/gtest.h>

#include "core/common/text_number.h"

namespace orvane {
namespace {

Profile Generated(int model, const GrooveValues& values) {
  Profile p;
  p.raw = GenerateGroove(model, values).value_or(PointRows{});
  RefreshAdjusted(p, 3);
  return p;
}

PointRows Rows(std::initializer_list<std::pair<double, double>> points) {
  PointRows rows;
  for (auto [x, y] : points) rows.push_back({FormatFixed(x, 6), FormatFixed(y, 6)});
  return rows;
}

TEST(Grooves, OpenRectangularAtTheDefaults) {
  const auto raw = GenerateGroove(1, GrooveValues{});
  ASSERT_TRUE(raw);
  EXPECT_EQ(*raw, Rows({{5, 29}, {1, 29}, {1, 0}, {9, 0}, {9, 34}}));
  EXPECT_EQ(Generated(1, {}).raw, Rows({{4, 29}, {0, 29}, {0, 0}, {8, 0}, {8, 34}}));
}

TEST(Grooves, PointCountsOfTheFourModels) {
  const size_t counts[] = {5, 22, 8, 39};
  for (int model = 1; model <= 4; ++model) {
    EXPECT_EQ(GenerateGroove(model, {})->size(), counts[model - 1]) << model;
  }
}

TEST(Grooves, ClosedHolesSitBetweenTheBottomAndTheirTop) {
  // Rectangular hole of H = 10, T = 1: the wire runs between y = 0 and y = 8.
  const PointRows closed = *GenerateGroove(3, {});
  EXPECT_EQ(closed[1], (PointText{"5.000000", "8.000000"}));
  EXPECT_EQ(closed[3].y, "0.000000");
  // Round hole of W = 10, T = 1: r = 4, the path goes round and back to its top.
  GrooveValues v;
  const PointRows round = *GenerateGroove(4, v);
  ASSERT_EQ(round.size(), 39u);
  EXPECT_EQ(round[1], (PointText{"5.000000", "8.000000"}));
  EXPECT_EQ(round[37], round[1]);  // the arc's end, exactly
  EXPECT_EQ(round[38], (PointText{"5.000000", "34.000000"}));
  double lowest = 100;
  for (const PointText& row : round) lowest = std::min(lowest, CellNumber(row.y));
  EXPECT_NEAR(lowest, 0, 1e-5);
}

TEST(Grooves, GeometryThatCrossesItselfIsRefused) {
  struct Case {
    const char* name;
    int model;
    GrooveValues values;
  };
  const Case refused[] = {
      {"kerf over half the width", 1, {10, 10, 30, 6, 5}},
      {"kerf of exactly half", 2, {10, 10, 30, 5, 5}},
      {"depth within the kerf", 1, {10, 10, 1, 1, 5}},
      {"round bottom above the surface", 2, {40, 10, 10, 1, 5}},
      {"rectangular hole through the surface", 3, {10, 30, 20, 1, 5}},
      {"rectangular hole of no height", 3, {10, 2, 30, 1, 5}},
      {"round hole through the surface", 4, {30, 10, 20, 1, 5}},
  };
  for (const Case& c : refused) {
    EXPECT_FALSE(GenerateGroove(c.model, c.values)) << c.name;
    EXPECT_FALSE(GrooveProblem(c.model, c.values).empty()) << c.name;
  }
  EXPECT_TRUE(GrooveProblem(4, {}).empty());
}

TEST(Grooves, LeavingAnEditReplacesZerosRefusesTheImpossibleAndSaysWhy) {
  EXPECT_EQ(ReplaceZeroGroove({0, 0, 0, 0, 0}), (GrooveValues{10, 10, 30, 1, 1}));
  const GrooveValues accepted;
  struct Case {
    const char* name;
    double GrooveValues::*field;
    double typed, expected;
    const char* note;  // on the field typed; empty for none
    bool problem;
  };
  const Case cases[] = {
      {"a depth as typed", &GrooveValues::profondeur, 40, 40, "", false},
      {"a zero kerf", &GrooveValues::trait, 0, 1, "Valeur nulle : remplacée par 1.000.", false},
      {"a kerf rounding to 0.000", &GrooveValues::trait, 0.0004, 1,
       "Valeur nulle : remplacée par 1.000.", false},
      {"a kerf that fills the slot: the accepted one back", &GrooveValues::trait, 6, 1, "", true},
      {"a depth of 99,999,999 mm: refused", &GrooveValues::profondeur, 99999999, 30,
       "Forme de plus de 1000000 mm : valeur refusée.", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GrooveValues typed = accepted;
    typed.*c.field = c.typed;
    const CheckedGroove checked = CheckGrooveValues(1, typed, accepted, 3);
    EXPECT_EQ(checked.values.*c.field, c.expected);
    EXPECT_EQ(checked.problem.empty(), !c.problem);
    if (*c.note) {
      ASSERT_EQ(checked.notes.size(), 1u);
      EXPECT_EQ(checked.notes[0].field, c.field);
      EXPECT_EQ(checked.notes[0].reason, c.note);
    } else {
      EXPECT_TRUE(checked.notes.empty());
    }
    EXPECT_TRUE(GenerateGroove(1, checked.values));
  }
}

}  // namespace
}  // namespace orvane
