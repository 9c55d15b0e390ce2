// Root and tip given the same points, paired place to place.
#include "core/project/match_points.h"

#include <gtest/gtest.h>

#include <cmath>

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
  } cases[] = {
      {"airfoils", root, tip, false, 0, 161},
      {"square and rectangle", square, rectangle, false, 0, 9},
      {"lead-ins stay", leadIn1, leadIn2, true, 0, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const MatchedProfiles m = MatchPoints(c.first, c.leadIns, c.second, c.leadIns, c.count);
    ASSERT_EQ(m.message, "");
    ASSERT_EQ(m.first.size(), c.expected);
    ASSERT_EQ(m.second.size(), c.expected);
    // Both outlines keep their ends; with lead-ins, their segments and the corners.
    for (const auto& [matched, original] :
         {std::pair{&m.first, &c.first}, {&m.second, &c.second}}) {
      EXPECT_EQ(matched->front(), original->front());
      EXPECT_EQ(matched->back(), original->back());
      for (size_t k : c.leadIns ? std::vector<size_t>{1, 2, 4, 6, 7} : std::vector<size_t>{}) {
        EXPECT_NE(std::find(original->begin(), original->end(), (*matched)[k]), original->end())
            << "row " << k;
      }
    }
  }
  // In detail: the airfoils' leading edges share a row; the root keeps its points.
  const MatchedProfiles wing = MatchPoints(root, false, tip, false);
  EXPECT_EQ(wing.first, root);
  EXPECT_EQ(wing.second[LeadingEdge(root)], tip[LeadingEdge(tip)]);
  EXPECT_EQ(MatchPoints(tip, false, root, false).first[LeadingEdge(root)], tip[LeadingEdge(tip)]);
  // The rectangle's corners at the square's.
  const MatchedProfiles boxes = MatchPoints(square, false, rectangle, false);
  EXPECT_EQ(boxes.second, rectangle);
  for (size_t k : {0, 2, 4, 6, 8}) EXPECT_EQ(boxes.first[k], square[k / 2]) << k;
  EXPECT_EQ(boxes.first[1], (PointText{"5.000000", "0.000000"}));
}

TEST(MatchPoints, WhatCannotBeMatchedIsRefusedAndChangesNothing) {
  const PointRows square = Rows({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
  const struct {
    bool leadIn1, leadIn2;
    size_t count;
    std::string message;
  } cases[] = {
      {true, false, 0, "Un seul des deux profils a une entrée : ajoutez-la aux deux ou à aucun"},
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
