#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/project/profile.h"

namespace orvane {

// The dimensions of a standard shape, in millimetres, as the shape window's
// edits hold them; `cotes` is the number of sides or segments per full turn.
struct ShapeValues {
  double largeur = 0, largeur2 = 0, hauteur = 0, chanfrein = 0, rayon = 0, rayon2 = 0;
  int cotes = 0;
  int revolution = 0;  // degrees
  bool operator==(const ShapeValues&) const = default;
};

enum ShapeField : unsigned {
  kLargeur = 1,
  kLargeur2 = 2,
  kHauteur = 4,
  kChanfrein = 8,
  kRayon = 16,
  kRayon2 = 32,
  kCotes = 64,       // the sides control is shown
  kRevolution = 128  // the revolution control is shown
};

inline constexpr int kShapeCount = 15;
enum ShapeCode : int {
  kRectangleSimple = 0,
  kRectangleChanfrein = 1,
  kPolygone = 2,
  kCercle = 3,
  kEtoile = 4,
  kLosange = 5,
  kTube = 6,
  kSecteur = 7,
  kArche = 8,
  kTrapezeRegulier = 9,
  kTrapezeIrregulier = 10,
  kTriangleRectangle = 11,
  kTriangleIsocele = 12,
  kTriangleEquilateral = 13,
  kEllipse = 14,
};

struct ShapeDefinition {
  int code;
  std::string_view cliName;       // "rectangle-chanfreine"
  std::string_view groupTitle;    // " RECTANGLE CHANFREINE "
  std::string_view profileName;   // the profile title's name: " PROFIL 1 : rectangle "
  std::string_view historyLabel;  // "Créer rectangle"
  unsigned fields;                // ShapeField bits
  ShapeValues defaults;
  int cotesMin, cotesMax;  // the sides control's range (equal when fixed)
  int revolutionMin, revolutionMax;
};

// Code 0..14; anything else gives the simple rectangle.
const ShapeDefinition& ShapeOf(int code);
std::optional<int> ShapeCodeByName(std::string_view cliName);

// The rules applied when an edit is left: zero sizes take 10, a chamfer too
// large for the sides goes, an inner radius pushes the outer one out, ...
ShapeValues ValidateShape(int code, ShapeValues values);

// Why a value of the shape window was not taken as typed, for the field
// (ShapeField bit) whose edit shows it.
struct ShapeNote {
  unsigned field;
  std::string reason;
};
struct CheckedShape {
  ShapeValues values;
  std::vector<ShapeNote> notes;
};
// The exit logic of the shape window's edits: every size taken as shown with
// `decimals` decimals (so that the preview and "Valider" make the same
// shape), then the rules of ValidateShape, each change with its reason. The
// `accepted` values come back, with the reason, when the shape cannot be made
// (an irregular trapezoid's offset beyond W - W2) or would span more than the
// drawing readers take.
CheckedShape CheckShapeValues(int code, const ShapeValues& typed, const ShapeValues& accepted,
                              int decimals);

// The point list before the reversal of the cutting direction; empty when the
// values give nothing (an irregular trapezoid offset beyond W - W2).
struct ShapePoint {
  double x, y;
};
std::vector<ShapePoint> ShapePoints(int code, const ShapeValues& values);

// The rows written into profile 1: in cutting order, "%.6f", consecutive
// duplicates dropped, the ellipse stretched to its height. Not yet
// re-anchored (RefreshAdjusted does that). None when nothing can be made.
std::optional<PointRows> GenerateShape(int code, const ShapeValues& values);

// The segment count of sector and arch: at least one, each revolution / m.
int ArcSegments(int cotes, int revolution);

// A click on the arch's sides control moved it from `previous` to `clicked`:
// the count goes on in that direction, inside min..max, to the first one
// that divides the revolution into whole segments; none: the count stays.
int AdjustArchSides(int previous, int clicked, int revolution);

// A dimension line to draw over the shape's preview, in the coordinates of
// the re-anchored profile: horizontal from (from, at) to (to, at), or
// vertical from (at, from) to (at, to). `side` says where to push it off the
// outline: -1 below/left, +1 above/right, 0 on the spot.
struct DimensionAnnotation {
  bool vertical = false;
  double from = 0, to = 0, at = 0;
  int side = 0;
  std::string label;
};
std::vector<DimensionAnnotation> ShapeAnnotations(int code, const ShapeValues& values,
                                                  int decimals);

}  // namespace orvane
