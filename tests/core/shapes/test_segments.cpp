#include "core/shapes/segments.h"

#include <gtest/gtest.h>

#include "support/field_notes.h"

namespace orvane {
namespace {

TEST(Segments, PolarRectangularAndAppendedSegments) {
  // The polar defaults use the truncated constant.
  EXPECT_EQ(GenerateSegment({}, SegmentValues{}),
            (PointRows{{"0.000000", "0.000000"}, {"35.355340", "35.355338"}}));
  SegmentValues v;
  v.polar = false;
  v.largeur = -20;
  v.hauteur = 10;
  v.roundTrip = true;
  Profile p;
  p.raw = GenerateSegment({}, v);
  RefreshAdjusted(p, 3);  // re-anchored
  EXPECT_EQ(
      p.raw,
      (PointRows{{"20.000000", "0.000000"}, {"0.000000", "10.000000"}, {"20.000000", "0.000000"}}));
  // A zero segment adds no duplicate.
  v.largeur = v.hauteur = 0;
  EXPECT_EQ(GenerateSegment({}, v).size(), 1u);
  const PointRows base{{"0.000000", "0.000000"}, {"100.000000", "0.000000"}};
  v.append = true;
  EXPECT_EQ(GenerateSegment(base, v), base);
  // Appending adds one row from the profile as it was, however often it is
  // regenerated; on an empty profile the segment starts at (0, 0).
  v = {};
  v.append = true;
  v.longueur = 50;
  v.angle = 90;
  PointRows rows;
  for (int i = 0; i < 3; ++i) rows = GenerateSegment(base, v);
  EXPECT_EQ(rows, (PointRows{base[0], base[1], {"100.000004", "50.000000"}}));
  EXPECT_EQ(GenerateSegment({}, v).front(), (PointText{"0.000000", "0.000000"}));
}

TEST(Segments, LeavingAnEditAppliesTheRulesAndSaysWhy) {
  const SegmentValues accepted;
  const PointRows farEnd{{"0.000000", "0.000000"}, {"999990.000000", "0.000000"}};
  const struct {
    const char* name;
    double SegmentValues::*field;
    double typed, expected;
    const char* note;  // on the field typed; empty for none
    bool append = false;
  } cases[] = {
      {"a length rounding to 0.000", &SegmentValues::longueur, 0.0001, 50,
       "Valeur nulle : remplacée par 50.000."},
      {"an angle of 400", &SegmentValues::angle, 400, 0,
       "Au-delà de 360 degrés : remplacé par 0.0."},
      {"an angle shown with one decimal", &SegmentValues::angle, 30.04, 30, ""},
      {"appended past 1,000,000 mm: refused", &SegmentValues::longueur, 20, 50,
       "Forme de plus de 1000000 mm : valeur refusée.", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SegmentValues typed = accepted;
    typed.angle = 0;
    typed.append = c.append;
    typed.*c.field = c.typed;
    const CheckedSegment checked = CheckSegmentValues(typed, accepted, farEnd, 3);
    EXPECT_DOUBLE_EQ(checked.values.*c.field, c.expected);
    test::ExpectNote(checked, c.field, c.note);
  }
}

}  // namespace
}  // namespace orvane
