#include "core/machine/cut_preview_layout.h"

#include <algorithm>

namespace orvane {

CutPreviewLayout LayoutCutPreview(const CutPointExtent& path, double blockWidthMm,
                                  double blockHeightMm, int width, int height, int margin) {
  CutPreviewLayout layout;
  const double spanX = path.empty ? 0 : path.maxX - path.minX;
  const double spanY = path.empty ? 0 : path.maxY - path.minY;
  const double needX = std::max({blockWidthMm, spanX, 1.0});
  const double needY = std::max({blockHeightMm, spanY, 1.0});
  const double roomX = std::max(1, width - 2 * margin);
  const double roomY = std::max(1, height - 2 * margin);
  layout.scale = std::min(roomX / needX, roomY / needY);
  layout.blockWidth = blockWidthMm * layout.scale;
  layout.blockHeight = blockHeightMm * layout.scale;
  layout.blockLeft = (width - layout.blockWidth) / 2;
  layout.blockTop = (height - layout.blockHeight) / 2;
  // The path's box centred on the block's centre.
  const double centreX = width / 2.0, centreY = height / 2.0;
  const double pathCentreX = path.empty ? 0 : (path.minX + path.maxX) / 2;
  const double pathCentreY = path.empty ? 0 : (path.minY + path.maxY) / 2;
  layout.originX = centreX - pathCentreX * layout.scale;
  layout.originY = centreY + pathCentreY * layout.scale;
  return layout;
}

}  // namespace orvane
