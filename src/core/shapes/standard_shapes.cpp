#include "core/shapes/standard_shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/common/text_number.h"
#include "core/project/exports.h"
#include "core/shapes/number_text.h"

namespace orvane {
namespace {

constexpr double kPi = std::numbers::pi;

ShapeValues Values(double w, double w2, double h, double c, double r, double r2, int n = 0,
                   int rev = 0) {
  return {w, w2, h, c, r, r2, n, rev};
}

// clang-format off
const ShapeDefinition kShapes[kShapeCount] = {
  {0, "rectangle", " RECTANGLE ", "rectangle", "Créer rectangle",
   kLargeur | kHauteur, Values(100, 0, 75, 0, 0, 0), 0, 0, 0, 0},
  {1, "rectangle-chanfreine", " RECTANGLE CHANFREINE ", "rectangle", "Créer rectangle",
   kLargeur | kHauteur | kChanfrein, Values(100, 0, 75, 10, 0, 0), 0, 0, 0, 0},
  {2, "polygone", " POLYGONE ", "polygone", "Créer polygone",
   kRayon | kCotes, Values(0, 0, 0, 0, 50, 0, 6), 3, 18, 0, 0},
  {3, "cercle", " CERCLE ", "cercle", "Créer cercle",
   kRayon | kCotes, Values(0, 0, 0, 0, 50, 0, 90), 72, 180, 0, 0},
  {4, "etoile", " ETOILE ", "étoile", "Créer étoile",
   kRayon | kRayon2 | kCotes, Values(0, 0, 0, 0, 50, 25, 6), 4, 18, 0, 0},
  {5, "losange", " LOSANGE ", "losange", "Créer losange",
   kLargeur | kHauteur, Values(70, 0, 100, 0, 0, 0), 0, 0, 0, 0},
  {6, "tube", " TUBE ", "tube", "Créer tube",
   kRayon | kRayon2 | kCotes, Values(0, 0, 0, 0, 100, 50, 36), 3, 36, 0, 0},
  {7, "secteur", " SECTEUR ", "secteur", "Créer secteur",
   kRayon | kRevolution, Values(0, 0, 0, 0, 50, 0, 72, 270), 72, 72, 5, 360},
  {8, "arche", " ARCHE ", "arche", "Créer arche",
   kRayon | kRayon2 | kCotes | kRevolution, Values(0, 0, 0, 0, 100, 50, 36, 180), 4, 36, 5, 360},
  {9, "trapeze-regulier", " TRAPEZE REGULIER", "trapèze régulier", "Créer trapèze",
   kLargeur | kLargeur2 | kHauteur, Values(100, 80, 75, 0, 0, 0), 0, 0, 0, 0},
  {10, "trapeze-irregulier", " TRAPEZE IRREGULIER", "trapèze irrégulier", "Créer trapèze",
   kLargeur | kLargeur2 | kHauteur | kChanfrein, Values(100, 70, 80, 0, 0, 0), 0, 0, 0, 0},
  {11, "triangle-rectangle", " TRIANGLE RECTANGLE ", "triangle rectangle", "Créer triangle",
   kLargeur | kHauteur, Values(100, 0, 75, 0, 0, 0), 0, 0, 0, 0},
  {12, "triangle-isocele", " TRIANGLE ISOCELE ", "triangle isocèle", "Créer triangle",
   kLargeur | kHauteur, Values(100, 0, 150, 0, 0, 0), 0, 0, 0, 0},
  {13, "triangle-equilateral", " TRIANGLE EQUILATERAL ", "triangle équilatéral", "Créer triangle",
   kLargeur, Values(100, 0, 0, 0, 0, 0), 0, 0, 0, 0},
  {14, "ellipse", " ELLIPSE ", "ellipse", "Créer ellipse",
   kRayon | kRayon2, Values(0, 0, 0, 0, 50, 100, 72), 72, 72, 0, 0},
};
// clang-format on

ShapePoint Polar(double r, double cx, double cy, double angle) {
  return {cx + r * std::cos(angle), cy + r * std::sin(angle)};
}

}  // namespace

const ShapeDefinition& ShapeOf(int code) {
  return kShapes[code >= 0 && code < kShapeCount ? code : 0];
}

std::optional<int> ShapeCodeByName(std::string_view cliName) {
  for (const ShapeDefinition& definition : kShapes) {
    if (definition.cliName == cliName) return definition.code;
  }
  return std::nullopt;
}

namespace {

// The rules of ValidateShape, each change noted with its reason when asked.
ShapeValues Validate(int code, ShapeValues v, std::vector<ShapeNote>* notes, int decimals) {
  auto note = [&](unsigned field, std::string reason) {
    if (notes) notes->push_back({field, std::move(reason)});
  };
  auto shown = [decimals](double value) { return FormatFixed(value, decimals); };
  auto zeroTakes = [&](double& value, unsigned field, double replacement) {
    if (value > 0) return;
    value = replacement;
    note(field, "Valeur nulle : remplacée par " + shown(replacement) + ".");
  };
  switch (code) {
    case kRectangleSimple:
    case kRectangleChanfrein:
    case kLosange:
      zeroTakes(v.largeur, kLargeur, 10);
      zeroTakes(v.hauteur, kHauteur, 10);
      if (v.chanfrein > v.largeur / 2 || v.chanfrein > v.hauteur / 2) {
        v.chanfrein = 0;
        note(kChanfrein, "Plus de la moitié d'un côté : chanfrein supprimé.");
      }
      break;
    case kPolygone:
    case kCercle:
    case kSecteur:
      zeroTakes(v.rayon, kRayon, 10);
      break;
    case kEtoile:
    case kTube:
    case kArche:
      zeroTakes(v.rayon, kRayon, 10);
      zeroTakes(v.rayon2, kRayon2, 10);
      if (v.rayon2 >= v.rayon) {
        v.rayon = v.rayon2 + 10;
        note(kRayon, "Il doit dépasser le rayon 2 : porté à " + shown(v.rayon) + ".");
      }
      break;
    case kTrapezeRegulier:
    case kTrapezeIrregulier:
      zeroTakes(v.largeur, kLargeur, 10);
      zeroTakes(v.largeur2, kLargeur2, 10);
      zeroTakes(v.hauteur, kHauteur, 10);
      if (v.largeur2 > v.largeur) {
        v.largeur2 = v.largeur;
        note(kLargeur2, "Plus grande que la largeur : ramenée à " + shown(v.largeur) + ".");
      }
      break;
    case kTriangleRectangle:
    case kTriangleIsocele:  // a flat isosceles triangle is no shape: 10, as for code 11
      zeroTakes(v.largeur, kLargeur, 10);
      zeroTakes(v.hauteur, kHauteur, 10);
      break;
    case kTriangleEquilateral:
      zeroTakes(v.largeur, kLargeur, 10);
      break;
    case kEllipse:
      zeroTakes(v.rayon, kRayon, 10);
      zeroTakes(v.rayon2, kRayon2, 10);
      break;
    default:
      break;
  }
  const ShapeDefinition& definition = ShapeOf(code);
  if (definition.cotesMax > 0)
    v.cotes = std::clamp(v.cotes, definition.cotesMin, definition.cotesMax);
  if (definition.revolutionMax > 0) {
    v.revolution = std::clamp(v.revolution, definition.revolutionMin, definition.revolutionMax);
  }
  if (v.chanfrein < 0) v.chanfrein = 0;
  return v;
}

constexpr std::pair<unsigned, double ShapeValues::*> kDimensionFields[] = {
    {kLargeur, &ShapeValues::largeur}, {kLargeur2, &ShapeValues::largeur2},
    {kHauteur, &ShapeValues::hauteur}, {kChanfrein, &ShapeValues::chanfrein},
    {kRayon, &ShapeValues::rayon},     {kRayon2, &ShapeValues::rayon2}};

}  // namespace

ShapeValues ValidateShape(int code, ShapeValues v) {
  return Validate(code, v, nullptr, 6);
}

CheckedShape CheckShapeValues(int code, const ShapeValues& typed, const ShapeValues& accepted,
                              int decimals) {
  CheckedShape checked;
  ShapeValues v = typed;
  // Taken as the edits will show them: the preview and "Valider" then agree.
  for (auto [bit, field] : kDimensionFields) v.*field = AsShown(v.*field, decimals);
  v = Validate(code, v, &checked.notes, decimals);
  const unsigned shown = ShapeOf(code).fields;
  auto refuse = [&](const std::string& reason) {
    checked.notes.clear();
    for (auto [bit, field] : kDimensionFields) {
      if ((shown & bit) && AsShown(typed.*field, decimals) != accepted.*field) {
        checked.notes.push_back({bit, reason});
      }
    }
    checked.values = accepted;
    return checked;
  };
  const std::optional<PointRows> rows = GenerateShape(code, v);
  if (!rows) {
    // The irregular trapezoid's offset beyond W - W2.
    return refuse("Décalage trop grand : au plus largeur - largeur 2 = " +
                  FormatFixed(v.largeur - v.largeur2, decimals) + ".");
  }
  if (!WithinReaderLimits(*rows)) return refuse(OversizeReason());
  checked.values = v;
  return checked;
}

int ArcSegments(int cotes, int revolution) {
  // Rounding alone gives 0 segments at 5 degrees and a wrong angle at 185 or 355.
  return std::max(1, static_cast<int>(RoundHalfEven(cotes * revolution / 360.0)));
}

int AdjustArchSides(int previous, int clicked, int revolution) {
  const ShapeDefinition& arch = ShapeOf(kArche);
  const int direction = clicked >= previous ? 1 : -1;
  auto whole = [revolution](int n) {
    const long hundredths = std::lround(n * revolution / 360.0 * 100);
    return hundredths % 100 == 0;
  };
  int n = previous;
  for (int candidate = clicked; candidate >= arch.cotesMin && candidate <= arch.cotesMax;
       candidate += direction) {
    if (whole(candidate)) {
      n = candidate;
      break;
    }
  }
  if (n * revolution / 360.0 < 1) n = arch.defaults.cotes;
  return n;
}

std::vector<ShapePoint> ShapePoints(int code, const ShapeValues& v) {
  const double W = v.largeur, W2 = v.largeur2, H = v.hauteur, C = v.chanfrein;
  const double R = v.rayon, R2 = v.rayon2;
  const int n = std::max(1, v.cotes);
  const double step = 2 * kPi / n;
  std::vector<ShapePoint> p;
  switch (code) {
    case kRectangleSimple:
    case kRectangleChanfrein: {
      const double c = code == kRectangleSimple ? 0 : C;
      p = {{W, H / 2}, {W, H - c}, {W - c, H}, {W / 2, H}, {c, H}, {0, H - c}, {0, H / 2},
           {0, c},     {c, 0},     {W / 2, 0}, {W - c, 0}, {W, c}, {W, H / 2}};
      break;
    }
    case kPolygone:
    case kCercle:
    case kEllipse: {
      const int sides = code == kEllipse ? 72 : n;
      const double a = 2 * kPi / sides;
      p.push_back({2 * R, R});
      for (int k = 1; k < sides; ++k) p.push_back(Polar(R, R, R, k * a));
      p.push_back({2 * R, R});
      break;
    }
    case kEtoile:
      p.push_back({2 * R, R});
      for (int k = 1; k <= n; ++k) {
        p.push_back(Polar(R2, R, R, (2 * k - 1) * step / 2));
        p.push_back(k == n ? ShapePoint{2 * R, R} : Polar(R, R, R, k * step));
      }
      break;
    case kLosange:
      p = {{W, H / 2}, {W / 2, H}, {0, H / 2}, {W / 2, 0}, {W, H / 2}};
      break;
    case kTube: {
      const ShapePoint po{R + R * std::cos(step / 2), R}, pi{R + R2 * std::cos(step / 2), R};
      p = {po, pi};
      for (int k = 1; k <= n; ++k) p.push_back(Polar(R2, R, R, -(2 * k - 1) * step / 2));
      p.push_back(pi);
      p.push_back(po);
      for (int k = 1; k <= n; ++k) p.push_back(Polar(R, R, R, -(2 * k - 1) * step / 2));
      p.push_back(po);
      break;
    }
    case kSecteur: {
      const int m = ArcSegments(72, v.revolution);
      const double a = v.revolution * kPi / 180 / m;
      p.push_back({2 * R, R});
      for (int k = 1; k <= m; ++k) p.push_back(Polar(R, R, R, k * a));
      p.push_back({R, R});
      p.push_back({2 * R, R});
      break;
    }
    case kArche: {
      const int m = ArcSegments(n, v.revolution);
      const double a = v.revolution * kPi / 180 / m;
      p = {{2 * R, R}, {R + R2, R}};
      for (int k = 1; k <= m; ++k) p.push_back(Polar(R2, R, R, k * a));
      p.push_back(Polar(R, R, R, m * a));
      for (int k = m - 1; k >= 1; --k) p.push_back(Polar(R, R, R, k * a));
      p.push_back({2 * R, R});
      break;
    }
    case kTrapezeRegulier:
      p = {{W, 0}, {(W - W2) / 2 + W2, H}, {(W - W2) / 2, H}, {0, 0}, {W, 0}};
      break;
    case kTrapezeIrregulier:
      if (W - W2 >= C) p = {{W, 0}, {W - C, H}, {W - C - W2, H}, {0, 0}, {W, 0}};
      break;
    case kTriangleRectangle:
      p = {{W, 0}, {0, H}, {0, 0}, {W, 0}};
      break;
    case kTriangleIsocele:
      p = {{W, 0}, {W / 2, H}, {0, 0}, {W, 0}};
      break;
    case kTriangleEquilateral:
      p = {{W, 0}, {W / 2, W * std::cos(kPi / 4)}, {0, 0}, {W, 0}};
      break;
    default:
      break;
  }
  if (code == kEllipse && R > 0) {
    for (ShapePoint& point : p) point.y *= R2 / R;
  }
  return p;
}

std::optional<PointRows> GenerateShape(int code, const ShapeValues& values) {
  const std::vector<ShapePoint> points = ShapePoints(code, values);
  if (points.size() < 2) return std::nullopt;
  PointRows rows;
  rows.reserve(points.size());
  for (const ShapePoint& p : points) rows.push_back({FormatFixed(p.x, 6), FormatFixed(p.y, 6)});
  // Cut clockwise from the same start, as "Inverser le sens de découpe" would.
  if (code != kTube && code != kArche) std::reverse(rows.begin(), rows.end());
  RemoveConsecutiveDuplicates(rows);
  return rows;
}

std::vector<DimensionAnnotation> ShapeAnnotations(int code, const ShapeValues& v, int decimals) {
  const std::vector<ShapePoint> points = ShapePoints(code, v);
  if (points.empty()) return {};
  double minX = points[0].x, minY = points[0].y, maxX = minX, maxY = minY;
  for (const ShapePoint& p : points) {
    minX = std::min(minX, p.x), minY = std::min(minY, p.y);
    maxX = std::max(maxX, p.x), maxY = std::max(maxY, p.y);
  }
  std::vector<DimensionAnnotation> out;
  auto text = [decimals](const char* prefix, double value) {
    return std::string(prefix) + FormatFixed(value, decimals);
  };
  // Coordinates of the generator, moved as RefreshAdjusted will move them.
  auto horizontal = [&](double from, double to, double at, int side, std::string label) {
    out.push_back({false, from - minX, to - minX, at - minY, side, std::move(label)});
  };
  auto vertical = [&](double from, double to, double at, int side, std::string label) {
    out.push_back({true, from - minY, to - minY, at - minX, side, std::move(label)});
  };
  const double W = v.largeur, W2 = v.largeur2, H = v.hauteur, C = v.chanfrein;
  const double R = v.rayon, R2 = v.rayon2;
  switch (code) {
    case kRectangleChanfrein:
      if (C > 0) horizontal(W - C, W, H, 1, text("C ", C));
      [[fallthrough]];
    case kRectangleSimple:
    case kLosange:
    case kTriangleRectangle:
    case kTriangleIsocele:
      horizontal(0, W, 0, -1, text("", W));
      vertical(0, H, 0, -1, text("", H));
      break;
    case kTrapezeRegulier:
    case kTrapezeIrregulier: {
      const double left = code == kTrapezeRegulier ? (W - W2) / 2 : W - C - W2;
      horizontal(0, W, 0, -1, text("", W));
      horizontal(left, left + W2, H, 1, text("", W2));
      vertical(0, H, minX, -1, text("", H));
      break;
    }
    case kTriangleEquilateral:
      horizontal(0, W, 0, -1, text("", W));
      break;
    case kPolygone:
    case kCercle:
    case kSecteur:
      horizontal(R, 2 * R, R, 0, text("R ", R));
      break;
    case kEtoile:
    case kTube:
    case kArche:
      horizontal(R, R + R2, R, 0, text("R2 ", R2));
      vertical(R, 2 * R, R, 0, text("R ", R));
      break;
    case kEllipse:
      horizontal(R, 2 * R, R * R2 / R, 0, text("R ", R));
      vertical(R * R2 / R, 2 * R2, R, 0, text("R2 ", R2));
      break;
    default:
      break;
  }
  return out;
}

}  // namespace orvane
