#pragma once

#include "core/project/profile.h"
#include "core/shapes/number_text.h"

namespace orvane {

// A straight cut given in polar form (length, angle in degrees) or as signed
// X and Y components, one way or there and back, new or appended to profile 1.
struct SegmentValues {
  bool polar = true;
  double longueur = 50, angle = 45, largeur = 50, hauteur = 50;
  bool roundTrip = false;  // "Aller et retour"
  bool append = false;     // "Ajouter au dessin en cours"
};

// The rules applied when an edit is left: a zero length takes 50, an angle
// above 360 becomes 0.
SegmentValues ValidateSegment(SegmentValues values);

struct CheckedSegment {
  SegmentValues values;
  std::vector<FieldNote<SegmentValues>> notes;
};
// The exit logic of the segment window's edits: the angle taken as shown
// with one decimal and the sizes with `decimals`, then the rules of
// ValidateSegment with their reasons; the `accepted` values come back, with
// the reason, when the profile made on `base` would span more than the
// drawing readers take.
CheckedSegment CheckSegmentValues(const SegmentValues& typed, const SegmentValues& accepted,
                                  const PointRows& base, int decimals);

// Profile 1's rows after the segment: `base` (profile 1 as the window found
// it) with the end and return points appended, or a new start at (0, 0).
// Points equal to the one before them are not added. Not yet re-anchored.
PointRows GenerateSegment(const PointRows& base, const SegmentValues& values);

}  // namespace orvane
