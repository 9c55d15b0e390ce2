#include "core/machine/board_feed.h"

#include <algorithm>
#include <cstdio>

#include "core/app/machine_settings.h"
#include "core/common/text_number.h"
#include "core/cut/gcode.h"

namespace orvane {
namespace {

constexpr double kLargestFeed = 65535;

// 60,000,000 / (period × steps) mm/min, halves to even, in integers: in
// floating point 60 × (1e6 / 960,000) lands just above 62.5.
double AxisFeed(int32_t period, uint16_t steps) {
  if (period <= 0 || steps == 0) return 0;
  constexpr uint64_t kMicrosecondsPerMinute = 60'000'000;
  const uint64_t divisor = uint64_t(period) * steps;
  uint64_t feed = kMicrosecondsPerMinute / divisor;
  const uint64_t twiceRest = 2 * (kMicrosecondsPerMinute % divisor);
  if (twiceRest > divisor || (twiceRest == divisor && feed % 2 == 1)) ++feed;
  return double(feed);
}

}  // namespace

uint16_t BoardCutFeed(const MachineSettings& s, const std::array<int32_t, 4>& periods,
                      bool simulation) {
  if (simulation) {
    const double fc = FeedRateMmMin(s);
    const double vc = ComputeVcut(s);
    if (vc <= 0) return static_cast<uint16_t>(std::min(fc, kLargestFeed));
    return static_cast<uint16_t>(std::min(RoundHalfEven(fc * (s.Vmax / vc) * 2), kLargestFeed));
  }
  // The sum is held in 16 bits; wrapping would turn a faster preset into a
  // crawl, so it stops at the top instead.
  const double sum = AxisFeed(periods[0], s.X1step) + AxisFeed(periods[1], s.X2step) +
                     AxisFeed(periods[2], s.Y1step) + AxisFeed(periods[3], s.Y2step);
  return static_cast<uint16_t>(static_cast<uint32_t>(std::min(sum, kLargestFeed)) / 4);
}

std::string BoardSimulationCaption(uint16_t feed) {
  char speed[32];
  std::snprintf(speed, sizeof speed, "%.0f", feed / 60.0);
  return std::string("Orvane - Simulation à ") + speed + " mm/s";
}

}  // namespace orvane
