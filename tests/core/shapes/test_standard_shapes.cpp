#include "core/shapes/standard_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "core/common/text_number.h"
#include "support/field_notes.h"

namespace orvane {
namespace {

// The profile as the project window shows it after generation.
Profile Generated(int code, const ShapeValues& values) {
  Profile p;
  p.raw = GenerateShape(code, values).value_or(PointRows{});
  RefreshAdjusted(p, 3);
  return p;
}

// The angle in degrees of `p` seen from the centre (r, r).
double AngleOf(const ShapePoint& p, double r) {
  return std::atan2(p.y - r, p.x - r) * 180 / std::numbers::pi;
}

TEST(StandardShapes, EveryShapeAtItsDefaultsHasItsPointCountAndClosesWithoutDuplicates) {
  const size_t points[] = {9, 13, 7, 91, 13, 5, 77, 57, 39, 5, 5, 4, 4, 4, 73};
  std::vector<std::tuple<std::string, int, ShapeValues, size_t>> cases;
  for (int code = 0; code < 15; ++code) {
    const ShapeDefinition& definition = ShapeOf(code);
    EXPECT_EQ(ShapeCodeByName(definition.cliName), code);
    cases.emplace_back(definition.cliName, code, definition.defaults, points[code]);
  }
  ShapeValues halfSide = ShapeOf(kRectangleChanfrein).defaults;
  halfSide.chanfrein = 37.5;  // half the height: the side's middle is the chamfer's end
  ASSERT_EQ(ValidateShape(kRectangleChanfrein, halfSide).chanfrein, 37.5);
  cases.emplace_back("half-side chamfer", kRectangleChanfrein, halfSide, 9);
  for (const auto& [name, code, values, count] : cases) {
    SCOPED_TRACE(name);
    const Profile p = Generated(code, values);
    EXPECT_EQ(p.raw.size(), count);
    EXPECT_TRUE(IsClosed(p.raw));
    for (size_t i = 1; i < p.raw.size(); ++i) EXPECT_FALSE(p.raw[i] == p.raw[i - 1]) << i;
  }
}

TEST(StandardShapes, RectanglesTriangleEllipseAndStarHaveTheirGeometry) {
  const Profile p = Generated(kRectangleSimple, ShapeOf(kRectangleSimple).defaults);
  EXPECT_EQ(p.raw[0], (PointText{"100.000000", "37.500000"}));  // mid right, then clockwise
  EXPECT_EQ(p.raw[1], (PointText{"100.000000", "0.000000"}));
  // A zero chamfer is the simple rectangle, corner for corner.
  ShapeValues v = ShapeOf(kRectangleChanfrein).defaults;
  v.chanfrein = 0;
  EXPECT_EQ(Generated(kRectangleChanfrein, v).raw, p.raw);
  // A triangle passes through its start (100, 50) less the minima (25, 6.69873).
  v = ShapeOf(kPolygone).defaults;
  v.cotes = 3;
  EXPECT_EQ(Generated(kPolygone, v).raw.size(), 4u);
  EXPECT_EQ(Generated(kPolygone, v).raw.front(), (PointText{"75.000000", "43.301270"}));
  const auto [w, h] = ProfileExtent(Generated(kEllipse, ShapeOf(kEllipse).defaults).raw, true);
  EXPECT_NEAR(w, 100, 1e-6);
  EXPECT_NEAR(h, 200, 1e-6);
  v = ShapeOf(kEtoile).defaults;
  const std::vector<ShapePoint> star = ShapePoints(kEtoile, v);
  ASSERT_EQ(star.size(), 13u);
  for (size_t i = 1; i < star.size(); ++i) {
    EXPECT_NEAR(std::hypot(star[i].x - v.rayon, star[i].y - v.rayon), i % 2 ? v.rayon2 : v.rayon,
                1e-9)
        << i;
  }
  // The tube goes round the inner ring, then the outer, entering on the centre line.
  const std::vector<ShapePoint> tube = ShapePoints(kTube, ShapeOf(kTube).defaults);
  ASSERT_EQ(tube.size(), 77u);
  for (size_t i = 2; i < 76; ++i) {
    if (i == 38 || i == 39) continue;
    EXPECT_NEAR(std::hypot(tube[i].x - 100, tube[i].y - 100), i < 38 ? 50 : 100, 1e-9) << i;
  }
  EXPECT_EQ(GenerateShape(kTube, ShapeOf(kTube).defaults)->front().y, "100.000000");
  // A chamfer of exactly what the top leaves still makes a trapezoid.
  ShapeValues edge = ShapeOf(kTrapezeIrregulier).defaults;
  edge.chanfrein = edge.largeur - edge.largeur2;
  EXPECT_EQ(ShapePoints(kTrapezeIrregulier, edge).size(), 5u);
}

TEST(StandardShapes, SectorAndArchSpanTheirRevolution) {
  EXPECT_EQ(ArcSegments(72, 270), 54);  // the sector's default
  const ShapeValues sector = ShapeOf(kSecteur).defaults;
  EXPECT_EQ(Generated(kSecteur, sector).raw.size(), 57u);
  EXPECT_NEAR(AngleOf(ShapePoints(kSecteur, sector)[54], sector.rayon), 270 - 360, 1e-9);
  // 185 degrees: 36 x 185 / 360 = 18.5 rounds to 18 segments of 185/18 degrees.
  ShapeValues arch = ShapeOf(kArche).defaults;
  arch.revolution = 185;
  const std::vector<ShapePoint> points = ShapePoints(kArche, arch);
  ASSERT_EQ(points.size(), 2u * 18 + 3);
  EXPECT_NEAR(AngleOf(points[2 + 17], arch.rayon), 185 - 360, 1e-9);
  // Regressions: 5 degrees gave no segment at all, a flat outline; 355
  // degrees rounded up to a full ring.
  arch.revolution = 5;
  EXPECT_EQ(ArcSegments(36, 5), 1);
  EXPECT_EQ(ShapePoints(kArche, arch).size(), 5u);
  arch.revolution = 355;
  EXPECT_NEAR(AngleOf(ShapePoints(kArche, arch)[2 + ArcSegments(36, 355) - 1], arch.rayon), -5,
              1e-9);
  // The side count search stays in range and ends: at 180 degrees the whole
  // counts are the even ones; at 45 the multiples of 8 (16 -> 17 goes on to
  // 24); at 35 none of 4..36, so the count stays; under one segment, 36.
  for (auto [previous, typed, revolution, sides] : {std::tuple{36, 35, 180, 34},
                                                    {20, 21, 180, 22},
                                                    {16, 17, 45, 24},
                                                    {36, 37, 35, 36},
                                                    {30, 29, 35, 30},
                                                    {8, 7, 5, 36}}) {
    EXPECT_EQ(AdjustArchSides(previous, typed, revolution), sides) << typed << " at " << revolution;
  }
}

// Each rule of an edit left, what it gives and the reason shown beside the
// field. Regressions: a value rounding to 0 at the shown decimals previewed
// flat and "Valider" made 10 mm; 99,999,999 was taken; a refused value came
// back without a word.
TEST(StandardShapes, LeavingAnEditAppliesTheRulesAndSaysWhy) {
  const struct {
    const char* name;
    int code, decimals;
    double ShapeValues::*field;
    double typed, expected;  // the field's value afterwards
    unsigned noted;          // the field whose reason is shown, 0 for none
    const char* reason;
  } cases[] = {
      {"0.3 shown with no decimal is 0", kRectangleSimple, 0, &ShapeValues::largeur, 0.3, 10,
       kLargeur, "Valeur nulle : remplacée par 10."},
      {"0.7 shown with no decimal is 1", kRectangleSimple, 0, &ShapeValues::largeur, 0.7, 1, 0, ""},
      {"a chamfer over half a side", kRectangleChanfrein, 3, &ShapeValues::chanfrein, 40, 0,
       kChanfrein, "Plus de la moitié d'un côté : chanfrein supprimé."},
      {"a tube's inner radius beyond the outer", kTube, 3, &ShapeValues::rayon2, 120, 120, kRayon,
       "Il doit dépasser le rayon 2 : porté à 130.000."},
      {"a trapezoid's top wider than its base", kTrapezeRegulier, 1, &ShapeValues::largeur2, 150,
       100, kLargeur2, "Plus grande que la largeur : ramenée à 100.0."},
      {"an offset beyond W - W2: the accepted one back", kTrapezeIrregulier, 3,
       &ShapeValues::chanfrein, 40, 0, kChanfrein,
       "Décalage trop grand : au plus largeur - largeur 2 = 30.000."},
      {"a radius of 600,000 is a circle of 1,200,000", kCercle, 3, &ShapeValues::rayon, 600000, 50,
       kRayon, "Forme de plus de 1000000 mm : valeur refusée."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ShapeValues accepted = ShapeOf(c.code).defaults;
    ShapeValues typed = accepted;
    typed.*c.field = c.typed;
    const CheckedShape checked = CheckShapeValues(c.code, typed, accepted, c.decimals);
    EXPECT_EQ(checked.values.*c.field, c.expected);
    test::ExpectNote(checked, c.noted, c.reason);
    // What the window keeps always makes the shape it previews.
    EXPECT_TRUE(GenerateShape(c.code, checked.values));
  }
  ShapeValues v = ShapeOf(kPolygone).defaults;
  v.cotes = 40;
  EXPECT_EQ(ValidateShape(kPolygone, v).cotes, 18);
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
