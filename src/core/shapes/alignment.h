#pragma once

#include <string>

#include "core/project/profile.h"

namespace orvane {

// The step of one press of a shift button, in mm: 2 x RowCount / 1000
// rounded half to even, 0.1 when that is 0; Shift gives 1 and Ctrl 0.1.
double AlignmentStep(int rowCount, bool shift, bool ctrl);

// The label under a button: the negated offset, "+" when positive, "%.2f",
// then "  X" or "  Y".
std::string AlignmentOffsetText(double offset, Axis axis);

// The alignment window's work on the two raw tables: each press moves a
// profile's lead-in and lead-out points (its first and last rows) and
// re-anchors it; cancelling puts both profiles back as they were.
class AlignmentSession {
 public:
  AlignmentSession(Profile& p1, Profile& p2, int decimals);

  // One step of profile 1 or 2 along `axis` by `delta` mm.
  void Step(int profile, Axis axis, double delta);
  double Offset(int profile, Axis axis) const { return offsets_[profile - 1][axis == Axis::Y]; }
  bool Changed(int profile) const { return changed_[profile - 1]; }
  bool AnyChanged() const { return changed_[0] || changed_[1]; }
  // Puts both profiles' raw tables, adjusted tables and flags back.
  void Revert();

 private:
  Profile* profiles_[2];
  Profile saved_[2];
  int decimals_;
  double offsets_[2][2] = {};
  bool changed_[2] = {};
};

// Both adjusted profiles drawn over each other, each moved so that its first
// point (the lead-in point) lands on the same spot, at one common scale.
struct OverlayTransform {
  double scale = 1;
  double originX = 0, originY = 0;  // pixels of the shared first point
  std::pair<double, double> Map(double dx, double dy) const {
    return {originX + dx * scale, originY - dy * scale};
  }
};
OverlayTransform MakeOverlayTransform(const PointRows& adjusted1, const PointRows& adjusted2,
                                      int width, int height, double margin);

}  // namespace orvane
