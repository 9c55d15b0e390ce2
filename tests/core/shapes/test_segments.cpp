#include "core/shapes/segments.h"

#include <gtest/gtest.h>

#include "core/common/text_number.h"

namespace orvane {
namespace {

PointRows Refreshed(PointRows rows) {
  Profile p;
  p.raw = std::move(rows);
  RefreshAdjusted(p, 3);
  return p.raw;
}

TEST(Segments, PolarDefaultsUseTheTruncatedConstant) {
  const PointRows rows = GenerateSegment({}, SegmentValues{});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (PointText{"0.000000", "0.000000"}));
  EXPECT_EQ(rows[1], (PointText{"35.355340", "35.355338"}));
}

TEST(Segments, RectangularThereAndBackIsReAnchored) {
  SegmentValues v;
  v.polar = false;
  v.largeur = -20;
  v.hauteur = 10;
  v.roundTrip = true;
  EXPECT_EQ(
      Refreshed(GenerateSegment({}, v)),
      (PointRows{{"20.000000", "0.000000"}, {"0.000000", "10.000000"}, {"20.000000", "0.000000"}}));
}

TEST(Segments, AppendingAddsOneRowFromTheProfileAsItWas) {
  const PointRows base{{"0.000000", "0.000000"}, {"100.000000", "0.000000"}};
  SegmentValues v;
  v.append = true;
  v.longueur = 50;
  v.angle = 90;
  // Every regeneration starts again from `base`: the segment is there once.
  PointRows rows;
  for (int i = 0; i < 3; ++i) rows = GenerateSegment(base, v);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2], (PointText{"100.000004", "50.000000"}));
  // On an empty profile the segment starts at (0, 0).
  EXPECT_EQ(GenerateSegment({}, v).front(), (PointText{"0.000000", "0.000000"}));
}

TEST(Segments, ZeroSegmentAddsNoDuplicate) {
  SegmentValues v;
  v.polar = false;
  v.largeur = v.hauteur = 0;
  v.roundTrip = true;
  EXPECT_EQ(GenerateSegment({}, v).size(), 1u);
  v.append = true;
  const PointRows base{{"0.000000", "0.000000"}, {"5.000000", "0.000000"}};
  EXPECT_EQ(GenerateSegment(base, v), base);
}

TEST(Segments, LeavingAnEditAppliesTheRulesAndSaysWhy) {
  const SegmentValues accepted;
  const PointRows farEnd{{"0.000000", "0.000000"}, {"999990.000000", "0.000000"}};
  struct Case {
    const char* name;
    double SegmentValues::*field;
    double typed, expected;
    const char* note;  // on the field typed; empty for none
    bool append = false;
  };
  const Case cases[] = {
      {"a length as typed", &SegmentValues::longueur, 75, 75, ""},
      {"a zero length", &SegmentValues::longueur, 0, 50, "Valeur nulle : remplacée par 50.000."},
      {"a length rounding to 0.000", &SegmentValues::longueur, 0.0001, 50,
       "Valeur nulle : remplacée par 50.000."},
      {"an angle of 400", &SegmentValues::angle, 400, 0,
       "Au-delà de 360 degrés : remplacé par 0.0."},
      {"an angle shown with one decimal", &SegmentValues::angle, 30.04, 30, ""},
      {"99,999,999 mm: refused", &SegmentValues::longueur, 99999999, 50,
       "Forme de plus de 1000000 mm : valeur refusée."},
      {"appended past 1,000,000 mm: refused", &SegmentValues::longueur, 20, 50,
       "Forme de plus de 1000000 mm : valeur refusée.", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SegmentValues typed = accepted;
    typed.angle = 0;
    typed.append = c.append;
    typed.*c.field = c.typed;
    const CheckedSegment checked = CheckSegmentValues(typed, accepted, farEnd, 3);
    EXPECT_DOUBLE_EQ(checked.values.*c.field, c.expected);
    if (*c.note) {
      ASSERT_EQ(checked.notes.size(), 1u);
      EXPECT_EQ(checked.notes[0].field, c.field);
      EXPECT_EQ(checked.notes[0].reason, c.note);
    } else {
      EXPECT_TRUE(checked.notes.empty());
    }
  }
}

}  // namespace
}  // namespace orvane
