#pragma once

#include <string>
#include <vector>

#include "core/project/profile.h"

namespace orvane {

// Directions of a lead-in: 1 up, 2 right, 3 down, 4 left, 5 up-right,
// 6 down-right, 7 down-left, 8 up-left.
struct LeadInOptions {
  int direction = 0;     // 0: cancelled
  double length = 5;     // mm, as typed (the diagonals take L x sqrt 2)
  bool external = true;  // beyond the bounding box, else from the end point
  bool both = true;      // "Appliquer aux 2 profils"
  bool adjust = true;    // "Ajuster la longueur sur le plus petit profil"
};

// One profile's raw rows and locked rows, and its lead-in mark (see
// Profile::leadIn; none: only the closed pattern counts).
struct LeadInTarget {
  PointRows* rows;
  std::vector<int>* lockedRows;
  bool* leadIn = nullptr;
};
inline LeadInTarget TargetOf(Profile& profile) {
  return {&profile.raw, &profile.LockedRows, &profile.leadIn};
}

// Puts the lead-in point before the first point and the lead-out point after
// the last, with `length` used as it is; locked rows follow their points.
// False (nothing done) below two points or for an unknown direction.
bool InsertLeadIn(LeadInTarget target, int direction, double length, bool external);

struct LeadInOutcome {
  bool changedThis = false, changedOther = false;
  std::string label;  // the history entry; empty when nothing changed
};

// "Ajouter des dégagements..." of profile `number` (1 or 2): with the
// both-profiles option the other profile gets one too unless it is empty or
// already has one, the smaller of the two getting the longer lead-in when
// lengths are adjusted.
LeadInOutcome AddLeadIn(int number, LeadInTarget self, LeadInTarget other,
                        const LeadInOptions& options);

// "Supprimer les dégagements": drops the first and the last point; refused
// (false) when the profile has no lead-in, open or closed, or below five
// points (four for a lead-in marked on the profile: a segment remains).
bool RemoveLeadIn(LeadInTarget target);

// Locked row numbers from `fromRow` on move by `delta`; rows that no longer
// exist (below 1 or beyond `rowsAfter`) are unlocked.
void RenumberLockedRows(std::vector<int>& lockedRows, int fromRow, int delta, int rowsAfter);

}  // namespace orvane
