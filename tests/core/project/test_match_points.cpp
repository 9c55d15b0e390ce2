// Root and tip given the same points, paired place to place.
#include "core/project/match_points.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/app/machine_settings.h"
#include "core/cut/cut_check.h"
#include "core/project/drawing_readers.h"
#include "support/profiles.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

PointRows Rows(const std::vector<std::pair<double, double>>& points) {
  return test::MakeProfile(points, -1).raw;
}

PointRows Airfoil(const std::string& name, double chord) {
  const DrawingRead r = ReadCoordinates(
      test::ReadText(std::string(ORVANE_TEST_DATA) + "/airfoils/" + name), CoordinateFormat::Dat);
  std::vector<std::pair<double, double>> points;
  for (size_t i = 0; i < r.xs.size(); ++i) points.push_back({r.xs[i] * chord, r.ys[i] * chord});
  return Rows(points);
}

// The point farthest from the trailing edge, where the outline starts.
size_t LeadingEdge(const PointRows& rows) {
  auto away = [&rows](size_t i) {
    return std::hypot(CellNumber(rows[i].x) - CellNumber(rows[0].x),
                      CellNumber(rows[i].y) - CellNumber(rows[0].y));
  };
  size_t best = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (away(i) > away(best)) best = i;
  }
  return best;
}

TEST(MatchPoints, BothProfilesGetTheSamePointsAtCorrespondingPlaces) {
  const PointRows root = Airfoil("naca2412_xfoil.dat", 200),
                  tip = Airfoil("naca0012_xfoil.dat", 120);
  ASSERT_EQ(root.size(), 161u);
  ASSERT_EQ(tip.size(), 101u);
  const PointRows square = Rows({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
  const PointRows rectangle =
      Rows({{0, 0}, {15, 0}, {30, 0}, {30, 7.5}, {30, 15}, {15, 15}, {0, 15}, {0, 7.5}, {0, 0}});
  const PointRows leadIn1 = Rows({{-5, 0}, {0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {-5, 0}});
  const PointRows leadIn2 =
      Rows({{-5, 0}, {0, 0}, {20, 0}, {20, 5}, {20, 10}, {10, 10}, {0, 10}, {0, 0}, {-5, 2}});
  const struct {
    const char* name;
    const PointRows &first, &second;
    bool leadIns;
    size_t count, expected;
    std::vector<size_t> firstKeys, secondKeys;  // rows of one outline that pair with the other's
  } cases[] = {
      // The root keeps its points; both leading edges at the root's index.
      {"airfoils",
       root,
       tip,
       false,
       0,
       161,
       {0, LeadingEdge(root), 160},
       {0, LeadingEdge(root), 160}},
      {"airfoils, the tip first",
       tip,
       root,
       false,
       0,
       161,
       {0, LeadingEdge(root), 160},
       {0, LeadingEdge(root), 160}},
      {"airfoils at 60 points", root, tip, false, 60, 60, {0, 59}, {0, 59}},
      {"square and rectangle", square, rectangle, false, 0, 9, {0, 2, 4, 6, 8}, {0, 2, 4, 6, 8}},
      {"lead-ins stay", leadIn1, leadIn2, true, 0, 9, {0, 1, 2, 4, 6, 7, 8}, {0, 1, 2, 4, 6, 7, 8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const MatchedProfiles m = MatchPoints(c.first, c.leadIns, c.second, c.leadIns, c.count);
    ASSERT_EQ(m.message, "");
    ASSERT_EQ(m.first.size(), c.expected);
    ASSERT_EQ(m.second.size(), c.expected);
    for (size_t i = 0; i < c.firstKeys.size(); ++i) {
      const size_t k = c.firstKeys[i], j = c.secondKeys[i];
      // A key row of the result holds the corresponding original key point.
      const bool firstKept = std::find(c.first.begin(), c.first.end(), m.first[k]) != c.first.end();
      const bool secondKept =
          std::find(c.second.begin(), c.second.end(), m.second[j]) != c.second.end();
      EXPECT_TRUE(firstKept && secondKept) << "row " << k;
    }
  }
  // In detail: the airfoils' leading edges share a row, trailing edges first and last.
  const MatchedProfiles wing = MatchPoints(root, false, tip, false);
  EXPECT_EQ(wing.first, root);
  EXPECT_EQ(LeadingEdge(wing.second), LeadingEdge(root));
  EXPECT_EQ(wing.second.front(), tip.front());
  EXPECT_EQ(wing.second.back(), tip.back());
  // The rectangle's corners at the square's.
  const MatchedProfiles boxes = MatchPoints(square, false, rectangle, false);
  EXPECT_EQ(boxes.second, rectangle);
  for (size_t k : {0, 2, 4, 6, 8}) EXPECT_EQ(boxes.first[k], square[k / 2]) << k;
  EXPECT_EQ(boxes.first[1], (PointText{"5.000000", "0.000000"}));

  // Their cut stays within a step of both outlines.
  std::vector<CutPoint> cut;
  for (size_t i = 0; i < wing.first.size(); ++i) {
    cut.push_back({CellNumber(wing.first[i].x), CellNumber(wing.first[i].y),
                   CellNumber(wing.second[i].x) + 40, CellNumber(wing.second[i].y) + 5});
  }
  struct Kept : StepSink {
    bool Put(const uint8_t* a, const uint8_t*, size_t n) override {
      bytes.insert(bytes.end(), a, a + n);
      return true;
    }
    std::vector<uint8_t> bytes;
  } sink;
  const MachineSettings s;
  GenerateSteps(cut, StepAxesFrom(s), &sink, nullptr);
  CutChecker checker(cut, s);
  checker.Feed(sink.bytes.data(), sink.bytes.size());
  EXPECT_FALSE(checker.Finish().Fault());
}

TEST(MatchPoints, WhatCannotBeMatchedIsRefusedAndChangesNothing) {
  const PointRows square = Rows({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
  const struct {
    bool leadIn1, leadIn2;
    size_t count;
    std::string message;
  } cases[] = {
      {true, false, 0, "Un seul des deux profils a une entrée : ajoutez-la aux deux ou à aucun"},
      {false, false, 3, "Nombre de points hors limites : de 5 à 2000000"},
      {false, false, 2'000'001, "Nombre de points hors limites : de 5 à 2000000"},
  };
  for (const auto& c : cases) {
    const MatchedProfiles m = MatchPoints(square, c.leadIn1, square, c.leadIn2, c.count);
    EXPECT_EQ(m.message, c.message);
    EXPECT_TRUE(m.first.empty() && m.second.empty());
  }
}

}  // namespace
}  // namespace orvane
