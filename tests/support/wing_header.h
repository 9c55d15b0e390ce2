#pragma once

#include <cstdint>

#include "core/cut/cut_files.h"

namespace orvane::test {

// The header of the block edge cases' cut: real sizes 300 × 100 and 280 × 90,
// projected 320 × 110 (profile 2 300 wide unless the projections are the
// same), a lead-in of (10, 0) on profile 1 only.
inline CutHeaderData WingHeader(bool sameProjection = true, uint64_t ticks = 1500) {
  CutHeaderData data;
  ProjectionState& p = data.projection;
  p.realX1 = 300, p.realY1 = 100, p.realX2 = 280, p.realY2 = 90;
  p.projectedX1 = 320, p.projectedY1 = 110;
  p.projectedX2 = sameProjection ? 320 : 300, p.projectedY2 = 110;
  data.leadIn1 = {10, 0};
  data.ticks = ticks;
  return data;
}

}  // namespace orvane::test
