// A cut header comes from disk: any bytes are refused with a message or read
// into values the cut window could have written; what is read writes back to
// a header that reads the same, and the block proposed from it is sound.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/app/machine_settings.h"
#include "core/cut/cut_files.h"
#include "core/cut/step_stream.h"
#include "core/machine/cut_opening.h"
#include "fuzz_counters.h"

namespace {

using namespace orvane;

bool Within(int64_t value, int64_t low, int64_t high) {
  return value >= low && value <= high;
}

void CheckRanges(const CutHeaderInfo& h) {
  bool ok = Within(h.decimals, 0, 6) && Within(h.guideDistance, 0, 65535) &&
            Within(h.materialPosition, 0, 100) && Within(h.materialThickness, 0, 65535) &&
            Within(h.segments, 0, int64_t(kMaxCutTicks)) && h.developed[0] >= 0 &&
            h.developed[1] >= 0 && h.ticks <= kMaxCutTicks;
  for (double size : h.sizes) ok = ok && size >= 0 && size <= kLargestHeaderSize;
  for (double leadIn : h.leadIns) ok = ok && std::fabs(leadIn) <= kLargestHeaderSize;
  for (size_t i = 0; i < 4; ++i) {
    ok = ok && Within(h.clockwise[i], 0, 1) && Within(h.stepsPerMm[i], 1, 800) &&
         Within(h.ioSlots[i], 0, 3);
  }
  if (!ok) std::abort();
}

// The header the cut window would write for these values.
std::string Rewrite(const CutHeaderInfo& h) {
  CutHeaderData d;
  d.decimals = static_cast<int>(h.decimals);
  d.projection.realX1 = h.sizes[0];
  d.projection.realY1 = h.sizes[1];
  d.projection.projectedX1 = h.sizes[2];
  d.projection.projectedY1 = h.sizes[3];
  d.projection.realX2 = h.sizes[4];
  d.projection.realY2 = h.sizes[5];
  d.projection.projectedX2 = h.sizes[6];
  d.projection.projectedY2 = h.sizes[7];
  d.leadIn1 = {h.leadIns[0], h.leadIns[1]};
  d.leadIn2 = {h.leadIns[2], h.leadIns[3]};
  d.projection.guideDistance = static_cast<uint16_t>(h.guideDistance);
  d.projection.materialPosition = static_cast<uint16_t>(h.materialPosition);
  d.projection.materialThickness = static_cast<uint16_t>(h.materialThickness);
  d.segments = static_cast<uint64_t>(h.segments);
  d.developed1 = static_cast<long>(h.developed[0]);
  d.developed2 = static_cast<long>(h.developed[1]);
  d.ticks = h.ticks;
  MachineSettings s;
  uint16_t* clockwise[4] = {&s.X1clockwise, &s.Y1clockwise, &s.X2clockwise, &s.Y2clockwise};
  uint16_t* steps[4] = {&s.X1step, &s.Y1step, &s.X2step, &s.Y2step};
  uint16_t* io[4] = {&s.X1io, &s.Y1io, &s.X2io, &s.Y2io};
  for (size_t i = 0; i < 4; ++i) {
    *clockwise[i] = static_cast<uint16_t>(h.clockwise[i]);
    *steps[i] = static_cast<uint16_t>(h.stepsPerMm[i]);
    *io[i] = static_cast<uint16_t>(h.ioSlots[i]);
  }
  return WriteCutHeader(d, s, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kPaths[] = {"read", "older version"};
  fuzz::PathCounters& counters = fuzz::Counters(kPaths);
  counters.Run();
  const CutHeaderRead read =
      ParseCutHeader(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!read.ok) {
    if (read.message.empty()) std::abort();
    return 0;
  }
  if (read.info.olderVersion) {
    counters.Reached("older version");
    return 0;
  }
  counters.Reached("read");
  const CutHeaderInfo& h = read.info;
  CheckRanges(h);

  // Written once, the values are in the window's formats: a second pass
  // changes nothing.
  const std::string once = Rewrite(h);
  const CutHeaderRead again = ParseCutHeader(once);
  if (!again.ok || Rewrite(again.info) != once) std::abort();
  const CutHeaderInfo& g = again.info;
  if (g.stepsPerMm != h.stepsPerMm || g.ioSlots != h.ioSlots || g.clockwise != h.clockwise ||
      g.ticks != h.ticks || g.segments != h.segments || g.developed != h.developed) {
    std::abort();
  }

  const BlockSize block = ProposeBlock(h);
  if (block.width < 0 || block.height < 0) std::abort();
  CheckBlock(h, block.width, block.height);
  return 0;
}
