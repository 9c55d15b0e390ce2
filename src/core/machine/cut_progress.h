#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>

namespace orvane {

struct MachineSettings;

// The step-file run's progress: the bar's maximum and how many ticks pass
// between two refreshes of the bar and its labels.
struct ProgressPlan {
  uint64_t ticks = 0;
  uint64_t n = 0;         // ticks per bar unit
  uint64_t maximum = 0;   // the bar's maximum
  uint64_t interval = 0;  // 25 × n: ticks between refreshes
};
ProgressPlan PlanProgress(uint64_t tickCount);

struct ProgressView {
  uint64_t position = 0;  // the bar's position
  int percent = 0;
  uint64_t remainingSeconds = 0;
};
// The bar and labels after `ticksPlayed` ticks: a refresh every interval
// moves the bar by 25.
ProgressView ProgressAt(const ProgressPlan& plan, uint64_t ticksPlayed, uint64_t durationSeconds);

// The remaining time of a step-file run from the ticks actually played per
// second over the last seconds of play, so that the live trim and the time
// each tick really takes show in it; before there is enough to measure, from
// the period the run plays at. The speed preset does not enter: the step
// links play the configured periods.
class RemainingTime {
 public:
  RemainingTime(uint64_t ticks, uint32_t periodMicroseconds)
      : ticks_(ticks), period_(periodMicroseconds) {}
  // A pre-heat or a pause is not play: the measure starts again after it.
  void Restart() { samples_.clear(); }
  // `now` in microseconds of any monotonic clock.
  uint64_t SecondsAt(int64_t nowMicroseconds, uint64_t ticksPlayed);

 private:
  struct Sample {
    int64_t time;
    uint64_t ticks;
  };
  uint64_t ticks_;
  uint32_t period_;
  std::deque<Sample> samples_;
};

// The board run's progress after `linesSent` of `lineCount` lines.
ProgressView LineProgressAt(uint64_t lineCount, uint64_t linesSent, uint64_t durationSeconds);
// The same from the share of the path done, 0 to 1.
ProgressView PathProgressAt(double fraction, uint64_t durationSeconds);

// "hh:mm:ss", each part at least two digits.
std::string FormatDuration(uint64_t seconds);

// The speed preset and what it shows.
struct SpeedPreset {
  std::array<int32_t, 4> periods{};  // `AdjustedPeriods`, in the order X1, Y1, X2, Y2
  std::array<double, 4> speeds{};    // mm/s
  int offset = 0;                    // from the bar's centre; > 0 slower
  uint64_t durationSeconds = 0;      // `CutDurationSeconds`
};
// `position` on a bar of `maximum`; `ticks` is `CutTickCount`.
SpeedPreset ComputeSpeedPreset(const MachineSettings& settings, int position, int maximum,
                               uint64_t ticks);
// The bar's maximum: the mean configured period, rounded.
int SpeedPresetMaximum(const MachineSettings& settings);
uint64_t EstimateDuration(const std::array<int32_t, 4>& periods, uint64_t ticks);

// The live trim of a step-file run: the bar from 0 to P ÷ 4, its centre
// meaning the configured period. Right shortens both parts of the tick by
// 1 µs per tick held, left lengthens them.
class LiveTrim {
 public:
  explicit LiveTrim(uint32_t meanPeriod);
  uint32_t Maximum() const { return maximum_; }
  uint32_t Centre() const { return maximum_ / 2; }
  uint32_t Position() const { return position_; }
  // Microseconds added to the high and to the low time.
  int32_t Microseconds() const {
    return static_cast<int32_t>(Centre()) - static_cast<int32_t>(position_);
  }
  void Faster(uint64_t ticks);
  void Slower(uint64_t ticks);
  void Reset() { position_ = Centre(); }
  // `LabelInc`: "+8 µs", "-4 µs", "0 µs".
  std::string Label() const;

 private:
  uint32_t maximum_;
  uint32_t position_;
};

}  // namespace orvane
