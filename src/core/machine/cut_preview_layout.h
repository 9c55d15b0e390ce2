#pragma once

#include "core/cut/cut_point_file.h"

namespace orvane {

// Where the execution window's two previews draw the foam block and the cut
// path: one scale for both, the block centred, the path of both profiles
// centred in the block so the two faces keep their relative placement.
struct CutPreviewLayout {
  double scale = 0;                                                     // pixels per mm
  double blockLeft = 0, blockTop = 0, blockWidth = 0, blockHeight = 0;  // pixels
  double originX = 0, originY = 0;  // pixel of the point (0, 0) in mm

  double PixelX(double mm) const { return originX + mm * scale; }
  double PixelY(double mm) const { return originY - mm * scale; }  // Y upwards
};

// `width` × `height` pixels, `margin` kept free on every side for the
// dimensions. A path larger than the block still fits in the pane.
CutPreviewLayout LayoutCutPreview(const CutPointExtent& path, double blockWidthMm,
                                  double blockHeightMm, int width, int height, int margin);

}  // namespace orvane
