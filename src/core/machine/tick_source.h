#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <string>

#include "core/machine/centronic.h"

namespace orvane {

// One tick: the data-register image and its high and low times before the
// live trim.
struct Tick {
  uint8_t pattern = 0;
  uint32_t highUs = 0;
  uint32_t lowUs = 0;
};

// What the pulse engine plays. `Next` runs on the output thread during the
// high time of the tick before, so it must not allocate or lock; it may throw
// (a read error), which ends the run with the heating off.
class TickSource {
 public:
  virtual ~TickSource() = default;
  // The next tick; false at the end.
  virtual bool Next(Tick& tick) = 0;
  // A stop was asked after `ticksPlayed` ticks. True ends the run at once;
  // false lets the source wind down by itself (a decelerating stop).
  virtual bool StopNow(uint64_t /*ticksPlayed*/) { return true; }
};

// The same pattern `count` times (the pulse test of orvane-cli).
class FixedPatternSource : public TickSource {
 public:
  FixedPatternSource(uint8_t pattern, uint64_t count, PulseSplit split)
      : pattern_(pattern), remaining_(count), split_(split) {}
  bool Next(Tick& tick) override;

 private:
  uint8_t pattern_;
  uint64_t remaining_;
  PulseSplit split_;
};

// A step file streamed through a fixed buffer, never loaded whole: cuts run
// to hundreds of millions of ticks. Every tick at one period.
class StepFileSource : public TickSource {
 public:
  StepFileSource(const std::string& path, PulseSplit split);
  bool IsOpen() const { return in_.is_open(); }
  uint64_t Size() const { return size_; }
  bool Next(Tick& tick) override;

 private:
  std::ifstream in_;
  uint64_t size_ = 0;
  PulseSplit split_;
  std::array<char, 1 << 16> buffer_{};
  size_t filled_ = 0;
  size_t next_ = 0;
};

// A move of `totalSteps` ticks of one pattern with its ramp: accelerate over
// the first `rampSteps`, decelerate over the last. A progressive stop
// (`ModeArret` 0) decelerates over the ramp length and ends; an immediate one
// ends at once.
class RampMoveSource : public TickSource {
 public:
  RampMoveSource(uint8_t pattern, uint32_t totalSteps, const RampPlan& plan, bool progressiveStop);
  bool Next(Tick& tick) override;
  bool StopNow(uint64_t ticksPlayed) override;
  uint32_t TotalSteps() const { return total_; }

 private:
  uint8_t pattern_;
  uint32_t total_;
  uint32_t ramp_;
  double dHigh_, dLow_;
  double high_, low_;
  bool progressive_;
  uint32_t emitted_ = 0;
};

}  // namespace orvane
