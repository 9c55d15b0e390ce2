#pragma once

#include "core/project/profile.h"

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

// Profile 1's rows after the segment: `base` (profile 1 as the window found
// it) with the end and return points appended, or a new start at (0, 0).
// Points equal to the one before them are not added. Not yet re-anchored.
PointRows GenerateSegment(const PointRows& base, const SegmentValues& values);

}  // namespace orvane
