#include "core/shapes/standard_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/common/text_number.h"

namespace orvane {
namespace {

// The profile as the project window shows it after generation.
Profile Generated(int code, const ShapeValues& values) {
  Profile p;
  auto rows = GenerateShape(code, values);
  if (rows) p.raw = *rows;
  RefreshAdjusted(p, 3);
  return p;
}

struct DefaultCase {
  int code;
  size_t points;
};

TEST(StandardShapes, EveryShapeAtItsDefaultsHasItsPointCountAndCloses) {
  const DefaultCase cases[] = {{0, 9},  {1, 13}, {2, 7},  {3, 91}, {4, 13},
                               {5, 5},  {6, 77}, {7, 57}, {8, 39}, {9, 5},
                               {10, 5}, {11, 4}, {12, 4}, {13, 4}, {14, 73}};
  for (const DefaultCase& c : cases) {
    const ShapeDefinition& definition = ShapeOf(c.code);
    SCOPED_TRACE(std::string(definition.cliName));
    EXPECT_EQ(ShapeCodeByName(definition.cliName), c.code);
    const Profile p = Generated(c.code, definition.defaults);
    EXPECT_EQ(p.raw.size(), c.points);
    EXPECT_TRUE(IsClosed(p.raw));
    // Re-anchored, and never two equal points in a row.
    EXPECT_EQ(FindMinMax(p.raw, 1).min, 0);
    EXPECT_EQ(FindMinMax(p.raw, 2).min, 0);
    for (size_t i = 1; i < p.raw.size(); ++i) EXPECT_FALSE(p.raw[i] == p.raw[i - 1]) << i;
  }
  EXPECT_FALSE(ShapeCodeByName("hexagone"));
}

TEST(StandardShapes, RectangleStartsMidRightAndCutsClockwise) {
  const Profile p = Generated(kRectangleSimple, ShapeOf(kRectangleSimple).defaults);
  EXPECT_EQ(p.raw[0], (PointText{"100.000000", "37.500000"}));
  EXPECT_EQ(p.raw[1], (PointText{"100.000000", "0.000000"}));
  EXPECT_EQ(DimensionsOf(p, 3).x, "100.000");
  EXPECT_EQ(DimensionsOf(p, 3).y, "75.000");
  // A zero chamfer is the simple rectangle, corner for corner.
  ShapeValues flat = ShapeOf(kRectangleChanfrein).defaults;
  flat.chanfrein = 0;
  EXPECT_EQ(Generated(kRectangleChanfrein, flat).raw, p.raw);
}

TEST(StandardShapes, TrianglePolygonPassesThroughItsReAnchoredStart) {
  ShapeValues v = ShapeOf(kPolygone).defaults;
  v.cotes = 3;
  const Profile p = Generated(kPolygone, v);
  ASSERT_EQ(p.raw.size(), 4u);
  // (100, 50) less the minima (25, 6.69873).
  EXPECT_EQ(p.raw.front(), (PointText{"75.000000", "43.301270"}));
  EXPECT_EQ(p.raw.back(), p.raw.front());
}

TEST(StandardShapes, StarAlternatesInnerAndOuterRadius) {
  const ShapeValues v = ShapeOf(kEtoile).defaults;
  const std::vector<ShapePoint> points = ShapePoints(kEtoile, v);
  ASSERT_EQ(points.size(), 13u);
  for (size_t i = 1; i < points.size(); ++i) {
    const double r = std::hypot(points[i].x - v.rayon, points[i].y - v.rayon);
    EXPECT_NEAR(r, i % 2 ? v.rayon2 : v.rayon, 1e-9) << i;
  }
}

TEST(StandardShapes, SectorAndArchSpanTheirRevolution) {
  const ShapeValues sector = ShapeOf(kSecteur).defaults;  // 270 degrees, m = 54
  EXPECT_EQ(ArcSegments(72, 270), 54);
  EXPECT_EQ(Generated(kSecteur, sector).raw.size(), 57u);

  // 185 degrees: 36 x 185 / 360 = 18.5 rounds to 18 segments of 185/18 degrees.
  ShapeValues arch = ShapeOf(kArche).defaults;
  arch.revolution = 185;
  const std::vector<ShapePoint> points = ShapePoints(kArche, arch);
  ASSERT_EQ(points.size(), 2u * 18 + 3);
  const ShapePoint innerEnd = points[2 + 17];
  const double span = std::atan2(innerEnd.y - arch.rayon, innerEnd.x - arch.rayon);
  EXPECT_NEAR(span * 180 / std::numbers::pi, 185 - 360, 1e-9);

  // 5 degrees used to give no segment at all: a flat outline.
  arch.revolution = 5;
  EXPECT_EQ(ArcSegments(36, 5), 1);
  EXPECT_EQ(ShapePoints(kArche, arch).size(), 5u);
  // 355 degrees used to round up to a full ring.
  arch.revolution = 355;
  const std::vector<ShapePoint> ring = ShapePoints(kArche, arch);
  const ShapePoint last = ring[2 + ArcSegments(36, 355) - 1];
  EXPECT_NEAR(std::atan2(last.y - arch.rayon, last.x - arch.rayon) * 180 / std::numbers::pi, -5,
              1e-9);
}

TEST(StandardShapes, ArchSidesSearchStaysInRangeAndEnds) {
  // 180 degrees: whole counts are the even ones.
  EXPECT_EQ(AdjustArchSides(36, 35, 180), 34);
  EXPECT_EQ(AdjustArchSides(20, 21, 180), 22);
  // 45 degrees: only multiples of 8 divide evenly; 16 -> 17 goes on to 24.
  EXPECT_EQ(AdjustArchSides(16, 17, 45), 24);
  // 35 degrees: no count of 4..36 divides it; the count stays, no endless loop.
  EXPECT_EQ(AdjustArchSides(36, 37, 35), 36);
  EXPECT_EQ(AdjustArchSides(30, 29, 35), 30);
  // Under one segment the revolution rule's 36 applies.
  EXPECT_EQ(AdjustArchSides(8, 7, 5), 36);
}

// Each rule of an edit left, what it gives and the reason shown beside the
// field. Regressions: a value rounding to 0 at the shown decimals previewed
// flat and "Valider" made 10 mm; 99,999,999 was taken; a refused value came
// back without a word.
TEST(StandardShapes, LeavingAnEditAppliesTheRulesAndSaysWhy) {
  struct Case {
    const char* name;
    int code;
    int decimals;
    double ShapeValues::*field;
    double typed;
    double expected;  // the field's value afterwards
    unsigned noted;   // the field whose reason is shown, 0 for none
    const char* reason;
  };
  const Case cases[] = {
      {"a width as typed", kRectangleSimple, 3, &ShapeValues::largeur, 120.5, 120.5, 0, ""},
      {"a zero width", kRectangleSimple, 3, &ShapeValues::largeur, 0, 10, kLargeur,
       "Valeur nulle : remplacée par 10.000."},
      {"0.3 shown with no decimal is 0", kRectangleSimple, 0, &ShapeValues::largeur, 0.3, 10,
       kLargeur, "Valeur nulle : remplacée par 10."},
      {"0.7 shown with no decimal is 1", kRectangleSimple, 0, &ShapeValues::largeur, 0.7, 1, 0, ""},
      {"a chamfer over half a side", kRectangleChanfrein, 3, &ShapeValues::chanfrein, 40, 0,
       kChanfrein, "Plus de la moitié d'un côté : chanfrein supprimé."},
      {"a tube's inner radius beyond the outer", kTube, 3, &ShapeValues::rayon2, 120, 120, kRayon,
       "Il doit dépasser le rayon 2 : porté à 130.000."},
      {"a trapezoid's top wider than its base", kTrapezeRegulier, 1, &ShapeValues::largeur2, 150,
       100, kLargeur2, "Plus grande que la largeur : ramenée à 100.0."},
      {"an isosceles triangle of no height", kTriangleIsocele, 3, &ShapeValues::hauteur, 0, 10,
       kHauteur, "Valeur nulle : remplacée par 10.000."},
      {"an offset beyond W - W2: the accepted one back", kTrapezeIrregulier, 3,
       &ShapeValues::chanfrein, 40, 0, kChanfrein,
       "Décalage trop grand : au plus largeur - largeur 2 = 30.000."},
      {"99,999,999 mm: the accepted width back", kRectangleSimple, 3, &ShapeValues::largeur,
       99999999, 100, kLargeur, "Forme de plus de 1000000 mm : valeur refusée."},
      {"a radius of 600,000 is a circle of 1,200,000", kCercle, 3, &ShapeValues::rayon, 600000, 50,
       kRayon, "Forme de plus de 1000000 mm : valeur refusée."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ShapeValues accepted = ShapeOf(c.code).defaults;
    ShapeValues typed = accepted;
    typed.*c.field = c.typed;
    const CheckedShape checked = CheckShapeValues(c.code, typed, accepted, c.decimals);
    EXPECT_EQ(checked.values.*c.field, c.expected);
    if (c.noted == 0) {
      EXPECT_TRUE(checked.notes.empty());
    } else {
      ASSERT_EQ(checked.notes.size(), 1u);
      EXPECT_EQ(checked.notes[0].field, c.noted);
      EXPECT_EQ(checked.notes[0].reason, c.reason);
    }
    // What the window keeps always makes the shape it previews.
    EXPECT_TRUE(GenerateShape(c.code, checked.values));
  }
  ShapeValues v = ShapeOf(kPolygone).defaults;
  v.cotes = 40;
  EXPECT_EQ(ValidateShape(kPolygone, v).cotes, 18);
}

TEST(StandardShapes, HalfSideChamferLeavesNoDuplicatePoint) {
  ShapeValues v = ShapeOf(kRectangleChanfrein).defaults;
  v.chanfrein = 37.5;  // half the height: the side's middle is the chamfer's end
  v = ValidateShape(kRectangleChanfrein, v);
  ASSERT_EQ(v.chanfrein, 37.5);
  const Profile p = Generated(kRectangleChanfrein, v);
  EXPECT_EQ(p.raw.size(), 9u);
  EXPECT_TRUE(IsClosed(p.raw));
  for (size_t i = 1; i < p.raw.size(); ++i) EXPECT_FALSE(p.raw[i] == p.raw[i - 1]) << i;
}

TEST(StandardShapes, EllipseHasItsTwoSemiAxes) {
  const Profile p = Generated(kEllipse, ShapeOf(kEllipse).defaults);
  const auto [w, h] = ProfileExtent(p.raw, true);
  EXPECT_NEAR(w, 100, 1e-6);
  EXPECT_NEAR(h, 200, 1e-6);
}

TEST(StandardShapes, TubeGoesRoundTheInnerRingThenTheOuter) {
  const ShapeValues v = ShapeOf(kTube).defaults;
  const std::vector<ShapePoint> points = ShapePoints(kTube, v);
  ASSERT_EQ(points.size(), 77u);
  for (size_t i = 2; i < 2 + 36; ++i) {
    EXPECT_NEAR(std::hypot(points[i].x - 100, points[i].y - 100), 50, 1e-9);
  }
  for (size_t i = 40; i < 76; ++i) {
    EXPECT_NEAR(std::hypot(points[i].x - 100, points[i].y - 100), 100, 1e-9);
  }
  // Entry and exit on the horizontal centre line, not reversed.
  EXPECT_EQ(GenerateShape(kTube, v)->front().y, "100.000000");
}

TEST(StandardShapes, AnnotationsSitOnTheReAnchoredShape) {
  const auto marks = ShapeAnnotations(kTrapezeRegulier, ShapeOf(kTrapezeRegulier).defaults, 1);
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_EQ(marks[0].label, "100.0");
  EXPECT_EQ(marks[1].from, 10);  // the top side, centred
  EXPECT_EQ(marks[1].to, 90);
  EXPECT_EQ(marks[1].at, 75);
  EXPECT_TRUE(marks[2].vertical);
}

}  // namespace
}  // namespace orvane
