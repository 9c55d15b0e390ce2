#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/cut/cut_files.h"

namespace orvane {

// Whether a saved cut's step file is the one its header describes. A set
// whose save was interrupted, or whose files were copied from different
// cuts, can pair a header with another cut's step file; played, it would
// drive the machine along the wrong path, so such a set is refused.
struct CutStepCheck {
  bool ok = false;
  uint64_t ticks = 0;   // the header's tick count (line 48)
  std::string message;  // why the set is refused, in French
};

// The lowest and highest position of each motor (X1, Y1, X2, Y2) over a step
// stream, in steps from where it starts.
struct MotorTravel {
  std::array<int64_t, 4> lowest{}, highest{};
  uint64_t ticks = 0;
};

// Decodes step bytes as the header's motors read them: both bits of a pair
// is a step one way, the step bit alone a step the other way.
class MotorTravelMeter {
 public:
  explicit MotorTravelMeter(const std::array<int64_t, 4>& ioSlots);
  void Add(const uint8_t* bytes, size_t count);
  const MotorTravel& Travel() const { return travel_; }

 private:
  std::array<std::array<int8_t, 4>, 256> moves_{};
  std::array<int64_t, 4> position_{};
  MotorTravel travel_;
};

// The travel each motor may make for the header's sizes (lines 8, 9, 13, 14),
// in steps: the size at the header's steps per millimetre, the rounding of
// the profiles' decimals and of the header's three, and one step.
std::array<int64_t, 4> AllowedTravel(const CutHeaderInfo& header);

// Compares a step file with its header: its size with the tick count, then
// the travel of each motor with the sizes. `steps` is the file's content,
// none for a set without a step file (a G-code-only cut).
CutStepCheck CheckCutStepFile(const CutHeaderInfo& header, std::optional<std::string_view> steps);

// The same for a step file on disk, read in chunks: its size first, so a
// file of the wrong size is refused without being read. A missing file is
// a G-code-only cut.
CutStepCheck CheckStepFileOnDisk(const CutHeaderInfo& header, const std::string& stepPath);

// The whole set on disk: reads `base` + ".ovi" and checks `base` + ".ovd".
CutStepCheck CheckCutSet(const std::string& base);

}  // namespace orvane
