#pragma once

#include <cstdint>

#include "core/project/profile.h"

namespace orvane {

// Sizes before and after projection and where the block stood, shared by the
// project window, the projection window and the cut header.
struct ProjectionState {
  double realX1 = 0, realY1 = 0, realX2 = 0, realY2 = 0;
  double projectedX1 = 0, projectedY1 = 0, projectedX2 = 0, projectedY2 = 0;
  uint16_t guideDistance = 0;
  uint16_t materialPosition = 0;
  uint16_t materialThickness = 0;
  uint8_t projectionDone = 0;
};

// Round(Fil / 1.3 / 10) x 10.
int DefaultThickness(int fil);

struct ProjectionInput {
  const PointRows* raw1 = nullptr;
  const PointRows* raw2 = nullptr;
  double dimX1 = 0, dimY1 = 0, dimX2 = 0, dimY2 = 0;  // the Cote fields
  int thickness = 0;                                  // e, as typed
  int spacing = 0;                                    // D, as typed
  int wireLength = 0;                                 // L, as shown
  int position = 50;                                  // P, percent
  int fil = 500, maxX = 500, maxY = 500;
  bool ignoreCapacity = false;
};

struct ProjectionResult {
  int thickness = 1, spacing = 0, wireLength = 0;  // after clamping
  PointRows projected1, projected2;                // "%.6f"
  int wireSpan = 0;                                // Round(Wmax)
  bool spanOk = false;
  double projectedX1 = 0, projectedY1 = 0, projectedX2 = 0, projectedY2 = 0;
  bool withinX1 = false, withinY1 = false, withinX2 = false, withinY2 = false;
  bool appliquer = false;
};

// The guides' paths: each pair of points extended beyond the block's faces to
// the guides.
ProjectionResult RecomputeProjection(const ProjectionInput& input);

}  // namespace orvane
