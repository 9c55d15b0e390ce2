#include "core/shapes/lead_in.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/profiles.h"

namespace orvane {
namespace {

PointRows Rows(const std::vector<std::pair<double, double>>& points) {
  return test::MakeProfile(points, -1).raw;
}

PointText At(double x, double y) {
  return {FormatFixed(x, 6), FormatFixed(y, 6)};
}

// A closed rectangle starting mid right: 20 x 20 starts at (20, 10).
PointRows Rect(double w, double h) {
  return Rows({{w, h / 2}, {w, h}, {0, h}, {0, 0}, {w, 0}, {w, h / 2}});
}

TEST(LeadIn, TheCasesOfTheDialog) {
  const double d = 5 * std::sqrt(2.0);
  const PointRows sq = Rect(20, 20), tall = Rect(40, 40), low = Rect(40, 10), high = Rect(40, 20);
  PointRows withLeadIn = sq;
  withLeadIn.insert(withLeadIn.begin(), At(20, 30));
  withLeadIn.push_back(At(20, 30));
  const struct {
    const char* name;
    PointRows profile1, profile2;
    LeadInOptions options;
    PointText end1;    // profile 1's new first and last row
    size_t rows2;      // profile 2's row count afterwards
    PointText first2;  // profile 2's first row afterwards
    bool bothLabel;
  } cases[] = {
      {"external up, alone", sq, {}, {1, 5, true, false}, At(20, 25), 0, {}, false},
      {"internal left", sq, {}, {4, 5, false, false}, At(15, 10), 0, {}, false},
      {"diagonal up-right", sq, {}, {5, 5, true, false}, At(20 + d, 20 + d), 0, {}, false},
      // The smaller profile gets the longer lead-in: 5 + (40 - 20) / 2 above its top.
      {"both, adjusted", tall, sq, {1, 5, true, true, true}, At(40, 45), 8, At(20, 35), true},
      {"both, as is", tall, sq, {1, 5, true, true, false}, At(40, 45), 8, At(20, 25), true},
      // Up compares the heights, not the widths: the lower profile goes 5 further.
      {"both, P1 lower", low, high, {1, 5, true, true, true}, At(40, 20), 8, At(40, 25), true},
      {"P2 led in", sq, withLeadIn, {1, 5, true, true, false}, At(20, 25), 8, At(20, 30), false},
      {"other empty", sq, {}, {1, 5, true, true, true}, At(20, 25), 0, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PointRows p1 = c.profile1, p2 = c.profile2;
    std::vector<int> locks1, locks2;
    const LeadInOutcome outcome = AddLeadIn(1, {&p1, &locks1}, {&p2, &locks2}, c.options);
    ASSERT_EQ(p1.size(), c.profile1.size() + 2);
    EXPECT_EQ(p1.front(), c.end1);
    EXPECT_EQ(p1.back(), c.end1);
    EXPECT_EQ(std::vector(p1.begin() + 1, p1.end() - 1), c.profile1);
    EXPECT_EQ(p2.size(), c.rows2);
    EXPECT_EQ(c.rows2 ? p2.front() : PointText{}, c.first2);
    EXPECT_EQ(outcome.changedOther, c.rows2 > c.profile2.size());
    EXPECT_EQ(outcome.label,
              c.bothLabel ? "P1/P2 - Ajouter dégagements" : "P1 - Ajouter dégagements");
  }
  PointRows p1, p2 = Rect(10, 10);
  std::vector<int> locks;
  EXPECT_EQ(AddLeadIn(2, {&p2, &locks}, {&p1, &locks}, {3, 5, true, true}).label,
            "P2 - Ajouter dégagements");
  EXPECT_EQ(p2.front(), At(10, -5));
  // Nothing for a zero length or a one-point profile.
  PointRows rows = Rect(20, 20), single = Rows({{1, 1}});
  EXPECT_TRUE(AddLeadIn(1, {&rows, &locks}, {&p1, &locks}, {1, 0}).label.empty());
  EXPECT_EQ(rows, Rect(20, 20));
  EXPECT_FALSE(InsertLeadIn({&single, &locks}, 1, 5, true));
}

TEST(LeadIn, RemovalNeedsALeadInAndFivePointsAndLocksFollowTheirPoints) {
  PointRows square = Rect(20, 20);
  std::vector<int> locks;
  EXPECT_FALSE(RemoveLeadIn({&square, &locks}));  // closed, six points, no lead-in
  EXPECT_EQ(square, Rect(20, 20));
  PointRows four = Rows({{0, 5}, {0, 0}, {0, 0}, {0, 5}});  // a lead-in, but four points
  EXPECT_FALSE(RemoveLeadIn({&four, &locks}));
  EXPECT_EQ(four.size(), 4u);
  locks = {3, 4, 5};
  ASSERT_TRUE(InsertLeadIn({&square, &locks}, 2, 5, true));
  EXPECT_EQ(locks, (std::vector<int>{4, 5, 6}));
  locks = {1, 4, 8};  // the lead-in point, one inside, the lead-out point
  ASSERT_TRUE(RemoveLeadIn({&square, &locks}));
  EXPECT_EQ(locks, (std::vector<int>{3}));
  EXPECT_EQ(square, Rect(20, 20));
}

// Regression: on an open groove the lead-in could be added again and never
// removed, its two points differing.
TEST(LeadIn, AnOpenProfileKeepsItsLeadInMarkedUntilRemoved) {
  const PointRows groove = Rows({{5, 29}, {1, 29}, {1, 0}, {9, 0}, {9, 34}});
  for (const bool both : {false, true}) {
    SCOPED_TRACE(both ? "both profiles" : "one profile");
    Profile open, other;
    open.raw = other.raw = groove;
    const LeadInOutcome added = AddLeadIn(1, TargetOf(open), TargetOf(other), {1, 5, true, both});
    ASSERT_TRUE(added.changedThis);
    EXPECT_FALSE(HasLeadIn(open.raw)) << "the rows alone do not show it";
    EXPECT_TRUE(ProfileHasLeadIn(open));
    EXPECT_EQ(ProfileHasLeadIn(other), both);
    // The other profile's command leaves this one alone: it has one.
    AddLeadIn(2, TargetOf(other), TargetOf(open), {1, 5, true, true});
    EXPECT_EQ(open.raw.size(), 7u);
    ASSERT_TRUE(RemoveLeadIn(TargetOf(open)));
    EXPECT_EQ(open.raw, groove);
    EXPECT_FALSE(ProfileHasLeadIn(open));
    EXPECT_FALSE(RemoveLeadIn(TargetOf(open))) << "nothing left to remove";
    Profile copy;  // copying a profile copies its mark
    CopyProfile(other, copy, 3);
    EXPECT_TRUE(ProfileHasLeadIn(copy));
  }
  // A single segment's lead-in comes off too.
  Profile segment;
  segment.raw = Rows({{0, 0}, {5, 0}});
  ASSERT_TRUE(InsertLeadIn(TargetOf(segment), 1, 5, true));
  ASSERT_TRUE(RemoveLeadIn(TargetOf(segment)));
  EXPECT_EQ(segment.raw, Rows({{0, 0}, {5, 0}}));
}

}  // namespace
}  // namespace orvane
