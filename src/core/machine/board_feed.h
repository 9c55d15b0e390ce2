#pragma once
// The feed written into a cut's "F" line as it goes to the USB board.

#include <array>
#include <cstdint>
#include <string>

namespace orvane {

struct MachineSettings;

// A real run: the mean of the four axes' feeds (mm/min) at the preset's
// periods, `adjustedPeriods` in the order X1, X2, Y1, Y2. A simulation runs
// at twice `Vmax` scaled from the configured feed, whatever the preset. The
// result never wraps: past 16 bits it stays at the largest feed the board
// can be given.
uint16_t BoardCutFeed(const MachineSettings& settings,
                      const std::array<int32_t, 4>& adjustedPeriods, bool simulation);

// "Orvane - Simulation à 4 mm/s" for a feed of 240 mm/min.
std::string BoardSimulationCaption(uint16_t feed);

}  // namespace orvane
