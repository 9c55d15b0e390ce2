#pragma once

#include <utility>
#include <vector>

#include "core/common/text_number.h"
#include "core/project/profile.h"

namespace orvane::test {

// A profile from millimetre points, rebuilt with `decimals` (no rebuild when negative).
inline Profile MakeProfile(const std::vector<std::pair<double, double>>& points, int decimals = 3) {
  Profile p;
  for (auto [x, y] : points) p.raw.push_back({FormatFixed(x, 6), FormatFixed(y, 6)});
  if (decimals >= 0) RefreshAdjusted(p, decimals);
  return p;
}

}  // namespace orvane::test
