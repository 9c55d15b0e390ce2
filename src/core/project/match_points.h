#pragma once

#include <cstddef>
#include <string>

#include "core/project/profile.h"

namespace orvane {

struct MatchedProfiles {
  PointRows first, second;
  std::string message;  // why they cannot be matched; empty on success
};

// Gives two outlines the same number of points, paired so that the wire joins
// corresponding places: both are split at the same key points (the start,
// the point farthest from it, such as an airfoil's leading edge, and corners
// turning more than 30 degrees found at the same place on both), and each
// span is resampled at the same relative arc lengths on both sides, following
// the spacing of the outline with more points there. A point of either
// outline is kept wherever both have a key point there or where its spacing
// is followed unchanged. With a lead-in on both, the lead-in's first and last
// segments stay as they are. `count` 0 means the larger of the two counts.
MatchedProfiles MatchPoints(const PointRows& first, bool firstLeadIn, const PointRows& second,
                            bool secondLeadIn, size_t count = 0);

}  // namespace orvane
